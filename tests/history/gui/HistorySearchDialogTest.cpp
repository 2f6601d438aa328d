#include "history/gui/HistorySearchDialog.h"

#include "history/core/HistoryFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace quendal {
namespace {

using Outcome = HistorySearchJob::Outcome;

Outcome lastOutcome(const QSignalSpy& spy)
{
    return spy.last().at(0).value<Outcome>();
}

TEST(HistorySearchDialog, ResultsStreamInNewestFirstAndStopAtTheCap)
{
    const test::HistoryFolder folder(60);
    HistorySearchDialog dialog(folder.path());
    dialog.show();
    QSignalSpy finished(&dialog, &HistorySearchDialog::searchFinished);

    dialog.textField()->setText(QStringLiteral("blocked"));
    dialog.hostField()->setText(QStringLiteral("10.0.5.7"));
    QTest::mouseClick(dialog.searchButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.size() == 1; }, 30000));
    EXPECT_EQ(lastOutcome(finished), Outcome::Completed);
    qsizetype want = 0;
    for (const test::WrittenEntry& e : folder.entries())
        want += e.message.contains(QStringLiteral("blocked"), Qt::CaseInsensitive) &&
                e.host.contains(QStringLiteral("10.0.5.7"));
    EXPECT_EQ(dialog.resultCount(), want);
    EXPECT_EQ(dialog.resultList()->topLevelItemCount(), want);
    EXPECT_EQ(dialog.progressBar()->value(), dialog.progressBar()->maximum());
    // The newest file's last entry comes first, with its place in the file.
    EXPECT_EQ(dialog.result(0).file, folder.entries().front().file);
    EXPECT_TRUE(dialog.fileLocation(0).contains(QStringLiteral("FIrWareLog.flg, line ")));
    dialog.resultList()->topLevelItem(0)->setSelected(true);
    EXPECT_EQ(dialog.selectedText().count(QLatin1Char('\t')), 2);

    // A bad time is refused before anything is read.
    dialog.fromField()->setText(QStringLiteral("last week"));
    EXPECT_FALSE(dialog.startSearch());
    dialog.fromField()->clear();

    dialog.setResultLimit(5);
    dialog.textField()->clear();
    dialog.hostField()->clear();
    ASSERT_TRUE(dialog.startSearch());
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.size() == 2; }, 30000));
    EXPECT_EQ(lastOutcome(finished), Outcome::Capped);
    EXPECT_EQ(dialog.resultCount(), 5);
    EXPECT_TRUE(dialog.statusText().contains(QStringLiteral("5")));
}

TEST(HistorySearchDialog, CancelStopsTheReadingMidWay)
{
    // Many large files behind a small newest one: the first results are on screen long before
    // the reading is through.
    const test::HistoryFolder folder(30);
    QByteArray big;
    for (int i = 0; big.size() < (24 << 20); ++i)
        big += QStringLiteral("Nov 10 08:%1:00\r\ngw-a\r\nPacket blocked old %2\r\n")
                   .arg(i % 60, 2, 10, QLatin1Char('0'))
                   .arg(i)
                   .toUtf8();
    const QString first = folder.path() + QStringLiteral("/CallLog.clg.7.gz");
    gzFile gz = gzopen(QFile::encodeName(first).constData(), "wb1");
    gzwrite(gz, big.constData(), unsigned(big.size()));
    gzclose(gz);
    for (int generation = 8; generation < 12; ++generation)
        QFile::copy(first, folder.path() + QStringLiteral("/CallLog.clg.%1.gz").arg(generation));
    for (int generation = 7; generation < 12; ++generation) {
        QFile file(folder.path() + QStringLiteral("/CallLog.clg.%1.gz").arg(generation));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime(QDate(2025, 1, 1), QTime(0, 0)).addDays(-generation),
                         QFileDevice::FileModificationTime);
    }

    HistorySearchDialog dialog(folder.path());
    dialog.show();
    QSignalSpy finished(&dialog, &HistorySearchDialog::searchFinished);
    dialog.textField()->setText(QStringLiteral("blocked"));
    ASSERT_TRUE(dialog.startSearch());
    EXPECT_FALSE(dialog.searchButton()->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.resultCount() > 0; }, 30000));
    QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.size() == 1; }, 30000));
    EXPECT_EQ(lastOutcome(finished), Outcome::Cancelled);
    EXPECT_LT(dialog.progressBar()->value(), dialog.progressBar()->maximum());
    EXPECT_TRUE(dialog.searchButton()->isEnabled());
    EXPECT_FALSE(dialog.cancelButton()->isEnabled());
    EXPECT_FALSE(dialog.isSearching());
}

} // namespace
} // namespace quendal
