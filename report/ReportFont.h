#pragma once

// The typeface of every report. Qt's PDF writer keeps the text of a page readable to search and
// copy only when the font gives it a clean map from glyphs back to characters; the OpenType CJK
// faces the desktop uses map many glyphs wrongly (digits vanish, 日 comes back as the radical ⽇).
// WenQuanYi Micro Hei (TrueType outlines, Latin and digits of its own) maps every glyph back, so
// the report asks for it by name and never takes whatever the desktop would offer.

#include <QFont>
#include <QString>

namespace lmv::report {

// Where Debian's fonts-wqy-microhei puts the face.
inline constexpr char kReportFontFile[] = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
inline constexpr char kReportFontFamily[] = "WenQuanYi Micro Hei";

// The family to write reports in, loaded from kReportFontFile when the system does not list it.
// Empty with a one-line reason in *error when the face cannot be had. Needs a QGuiApplication.
QString reportFontFamily(QString *error = nullptr);

// The report font at a size in points; bold is drawn larger by the callers (the face has no bold).
QFont reportFont(qreal pointSize);

} // namespace lmv::report
