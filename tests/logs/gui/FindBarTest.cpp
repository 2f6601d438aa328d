#include "logs/gui/FindBar.h"

#include "controls/gui/CColorListCtrl.h"
#include "logs/core/LogList.h"
#include "logs/gui/CCategoryPage.h"
#include "logs/gui/RowFilter.h"
#include "logs/gui/RowMatcher.h"
#include "support/TestSupport.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace quendal;
using namespace quendal::test;

namespace {

QString messageAt(const QAbstractItemModel* model, int row)
{
    return model->data(model->index(row, LogList::MessageColumn)).toString();
}

void add(LogList& list, const char* host, const char* message,
         Severity severity = Severity::Unknown)
{
    list.prepend({"Mar 14 09:26:53", host, message, severity});
}

} // namespace

// A find bar's query; every field named, so that none is left to chance.
FindQuery query(const QString& text, bool caseSensitive = false, bool regularExpression = false)
{
    FindQuery q;
    q.text = text;
    q.caseSensitive = caseSensitive;
    q.regularExpression = regularExpression;
    return q;
}

TEST(RowMatcherTest, IgnoresCaseByDefaultAndHonoursCaseAndRegexOnRequest)
{
    const LogEntryView entry{"Mar 14 09:26:53", "Gateway", "Packet BLOCKED from 10.0.0.9",
                             Severity::Unknown};
    EXPECT_TRUE(RowMatcher(query(QStringLiteral("blocked"))).matches(entry));
    EXPECT_TRUE(RowMatcher(query(QStringLiteral("gateway"))).matches(entry)); // the Host counts too
    EXPECT_FALSE(RowMatcher(query(QStringLiteral("blocked"), true)).matches(entry));
    EXPECT_TRUE(RowMatcher(query(QStringLiteral("BLOCKED"), true)).matches(entry));
    EXPECT_TRUE(RowMatcher(query(QStringLiteral("10\\.0\\.0\\.\\d$"), false, true)).matches(entry));
    EXPECT_FALSE(RowMatcher(query(QStringLiteral("^10"), false, true)).matches(entry));
    RowMatcher broken(query(QStringLiteral("(unclosed"), false, true));
    EXPECT_FALSE(broken.isValid());
    EXPECT_FALSE(broken.matches(entry));
    // Non-ASCII text ignoring case, against UTF-8 bytes.
    const LogEntryView german{"t", "h", "Verbindung GRÖSSE", Severity::Unknown};
    EXPECT_TRUE(RowMatcher(query(QStringLiteral("grösse"))).matches(german));
    // The host field is a part of the Host, in any case.
    FindQuery byHost;
    byHost.host = QStringLiteral("GATE");
    EXPECT_TRUE(RowMatcher(byHost).matches(entry));
    byHost.host = QStringLiteral("router");
    EXPECT_FALSE(RowMatcher(byHost).matches(entry));
}

TEST(RowFilterTest, FollowsArrivalsOnTopAndRemovalsAtTheBottom)
{
    LogList list;
    add(list, "a", "one match");
    add(list, "b", "other");
    RowFilter filter(&list);
    QAbstractItemModelTester tester(&filter, QAbstractItemModelTester::FailureReportingMode::Fatal);
    filter.setQuery(query(QStringLiteral("match")));
    ASSERT_EQ(filter.rowCount(), 1);
    add(list, "c", "two match");
    add(list, "d", "nothing");
    ASSERT_EQ(filter.rowCount(), 2);
    EXPECT_EQ(messageAt(&filter, 0), QStringLiteral("two match"));
    EXPECT_EQ(messageAt(&filter, 1), QStringLiteral("one match"));
    EXPECT_EQ(filter.sourceRow(0), 1);

    // A batch on top, as reception delivers them.
    LogRows batch;
    batch.prepend({"t", "e", "three match"});
    batch.prepend({"t", "f", "four match"});
    list.prependAll(std::move(batch));
    ASSERT_EQ(filter.matchCount(), 4);
    EXPECT_EQ(messageAt(&filter, 0), QStringLiteral("four match"));

    // The oldest row leaves at the bottom (a bounded list): its match goes too.
    list.remove(list.size() - 1);
    ASSERT_EQ(filter.matchCount(), 3);
    EXPECT_EQ(messageAt(&filter, 2), QStringLiteral("two match"));
    EXPECT_EQ(filter.sourceRow(2), int(list.size()) - 2);

    // All rows shown, the matches marked.
    filter.setOnlyMatching(false);
    ASSERT_EQ(filter.rowCount(), list.rowCount());
    EXPECT_TRUE(filter.data(filter.index(0, 0), RowFilter::MatchRole).toBool());
    EXPECT_FALSE(filter.data(filter.index(2, 0), RowFilter::MatchRole).toBool()); // "nothing"
    EXPECT_EQ(filter.rowOfMatch(2), 3);
    add(list, "g", "five match");
    EXPECT_EQ(filter.rowOfMatch(0), 0);
    EXPECT_EQ(filter.matchAt(0), 0);
    list.remove(list.size() - 1);
    EXPECT_EQ(filter.rowCount(), list.rowCount());

    list.clear();
    EXPECT_EQ(filter.matchCount(), 0);
    EXPECT_EQ(filter.rowCount(), 0);
}

class FindBarTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        add(list_, "10.0.0.1", "Packet blocked");
        add(list_, "10.0.0.2", "login ok");
        add(list_, "10.0.0.1", "PACKET allowed");
        page_.resize(900, 400);
        page_.show();
        page_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&page_));
        bar()->open();
    }

    FindBar* bar() { return page_.findBar(); }
    CColorListCtrl* ctrl() { return page_.listCtrl(); }
    void search(const QString& text)
    {
        bar()->textEdit()->setText(text);
        bar()->applyNow();
    }

    LogList list_;
    CFireWallPage page_{&list_};
};

TEST_F(FindBarTest, ShowsOnlyMatchesIgnoringCaseAndCountsThem)
{
    EXPECT_TRUE(bar()->isVisible());
    search(QStringLiteral("packet"));
    EXPECT_EQ(ctrl()->displayModel()->rowCount(), 2);
    EXPECT_EQ(bar()->countText(), QStringLiteral("0 of 2"));
    QTest::keyClick(bar()->textEdit(), Qt::Key_Return);
    EXPECT_EQ(bar()->countText(), QStringLiteral("1 of 2"));
    EXPECT_EQ(ctrl()->currentRow(), 0);
    QTest::keyClick(bar()->textEdit(), Qt::Key_Return);
    EXPECT_EQ(bar()->countText(), QStringLiteral("2 of 2"));
    EXPECT_EQ(ctrl()->currentRow(), 1);
    QTest::keyClick(bar()->textEdit(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(bar()->countText(), QStringLiteral("1 of 2"));

    bar()->caseBox()->setChecked(true);
    EXPECT_EQ(ctrl()->displayModel()->rowCount(), 0);
    EXPECT_EQ(bar()->countText(), QStringLiteral("No match"));
    search(QStringLiteral("PACKET"));
    EXPECT_EQ(ctrl()->displayModel()->rowCount(), 1);
}

TEST_F(FindBarTest, AppliesToArrivingRowsAndKeepsTheSelectedMatch)
{
    search(QStringLiteral("packet"));
    QTest::keyClick(bar()->textEdit(), Qt::Key_Return); // the newest match
    add(list_, "10.0.0.3", "packet dropped");
    add(list_, "10.0.0.3", "unrelated");
    EXPECT_EQ(ctrl()->displayModel()->rowCount(), 3);
    EXPECT_EQ(messageAt(ctrl()->displayModel(), 0), QStringLiteral("packet dropped"));
    EXPECT_EQ(bar()->countText(), QStringLiteral("2 of 3"));
    EXPECT_EQ(messageAt(ctrl()->displayModel(), int(ctrl()->currentRow())),
              QStringLiteral("PACKET allowed"));
}

TEST_F(FindBarTest, HighlightModeKeepsEveryRowAndTheHostFieldFilters)
{
    bar()->onlyMatchingBox()->setChecked(false);
    search(QStringLiteral("packet"));
    ASSERT_EQ(ctrl()->displayModel()->rowCount(), 3);
    EXPECT_TRUE(ctrl()
                    ->displayModel()
                    ->data(ctrl()->displayModel()->index(0, 0), CColorListCtrl::MarkedRole)
                    .toBool());
    EXPECT_FALSE(ctrl()
                     ->displayModel()
                     ->data(ctrl()->displayModel()->index(1, 0), CColorListCtrl::MarkedRole)
                     .toBool());
    QTest::keyClick(bar()->textEdit(), Qt::Key_F3);
    QTest::keyClick(bar()->textEdit(), Qt::Key_F3);
    EXPECT_EQ(ctrl()->currentRow(), 2); // the second match, past the row between

    bar()->onlyMatchingBox()->setChecked(true);
    search(QString());
    bar()->hostEdit()->setText(QStringLiteral("10.0.0.2"));
    bar()->applyNow();
    ASSERT_EQ(ctrl()->displayModel()->rowCount(), 1);
    EXPECT_EQ(messageAt(ctrl()->displayModel(), 0), QStringLiteral("login ok"));
}

TEST_F(FindBarTest, EscClosesAndRestoresTheWholeList)
{
    search(QStringLiteral("login"));
    ASSERT_EQ(ctrl()->displayModel()->rowCount(), 1);
    QTest::keyClick(bar()->textEdit(), Qt::Key_Escape);
    EXPECT_FALSE(bar()->isVisible());
    EXPECT_EQ(ctrl()->displayModel(), &list_);
    EXPECT_EQ(ctrl()->displayModel()->rowCount(), 3);
    // Opened again, it searches again.
    bar()->open();
    search(QStringLiteral("login"));
    EXPECT_EQ(ctrl()->displayModel()->rowCount(), 1);
}
