#include "logs/core/EntrySplitter.h"

#include "logs/core/HeaderForm.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QProcess>

#include <gtest/gtest.h>
#include <memory>

namespace quendal {
namespace {

LogEntry split(QByteArrayView datagram, int severity = 3)
{
    const int headerEnd = int(datagram.indexOf('>'));
    return LogEntry::from(splitEntry(datagram, headerEnd, severity));
}

TEST(EntrySplitter, CutsTimeHostAndMessage)
{
    EXPECT_EQ(split("<131>Mar 14 09:26:53 gateway: Packet blocked"),
              (LogEntry{"Mar 14 09:26:53", "gateway", "Packet blocked", Severity::Error}));
    EXPECT_EQ(split("<128>Mar 14 09:26:53 gateway: Packet blocked", 0),
              (LogEntry{"Mar 14 09:26:53", "gateway", "Packet blocked", Severity::Emergency}));
    // Blanks in the host and a trailing line feed stay; nothing is trimmed.
    EXPECT_EQ(split("<131>Mar 14 09:26:53 my gw: x\n"),
              (LogEntry{"Mar 14 09:26:53", "my gw", "x\n", Severity::Error}));
    // The byte after the colon is skipped whatever it is.
    EXPECT_EQ(split("<131>Mar 14 09:26:53 gateway:Packet").message, "acket");
    // Only the first colon behind the time ends the host.
    EXPECT_EQ(split("<131>Mar 14 09:26:53 gw: a: b"),
              (LogEntry{"Mar 14 09:26:53", "gw", "a: b", Severity::Error}));
}

TEST(EntrySplitter, TimeIsFifteenBytesWhateverFollows)
{
    EXPECT_EQ(split("<131>2002-03-14T09:26:53Z h: m"),
              (LogEntry{"2002-03-14T09:2", "", "3Z h: m", Severity::Error}));
    // A prefix of two characters moves every column one byte to the left.
    EXPECT_EQ(split("<aa>Mar 14 09:26:53 gw: x"),
              (LogEntry{"Mar 14 09:26:53", "gw", "x", Severity::Error}));
}

TEST(EntrySplitter, NothingIsLostWithoutAColonAndShortDatagramsGiveEmptyColumns)
{
    EXPECT_EQ(split("<131>Mar 14 09:26:53 link went down"),
              (LogEntry{"Mar 14 09:26:53", "", "link went down", Severity::Error}));
    EXPECT_EQ(split("<131>short"), (LogEntry{"short", "", "", Severity::Error}));
    EXPECT_EQ(split("<131>"), (LogEntry{"", "", "", Severity::Error}));
    // A colon as the separator itself ends an empty host; one as the very last byte leaves an
    // empty message.
    EXPECT_EQ(split("<131>Mar 14 09:26:53:gw: x"),
              (LogEntry{"Mar 14 09:26:53", "", "w: x", Severity::Error}));
    EXPECT_EQ(split("<131>Mar 14 09:26:53 gw:"),
              (LogEntry{"Mar 14 09:26:53", "gw", "", Severity::Error}));
}

// The splitter every receiving socket uses, with a clock that stands still at a local time.
class FormSplit : public ::testing::Test
{
protected:
    static constexpr const char* kSender = "192.0.2.7";

    // Splits a datagram as the intake hands it over: its text ends at the first zero byte.
    // The text is copied to a block of its exact size, so that a memory checker sees any read
    // beyond it.
    LogEntry split(QByteArrayView datagram, int severity = 6)
    {
        const qsizetype zero = datagram.indexOf('\0');
        const qsizetype size = zero < 0 ? datagram.size() : zero;
        const auto copy = std::make_unique<char[]>(size_t(size));
        std::copy_n(datagram.data(), size, copy.get());
        const QByteArrayView text(copy.get(), size);
        const int headerEnd = int(text.indexOf('>'));
        return LogEntry::from(
            splitter.split(text, headerEnd, severity, QString::fromLatin1(kSender)));
    }
    static LogEntry routers(QByteArrayView datagram, int severity = 6)
    {
        return LogEntry::from(splitEntry(datagram, int(datagram.indexOf('>')), severity));
    }
    static qint64 localSeconds(int month, int day, int h, int m, int s)
    {
        return QDateTime(QDate(2026, month, day), QTime(h, m, s)).toSecsSinceEpoch();
    }

    qint64 now = localSeconds(12, 7, 14, 5, 9);
    EntrySplitter splitter{[this] {
        return now;
    }};
};

TEST_F(FormSplit, RoutersClassicHeaderAndOddClocksKeepTheirSplitByteForByte)
{
    for (const char* d : {
             "<131>Mar 14 09:26:53 gateway: Packet blocked", "<134>Dec  7 14:18:06 vm root: text",
             "<131>Mar 14 09:26:53 my gw: x\n", "<131>Mar 14 09:26:53 gateway:Packet",
             "<131>Mar 14 09:26:53 link went down", "<131>Mar 14 09:26:53:gw: x",
             "<aa>Mar 14 09:26:53 gw: x",
             // Odd router clocks: a time of day in the first 16 bytes, but no known header.
             "<131>Mar 14 9:26:53 gw: x", "<131>14:26:53 gw: x", "<131>2002-03-14 09:26:53 gw: x",
             "<131>12/07/2026 14:18 gw: x",
             "<131>xxxxxxxxxxx14:18 gw: x", // the time of day ends on the 16th byte
         }) {
        EXPECT_EQ(split(d), routers(d)) << d;
        EXPECT_EQ(split(d, 0), routers(d, 0)) << d;
    }
    EXPECT_EQ(recogniseHeaderForm("Dec  7 14:18:06 vm root: text"), HeaderForm::Classic);
    EXPECT_EQ(recogniseHeaderForm("12/07/2026 14:18 gw: x"), HeaderForm::Unknown);
}

TEST_F(FormSplit, EveryMessageOfTheTrafficGeneratorIsCutAsBefore)
{
    QProcess flood;
    flood.start(QStringLiteral(QUENDAL_FLOOD_BINARY),
                {QStringLiteral("--print"), QStringLiteral("--count"), QStringLiteral("5000"),
                 QStringLiteral("--seed"), QStringLiteral("13")});
    ASSERT_TRUE(flood.waitForFinished(30000));
    const QList<QByteArray> lines = flood.readAllStandardOutput().split('\n');
    ASSERT_GT(lines.size(), 4000);
    for (const QByteArray& d : lines) {
        if (!d.isEmpty()) {
            ASSERT_EQ(split(d), routers(d)) << d.constData();
        }
    }
}

TEST_F(FormSplit, Rfc5424FromLoggerAndRsyslog)
{
    // logger's default, with its time quality element.
    EXPECT_EQ(
        split("<134>1 2026-12-07T14:18:06.007184+00:00 vm root - - [timeQuality tzKnown=\"1\" "
              "isSynced=\"1\" syncAccuracy=\"123\"] fw emerg"),
        (LogEntry{"2026-12-07T14:18:06.007184+00:00", "vm",
                  "root: fw emerg [timeQuality tzKnown=\"1\" isSynced=\"1\" "
                  "syncAccuracy=\"123\"]",
                  Severity::Informational}));
    EXPECT_EQ(split("<134>1 2026-12-07T14:18:06.007184+00:00 vm fwtag 812 - [timeQuality "
                    "tzKnown=\"1\"] text"),
              (LogEntry{"2026-12-07T14:18:06.007184+00:00", "vm",
                        "fwtag[812]: text [timeQuality tzKnown=\"1\"]", Severity::Informational}));
    // logger --rfc5424=notq,notime,nohost: every nil part left out, the sender as Host.
    EXPECT_EQ(split("<134>1 - - root - - - text"),
              (LogEntry{"", kSender, "root: text", Severity::Informational}));
    EXPECT_EQ(split("<128>1 - - - - - - text", 0),
              (LogEntry{"", kSender, "text", Severity::Emergency}));
    // rsyslog's RSYSLOG_SyslogProtocol23Format ends with a line feed; it stays last.
    EXPECT_EQ(split("<134>1 2026-12-07T14:20:00.123456+00:00 vm fwtag - - - text\n"),
              (LogEntry{"2026-12-07T14:20:00.123456+00:00", "vm", "fwtag: text\n",
                        Severity::Informational}));
    EXPECT_EQ(
        split("<134>1 2026-12-07T14:20:00.123456+00:00 vm fwtag 812 - [origin ip=\"10.0.0.1\"] "
              "text\n"),
        (LogEntry{"2026-12-07T14:20:00.123456+00:00", "vm",
                  "fwtag[812]: text [origin ip=\"10.0.0.1\"]\n", Severity::Informational}));
}

TEST_F(FormSplit, Rfc5424ExamplesKeepMsgIdAndStructuredDataAndDropTheByteOrderMark)
{
    EXPECT_EQ(
        split("<34>1 2003-10-11T22:14:15.003Z mymachine.example.com su - ID47 - "
              "\xEF\xBB\xBF'su root' failed for lonvick on /dev/pts/8"),
        (LogEntry{"2003-10-11T22:14:15.003Z", "mymachine.example.com",
                  "su ID47: 'su root' failed for lonvick on /dev/pts/8", Severity::Informational}));
    EXPECT_EQ(
        split("<165>1 2003-08-24T05:14:15.000003-07:00 192.0.2.1 myproc 8710 - - "
              "%% It's time to make the do-nuts."),
        (LogEntry{"2003-08-24T05:14:15.000003-07:00", "192.0.2.1",
                  "myproc[8710]: %% It's time to make the do-nuts.", Severity::Informational}));
    // Structured data only, two elements; a ']' inside a quoted value or escaped does not end
    // an element.
    EXPECT_EQ(split("<165>1 2003-10-11T22:14:15.003Z host evntslog - ID47 [exampleSDID@32473 "
                    "iut=\"3\"][examplePriority@32473 class=\"high\"]"),
              (LogEntry{"2003-10-11T22:14:15.003Z", "host",
                        "evntslog ID47: [exampleSDID@32473 iut=\"3\"][examplePriority@32473 "
                        "class=\"high\"]",
                        Severity::Informational}));
    EXPECT_EQ(split("<134>1 - h a - - [x@1 v=\"]\\\"]\" w=\"\\]\"] m"),
              (LogEntry{"", "h", "a: m [x@1 v=\"]\\\"]\" w=\"\\]\"]", Severity::Informational}));
    // A byte order mark anywhere but at the start of MSG stays.
    EXPECT_EQ(split("<134>1 - h a - - - x\xEF\xBB\xBF").message, "a: x\xEF\xBB\xBF");
    // A process id or message id alone still makes a tag.
    EXPECT_EQ(split("<134>1 - h - 42 - - m").message, "[42]: m");
    EXPECT_EQ(split("<134>1 - h - - ID9 - m").message, "ID9: m");
}

TEST_F(FormSplit, Rfc3339TimeInTheClassicLayout)
{
    // rsyslog's RSYSLOG_ForwardFormat.
    EXPECT_EQ(
        split("<134>2026-12-07T14:20:00.123+00:00 vm fwtag: text"),
        (LogEntry{"2026-12-07T14:20:00.123+00:00", "vm", "fwtag: text", Severity::Informational}));
    EXPECT_EQ(split("<128>2026-12-07t14:20:00z vm a b  c\n", 0),
              (LogEntry{"2026-12-07t14:20:00z", "vm", "a b  c\n", Severity::Emergency}));
    // No word behind the time: the sender is the Host.
    EXPECT_EQ(split("<134>2026-12-07T14:20:00Z"),
              (LogEntry{"2026-12-07T14:20:00Z", kSender, "", Severity::Informational}));
    EXPECT_EQ(split("<134>2026-12-07T14:20:00Z  text"),
              (LogEntry{"2026-12-07T14:20:00Z", kSender, "text", Severity::Informational}));
}

TEST_F(FormSplit, HeaderlessTextGetsTheArrivalTimeAndTheSender)
{
    // Python's SysLogHandler: the text and a zero byte, which ends it.
    EXPECT_EQ(split(QByteArrayView("<132>python plain default handler\0", 34)),
              (LogEntry{"Dec  7 14:05:09", kSender, "python plain default handler",
                        Severity::Informational}));
    EXPECT_EQ(split("<131>short"),
              (LogEntry{"Dec  7 14:05:09", kSender, "short", Severity::Informational}));
    // A time of day that only starts within the first 16 bytes does not make a header.
    EXPECT_EQ(split("<131>xxxxxxxxxxxx14:18 x").message, "xxxxxxxxxxxx14:18 x");
    EXPECT_EQ(split("<131>link down at 14:18:06").message, "link down at 14:18:06");

    now = localSeconds(3, 14, 9, 26, 53);
    EXPECT_EQ(split("<128>a", 0), (LogEntry{"Mar 14 09:26:53", kSender, "a", Severity::Emergency}));
    now = localSeconds(1, 1, 0, 0, 0);
    EXPECT_EQ(split("<128>a").time, "Jan  1 00:00:00");
    now = localSeconds(10, 31, 23, 59, 59);
    EXPECT_EQ(split("<128>a").time, "Oct 31 23:59:59");
}

TEST_F(FormSplit, MalformedVariantsAreStoredWithNothingLost)
{
    // An RFC 5424 header cut after the version is text without a header.
    EXPECT_EQ(split("<134>1"),
              (LogEntry{"Dec  7 14:05:09", kSender, "1", Severity::Informational}));
    EXPECT_EQ(split("<134>1 "),
              (LogEntry{"Dec  7 14:05:09", kSender, "1 ", Severity::Informational}));
    EXPECT_EQ(split("<134>1 2026-12"),
              (LogEntry{"Dec  7 14:05:09", kSender, "1 2026-12", Severity::Informational}));
    // Cut later: the parts that came.
    EXPECT_EQ(split("<134>1 2026-12-07T14:18:06Z"),
              (LogEntry{"2026-12-07T14:18:06Z", kSender, "", Severity::Informational}));
    EXPECT_EQ(split("<134>1 2026-12-07T14:18:06Z vm app 42"),
              (LogEntry{"2026-12-07T14:18:06Z", "vm", "app[42]:", Severity::Informational}));
    // Timestamps with garbage are kept as sent.
    EXPECT_EQ(
        split("<134>1 2026-12-07T14:99:xx+garbage vm app - - - text"),
        (LogEntry{"2026-12-07T14:99:xx+garbage", "vm", "app: text", Severity::Informational}));
    EXPECT_EQ(split("<134>2026-12-07Tgarbage!! vm tag: text"),
              (LogEntry{"2026-12-07Tgarbage!!", "vm", "tag: text", Severity::Informational}));
    // A HOSTNAME of 300 bytes, in both forms that name one.
    const QByteArray longHost(300, 'h');
    EXPECT_EQ(split("<134>1 - " + longHost + " app - - - text"),
              (LogEntry{"", longHost, "app: text", Severity::Informational}));
    EXPECT_EQ(split("<134>2026-12-07T14:20:00Z " + longHost + " tag: text").host, longHost);
    EXPECT_EQ(split("<134>Dec  7 14:18:06 " + longHost + ": text").host, longHost);
    // Only a priority.
    EXPECT_EQ(split("<134>"), (LogEntry{"Dec  7 14:05:09", kSender, "", Severity::Informational}));
    EXPECT_EQ(split("<>"), (LogEntry{"Dec  7 14:05:09", kSender, "", Severity::Informational}));
    // Structured data never closed, or garbage where it belongs, is message text.
    EXPECT_EQ(split("<134>1 - vm app - - [a x=\"y] text").message, "app: [a x=\"y] text");
    EXPECT_EQ(split("<134>1 - vm app - - [a x=\"y\\").message, "app: [a x=\"y\\");
    EXPECT_EQ(split("<134>1 - vm app - - -text").message, "app: -text");
    EXPECT_EQ(split("<134>1 - vm app - - [a]text").message, "app: text [a]");
}

TEST_F(FormSplit, RearrangedMessagesOfEveryLengthFitTheReusedBuffer)
{
    // From an empty MSG to the largest datagram, each split on the same splitter, in both
    // directions so that a short message follows a long one.
    std::vector<int> lengths;
    for (int n = 0; n <= 1500; n += 37)
        lengths.push_back(n);
    lengths.insert(lengths.end(), lengths.rbegin(), lengths.rend());
    for (int n : lengths) {
        const QByteArray msg(n, 'm');
        const QByteArray d = ("<134>1 - h app 1 ID [a b=\"c\"] " + msg).left(1500);
        const LogEntry e = split(d);
        EXPECT_TRUE(e.message.startsWith("app[1] ID: ")) << n;
        EXPECT_TRUE(e.message.endsWith("[a b=\"c\"]")) << n;
        EXPECT_EQ(e.message.count('m'), d.count('m')) << n;
    }
}

TEST_F(FormSplit, EveryCutOfEachFormKeepsEveryWordItHolds)
{
    // Every word behind the priority shows up in a column, whatever the length at which the
    // datagram is cut; only the version, nil values and a whole byte order mark may go.
    const QByteArray bom = "\xEF\xBB\xBF";
    for (const QByteArray& d : {
             QByteArray("<134>1 2026-12-07T14:18:06.007184+00:00 vm root 42 ID7 [timeQuality "
                        "tzKnown=\"1\" isSynced=\"1\"][o@1 ip=\"\\\"]\"] \xEF\xBB\xBF"
                        "fw emerg\r\n"),
             QByteArray("<134>1 - - root - - - text"),
             QByteArray("<134>2026-12-07T14:20:00.123+00:00 vm fwtag: text"),
             QByteArray("<132>python plain default handler"),
         }) {
        for (qsizetype n = 0; n <= d.size(); ++n) {
            const QByteArrayView cut = QByteArrayView(d).first(n);
            const LogEntry e = split(cut);
            const QByteArray columns = e.time + '\n' + e.host + '\n' + e.message;
            const QByteArrayView body = cut.sliced(std::min<qsizetype>(5, n));
            const bool rfc5424 = recogniseHeaderForm(body) == HeaderForm::Rfc5424;
            const QList<QByteArray> words = body.toByteArray().split(' ');
            for (qsizetype w = rfc5424 ? 1 : 0; w < words.size(); ++w) {
                QByteArray word = words[w].trimmed();
                if (word.startsWith(bom))
                    word.remove(0, bom.size());
                if (word != "-") {
                    EXPECT_TRUE(columns.contains(word)) << word.constData() << " of " << n;
                }
            }
        }
    }
}

} // namespace
} // namespace quendal
