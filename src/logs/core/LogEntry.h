#pragma once

#include "common/core/ColourIndex.h"

#include <QByteArray>
#include <QByteArrayView>

namespace quendal {

// One row of a category list, as views into bytes owned elsewhere (the datagram buffer, a file
// buffer or the list's own storage). Texts are the received bytes, never decoded.
struct LogEntryView
{
    QByteArrayView time;
    QByteArrayView host;
    QByteArrayView message;
    int colour = DEF_TEXT; // RED for severity 0
};

// An owning copy, for callers that keep an entry beyond the life of its bytes.
struct LogEntry
{
    QByteArray time;
    QByteArray host;
    QByteArray message;
    int colour = DEF_TEXT;

    LogEntryView view() const { return {time, host, message, colour}; }
    static LogEntry from(const LogEntryView& v)
    {
        return {v.time.toByteArray(), v.host.toByteArray(), v.message.toByteArray(), v.colour};
    }
    friend bool operator==(const LogEntry&, const LogEntry&) = default;
};

// The colour of an entry of a given syslog severity.
constexpr int colourForSeverity(int severity)
{
    return severity == 0 ? RED : DEF_TEXT;
}

} // namespace quendal
