#include "ui/win32/picker.h"

#include "texts/catalogue.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/pads.h"

#include "platform/win32/win32_api.h"
#include "ui/win32/wide.h"

namespace quarlo::ui::win32 {

namespace {

constexpr wchar_t kClass[] = L"QuarloPicker";
constexpr UINT_PTR kSecond = 1;
constexpr UINT_PTR kFrame = 2;  // the pads, heard between frames
constexpr COLORREF kGround = RGB(0x10, 0x11, 0x14);
constexpr COLORREF kInk = RGB(0xe8, 0xe4, 0xda);
constexpr COLORREF kDim = RGB(0xa9, 0xa3, 0x92);
constexpr COLORREF kMark = RGB(0xd9, 0xb4, 0x5a);

// An RGB screenshot scaled into a box, as the GDI takes it: rows padded to
// four bytes, blue first, top row first.
void drawScreenshot(HDC dc, const saves::Screenshot& shot, int x, int y, int width, int height) {
    const std::size_t stride = (static_cast<std::size_t>(shot.width) * 3 + 3) & ~std::size_t{3};
    std::vector<unsigned char> bgr(stride * shot.height);
    for (std::uint32_t row = 0; row < shot.height; ++row) {
        for (std::uint32_t col = 0; col < shot.width; ++col) {
            const std::size_t from = (static_cast<std::size_t>(row) * shot.width + col) * 3;
            unsigned char* to = &bgr[row * stride + col * 3];
            to[0] = static_cast<unsigned char>(shot.rgb[from + 2]);
            to[1] = static_cast<unsigned char>(shot.rgb[from + 1]);
            to[2] = static_cast<unsigned char>(shot.rgb[from]);
        }
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(shot.width);
    info.bmiHeader.biHeight = -static_cast<LONG>(shot.height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    // Kept to its own shape inside the box.
    const double scale = std::min(static_cast<double>(width) / shot.width,
                                  static_cast<double>(height) / shot.height);
    const int w = static_cast<int>(shot.width * scale);
    const int h = static_cast<int>(shot.height * scale);
    SetStretchBltMode(dc, HALFTONE);
    StretchDIBits(dc, x + (width - w) / 2, y + (height - h) / 2, w, h, 0, 0,
                  static_cast<int>(shot.width), static_cast<int>(shot.height), bgr.data(), &info,
                  DIB_RGB_COLORS, SRCCOPY);
}

// What one full-screen window shows and does with a key.
struct Screen : app::PickerView {
    std::wstring title;
    std::vector<app::CharacterLine> rows;
    std::size_t highlighted = 0;
    std::optional<int> left;
    std::wstring text;  // a failure's lines, instead of rows
    std::wstring footer;
    app::Picker* picker = nullptr;
    std::unique_ptr<platform::Pads> pads;
    bool anyKeyEnds = false;
    bool ended = false;
    HWND window = nullptr;

    void show(const std::vector<app::CharacterLine>& r, std::size_t h,
              std::optional<int> s) override {
        rows = r;
        highlighted = h;
        left = s;
        footer =
            trw("\xE2\x86\x91 \xE2\x86\x93 or the pad: choose  \xC2\xB7  Enter or A: play  "
                "\xC2\xB7  Esc or B: keep the current character");
        if (left) {
            footer += L"      " + toWide(texts::trf("Starting with the current character in {1} s",
                                                    {std::to_string(*left)}));
        }
        if (window != nullptr) {
            InvalidateRect(window, nullptr, TRUE);
        }
    }

    void key(WPARAM vk) {
        if (anyKeyEnds) {
            ended = true;
            return;
        }
        switch (vk) {
            case VK_UP:
                picker->key(app::Picker::Key::up);
                break;
            case VK_DOWN:
                picker->key(app::Picker::Key::down);
                break;
            case VK_RETURN:
                picker->key(app::Picker::Key::enter);
                break;
            case VK_ESCAPE:
                picker->key(app::Picker::Key::escape);
                break;
            default:
                break;
        }
        ended = picker->done();
    }

    void paint(HDC dc, const RECT& all) {
        HBRUSH ground = CreateSolidBrush(kGround);
        FillRect(dc, &all, ground);
        DeleteObject(ground);
        const int line = std::max(18, static_cast<int>(all.bottom - all.top) / 24);
        const auto font = [&](int height, int weight) {
            return CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                               DEFAULT_PITCH | FF_SWISS, L"Segoe UI");
        };
        HFONT big = font(line * 3 / 2, FW_BOLD);
        HFONT normal = font(line, FW_NORMAL);
        HFONT bold = font(line, FW_BOLD);
        HFONT small = font(line * 3 / 4, FW_NORMAL);
        SetBkMode(dc, TRANSPARENT);
        const int margin = line * 3;
        RECT r{all.left + margin, all.top + margin, all.right - margin, all.bottom - margin};
        HGDIOBJ old = SelectObject(dc, big);
        SetTextColor(dc, kInk);
        DrawTextW(dc, title.c_str(), -1, &r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        r.top += line * 5 / 2;
        if (!text.empty()) {
            SelectObject(dc, normal);
            DrawTextW(dc, text.c_str(), -1, &r, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
        }
        // As many rows as fit above the footer, the highlighted one among them.
        const int rowHeight = line * 3 + line / 4;
        const auto fit = static_cast<std::size_t>(
            std::max(1, static_cast<int>(all.bottom - margin - line * 2 - r.top) / rowHeight));
        const std::size_t first = highlighted >= fit ? highlighted - fit + 1 : 0;
        for (std::size_t i = first; i < rows.size() && i < first + fit; ++i) {
            const bool on = i == highlighted;
            RECT row{r.left, r.top, r.right, r.top + line * 3};
            if (on) {
                HBRUSH mark = CreateSolidBrush(kMark);
                FillRect(dc, &row, mark);
                DeleteObject(mark);
            }
            // The newest save's screenshot, in 4:3 at the row's left.
            const int shotHeight = line * 5 / 2;
            const int shotWidth = shotHeight * 4 / 3;
            if (const auto& shot = rows[i].screenshot;
                shot && shot->width > 0 && shot->height > 0) {
                drawScreenshot(dc, *shot, row.left + line / 4, row.top + line / 4, shotWidth,
                               shotHeight);
            }
            RECT inner{row.left + line / 2 + shotWidth, row.top + line, row.right - line / 2,
                       row.bottom};
            SelectObject(dc, bold);
            SetTextColor(dc, on ? kGround : kInk);
            std::wstring name =
                toWide(rows[i].name) + (rows[i].active ? L"  " + trw("(now)") : std::wstring());
            DrawTextW(dc, name.c_str(), -1, &inner, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
            // The facts keep clear of the name, cut with an ellipsis when long.
            RECT measured = inner;
            DrawTextW(dc, name.c_str(), -1, &measured,
                      DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
            RECT factsAt = inner;
            factsAt.left = measured.right + line;
            SelectObject(dc, normal);
            SetTextColor(dc, on ? kGround : kDim);
            const std::wstring facts =
                (rows[i].level.empty()
                     ? trw("no saves yet")
                     : toWide(texts::trf("Level {1} \xC2\xB7 {2} \xC2\xB7 {3}",
                                         {rows[i].level, rows[i].location, rows[i].saved}))) +
                (rows[i].uncarried ? L" \xB7 " + trw(app::text::kNotCarried) : std::wstring());
            DrawTextW(dc, facts.c_str(), -1, &factsAt,
                      DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
            r.top += line * 3 + line / 4;
        }
        SelectObject(dc, small);
        SetTextColor(dc, kInk);
        RECT bottom{r.left, all.bottom - margin - line, r.right, all.bottom - margin};
        DrawTextW(dc, footer.c_str(), -1, &bottom, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, old);
        for (HFONT f : {big, normal, bold, small}) {
            DeleteObject(f);
        }
    }
};

LRESULT CALLBACK screenProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* screen = reinterpret_cast<Screen*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_NCCREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(l);
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            break;
        }
        case WM_KEYDOWN:
            if (screen != nullptr) {
                screen->key(w);
            }
            return 0;
        case WM_TIMER:
            if (screen != nullptr && screen->picker != nullptr && w == kFrame && screen->pads) {
                for (const platform::PadPress press :
                     screen->pads->poll(static_cast<std::int64_t>(GetTickCount64()))) {
                    screen->picker->pad(press);
                }
                screen->ended = screen->picker->done();
            } else if (screen != nullptr && screen->picker != nullptr && w == kSecond) {
                screen->picker->tick();
                screen->ended = screen->picker->done();
            }
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            RECT all;
            GetClientRect(window, &all);
            if (screen != nullptr) {
                screen->paint(dc, all);
            }
            EndPaint(window, &ps);
            return 0;
        }
        case WM_CLOSE:
            if (screen != nullptr) {
                screen->ended = true;
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, w, l);
}

// One full-screen window over the whole primary monitor, until `screen`
// says it has ended.
void runScreen(Screen& screen, bool ticking) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = screenProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kClass;
    RegisterClassExW(&wc);  // again on a second screen: already there
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    screen.window = CreateWindowExW(WS_EX_TOPMOST, kClass, L"Quarlo", WS_POPUP | WS_VISIBLE, 0, 0,
                                    width, height, nullptr, nullptr, instance, &screen);
    if (screen.window == nullptr) {
        return;
    }
    SetForegroundWindow(screen.window);
    SetFocus(screen.window);
    if (ticking) {
        SetTimer(screen.window, kSecond, 1000, nullptr);
    }
    if (screen.pads) {
        SetTimer(screen.window, kFrame, 16, nullptr);
    }
    MSG message;
    while (!screen.ended && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DestroyWindow(screen.window);
}

}  // namespace

void Win32Screens::pick(app::Picker& picker) {
    Screen screen;
    screen.title = trw("Play as");
    screen.picker = &picker;
    screen.pads = platform::openPads();
    picker.start(screen);
    if (picker.done()) {
        return;
    }
    runScreen(screen, true);
}

void Win32Screens::showFailure(const std::string& text) {
    Screen screen;
    const std::wstring all = toWide(text);
    const std::size_t cut = all.find(L'\n');
    screen.title = all.substr(0, cut);
    screen.text = cut == std::wstring::npos ? std::wstring() : all.substr(cut + 1);
    screen.footer = trw("Press any key.");
    screen.anyKeyEnds = true;
    runScreen(screen, false);
}

}  // namespace quarlo::ui::win32
