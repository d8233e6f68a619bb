// The desktop backend of the platform services: a real window on the
// user's display.
#pragma once

#include <string>

#include "platform/platform.h"

namespace vortella {

// Opens the desktop backend. Null with `err` set when no display can be
// opened (the caller reports it and ends with status 1).
services *make_desktop_services(std::string *err);

}  // namespace vortella
