#include "PictureWindow.h"

#include "LauncherOptions.h"
#include "PictureView.h"
#include "platform.h"

#include <commctrl.h>
#include <memory>
#include <optional>
#include <windowsx.h>

using korvix::wide_from_utf8;

namespace {

constexpr wchar_t kClassName[] = L"RunKorvixPicture";
constexpr int kListId = 100;
constexpr int kListWidth = 320; // pixels at 96 dots an inch
const COLORREF kInputColour = RGB(70, 110, 200);
const COLORREF kMadeColour = RGB(210, 40, 40);
const COLORREF kMarkColour = RGB(20, 20, 20);

// The window's state: the picture, the view of it, the list beside it.
struct PictureState {
    runkorvix::RunPicture picture;
    runkorvix::PictureView view;
    HWND list = nullptr;
    RECT canvas{};
    POINT dragFrom{};
    bool dragging = false;
    explicit PictureState(runkorvix::RunPicture made) : picture(std::move(made)), view(picture) {}
};

// The dots an inch of the screen of `window`: the system's own, for a process that knows it.
UINT DotsPerInch(HWND window) {
    const HDC dc = GetDC(window);
    const int dots = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(window, dc);
    return dots > 0 ? static_cast<UINT>(dots) : 96;
}

std::optional<runkorvix::PictureKey> KeyOf(WPARAM key) {
    switch (key) {
    case VK_ADD:
    case VK_OEM_PLUS:
        return runkorvix::PictureKey::ZoomIn;
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
        return runkorvix::PictureKey::ZoomOut;
    case VK_LEFT:
        return runkorvix::PictureKey::Left;
    case VK_RIGHT:
        return runkorvix::PictureKey::Right;
    case VK_UP:
        return runkorvix::PictureKey::Up;
    case VK_DOWN:
        return runkorvix::PictureKey::Down;
    case VK_HOME:
        return runkorvix::PictureKey::Whole;
    default:
        return std::nullopt;
    }
}

void DrawLines(HDC dc, const runkorvix::PictureView& view) {
    const std::optional<std::size_t> selected = view.Selected();
    const HPEN pens[2][2] = {
        {CreatePen(PS_SOLID, 1, kInputColour), CreatePen(PS_SOLID, 3, kInputColour)},
        {CreatePen(PS_SOLID, 1, kMadeColour), CreatePen(PS_SOLID, 3, kMadeColour)}};
    const HGDIOBJ previous = SelectObject(dc, pens[0][0]);
    std::vector<POINT> points;
    for (const runkorvix::DrawnLine& line : view.Lines()) {
        SelectObject(dc, pens[line.made ? 1 : 0][selected && *selected == line.row ? 1 : 0]);
        points.clear();
        for (const runkorvix::Pixel& pixel : line.points) {
            points.push_back({pixel.x, pixel.y});
        }
        Polyline(dc, points.data(), static_cast<int>(points.size()));
    }
    SelectObject(dc, previous);
    for (const auto& kind : pens) {
        DeleteObject(kind[0]);
        DeleteObject(kind[1]);
    }
}

void DrawMarksAndScale(HDC dc, const runkorvix::PictureView& view, int height) {
    const HPEN pen = CreatePen(PS_SOLID, 2, kMarkColour);
    const HBRUSH fill = CreateSolidBrush(RGB(255, 230, 0));
    const HGDIOBJ previousPen = SelectObject(dc, pen);
    const HGDIOBJ previousBrush = SelectObject(dc, fill);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kMarkColour);
    for (const runkorvix::DrawnMark& mark : view.Marks()) {
        Ellipse(dc, mark.at.x - 4, mark.at.y - 4, mark.at.x + 5, mark.at.y + 5);
        const std::wstring label = wide_from_utf8(mark.label);
        TextOutW(dc, mark.at.x + 6, mark.at.y - 18, label.c_str(), static_cast<int>(label.size()));
    }
    const runkorvix::ScaleBar bar = view.Scale();
    const int left = 12;
    const int base = height - 12;
    MoveToEx(dc, left, base - 5, nullptr);
    LineTo(dc, left, base);
    LineTo(dc, left + bar.pixels, base);
    LineTo(dc, left + bar.pixels, base - 5);
    const std::wstring label = wide_from_utf8(bar.label);
    TextOutW(dc, left, base - 22, label.c_str(), static_cast<int>(label.size()));
    SelectObject(dc, previousPen);
    SelectObject(dc, previousBrush);
    DeleteObject(pen);
    DeleteObject(fill);
}

// Drawn into a bitmap first and then shown at once, so that the picture does not flicker.
void Paint(HWND window, PictureState& state) {
    PAINTSTRUCT paint{};
    const HDC screen = BeginPaint(window, &paint);
    const int width = state.canvas.right;
    const int height = state.canvas.bottom;
    const HDC dc = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    FillRect(dc, &state.canvas, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawLines(dc, state.view);
    DrawMarksAndScale(dc, state.view, height);
    BitBlt(screen, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    EndPaint(window, &paint);
}

void AddColumn(HWND list, int index, const wchar_t* title, int width) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(title);
    column.cx = width;
    ListView_InsertColumn(list, index, &column);
}

void SetCell(HWND list, int row, int column, const std::string& text) {
    std::wstring wide = wide_from_utf8(text);
    if (column == 0) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = wide.data();
        ListView_InsertItem(list, &item);
    } else {
        ListView_SetItemText(list, row, column, wide.data());
    }
}

void FillList(PictureState& state, HWND window, HINSTANCE instance) {
    const UINT dpi = DotsPerInch(window);
    state.list = CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0,
        0, 0, window, reinterpret_cast<HMENU>(kListId), instance, nullptr);
    ListView_SetExtendedListViewStyle(state.list, LVS_EX_FULLROWSELECT);
    SendMessageW(state.list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 TRUE);
    const bool tracks = state.picture.tracksToRoutes;
    AddColumn(state.list, 0, tracks ? L"Track" : L"Route", MulDiv(130, static_cast<int>(dpi), 96));
    AddColumn(state.list, 1, L"Points", MulDiv(110, static_cast<int>(dpi), 96));
    AddColumn(state.list, 2, L"Farthest", MulDiv(75, static_cast<int>(dpi), 96));
    for (std::size_t index = 0; index < state.picture.rows.size(); ++index) {
        const runkorvix::PictureRow& row = state.picture.rows[index];
        const int at = static_cast<int>(index);
        SetCell(state.list, at, 0, row.name);
        SetCell(state.list, at, 1, runkorvix::RowPointsText(row, tracks));
        SetCell(state.list, at, 2, runkorvix::RowFateText(row));
    }
}

void Layout(HWND window, PictureState& state) {
    RECT client{};
    GetClientRect(window, &client);
    const int list = MulDiv(kListWidth, static_cast<int>(DotsPerInch(window)), 96);
    const int canvas = std::max(1, static_cast<int>(client.right) - list);
    state.canvas = {0, 0, canvas, std::max(1, static_cast<int>(client.bottom))};
    MoveWindow(state.list, canvas, 0, client.right - canvas, client.bottom, TRUE);
    state.view.Resize(canvas, state.canvas.bottom);
    InvalidateRect(window, &state.canvas, FALSE);
}

bool OnKey(HWND window, PictureState& state, WPARAM key) {
    const std::optional<runkorvix::PictureKey> picture = KeyOf(key);
    if (!picture || !state.view.Key(*picture)) {
        return false;
    }
    InvalidateRect(window, &state.canvas, FALSE);
    return true;
}

LRESULT OnMouse(HWND window, PictureState& state, UINT message, LPARAM lParam) {
    const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (message == WM_LBUTTONDOWN) {
        SetFocus(window);
        SetCapture(window);
        state.dragging = true;
    } else if (message == WM_LBUTTONUP) {
        ReleaseCapture();
        state.dragging = false;
    } else if (state.dragging) {
        state.view.Drag(at.x - state.dragFrom.x, at.y - state.dragFrom.y);
        InvalidateRect(window, &state.canvas, FALSE);
    }
    state.dragFrom = at;
    return 0;
}

LRESULT CALLBACK PictureProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<PictureState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    if (state == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    switch (message) {
    case WM_SIZE:
        Layout(window, *state);
        return 0;
    case WM_PAINT:
        Paint(window, *state);
        return 0;
    case WM_ERASEBKGND:
        return 1; // the picture covers it
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            DestroyWindow(window);
            return 0;
        }
        if (OnKey(window, *state, wParam)) {
            return 0;
        }
        break;
    case WM_MOUSEWHEEL: {
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ScreenToClient(window, &at);
        state->view.Wheel(GET_WHEEL_DELTA_WPARAM(wParam) / double(WHEEL_DELTA), {at.x, at.y});
        InvalidateRect(window, &state->canvas, FALSE);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
        return OnMouse(window, *state, message, lParam);
    case WM_NOTIFY: {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
        if (change->hdr.idFrom == kListId && change->hdr.code == LVN_ITEMCHANGED &&
            (change->uNewState & LVIS_SELECTED) != 0 && change->iItem >= 0) {
            state->view.ShowRow(static_cast<std::size_t>(change->iItem));
            InvalidateRect(window, &state->canvas, FALSE);
        }
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterPictureClass(HINSTANCE instance) {
    WNDCLASSEXW kind{};
    kind.cbSize = sizeof kind;
    kind.lpfnWndProc = PictureProc;
    kind.hInstance = instance;
    kind.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    kind.lpszClassName = kClassName;
    RegisterClassExW(&kind); // fails harmlessly when the class is there from an earlier picture
}

// Runs the window's messages until it is closed; +, - and Home reach the picture also while the
// list has the focus (the arrows move in the list there).
void RunModal(HWND window, HWND owner, PictureState& state) {
    EnableWindow(owner, FALSE);
    MSG message{};
    while (IsWindow(window) && GetMessageW(&message, nullptr, 0, 0) > 0) {
        const bool pictureKey = message.message == WM_KEYDOWN && message.hwnd == state.list &&
                                message.wParam != VK_UP && message.wParam != VK_DOWN &&
                                message.wParam != VK_LEFT && message.wParam != VK_RIGHT;
        if (pictureKey && OnKey(window, state, message.wParam)) {
            continue;
        }
        if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
            DestroyWindow(window);
            continue;
        }
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
    if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam)); // for the dialog's own loop
    }
}

} // namespace

void ShowRunPicture(HINSTANCE instance, HWND owner, const runkorvix::PictureRun& run) {
    const HCURSOR normal = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    std::optional<runkorvix::RunPicture> picture = runkorvix::BuildRunPicture(run);
    SetCursor(normal);
    const std::wstring application = wide_from_utf8(runkorvix::kApplication);
    if (!picture) {
        MessageBoxW(owner, wide_from_utf8(runkorvix::kNoPictureText).c_str(), application.c_str(),
                    MB_OK | MB_ICONWARNING);
        return;
    }
    RegisterPictureClass(instance);
    PictureState state(std::move(*picture));
    const UINT dpi = DotsPerInch(owner);
    const std::wstring title = application + L" - what the run did";
    const HWND window =
        CreateWindowExW(0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                        CW_USEDEFAULT, CW_USEDEFAULT, MulDiv(960, static_cast<int>(dpi), 96),
                        MulDiv(640, static_cast<int>(dpi), 96), owner, nullptr, instance, &state);
    if (window == nullptr) {
        return;
    }
    FillList(state, window, instance);
    Layout(window, state);
    ShowWindow(window, SW_SHOW);
    RunModal(window, owner, state);
}
