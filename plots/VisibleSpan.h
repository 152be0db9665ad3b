#pragma once

// The part of a list of points in ascending x that a draw needs: the points inside the map's x
// range and one beyond each side, so that lines run on to the edges of the pane.

#include <qwt_scale_map.h>

#include <algorithm>
#include <utility>

template <typename List, typename XOf>
std::pair<typename List::const_iterator, typename List::const_iterator>
visibleSpan(const List &points, const QwtScaleMap &xMap, XOf xOf)
{
    const double from = std::min(xMap.s1(), xMap.s2()), to = std::max(xMap.s1(), xMap.s2());
    const auto byX = [&xOf](const auto &p, double x) { return xOf(p) < x; };
    auto first = std::lower_bound(points.cbegin(), points.cend(), from, byX);
    auto last = std::lower_bound(first, points.cend(), to, byX);
    if (first != points.cbegin())
        --first;
    if (last != points.cend())
        ++last;
    return {first, last};
}
