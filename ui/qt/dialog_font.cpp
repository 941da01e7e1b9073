#include "dialog_font.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QString>
#include <QStringList>
#include <cmath>

namespace {

QString KoreanFallback() {
    const QStringList families = QFontDatabase::families();
    for (const char* preferred : {"Gulim", "NanumGothic", "Noto Sans CJK KR", "UnDotum"}) {
        if (families.contains(QString::fromLatin1(preferred))) {
            return QString::fromLatin1(preferred);
        }
    }
    const QStringList korean = QFontDatabase::families(QFontDatabase::Korean);
    return korean.isEmpty() ? QString() : korean.first();
}

}  // namespace

QFont TemplateFont(std::string_view family, int points) {
    const QString name = QString::fromUtf8(family.data(), static_cast<qsizetype>(family.size()));
    QFont font;
    if (QFontDatabase::families().contains(name)) {
        font.setFamily(name);
    } else if (const QString fallback = KoreanFallback(); !fallback.isEmpty()) {
        font.setFamily(fallback);
    }
    if (points > 0) {
        font.setPointSize(points);
    }
    return font;
}

DialogUnitScale::DialogUnitScale(const QFont& font) {
    const QFontMetricsF metrics(font);
    // The average over the 52 Latin letters is what the dialog manager calls the average
    // character width, not the font's own avgCharWidth.
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    averageWidth_ = metrics.horizontalAdvance(letters) / 52.0;
    height_ = static_cast<int>(std::ceil(metrics.height()));
}

int DialogUnitScale::X(int units) const {
    return static_cast<int>(std::lround(units * averageWidth_ / 4.0));
}

int DialogUnitScale::Y(int units) const {
    return static_cast<int>(std::lround(units * height_ / 8.0));
}

QRect DialogUnitScale::Rect(const DialogUnits& units) const {
    return {X(units.x), Y(units.y), X(units.cx), Y(units.cy)};
}
