#include "activity/core/LinkReport.h"

#include "receiver/core/WanStatus.h"

namespace quendal {
namespace {

double number(QByteArrayView text, QByteArrayView key)
{
    const auto value = wanStatusValue(text, key);
    if (!value || value->isEmpty())
        return kNoValue;
    bool ok = false;
    const double n = value->toDouble(&ok);
    return ok && std::isfinite(n) ? n : kNoValue;
}

std::optional<quint64> counter(QByteArrayView text, QByteArrayView key)
{
    const auto value = wanStatusValue(text, key);
    if (!value)
        return std::nullopt;
    bool ok = false;
    const quint64 n = value->toULongLong(&ok);
    return ok ? std::optional(n) : std::nullopt;
}

} // namespace

LinkReport readLinkReport(QByteArrayView text, qint64 at)
{
    LinkReport r;
    r.at = at;
    r.txRate = number(text, "BBandTxRate=");
    r.rxRate = number(text, "BBandRxRate=");
    r.txPackets = counter(text, "BBandTxPkt=");
    r.rxPackets = counter(text, "BBandRxPkt=");
    if (const auto mode = wanStatusValue(text, "BBandMode="))
        r.mode = mode->toByteArray();
    return r;
}

} // namespace quendal
