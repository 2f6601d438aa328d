// Where the find bar leaves the user: its match is the list's selected row, shown while typing;
// F3 goes on from a clicked row; a severity narrows the search; a bad pattern says why.
#include "common/core/UiText.h"
#include "controls/gui/CColorListCtrl.h"
#include "logs/core/LogList.h"
#include "logs/gui/CCategoryPage.h"
#include "logs/gui/FindBar.h"
#include "logs/gui/RowFilter.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace quendal;
using namespace quendal::test;

namespace {

class FindBarCurrentMatchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Row 0 is the newest: match 4, other, match 3, other, match 2, match 1.
        for (const auto& [message, severity] :
             std::initializer_list<std::pair<const char*, Severity>>{
                 {"packet one", Severity::Emergency},
                 {"packet two", Severity::Warning},
                 {"quiet", Severity::Error},
                 {"packet three", Severity::Notice},
                 {"quiet", Severity::Unknown},
                 {"packet four", Severity::Debug}})
            list_.prepend({"Mar 14 09:26:53", "gw", message, severity});
        page_.resize(1000, 400);
        page_.show();
        page_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&page_));
        bar()->open();
        bar()->onlyMatchingBox()->setChecked(false);
    }

    FindBar* bar() { return page_.findBar(); }
    CColorListCtrl* ctrl() { return page_.listCtrl(); }
    void search(const QString& text)
    {
        bar()->textEdit()->setText(text);
        bar()->applyNow();
    }
    QString messageOfCurrent()
    {
        const QAbstractItemModel* model = ctrl()->displayModel();
        return model->data(model->index(int(ctrl()->currentRow()), LogList::MessageColumn))
            .toString();
    }
    bool marked(int row)
    {
        const QAbstractItemModel* model = ctrl()->displayModel();
        return model->data(model->index(row, 0), CColorListCtrl::MarkedRole).toBool();
    }

    LogList list_;
    CFireWallPage page_{&list_};
};

} // namespace

TEST_F(FindBarCurrentMatchTest, TheMatchIsTheSelectedRowAndShowsWhileTyping)
{
    search(QStringLiteral("packet"));
    QTest::keyClick(bar()->textEdit(), Qt::Key_Return);
    QTest::keyClick(bar()->textEdit(), Qt::Key_Return);
    EXPECT_EQ(messageOfCurrent(), QStringLiteral("packet three"));
    const auto [first, last] = ctrl()->selectedRange();
    EXPECT_EQ(first, ctrl()->currentRow());
    EXPECT_EQ(last, ctrl()->currentRow());
    // The focus stays in the field, and the list still shows its selection.
    EXPECT_TRUE(bar()->textEdit()->hasFocus());
    EXPECT_TRUE(ctrl()->showSelectionAlways());

    bar()->close();
    EXPECT_FALSE(ctrl()->showSelectionAlways());
}

TEST_F(FindBarCurrentMatchTest, F3GoesOnFromAClickedRow)
{
    search(QStringLiteral("packet"));
    QTest::keyClick(bar()->textEdit(), Qt::Key_F3);
    EXPECT_EQ(messageOfCurrent(), QStringLiteral("packet four"));
    // The user clicks the "quiet" row between match 3 and match 2: F3 finds match 2 below it,
    // Shift+F3 match 3 above it.
    QTest::mouseClick(ctrl()->viewport(), Qt::LeftButton, {},
                      ctrl()->GetCellRect(3, 2, false).center());
    ASSERT_EQ(ctrl()->currentRow(), 3);
    QTest::keyClick(bar()->textEdit(), Qt::Key_F3);
    EXPECT_EQ(messageOfCurrent(), QStringLiteral("packet two"));
    EXPECT_EQ(bar()->countText(), GetUiText(UiTextId::MatchPosition).arg(3).arg(4));
    QTest::mouseClick(ctrl()->viewport(), Qt::LeftButton, {},
                      ctrl()->GetCellRect(3, 2, false).center());
    QTest::keyClick(bar()->textEdit(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(messageOfCurrent(), QStringLiteral("packet three"));
    // From the last match, F3 starts again at the top.
    QTest::mouseClick(ctrl()->viewport(), Qt::LeftButton, {},
                      ctrl()->GetCellRect(5, 2, false).center());
    QTest::keyClick(bar()->textEdit(), Qt::Key_F3);
    EXPECT_EQ(messageOfCurrent(), QStringLiteral("packet four"));
}

TEST_F(FindBarCurrentMatchTest, AnEmptyFieldMarksNothingAndABadPatternSaysWhy)
{
    search(QString());
    for (int row = 0; row < 6; ++row)
        EXPECT_FALSE(marked(row)) << row;
    EXPECT_TRUE(bar()->countText().isEmpty());

    QToolButton* close = bar()->findChild<QToolButton*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(close, nullptr);
    search(QStringLiteral("packet"));
    const QRect closeWhileCounting = close->geometry();
    bar()->regexBox()->setChecked(true);
    search(QStringLiteral("(unclosed"));
    const QString error = bar()->countText();
    EXPECT_TRUE(error.startsWith(GetUiText(UiTextId::SearchBadPattern).arg(QString())))
        << error.toStdString();
    EXPECT_GT(error.size(), GetUiText(UiTextId::SearchBadPattern).size());
    search(QStringLiteral("nothing like it"));
    EXPECT_EQ(bar()->countText(), GetUiText(UiTextId::NoMatch));
    // The counter's room does not change with its text.
    EXPECT_EQ(close->geometry(), closeWhileCounting);
}

TEST_F(FindBarCurrentMatchTest, ASeverityKeepsThatSeverityAndWorse)
{
    QComboBox* severity = bar()->severityBox();
    EXPECT_EQ(severity->currentText(), GetUiText(UiTextId::AnySeverity));
    bar()->onlyMatchingBox()->setChecked(true);
    severity->setCurrentIndex(severity->findData(int(Severity::Warning)));
    EXPECT_EQ(severity->currentText(),
              GetUiText(UiTextId::SeverityAndWorse).arg(GetUiText(UiTextId::WarningSeverity)));
    // Warning, error and emergency; not the notice, debug, or the row whose severity is unknown.
    ASSERT_EQ(ctrl()->displayModel()->rowCount(), 3);
    EXPECT_EQ(bar()->filter()->matchCount(), 3);
    search(QStringLiteral("packet"));
    EXPECT_EQ(bar()->filter()->matchCount(), 2);
    severity->setCurrentIndex(severity->findData(int(Severity::Emergency)));
    ASSERT_EQ(ctrl()->displayModel()->rowCount(), 1);
    EXPECT_EQ(ctrl()
                  ->displayModel()
                  ->data(ctrl()->displayModel()->index(0, LogList::MessageColumn))
                  .toString(),
              QStringLiteral("packet one"));
}
