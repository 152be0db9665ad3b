#include "data/PipeLimits.h"

namespace lmv {

namespace {

QString impossible(const QString &what)
{
    return QStringLiteral("管道参数不可能: ") + what;
}

QString outOfRange(const QString &name, quint32 value, quint32 least = 1)
{
    return impossible(
        QStringLiteral("%1 %2 mm (应为 %3-%4 mm)").arg(name).arg(value).arg(least).arg(kMaxPipeMm));
}

bool inRange(quint32 mm, quint32 least = 1)
{
    return mm >= least && mm <= kMaxPipeMm;
}

} // namespace

QString pipeProblem(quint32 shape, quint32 height, quint32 width, quint32 upperBase, quint32 sediment)
{
    if (shape > PipeTriangle)
        return impossible(QStringLiteral("形状码 %1 (应为 0-3)").arg(shape));
    const bool circle = shape == PipeCircle;
    // A circle's radius is the diameter halved as an integer (see CrossSection.h): 1 mm has none.
    if (circle && !inRange(height, 2))
        return outOfRange(QStringLiteral("管径"), height, 2);
    if (!inRange(height))
        return outOfRange(QStringLiteral("高度"), height);
    if (shape == PipeRectangle || shape == PipeTriangle) {
        if (!inRange(width))
            return outOfRange(QStringLiteral("宽度"), width);
    } else if (shape == PipeTrapezoid) {
        if (!inRange(width))
            return outOfRange(QStringLiteral("下底"), width);
        if (!inRange(upperBase))
            return outOfRange(QStringLiteral("上底"), upperBase);
    }
    // The top of a circle is at 2·(d/2).
    const quint32 top = circle ? height / 2 * 2 : height;
    if (sediment >= top)
        return impossible(QStringLiteral("淤积 %1 mm 达到%2 (%3 mm)")
                              .arg(sediment)
                              .arg(circle ? QStringLiteral("管顶") : QStringLiteral("渠顶"))
                              .arg(top));
    return QString();
}

QString pipeProblem(const PipeSaveIntoTfType &p)
{
    // The shape as the flow calculation reads it: the low 8 bits of the code.
    return pipeProblem(p.pipeShape & 0xff, p.heightOrDiameter, p.widthOrLowerBase, p.upperBase, p.sediment);
}

QString pipeProblem(const PipeGeometry &g)
{
    return pipeProblem(g.shape, g.height, g.width, g.upperBase, g.sediment);
}

} // namespace lmv
