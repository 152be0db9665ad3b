#pragma once

// Where the user looks in a hydrograph (its time range and its cursors' records), kept across a
// redraw with new data: after an edit the user keeps looking where it was made.

#include "plots/Hydrograph.h"

#include <optional>
#include <span>

struct HydrographPlace
{
    double from = 0.0;
    double to = 0.0;
    std::optional<qint64> cursorA; // clock times of the records under the cursors
    std::optional<qint64> cursorB;

    // The place of a hydrograph whose records have these clock times.
    static HydrographPlace of(const Hydrograph *h, std::span<const qint64> times)
    {
        HydrographPlace p;
        p.from = h->viewFrom();
        p.to = h->viewTo();
        const auto at = [&](Hydrograph::Cursor c) -> std::optional<qint64> {
            const qsizetype i = h->cursorRecord(c);
            return i >= 0 && i < qsizetype(times.size()) ? std::optional<qint64>(times[std::size_t(i)])
                                                         : std::nullopt;
        };
        p.cursorA = at(Hydrograph::Cursor::A);
        p.cursorB = at(Hydrograph::Cursor::B);
        return p;
    }
    // Puts the hydrograph, drawn anew, back there.
    void restore(Hydrograph *h) const
    {
        if (to > from)
            h->setTimeRange(from, to);
        if (cursorA)
            h->setCursor(Hydrograph::Cursor::A, double(*cursorA));
        if (cursorB)
            h->setCursor(Hydrograph::Cursor::B, double(*cursorB));
    }
};
