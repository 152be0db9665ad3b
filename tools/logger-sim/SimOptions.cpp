#include "tools/logger-sim/SimOptions.h"

#include <QStringList>

namespace {

bool takeInt(const QString &name, const QString &value, int min, int *out, QString *error)
{
    bool ok = false;
    const int v = value.toInt(&ok);
    if (!ok || v < min) {
        *error = QStringLiteral("%1 needs a number of at least %2, not \"%3\"").arg(name).arg(min).arg(value);
        return false;
    }
    *out = v;
    return true;
}

bool takePages(const QString &value, QVector<int> *out, QString *error)
{
    out->clear();
    const QStringList parts = value.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        bool ok = false;
        const int v = part.trimmed().toInt(&ok, 0);
        if (!ok || v < 0 || v > 0xEF || (out->isEmpty() && v != 0) || out->contains(v)) {
            *error = QStringLiteral("--list-pages needs distinct page numbers 0 to 239 starting with 0");
            return false;
        }
        out->append(v);
    }
    return true;
}

bool takeDataPages(const QString &value, QVector<int> *out, QString *error)
{
    out->clear();
    const QStringList parts = value.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        bool ok = false;
        const int v = part.trimmed().toInt(&ok, 0);
        if (!ok || v < 2 || v > 0xEF) {
            *error = QStringLiteral("--data-pages needs page numbers 2 to 239");
            return false;
        }
        out->append(v);
    }
    // A logger must tell a repeated request from the next one: two pages in a row never share
    // a number.
    for (int i = 0; i < out->size(); ++i) {
        if (out->size() < 2 || out->at(i) == out->at((i + 1) % out->size())) {
            *error = QStringLiteral("--data-pages needs at least two numbers, none twice in a row");
            return false;
        }
    }
    return true;
}

} // namespace

QString simUsage()
{
    return QStringLiteral(
        "Usage: limnova-logger-sim [options] ROOT\n"
        "       limnova-logger-sim --make-sample rva|rvb DIR\n"
        "\n"
        "Plays a water-monitoring logger at the far end of a pseudo-terminal. The first line\n"
        "on standard output is the port to open (the slave side of the pseudo-terminal).\n"
        "ROOT holds ROOT/<project>/<point>/<file> and the description file logger.ini.\n"
        "Each request received is logged to standard error, one line each (see README.md).\n"
        "\n"
        "Serving:\n"
        "  --config FILE          description file (default ROOT/logger.ini)\n"
        "  --link PATH            also make a symbolic link PATH to the port\n"
        "  --page-size N          bytes of file data per record-data page (default 2048)\n"
        "  --list-page-size N     bytes of list content per list page (default 512)\n"
        "  --list-pages P,P,...   page numbers of list pages, first 0 (default 0,1,2,...)\n"
        "  --delay MS             wait MS milliseconds before each reply (default 0)\n"
        "  --baud N               send at most N/10 bytes per second (default 0: unpaced)\n"
        "  --data-pages P,P,...   numbers of the record-data pages after page 1, in turn\n"
        "                         (default 2,3,...,239)\n"
        "\n"
        "Faults (SET: comma-separated [KIND:]N, [KIND:]N-M, [KIND:]N- or all; N counts\n"
        "requests from 1, all of them or only those of KIND: devinfo, projects, points,\n"
        "files, data, node, stop, setid):\n"
        "  --drop SET             send no reply\n"
        "  --corrupt SET          send the reply with a checksum that does not match\n"
        "  --split SET            send the reply in pieces with pauses between them\n"
        "  --split-chunks N       number of pieces (default 3)\n"
        "  --split-pause MS       pause between pieces (default 100)\n"
        "  --duplicate SET        send the reply, then the same reply again later\n"
        "  --duplicate-delay MS   time from the reply to its duplicate (default 500)\n"
        "  --notice SET           send the link-closed notice instead of the reply\n"
        "  --hangup SET           close the pseudo-terminal when the request arrives, then exit\n"
        "  --slow SET             send the reply late (a logger busy on these requests)\n"
        "  --slow-delay MS        how late (default 2300)\n"
        "  --garbage SET          send bytes without any end byte instead of the reply\n"
        "  --garbage-bytes N      how many (default 4096)\n"
        "\n"
        "One request at a time (a request waits until the one before it is answered):\n"
        "  --reply-delay MS       every reply MS late\n"
        "  --slow-req SET         these replies --slow-delay MS later still\n"
        "  --dup-req SET          these replies twice in a row\n"
        "  --drop-req SET         no reply to these, after the time it would have taken\n"
        "\n"
        "Samples:\n"
        "  --make-sample rva DIR  write the sample RVA logger into DIR\n"
        "  --make-sample rvb DIR  write the sample RVB logger into DIR\n");
}

bool parseSimOptions(const QStringList &arguments, SimOptions *o, QString *error, bool *helpOnly)
{
    *helpOnly = false;
    QStringList positional;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString arg = arguments[i];
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            *helpOnly = true;
            return true;
        }
        if (!arg.startsWith(QLatin1String("--"))) {
            positional.append(arg);
            continue;
        }
        QString name = arg;
        QString value;
        const int eq = arg.indexOf(QLatin1Char('='));
        if (eq > 0) {
            name = arg.left(eq);
            value = arg.mid(eq + 1);
        } else {
            if (i + 1 >= arguments.size()) {
                *error = QStringLiteral("%1 needs a value").arg(arg);
                return false;
            }
            value = arguments[++i];
        }
        bool ok = true;
        if (name == QLatin1String("--config"))
            o->config = value;
        else if (name == QLatin1String("--link"))
            o->linkPath = value;
        else if (name == QLatin1String("--page-size"))
            ok = takeInt(name, value, 1, &o->pageSize, error);
        else if (name == QLatin1String("--list-page-size"))
            ok = takeInt(name, value, 1, &o->listPageSize, error);
        else if (name == QLatin1String("--list-pages"))
            ok = takePages(value, &o->listPages, error);
        else if (name == QLatin1String("--delay"))
            ok = takeInt(name, value, 0, &o->delayMs, error);
        else if (name == QLatin1String("--baud"))
            ok = takeInt(name, value, 0, &o->baud, error);
        else if (name == QLatin1String("--data-pages"))
            ok = takeDataPages(value, &o->dataPages, error);
        else if (name == QLatin1String("--slow"))
            ok = o->slow.parse(value, error);
        else if (name == QLatin1String("--slow-delay"))
            ok = takeInt(name, value, 0, &o->slowDelayMs, error);
        else if (name == QLatin1String("--drop"))
            ok = o->drop.parse(value, error);
        else if (name == QLatin1String("--corrupt"))
            ok = o->corrupt.parse(value, error);
        else if (name == QLatin1String("--split"))
            ok = o->split.parse(value, error);
        else if (name == QLatin1String("--split-chunks"))
            ok = takeInt(name, value, 1, &o->splitChunks, error);
        else if (name == QLatin1String("--split-pause"))
            ok = takeInt(name, value, 0, &o->splitPauseMs, error);
        else if (name == QLatin1String("--duplicate"))
            ok = o->duplicate.parse(value, error);
        else if (name == QLatin1String("--duplicate-delay"))
            ok = takeInt(name, value, 0, &o->duplicateDelayMs, error);
        else if (name == QLatin1String("--notice"))
            ok = o->notice.parse(value, error);
        else if (name == QLatin1String("--hangup"))
            ok = o->hangup.parse(value, error);
        else if (name == QLatin1String("--garbage"))
            ok = o->garbage.parse(value, error);
        else if (name == QLatin1String("--reply-delay"))
            ok = takeInt(name, value, 0, &o->replyDelayMs, error);
        else if (name == QLatin1String("--slow-req"))
            ok = o->slowReq.parse(value, error);
        else if (name == QLatin1String("--dup-req"))
            ok = o->dupReq.parse(value, error);
        else if (name == QLatin1String("--drop-req"))
            ok = o->dropReq.parse(value, error);
        else if (name == QLatin1String("--garbage-bytes"))
            ok = takeInt(name, value, 1, &o->garbageBytes, error);
        else {
            *error = QStringLiteral("unknown option %1").arg(name);
            return false;
        }
        if (!ok)
            return false;
    }
    if (positional.size() != 1) {
        *error = QStringLiteral("give exactly one ROOT folder");
        return false;
    }
    o->root = positional.first();
    return true;
}
