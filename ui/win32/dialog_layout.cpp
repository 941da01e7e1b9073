#include "dialog_layout.h"

#include <utility>

OwnedFont::~OwnedFont() {
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
}

OwnedFont::OwnedFont(OwnedFont&& other) noexcept : font_(std::exchange(other.font_, nullptr)) {}

OwnedFont& OwnedFont::operator=(OwnedFont&& other) noexcept {
    if (this != &other) {
        if (font_ != nullptr) {
            DeleteObject(font_);
        }
        font_ = std::exchange(other.font_, nullptr);
    }
    return *this;
}

OwnedFont TemplateFontAtDpi(HFONT model, int points, UINT dpi) {
    LOGFONTW font{};
    if (model == nullptr || GetObjectW(model, sizeof(font), &font) != sizeof(font)) {
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    }
    font.lfHeight = -MulDiv(points, static_cast<int>(dpi), 72);
    font.lfWidth = 0;
    return OwnedFont(CreateFontIndirectW(&font));
}

DialogBaseUnits BaseUnitsOf(HFONT font) {
    static constexpr wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, font);
    TEXTMETRICW metrics{};
    SIZE letters{};
    GetTextMetricsW(screen, &metrics);
    GetTextExtentPoint32W(screen, kLetters, 52, &letters);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    // Rounded as the dialog manager rounds it (GdiGetCharDimensions).
    return {(letters.cx / 26 + 1) / 2, static_cast<int>(metrics.tmHeight)};
}

namespace {

int Horizontal(int units, DialogScale scale) {
    return MulDiv(units, scale.at96Dpi.x * static_cast<int>(scale.dpi),
                  4 * USER_DEFAULT_SCREEN_DPI);
}

int Vertical(int units, DialogScale scale) {
    return MulDiv(units, scale.at96Dpi.y * static_cast<int>(scale.dpi),
                  8 * USER_DEFAULT_SCREEN_DPI);
}

}  // namespace

RECT ToPixels(const DialogUnits& units, DialogScale scale) {
    const int x = Horizontal(units.x, scale);
    const int y = Vertical(units.y, scale);
    return {x, y, x + Horizontal(units.cx, scale), y + Vertical(units.cy, scale)};
}

SIZE ClientSizeInPixels(const DialogTemplate& dialog, DialogScale scale) {
    return {Horizontal(dialog.cx, scale), Vertical(dialog.cy, scale)};
}
