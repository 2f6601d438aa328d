#include "activity/core/LinkReport.h"

#include <array>
#include <charconv>
#include <string_view>

namespace quendal {
namespace {

// The keys read here all begin alike, so one pass over the occurrences of that beginning finds
// the first occurrence of each: the rule of the status panels, at a fraction of a search per key.
constexpr std::string_view kPrefix = "BBand";
enum Key
{
    TxRate,
    RxRate,
    TxPackets,
    RxPackets,
    Mode,
    KeyCount
};
constexpr std::array<std::string_view, KeyCount> kSuffixes = {
    "TxRate=", "RxRate=", "TxPkt=", "RxPkt=", "Mode="};

double number(std::optional<std::string_view> value)
{
    double n = 0;
    if (!value || value->empty())
        return kNoValue;
    const auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), n);
    return error == std::errc() && end == value->data() + value->size() && std::isfinite(n)
               ? n
               : kNoValue;
}

std::optional<quint64> counter(std::optional<std::string_view> value)
{
    quint64 n = 0;
    if (!value || value->empty())
        return std::nullopt;
    const auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), n);
    if (error != std::errc() || end != value->data() + value->size())
        return std::nullopt;
    return n;
}

} // namespace

LinkReport readLinkReport(QByteArrayView bytes, qint64 at)
{
    const std::string_view text(bytes.data(), size_t(bytes.size()));
    std::array<std::optional<std::string_view>, KeyCount> values;
    std::array<bool, KeyCount> seen{};
    int found = 0;
    for (size_t p = text.find(kPrefix); p != std::string_view::npos && found < KeyCount;
         p = text.find(kPrefix, p + 1)) {
        const std::string_view rest = text.substr(p + kPrefix.size());
        for (int k = 0; k < KeyCount; ++k) {
            if (seen[size_t(k)] || !rest.starts_with(kSuffixes[size_t(k)]))
                continue;
            seen[size_t(k)] = true;
            ++found;
            // The value runs to the next blank; without one it is not taken.
            const size_t start = p + kPrefix.size() + kSuffixes[size_t(k)].size();
            const size_t blank = text.find(' ', p);
            if (blank != std::string_view::npos)
                values[size_t(k)] = text.substr(start, blank - start);
            break;
        }
    }
    LinkReport r;
    r.at = at;
    r.txRate = number(values[TxRate]);
    r.rxRate = number(values[RxRate]);
    r.txPackets = counter(values[TxPackets]);
    r.rxPackets = counter(values[RxPackets]);
    if (values[Mode])
        r.mode = QByteArray(values[Mode]->data(), qsizetype(values[Mode]->size()));
    r.text = bytes.toByteArray();
    return r;
}

} // namespace quendal
