// Bytes for files: little-endian numbers appended to a buffer, and a buffer
// written to a file whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vortella {

// Appends the low `n` bytes of `v`, least significant first.
void put_le(std::vector<uint8_t> &b, uint32_t v, int n);

// Writes `b` as the whole file `path`; false with `err` naming the file
// when it cannot be created or written.
bool write_bytes(const std::string &path, const std::vector<uint8_t> &b, std::string *err);

}  // namespace vortella
