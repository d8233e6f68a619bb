// Paged arrays: a three-level tree of 32-slot blocks. Element i lives at top
// slot i >> 10, middle slot (i >> 5) & 31 and leaf slot i & 31, so a table
// holds at most 32768 elements. Blocks are made on first use, cleared.
//
// The top and middle blocks are `vas` (32 untyped pointers); a leaf block is
// one of the `*_a` structs, whose member `p` is the array of 32 slots.
#pragma once

#include <type_traits>

namespace vortella {

constexpr int vas_max = 32768;

struct vas {
    void *p[32];
};

inline bool vas_index_ok(int i) { return i >= 0 && i < vas_max; }

// The leaf block holding element i, or null when it does not exist.
template <class Leaf>
Leaf *vleaf(const vas *top, int i) {
    if (!top || !vas_index_ok(i)) return nullptr;
    const vas *mid = static_cast<const vas *>(top->p[i >> 10]);
    if (!mid) return nullptr;
    return static_cast<Leaf *>(mid->p[(i >> 5) & 31]);
}

// The leaf block holding element i, made (with its middle block) if missing.
// Throws std::bad_alloc when memory runs out.
template <class Leaf>
Leaf *vleafc(vas *top, int i) {
    vas *&mid = reinterpret_cast<vas *&>(top->p[i >> 10]);
    if (!mid) mid = new vas();
    void *&leaf = mid->p[(i >> 5) & 31];
    if (!leaf) leaf = new Leaf();
    return static_cast<Leaf *>(leaf);
}

// Element i, or a zero value when its block does not exist.
template <class Leaf>
auto vget(const vas *top, int i) -> std::remove_reference_t<decltype(Leaf().p[0])> {
    const Leaf *l = vleaf<Leaf>(top, i);
    return l ? l->p[i & 31] : std::remove_reference_t<decltype(Leaf().p[0])>{};
}

// The slot of element i, making its blocks as needed.
template <class Leaf>
auto &vslot(vas *top, int i) {
    return vleafc<Leaf>(top, i)->p[i & 31];
}

// Frees every leaf and middle block under `top` and clears its slots. When
// `elements` is set, the records the leaf slots point to are deleted first.
template <class Leaf>
void vclear(vas *top, bool elements) {
    if (!top) return;
    for (void *&m : top->p) {
        vas *mid = static_cast<vas *>(m);
        if (!mid) continue;
        for (void *&l : mid->p) {
            Leaf *leaf = static_cast<Leaf *>(l);
            if (!leaf) continue;
            if constexpr (!std::is_arithmetic_v<std::remove_reference_t<decltype(leaf->p[0])>>) {
                if (elements)
                    for (auto *e : leaf->p) delete e;
            }
            delete leaf;
            l = nullptr;
        }
        delete mid;
        m = nullptr;
    }
}

// Frees a whole heap-allocated table: its blocks, then the top block.
template <class Leaf>
void vdelete(vas *&top, bool elements) {
    if (!top) return;
    vclear<Leaf>(top, elements);
    delete top;
    top = nullptr;
}

}  // namespace vortella
