// The halftone palette: the 216 colours of the 6 x 6 x 6 cube at the entries
// the renderer's translation table expects, and a grey ramp in the entries
// the table never names.
#include "platform/palette.h"

namespace vortella {

void create_halftone_palette() {
    // Entries the cube never uses (1..28 and 233..248): 44 greys between
    // black and white, in entry order.
    int grey = 0;
    for (int i = 0; i < 256; ++i) {
        if ((i >= 1 && i <= 28) || (i >= 233 && i <= 248)) {
            ++grey;
            uint8_t v = uint8_t(grey * 255 / 45);
            peEntry[i] = {v, v, v, 0};
        } else {
            peEntry[i] = {0, 0, 0, 0};
        }
    }
    for (int b = 0; b < 6; ++b)
        for (int g = 0; g < 6; ++g)
            for (int r = 0; r < 6; ++r)
                peEntry[aWinGHalftoneTranslation[r + 6 * g + 36 * b]] =
                    {uint8_t(51 * r), uint8_t(51 * g), uint8_t(51 * b), 0};
    // Entries 250 and 252 each serve three cube colours: a full primary
    // (green, blue) and its two neighbours one level toward the other
    // primaries. They show the primary itself: within one level of both
    // neighbours, and a colour whose channels are exact levels dithers back
    // to its own entry, so reading a stored pixel back and writing it
    // unchanged leaves it as it was.
    peEntry[250] = {0, 255, 0, 0};
    peEntry[252] = {0, 0, 255, 0};
}

}  // namespace vortella
