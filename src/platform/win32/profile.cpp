// Settings files through the system's private-profile functions. A bare
// file name is looked for in the Windows folder, where those functions put
// it; when it is not there it lives in the user's application-data folder
// ("%APPDATA%\Vortella"), because an ordinary user may not write to the
// Windows folder and a 64-bit program gets no redirection there.
#include <vector>

#include "platform/win32/win32.h"

namespace vortella::win32 {

namespace {

bool is_file(const std::string &path) {
    ::DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string windows_folder() {
    char buf[MAX_PATH];
    ::UINT n = ::GetWindowsDirectoryA(buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

std::string user_folder() {
    char buf[MAX_PATH];
    ::DWORD n = ::GetEnvironmentVariableA("APPDATA", buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return {};
    return std::string(buf, n) + "\\Vortella";
}

}  // namespace

std::string win32_services::ini_path(const char *file, bool for_writing) {
    std::string f = file ? file : "";
    if (f.find_first_of("\\/:") != std::string::npos) return f;
    std::string win = windows_folder();
    if (!win.empty() && is_file(win + "\\" + f)) return win + "\\" + f;
    std::string user = user_folder();
    // Without an application-data folder the functions' own place is left.
    if (user.empty()) return f;
    if (for_writing) ::CreateDirectoryA(user.c_str(), nullptr);
    return user + "\\" + f;
}

std::string win32_services::get_profile_string(const char *section, const char *key, const char *def,
                                               size_t size, const char *file) {
    if (size == 0) return {};
    std::vector<char> buf(size);
    ::DWORD n = ::GetPrivateProfileStringA(section, key, def ? def : "", buf.data(), ::DWORD(size),
                                           ini_path(file, false).c_str());
    return std::string(buf.data(), n);
}

int win32_services::get_profile_int(const char *section, const char *key, int def, const char *file) {
    return int(::GetPrivateProfileIntA(section, key, def, ini_path(file, false).c_str()));
}

bool win32_services::write_profile_string(const char *section, const char *key, const char *value,
                                          const char *file) {
    return ::WritePrivateProfileStringA(section, key, value, ini_path(file, true).c_str()) != 0;
}

bool win32_services::profile_exists(const char *file) { return is_file(ini_path(file, false)); }

std::string win32_services::beside_profile(const char *ini, const char *name) {
    const std::string path = ini_path(ini, true);
    const size_t cut = path.find_last_of("\\/");
    return (cut == std::string::npos ? std::string() : path.substr(0, cut + 1)) + (name ? name : "");
}

}  // namespace vortella::win32
