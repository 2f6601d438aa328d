#pragma once

#include "logs/core/LogList.h"
#include "logs/core/LogRows.h"

#include <QByteArray>
#include <QString>

#include <array>

namespace quendal {

// Reads log files back into a list. Lines are gathered in groups of three (Time, Host, Message);
// a Time line in brackets marks an emergency entry, whose Time is what stands between the '['
// and the line's last ']'. Each completed entry goes on top, so a file
// read from its beginning leaves its newest entry at row 0.
class LogFileReader
{
public:
    // Takes one line without its line end; completes an entry every third line.
    void AddLoadedLine(LogRows& rows, QByteArrayView line);

    // Forgets an incomplete group left by the previous file, so it cannot shift the next one.
    void discardPending();
    int pendingLines() const { return pendingCount_; }

    // Reads a whole file, lines of any length, CR LF or LF. Only once the whole file has been
    // read is `list` emptied and filled with it; a file that cannot be opened or read leaves the
    // list as it was and returns false with the reason in `error`. A file with more entries than
    // the list keeps fills it with its newest ones: memory stays within the list's bound while
    // reading, and `entriesInFile` tells how many entries the file held in all.
    bool load(const QString& path, LogList& list, QString* error = nullptr,
              qsizetype* entriesInFile = nullptr);

private:
    QByteArray pendingBytes_;
    std::array<qsizetype, 3> pendingEnds_{};
    int pendingCount_ = 0;
    bool emergency_ = false;
};

} // namespace quendal
