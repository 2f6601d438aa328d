#pragma once

#include <QByteArrayView>

namespace quendal {

// The parts of an RFC 5424 message, as views into its bytes. A part sent as the nil value "-",
// or missing because the datagram ends early, is empty.
struct Rfc5424Header
{
    QByteArrayView timestamp;
    QByteArrayView hostname;
    QByteArrayView appName;
    QByteArrayView procId;
    QByteArrayView msgId;
    QByteArrayView structuredData; // the elements with their brackets, "[id k=\"v\"][...]"
    QByteArrayView message;        // MSG without its leading UTF-8 byte order mark
};

// Reads `body`, the text behind the priority prefix that recogniseHeaderForm found to be RFC
// 5424. Lenient where senders are sloppy, and it drops nothing but the version, the blanks
// between the header parts, nil values and the byte order mark:
//  - a header part runs to the next blank, whatever it holds;
//  - structured data runs from '[' to the matching ']' (a ']' inside a quoted value, or escaped,
//    does not end it), or to the end of the datagram when it is never closed;
//  - anything else where the structured data should be begins the message.
Rfc5424Header parseRfc5424Header(QByteArrayView body);

} // namespace quendal
