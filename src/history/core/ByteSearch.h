#pragma once

#include <QByteArray>

namespace quendal {

// Finds a literal in raw bytes, sixteen positions at a time: the positions where its two
// rarest bytes fit are the only ones compared in full. Ignoring case, only ASCII letters are
// folded, so UTF-8 and Latin-1 bytes beyond ASCII are compared as they are.
class LiteralFinder
{
public:
    LiteralFinder() = default;
    LiteralFinder(QByteArray literal, bool ignoreCase);

    bool isEmpty() const { return literal_.isEmpty(); }
    // The start of the first occurrence in [from, end), or end when there is none.
    const char* find(const char* from, const char* end) const;

private:
    bool equalAt(const char* at) const;

    QByteArray literal_; // lower case when ignoring case
    bool ignoreCase_ = false;
    qsizetype rare1_ = 0; // the positions of its two rarest bytes
    qsizetype rare2_ = 0;
};

// The number of line feeds in [from, end).
qsizetype countLineFeeds(const char* from, const char* end);

} // namespace quendal
