#pragma once

#include <QByteArrayView>
#include <QString>

namespace quendal {

// Received bytes as text for the screen: UTF-8, or Latin-1 when the bytes are not valid UTF-8
// and hold no UTF-8 character of more than one byte either (a Latin-1 text). Text that is UTF-8
// but for a few bad bytes keeps its characters, each bad byte shown as U+FFFD.
QString decodeForDisplay(QByteArrayView bytes);

} // namespace quendal
