// Global memory blocks: movable heap blocks reached through a handle, locked
// to get their address, and found again from that address. Packed bitmaps
// live in them so that whoever holds the address can free the block.
#pragma once

#include <cstddef>

namespace vortella {

struct gblock;
typedef gblock *HGLOBAL;

constexpr unsigned GMEM_MOVEABLE = 0x0002;
constexpr unsigned GMEM_ZEROINIT = 0x0040;

HGLOBAL GlobalAlloc(unsigned flags, size_t bytes);
// Resizes an unlocked block; the block may move. Returns null on failure and
// leaves the old block intact.
HGLOBAL GlobalReAlloc(HGLOBAL h, size_t bytes, unsigned flags);
void *GlobalLock(HGLOBAL h);
bool GlobalUnlock(HGLOBAL h);
// The handle of the block whose data starts at p, or null when p is not the
// start of a live block.
HGLOBAL GlobalHandle(const void *p);
HGLOBAL GlobalFree(HGLOBAL h);
size_t GlobalSize(HGLOBAL h);

// Number of live blocks, for leak checks in tests.
int GlobalCount();

}  // namespace vortella
