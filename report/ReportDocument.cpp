#include "report/ReportDocument.h"

#include "report/ReportFont.h"

#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextLayout>

#include <algorithm>

namespace lmv::report {

struct ReportDocument::Block
{
    enum class Kind
    {
        Header,
        Heading,
        Paragraph,
        KeyValues,
        Table,
        Picture,
        PageBreak,
    };
    Kind kind = Kind::Paragraph;
    QString text;  // heading and paragraph text; header: left part
    QString text2; // header: right part
    int level = 1;
    ReportTable table; // tables; key-value blocks as a table of two columns without header
    PaintFunction paint;
    qreal heightMm = 0.0;
};

namespace {

using Block = ReportDocument::Block;
using Kind = Block::Kind;

const QColor kHeadingColour(0, 55, 110);
const QColor kRuleColour(150, 150, 150);
const QColor kGridColour(200, 200, 200);
const QColor kHeaderGround(225, 230, 238);
const QColor kKeyGround(240, 242, 245);
const QColor kEmphasisGround(245, 240, 225);

// Page geometry in page coordinates.
struct Geometry
{
    qreal dotsPerMm = 1.0;
    qreal pageWidth = 0.0;
    qreal pageHeight = 0.0;
    QRectF content;
    qreal mm(qreal millimetres) const { return millimetres * dotsPerMm; }
};

// What a block measures on the page before anything is placed.
struct Measure
{
    std::unique_ptr<QTextLayout> text; // headings and paragraphs
    QVector<qreal> lineTop;            // top of each line in the layout
    QVector<qreal> lineHeight;
    QVector<qreal> columnWidth; // tables and key-value blocks
    qreal headerHeight = 0.0;   // the header row; 0 without
    QVector<qreal> rowHeight;
};

// Part of a block placed on a page.
struct Placed
{
    const Block *block = nullptr;
    const Measure *measure = nullptr;
    qreal top = 0.0;
    qreal height = 0.0;
    int first = 0; // lines or rows [first, last)
    int last = 0;
    bool header = false; // a table part under its header row
};

struct Page
{
    QString left;
    QString right;
    std::vector<Placed> items;
};

Qt::Alignment columnAlignment(const ReportTable &table, int column)
{
    if (column < table.alignment.size())
        return table.alignment.at(column);
    return column == 0 ? Qt::AlignLeft : Qt::AlignRight;
}

qreal cellPadX(const Geometry &g)
{
    return g.mm(1.5);
}

qreal cellPadY(const Geometry &g)
{
    return g.mm(0.9);
}

// Lays text out in lines of a width; headings and paragraphs alike.
void measureText(Measure &m, const QString &text, const QFont &font, QPaintDevice *device, qreal width)
{
    m.text = std::make_unique<QTextLayout>(text, font, device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m.text->setTextOption(option);
    m.text->beginLayout();
    qreal y = 0.0;
    for (QTextLine line = m.text->createLine(); line.isValid(); line = m.text->createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0.0, y));
        m.lineTop << y;
        m.lineHeight << line.height();
        y += line.height();
    }
    m.text->endLayout();
}

qreal wrappedHeight(const QFontMetricsF &metrics, const QString &text, qreal width)
{
    if (text.isEmpty())
        return metrics.height();
    return metrics.boundingRect(QRectF(0, 0, width, 1e9), Qt::TextWordWrap, text).height();
}

// Column widths: each column's widest text, stretched or shrunk to the content width;
// key-value blocks give their names what they need (up to 40 %) and the values the rest.
void measureTable(Measure &m, const ReportTable &table, bool keyValues, const QFontMetricsF &metrics,
                  const Geometry &g)
{
    int columns = int(table.header.size());
    for (const QStringList &row : table.rows)
        columns = std::max(columns, int(row.size()));
    if (columns == 0)
        return;
    QVector<qreal> natural(columns, g.mm(4.0));
    auto widen = [&](const QStringList &cells) {
        for (int c = 0; c < cells.size(); ++c)
            natural[c] = std::max(natural[c], metrics.horizontalAdvance(cells.at(c)) + 2 * cellPadX(g) + 1);
    };
    widen(table.header);
    for (const QStringList &row : table.rows)
        widen(row);
    const qreal width = g.content.width();
    if (keyValues && columns == 2) {
        natural[0] = std::min(natural[0], width * 0.4);
        natural[1] = width - natural[0];
    } else {
        qreal sum = 0.0;
        for (qreal w : natural)
            sum += w;
        for (qreal &w : natural)
            w *= width / sum;
    }
    m.columnWidth = natural;
    auto rowHeight = [&](const QStringList &cells) {
        qreal h = metrics.height();
        for (int c = 0; c < cells.size() && c < columns; ++c)
            h = std::max(h, wrappedHeight(metrics, cells.at(c), natural[c] - 2 * cellPadX(g)));
        return h + 2 * cellPadY(g);
    };
    m.headerHeight = table.header.isEmpty() ? 0.0 : rowHeight(table.header);
    for (const QStringList &row : table.rows)
        m.rowHeight << rowHeight(row);
}

qreal headingSpaceBefore(const Geometry &g, int level)
{
    return g.mm(level == 1 ? 6.0 : level == 2 ? 4.5 : 3.0);
}

qreal headingSpaceAfter(const Geometry &g, int level)
{
    return g.mm(level == 1 ? 3.0 : 2.0);
}

qreal blockSpaceAfter(const Geometry &g)
{
    return g.mm(2.5);
}

qreal pictureHeight(const Block &b, const Geometry &g)
{
    return std::min(g.mm(b.heightMm), g.content.height());
}

// Places the blocks on pages.
class Paginator
{
public:
    Paginator(const Geometry &g) : m_g(g) { m_pages.emplace_back(); }

    std::vector<Page> run(const std::vector<std::unique_ptr<Block>> &blocks,
                          const std::vector<Measure> &measures)
    {
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            const Block &b = *blocks[i];
            const Measure &m = measures[i];
            switch (b.kind) {
            case Kind::Header:
                m_left = b.text;
                m_right = b.text2;
                if (page().items.empty())
                    takeHeader();
                break;
            case Kind::PageBreak:
                if (!page().items.empty())
                    newPage();
                break;
            case Kind::Heading:
                placeHeading(b, m, leadOf(blocks, measures, i + 1));
                break;
            case Kind::Paragraph:
                placeParagraph(b, m);
                break;
            case Kind::KeyValues:
            case Kind::Table:
                placeTable(b, m);
                break;
            case Kind::Picture:
                placePicture(b, m);
                break;
            }
        }
        if (m_pages.size() > 1 && page().items.empty())
            m_pages.pop_back();
        return std::move(m_pages);
    }

private:
    Page &page() { return m_pages.back(); }
    qreal room() const { return m_g.content.bottom() - m_y; }
    bool atTop() const { return m_pages.back().items.empty(); }

    void takeHeader()
    {
        page().left = m_left;
        page().right = m_right;
    }
    void newPage()
    {
        m_pages.emplace_back();
        takeHeader();
        m_y = m_g.content.top();
    }
    void place(const Block &b, const Measure &m, qreal height, int first = 0, int last = 0,
               bool header = false)
    {
        page().items.push_back({&b, &m, m_y, height, first, last, header});
        m_y += height;
    }

    // The least of the next block that must stand on the page under a heading.
    qreal leadOf(const std::vector<std::unique_ptr<Block>> &blocks, const std::vector<Measure> &measures,
                 std::size_t i) const
    {
        for (; i < blocks.size(); ++i) {
            const Block &b = *blocks[i];
            const Measure &m = measures[i];
            switch (b.kind) {
            case Kind::Header:
                continue;
            case Kind::PageBreak:
                return 0.0;
            case Kind::Heading:
                return headingSpaceBefore(m_g, b.level) +
                       (m.lineHeight.isEmpty() ? 0.0 : m.lineHeight.first());
            case Kind::Paragraph:
                return m.lineHeight.isEmpty() ? 0.0 : m.lineHeight.first();
            case Kind::KeyValues:
            case Kind::Table:
                return m.headerHeight + (m.rowHeight.isEmpty() ? 0.0 : m.rowHeight.first());
            case Kind::Picture:
                return b.heightMm > 0.0 ? pictureHeight(b, m_g) : m_g.content.height() / 3.0;
            }
        }
        return 0.0;
    }

    void placeHeading(const Block &b, const Measure &m, qreal lead)
    {
        qreal text = 0.0;
        for (qreal h : m.lineHeight)
            text += h;
        const qreal before = atTop() ? 0.0 : headingSpaceBefore(m_g, b.level);
        if (!atTop() && before + text + headingSpaceAfter(m_g, b.level) + lead > room())
            newPage();
        m_y += atTop() ? 0.0 : before;
        place(b, m, text + headingSpaceAfter(m_g, b.level), 0, int(m.lineHeight.size()));
    }

    void placeParagraph(const Block &b, const Measure &m)
    {
        int first = 0;
        qreal height = 0.0;
        for (int line = 0; line < m.lineHeight.size(); ++line) {
            if (height + m.lineHeight.at(line) > room() && (line > first || !atTop())) {
                if (line > first)
                    place(b, m, height, first, line);
                newPage();
                first = line;
                height = 0.0;
            }
            height += m.lineHeight.at(line);
        }
        if (m.lineHeight.size() > first)
            place(b, m, height, first, int(m.lineHeight.size()));
        m_y += blockSpaceAfter(m_g);
    }

    void placeTable(const Block &b, const Measure &m)
    {
        const int rows = int(m.rowHeight.size());
        int first = 0;
        qreal height = m.headerHeight;
        for (int r = 0; r < rows; ++r) {
            // A row that does not fit goes to the next page under a new header row; the first
            // row of a page always stands, however tall.
            if (height + m.rowHeight.at(r) > room() && (r > first || !atTop())) {
                if (r > first)
                    place(b, m, height, first, r, m.headerHeight > 0.0);
                newPage();
                first = r;
                height = m.headerHeight;
            }
            height += m.rowHeight.at(r);
        }
        if (rows > first || rows == 0)
            place(b, m, height, first, rows, m.headerHeight > 0.0);
        m_y += blockSpaceAfter(m_g);
    }

    void placePicture(const Block &b, const Measure &m)
    {
        qreal height = 0.0;
        if (b.heightMm > 0.0) {
            height = pictureHeight(b, m_g);
            if (height > room() && !atTop())
                newPage();
        } else {
            if (room() < m_g.content.height() / 3.0 && !atTop())
                newPage();
            height = room();
        }
        place(b, m, height);
        m_y += blockSpaceAfter(m_g);
    }

    const Geometry &m_g;
    std::vector<Page> m_pages;
    QString m_left;
    QString m_right;
    qreal m_y = m_g.content.top();
};

// Draws the laid-out pages.
class PagePainter
{
public:
    PagePainter(QPainter &painter, const Geometry &g, const ReportStyle &style)
        : m_p(painter), m_g(g), m_body(reportFont(style.bodyPoints)), m_small(reportFont(style.headerPoints))
    {}

    void paint(const Page &page, int number, int total)
    {
        paintFrame(page, number, total);
        for (const Placed &item : page.items) {
            switch (item.block->kind) {
            case Kind::Heading:
                paintHeading(item);
                break;
            case Kind::Paragraph:
                m_p.setPen(Qt::black);
                paintLines(item, m_g.content.left());
                break;
            case Kind::KeyValues:
            case Kind::Table:
                paintTable(item);
                break;
            case Kind::Picture:
                paintPicture(item);
                break;
            case Kind::Header:
            case Kind::PageBreak:
                break;
            }
        }
    }

private:
    void paintFrame(const Page &page, int number, int total)
    {
        m_p.setFont(m_small);
        m_p.setPen(Qt::black);
        const QRectF &c = m_g.content;
        if (!page.left.isEmpty() || !page.right.isEmpty()) {
            const QRectF line(c.left(), c.top() - m_g.mm(11.0), c.width(), m_g.mm(6.0));
            m_p.drawText(line, Qt::AlignLeft | Qt::AlignBottom, page.left);
            m_p.drawText(line, Qt::AlignRight | Qt::AlignBottom, page.right);
            m_p.setPen(QPen(kRuleColour, m_g.mm(0.2)));
            m_p.drawLine(QPointF(c.left(), c.top() - m_g.mm(4.0)), QPointF(c.right(), c.top() - m_g.mm(4.0)));
            m_p.setPen(Qt::black);
        }
        const QRectF foot(c.left(), c.bottom() + m_g.mm(6.0), c.width(), m_g.mm(6.0));
        m_p.drawText(foot, Qt::AlignHCenter | Qt::AlignTop,
                     QStringLiteral("第 %1 页 / 共 %2 页").arg(number).arg(total));
    }

    void paintLines(const Placed &item, qreal left)
    {
        const Measure &m = *item.measure;
        const qreal shift = item.top - m.lineTop.value(item.first);
        for (int line = item.first; line < item.last; ++line)
            m.text->lineAt(line).draw(&m_p, QPointF(left, shift));
    }

    void paintHeading(const Placed &item)
    {
        m_p.setPen(kHeadingColour);
        paintLines(item, m_g.content.left());
        if (item.block->level == 1) {
            const qreal y = item.top + item.height - headingSpaceAfter(m_g, 1) + m_g.mm(1.0);
            m_p.setPen(QPen(kHeadingColour, m_g.mm(0.35)));
            m_p.drawLine(QPointF(m_g.content.left(), y), QPointF(m_g.content.right(), y));
        }
        m_p.setPen(Qt::black);
    }

    void paintRow(const QStringList &cells, const ReportTable &table, const Measure &m, qreal y, qreal h,
                  const QColor &ground, bool keyValues)
    {
        qreal x = m_g.content.left();
        for (int c = 0; c < m.columnWidth.size(); ++c) {
            const QRectF cell(x, y, m.columnWidth.at(c), h);
            QColor fill = ground;
            if (keyValues && c == 0)
                fill = kKeyGround;
            if (fill.isValid())
                m_p.fillRect(cell, fill);
            const QRectF text = cell.adjusted(cellPadX(m_g), cellPadY(m_g), -cellPadX(m_g), -cellPadY(m_g));
            m_p.setPen(Qt::black);
            m_p.drawText(text, int(columnAlignment(table, c)) | Qt::AlignVCenter | Qt::TextWordWrap,
                         cells.value(c));
            x += m.columnWidth.at(c);
        }
        m_p.setPen(QPen(kGridColour, m_g.mm(0.15)));
        m_p.drawLine(QPointF(m_g.content.left(), y + h), QPointF(x, y + h));
    }

    void paintTable(const Placed &item)
    {
        const Block &b = *item.block;
        const Measure &m = *item.measure;
        if (m.columnWidth.isEmpty())
            return;
        const bool keyValues = b.kind == Kind::KeyValues;
        m_p.setFont(m_body);
        qreal y = item.top;
        if (item.header) {
            paintRow(b.table.header, b.table, m, y, m.headerHeight, kHeaderGround, false);
            y += m.headerHeight;
        }
        for (int r = item.first; r < item.last; ++r) {
            const QColor ground = b.table.emphasised.contains(r) ? kEmphasisGround : QColor();
            paintRow(b.table.rows.at(r), b.table, m, y, m.rowHeight.at(r), ground, keyValues);
            y += m.rowHeight.at(r);
        }
        // A frame round the part on this page.
        qreal width = 0.0;
        for (qreal w : m.columnWidth)
            width += w;
        m_p.setPen(QPen(kRuleColour, m_g.mm(0.25)));
        m_p.setBrush(Qt::NoBrush);
        m_p.drawRect(QRectF(m_g.content.left(), item.top, width, y - item.top));
    }

    void paintPicture(const Placed &item)
    {
        const QRectF rect(m_g.content.left(), item.top, m_g.content.width(), item.height);
        m_p.save();
        m_p.setClipRect(rect);
        item.block->paint(&m_p, rect);
        m_p.restore();
    }

    QPainter &m_p;
    const Geometry &m_g;
    QFont m_body;
    QFont m_small;
};

} // namespace

ReportDocument::ReportDocument(ReportStyle style) : m_style(style) {}

ReportDocument::~ReportDocument() = default;

void ReportDocument::setRunningHeader(const QString &left, const QString &right)
{
    auto b = std::make_unique<Block>();
    b->kind = Kind::Header;
    b->text = left;
    b->text2 = right;
    m_blocks.push_back(std::move(b));
}

void ReportDocument::addHeading(const QString &text, int level)
{
    auto b = std::make_unique<Block>();
    b->kind = Kind::Heading;
    b->text = text;
    b->level = std::clamp(level, 1, 3);
    m_blocks.push_back(std::move(b));
}

void ReportDocument::addParagraph(const QString &text)
{
    auto b = std::make_unique<Block>();
    b->kind = Kind::Paragraph;
    b->text = text;
    m_blocks.push_back(std::move(b));
}

void ReportDocument::addKeyValues(const QVector<QPair<QString, QString>> &rows)
{
    auto b = std::make_unique<Block>();
    b->kind = Kind::KeyValues;
    for (const auto &[key, value] : rows)
        b->table.rows.push_back({key, value});
    b->table.alignment = {Qt::AlignLeft, Qt::AlignLeft};
    m_blocks.push_back(std::move(b));
}

void ReportDocument::addTable(ReportTable table)
{
    auto b = std::make_unique<Block>();
    b->kind = Kind::Table;
    b->table = std::move(table);
    m_blocks.push_back(std::move(b));
}

void ReportDocument::addPicture(PaintFunction paint, qreal heightMm)
{
    auto b = std::make_unique<Block>();
    b->kind = Kind::Picture;
    b->paint = std::move(paint);
    b->heightMm = std::max(0.0, heightMm);
    m_blocks.push_back(std::move(b));
}

void ReportDocument::addPageBreak()
{
    auto b = std::make_unique<Block>();
    b->kind = Kind::PageBreak;
    m_blocks.push_back(std::move(b));
}

WriteOutcome ReportDocument::write(const QString &path, QString *error)
{
    m_pageCount = 0;
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return WriteOutcome::Failed;
    };
    QString fontError;
    if (reportFontFamily(&fontError).isEmpty())
        return fail(fontError);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("无法写入 %1: %2").arg(path, file.errorString()));
    QPdfWriter writer(&file);
    writer.setResolution(m_style.resolution);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle(m_title);
    writer.setCreator(m_creator);

    Geometry g;
    g.dotsPerMm = m_style.resolution / 25.4;
    g.pageWidth = writer.width();
    g.pageHeight = writer.height();
    const QMarginsF &mm = m_style.marginsMm;
    g.content = QRectF(g.mm(mm.left()), g.mm(mm.top()), g.pageWidth - g.mm(mm.left() + mm.right()),
                       g.pageHeight - g.mm(mm.top() + mm.bottom()));

    std::vector<Measure> measures(m_blocks.size());
    const QFont body = reportFont(m_style.bodyPoints);
    const QFontMetricsF bodyMetrics(body, &writer);
    for (std::size_t i = 0; i < m_blocks.size(); ++i) {
        const Block &b = *m_blocks[i];
        Measure &m = measures[i];
        if (b.kind == Kind::Heading)
            measureText(m, b.text, reportFont(m_style.headingPoints[b.level - 1]), &writer,
                        g.content.width());
        else if (b.kind == Kind::Paragraph)
            measureText(m, b.text, body, &writer, g.content.width());
        else if (b.kind == Kind::Table || b.kind == Kind::KeyValues)
            measureTable(m, b.table, b.kind == Kind::KeyValues, bodyMetrics, g);
    }
    const std::vector<Page> pages = Paginator(g).run(m_blocks, measures);

    QPainter painter;
    if (!painter.begin(&writer))
        return fail(QStringLiteral("无法写入 %1").arg(path));
    PagePainter pagePainter(painter, g, m_style);
    const int total = int(pages.size());
    for (int i = 0; i < total; ++i) {
        if (m_cancel && m_cancel()) {
            painter.end();
            file.cancelWriting();
            return WriteOutcome::Cancelled;
        }
        if (i > 0)
            writer.newPage();
        pagePainter.paint(pages[std::size_t(i)], i + 1, total);
        if (m_progress)
            m_progress(i + 1, total);
    }
    painter.end();
    if (!file.commit())
        return fail(QStringLiteral("无法写入 %1: %2").arg(path, file.errorString()));
    m_pageCount = total;
    return WriteOutcome::Written;
}

} // namespace lmv::report
