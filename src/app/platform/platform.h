// Platform services: what the program needs from the system it runs on,
// behind one interface with several backends. The headless backend records
// everything and is the default, so the core and the tools run anywhere.
#pragma once

#include <string>
#include <vector>

namespace vortella {

// Message box buttons and results.
constexpr unsigned MB_OK = 0x0000;
constexpr int IDOK = 1;

// Thrown by backends whose process exit must not end the caller (tests,
// tools); carries the exit code the program asked for.
struct process_exit {
    int code;
};

struct services {
    virtual ~services() = default;

    // Shows a message box (no owner window) and returns the button pressed.
    virtual int message_box(const char *text, const char *caption, unsigned type) = 0;
    // Ends the process with `code`. Never returns.
    [[noreturn]] virtual void exit_process(int code) = 0;
    // Resets the system palette so the next realised palette is taken afresh.
    virtual void clear_system_palette() = 0;
};

// The headless backend: a record of what the program asked for.
struct headless_services : services {
    struct box {
        std::string text, caption;
        unsigned type;
    };
    std::vector<box> boxes;
    int palette_clears = 0;

    int message_box(const char *text, const char *caption, unsigned type) override;
    // Throws process_exit.
    [[noreturn]] void exit_process(int code) override;
    void clear_system_palette() override;
};

// The backend in use. Starts as a process-wide headless backend.
services *sys();
void set_sys(services *s);

}  // namespace vortella
