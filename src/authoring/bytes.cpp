#include "authoring/bytes.h"

#include <cstdio>

namespace vortella {

void put_le(std::vector<uint8_t> &b, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

bool write_bytes(const std::string &path, const std::vector<uint8_t> &b, std::string *err) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) {
        if (err) *err = path + ": cannot create the file";
        return false;
    }
    bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok && err) *err = path + ": write failed";
    return ok;
}

}  // namespace vortella
