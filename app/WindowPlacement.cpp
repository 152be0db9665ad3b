#include "app/WindowPlacement.h"

#include <algorithm>

namespace lmv {

namespace {

// Start of a span of the given length inside [low, low + room), as near to wanted as it can be.
int placeSpan(int wanted, int length, int low, int room)
{
    return std::clamp(wanted, low, low + room - length);
}

} // namespace

QRect fitWindowRect(const QRect &wanted, const QRect &available)
{
    if (available.isEmpty() || available.contains(wanted))
        return wanted;
    const int width = std::min(wanted.width(), available.width());
    const int height = std::min(wanted.height(), available.height());
    return QRect(placeSpan(wanted.x(), width, available.x(), available.width()),
                 placeSpan(wanted.y(), height, available.y(), available.height()), width, height);
}

} // namespace lmv
