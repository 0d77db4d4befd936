#include "ParseDlg.h"

#include "AccessibleNames.h"
#include "DialogControls.h"
#include "MessageFontTemplate.h"
#include "PathDisplay.h"
#include "PictureWindow.h"
#include "platform.h"
#include "resource.h"

#include <algorithm>
#include <array>
#include <chrono>
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

// The box on screen, its buttons named as it is made: its Help button opens a folder; where it
// offers the picture of a run, its OK button reads Show and its Cancel button, the default one
// that Enter and Escape press, OK.
HHOOK g_boxHook = nullptr;
bool g_boxOffersShow = false;
LRESULT CALLBACK NameBoxButtons(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        const auto box = reinterpret_cast<HWND>(wParam);
        SetDlgItemTextW(box, IDHELP, korvix::wide_from_utf8(runkorvix::kOpenFolderCaption).c_str());
        if (g_boxOffersShow) {
            SetDlgItemTextW(box, IDOK, korvix::wide_from_utf8(runkorvix::kShowCaption).c_str());
            SetDlgItemTextW(box, IDCANCEL, L"OK");
        }
        UnhookWindowsHookEx(g_boxHook);
        g_boxHook = nullptr;
        return 0;
    }
    return CallNextHookEx(g_boxHook, code, wParam, lParam);
}

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
    case WM_HELP:
        // The box's Open folder button; the box stays.
        if (!dialog->m_boxFolder.empty()) {
            ShellExecuteW(window, L"open", wide_from_utf8(dialog->m_boxFolder).c_str(), nullptr,
                          nullptr, SW_SHOWNORMAL);
        }
        return TRUE;
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
        dialog->ShowProgress();
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

LRESULT CALLBACK CParseDlg::OptionKeys(HWND button, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR, DWORD_PTR dialog) {
    const auto arrow = [](WPARAM key) {
        return key == VK_UP || key == VK_DOWN || key == VK_LEFT || key == VK_RIGHT;
    };
    // The option button takes the arrows itself, from the dialog manager, which would move the
    // focus to Run, a member of the options' group in the template.
    if (message == WM_GETDLGCODE && lParam != 0) {
        const auto* key = reinterpret_cast<const MSG*>(lParam);
        if (key->message == WM_KEYDOWN && arrow(key->wParam)) {
            return DefSubclassProc(button, message, wParam, lParam) | DLGC_WANTARROWS;
        }
    }
    if (message == WM_KEYDOWN && arrow(wParam)) {
        reinterpret_cast<CParseDlg*>(dialog)->OnOptionArrow(GetDlgCtrlID(button), wParam);
        return 0;
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(button, OptionKeys, 0);
    }
    return DefSubclassProc(button, message, wParam, lParam);
}

void CParseDlg::OnOptionArrow(int id, WPARAM key) {
    const runkorvix::DialogKey arrow = key == VK_UP      ? runkorvix::DialogKey::Up
                                       : key == VK_LEFT  ? runkorvix::DialogKey::Left
                                       : key == VK_RIGHT ? runkorvix::DialogKey::Right
                                                         : runkorvix::DialogKey::Down;
    if (const std::optional<int> to = m_model.Key(id, arrow)) {
        ShowStates();
        SetFocus(GetDlgItem(m_hWnd, *to));
    }
}

BOOL CParseDlg::OnInitDialog() {
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));
    FitLabels(m_hWnd);
    CreatePathTips();
    NameDialogControls(m_hWnd);
    for (const int id : kOptionIds) {
        SetWindowSubclass(GetDlgItem(m_hWnd, id), OptionKeys, 0, reinterpret_cast<DWORD_PTR>(this));
    }
    SendDlgItemMessageW(m_hWnd, IDC_PROGRESS, PBM_SETRANGE32, 0, 1000);
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
    if (id == IDOK) {
        OnEnter();
        return;
    }
    if (id == IDCANCEL) {
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

void CParseDlg::OnEnter() {
    // The choices are stored first; in a field of the limits Enter confirms its value and the
    // dialog stays.
    const int focused = GetDlgCtrlID(GetFocus());
    if (!m_model.Running()) {
        if (const std::optional<std::string> refused = m_model.Confirm()) {
            ShowMessage(FeedbackIcon::Error, *refused);
            return;
        }
        if (!runkorvix::ParseDlgModel::EnterEnds(focused)) {
            return;
        }
    }
    if (m_model.Close()) {
        EndDialog(m_hWnd, IDOK);
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
        const bool written =
            control.kind == ControlKind::Edit || control.kind == ControlKind::Note ||
            control.kind == ControlKind::WrappedNote || control.kind == ControlKind::Label;
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
    ShowProgress();
}

void CParseDlg::ShowProgress() {
    SendDlgItemMessageW(m_hWnd, IDC_PROGRESS, PBM_SETPOS,
                        static_cast<WPARAM>(m_model.State(IDC_PROGRESS).value), 0);
    for (const int id : {IDC_PROGRESS, IDC_OUTPUT_NOTE}) {
        const HWND item = GetDlgItem(m_hWnd, id);
        const bool shown = m_model.State(id).shown;
        if ((IsWindowVisible(item) != FALSE) != shown) {
            ShowWindow(item, shown ? SW_SHOWNA : SW_HIDE);
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
    std::vector<std::string> paths;
    const UINT count = m_model.Running() ? 0 : DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT index = 0; index < count; ++index) {
        std::wstring path(DragQueryFileW(drop, index, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, index, path.data(), static_cast<UINT>(path.size())));
        paths.push_back(utf8_from_wide(path));
    }
    DragFinish(drop);
    if (m_model.Drop(paths)) {
        ShowStates();
    }
}

void CParseDlg::OnRun() {
    // During a run the button reads Stop; the second click of a double click on Run is not one.
    if (m_model.Stop(std::chrono::milliseconds(GetDoubleClickTime()))) {
        return;
    }
    const HCURSOR normal = SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
    const runkorvix::Feedback feedback =
        m_model.Run([this] { WaitForConverter(); }, [this] { TakeWaitingMessages(); });
    SetCursor(normal);
    ShowStates();
    // After a run that made routes or tracks the box offers their picture.
    const bool picture = m_model.Choices().PictureOfRun().has_value() && !m_model.Leaving();
    if (feedback.icon != FeedbackIcon::None &&
        ShowMessage(feedback.icon, feedback.text, feedback.folder,
                    feedback.icon == FeedbackIcon::Information && picture)) {
        OnShowRun();
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

void CParseDlg::TakeWaitingMessages() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam)); // for the dialog's own loop
            return;
        }
        if (!IsDialogMessageW(m_hWnd, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

std::string CParseDlg::ChooseFile(bool save) {
    // Pairs of a filter's name and its pattern, each ending in a 0, and a 0 after the last.
    std::wstring filters;
    const bool gpx = save && m_model.WritesGpx();
    const runkorvix::FileFilters& table = !save ? runkorvix::kOpenFilters
                                          : gpx ? runkorvix::kSaveGpxFilters
                                                : runkorvix::kSaveGdbFilters;
    for (const runkorvix::FileFilter& filter : table) {
        filters += wide_from_utf8(filter.name) + L'\0' + wide_from_utf8(filter.pattern) + L'\0';
    }
    const std::wstring extension =
        wide_from_utf8(gpx ? runkorvix::kGpxExtension : runkorvix::kDefaultExtension);
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

bool CParseDlg::ShowMessage(FeedbackIcon icon, const std::string& text, const std::string& folder,
                            bool offerShow) {
    const UINT style = icon == FeedbackIcon::Error         ? MB_ICONERROR
                       : icon == FeedbackIcon::Information ? MB_ICONINFORMATION
                                                           : 0;
    // The box's Help button tells the dialog (WM_HELP), which opens the folder in Explorer.
    m_boxFolder = folder;
    g_boxOffersShow = offerShow;
    if (!folder.empty() || offerShow) {
        g_boxHook = SetWindowsHookExW(WH_CBT, NameBoxButtons, nullptr, GetCurrentThreadId());
    }
    const UINT buttons = offerShow ? UINT{MB_OKCANCEL | MB_DEFBUTTON2} : UINT{MB_OK};
    const int chosen = MessageBoxW(m_hWnd, wide_from_utf8(text).c_str(),
                                   wide_from_utf8(runkorvix::kApplication).c_str(),
                                   buttons | style | (folder.empty() ? 0U : UINT{MB_HELP}));
    if (g_boxHook != nullptr) {
        UnhookWindowsHookEx(g_boxHook);
        g_boxHook = nullptr;
    }
    m_boxFolder.clear();
    g_boxOffersShow = false;
    return offerShow && chosen == IDOK;
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
