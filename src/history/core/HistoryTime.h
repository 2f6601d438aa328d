#pragma once

#include "logs/core/ClassicTime.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace quendal {

// The year that puts a classic time at the latest date not after `notAfterMs`, with a day's
// grace for a router clock running ahead of the machine that wrote the file.
int yearNotAfter(const ClassicTime& time, qint64 notAfterMs);

// Dates the classic times of one file, which carry no year. The file is read from its start,
// but dated from its end: its newest entry falls on the latest date not after the file's
// modification time, and every December followed by a January marks a year turn, so the
// entries before it lie a year further back. Call note() for the entries in file order, then
// date() for each with what note() returned.
class FileDating
{
public:
    explicit FileDating(qint64 modifiedMs) : modifiedMs_(modifiedMs) {}

    // The year turns seen up to and including this entry.
    int note(const ClassicTime& time);
    // Once every entry of the file has been noted: the instant of an entry noted with `turns`.
    std::optional<qint64> date(const ClassicTime& time, int turns) const;

private:
    int yearOfNewest() const;

    qint64 modifiedMs_;
    int turns_ = 0;
    int lastMonth_ = 0;
    std::optional<ClassicTime> newest_;
    mutable std::optional<int> newestYear_;
};

// "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" (also with a 'T'), local time, in milliseconds
// since the epoch; nullopt for anything else.
std::optional<qint64> parseSearchTime(const QString& text);

} // namespace quendal
