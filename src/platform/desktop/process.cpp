// Processes: starting a program from a command line, the running
// executable's path, and reading numbers typed into dialog items.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <filesystem>

#include "platform/desktop/desktop_local.h"

extern char **environ;

namespace vortella::desktop {

std::vector<std::string> split_command_line(const std::string &cmdline) {
    std::vector<std::string> args;
    std::string cur;
    bool in_arg = false, quoted = false;
    for (char c : cmdline) {
        if (c == '"') {
            quoted = !quoted;
            in_arg = true;   // "" is an empty argument
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (in_arg) args.push_back(cur);
            cur.clear();
            in_arg = false;
        } else {
            cur += c;
            in_arg = true;
        }
    }
    if (in_arg) args.push_back(cur);
    return args;
}

namespace {
// Children we started and have not waited for yet.
std::vector<pid_t> children;
}  // namespace

bool spawn(const std::vector<std::string> &argv) {
    if (argv.empty() || argv[0].empty()) return false;
    // Collect children that have ended since, so none stays a zombie.
    for (auto it = children.begin(); it != children.end();) {
        int status;
        if (waitpid(*it, &status, WNOHANG) != 0) it = children.erase(it);
        else ++it;
    }
    std::vector<char *> args;
    for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0) return false;
    // Its own session: it lives on when this process ends, and a terminal
    // closing behind us does not take it along.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    pid_t pid;
    // glibc reports a program that cannot be executed as an error here.
    int rc = posix_spawnp(&pid, args[0], nullptr, &attr, args.data(), environ);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) return false;
    children.push_back(pid);
    return true;
}

std::string executable_path() {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : p.string();
}

}  // namespace vortella::desktop
