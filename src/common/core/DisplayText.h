#pragma once

#include <QByteArrayView>
#include <QString>

namespace quendal {

// Received bytes as text for the screen: UTF-8, or Latin-1 when the bytes are not valid UTF-8.
QString decodeForDisplay(QByteArrayView bytes);

} // namespace quendal
