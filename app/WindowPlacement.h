#pragma once

#include <QRect>

namespace lmv {

// Where a top-level window of the wanted geometry goes on a screen whose free area (without
// task bars and panels) is available: unchanged where it fits; otherwise moved, and shrunk only
// where it is larger than the area, so that it lies wholly inside. An empty area (no screen
// known) leaves the wanted geometry.
QRect fitWindowRect(const QRect &wanted, const QRect &available);

} // namespace lmv
