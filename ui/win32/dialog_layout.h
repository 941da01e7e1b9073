// The dialog manager lays a dialog out once, from the template's font at the DPI the
// window is created at. This lays it out for any DPI, alike at every one.
#pragma once

#include <windows.h>

#include "dialog_template.h"

// A font the host made and deletes.
class OwnedFont {
  public:
    OwnedFont() = default;
    explicit OwnedFont(HFONT font) : font_(font) {}
    ~OwnedFont();
    OwnedFont(OwnedFont&& other) noexcept;
    OwnedFont& operator=(OwnedFont&& other) noexcept;
    OwnedFont(const OwnedFont&) = delete;
    OwnedFont& operator=(const OwnedFont&) = delete;

    HFONT Get() const { return font_; }

  private:
    HFONT font_ = nullptr;
};

// Pixels per 4 horizontal and per 8 vertical dialog units.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};

// The template's font in points at dpi, otherwise as the dialog manager made model (face,
// weight, character set, quality).
OwnedFont TemplateFontAtDpi(HFONT model, int points, UINT dpi);

// What the dialog manager derives from a font: the average width of the Latin letters
// and the height of a line.
DialogBaseUnits BaseUnitsOf(HFONT font);

// Dialog units to pixels at a DPI: the base units of the template's font at 96 DPI, scaled
// by dpi / 96. A font's Latin letters do not grow in step with its size (at small sizes
// they are rounded up to whole pixels), but the Hangul texts do: base units taken from
// the font at the higher DPI would crop texts that fit at 96 DPI. Scaled, the dialog is
// the one laid out at 96 DPI, only larger and drawn sharp.
struct DialogScale {
    DialogBaseUnits at96Dpi;
    UINT dpi = USER_DEFAULT_SCREEN_DPI;
};

// A control's place in pixels; the dialog manager maps position and size separately.
RECT ToPixels(const DialogUnits& units, DialogScale scale);

SIZE ClientSizeInPixels(const DialogTemplate& dialog, DialogScale scale);
