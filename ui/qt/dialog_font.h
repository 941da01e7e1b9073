// The template's font and the dialog units measured in it.
#pragma once

#include <QFont>
#include <QRect>
#include <string_view>

#include "dialog_template.h"

// The named family where it is installed; for a Korean family that is missing (굴림 on
// Linux), NanumGothic or any installed font that writes Korean, so the texts never fall
// back to boxes.
QFont TemplateFont(std::string_view family, int points);

class DialogUnitScale {
  public:
    // Horizontal unit: a quarter of the font's average character width; vertical: an
    // eighth of its height, as the Windows dialog manager measures them.
    explicit DialogUnitScale(const QFont& font);

    int X(int units) const;
    int Y(int units) const;
    QRect Rect(const DialogUnits& units) const;

  private:
    double averageWidth_;
    int height_;
};
