#pragma once

#include <QByteArrayView>

namespace quendal {

// How the text after a datagram's priority prefix begins.
enum class HeaderForm
{
    Classic,    // "Mmm dd hh:mm:ss " or "Mmm  d hh:mm:ss ": the routers' own header
    Rfc5424,    // "1 TIMESTAMP HOSTNAME APP-NAME PROCID MSGID STRUCTURED-DATA [MSG]"
    Rfc3339,    // "2026-12-07T14:20:00.123+00:00 host rest": an ISO time in the classic layout
    Headerless, // no time at all: the first 16 bytes hold no time of day "hh:mm"
    Unknown,    // a time of day near the front but none of the forms above (an odd router clock)
};

// The form of `body`, the datagram's text behind the priority prefix. Classic and Unknown are
// cut by the routers' fixed-offset split; the others have splits of their own.
//
// A timestamp is taken as sent once its date and the 'T' are there ("2026-12-07T..."), so a
// time with garbage in it still counts as one. An RFC 5424 header needs its version, a blank and
// such a timestamp (or the nil value "-"); one cut short before that is header-less text.
HeaderForm recogniseHeaderForm(QByteArrayView body);

// Whether `body` starts with "YYYY-MM-DDT" (or 't'), the part every RFC 3339 time shares.
bool startsWithIsoDate(QByteArrayView body);

} // namespace quendal
