#include "platform/qt/qt_canvas_font.h"

#include <QFontDatabase>
#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace plat::qt {

QStringList CandidateFamilies(const QString& face) {
    QStringList families{face};
    if (face == QStringLiteral("微软雅黑") || face.compare(QStringLiteral("Microsoft YaHei"), Qt::CaseInsensitive) == 0) {
        // Noto Sans CJK SC is a clean sans-serif with full GB coverage, the
        // closest widely packaged relative of the requested face.
        families << QStringLiteral("Microsoft YaHei") << QStringLiteral("Noto Sans CJK SC")
                 << QStringLiteral("WenQuanYi Zen Hei") << QStringLiteral("WenQuanYi Micro Hei")
                 << QStringLiteral("Droid Sans Fallback");
    } else if (face.compare(QStringLiteral("Georgia"), Qt::CaseInsensitive) == 0) {
        // DejaVu Serif: a serif with large x-height like Georgia's, installed
        // almost everywhere; the width setting brings its wide letters to size.
        families << QStringLiteral("DejaVu Serif") << QStringLiteral("Liberation Serif")
                 << QStringLiteral("Noto Serif");
    }
    families.removeDuplicates();
    return families;
}

QString InstalledFamily(const QStringList& candidates) {
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : candidates)
        if (installed.contains(family, Qt::CaseInsensitive)) return family;
    return {};
}

QFont MakeCellFont(const QString& family, const QStringList& fallbacks, int height, int width, int weight) {
    QFont font;
    QStringList families;
    if (!family.isEmpty()) families << family;
    families << fallbacks;
    families.removeDuplicates();
    if (!families.isEmpty()) font.setFamilies(families);
    font.setWeight(weight > 0 ? static_cast<QFont::Weight>(std::clamp(weight, 1, 1000)) : QFont::Normal);

    if (height < 0) {
        font.setPixelSize(-height);  // classic negative height: the em size
    } else if (height > 0) {
        font.setPixelSize(height);
        const QFontMetricsF metrics(font);
        const double cell = metrics.ascent() + metrics.descent();
        if (cell > 0) font.setPixelSize(std::max(1, static_cast<int>(std::lround(height * height / cell))));
    }
    if (width > 0) {
        const QString lowercase = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
        const double average = QFontMetricsF(font).horizontalAdvance(lowercase) / lowercase.size();
        if (average > 0)
            font.setStretch(std::clamp(static_cast<int>(std::lround(100.0 * width / average)), 1, 4000));
    }
    return font;
}

}  // namespace plat::qt
