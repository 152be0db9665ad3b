// Draws every compiled-in picture of the viewer and writes resources.qrc.
//
//   picgen <resources-folder>
//
// Writes <folder>/icon/*.png, <folder>/button/*.png, <folder>/pipe/*.png and
// <folder>/resources.qrc. The output depends only on this file and the installed
// fonts, so running it again on the same machine reproduces the committed pictures.

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>
#include <QtMath>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

// Every icon is drawn on a 64 x 64 design grid and scaled to its output size.
constexpr qreal kGrid = 64.0;

const QColor kInk(40, 40, 40);
const QColor kBlue(30, 110, 200);
const QColor kDarkBlue(20, 70, 140);
const QColor kWater(110, 170, 230);
const QColor kRed(210, 50, 45);
const QColor kGreen(40, 160, 70);
const QColor kYellow(245, 190, 40);
const QColor kSediment(150, 110, 60);

QString cjkFamily()
{
    return QStringLiteral("Noto Sans CJK SC");
}

QFont textFont(int pixelSize, bool bold = false)
{
    QFont f(cjkFamily());
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

struct Picture
{
    QString group; // "icon", "button" or "pipe"
    QString name;  // file name
    int width;
    int height;
    std::function<void(QPainter &)> draw; // draws on the 64 grid (icons) or in pixels (pipes)
};

QPen pen(const QColor &c, qreal w)
{
    QPen p(c, w);
    p.setCapStyle(Qt::RoundCap);
    p.setJoinStyle(Qt::RoundJoin);
    return p;
}

// ---- icons -------------------------------------------------------------------------

void drawTriangle(QPainter &p, bool up)
{
    QPolygonF t;
    if (up)
        t << QPointF(32, 12) << QPointF(56, 52) << QPointF(8, 52);
    else
        t << QPointF(8, 12) << QPointF(56, 12) << QPointF(32, 52);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 90, 120));
    p.drawPolygon(t);
}

void drawSheet(QPainter &p, const QRectF &r, const QColor &fill)
{
    p.setPen(pen(kInk, 3));
    p.setBrush(fill);
    p.drawRoundedRect(r, 3, 3);
}

void drawCopy(QPainter &p)
{
    drawSheet(p, QRectF(8, 6, 32, 40), QColor(225, 235, 250));
    drawSheet(p, QRectF(22, 18, 32, 40), Qt::white);
    p.setPen(pen(kBlue, 3));
    for (int y = 28; y <= 48; y += 8)
        p.drawLine(QPointF(28, y), QPointF(48, y));
}

void drawLaptop(QPainter &p)
{
    p.setPen(pen(kInk, 3));
    p.setBrush(QColor(60, 70, 85));
    p.drawRoundedRect(QRectF(12, 10, 40, 30), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 190, 245));
    p.drawRect(QRectF(16, 14, 32, 22));
    QPolygonF base;
    base << QPointF(8, 44) << QPointF(56, 44) << QPointF(62, 54) << QPointF(2, 54);
    p.setPen(pen(kInk, 3));
    p.setBrush(QColor(180, 185, 195));
    p.drawPolygon(base);
    p.setPen(pen(kInk, 2));
    p.drawLine(QPointF(26, 49), QPointF(38, 49));
}

void drawRoundButton(QPainter &p, const QColor &c)
{
    QRadialGradient g(QPointF(26, 22), 36);
    g.setColorAt(0, c.lighter(150));
    g.setColorAt(1, c);
    p.setPen(pen(c.darker(140), 2.5));
    p.setBrush(g);
    p.drawEllipse(QRectF(4, 4, 56, 56));
}

void drawPlay(QPainter &p)
{
    drawRoundButton(p, kBlue);
    QPolygonF t;
    t << QPointF(25, 17) << QPointF(47, 32) << QPointF(25, 47);
    p.setPen(pen(Qt::white, 2));
    p.setBrush(Qt::white);
    p.drawPolygon(t);
}

void drawStop(QPainter &p)
{
    drawRoundButton(p, kRed);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(21, 21, 22, 22), 2, 2);
}

void drawUsb(QPainter &p)
{
    // The trident symbol of the bus: a stem with a circle, a square and an arrow head.
    p.setPen(pen(kDarkBlue, 4.5));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(32, 10), QPointF(32, 50));
    p.drawPolyline(QPolygonF() << QPointF(32, 40) << QPointF(16, 30) << QPointF(16, 22));
    p.drawPolyline(QPolygonF() << QPointF(32, 34) << QPointF(48, 26) << QPointF(48, 20));
    p.setPen(Qt::NoPen);
    p.setBrush(kDarkBlue);
    p.drawPolygon(QPolygonF() << QPointF(32, 2) << QPointF(40, 14) << QPointF(24, 14));
    p.drawEllipse(QPointF(16, 19), 5, 5);
    p.drawRect(QRectF(43, 12, 10, 10));
    p.drawEllipse(QPointF(32, 54), 7, 7);
}

void drawBlock(QPainter &p)
{
    p.setPen(pen(kRed, 7));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(8, 8, 48, 48));
    p.drawLine(QPointF(16, 48), QPointF(48, 16));
}

void drawCheck(QPainter &p)
{
    drawRoundButton(p, kGreen);
    p.setPen(pen(Qt::white, 7));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF() << QPointF(18, 33) << QPointF(28, 43) << QPointF(46, 22));
}

void drawClipboard(QPainter &p)
{
    p.setPen(pen(QColor(110, 70, 30), 3));
    p.setBrush(QColor(190, 140, 80));
    p.drawRoundedRect(QRectF(10, 8, 44, 52), 4, 4);
    p.setPen(pen(kInk, 2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(16, 16, 32, 38));
    p.setPen(pen(kInk, 3));
    p.setBrush(QColor(170, 175, 185));
    p.drawRoundedRect(QRectF(22, 3, 20, 11), 3, 3);
    p.setPen(pen(QColor(120, 120, 120), 3));
    for (int y = 26; y <= 46; y += 7)
        p.drawLine(QPointF(21, y), QPointF(43, y));
}

void drawTrash(QPainter &p)
{
    p.setPen(pen(kInk, 3));
    p.setBrush(QColor(225, 80, 70));
    QPolygonF body;
    body << QPointF(15, 18) << QPointF(49, 18) << QPointF(45, 58) << QPointF(19, 58);
    p.drawPolygon(body);
    p.drawRoundedRect(QRectF(9, 11, 46, 7), 2, 2);
    p.drawRect(QRectF(25, 5, 14, 6));
    p.setPen(pen(Qt::white, 3));
    for (qreal x : {25.0, 32.0, 39.0})
        p.drawLine(QPointF(x, 25), QPointF(x, 51));
}

void drawDisk(QPainter &p, const QColor &body)
{
    QPainterPath outline;
    outline.moveTo(8, 8);
    outline.lineTo(48, 8);
    outline.lineTo(56, 16);
    outline.lineTo(56, 56);
    outline.lineTo(8, 56);
    outline.closeSubpath();
    p.setPen(pen(kInk, 3));
    p.setBrush(body);
    p.drawPath(outline);
    p.setBrush(QColor(210, 215, 225));
    p.drawRect(QRectF(18, 8, 26, 16));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawRect(QRectF(35, 11, 6, 10));
    p.setPen(pen(kInk, 2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(15, 34, 34, 22));
}

void drawPencil(QPainter &p, const QPointF &tip, qreal length)
{
    p.save();
    p.translate(tip);
    p.rotate(-45);
    p.setPen(pen(kInk, 2.5));
    p.setBrush(kYellow);
    p.drawRect(QRectF(10, -5, length - 10, 10));
    p.setBrush(QColor(240, 200, 160));
    p.drawPolygon(QPolygonF() << QPointF(0, 0) << QPointF(10, -5) << QPointF(10, 5));
    p.setBrush(QColor(230, 120, 140));
    p.drawRect(QRectF(length - 5, -5, 6, 10));
    p.restore();
}

void drawEdit(QPainter &p)
{
    drawSheet(p, QRectF(8, 6, 38, 52), Qt::white);
    p.setPen(pen(QColor(120, 120, 120), 3));
    for (int y = 16; y <= 40; y += 8)
        p.drawLine(QPointF(15, y), QPointF(39, y));
    drawPencil(p, QPointF(26, 54), 44);
}

void drawExit(QPainter &p)
{
    p.setPen(pen(kInk, 3));
    p.setBrush(QColor(170, 110, 60));
    p.drawRect(QRectF(8, 6, 30, 52));
    p.setPen(Qt::NoPen);
    p.setBrush(kYellow);
    p.drawEllipse(QPointF(31, 33), 2.5, 2.5);
    p.setPen(pen(kRed, 5));
    p.drawLine(QPointF(30, 33), QPointF(56, 33));
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawPolygon(QPolygonF() << QPointF(61, 33) << QPointF(48, 23) << QPointF(48, 43));
}

void drawFolder(QPainter &p)
{
    QPainterPath back;
    back.moveTo(4, 14);
    back.lineTo(24, 14);
    back.lineTo(29, 20);
    back.lineTo(60, 20);
    back.lineTo(60, 54);
    back.lineTo(4, 54);
    back.closeSubpath();
    p.setPen(pen(QColor(170, 120, 10), 3));
    p.setBrush(QColor(230, 170, 30));
    p.drawPath(back);
    p.setBrush(kYellow.lighter(115));
    p.drawPolygon(QPolygonF() << QPointF(4, 54) << QPointF(11, 28) << QPointF(63, 28) << QPointF(60, 54));
}

void drawInfo(QPainter &p)
{
    drawRoundButton(p, kBlue);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(32, 18), 4.5, 4.5);
    p.drawRoundedRect(QRectF(27.5, 27, 9, 24), 2, 2);
}

void drawIdCard(QPainter &p)
{
    p.setPen(pen(kInk, 3));
    p.setBrush(QColor(235, 240, 250));
    p.drawRoundedRect(QRectF(3, 12, 58, 40), 5, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRect(QRectF(4.5, 13.5, 55, 8));
    p.setBrush(QColor(90, 110, 140));
    p.drawEllipse(QPointF(19, 31), 6, 6);
    p.drawChord(QRectF(9, 38, 20, 16), 0, 180 * 16);
    p.setPen(pen(QColor(90, 90, 90), 3));
    p.drawLine(QPointF(34, 30), QPointF(54, 30));
    p.drawLine(QPointF(34, 38), QPointF(54, 38));
    p.drawLine(QPointF(34, 46), QPointF(48, 46));
}

void drawLogo(QPainter &p)
{
    // A water drop with a wave through it.
    QPainterPath drop;
    drop.moveTo(32, 3);
    drop.cubicTo(QPointF(44, 20), QPointF(54, 30), QPointF(54, 40));
    drop.cubicTo(QPointF(54, 53), QPointF(44, 61), QPointF(32, 61));
    drop.cubicTo(QPointF(20, 61), QPointF(10, 53), QPointF(10, 40));
    drop.cubicTo(QPointF(10, 30), QPointF(20, 20), QPointF(32, 3));
    QLinearGradient g(QPointF(32, 3), QPointF(32, 61));
    g.setColorAt(0, QColor(90, 180, 240));
    g.setColorAt(1, kDarkBlue);
    p.setPen(pen(kDarkBlue, 2.5));
    p.setBrush(g);
    p.drawPath(drop);
    QPainterPath wave;
    wave.moveTo(13, 42);
    wave.cubicTo(QPointF(20, 34), QPointF(26, 50), QPointF(32, 42));
    wave.cubicTo(QPointF(38, 34), QPointF(44, 50), QPointF(51, 42));
    p.setPen(pen(Qt::white, 4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
    p.setPen(pen(QColor(255, 255, 255, 180), 3));
    p.drawArc(QRectF(17, 26, 16, 20), 120 * 16, 60 * 16);
}

void drawSelectAll(QPainter &p)
{
    for (int i = 0; i < 3; ++i) {
        const qreal y = 8 + i * 18;
        p.setPen(pen(kInk, 2.5));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6, y, 14, 14));
        p.setPen(pen(kGreen, 3.5));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF() << QPointF(8.5, y + 7) << QPointF(12, y + 11) << QPointF(19, y + 2));
        p.setPen(pen(QColor(90, 90, 90), 4));
        p.drawLine(QPointF(28, y + 7), QPointF(58, y + 7));
    }
}

void drawRuler(QPainter &p)
{
    p.save();
    p.translate(32, 32);
    p.rotate(-45);
    p.setPen(pen(QColor(130, 100, 20), 2.5));
    p.setBrush(kYellow);
    p.drawRect(QRectF(-30, -10, 60, 20));
    p.setPen(pen(kInk, 2));
    for (int i = 0; i <= 10; ++i) {
        const qreal x = -26 + i * 5.2;
        p.drawLine(QPointF(x, -10), QPointF(x, i % 5 == 0 ? 2 : -4));
    }
    p.restore();
}

void drawSaveAs(QPainter &p)
{
    drawDisk(p, kBlue);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(48, 48), 13, 13);
    p.setPen(pen(Qt::white, 4));
    p.drawLine(QPointF(48, 41), QPointF(48, 55));
    p.drawLine(QPointF(41, 48), QPointF(55, 48));
}

void drawGear(QPainter &p)
{
    QPainterPath gear;
    const int teeth = 8;
    const QPointF c(32, 32);
    for (int i = 0; i < teeth * 4; ++i) {
        const qreal a = (i * 2 * M_PI) / (teeth * 4) - M_PI / (teeth * 4);
        const qreal r = (i % 4 == 0 || i % 4 == 1) ? 29 : 21;
        const QPointF pt(c.x() + r * qCos(a), c.y() + r * qSin(a));
        if (i == 0)
            gear.moveTo(pt);
        else
            gear.lineTo(pt);
    }
    gear.closeSubpath();
    gear.addEllipse(c, 9, 9);
    gear.setFillRule(Qt::OddEvenFill);
    p.setPen(pen(QColor(60, 65, 75), 2.5));
    p.setBrush(QColor(130, 140, 155));
    p.drawPath(gear);
}

void drawSpreadsheet(QPainter &p)
{
    drawSheet(p, QRectF(8, 4, 48, 56), Qt::white);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawRect(QRectF(9.5, 5.5, 45, 12));
    p.setPen(pen(kGreen, 2));
    for (qreal y = 27; y <= 51; y += 8)
        p.drawLine(QPointF(10, y), QPointF(54, y));
    p.drawLine(QPointF(24, 18), QPointF(24, 58));
    p.drawLine(QPointF(40, 18), QPointF(40, 58));
    p.setPen(Qt::white);
    p.setFont(textFont(11, true));
    p.drawText(QRectF(9, 5, 46, 13), Qt::AlignCenter, QStringLiteral("CSV"));
}

// ---- pipe cross-sections (300 x 200 pixels) -----------------------------------------

// Draws a dimension line from a to b with arrow heads and a label beside its middle.
void dimension(QPainter &p, QPointF a, QPointF b, const QString &label, QPointF labelOffset)
{
    p.setPen(pen(kInk, 1.5));
    p.setBrush(kInk);
    p.drawLine(a, b);
    const QLineF line(a, b);
    for (const auto &[tip, towards] : {std::pair{a, b}, std::pair{b, a}}) {
        QLineF dir(tip, towards);
        dir.setLength(9);
        QLineF left = dir;
        left.setAngle(dir.angle() + 25);
        QLineF right = dir;
        right.setAngle(dir.angle() - 25);
        p.drawPolygon(QPolygonF() << tip << left.p2() << right.p2());
    }
    p.setPen(kInk);
    p.setFont(textFont(18, true));
    const QPointF mid = line.center() + labelOffset;
    p.drawText(QRectF(mid.x() - 30, mid.y() - 14, 60, 28), Qt::AlignCenter, label);
}

void sedimentLabel(QPainter &p, QPointF target, QPointF textAt)
{
    p.setPen(pen(kSediment.darker(150), 1.5));
    p.drawLine(textAt + QPointF(0, -6), target);
    p.setPen(kSediment.darker(160));
    p.setFont(textFont(15, true));
    p.drawText(QRectF(textAt.x() - 4, textAt.y() - 16, 70, 22), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("淤积层"));
}

// Fills the part of `shape` between the levels top and bottom (pixel y) with a brush.
void fillBand(QPainter &p, const QPainterPath &shape, qreal top, qreal bottom, const QBrush &brush)
{
    QPainterPath band;
    band.addRect(QRectF(0, top, 300, bottom - top));
    p.setPen(Qt::NoPen);
    p.setBrush(brush);
    p.drawPath(shape.intersected(band));
}

QBrush sedimentBrush()
{
    return QBrush(kSediment, Qt::Dense4Pattern);
}

// The common drawing: wall, water up to waterY, sediment from sedimentY down.
void crossSection(QPainter &p, const QPainterPath &shape, qreal waterY, qreal sedimentY)
{
    p.fillRect(QRectF(0, 0, 300, 200), Qt::white);
    fillBand(p, shape, waterY, 200, QColor(kWater.red(), kWater.green(), kWater.blue(), 170));
    fillBand(p, shape, sedimentY, 200, QColor(215, 190, 140));
    fillBand(p, shape, sedimentY, 200, sedimentBrush());
    p.setPen(pen(kDarkBlue, 1.5));
    QPainterPath surface;
    surface.addRect(QRectF(0, waterY - 0.75, 300, 1.5));
    p.setBrush(kDarkBlue);
    p.drawPath(shape.intersected(surface));
    p.setPen(pen(kInk, 4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
}

void drawCirclePipe(QPainter &p)
{
    QPainterPath shape;
    const QRectF box(70, 18, 164, 164);
    shape.addEllipse(box);
    crossSection(p, shape, 105, 150);
    // D across the full diameter, drawn above the water surface.
    dimension(p, QPointF(box.left() + 4, 72), QPointF(box.right() - 4, 72), QStringLiteral("D"),
              QPointF(0, -14));
    sedimentLabel(p, QPointF(178, 166), QPointF(236, 190));
}

void drawRectanglePipe(QPainter &p)
{
    QPainterPath shape;
    shape.moveTo(80, 25);
    shape.lineTo(80, 170);
    shape.lineTo(220, 170);
    shape.lineTo(220, 25);
    crossSection(p, shape, 90, 145);
    dimension(p, QPointF(50, 25), QPointF(50, 170), QStringLiteral("H"), QPointF(-18, 0));
    dimension(p, QPointF(80, 186), QPointF(220, 186), QStringLiteral("W"), QPointF(0, 0));
    p.fillRect(QRectF(136, 176, 28, 20), Qt::white);
    p.setPen(kInk);
    p.setFont(textFont(18, true));
    p.drawText(QRectF(136, 174, 28, 24), Qt::AlignCenter, QStringLiteral("W"));
    sedimentLabel(p, QPointF(200, 158), QPointF(228, 128));
}

void drawTrapezoidPipe(QPainter &p)
{
    QPainterPath shape;
    shape.moveTo(45, 30);
    shape.lineTo(105, 165);
    shape.lineTo(195, 165);
    shape.lineTo(255, 30);
    crossSection(p, shape, 85, 142);
    dimension(p, QPointF(45, 16), QPointF(255, 16), QStringLiteral("T"), QPointF(0, 0));
    p.fillRect(QRectF(138, 4, 24, 24), Qt::white);
    p.setPen(kInk);
    p.setFont(textFont(18, true));
    p.drawText(QRectF(138, 4, 24, 24), Qt::AlignCenter, QStringLiteral("T"));
    dimension(p, QPointF(105, 183), QPointF(195, 183), QStringLiteral("W"), QPointF(0, 0));
    p.fillRect(QRectF(138, 172, 24, 22), Qt::white);
    p.drawText(QRectF(138, 171, 24, 24), Qt::AlignCenter, QStringLiteral("W"));
    dimension(p, QPointF(22, 30), QPointF(22, 165), QStringLiteral("H"), QPointF(-4, 0));
    p.fillRect(QRectF(12, 86, 20, 24), Qt::white);
    p.drawText(QRectF(10, 86, 24, 24), Qt::AlignCenter, QStringLiteral("H"));
    sedimentLabel(p, QPointF(185, 155), QPointF(222, 192));
}

void drawTrianglePipe(QPainter &p)
{
    // Apex down; the width is measured across the top.
    QPainterPath shape;
    shape.moveTo(60, 30);
    shape.lineTo(150, 178);
    shape.lineTo(240, 30);
    crossSection(p, shape, 80, 145);
    dimension(p, QPointF(60, 14), QPointF(240, 14), QStringLiteral("W"), QPointF(0, 0));
    p.fillRect(QRectF(138, 2, 24, 24), Qt::white);
    p.setPen(kInk);
    p.setFont(textFont(18, true));
    p.drawText(QRectF(138, 2, 24, 24), Qt::AlignCenter, QStringLiteral("W"));
    dimension(p, QPointF(36, 30), QPointF(36, 178), QStringLiteral("H"), QPointF(-4, 0));
    p.fillRect(QRectF(26, 92, 20, 24), Qt::white);
    p.drawText(QRectF(24, 92, 24, 24), Qt::AlignCenter, QStringLiteral("H"));
    sedimentLabel(p, QPointF(160, 165), QPointF(200, 182));
}

std::vector<Picture> pictures()
{
    using P = QPainter &;
    return {
        {"button", "ascending.png", 16, 16, [](P p) { drawTriangle(p, true); }},
        {"button", "descending.png", 16, 16, [](P p) { drawTriangle(p, false); }},
        {"button", "copy.png", 32, 32, drawCopy},
        {"button", "laptop2.png", 64, 64, drawLaptop},
        {"button", "play-blue-button.png", 64, 64, drawPlay},
        {"button", "stop_2.png", 64, 64, drawStop},
        {"button", "usb3.png", 64, 64, drawUsb},
        {"icon", "block.png", 32, 32, drawBlock},
        {"icon", "check.png", 32, 32, drawCheck},
        {"icon", "clipboard.png", 64, 64, drawClipboard},
        {"icon", "delete_2.png", 64, 64, drawTrash},
        {"icon", "disk.png", 64, 64, [](P p) { drawDisk(p, kBlue); }},
        {"icon", "edit.png", 64, 64, drawEdit},
        {"icon", "exit.png", 64, 64, drawExit},
        {"icon", "folder-yellow-32.png", 32, 32, drawFolder},
        {"icon", "id.png", 64, 64, drawInfo},
        {"icon", "id_card.png", 64, 64, drawIdCard},
        {"icon", "logo_for_title.png", 64, 64, drawLogo},
        {"icon", "order_159.png", 64, 64, drawSelectAll},
        {"icon", "ruler.png", 64, 64, drawRuler},
        {"icon", "save_as.png", 64, 64, drawSaveAs},
        {"icon", "settings.png", 64, 64, drawGear},
        {"icon", "xls.png", 64, 64, drawSpreadsheet},
        {"pipe", "circle.png", 300, 200, drawCirclePipe},
        {"pipe", "rectangle.png", 300, 200, drawRectanglePipe},
        {"pipe", "trapezoid.png", 300, 200, drawTrapezoidPipe},
        {"pipe", "triangle.png", 300, 200, drawTrianglePipe},
    };
}

bool render(const Picture &pic, const QString &root)
{
    QImage img(pic.width, pic.height, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        if (pic.group != QLatin1String("pipe"))
            p.scale(pic.width / kGrid, pic.height / kGrid);
        pic.draw(p);
    }
    QDir().mkpath(root + '/' + pic.group);
    return img.save(root + '/' + pic.group + '/' + pic.name, "PNG");
}

bool writeQrc(const std::vector<Picture> &all, const QString &root)
{
    QFile f(root + QStringLiteral("/resources.qrc"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    QTextStream out(&f);
    out << "<!-- Written by tools/picgen; run it again instead of editing by hand. -->\n";
    out << "<RCC>\n";
    for (const QString &group : {QStringLiteral("icon"), QStringLiteral("button"), QStringLiteral("pipe")}) {
        out << "    <qresource prefix=\"/" << group << "\">\n";
        for (const Picture &pic : all) {
            if (pic.group == group)
                out << "        <file alias=\"image/" << pic.name << "\">" << group << '/' << pic.name
                    << "</file>\n";
        }
        out << "    </qresource>\n";
    }
    out << "</RCC>\n";
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: picgen <resources-folder>\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const std::vector<Picture> all = pictures();
    for (const Picture &pic : all) {
        if (!render(pic, root)) {
            std::fprintf(stderr, "picgen: cannot write %s/%s\n", qPrintable(pic.group), qPrintable(pic.name));
            return 1;
        }
    }
    if (!writeQrc(all, root)) {
        std::fprintf(stderr, "picgen: cannot write %s/resources.qrc\n", qPrintable(root));
        return 1;
    }
    std::printf("picgen: %zu pictures written below %s\n", all.size(), qPrintable(root));
    return 0;
}
