#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace quendal {

// Appends `message` as one octet-counted frame ("LEN SP MSG"), the framing syslog uses over TCP
// and TLS where a message may itself hold line breaks.
void appendOctetCounted(QByteArray& out, QByteArrayView message);

} // namespace quendal
