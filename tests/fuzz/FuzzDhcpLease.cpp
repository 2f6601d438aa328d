// The lease parsers (dhclient, systemd-networkd, NetworkManager) and the lease time form: any
// text and any time. Times are unknown (-1) or real; a shown time is a real date or empty.
#include "FuzzSupport.h"
#include "netinfo/core/DhcpLease.h"
#include "netinfo/core/LeaseTime.h"

#include <QRegularExpression>

namespace {

using namespace quendal;

void checkShown(qint64 time)
{
    static const QRegularExpression form(QStringLiteral(
        "^(Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
        "[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}\\n$"));
    const QString shown = formatLeaseTime(time);
    FUZZ_CHECK(shown.isEmpty() == (time < 0 || time > kLastLeaseTime));
    FUZZ_CHECK(shown.isEmpty() || form.match(shown).hasMatch());
}

void checkLease(const std::optional<DhcpLease>& lease)
{
    if (!lease)
        return;
    FUZZ_CHECK(lease->obtained >= -1 && lease->expires >= -1);
    // A start derived from an end (or an end from a start) never passes it.
    if (lease->obtained >= 0 && lease->expires >= 0)
        FUZZ_CHECK(lease->obtained <= lease->expires);
    checkShown(lease->obtained);
    checkShown(lease->expires);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::FuzzInput input(data, size);
    const qint64 writtenAt = input.int64();
    const QString text = QString::fromUtf8(input.rest());

    checkShown(writtenAt);
    checkLease(parseDhclientLeases(text, QStringLiteral("eth0")));
    checkLease(parseNmcliDhcp4(text));
    const auto networkd = parseNetworkdLease(text, writtenAt);
    checkLease(networkd);
    if (networkd && networkd->expires >= 0)
        FUZZ_CHECK(networkd->obtained >= 0 && networkd->expires >= networkd->obtained);
    return 0;
}
