#include "tools/logger-sim/FaultSet.h"

#include <QStringList>

namespace {

const QStringList &kinds()
{
    static const QStringList list = {QStringLiteral("devinfo"), QStringLiteral("projects"),
                                     QStringLiteral("points"),  QStringLiteral("files"),
                                     QStringLiteral("data"),    QStringLiteral("node"),
                                     QStringLiteral("stop"),    QStringLiteral("setid")};
    return list;
}

} // namespace

bool FaultSet::parse(const QString &text, QString *error)
{
    items_.clear();
    const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (QString part : parts) {
        part = part.trimmed();
        Item item;
        if (part == QLatin1String("all")) {
            item.last = -1;
            items_.append(item);
            continue;
        }
        const int colon = part.indexOf(QLatin1Char(':'));
        if (colon >= 0) {
            item.kind = part.left(colon);
            if (!kinds().contains(item.kind)) {
                *error = QStringLiteral("unknown request kind \"%1\"").arg(item.kind);
                return false;
            }
            part = part.mid(colon + 1);
            if (part == QLatin1String("all")) {
                item.last = -1;
                items_.append(item);
                continue;
            }
        }
        const int dash = part.indexOf(QLatin1Char('-'));
        bool ok1 = false;
        bool ok2 = true;
        if (dash < 0) {
            item.first = part.toInt(&ok1);
            item.last = item.first;
        } else {
            item.first = part.left(dash).toInt(&ok1);
            const QString end = part.mid(dash + 1);
            item.last = end.isEmpty() ? -1 : end.toInt(&ok2);
        }
        if (!ok1 || !ok2 || item.first < 1 || (item.last != -1 && item.last < item.first)) {
            *error = QStringLiteral("bad request number in \"%1\"").arg(text);
            return false;
        }
        items_.append(item);
    }
    return true;
}

bool FaultSet::matches(const QString &kind, int seq, int kindSeq) const
{
    for (const Item &item : items_) {
        const int n = item.kind.isEmpty() ? seq : (item.kind == kind ? kindSeq : 0);
        if (n >= item.first && (item.last == -1 || n <= item.last))
            return true;
    }
    return false;
}
