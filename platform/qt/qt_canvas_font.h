// Canvas fonts sized the way the classic logical font is: a cell height and
// an average character width in pixels, with stand-ins for faces that are
// not installed.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace plat::qt {

// Families to try for a requested face, best first. The face itself comes
// first, so an installed original wins; then the stand-ins:
//   "微软雅黑" (a sans-serif CJK face)  -> Noto Sans CJK SC, WenQuanYi, Droid fallback
//   "Georgia" (a serif Latin face)     -> DejaVu Serif, Liberation Serif, Noto Serif
// Other faces get only themselves.
QStringList CandidateFamilies(const QString& face);

// The first candidate that is installed; empty when none is.
QString InstalledFamily(const QStringList& candidates);

// A font whose cell (ascent + descent) is `height` pixels and whose average
// lowercase advance is `width` pixels, reached by pixel size and horizontal
// stretch. width 0 keeps the face's own proportions; weight 0 means normal,
// otherwise 1..1000 as the classic weights (400 normal, 700 bold). With no
// family given, the system default face is sized the same way.
QFont MakeCellFont(const QString& family, const QStringList& fallbacks, int height, int width, int weight);

}  // namespace plat::qt
