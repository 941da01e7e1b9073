#include "chart_window.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "chart_scene.h"
#include "wide_text_win32.h"

namespace {

COLORREF ToColorRef(ChartColor c, double opacity = 1) {
    // Bands are laid on white: blending with white gives the shade without an alpha channel.
    auto blend = [opacity](std::uint8_t value) {
        return static_cast<BYTE>(value * opacity + 255 * (1 - opacity) + 0.5);
    };
    return RGB(blend(c.r), blend(c.g), blend(c.b));
}

HFONT LabelFont(HWND window, int pixels) {
    LOGFONTW face{};
    if (HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0))) {
        GetObjectW(dialogFont, sizeof face, &face);
    } else {
        wcscpy_s(face.lfFaceName, L"Malgun Gothic");
        face.lfCharSet = HANGUL_CHARSET;
    }
    face.lfHeight = -pixels;
    face.lfWidth = 0;
    face.lfWeight = FW_NORMAL;
    face.lfQuality = CLEARTYPE_QUALITY;
    return CreateFontIndirectW(&face);
}

void DrawScene(HDC dc, HWND window, const ChartScene& scene) {
    for (const SceneRect& rect : scene.rects) {
        const RECT area{static_cast<LONG>(rect.x), static_cast<LONG>(rect.y),
                        static_cast<LONG>(rect.x + rect.width + 0.5),
                        static_cast<LONG>(rect.y + rect.height + 0.5)};
        HBRUSH brush = CreateSolidBrush(ToColorRef(rect.fill, rect.opacity));
        FillRect(dc, &area, brush);
        DeleteObject(brush);
    }
    for (const SceneLine& line : scene.lines) {
        // A dashed GDI pen is one pixel wide; the end marker needs no more.
        HPEN pen = CreatePen(line.dashed ? PS_DASH : PS_SOLID,
                             line.dashed ? 1 : std::max(1, static_cast<int>(line.width + 0.5)),
                             ToColorRef(line.color));
        HGDIOBJ previous = SelectObject(dc, pen);
        std::vector<POINT> points;
        for (const ChartPoint& p : line.points) {
            points.push_back({static_cast<LONG>(p.x + 0.5), static_cast<LONG>(p.y + 0.5)});
        }
        Polyline(dc, points.data(), static_cast<int>(points.size()));
        SelectObject(dc, previous);
        DeleteObject(pen);
    }
    SetBkMode(dc, TRANSPARENT);
    for (const SceneText& text : scene.texts) {
        HFONT font = LabelFont(window, static_cast<int>(text.size + 0.5));
        HGDIOBJ previous = SelectObject(dc, font);
        SetTextColor(dc, ToColorRef(text.color));
        std::wstring wide = Utf8ToWide(text.text);
        SIZE extent{};
        GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &extent);
        double left = text.x;
        if (text.anchor == TextAnchor::Middle) {
            left -= extent.cx / 2.0;
        } else if (text.anchor == TextAnchor::End) {
            left -= extent.cx;
        }
        RECT area{static_cast<LONG>(left), static_cast<LONG>(text.y - extent.cy),
                  static_cast<LONG>(left) + extent.cx + 1, static_cast<LONG>(text.y + extent.cy)};
        DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &area,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
        SelectObject(dc, previous);
        DeleteObject(font);
    }
}

void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC screen = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width > 0 && height > 0) {
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        FillRect(memory, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        const auto* chart =
            reinterpret_cast<const ChartDescription*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (chart != nullptr) {
            // The labels follow the dialog's font size, so they stay readable at any DPI.
            LOGFONTW face{};
            int textSize = 12;
            if (HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
                font != nullptr && GetObjectW(font, sizeof face, &face) != 0) {
                textSize = std::max(11, std::abs(static_cast<int>(face.lfHeight)));
            }
            DrawScene(memory, window, LayOutChart(*chart, width, height, textSize));
        }
        BitBlt(screen, 0, 0, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        DeleteObject(bitmap);
        DeleteDC(memory);
    }
    EndPaint(window, &paint);
}

LRESULT CALLBACK ChartProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // the paint covers every pixel
        case WM_PAINT:
            Paint(window);
            return 0;
        case WM_SETFONT:
            SetPropW(window, L"StrandexChartFont", reinterpret_cast<HANDLE>(wParam));
            if (LOWORD(lParam) != 0) {
                InvalidateRect(window, nullptr, FALSE);
            }
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(GetPropW(window, L"StrandexChartFont"));
        case WM_NCDESTROY:
            RemovePropW(window, L"StrandexChartFont");
            delete reinterpret_cast<ChartDescription*>(SetWindowLongPtrW(window, GWLP_USERDATA, 0));
            break;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool RegisterChartWindowClass(HINSTANCE module) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(module, kChartWindowClass, &existing) != FALSE) {
        return true;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = ChartProc;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.lpszClassName = kChartWindowClass;
    return RegisterClassExW(&windowClass) != 0;
}

void SetChartWindowContent(HWND chart, const ChartDescription& description) {
    auto copy = std::make_unique<ChartDescription>(description);
    delete reinterpret_cast<ChartDescription*>(
        SetWindowLongPtrW(chart, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(copy.release())));
    InvalidateRect(chart, nullptr, FALSE);
}
