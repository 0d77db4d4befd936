#include "ParseDlg.h"

#include "DialogControls.h"
#include "MessageFontTemplate.h"
#include "PathDisplay.h"
#include "PictureWindow.h"
#include "platform.h"
#include "resource.h"

#include <algorithm>
#include <array>
#include <commctrl.h>
#include <commdlg.h>
#include <vector>
#include <windowsx.h>

using korvix::utf8_from_wide;
using korvix::wide_from_utf8;
using runkorvix::FeedbackIcon;

namespace {

// The option buttons by option index.
constexpr std::array<int, runkorvix::kOptionCount> kOptionIds =
    runkorvix::ParseDlgModel::kOptionIds;

// The timer that pumps a run.
constexpr UINT_PTR kPumpTimer = 1;

HICON LoadAppIcon(HINSTANCE instance, int sizeMetric) {
    const int size = GetSystemMetrics(sizeMetric);
    return static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, size, size, 0));
}

// A label keeps its place but grows to the right when the dialog's font writes its text wider
// than the template's font did (the font on hand differs between systems): a cut-off caption
// helps nobody.
void FitLabels(HWND dialog) {
    const HDC dc = GetDC(dialog);
    const HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t kind[8] = {};
        GetClassNameW(child, kind, 8);
        if (lstrcmpiW(kind, L"Static") != 0 ||
            (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_LEFT) {
            continue;
        }
        wchar_t text[256] = {};
        const int length = GetWindowTextW(child, text, 256);
        SIZE needed{};
        RECT rect{};
        GetTextExtentPoint32W(dc, text, length, &needed);
        GetWindowRect(child, &rect);
        if (needed.cx > rect.right - rect.left) {
            SetWindowPos(child, nullptr, 0, 0, needed.cx, rect.bottom - rect.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    SelectObject(dc, previous);
    ReleaseDC(dialog, dc);
}

// Puts `window` in the middle of the window that owns it, within the work area of the owner's
// screen, as a box that belongs to the dialog.
void CentreOnOwner(HWND window) {
    const HWND owner = GetWindow(window, GW_OWNER);
    RECT outer{};
    RECT inner{};
    MONITORINFO screen{};
    screen.cbSize = sizeof screen;
    if (owner == nullptr || !GetWindowRect(owner, &outer) || !GetWindowRect(window, &inner) ||
        !GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &screen)) {
        return;
    }
    const LONG width = inner.right - inner.left;
    const LONG height = inner.bottom - inner.top;
    const RECT& work = screen.rcWork;
    const LONG x = std::clamp((outer.left + outer.right - width) / 2, work.left,
                              std::max(work.left, work.right - width));
    const LONG y = std::clamp((outer.top + outer.bottom - height) / 2, work.top,
                              std::max(work.top, work.bottom - height));
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The full path of the launcher's own executable.
std::string ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (size < path.size()) {
            path.resize(size);
            return utf8_from_wide(path);
        }
        path.resize(path.size() * 2);
    }
}

} // namespace

const std::array<std::pair<int, void (CParseDlg::*)()>, 6> CParseDlg::kButtonHandlers = {{
    {IDC_INPUT_FILE, &CParseDlg::OnInputFile},
    {IDC_OUTPUT_FILE, &CParseDlg::OnOutputFile},
    {IDC_RUN, &CParseDlg::OnRun},
    {IDC_ABOUT, &CParseDlg::OnAbout},
    {IDC_HELP_TEXT, &CParseDlg::OnHelpText},
    {IDC_SHOW_RUN, &CParseDlg::OnShowRun},
}};

CParseDlg::CParseDlg(runkorvix::LauncherSettings& settings, HINSTANCE instance,
                     std::vector<std::string> arguments)
    : m_model(settings), m_instance(instance), m_arguments(std::move(arguments)),
      m_hIcon(LoadAppIcon(instance, SM_CXICON)), m_hSmallIcon(LoadAppIcon(instance, SM_CXSMICON)) {}

CParseDlg::~CParseDlg() {
    DestroyIcon(m_hIcon);
    DestroyIcon(m_hSmallIcon);
}

INT_PTR CParseDlg::DoModal() {
    return DialogBoxInMessageFont(m_instance, IDD_PARSEDLG, kParseDlgControls, nullptr, DialogProc,
                                  reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CParseDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        auto* dialog = reinterpret_cast<CParseDlg*>(lParam);
        dialog->m_hWnd = window;
        return dialog->OnInitDialog();
    }
    auto* dialog = reinterpret_cast<CParseDlg*>(GetWindowLongPtrW(window, DWLP_USER));
    if (dialog == nullptr) {
        return FALSE;
    }
    switch (message) {
    case WM_COMMAND:
        dialog->OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_LBUTTONDOWN:
        // A label lets its clicks through to the dialog.
        return dialog->OnDescriptionClick(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_DROPFILES:
        dialog->OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_TIMER:
        if (wParam != kPumpTimer) {
            return FALSE;
        }
        if (!dialog->m_model.Pump()) {
            dialog->m_waiting = false;
            KillTimer(window, kPumpTimer);
            PostMessageW(window, WM_NULL, 0, 0); // wakes the wait's loop
        }
        return TRUE;
    case WM_SETCURSOR:
        // While the converter runs, the busy cursor that still points everywhere over the
        // dialog: Stop and About take clicks meanwhile.
        if (dialog->m_model.Running()) {
            SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
            SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

BOOL CParseDlg::OnInitDialog() {
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));
    FitLabels(m_hWnd);
    CreatePathTips();
    // The dialog manager creates the controls in template order.
    std::vector<HWND> children;
    for (HWND child = GetWindow(m_hWnd, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    for (std::size_t index = 0; index < kOptionIds.size(); ++index) {
        const int label = runkorvix::ParseDlgModel::kDescriptions[index];
        if (children.size() == std::size(kParseDlgControls)) {
            m_descriptions[index] = children[static_cast<std::size_t>(label)];
        }
    }

    const std::optional<std::string> missing = m_model.Start(ModulePath(), m_arguments);
    ShowStates();
    if (missing) {
        ShowMessage(FeedbackIcon::Error, *missing);
        EndDialog(m_hWnd, IDCANCEL);
        return FALSE;
    }
    DragAcceptFiles(m_hWnd, TRUE);
    return TRUE; // the focus goes to the first tab stop, Input File
}

void CParseDlg::OnCommand(int id, int code) {
    // Enter where no push button has the focus; Escape, or the caption's close box. During a run
    // the run is stopped first, and the dialog ends after it (OnRun).
    if (id == IDOK || id == IDCANCEL) {
        if (m_model.Close()) {
            EndDialog(m_hWnd, id);
        }
        return;
    }
    // A command of a control that the model disabled (a key that reached it during a run) is
    // dropped.
    if (!m_model.State(id).enabled) {
        return;
    }
    if (code == EN_CHANGE) {
        m_model.EditText(id, ItemText(id));
        ShowStates();
        return;
    }
    if (code != BN_CLICKED) {
        return;
    }
    for (const auto& [button, handler] : kButtonHandlers) {
        if (button == id) {
            (this->*handler)();
            return;
        }
    }
    if (m_model.Click(id)) {
        ShowStates();
    }
}

void CParseDlg::OnInputFile() {
    if (m_model.ChooseInput(ChooseFile(false))) {
        ShowStates();
    }
}

void CParseDlg::OnOutputFile() {
    if (m_model.ChooseOutput(ChooseFile(true))) {
        ShowStates();
    }
}

void CParseDlg::ShowStates() {
    for (const ControlTemplate& control : kParseDlgControls) {
        if (control.id == IDC_STATIC) {
            continue;
        }
        const runkorvix::ControlState& state = m_model.State(control.id);
        EnableItem(control.id, state.enabled);
        const bool checkable =
            control.kind == ControlKind::RadioButton || control.kind == ControlKind::CheckBox;
        if (checkable && (IsDlgButtonChecked(m_hWnd, control.id) == BST_CHECKED) != state.checked) {
            CheckDlgButton(m_hWnd, control.id, state.checked ? BST_CHECKED : BST_UNCHECKED);
        }
        const bool written = control.kind == ControlKind::Edit ||
                             control.kind == ControlKind::Note ||
                             control.kind == ControlKind::WrappedNote;
        if (written && ItemText(control.id) != state.text) {
            SetItemText(control.id, state.text);
        }
        // A push button's caption: Run reads Stop during a run.
        const std::string caption = state.text.empty() ? control.caption : state.text;
        if (control.kind == ControlKind::PushButton && ItemText(control.id) != caption) {
            SetItemText(control.id, caption);
        }
        if (control.kind == ControlKind::ReadOnlyEdit && m_shownPaths[control.id] != state.text) {
            m_shownPaths[control.id] = state.text;
            ShowPath(control.id, state.text);
        }
    }
}

void CParseDlg::CreatePathTips() {
    m_pathTips =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, m_instance, nullptr);
    for (const int id : {IDC_INPUT_PATH, IDC_OUTPUT_PATH}) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = m_hWnd;
        tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(m_hWnd, id));
        tool.lpszText = const_cast<wchar_t*>(L""); // no tip until a path is chosen
        SendMessageW(m_pathTips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void CParseDlg::ShowPath(int id, const std::string& path) {
    const HWND field = GetDlgItem(m_hWnd, id);
    RECT room{};
    SendMessageW(field, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&room));
    const HDC dc = GetDC(field);
    const HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(field, WM_GETFONT, 0, 0)));
    // The formatting rectangle is the field's text rectangle.
    const std::string shown =
        runkorvix::ShownPath(path, room.right - room.left, [&](std::string_view text) {
            const std::wstring wide = wide_from_utf8(text);
            SIZE size{};
            GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
            return static_cast<int>(size.cx);
        });
    SelectObject(dc, previous);
    ReleaseDC(field, dc);
    SetItemText(id, shown);

    std::wstring whole = wide_from_utf8(path);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = m_hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(field);
    tool.lpszText = whole.data();
    SendMessageW(m_pathTips, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

bool CParseDlg::OnDescriptionClick(POINT point) {
    for (std::size_t index = 0; index < m_descriptions.size(); ++index) {
        RECT rect{};
        if (m_descriptions[index] == nullptr || !GetWindowRect(m_descriptions[index], &rect)) {
            continue;
        }
        MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        if (PtInRect(&rect, point)) {
            // As a click on the button: it checks itself and tells the dialog.
            SendDlgItemMessageW(m_hWnd, kOptionIds[index], BM_CLICK, 0, 0);
            return true;
        }
    }
    return false;
}

void CParseDlg::OnDropFiles(HDROP drop) {
    std::wstring path;
    if (!m_model.Running() && DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 1) {
        path.resize(DragQueryFileW(drop, 0, nullptr, 0) + 1);
        path.resize(DragQueryFileW(drop, 0, path.data(), static_cast<UINT>(path.size())));
    }
    DragFinish(drop);
    if (!path.empty() && m_model.ChooseInput(utf8_from_wide(path))) {
        ShowStates();
    }
}

void CParseDlg::OnRun() {
    // During a run the button reads Stop.
    if (m_model.Stop()) {
        return;
    }
    const HCURSOR normal = SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
    const runkorvix::Feedback feedback = m_model.Run([this] { WaitForConverter(); });
    SetCursor(normal);
    ShowStates();
    // After a run that made routes or tracks the box offers their picture.
    const bool picture = m_model.Choices().PictureOfRun().has_value() && !m_model.Leaving();
    if (feedback.icon == FeedbackIcon::Information && picture) {
        if (AskToShowPicture(m_hWnd, feedback.text)) {
            OnShowRun();
        }
    } else if (feedback.icon != FeedbackIcon::None) {
        ShowMessage(feedback.icon, feedback.text);
    }
    if (m_model.Leaving()) {
        EndDialog(m_hWnd, IDCANCEL);
    }
}

void CParseDlg::OnShowRun() {
    if (const auto& picture = m_model.Choices().PictureOfRun()) {
        ShowRunPicture(m_instance, m_hWnd, *picture);
    }
}

void CParseDlg::WaitForConverter() {
    // The controls that choose are disabled, so that their clicks and keys are dropped, not kept
    // for after the run; Stop, About, Help and closing the window work. The timer pumps the run
    // in every message loop of the thread, an About box's or a message box's too; this loop
    // dispatches the dialog's messages meanwhile, so that it repaints.
    ShowStates();
    m_waiting = true;
    SetTimer(m_hWnd, kPumpTimer, USER_TIMER_MINIMUM, nullptr);
    MSG message{};
    BOOL got = TRUE;
    while (m_waiting && (got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (!IsDialogMessageW(m_hWnd, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    KillTimer(m_hWnd, kPumpTimer);
    m_waiting = false;
    if (got == 0) {
        // For the dialog's own message loop; the run, left unfinished, is stopped by the core.
        PostQuitMessage(static_cast<int>(message.wParam));
    }
}

std::string CParseDlg::ChooseFile(bool save) {
    // Pairs of a filter's name and its pattern, each ending in a 0, and a 0 after the last.
    std::wstring filters;
    for (const runkorvix::FileFilter& filter : runkorvix::kFileFilters) {
        filters += wide_from_utf8(filter.name) + L'\0' + wide_from_utf8(filter.pattern) + L'\0';
    }
    const std::wstring extension = wide_from_utf8(runkorvix::kDefaultExtension);
    // Both open in the folder of the last file chosen.
    const std::wstring folder = wide_from_utf8(m_model.ChooserFolder());
    std::wstring file(32768, L'\0');
    OPENFILENAMEW chooser{};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = m_hWnd;
    chooser.lpstrFilter = filters.c_str();
    chooser.nFilterIndex = 1;
    chooser.lpstrFile = file.data();
    chooser.nMaxFile = static_cast<DWORD>(file.size());
    chooser.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    // The open chooser takes existing files only; the save chooser adds the extension to a name
    // without one and asks before an existing file is replaced. Neither offers "read-only", nor
    // changes the launcher's current folder.
    chooser.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                    (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
    if (save) {
        chooser.lpstrDefExt = extension.c_str();
    }
    if (!(save ? GetSaveFileNameW(&chooser) : GetOpenFileNameW(&chooser))) {
        return std::string();
    }
    return utf8_from_wide(file.c_str());
}

void CParseDlg::ShowMessage(FeedbackIcon icon, const std::string& text) {
    const UINT style = icon == FeedbackIcon::Error         ? MB_ICONERROR
                       : icon == FeedbackIcon::Information ? MB_ICONINFORMATION
                                                           : 0;
    MessageBoxW(m_hWnd, wide_from_utf8(text).c_str(),
                wide_from_utf8(runkorvix::kApplication).c_str(), MB_OK | style);
}

void CParseDlg::OnAbout() {
    DialogBoxInMessageFont(m_instance, IDD_ABOUTBOX, kAboutDlgControls, m_hWnd, AboutProc, 0);
}

INT_PTR CALLBACK CParseDlg::AboutProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        FitLabels(window);
        CentreOnOwner(window);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(window, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

void CParseDlg::OnHelpText() {
    ShowMessage(FeedbackIcon::Information, runkorvix::kHelpText);
}

std::string CParseDlg::ItemText(int id) const {
    const HWND item = GetDlgItem(m_hWnd, id);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    return utf8_from_wide(text);
}

void CParseDlg::SetItemText(int id, const std::string& text) {
    SetDlgItemTextW(m_hWnd, id, wide_from_utf8(text).c_str());
}

void CParseDlg::EnableItem(int id, bool enable) {
    EnableWindow(GetDlgItem(m_hWnd, id), enable ? TRUE : FALSE);
}
