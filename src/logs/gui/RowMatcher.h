#pragma once

#include "logs/core/LogEntry.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QString>

#include <string>

namespace quendal {

// What the find bar looks for, and the test of one entry against it. Plain text is searched in
// the received bytes themselves (Time, Host and Message), so a million rows take a few tens of
// milliseconds; only a regular expression or a text with non-ASCII characters under "ignore
// case" decodes each row, and a regular expression with a literal part only the rows that hold it.
struct FindQuery
{
    QString text;
    bool caseSensitive = false;
    bool regularExpression = false;
    // Sender filter of the find bar: a part of the Host column, case-insensitive; empty for all.
    QString host;
    // Only entries of this severity and worse (0 = emergency only); -1 for any. An entry whose
    // severity is not known (read back from a file) passes only "any".
    int worstSeverity = -1;

    bool isEmpty() const { return text.isEmpty() && host.isEmpty() && worstSeverity < 0; }
    friend bool operator==(const FindQuery&, const FindQuery&) = default;
};

class RowMatcher
{
public:
    explicit RowMatcher(const FindQuery& query = {});

    // False for an invalid regular expression: then nothing matches.
    bool isValid() const { return valid_; }
    // Why the regular expression is invalid; empty when it is not.
    QString errorText() const { return valid_ ? QString() : regex_.errorString(); }
    bool matches(const LogEntryView& entry) const;

private:
    bool textMatches(QByteArrayView bytes) const;

    FindQuery query_;
    bool valid_ = true;
    bool decode_ = false;   // compare decoded text instead of bytes
    QByteArray needle_;     // UTF-8; lower case when the case is ignored
    QByteArray hostNeedle_; // UTF-8, lower case
    QRegularExpression regex_;
    // Text every match of regex_ contains (lower case when the case is ignored); rows without it
    // are rejected on their bytes. Empty when the pattern names none.
    QByteArray regexLiteral_;
    mutable std::u16string asciiText_; // reused for the rows that are plain ASCII
};

} // namespace quendal
