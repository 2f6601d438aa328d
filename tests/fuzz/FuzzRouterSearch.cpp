// The router search: any datagram as a reply, and any text as the --router-search target.
#include "FuzzSupport.h"
#include "app/core/Settings.h"
#include "netinfo/core/RouterSearch.h"

#include <QRegularExpression>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quendal;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    // Reply: read only with the signature, and what is read builds the same reply again.
    const QByteArray datagram = bytes.toByteArray();
    const auto reply = parseSearchReply(datagram);
    FUZZ_CHECK(reply.has_value() == hasSearchSignature(datagram));
    if (reply) {
        static const QRegularExpression mac(QStringLiteral("^[0-9A-F]{12}$"));
        FUZZ_CHECK(mac.match(reply->mac).hasMatch());
        FUZZ_CHECK(parseIpv4Address(reply->ipAddress) == reply->ipAddress);
        FUZZ_CHECK(parseIpv4Address(reply->subnetMask) == reply->subnetMask);
        const auto rebuilt = buildSearchReply(*reply);
        FUZZ_CHECK(rebuilt && rebuilt->size() == kRouterSearchSize);
        QByteArray padded = datagram.left(kRouterSearchSize);
        padded.append(QByteArray(kRouterSearchSize - padded.size(), '\0'));
        FUZZ_CHECK(rebuilt->mid(4, 14) == padded.mid(4, 14));
        const auto again = parseSearchReply(*rebuilt);
        FUZZ_CHECK(again && again->mac == reply->mac && again->ipAddress == reply->ipAddress &&
                   again->subnetMask == reply->subnetMask);
    }

    // Target: the settings dialog's address rule and a decimal port, nothing else.
    for (const QString& text : {QString::fromLatin1(bytes), QString::fromUtf8(bytes)}) {
        const auto target = parseRouterSearchTarget(text);
        if (!target)
            continue;
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        const QString address = colon < 0 ? text : text.left(colon);
        const auto plain = parseIpv4Address(address);
        FUZZ_CHECK(plain && target->address.toString() == *plain);
        FUZZ_CHECK(target->port >= 1);
        if (colon >= 0)
            FUZZ_CHECK(QString::number(target->port) ==
                       text.mid(colon + 1).remove(QRegularExpression(QStringLiteral("^0+(?=.)"))));
        for (const QChar c : text)
            FUZZ_CHECK((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') ||
                       c == QLatin1Char(':'));
    }
    return 0;
}
