#include "support/TestSupport.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QUdpSocket>

#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <vector>

namespace quendal {
namespace {

using test::LoopbackPeer;

struct FloodRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

QString floodBinary()
{
    return QString::fromUtf8(QUENDAL_FLOOD_BINARY);
}

FloodRun finish(QProcess& process)
{
    FloodRun run;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

FloodRun runFlood(const QStringList& arguments)
{
    QProcess process;
    process.start(floodBinary(), arguments);
    return finish(process);
}

// Lets the peer read while the tool is still sending, so its receive buffer never overflows.
FloodRun runFloodInto(LoopbackPeer& peer, QStringList arguments, size_t expected)
{
    arguments << QStringLiteral("--port") << QString::number(peer.port());
    QProcess process;
    process.start(floodBinary(), arguments);
    peer.waitForDatagrams(expected, std::chrono::seconds(20));
    return finish(process);
}

QList<QByteArray> lines(const QByteArray& out)
{
    QList<QByteArray> result = out.split('\n');
    if (!result.isEmpty() && result.back().isEmpty())
        result.pop_back();
    return result;
}

// A datagram cut the way the receiver cuts it: the prefix, 15 bytes of time, one separator,
// the host up to the first colon after it and the message after ": ".
struct Datagram
{
    int facility = -1;
    int severity = -1;
    QByteArray time;
    QByteArray host;
    QByteArray message;
    quint64 seq = 0;
};

std::optional<Datagram> parse(const QByteArray& text)
{
    static const QRegularExpression timePattern(QStringLiteral(
        "^(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) ( [1-9]|[12][0-9]|3[01]) "
        "([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]$"));
    static const QRegularExpression seqPattern(QStringLiteral(" seq=([1-9][0-9]*)$"));
    if (text.size() < 24 || text[0] != '<' || text[4] != '>' || text[20] != ' ')
        return std::nullopt;
    bool ok = false;
    const int priority = text.mid(1, 3).toInt(&ok);
    const qsizetype colon = text.indexOf(':', 20);
    if (!ok || colon < 0 || text.mid(colon, 2) != ": ")
        return std::nullopt;
    Datagram d;
    d.facility = priority / 8;
    d.severity = priority % 8;
    d.time = text.mid(5, 15);
    d.host = text.mid(21, colon - 21);
    d.message = text.mid(colon + 2);
    const auto seq = seqPattern.match(QString::fromLatin1(d.message));
    if (!timePattern.match(QString::fromLatin1(d.time)).hasMatch() || !seq.hasMatch())
        return std::nullopt;
    d.seq = seq.captured(1).toULongLong();
    return d;
}

constexpr const char* kStatusKeys[] = {
    "Tx=",          "Rx=",         "GW_IP=",       "BBandIp=",  "BBandTxPkt=",
    "BBandTxRate=", "BBandRxPkt=", "BBandRxRate=", "BBandMode="};

// The value of a status key as the receiver takes it: from the key's first occurrence up to
// the next blank; nothing when the key or the blank is missing.
std::optional<QByteArray> statusValue(const QByteArray& datagram, const char* key)
{
    const qsizetype at = datagram.indexOf(key);
    if (at < 0)
        return std::nullopt;
    const qsizetype start = at + qsizetype(qstrlen(key));
    const qsizetype blank = datagram.indexOf(' ', start);
    if (blank < 0)
        return std::nullopt;
    return datagram.mid(start, blank - start);
}

bool hasEveryStatusKey(const QByteArray& datagram)
{
    for (const char* key : kStatusKeys) {
        const auto value = statusValue(datagram, key);
        if (!value || value->isEmpty() || value->size() > 19)
            return false;
    }
    return true;
}

std::set<int> facilitiesOf(const QList<QByteArray>& datagrams)
{
    std::set<int> facilities;
    for (const QByteArray& d : datagrams) {
        const auto parsed = parse(d);
        facilities.insert(parsed ? parsed->facility : -1);
    }
    return facilities;
}

TEST(SyslogFlood, DeliversTheRequestedCountOfWellFormedDatagrams)
{
    LoopbackPeer peer;
    const FloodRun run = runFloodInto(peer,
                                      {QStringLiteral("--count"), QStringLiteral("400"),
                                       QStringLiteral("--rate"), QStringLiteral("4000"),
                                       QStringLiteral("--hostname"), QStringLiteral("edge-7")},
                                      400);
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_TRUE(run.err.contains("400 datagrams sent")) << run.err.constData();
    ASSERT_EQ(peer.received().size(), 400u);

    std::set<quint64> seqs;
    int statusLines = 0;
    for (const QByteArray& datagram : peer.received()) {
        const auto d = parse(datagram);
        ASSERT_TRUE(d) << datagram.constData();
        EXPECT_GE(d->facility, 16) << datagram.constData();
        EXPECT_LE(d->facility, 21) << datagram.constData();
        EXPECT_EQ(d->host, "edge-7");
        EXPECT_LT(datagram.size(), 1000);
        seqs.insert(d->seq);
        if (d->facility == 21) {
            ++statusLines;
            EXPECT_TRUE(hasEveryStatusKey(datagram)) << datagram.constData();
        }
    }
    EXPECT_EQ(seqs.size(), 400u);
    EXPECT_EQ(*seqs.begin(), 1u);
    EXPECT_EQ(*seqs.rbegin(), 400u);
    EXPECT_GT(statusLines, 0);
}

TEST(SyslogFlood, FullSpeedRunDeliversEveryDatagram)
{
    LoopbackPeer peer;
    const FloodRun run = runFloodInto(peer, {QStringLiteral("--count"), QStringLiteral("50")}, 50);
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(peer.received().size(), 50u);
    EXPECT_TRUE(run.err.contains("50 datagrams sent in ")) << run.err.constData();
}

TEST(SyslogFlood, SourceOptionSetsTheSenderAddress)
{
    for (const char* source : {"127.0.0.2", "127.0.0.1"}) {
        QUdpSocket socket;
        ASSERT_TRUE(socket.bind(QHostAddress::LocalHost, 0));
        const FloodRun run =
            runFlood({QStringLiteral("--port"), QString::number(socket.localPort()),
                      QStringLiteral("--count"), QStringLiteral("5"), QStringLiteral("--source"),
                      QString::fromLatin1(source)});
        ASSERT_EQ(run.exitCode, 0) << run.err.constData();
        std::vector<QHostAddress> senders;
        test::waitUntil([&] {
            while (socket.hasPendingDatagrams())
                senders.push_back(socket.receiveDatagram().senderAddress());
            return senders.size() >= 5;
        });
        ASSERT_EQ(senders.size(), 5u) << source;
        for (const QHostAddress& sender : senders)
            EXPECT_EQ(sender, QHostAddress(QString::fromLatin1(source)));
    }
}

TEST(SyslogFlood, StatusLinesCarryEveryKeyEachFollowedByABlank)
{
    const FloodRun run =
        runFlood({QStringLiteral("--print"), QStringLiteral("--facilities"),
                  QStringLiteral("status"), QStringLiteral("--count"), QStringLiteral("200")});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QList<QByteArray> output = lines(run.out);
    ASSERT_EQ(output.size(), 200);

    static const QRegularExpression address(QStringLiteral("^\\d{1,3}(\\.\\d{1,3}){3}$"));
    static const QRegularExpression number(QStringLiteral("^\\d+$"));
    quint64 firstTx = 0;
    quint64 previous[4] = {};
    for (const QByteArray& line : output) {
        ASSERT_EQ(parse(line)->facility, 21) << line.constData();
        ASSERT_TRUE(hasEveryStatusKey(line)) << line.constData();
        // Keys stand in their usual order, each directly followed by its value and one blank.
        qsizetype last = -1;
        for (const char* key : kStatusKeys) {
            const qsizetype at = line.indexOf(key);
            EXPECT_GT(at, last) << key;
            last = at;
            const QString value = QString::fromLatin1(*statusValue(line, key));
            const QByteArray name(key);
            if (name == "GW_IP=" || name == "BBandIp=") {
                EXPECT_TRUE(address.match(value).hasMatch()) << line.constData();
            } else if (name == "BBandMode=") {
                EXPECT_TRUE(value == QStringLiteral("PPPoE") || value == QStringLiteral("DHCP") ||
                            value == QStringLiteral("Static"))
                    << line.constData();
            } else {
                EXPECT_TRUE(number.match(value).hasMatch()) << line.constData();
            }
        }
        // Packet counters never go back.
        const char* counters[] = {"Tx=", "Rx=", "BBandTxPkt=", "BBandRxPkt="};
        for (int i = 0; i < 4; ++i) {
            const quint64 value = statusValue(line, counters[i])->toULongLong();
            EXPECT_GE(value, previous[i]) << line.constData();
            previous[i] = value;
        }
        if (firstTx == 0)
            firstTx = previous[0];
    }
    EXPECT_GT(previous[0], firstTx);
}

TEST(SyslogFlood, StatusLinesShowTheAddressTheWanLinkLastGot)
{
    static const QRegularExpression connected(QStringLiteral(
        "(IPCP up, local |DHCP: lease of |static address )(\\d+\\.\\d+\\.\\d+\\.\\d+)[,/]"));
    static const QRegularExpression lost(
        QStringLiteral("link down|carrier lost|link lost|terminated by access concentrator"));
    int reconnects = 0;
    // Seeds 1 and 2 run on DHCP, 3 and 4 on PPPoE, 23 on a static address.
    for (const char* seed : {"1", "2", "3", "4", "23"}) {
        const FloodRun run =
            runFlood({QStringLiteral("--print"), QStringLiteral("--count"), QStringLiteral("3000"),
                      QStringLiteral("--facilities"), QStringLiteral("wan,status"),
                      QStringLiteral("--seed"), QString::fromLatin1(seed)});
        ASSERT_EQ(run.exitCode, 0);
        QByteArray address; // unknown until the first connect
        for (const QByteArray& line : lines(run.out)) {
            const auto d = parse(line);
            ASSERT_TRUE(d) << line.constData();
            const QString message = QString::fromLatin1(d->message);
            if (d->facility == 20) {
                if (const auto m = connected.match(message); m.hasMatch()) {
                    address = m.captured(2).toLatin1();
                    ++reconnects;
                } else if (lost.match(message).hasMatch()) {
                    address = "0.0.0.0";
                }
            } else if (!address.isEmpty()) {
                EXPECT_EQ(*statusValue(line, "BBandIp="), address)
                    << seed << ": " << line.constData();
            }
        }
    }
    EXPECT_GT(reconnects, 3);
}

TEST(SyslogFlood, CallsEndOnlyAfterTheyWereConnected)
{
    static const QRegularExpression started(
        QStringLiteral("^SIP: (outgoing|incoming|emergency) call (\\d+) .*(connected|answered)"));
    static const QRegularExpression ended(QStringLiteral("^SIP: call (\\d+) .* ended by "));
    const FloodRun run =
        runFlood({QStringLiteral("--print"), QStringLiteral("--count"), QStringLiteral("2000"),
                  QStringLiteral("--facilities"), QStringLiteral("call")});
    ASSERT_EQ(run.exitCode, 0);
    std::set<QString> open;
    int endedCalls = 0;
    for (const QByteArray& line : lines(run.out)) {
        const QString message = QString::fromLatin1(parse(line)->message);
        if (const auto m = started.match(message); m.hasMatch()) {
            EXPECT_TRUE(open.insert(m.captured(2)).second) << line.constData();
        } else if (const auto e = ended.match(message); e.hasMatch()) {
            EXPECT_EQ(open.erase(e.captured(1)), 1u) << line.constData();
            ++endedCalls;
        }
    }
    EXPECT_GT(endedCalls, 100);
}

TEST(SyslogFlood, FacilitiesOptionRestrictsThePriorities)
{
    struct Case
    {
        const char* list;
        std::set<int> expected;
    };
    const Case cases[] = {{"vpn,21", {17, 21}},
                          {"16", {16}},
                          {"Call,WAN", {19, 20}},
                          {"useraccess,18,useraccess", {18}},
                          {"firewall,vpn,useraccess,call,wan,status", {16, 17, 18, 19, 20, 21}}};
    for (const Case& c : cases) {
        const FloodRun run =
            runFlood({QStringLiteral("--print"), QStringLiteral("--count"), QStringLiteral("600"),
                      QStringLiteral("--facilities"), QString::fromLatin1(c.list)});
        ASSERT_EQ(run.exitCode, 0) << c.list << ": " << run.err.constData();
        const QList<QByteArray> output = lines(run.out);
        EXPECT_EQ(output.size(), 600) << c.list;
        EXPECT_EQ(facilitiesOf(output), c.expected) << c.list;
    }
}

TEST(SyslogFlood, SameSeedGivesTheSameTrafficAndAnotherSeedOther)
{
    auto printed = [](const char* seed) {
        return runFlood({QStringLiteral("--print"), QStringLiteral("--count"),
                         QStringLiteral("2000"), QStringLiteral("--seed"),
                         QString::fromLatin1(seed)});
    };
    const FloodRun first = printed("42");
    const FloodRun second = printed("42");
    const FloodRun other = printed("43");
    ASSERT_EQ(first.exitCode, 0);
    ASSERT_EQ(lines(first.out).size(), 2000);
    EXPECT_EQ(first.out, second.out);
    EXPECT_NE(first.out, other.out);
}

TEST(SyslogFlood, TrafficIsVariedWithAnOccasionalEmergency)
{
    const FloodRun run =
        runFlood({QStringLiteral("--print"), QStringLiteral("--count"), QStringLiteral("5000")});
    ASSERT_EQ(run.exitCode, 0);
    const QList<QByteArray> output = lines(run.out);
    ASSERT_EQ(output.size(), 5000);

    std::set<int> severities;
    std::set<QByteArray> bodies;
    int emergencies = 0;
    quint64 expectedSeq = 1;
    for (const QByteArray& line : output) {
        const auto d = parse(line);
        ASSERT_TRUE(d) << line.constData();
        EXPECT_EQ(d->seq, expectedSeq++);
        EXPECT_LT(line.size(), 1000);
        severities.insert(d->severity);
        emergencies += d->severity == 0 ? 1 : 0;
        bodies.insert(d->message.left(d->message.lastIndexOf(" seq=")));
    }
    EXPECT_GE(severities.size(), 6u);
    EXPECT_GT(emergencies, 0);
    EXPECT_LT(emergencies, 250); // now and then, not all the time
    EXPECT_GT(bodies.size(), 2500u);
    EXPECT_EQ(facilitiesOf(output), (std::set<int>{16, 17, 18, 19, 20, 21}));
}

TEST(SyslogFlood, SingleDigitDaysArePaddedWithABlank)
{
    static const QRegularExpression padded(QStringLiteral("^<\\d{3}>[A-Z][a-z]{2}  [1-9] "));
    bool found = false;
    for (int seed = 1; seed <= 60 && !found; ++seed) {
        const FloodRun run =
            runFlood({QStringLiteral("--print"), QStringLiteral("--count"), QStringLiteral("1"),
                      QStringLiteral("--seed"), QString::number(seed)});
        ASSERT_EQ(run.exitCode, 0);
        ASSERT_TRUE(parse(run.out.trimmed())) << run.out.constData();
        found = padded.match(QString::fromLatin1(run.out)).hasMatch();
    }
    EXPECT_TRUE(found);
}

TEST(SyslogFlood, PrintWritesLinesAndSendsNothing)
{
    LoopbackPeer peer;
    const FloodRun run =
        runFlood({QStringLiteral("--print"), QStringLiteral("--port"), QString::number(peer.port()),
                  QStringLiteral("--count"), QStringLiteral("20")});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(lines(run.out).size(), 20);
    EXPECT_TRUE(run.err.contains("20 datagrams printed")) << run.err.constData();
    // The tool has exited: whatever it sent is already queued at the peer.
    EXPECT_TRUE(peer.received().empty());
}

TEST(SyslogFlood, RefusesAddressesOutsideLoopbackBeforeSending)
{
    LoopbackPeer peer;
    const QString port = QString::number(peer.port());
    const QStringList refused[] = {
        {QStringLiteral("--host"), QStringLiteral("192.0.2.1"), QStringLiteral("--port"), port},
        {QStringLiteral("--port"), port, QStringLiteral("--source"), QStringLiteral("192.0.2.1")},
        // Broadcast stays refused even with the override; --print opens no socket anyway.
        {QStringLiteral("--print"), QStringLiteral("--allow-non-loopback"),
         QStringLiteral("--host"), QStringLiteral("255.255.255.255")},
    };
    for (const QStringList& arguments : refused) {
        const FloodRun run =
            runFlood(arguments + QStringList{QStringLiteral("--count"), QStringLiteral("5")});
        const QString shown = arguments.join(QLatin1Char(' '));
        EXPECT_EQ(run.exitCode, 2) << qPrintable(shown);
        EXPECT_EQ(run.err.count('\n'), 1) << qPrintable(shown) << run.err.constData();
        EXPECT_FALSE(run.err.contains("datagrams")) << run.err.constData();
        EXPECT_TRUE(run.out.isEmpty()) << qPrintable(shown);
    }
    // The tool has exited: whatever it sent is already queued at the peer.
    EXPECT_TRUE(peer.received().empty());
}

TEST(SyslogFlood, BadOptionsExitWithTwoAndOneLine)
{
    LoopbackPeer peer;
    const QString port = QString::number(peer.port());
    const QStringList bad[] = {
        {QStringLiteral("--port"), QStringLiteral("0")},
        {QStringLiteral("--port"), QStringLiteral("65536")},
        {QStringLiteral("--port"), QStringLiteral("x1")},
        {QStringLiteral("--count")},
        {QStringLiteral("--count"), QStringLiteral("-1")},
        {QStringLiteral("--count"), QStringLiteral("1e3")},
        {QStringLiteral("--rate"), QStringLiteral("-5")},
        {QStringLiteral("--rate"), QStringLiteral("fast")},
        {QStringLiteral("--seed"), QStringLiteral("")},
        {QStringLiteral("--facilities"), QStringLiteral("firewall,bogus")},
        {QStringLiteral("--facilities"), QStringLiteral("15")},
        {QStringLiteral("--facilities"), QStringLiteral("vpn,")},
        {QStringLiteral("--hostname"), QStringLiteral("gw:1")},
        {QStringLiteral("--hostname"), QStringLiteral("my gw")},
        {QStringLiteral("--host"), QStringLiteral("localhost.example")},
        {QStringLiteral("--source"), QStringLiteral("::1")},
        {QStringLiteral("--print=yes")},
        {QStringLiteral("--bogus")},
        {QStringLiteral("extra")},
    };
    for (const QStringList& arguments : bad) {
        const FloodRun run = runFlood(QStringList{QStringLiteral("--port"), port} + arguments);
        const QString shown = arguments.join(QLatin1Char(' '));
        EXPECT_EQ(run.exitCode, 2) << qPrintable(shown);
        EXPECT_EQ(run.err.count('\n'), 1) << qPrintable(shown) << run.err.constData();
        EXPECT_TRUE(run.out.isEmpty()) << qPrintable(shown);
    }
    // Without --print a port is needed.
    const FloodRun portless = runFlood({QStringLiteral("--count"), QStringLiteral("5")});
    EXPECT_EQ(portless.exitCode, 2);
    // The tool has exited: whatever it sent is already queued at the peer.
    EXPECT_TRUE(peer.received().empty());

    const FloodRun help = runFlood({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--facilities"));
}

} // namespace
} // namespace quendal
