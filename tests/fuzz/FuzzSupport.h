#pragma once

// What every fuzz target shares: the libFuzzer entry point, a check that stops the run with a
// message when an invariant breaks, and a reader that takes an input apart.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// Aborts, so that libFuzzer keeps the input and the replay run fails.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace quendal::fuzz {

// Takes an input apart from its front: single bytes for choices, the rest as text.
class FuzzInput
{
public:
    FuzzInput(const uint8_t* data, size_t size)
        : data_(reinterpret_cast<const char*>(data)), size_(size)
    {}

    bool empty() const { return size_ == 0; }
    // The next byte, 0 once the input is used up.
    uint8_t byte()
    {
        if (size_ == 0)
            return 0;
        --size_;
        return uint8_t(*data_++);
    }
    // The next 8 bytes as a signed number (fewer bytes fill the low end).
    int64_t int64()
    {
        uint64_t value = 0;
        for (int i = 0; i < 8; ++i)
            value = value << 8 | byte();
        return int64_t(value);
    }
    // Up to the next `separator` byte (which is consumed), or the rest; a view into the input.
    QByteArrayView until(char separator)
    {
        const void* at = size_ ? std::memchr(data_, separator, size_) : nullptr;
        const size_t length = at ? size_t(static_cast<const char*>(at) - data_) : size_;
        const QByteArrayView part(data_, qsizetype(length));
        const size_t used = at ? length + 1 : length;
        data_ += used;
        size_ -= used;
        return part;
    }
    // Everything not taken yet; it points into the input itself, so that a parser reading past
    // its end is caught by AddressSanitizer.
    QByteArrayView rest()
    {
        const QByteArrayView part(data_, qsizetype(size_));
        data_ += size_;
        size_ = 0;
        return part;
    }

private:
    const char* data_;
    size_t size_;
};

// A folder for the files a target writes, kept for the whole run.
inline QString scratchFolder()
{
    static QTemporaryDir dir;
    return dir.path();
}

// Whether `part` lies inside `whole`: a parser's views may never point past its input.
inline bool isInside(QByteArrayView part, QByteArrayView whole)
{
    return part.isEmpty() || (part.data() >= whole.data() &&
                              part.data() + part.size() <= whole.data() + whole.size());
}

// The lines of a text file as the system's readers take them: each ends at LF with one CR
// right before it dropped; a last line without LF is kept as it is.
inline QList<QByteArrayView> linesOf(QByteArrayView bytes)
{
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    for (qsizetype lf; (lf = bytes.indexOf('\n', start)) >= 0; start = lf + 1) {
        QByteArrayView line = bytes.sliced(start, lf - start);
        if (line.endsWith('\r'))
            line.chop(1);
        lines.append(line);
    }
    if (start < bytes.size())
        lines.append(bytes.sliced(start));
    return lines;
}

// The CR LF lines of a log file's bytes, without their line ends (a last line without one too).
inline QList<QByteArrayView> crLfLines(QByteArrayView bytes)
{
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    for (qsizetype end; (end = bytes.indexOf("\r\n", start)) >= 0; start = end + 2)
        lines.append(bytes.sliced(start, end - start));
    if (start < bytes.size())
        lines.append(bytes.sliced(start));
    return lines;
}

// A text as a log file line can hold it: line breaks at its end dropped, those inside it
// blanks. This is where the file format cannot keep the received bytes.
inline QByteArray asFileLine(QByteArrayView text)
{
    qsizetype end = text.size();
    while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r'))
        --end;
    QByteArray line = text.first(end).toByteArray();
    line.replace('\n', ' ').replace('\r', ' ');
    return line;
}

inline constexpr qint64 kDayMs = 24LL * 60 * 60 * 1000;
// The first instant of the last year QDate writes with four digits, in ms since the epoch.
inline constexpr qint64 kFourDigitYearsEndMs = 253402214400000LL;

// Local time is UTC in the target, so that a classic time maps to one instant whatever the
// machine.
inline void useUtcAsLocalTime()
{
    static const bool utc = ::setenv("TZ", "UTC", 1) == 0;
    FUZZ_CHECK(utc);
}

} // namespace quendal::fuzz
