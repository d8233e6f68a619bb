// vt_soak [FRAMES]: runs the saver on the headless backend for FRAMES
// frame-timer ticks (default 200,000) over a playlist of every demo scene
// and a few damaged scene files, switching entries every 300 ticks (one
// minute at five frames per second); the saver's own restart after three
// hours of running starts it again. Prints the resident size at the start,
// after each restart and at the end, the ticks, switches and restarts, and
// fails (status 1) when the resident size grew by more than 16 MB after
// the first 5,000 ticks or a tick took longer than 10 s. Build it with LeakSanitizer (or ASan) for
// the leak check at exit.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "platform/headless/headless.h"
#include "authoring/demos.h"

using namespace vortella;

namespace {

long ticks = 0, target = 200000, switches = 0;
long rss_warm = 0;   // after the first entries have made their buffers
double slowest_ms = 0;

// Resident size in kB.
long rss_kb() {
    std::ifstream f("/proc/self/statm");
    long pages = 0, resident = 0;
    f >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The headless backend, counting ticks and stopping after the last one.
struct soak_services : headless_services {
    LRESULT dispatch_message(const MSG &m) override {
        if (m.message != WM_TIMER) return headless_services::dispatch_message(m);
        const std::string before = current_file;
        const auto t0 = std::chrono::steady_clock::now();
        const LRESULT r = headless_services::dispatch_message(m);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        if (ms > slowest_ms) slowest_ms = ms;
        if (ms > 10000) {
            std::fprintf(stderr, "vt_soak: a tick of %s took %.0f ms\n", current_file.c_str(), ms);
            std::exit(1);
        }
        if (current_file != before) ++switches;
        if (++ticks >= target) limit = now;
        if (ticks == 5000) rss_warm = rss_kb();
        boxes.clear();   // the record of message boxes would only grow
        return r;
    }
};

void writefile(const std::string &path, const std::vector<uint8_t> &b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(b.data()), std::streamsize(b.size()));
}

// The playlist: the demo scenes by their built-in names, and damaged files
// in `dir`; picture sizes, animation modes and zooms vary by entry.
void write_playlist(const std::string &dir) {
    std::vector<std::string> files;
    for (int i = 0; i < demo_scene_count; ++i) files.push_back(demo_scenes[i].name);
    std::vector<uint8_t> whole(scene_resources[0].data, scene_resources[0].data + scene_resources[0].size);
    writefile(dir + "/HALF.VTL", std::vector<uint8_t>(whole.begin(), whole.begin() + long(whole.size() / 2)));
    std::vector<uint8_t> noise(4096);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t(i * 2654435761u >> 13);
    writefile(dir + "/NOISE.VTL", noise);
    writefile(dir + "/EMPTY.VTL", {});
    // Every 97th byte after the header flipped: loads or is refused.
    std::vector<uint8_t> flipped(scene_resources[3].data, scene_resources[3].data + scene_resources[3].size);
    for (size_t i = 40; i < flipped.size(); i += 97) flipped[i] ^= 0x5a;
    writefile(dir + "/FLIPPED.VTL", flipped);
    for (const char *f : {"HALF.VTL", "NOISE.VTL", "EMPTY.VTL", "FLIPPED.VTL"}) files.push_back(dir + "/" + f);
    files.push_back(dir + "/MISSING.VTL");

    std::ofstream ini(dir + "/" + ini_name);
    ini << "[Global]\nNoOfEntries=" << files.size() << "\nSpeed=5\nSequence=1\n[Entries]\n";
    for (size_t i = 0; i < files.size(); ++i) {
        char line[512];
        std::snprintf(line, sizeof line, "EntryFN%03zu=%s\nEntryPM%03zu=%zu,%zu,%zu,1,%zu,%zu,%zu,%zu,%d,%d,45,2,30\n", i,
                      files[i].c_str(), i, 1 + i % 6, 96 + 32 * (i % 4), 64 + 24 * (i % 3), i % 2, 1 + i % 3, i % 2,
                      (i * 40) % 360, int(i % 5) - 2, 10 + int(i % 3) * 20);
        ini << line;
    }
    ini << "[Misc]\nNormal=1\nMapsDirectory=" << dir << "\nBackgroundMap=" << dir << "/" << demo_background
        << "\nInstallDirectory=" << dir << "\n";
}

}  // namespace

int main(int argc, char **argv) {
    if (argc > 1) target = std::atol(argv[1]);
    if (target < 1) {
        std::fprintf(stderr, "usage: vt_soak [FRAMES]\n");
        return 2;
    }
    char tmpl[] = "/tmp/vortella-soak-XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    const std::string dir = tmpl;
    install_demos();
    profile_folder = dir;
    write_playlist(dir);

    const long rss0 = rss_kb();
    std::printf("start: resident %ld kB\n", rss0);
    int restarts = 0;
    const auto t0 = std::chrono::steady_clock::now();
    while (ticks < target) {
        soak_services svc;
        svc.module_path = dir + "/vortella";
        svc.screen_w = 640;
        svc.screen_h = 480;
        set_sys(&svc);
        bool done = false;
        try {
            WinMain("/S", SW_SHOWNORMAL);
            std::fprintf(stderr, "vt_soak: the saver did not start\n");
            return 1;
        } catch (const headless_idle &) {
            release_saver(hwndApp);
            done = true;
        } catch (const process_exit &) {
            // The saver ended itself: after three hours it starts itself
            // again, which is what it asked for.
            if (svc.started.empty()) {
                std::fprintf(stderr, "vt_soak: the saver ended after %ld ticks\n", ticks);
                return 1;
            }
            ++restarts;
            std::printf("restart %d after %ld ticks: resident %ld kB\n", restarts, ticks, rss_kb());
        }
        set_sys(nullptr);
        if (done) break;
    }
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const long rss1 = rss_kb();
    if (!rss_warm) rss_warm = rss1;
    std::printf("end: %ld ticks, %ld entry switches, %d restarts in %.0f s; slowest tick %.1f ms; "
                "resident %ld kB (%+ld kB since the start, %+ld kB since tick 5000)\n",
                ticks, switches, restarts, secs, slowest_ms, rss1, rss1 - rss0, rss1 - rss_warm);
    profile_folder.clear();
    std::filesystem::remove_all(dir);
    return rss1 - rss_warm > 16 * 1024 ? 1 : 0;
}
