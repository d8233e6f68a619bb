#include "app/platform/platform.h"

namespace vortella {

int headless_services::message_box(const char *text, const char *caption, unsigned type) {
    boxes.push_back({text ? text : "", caption ? caption : "", type});
    return IDOK;
}

void headless_services::exit_process(int code) { throw process_exit{code}; }

void headless_services::clear_system_palette() { ++palette_clears; }

namespace {
headless_services default_services;
services *current = &default_services;
}  // namespace

services *sys() { return current; }

void set_sys(services *s) { current = s ? s : &default_services; }

}  // namespace vortella
