#include "logs/core/HeaderForm.h"

namespace quendal {
namespace {

// The number of bytes the first 16 of the text are searched for a time of day.
constexpr qsizetype kTimeOfDayReach = 16;

constexpr bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

constexpr bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// "Mmm dd hh:mm:ss " or "Mmm  d hh:mm:ss ". Looked at first: it is what the routers send.
bool startsWithClassicTime(QByteArrayView b)
{
    if (b.size() < 16)
        return false;
    const char* s = b.data();
    return isLetter(s[0]) && isLetter(s[1]) && isLetter(s[2]) && s[3] == ' ' &&
           (s[4] == ' ' || isDigit(s[4])) && isDigit(s[5]) && s[6] == ' ' && isDigit(s[7]) &&
           isDigit(s[8]) && s[9] == ':' && isDigit(s[10]) && isDigit(s[11]) && s[12] == ':' &&
           isDigit(s[13]) && isDigit(s[14]) && s[15] == ' ';
}

// "1 " up to "999 ": the version of RFC 5424, then the timestamp or its nil value.
bool startsWithRfc5424Header(QByteArrayView b)
{
    if (b.isEmpty() || b[0] < '1' || b[0] > '9')
        return false;
    qsizetype i = 1;
    while (i < b.size() && i < 3 && isDigit(b[i]))
        ++i;
    if (i >= b.size() || b[i] != ' ')
        return false;
    const QByteArrayView timestamp = b.sliced(i + 1);
    if (timestamp.startsWith('-'))
        return timestamp.size() == 1 || timestamp[1] == ' ';
    return startsWithIsoDate(timestamp);
}

// "hh:mm" anywhere within the first 16 bytes.
bool holdsTimeOfDay(QByteArrayView b)
{
    const qsizetype reach = b.size() < kTimeOfDayReach ? b.size() : kTimeOfDayReach;
    for (qsizetype i = 2; i + 2 < reach; ++i) {
        if (b[i] == ':' && isDigit(b[i - 2]) && isDigit(b[i - 1]) && isDigit(b[i + 1]) &&
            isDigit(b[i + 2]))
            return true;
    }
    return false;
}

} // namespace

bool startsWithIsoDate(QByteArrayView b)
{
    if (b.size() < 11)
        return false;
    const char* s = b.data();
    return isDigit(s[0]) && isDigit(s[1]) && isDigit(s[2]) && isDigit(s[3]) && s[4] == '-' &&
           isDigit(s[5]) && isDigit(s[6]) && s[7] == '-' && isDigit(s[8]) && isDigit(s[9]) &&
           (s[10] == 'T' || s[10] == 't');
}

HeaderForm recogniseHeaderForm(QByteArrayView body)
{
    if (startsWithClassicTime(body))
        return HeaderForm::Classic;
    if (startsWithRfc5424Header(body))
        return HeaderForm::Rfc5424;
    if (startsWithIsoDate(body))
        return HeaderForm::Rfc3339;
    if (!holdsTimeOfDay(body))
        return HeaderForm::Headerless;
    return HeaderForm::Unknown;
}

} // namespace quendal
