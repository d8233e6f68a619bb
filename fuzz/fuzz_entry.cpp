// Entry-parameter text: the input is one playlist entry's parameter text.
// Parsing leaves every parameter an int; clamping brings each into its
// range; the text of any parameters parses back to the same parameters.
#include <cstdint>
#include <string>

#include "app/app.h"
#include "fuzzutil.h"

using namespace vortella;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // The settings file hands over at most entry_size - 1 characters.
    const std::string text(reinterpret_cast<const char *>(data), size);

    default_entry();
    parse_entry(text);
    int parsed[13];
    for (int i = 0; i < 13; ++i) parsed[i] = *entry_params[i].value;

    // Whatever was parsed, even out of range, survives a round trip.
    const std::string out = format_entry();
    default_entry();
    parse_entry(out);
    for (int i = 0; i < 13; ++i) VT_FUZZ_CHECK(*entry_params[i].value == parsed[i]);

    clamp_entry();
    for (const entry_param &p : entry_params) VT_FUZZ_CHECK(*p.value >= p.lo && *p.value <= p.hi);
    clamp_entry();   // clamping twice changes nothing
    const std::string clamped = format_entry();
    parse_entry(clamped);
    VT_FUZZ_CHECK(format_entry() == clamped);
    return 0;
}
