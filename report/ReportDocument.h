#pragma once

// A printed document of the report: A4 pages with margins, a running header (project and
// point) and page numbers, filled top to bottom with headings, paragraphs, key-value blocks,
// tables that continue across pages under a repeated header row, and pictures painted by the
// caller (plots rendered as vectors).
//
// Blocks are collected first and written in one go: the pages are laid out before the first is
// drawn, so every page knows the page count. The file is written under a temporary name and
// takes its own name only when the last page is done; a failed or cancelled run leaves no file
// and an older file of that name untouched.

#include <QMarginsF>
#include <QPair>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>
#include <vector>

class QPainter;

namespace lmv::report {

// A table: a header row repeated on every page it runs over, and rows of text.
struct ReportTable
{
    QStringList header;
    QVector<QStringList> rows;
    // Alignment per column; columns beyond the list: the first left, the others right.
    QVector<Qt::Alignment> alignment;
    // Rows drawn on a tinted ground (totals).
    QVector<int> emphasised;
};

// Page geometry and type sizes.
struct ReportStyle
{
    QMarginsF marginsMm{18.0, 22.0, 16.0, 20.0}; // left, top, right, bottom
    qreal bodyPoints = 9.5;
    qreal headerPoints = 8.0;                    // running header and page numbers
    qreal headingPoints[3] = {16.0, 12.5, 10.5}; // levels 1..3
    int resolution = 600;                        // dots per inch of the page coordinates
};

enum class WriteOutcome
{
    Written,
    Cancelled,
    Failed,
};

class ReportDocument
{
public:
    // Paints a picture into a rectangle of the page (page coordinates, see ReportStyle::resolution).
    using PaintFunction = std::function<void(QPainter *painter, const QRectF &rect)>;

    explicit ReportDocument(ReportStyle style = {});
    ~ReportDocument();
    ReportDocument(const ReportDocument &) = delete;
    ReportDocument &operator=(const ReportDocument &) = delete;

    // Document title and creator written into the file's properties.
    void setTitle(const QString &title) { m_title = title; }
    void setCreator(const QString &creator) { m_creator = creator; }

    // The running header from the next page on that gets content (left: project, right: point);
    // both empty: no header. A page without content yet takes it at once.
    void setRunningHeader(const QString &left, const QString &right);
    // A section heading, level 1 (largest) to 3; kept on a page with the start of what follows.
    void addHeading(const QString &text, int level = 1);
    // A paragraph, wrapped to the page width; continues on the next page line by line.
    void addParagraph(const QString &text);
    // Pairs of a name and its value in two columns (a site sheet).
    void addKeyValues(const QVector<QPair<QString, QString>> &rows);
    void addTable(ReportTable table);
    // A picture heightMm high across the page width; 0 takes the rest of the page (a new page
    // when less than a third of a page is left).
    void addPicture(PaintFunction paint, qreal heightMm = 0.0);
    // Starts a new page unless the current one is still empty.
    void addPageBreak();

    // Asked before each page is drawn; true stops the run (WriteOutcome::Cancelled).
    void setCancelCheck(std::function<bool()> check) { m_cancel = std::move(check); }
    // Told after each page: pages done, pages in all.
    void setProgress(std::function<void(int done, int total)> progress) { m_progress = std::move(progress); }

    // Lays out and writes the document to path (PDF). Needs a QGuiApplication (and the report
    // font, see ReportFont.h). Failed: a one-line reason in *error.
    WriteOutcome write(const QString &path, QString *error = nullptr);
    // Pages of the last write.
    int pageCount() const { return m_pageCount; }

    struct Block;

private:
    ReportStyle m_style;
    QString m_title;
    QString m_creator;
    std::vector<std::unique_ptr<Block>> m_blocks;
    std::function<bool()> m_cancel;
    std::function<void(int, int)> m_progress;
    int m_pageCount = 0;
};

} // namespace lmv::report
