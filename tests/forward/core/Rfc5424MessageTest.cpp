#include "forward/core/Rfc5424Message.h"

#include <QTimeZone>

#include <ctime>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace quendal;

namespace {

const QString kRouter = QStringLiteral("192.168.1.1");
// 14:20:01.250 at UTC+01:00.
const QDateTime kArrival(QDate(2026, 12, 8), QTime(14, 20, 1, 250), QTimeZone(3600));

QByteArray forwarded(QByteArrayView received, const QString& sender = kRouter)
{
    return forwardedMessage(ForwardFormat::Rfc5424, received, sender, kArrival);
}

TEST(Rfc5424Message, ClassicRouterMessagesGetTheArrivalTimeAndTheirHostAndTag)
{
    EXPECT_EQ(forwarded("<30>Dec  8 14:20:01 router dnsmasq[412]: query[A] example.com"),
              "<30>1 2026-12-08T14:20:01.250+01:00 router dnsmasq 412 - [origin "
              "ip=\"192.168.1.1\"] query[A] example.com");
    // The routers' own "host: text".
    EXPECT_EQ(forwarded("<131>Mar 14 09:26:53 gateway: Packet blocked"),
              "<131>1 2026-12-08T14:20:01.250+01:00 gateway - - - [origin ip=\"192.168.1.1\"] "
              "Packet blocked");
    // A program without a host, and text without any tag: the sender names the host.
    EXPECT_EQ(forwarded("<13>Dec  8 14:20:01 dropbear[1200]: Password auth succeeded"),
              "<13>1 2026-12-08T14:20:01.250+01:00 192.168.1.1 dropbear 1200 - [origin "
              "ip=\"192.168.1.1\"] Password auth succeeded");
    EXPECT_EQ(forwarded("<134>Dec  8 14:20:01 link went down"),
              "<134>1 2026-12-08T14:20:01.250+01:00 192.168.1.1 - - - [origin "
              "ip=\"192.168.1.1\"] link went down");
}

TEST(Rfc5424Message, OwnTimesAndFieldsAreKeptAndTheOriginMerged)
{
    EXPECT_EQ(forwarded("<14>2026-12-08T13:20:00.5Z gw ntpd[77]: synced"),
              "<14>1 2026-12-08T13:20:00.5Z gw ntpd 77 - [origin ip=\"192.168.1.1\"] synced");
    EXPECT_EQ(forwarded("<165>1 2026-12-08T14:20:01.003Z mymachine.example.com evntslog - ID47 "
                        "[exampleSDID@32473 iut=\"3\" eventID=\"1011\"] \xEF\xBB\xBF"
                        "An application event"),
              "<165>1 2026-12-08T14:20:01.003Z mymachine.example.com evntslog - ID47 "
              "[exampleSDID@32473 iut=\"3\" eventID=\"1011\"][origin ip=\"192.168.1.1\"] "
              "\xEF\xBB\xBF"
              "An application event");
    // An origin element already there gets the address; one SD-ID appears once.
    EXPECT_EQ(forwarded("<165>1 - - app - - [origin software=\"fw \\] 2\"] x"),
              "<165>1 2026-12-08T14:20:01.250+01:00 192.168.1.1 app - - [origin software=\"fw "
              "\\] 2\" ip=\"192.168.1.1\"] x");
    // A time that is no time is replaced by the arrival time.
    EXPECT_EQ(forwarded("<165>1 2026-13-45T99:00:00Z h a p m -"),
              "<165>1 2026-12-08T14:20:01.250+01:00 h a p m [origin ip=\"192.168.1.1\"]");
}

TEST(Rfc5424Message, FieldsAreCutToTheirLimitsAndTheAddressEscaped)
{
    const QByteArray app(60, 'a');
    const QByteArray out = forwarded("<14>2026-12-08T13:20:00Z g\x01w " + app + ": x",
                                     QStringLiteral("fe80::1%e\"0]\\"));
    EXPECT_EQ(out, "<14>1 2026-12-08T13:20:00Z g_w " + app.first(48) +
                       " - - [origin ip=\"fe80::1%e\\\"0\\]\\\\\"] x");
    // Without a priority, text is forwarded as user.notice.
    EXPECT_EQ(forwarded("WAN up"), "<13>1 2026-12-08T14:20:01.250+01:00 192.168.1.1 - - - "
                                   "[origin ip=\"192.168.1.1\"] WAN up");
    EXPECT_EQ(forwardedMessage(ForwardFormat::AsReceived, "<13>any\x01thing", kRouter, kArrival),
              "<13>any\x01thing");
}

TEST(Rfc5424Message, ArrivalTimesKeepTheirMillisecondsAndFollowTheLocalOffsetAcrossSeconds)
{
    // Central European time, spelled out so that no zone database is needed; summer time
    // begins at 2026-03-29 01:00 UTC.
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    ::tzset();
    constexpr qint64 kSummerTime = 1774746000000;
    ArrivalTimestamps stamps;
    std::vector<std::string> texts;
    for (const qint64 ms :
         {kSummerTime - 1001, kSummerTime - 998, kSummerTime - 1, kSummerTime, kSummerTime + 7})
        texts.push_back(stamps.at(ms).timestamp.toByteArray().toStdString());
    EXPECT_EQ(stamps.at(kSummerTime + 7).secs, kSummerTime / 1000);
    if (zone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", zone);
    ::tzset();
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "2026-03-29T01:59:58.999+01:00", "2026-03-29T01:59:59.002+01:00",
                         "2026-03-29T01:59:59.999+01:00", "2026-03-29T03:00:00.000+02:00",
                         "2026-03-29T03:00:00.007+02:00"}));
}

} // namespace
