// VORTELLA.SCR: the saver as a Windows screen saver. "/s", "-s", "/S" or
// "-S" runs it full screen, "/p <window>" draws the small preview inside
// the window the system's settings page gives, anything else opens the
// playlist dialog. A fresh installation gets a settings file whose
// playlist plays the built-in demo scenes.
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/app.h"
#include "platform/win32/win32.h"
#include "authoring/demos.h"

int WINAPI WinMain(::HINSTANCE inst, ::HINSTANCE, ::LPSTR cmdline, int show) {
    using namespace vortella;
    // Screen pixels are real pixels, so the picture is copied 1:1 onto them
    // rather than stretched by the system on a scaled display.
    ::SetProcessDPIAware();
    static win32::win32_services services(inst);
    set_sys(&services);

    // A hidden hook for tests: the dialogs are answered from a script.
    char script[4096];
    ::DWORD n = ::GetEnvironmentVariableA("VORTELLA_DIALOG_SCRIPT", script, sizeof script);
    if (n > 0 && n < sizeof script) {
        std::vector<win32::script_action> actions;
        std::string err;
        if (!win32::parse_dialog_script(script, actions, &err)) {
            services.message_box(("VORTELLA_DIALOG_SCRIPT: " + err).c_str(), "Vortella", MB_ICONSTOP);
            return 2;
        }
        services.set_dialog_script(std::move(actions));
    }

    install_demos();
    write_first_ini();

    const char *line = cmdline ? cmdline : "";
    uintptr_t parent = 0;
    if (preview_command(line, &parent)) {
        // No window, or one that is gone already: nothing to draw into.
        ::HWND p = reinterpret_cast<::HWND>(parent);
        if (!parent || !::IsWindow(p)) return 0;
        services.set_preview_parent(p);
        return vortella::WinMain("/S", SW_SHOWNORMAL);
    }
    // In the configuration role the window closes on its next message once
    // the dialog is done: it is never shown.
    services.set_windows_hidden(!saver_command(line));
    return vortella::WinMain(line, show);
}
