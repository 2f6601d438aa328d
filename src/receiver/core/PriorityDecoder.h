#pragma once

#include <QByteArrayView>

namespace quendal {

// The priority prefix of a syslog datagram: '<', up to three characters, '>'.
struct Priority
{
    int headerEnd = 0; // position of the closing '>'
    int value = 0;
    int facility = 0;
    int severity = 0;
};

// Position of the '>' closing the prefix, which must stand at 1 to 4; -1 when there is none.
// The caller has checked that the datagram starts with '<'.
int findHeaderEnd(QByteArrayView text);

// Priority, facility and severity from the characters between the brackets. Every character
// counts with its low four bits, digit or not, as routers' firmware has always been read.
Priority decodePriority(QByteArrayView text, int headerEnd);

} // namespace quendal
