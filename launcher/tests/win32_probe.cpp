// Reads the controls of a running runkorvix.exe for the smoke test of scripts/test-windows, which
// cannot read their state through the X server:
//   runkorvix_probe TITLE [ID...]
// finds the top-level window titled TITLE and prints one line for the window itself (id 0), then
// one line for each control ID:
//   ID CHECKED ENABLED X Y TEXT
// CHECKED is the control's BM_GETCHECK state (0 for controls other than buttons), ENABLED 1 or 0,
// X Y the middle of the control on the screen, TEXT its text in UTF-8. Exits with status 1 when
// no such window is there.
#include <cstdio>
#include <cwchar>
#include <string>
#include <windows.h>

namespace {

LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &result);
    return static_cast<LRESULT>(result);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fputs("usage: runkorvix_probe TITLE [ID...]\n", stderr);
        return 2;
    }
    const HWND window = FindWindowW(nullptr, argv[1]);
    if (window == nullptr) {
        return 1;
    }
    for (int arg = 1; arg < argc; ++arg) {
        const int id = arg == 1 ? 0 : static_cast<int>(std::wcstol(argv[arg], nullptr, 10));
        const HWND control = id == 0 ? window : GetDlgItem(window, id);
        if (control == nullptr) {
            std::printf("%d missing\n", id);
            continue;
        }
        // The text of a control of another process comes only through WM_GETTEXT.
        wchar_t text[1024] = {};
        Ask(control, WM_GETTEXT, sizeof text / sizeof text[0], reinterpret_cast<LPARAM>(text));
        char utf8[4096] = {};
        WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
        RECT rect{};
        GetWindowRect(control, &rect);
        std::printf("%d %d %d %ld %ld %s\n", id, static_cast<int>(Ask(control, BM_GETCHECK, 0, 0)),
                    IsWindowEnabled(control) ? 1 : 0, (rect.left + rect.right) / 2,
                    (rect.top + rect.bottom) / 2, utf8);
    }
    return 0;
}
