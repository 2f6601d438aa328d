#include "history/core/HistorySearch.h"

#include "history/core/HistoryFixture.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace quendal {
namespace {

using test::WrittenEntry;

// What a search found or must find: the place of each entry and the instant it was dated to.
using Places = std::map<std::pair<QString, qint64>, qint64>;

Places expected(const test::HistoryFolder& folder,
                const std::function<bool(const WrittenEntry&)>& wanted)
{
    Places places;
    for (const WrittenEntry& e : folder.entries()) {
        if (wanted(e))
            places[{e.file, e.line}] = e.atMs;
    }
    return places;
}

Places search(const test::HistoryFolder& folder, const HistoryQuery& query)
{
    Places places;
    QString lastFile;
    qint64 lastLine = 0;
    HistorySearch run(query, findHistoryFiles(folder.path(), query.categories));
    EXPECT_TRUE(run.run([&](const HistoryEntry& found) {
        // Newest first inside each file.
        if (found.file == lastFile) {
            EXPECT_LT(found.line, lastLine) << qPrintable(found.file);
        }
        lastFile = found.file;
        lastLine = found.line;
        places[{found.file, found.line}] = found.datedMs.value_or(-1);
        return true;
    }));
    return places;
}

bool inAnyText(const WrittenEntry& e, const std::function<bool(const QString&)>& test)
{
    return test(e.time) || test(e.host) || test(e.message);
}

TEST(HistorySearch, FindsInEveryFileWhatEachCriterionSelects)
{
    const test::HistoryFolder folder;
    ASSERT_EQ(folder.entries().size(), 8 * 120);
    const auto contains = [](const QString& text, Qt::CaseSensitivity cs) {
        return [text, cs](const WrittenEntry& e) {
            return inAnyText(e, [&](const QString& t) { return t.contains(text, cs); });
        };
    };
    const auto matchesRegex = [](const QString& pattern) {
        const QRegularExpression regex(pattern, QRegularExpression::CaseInsensitiveOption);
        return [regex](const WrittenEntry& e) {
            return inAnyText(e, [&](const QString& t) { return regex.match(t).hasMatch(); });
        };
    };

    struct Case
    {
        const char* name;
        HistoryQuery query;
        std::function<bool(const WrittenEntry&)> wanted;
    };
    const QDateTime turn(QDate(2026, 1, 1), QTime(0, 0));
    const std::vector<Case> cases = {
        {"every entry", HistoryQuery{},
         [](const WrittenEntry&) {
             return true;
         }},
        {"text ignoring case", HistoryQuery{.text = QStringLiteral("bLoCkEd")},
         contains(QStringLiteral("blocked"), Qt::CaseInsensitive)},
        {"text with its case",
         HistoryQuery{.text = QStringLiteral("Blocked"), .caseSensitive = true},
         contains(QStringLiteral("Blocked"), Qt::CaseSensitive)},
        {"text beyond ASCII ignoring case", HistoryQuery{.text = QStringLiteral("äöÜ")},
         contains(QStringLiteral("äöü"), Qt::CaseInsensitive)},
        {"regex with a literal part",
         HistoryQuery{.text = QStringLiteral("pack.t (blocked|accepted) id=1\\d$"),
                      .regularExpression = true},
         matchesRegex(QStringLiteral("pack.t (blocked|accepted) id=1\\d$"))},
        {"regex without one",
         HistoryQuery{.text = QStringLiteral("^(link|vpn)"), .regularExpression = true},
         matchesRegex(QStringLiteral("^(link|vpn)"))},
        {"part of a host", HistoryQuery{.host = QStringLiteral("10.0.5.7")},
         [](const WrittenEntry& e) {
             return e.host.startsWith(QStringLiteral("10.0.5.7"));
         }},
        {"category and text",
         HistoryQuery{.text = QStringLiteral("tunnel"), .categories = {LogCategory::VPN}},
         [](const WrittenEntry& e) {
             return e.category == LogCategory::VPN && e.message.contains(QStringLiteral("tunnel"));
         }},
        {"emergencies", HistoryQuery{.emergenciesOnly = true},
         [](const WrittenEntry& e) {
             return e.emergency;
         }},
        {"time range across the year's turn",
         HistoryQuery{.sinceMs = turn.addSecs(-30 * 60).toMSecsSinceEpoch(),
                      .untilMs = turn.addSecs(30 * 60).toMSecsSinceEpoch()},
         [&](const WrittenEntry& e) {
             return e.atMs >= turn.addSecs(-30 * 60).toMSecsSinceEpoch() &&
                    e.atMs <= turn.addSecs(30 * 60).toMSecsSinceEpoch();
         }},
        {"text and host and time",
         HistoryQuery{.text = QStringLiteral("blocked"),
                      .host = QStringLiteral("GW"),
                      .sinceMs = QDateTime(QDate(2026, 11, 18), QTime(9, 0)).toMSecsSinceEpoch()},
         [](const WrittenEntry& e) {
             return e.message.contains(QStringLiteral("blocked"), Qt::CaseInsensitive) &&
                    e.host.contains(QStringLiteral("gw")) &&
                    e.atMs >= QDateTime(QDate(2026, 11, 18), QTime(9, 0)).toMSecsSinceEpoch();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Places want = expected(folder, c.wanted);
        EXPECT_FALSE(want.empty());
        // Every place and every dated instant, so a wrong year shows as well as a missed entry.
        EXPECT_EQ(search(folder, c.query), want);
    }
}

TEST(HistorySearch, TheCommandLinePrintsLinesOrJsonAndTellsByItsExitStatus)
{
    const test::HistoryFolder folder(30);
    const auto run = [&](QStringList arguments, QByteArray* out) {
        QProcess process;
        process.start(QStringLiteral(QUENDAL_SYSLOG_BINARY),
                      arguments << QStringLiteral("--log-dir") << folder.path());
        EXPECT_TRUE(process.waitForFinished(60000));
        *out = process.readAllStandardOutput();
        return process.exitCode();
    };
    const auto wanted = [](const WrittenEntry& e) {
        return e.category != LogCategory::VPN &&
               e.message.contains(QStringLiteral("blocked"), Qt::CaseInsensitive);
    };
    const Places want = expected(folder, wanted);

    QByteArray out;
    EXPECT_EQ(run({QStringLiteral("--search"), QStringLiteral("blocked"), QStringLiteral("--json"),
                   QStringLiteral("--category"), QStringLiteral("FireWall"),
                   QStringLiteral("--category=ulg"), QStringLiteral("--category"),
                   QStringLiteral("Call"), QStringLiteral("--category"), QStringLiteral("wan")},
                  &out),
              0);
    Places got;
    for (const QByteArray& line : out.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(line, &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line.constData();
        const QString file = o.value(QStringLiteral("file")).toString();
        const qint64 at =
            QDateTime::fromString(o.value(QStringLiteral("dated")).toString(), Qt::ISODate)
                .toMSecsSinceEpoch();
        got[{file, o.value(QStringLiteral("line")).toInteger()}] = at;
        // The texts as written.
        const auto written = std::find_if(
            folder.entries().cbegin(), folder.entries().cend(), [&](const WrittenEntry& e) {
                return e.file == file && e.line == o.value(QStringLiteral("line")).toInteger();
            });
        ASSERT_NE(written, folder.entries().cend());
        EXPECT_EQ(o.value(QStringLiteral("time")).toString(), written->time);
        EXPECT_EQ(o.value(QStringLiteral("host")).toString(), written->host);
        EXPECT_EQ(o.value(QStringLiteral("message")).toString(), written->message);
        EXPECT_EQ(o.value(QStringLiteral("emergency")).toBool(), written->emergency);
        EXPECT_EQ(o.value(QStringLiteral("category")).toString(),
                  QString::fromLatin1(categoryName(written->category)));
    }
    EXPECT_EQ(got, want);

    // The receiver's lines: category, Time (an emergency's in brackets), Host, Message.
    EXPECT_EQ(
        run({QStringLiteral("--search"), QStringLiteral("id=0 "), QStringLiteral("--regex")}, &out),
        1);
    EXPECT_EQ(run({QStringLiteral("--search=id=0$"), QStringLiteral("--regex")}, &out), 0);
    const WrittenEntry& first = folder.entries().front();
    EXPECT_EQ(out, QStringLiteral("FireWall\t[%1]\t%2\t%3\n")
                       .arg(first.time, first.host, first.message)
                       .toUtf8());
    EXPECT_EQ(run({QStringLiteral("--search"), QStringLiteral("x"), QStringLiteral("--since"),
                   QStringLiteral("yesterday")},
                  &out),
              2);
    EXPECT_EQ(
        run({QStringLiteral("--search"), QStringLiteral("(x"), QStringLiteral("--regex")}, &out),
        2);
}

} // namespace
} // namespace quendal
