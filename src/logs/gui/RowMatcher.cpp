#include "logs/gui/RowMatcher.h"

#include "common/core/DisplayText.h"
#include "logs/core/DecodedTextMatch.h"
#include "logs/core/RegexLiteral.h"

#include <algorithm>
#include <cstring>

namespace quendal {
namespace {

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

bool isAscii(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

// `needle` is lower case ASCII; bytes beyond ASCII never equal one of its bytes, so UTF-8 text
// is searched correctly byte by byte.
bool containsIgnoringAsciiCase(QByteArrayView haystack, QByteArrayView needle)
{
    if (needle.isEmpty())
        return true;
    if (haystack.size() < needle.size())
        return false;
    const char first = needle.front();
    const char firstUpper = (first >= 'a' && first <= 'z') ? char(first - ('a' - 'A')) : first;
    const char* data = haystack.data();
    const qsizetype lastStart = haystack.size() - needle.size();
    for (qsizetype i = 0; i <= lastStart; ++i) {
        if (data[i] != first && data[i] != firstUpper)
            continue;
        qsizetype j = 1;
        while (j < needle.size() && asciiLower(data[i + j]) == needle[j])
            ++j;
        if (j == needle.size())
            return true;
    }
    return false;
}

} // namespace

RowMatcher::RowMatcher(const FindQuery& query) : query_(query)
{
    if (query_.regularExpression && !query_.text.isEmpty()) {
        regex_.setPattern(query_.text);
        if (!query_.caseSensitive)
            regex_.setPatternOptions(QRegularExpression::CaseInsensitiveOption);
        valid_ = regex_.isValid();
        if (valid_) {
            regex_.optimize();
            regexLiteral_ = requiredLiteral(query_.text);
            if (!query_.caseSensitive)
                regexLiteral_ = regexLiteral_.toLower();
        }
        decode_ = true;
    } else if (query_.caseSensitive) {
        needle_ = query_.text.toUtf8();
    } else if (isAscii(query_.text)) {
        needle_ = query_.text.toLower().toUtf8();
    } else {
        decode_ = true;
    }
    hostNeedle_ = query_.host.toLower().toUtf8();
}

bool RowMatcher::textMatches(QByteArrayView bytes) const
{
    if (query_.text.isEmpty())
        return true;
    if (!decode_) {
        return query_.caseSensitive ? bytes.contains(QByteArrayView(needle_))
                                    : containsIgnoringAsciiCase(bytes, needle_);
    }
    if (query_.regularExpression && !regexLiteral_.isEmpty()) {
        const bool held = query_.caseSensitive ? bytes.contains(QByteArrayView(regexLiteral_))
                                               : containsIgnoringAsciiCase(bytes, regexLiteral_);
        // Ignoring case, a few letters beyond ASCII (the Kelvin sign, the long s) match ASCII ones.
        if (!held && (query_.caseSensitive || isAsciiBytes(bytes)))
            return false;
    }
    return decodedTextMatches(bytes, query_.regularExpression, regex_, query_.text, asciiText_);
}

bool RowMatcher::matches(const LogEntryView& entry) const
{
    if (!valid_)
        return false;
    if (query_.worstSeverity >= 0 &&
        (entry.severity == Severity::Unknown || int(entry.severity) > query_.worstSeverity))
        return false;
    if (!query_.host.isEmpty()) {
        if (isAscii(query_.host)
                ? !containsIgnoringAsciiCase(entry.host, hostNeedle_)
                : !decodeForDisplay(entry.host).contains(query_.host, Qt::CaseInsensitive))
            return false;
    }
    return textMatches(entry.message) || textMatches(entry.time) || textMatches(entry.host);
}

} // namespace quendal
