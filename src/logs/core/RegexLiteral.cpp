#include "logs/core/RegexLiteral.h"

#include <QStringView>

namespace quendal {
namespace {

class PatternReader
{
public:
    explicit PatternReader(QStringView pattern) : pattern_(pattern) {}

    // Empty when the pattern needs a reading beyond this one.
    QByteArray longestRun()
    {
        if (!onlyFollowedConstructs())
            return {};
        for (qsizetype i = 0; i < pattern_.size();) {
            const char16_t c = at(i);
            if (c == '|' || c == ')')
                return {};
            if (c == '(') {
                const qsizetype close = groupEnd(i);
                if (close < 0)
                    return {};
                i = atomDone(close);
            } else if (c == '[') {
                const qsizetype close = classEnd(i);
                if (close < 0)
                    return {};
                i = atomDone(close);
            } else if (c == '\\') {
                const char16_t escaped = at(i + 1);
                if (isPunctuation(escaped)) {
                    i = literal(i + 1);
                } else if (QStringView(u"dDwWsShHvVbBAzZG").contains(QChar(escaped))) {
                    i = atomDone(i + 2);
                } else {
                    return {};
                }
            } else if (c >= 0x20 && c < 0x7f && !isSpecial(c)) {
                i = literal(i);
            } else {
                // ^ $ . * + ? { } ] and non-ASCII or control characters: no part of a run.
                i = atomDone(i + 1);
            }
        }
        endRun();
        return best_;
    }

private:
    char16_t at(qsizetype i) const { return i < pattern_.size() ? pattern_[i].unicode() : 0; }

    static bool isSpecial(char16_t c) { return QStringView(u"\\^$.|?*+()[]{}").contains(QChar(c)); }
    static bool isPunctuation(char16_t c)
    {
        return c >= 0x21 && c < 0x7f && !(c >= '0' && c <= '9') && !(c >= 'a' && c <= 'z') &&
               !(c >= 'A' && c <= 'Z');
    }

    // Inline options, verbs and quoting change how the rest reads; only plain groups, look-ahead
    // and look-behind are followed (and skipped whole).
    bool onlyFollowedConstructs() const
    {
        for (qsizetype i = 0; i + 1 < pattern_.size(); ++i) {
            if (at(i) == '\\') {
                if (at(i + 1) == 'Q')
                    return false;
                ++i;
                continue;
            }
            if (at(i) == '(' && at(i + 1) == '*')
                return false;
            if (at(i) == '(' && at(i + 1) == '?') {
                const char16_t kind = at(i + 2);
                const bool lookBehind = kind == '<' && (at(i + 3) == '=' || at(i + 3) == '!');
                if (kind != ':' && kind != '=' && kind != '!' && !lookBehind)
                    return false;
            }
        }
        return true;
    }

    // The index after the quantifier starting at i (with its lazy or possessive mark), or i.
    qsizetype quantifierEnd(qsizetype i) const
    {
        qsizetype j = i;
        const char16_t c = at(i);
        if (c == '?' || c == '*' || c == '+') {
            j = i + 1;
        } else if (c == '{') {
            qsizetype k = i + 1;
            while ((at(k) >= '0' && at(k) <= '9') || at(k) == ',')
                ++k;
            if (k == i + 1 || at(k) != '}')
                return i;
            j = k + 1;
        } else {
            return i;
        }
        if (at(j) == '?' || at(j) == '+')
            ++j;
        return j;
    }

    // An atom that is no literal ends the run; its quantifier goes with it.
    qsizetype atomDone(qsizetype next)
    {
        endRun();
        return quantifierEnd(next);
    }

    // A literal character at i: part of the run unless a quantifier makes it optional or
    // repeated, in which case the run ends before it.
    qsizetype literal(qsizetype i)
    {
        const qsizetype next = quantifierEnd(i + 1);
        if (next != i + 1) {
            endRun();
            return next;
        }
        run_.append(char(at(i)));
        return i + 1;
    }

    void endRun()
    {
        if (run_.size() > best_.size())
            best_ = run_;
        run_.clear();
    }

    // The index after the bracket that closes the class opening at i; -1 when there is none.
    qsizetype classEnd(qsizetype i) const
    {
        qsizetype j = i + 1;
        if (at(j) == '^')
            ++j;
        if (at(j) == ']')
            ++j;
        for (; j < pattern_.size(); ++j) {
            const char16_t c = at(j);
            if (c == '\\') {
                ++j;
            } else if (c == '[' && at(j + 1) == ':') {
                const qsizetype close = pattern_.indexOf(u":]", j + 2);
                if (close < 0)
                    return -1;
                j = close + 1;
            } else if (c == ']') {
                return j + 1;
            }
        }
        return -1;
    }

    // The index after the parenthesis that closes the group opening at i; -1 when there is none.
    qsizetype groupEnd(qsizetype i) const
    {
        int depth = 0;
        for (qsizetype j = i; j < pattern_.size(); ++j) {
            const char16_t c = at(j);
            if (c == '\\') {
                ++j;
            } else if (c == '[') {
                const qsizetype close = classEnd(j);
                if (close < 0)
                    return -1;
                j = close - 1;
            } else if (c == '(') {
                ++depth;
            } else if (c == ')' && --depth == 0) {
                return j + 1;
            }
        }
        return -1;
    }

    QStringView pattern_;
    QByteArray run_;
    QByteArray best_;
};

} // namespace

QByteArray requiredLiteral(const QString& pattern)
{
    return PatternReader(pattern).longestRun();
}

} // namespace quendal
