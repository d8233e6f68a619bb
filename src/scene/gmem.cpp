#include "scene/gmem.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_map>

namespace vortella {

struct gblock {
    void *data;
    size_t size;
    int locks;
};

namespace {
// Live blocks by data address, so that an address can be turned back into
// its handle without trusting the bytes in front of it.
std::unordered_map<const void *, gblock *> &live() {
    static std::unordered_map<const void *, gblock *> m;
    return m;
}
}  // namespace

HGLOBAL GlobalAlloc(unsigned flags, size_t bytes) {
    void *d = (flags & GMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
    if (!d) return nullptr;
    gblock *h = new (std::nothrow) gblock{d, bytes, 0};
    if (!h) {
        std::free(d);
        return nullptr;
    }
    try {
        live()[d] = h;
    } catch (...) {
        std::free(d);
        delete h;
        return nullptr;
    }
    return h;
}

HGLOBAL GlobalReAlloc(HGLOBAL h, size_t bytes, unsigned flags) {
    if (!h || h->locks) return nullptr;
    void *d = std::realloc(h->data, bytes ? bytes : 1);
    if (!d) return nullptr;
    if ((flags & GMEM_ZEROINIT) && bytes > h->size) std::memset(static_cast<char *>(d) + h->size, 0, bytes - h->size);
    live().erase(h->data);
    h->data = d;
    h->size = bytes;
    live()[d] = h;
    return h;
}

void *GlobalLock(HGLOBAL h) {
    if (!h) return nullptr;
    ++h->locks;
    return h->data;
}

bool GlobalUnlock(HGLOBAL h) {
    if (!h || h->locks == 0) return false;
    return --h->locks > 0;
}

HGLOBAL GlobalHandle(const void *p) {
    auto it = live().find(p);
    return it == live().end() ? nullptr : it->second;
}

HGLOBAL GlobalFree(HGLOBAL h) {
    if (!h) return nullptr;
    live().erase(h->data);
    std::free(h->data);
    delete h;
    return nullptr;
}

size_t GlobalSize(HGLOBAL h) { return h ? h->size : 0; }

int GlobalCount() { return static_cast<int>(live().size()); }

}  // namespace vortella
