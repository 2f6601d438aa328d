#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>

namespace quendal {

// The syslog severity of an entry, PRI modulo 8; Unknown for an entry read back from a file that
// was no emergency (the files keep only "emergency or not").
enum class Severity : std::int8_t
{
    Unknown = -1,
    Emergency = 0,
    Alert = 1,
    Critical = 2,
    Error = 3,
    Warning = 4,
    Notice = 5,
    Informational = 6,
    Debug = 7,
};

// The severity of a syslog severity number, Unknown outside 0 to 7.
constexpr Severity severityOf(int value)
{
    return value >= 0 && value <= 7 ? Severity(value) : Severity::Unknown;
}

// One row of a category list, as views into bytes owned elsewhere (the datagram buffer, a file
// buffer or the list's own storage). Texts are the received bytes, never decoded.
struct LogEntryView
{
    QByteArrayView time;
    QByteArrayView host;
    QByteArrayView message;
    Severity severity = Severity::Unknown;
    // The address the datagram came from, as text; empty when not known (an entry read back).
    QByteArrayView sender = {};

    bool isEmergency() const { return severity == Severity::Emergency; }
};

// An owning copy, for callers that keep an entry beyond the life of its bytes.
struct LogEntry
{
    QByteArray time;
    QByteArray host;
    QByteArray message;
    Severity severity = Severity::Unknown;
    QByteArray sender = {};

    bool isEmergency() const { return severity == Severity::Emergency; }
    LogEntryView view() const { return {time, host, message, severity, sender}; }
    static LogEntry from(const LogEntryView& v)
    {
        return {v.time.toByteArray(), v.host.toByteArray(), v.message.toByteArray(), v.severity,
                v.sender.toByteArray()};
    }
    friend bool operator==(const LogEntry&, const LogEntry&) = default;
};

} // namespace quendal
