#pragma once

#include "history/core/ByteSearch.h"
#include "history/core/HistoryQuery.h"
#include "logs/core/LogEntry.h"

#include <QRegularExpression>

#include <string>

namespace quendal {

// The test of one entry against a search's text, host and emergency criteria, and the literal
// that every matching entry holds somewhere in its bytes, so that the files can be searched for
// the literal first and only the entries that hold it taken apart.
class HistoryMatcher
{
public:
    explicit HistoryMatcher(const HistoryQuery& query);

    // False for an invalid regular expression, with the reason.
    bool isValid() const { return error_.isEmpty(); }
    QString error() const { return error_; }

    // Empty when entries have to be looked at one by one.
    const LiteralFinder& literal() const { return literal_; }

    bool matches(const LogEntryView& entry) const;

private:
    bool textMatches(QByteArrayView bytes) const;

    HistoryQuery query_;
    QString error_;
    LiteralFinder literal_;
    LiteralFinder textLiteral_; // the plain text itself, when bytes can be compared
    LiteralFinder hostLiteral_; // ASCII host part
    QRegularExpression regex_;
    bool decodeText_ = false;
    mutable std::u16string asciiText_;
};

} // namespace quendal
