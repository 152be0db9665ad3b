#pragma once

#include <QString>
#include <QVector>

// Which requests a fault applies to. Written as a comma-separated list of items
// "[KIND:]N", "[KIND:]N-M" or "[KIND:]N-" (open end); N counts requests from 1, either
// all requests (no KIND) or only those of one kind: devinfo, projects, points, files,
// data, node, stop, setid. "all" matches every request, "KIND:all" every request of a kind.
class FaultSet
{
public:
    // Parses the text; false with a message when it is not a valid list.
    bool parse(const QString &text, QString *error);
    // Whether the request numbered seq overall and kindSeq within its kind matches.
    bool matches(const QString &kind, int seq, int kindSeq) const;
    bool isEmpty() const { return items_.isEmpty(); }

private:
    struct Item
    {
        QString kind; // empty: counts all requests
        int first = 1;
        int last = 1; // -1: no end
    };
    QVector<Item> items_;
};
