#pragma once

#include <QByteArrayView>
#include <QString>

namespace quendal {

// The Time column's text of a received time: an RFC 3339 timestamp in the compact local form
// "2026-12-08 09:39:51" (the stamp itself stays in the row, the files and the tooltip), any
// other time as it came. Null when the time is no RFC 3339 stamp.
QString compactRfc3339Time(QByteArrayView time);

} // namespace quendal
