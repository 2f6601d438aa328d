#include "history/core/ByteSearch.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quendal {
namespace {

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// How common a byte is in log text, roughly: the blank, lower-case letters and digits most,
// then upper-case letters, then punctuation; bytes beyond ASCII and control bytes least.
int commonness(char c)
{
    if (c == ' ')
        return 6;
    if (QByteArrayView("etaoinsrlhdcu").contains(c))
        return 5;
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return 4;
    if (QByteArrayView(".:=-/").contains(c))
        return 3;
    if (c >= 'A' && c <= 'Z')
        return 2;
    return uchar(c) >= 0x20 && uchar(c) < 0x7f ? 1 : 0;
}

} // namespace

LiteralFinder::LiteralFinder(QByteArray literal, bool ignoreCase)
    : literal_(std::move(literal)), ignoreCase_(ignoreCase)
{
    if (ignoreCase_) {
        std::transform(literal_.begin(), literal_.end(), literal_.begin(), asciiLower);
        // Without a letter there is no case to ignore.
        ignoreCase_ = std::any_of(literal_.cbegin(), literal_.cend(), isAsciiLetter);
    }
    // The two rarest bytes of the literal are the ones tested sixteen positions at a time, so
    // that few positions need comparing in full.
    const auto rank = [this](qsizetype i) {
        // Ignoring case, a letter stands for two bytes.
        const char c = literal_[i];
        return commonness(c) + (ignoreCase_ && isAsciiLetter(c) ? 1 : 0);
    };
    for (qsizetype i = 1; i < literal_.size(); ++i) {
        if (rank(i) < rank(rare1_))
            rare1_ = i;
    }
    rare2_ = rare1_ == 0 && literal_.size() > 1 ? 1 : 0;
    for (qsizetype i = 0; i < literal_.size(); ++i) {
        if (i != rare1_ && rank(i) < rank(rare2_))
            rare2_ = i;
    }
}

bool LiteralFinder::equalAt(const char* at) const
{
    if (!ignoreCase_)
        return std::memcmp(at, literal_.constData(), size_t(literal_.size())) == 0;
    for (qsizetype i = 0; i < literal_.size(); ++i) {
        if (asciiLower(at[i]) != literal_[i])
            return false;
    }
    return true;
}

const char* LiteralFinder::find(const char* from, const char* end) const
{
    const qsizetype n = literal_.size();
    if (n == 0)
        return from;
    if (end - from < n)
        return end;
    if (!ignoreCase_ && n == 1) {
        const void* at = std::memchr(from, literal_[0], size_t(end - from));
        return at ? static_cast<const char*>(at) : end;
    }
    const char first = literal_[rare1_];
    const char last = literal_[rare2_];
    const char* const lastStart = end - n; // the last position an occurrence can start at
    const char* p = from;
#if defined(__SSE2__)
    // Setting bit 0x20 turns an upper-case letter into its lower case; other bytes it changes
    // only let through more positions to compare in full.
    const __m128i foldFirst = _mm_set1_epi8(ignoreCase_ && isAsciiLetter(first) ? 0x20 : 0);
    const __m128i foldLast = _mm_set1_epi8(ignoreCase_ && isAsciiLetter(last) ? 0x20 : 0);
    const __m128i wantFirst = _mm_set1_epi8(first);
    const __m128i wantLast = _mm_set1_epi8(last);
    for (; p + 16 <= lastStart + 1; p += 16) {
        const __m128i a =
            _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + rare1_)), foldFirst);
        const __m128i b =
            _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + rare2_)), foldLast);
        unsigned mask = unsigned(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(a, wantFirst), _mm_cmpeq_epi8(b, wantLast))));
        while (mask != 0) {
            const char* at = p + __builtin_ctz(mask);
            if (equalAt(at))
                return at;
            mask &= mask - 1;
        }
    }
#endif
    for (; p <= lastStart; ++p) {
        if (equalAt(p))
            return p;
    }
    return end;
}

qsizetype countLineFeeds(const char* from, const char* end)
{
    qsizetype count = 0;
    const char* p = from;
#if defined(__SSE2__)
    // Byte counters, one per lane, summed before any of them can pass 255.
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    const auto sum = [&](__m128i counters) {
        const __m128i sums = _mm_sad_epu8(counters, zero);
        return qsizetype(_mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4));
    };
    __m128i counters = zero;
    int rounds = 0;
    for (; p + 16 <= end; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(bytes, lf));
        if (++rounds == 255) {
            count += sum(counters);
            counters = zero;
            rounds = 0;
        }
    }
    count += sum(counters);
#endif
    return count + std::count(p, end, '\n');
}

} // namespace quendal
