// Help: VORTELLA.HLP in the installation folder where a user still has
// one, opened as it always was; otherwise the help page, one HTML file,
// opened at the section of the dialog that asks. The Windows program
// carries the page inside it and writes it out beside the settings; the
// Linux programs find it in the data folder of their installation.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/app.h"

namespace vortella {

namespace {

bool is_file(const std::string &path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

std::string read_all(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

bool write_all(const std::string &path, const std::string &text) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(text.data(), static_cast<std::streamsize>(text.size()));
    f.close();
    return bool(f);
}

// Where an installation keeps the page: <bin>/../share/vortella.
std::string installed_page() {
    const std::filesystem::path bin = executable_dir();
    return (bin.parent_path() / "share" / "vortella" / "vortella.html").string();
}

// A path as a URL: each byte that is not plain is percent-encoded, so
// blanks, '#' and UTF-8 names survive; backslashes become slashes.
std::string url_path(const std::string &path) {
    std::string url;
    for (const char ch : path) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\\') {
            url += '/';
        } else if (std::isalnum(c) || std::strchr("/-._~:", c)) {
            url += char(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            url += hex;
        }
    }
    return url;
}

// The way to the page's section from the file that sends the browser on:
// a name alone when both lie in one folder (no encoding of the folder's
// name to get wrong), else a file URL.
std::string section_url(const std::string &page, const std::string &from, const char *section) {
    const std::filesystem::path p(page), f(from);
    if (p.parent_path() == f.parent_path()) return url_path(p.filename().string()) + "#" + section;
    // A Windows path begins with its drive: file:///C:/...
    const bool rooted = !page.empty() && (page[0] == '/' || page[0] == '\\');
    return std::string(rooted ? "file://" : "file:///") + url_path(page) + "#" + section;
}

}  // namespace

std::string help_section_page(const std::string &page, const std::string &from, const char *section) {
    const std::string url = section_url(page, from, section);
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<title>Vortella Help</title>\n<meta http-equiv=\"refresh\" content=\"0; url=" + url + "\">\n"
           "</head>\n<body>\n<p><a href=\"" + url + "\">Vortella Help</a></p>\n</body>\n</html>\n";
}

std::string help_page() {
    services *s = sys();
    std::string html;
    if (s->builtin_file(help_resource, html)) {
        // Written when missing or different (a newer program), so the page
        // always matches the program that opens it.
        const std::string copy = s->beside_profile(ini_name, help_copy_name);
        if (read_all(copy) != html && !write_all(copy, html)) return {};
        return copy;
    }
    const std::string installed = installed_page();
    if (is_file(installed)) return installed;
    const std::string beside = executable_dir() + pathsep + "vortella.html";
    return is_file(beside) ? beside : std::string();
}

void open_help(HWND owner, const char *section) {
    dialog_services *d = dlgsys();
    const std::string hlp = instdir + pathsep + "VORTELLA.HLP";
    if (is_file(hlp)) {
        d->help_index(owner, hlp.c_str());
        return;
    }
    const std::string page = help_page();
    if (page.empty()) {
        // The help viewer says it is not there, naming where it would be.
        d->help_index(owner, installed_page().c_str());
        return;
    }
    if (section && *section) {
        const std::string from = sys()->beside_profile(ini_name, help_section_name);
        if (write_all(from, help_section_page(page, from, section))) {
            d->help_index(owner, from.c_str());
            return;
        }
    }
    d->help_index(owner, page.c_str());
}

}  // namespace vortella
