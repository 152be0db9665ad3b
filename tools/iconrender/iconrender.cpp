// Renders the program's SVG icon into a square PNG for the desktop icon theme.
//
//   lmv-iconrender SVG SIZE OUT.png
//
// Runs at build time without a display: the icon holds no text, so no font (and no GUI
// application object) is needed to paint it into an image.

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool sizeOk = false;
    const int size = args.size() == 4 ? args.at(2).toInt(&sizeOk) : 0;
    if (!sizeOk || size < 16 || size > 1024) {
        std::fprintf(stderr, "usage: lmv-iconrender SVG SIZE(16..1024) OUT.png\n");
        return 2;
    }
    QSvgRenderer svg(args.at(1));
    if (!svg.isValid()) {
        std::fprintf(stderr, "%s: not a readable SVG picture\n", qPrintable(args.at(1)));
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        svg.render(&p, QRectF(0, 0, size, size));
    }
    if (!image.save(args.at(3), "PNG")) {
        std::fprintf(stderr, "%s: cannot write the picture\n", qPrintable(args.at(3)));
        return 1;
    }
    return 0;
}
