// INI files with private-profile behaviour: [sections] of key=value lines,
// sections and keys matched without regard to case, a missing key gives the
// caller's default, and writing one key rewrites the file with every other
// line left as it was. Every backend reads and writes settings through here.
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace vortella {

namespace {

bool same_name(const std::string &a, const char *b) {
    size_t n = 0;
    for (; b[n]; ++n) {
        if (n >= a.size()) return false;
        unsigned char ca = static_cast<unsigned char>(a[n]), cb = static_cast<unsigned char>(b[n]);
        if (std::tolower(ca) != std::tolower(cb)) return false;
    }
    return n == a.size();
}

// Blanks, tabs and carriage returns (a line's own CR is kept with it) do
// not belong to names or values.
std::string trim(const std::string &s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

// The file's lines without their LF but with any CR before it, so a rewrite
// gives every line back exactly as it was, whatever mix of line ends the
// file has; eol is the first line's end, used for the lines a write adds.
struct ini_lines {
    std::vector<std::string> lines;
    const char *eol = "";
};

bool read_lines(const std::string &path, ini_lines &f) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        if (f.lines.empty() && !line.empty() && line.back() == '\r') f.eol = "\r";
        f.lines.push_back(line);
    }
    return true;
}

// The section name of a "[name]" line, or false for any other line.
bool section_line(const std::string &line, std::string &name) {
    std::string t = trim(line);
    if (t.empty() || t[0] != '[') return false;
    size_t close = t.find(']');
    name = trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return true;
}

// The key of a "key=value" line, or false for comments and other lines.
bool key_line(const std::string &line, std::string &key, std::string &value) {
    std::string t = trim(line);
    if (t.empty() || t[0] == ';') return false;
    size_t eq = t.find('=');
    if (eq == std::string::npos) return false;
    key = trim(t.substr(0, eq));
    value = trim(t.substr(eq + 1));
    return true;
}

// Finds the first section named `section`: its header line and the line
// after its last line. False when the file has no such section.
bool find_section(const ini_lines &f, const char *section, size_t &head, size_t &end) {
    std::string name;
    for (size_t i = 0; i < f.lines.size(); ++i) {
        if (!section_line(f.lines[i], name) || !same_name(name, section)) continue;
        head = i;
        end = i + 1;
        while (end < f.lines.size() && !section_line(f.lines[end], name)) ++end;
        return true;
    }
    return false;
}

bool find_key(const ini_lines &f, const char *section, const char *key, std::string &value,
              size_t *at = nullptr) {
    size_t head, end;
    if (!find_section(f, section, head, end)) return false;
    std::string k;
    for (size_t i = head + 1; i < end; ++i) {
        if (key_line(f.lines[i], k, value) && same_name(k, key)) {
            if (at) *at = i;
            return true;
        }
    }
    return false;
}

}  // namespace

std::string profile_path(const char *file) {
    std::string name = file ? file : "";
    if (name.find('/') != std::string::npos) return name;
    if (!profile_folder.empty()) return profile_folder + "/" + name;
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) return std::string(xdg) + "/vortella/" + name;
    const char *home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/vortella/" + name;
}

std::string ini_get_string(const std::string &path, const char *section, const char *key,
                           const char *def, size_t size) {
    std::string value = def ? def : "";
    ini_lines f;
    std::string found;
    if (read_lines(path, f) && find_key(f, section, key, found)) {
        // A value written in quotes is read without them.
        if (found.size() >= 2 && found.front() == '"' && found.back() == '"')
            found = found.substr(1, found.size() - 2);
        value = found;
    }
    if (size == 0) return {};
    if (value.size() > size - 1) value.resize(size - 1);
    return value;
}

int ini_get_int(const std::string &path, const char *section, const char *key, int def) {
    ini_lines f;
    std::string value;
    if (!read_lines(path, f) || !find_key(f, section, key, value)) return def;
    // Leading decimal digits with an optional sign; anything else reads as 0.
    char *end = nullptr;
    long long v = std::strtoll(value.c_str(), &end, 10);
    if (end == value.c_str()) return 0;
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

bool ini_write_string(const std::string &path, const char *section, const char *key,
                      const char *value) {
    ini_lines f;
    read_lines(path, f);
    std::string line = std::string(key) + "=" + (value ? value : "") + f.eol;
    std::string old;
    size_t at, head, end;
    if (find_key(f, section, key, old, &at)) {
        f.lines[at] = line;
    } else if (find_section(f, section, head, end)) {
        // After the section's last non-blank line, before the blank lines
        // that separate it from the next section.
        size_t pos = end;
        while (pos > head + 1 && trim(f.lines[pos - 1]).empty()) --pos;
        f.lines.insert(f.lines.begin() + static_cast<std::ptrdiff_t>(pos), line);
    } else {
        if (!f.lines.empty() && !trim(f.lines.back()).empty()) f.lines.emplace_back(f.eol);
        f.lines.push_back("[" + std::string(section) + "]" + f.eol);
        f.lines.push_back(line);
    }

    std::error_code ec;
    std::filesystem::path p(path);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path(), ec);
    // Written beside the file and renamed over it, so a failed write never
    // leaves half a file behind.
    std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        for (const std::string &l : f.lines) out << l << '\n';
        if (!out.flush()) return false;
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

std::string services::get_profile_string(const char *section, const char *key, const char *def,
                                          size_t size, const char *file) {
    return ini_get_string(profile_path(file), section, key, def, size);
}

int services::get_profile_int(const char *section, const char *key, int def, const char *file) {
    return ini_get_int(profile_path(file), section, key, def);
}

bool services::write_profile_string(const char *section, const char *key, const char *value,
                                    const char *file) {
    return ini_write_string(profile_path(file), section, key, value);
}

bool services::profile_exists(const char *file) {
    std::error_code ec;
    return std::filesystem::exists(profile_path(file), ec);
}

std::string services::beside_profile(const char *ini, const char *name) {
    const std::filesystem::path folder = std::filesystem::path(profile_path(ini)).parent_path();
    std::error_code ec;
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    return (folder / (name ? name : "")).string();
}

}  // namespace vortella
