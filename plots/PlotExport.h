#pragma once

// Pictures and prints of a set of QwtPlot panes stacked top to bottom, each pane getting an
// equal share of the height.

#include <QList>
#include <QRectF>
#include <QSize>
#include <QString>

#include <functional>

class QPainter;
class QPrinter;
class QWidget;
class QwtPlot;

namespace plotexport {

enum class Format
{
    Unknown,
    Png,
    Svg,
    Pdf
};

// The format named by a file's suffix (.png, .svg, .pdf, any case).
Format formatOfPath(const QString &path);
// The size "WxH" as text reads as (both 16..20000); an invalid size otherwise.
QSize parseSize(const QString &text);
// The size of the panes as shown: the width of the widest, the sum of their heights.
QSize shownSize(const QList<QwtPlot *> &panes);

// What a picture shows, for the title block above its panes.
struct PictureSubject
{
    QString project;
    QString point;
    QString file;
    QString pipe; // pipe description
};
// The title block's lines: the survey (project, point, file), then the period shown and the
// pipe; `more` lines follow (fits, cursors). Empty parts are left out.
QStringList titleLines(const PictureSubject &subject, const QString &period, const QStringList &more = {});

// Paints the panes into rect of a painter, stacked, without antialiasing on curves; the title
// lines, when there are any, go above them in a block of their own.
void paintPanes(QPainter *painter, const QList<QwtPlot *> &panes, const QRectF &rect,
                const QStringList &title = {});

// Writes the panes to a PNG, SVG or PDF file of the given pixel size (an invalid size: the shown
// size), under the title lines. False with a one-line reason in *error.
bool exportPanes(const QList<QwtPlot *> &panes, const QString &path, QSize size, QString *error = nullptr,
                 const QStringList &title = {});

// Asks for a file and a size (the shown size offered), then exports through `write`; a failure
// is shown in a warning box. Used by the "导出图片" buttons.
using ImageWriter = std::function<bool(const QString &path, QSize size, QString *error)>;
void askAndExport(QWidget *parent, QSize shown, const ImageWriter &write);

// Shows a print preview of the panes. The preview itself goes through the runner, which gets a
// printer and the paint function to call with it; the default runner opens a QPrintPreviewDialog.
using PreviewRunner =
    std::function<void(QPrinter *printer, const std::function<void(QPrinter *)> &paint, QWidget *parent)>;
void printPreview(const QList<QwtPlot *> &panes, QWidget *parent, const QStringList &title = {});
// Replaces the runner (tests print to a file instead); an empty function restores the dialog.
void setPreviewRunner(PreviewRunner runner);

} // namespace plotexport
