#include "plots/PlotExport.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QInputDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSvgGenerator>

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>

#include <cmath>

namespace plotexport {

namespace {

PreviewRunner &runner()
{
    static PreviewRunner r;
    return r;
}

void runDialog(QPrinter *printer, const std::function<void(QPrinter *)> &paint, QWidget *parent)
{
    QPrintPreviewDialog dialog(printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter *p) { paint(p); });
    dialog.exec();
}

constexpr int kMinSide = 16;
constexpr int kMaxSide = 20000;

} // namespace

Format formatOfPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return Format::Png;
    if (suffix == QLatin1String("svg"))
        return Format::Svg;
    if (suffix == QLatin1String("pdf"))
        return Format::Pdf;
    return Format::Unknown;
}

QSize parseSize(const QString &text)
{
    const QStringList parts = text.trimmed().toLower().split(QLatin1Char('x'));
    if (parts.size() != 2)
        return {};
    bool okW = false, okH = false;
    const int w = parts.at(0).toInt(&okW);
    const int h = parts.at(1).toInt(&okH);
    if (!okW || !okH || w < kMinSide || h < kMinSide || w > kMaxSide || h > kMaxSide)
        return {};
    return {w, h};
}

QSize shownSize(const QList<QwtPlot *> &panes)
{
    QSize size(0, 0);
    for (const QwtPlot *p : panes) {
        size.setWidth(std::max(size.width(), p->width()));
        size.setHeight(size.height() + p->height());
    }
    return size;
}

QStringList titleLines(const PictureSubject &subject, const QString &period, const QStringList &more)
{
    QStringList first;
    if (!subject.project.isEmpty())
        first << QStringLiteral("项目: %1").arg(subject.project);
    if (!subject.point.isEmpty())
        first << QStringLiteral("监测点: %1").arg(subject.point);
    if (!subject.file.isEmpty())
        first << QStringLiteral("文件: %1").arg(subject.file);
    QStringList second;
    if (!period.isEmpty())
        second << QStringLiteral("时段: %1").arg(period);
    if (!subject.pipe.isEmpty())
        second << QStringLiteral("管道: %1").arg(subject.pipe);
    QStringList lines;
    for (const QStringList &parts : {first, second})
        if (!parts.isEmpty())
            lines << parts.join(QStringLiteral("    "));
    for (const QString &line : more)
        if (!line.isEmpty())
            lines << line;
    return lines;
}

namespace {

// Draws the title lines at the top of rect and returns the height they took.
double paintTitle(QPainter *painter, const QFont &base, const QRectF &rect, const QStringList &title)
{
    if (title.isEmpty())
        return 0.0;
    QFont font = base;
    font.setPointSizeF(9.0);
    const QFontMetricsF metrics(font, painter->device());
    const double line = metrics.height();
    const double margin = std::ceil(line * 0.4);
    const double height = std::ceil(title.size() * line + 2.0 * margin);
    painter->save();
    painter->setFont(font);
    painter->setPen(Qt::black);
    const double width = rect.width() - 2.0 * margin;
    for (int i = 0; i < title.size(); ++i) {
        // A line too long for the picture ends in "…" rather than being cut mid-character.
        const QString text = metrics.elidedText(title[i], Qt::ElideRight, width);
        painter->drawText(QRectF(rect.left() + margin, rect.top() + margin + i * line, width, line),
                          int(Qt::AlignLeft | Qt::AlignVCenter), text);
    }
    painter->setPen(QPen(QColor(160, 160, 160), 0));
    painter->drawLine(QPointF(rect.left(), rect.top() + height - 1.0),
                      QPointF(rect.right(), rect.top() + height - 1.0));
    painter->restore();
    return height;
}

} // namespace

void paintPanes(QPainter *painter, const QList<QwtPlot *> &panes, const QRectF &rect,
                const QStringList &title)
{
    if (panes.isEmpty())
        return;
    const double top = paintTitle(painter, panes.first()->font(), rect, title);
    const QRectF area(rect.left(), rect.top() + top, rect.width(), rect.height() - top);
    QwtPlotRenderer renderer;
    renderer.setDiscardFlag(QwtPlotRenderer::DiscardBackground, false);
    renderer.setDiscardFlag(QwtPlotRenderer::DiscardCanvasFrame, true);
    const double h = area.height() / panes.size();
    for (int i = 0; i < panes.size(); ++i)
        renderer.render(panes.at(i), painter, QRectF(area.left(), area.top() + i * h, area.width(), h));
}

bool exportPanes(const QList<QwtPlot *> &panes, const QString &path, QSize size, QString *error,
                 const QStringList &title)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (panes.isEmpty())
        return fail(QStringLiteral("没有可导出的图"));
    if (!size.isValid() || size.isEmpty())
        size = shownSize(panes);
    if (size.width() < kMinSide || size.height() < kMinSide || size.width() > kMaxSide ||
        size.height() > kMaxSide)
        return fail(QStringLiteral("图片尺寸无效"));
    const QRectF rect(0, 0, size.width(), size.height());
    switch (formatOfPath(path)) {
    case Format::Png: {
        QImage image(size, QImage::Format_ARGB32);
        // The panes' resolution: the renderer then draws pixel for pixel as on screen.
        image.setDotsPerMeterX(qRound(panes.first()->logicalDpiX() / 0.0254));
        image.setDotsPerMeterY(qRound(panes.first()->logicalDpiY() / 0.0254));
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            paintPanes(&painter, panes, rect, title);
        }
        if (!image.save(path, "PNG"))
            return fail(QStringLiteral("无法写入 %1").arg(path));
        return true;
    }
    case Format::Svg: {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(size);
        svg.setViewBox(rect);
        svg.setResolution(96);
        QPainter painter;
        if (!painter.begin(&svg))
            return fail(QStringLiteral("无法写入 %1").arg(path));
        paintPanes(&painter, panes, rect, title);
        painter.end();
        return true;
    }
    case Format::Pdf: {
        QPdfWriter pdf(path);
        pdf.setResolution(96);
        pdf.setPageSize(QPageSize(QSizeF(size.width(), size.height()), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter;
        if (!painter.begin(&pdf))
            return fail(QStringLiteral("无法写入 %1").arg(path));
        const QRect page = painter.viewport();
        paintPanes(&painter, panes, QRectF(page), title);
        painter.end();
        return true;
    }
    case Format::Unknown:
        break;
    }
    return fail(QStringLiteral("不支持的图片格式(可用 .png、.svg、.pdf): %1").arg(path));
}

void printPreview(const QList<QwtPlot *> &panes, QWidget *parent, const QStringList &title)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    auto paint = [&panes, &title](QPrinter *p) {
        QPainter painter(p);
        paintPanes(&painter, panes, QRectF(painter.viewport()), title);
    };
    if (runner())
        runner()(&printer, paint, parent);
    else
        runDialog(&printer, paint, parent);
}

void setPreviewRunner(PreviewRunner r)
{
    runner() = std::move(r);
}

void askAndExport(QWidget *parent, QSize shown, const ImageWriter &write)
{
    const QString path =
        QFileDialog::getSaveFileName(parent, QStringLiteral("导出图片"), QString(),
                                     QStringLiteral("PNG 图片 (*.png);;SVG 图片 (*.svg);;PDF 文件 (*.pdf)"));
    if (path.isEmpty())
        return;
    bool ok = false;
    const QString sizeText = QInputDialog::getText(
        parent, QStringLiteral("导出图片"), QStringLiteral("图片尺寸 (宽x高):"), QLineEdit::Normal,
        QStringLiteral("%1x%2").arg(shown.width()).arg(shown.height()), &ok);
    if (!ok)
        return;
    const QSize size = parseSize(sizeText);
    QString error;
    if (!size.isValid())
        error = QStringLiteral("图片尺寸无效: %1").arg(sizeText);
    else if (!write(path, size, &error) && error.isEmpty())
        error = QStringLiteral("导出失败");
    if (!error.isEmpty())
        QMessageBox::warning(parent, QStringLiteral("导出图片"), error);
}

} // namespace plotexport
