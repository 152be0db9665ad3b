#pragma once

// Whether a pipe or channel can exist at all. A header written by a damaged logger or file can
// hold any 32-bit value; every computation that needs the pipe asks here first and says why it
// stops instead of working on (or allocating for) a pipe kilometres high.

#include "data/Records.h"

#include <QString>

namespace lmv {

// Largest height, diameter or width of a pipe or channel, mm.
constexpr quint32 kMaxPipeMm = 20000;

// Why a pipe is impossible ("管道参数不可能: 管径 0 mm (应为 2-20000 mm)"); empty when it is
// possible. Impossible: an unknown shape; a height, diameter or a width the shape needs that is 0
// or above kMaxPipeMm; sediment that reaches the top.
QString pipeProblem(quint32 shape, quint32 heightOrDiameter, quint32 widthOrLowerBase, quint32 upperBase,
                    quint32 sediment);
QString pipeProblem(const PipeSaveIntoTfType &point);
QString pipeProblem(const PipeGeometry &pipe);

inline bool pipePossible(const PipeSaveIntoTfType &point)
{
    return pipeProblem(point).isEmpty();
}
inline bool pipePossible(const PipeGeometry &pipe)
{
    return pipeProblem(pipe).isEmpty();
}

} // namespace lmv
