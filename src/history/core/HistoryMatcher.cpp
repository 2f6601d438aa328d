#include "history/core/HistoryMatcher.h"

#include "common/core/DisplayText.h"
#include "logs/core/DecodedTextMatch.h"
#include "logs/core/RegexLiteral.h"

#include <algorithm>

namespace quendal {
namespace {

bool isAscii(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

bool contains(const LiteralFinder& finder, QByteArrayView bytes)
{
    const char* end = bytes.data() + bytes.size();
    return finder.find(bytes.data(), end) != end;
}

} // namespace

HistoryMatcher::HistoryMatcher(const HistoryQuery& query) : query_(query)
{
    const bool ignoreCase = !query_.caseSensitive;
    if (query_.regularExpression && !query_.text.isEmpty()) {
        regex_.setPattern(query_.text);
        if (ignoreCase)
            regex_.setPatternOptions(QRegularExpression::CaseInsensitiveOption);
        if (!regex_.isValid()) {
            error_ = regex_.errorString();
            return;
        }
        regex_.optimize();
        // Ignoring case, the Kelvin sign and the long s would also match 'k' and 's': in the
        // files, as in grep, those letters are taken as written.
        literal_ = LiteralFinder(requiredLiteral(query_.text), ignoreCase);
        decodeText_ = true;
    } else if (!query_.text.isEmpty() && (query_.caseSensitive || isAscii(query_.text))) {
        textLiteral_ = LiteralFinder(query_.text.toUtf8(), ignoreCase);
        literal_ = textLiteral_;
    } else if (!query_.text.isEmpty()) {
        decodeText_ = true;
    }
    if (!query_.host.isEmpty() && isAscii(query_.host)) {
        hostLiteral_ = LiteralFinder(query_.host.toUtf8(), true);
        // The host's part is a literal as good as the text's when the text gives none.
        if (literal_.isEmpty())
            literal_ = hostLiteral_;
    }
}

bool HistoryMatcher::textMatches(QByteArrayView bytes) const
{
    if (!decodeText_)
        return contains(textLiteral_, bytes);
    return decodedTextMatches(bytes, query_.regularExpression, regex_, query_.text, asciiText_);
}

bool HistoryMatcher::matches(const LogEntryView& entry) const
{
    if (!isValid())
        return false;
    if (query_.emergenciesOnly && !entry.isEmergency())
        return false;
    if (!query_.host.isEmpty()) {
        if (!hostLiteral_.isEmpty()
                ? !contains(hostLiteral_, entry.host)
                : !decodeForDisplay(entry.host).contains(query_.host, Qt::CaseInsensitive))
            return false;
    }
    if (query_.text.isEmpty())
        return true;
    return textMatches(entry.message) || textMatches(entry.time) || textMatches(entry.host);
}

} // namespace quendal
