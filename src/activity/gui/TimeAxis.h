#pragma once

#include <QtGlobal>

class QCategoryAxis;

namespace quendal {

// A time axis whose ticks fall on whole local minutes or hours at an even spacing (3, 10 or 15
// minutes, 2 or 4 hours, ...), a handful of them whatever the range, labelled "HH:mm".
QCategoryAxis* makeTimeAxis();
// Shows [from, to] (milliseconds since the epoch) with ticks spaced for that length.
void showTimeRange(QCategoryAxis* axis, qint64 from, qint64 to);
// The spacing of the ticks for a range of `span` milliseconds.
qint64 timeTickStep(qint64 span);

} // namespace quendal
