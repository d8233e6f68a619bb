// Stands in for the system's screen-saver settings page in the Wine test:
// opens a window at the top-left of the screen, starts "SAVER /p <window>"
// to draw its preview inside, keeps the window for SECONDS, then closes it
// and waits for the preview to end. Exit status: the preview's own status,
// 3 when it did not end within 15 seconds of its window closing, 4 when it
// could not be started, 5 when it ended while its window was still open,
// 6 when it made no "VORTELLA" child window in it.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: preview_host SAVER SECONDS\n");
        return 2;
    }
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "PreviewHost";
    RegisterClassA(&wc);
    // A borderless window: its client area is exactly 320 x 240 at (0, 0).
    HWND host = CreateWindowExA(0, "PreviewHost", "preview", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 320, 240,
                                nullptr, nullptr, wc.hInstance, nullptr);
    if (!host) return 4;
    std::string cmd = "\"" + std::string(argv[1]) + "\" /p " + std::to_string(reinterpret_cast<uintptr_t>(host));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 4;
    CloseHandle(pi.hThread);
    const DWORD end = GetTickCount() + DWORD(std::atoi(argv[2])) * 1000;
    bool early = false;
    while (int(GetTickCount() - end) < 0) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) {
            early = true;
            break;
        }
    }
    const bool child = FindWindowExA(host, nullptr, "VORTELLA", nullptr) != nullptr;
    DestroyWindow(host);
    DWORD status = 3;
    if (WaitForSingleObject(pi.hProcess, 15000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &status);
    CloseHandle(pi.hProcess);
    if (early) return 5;
    return child ? int(status) : 6;
}
