// What a log list shows of each entry: the optional Severity and Sender columns, the details and
// Copy that follow them, cut cells, and the Time column.
#include "common/core/UiText.h"
#include "controls/gui/CColorListCtrl.h"
#include "logs/core/LogList.h"
#include "logs/gui/CCategoryPage.h"
#include "logs/gui/EntryCommands.h"
#include "logs/gui/EntryDetailsDialog.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

using namespace quendal;
using namespace quendal::test;

namespace {

class EntryColumnsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        list_.prepend({"Mar 14 09:26:52", "gw", "read back from a file"});
        list_.prepend(
            {"Mar 14 09:26:53", "gateway", "Link down", Severity::Emergency, "192.0.2.7"});
        list_.prepend({"Mar 14 09:26:54", "gateway", "Port scan", Severity::Warning, "::1"});
        page_.resize(1000, 300);
        page_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page_));
    }
    CColorListCtrl* ctrl() const { return page_.listCtrl(); }
    QAction* columnAction(int column) const
    {
        for (QAction* action : page_.columnsMenu()->actions())
            if (action->data().toInt() == column)
                return action;
        return nullptr;
    }
    QString copied(qsizetype first, qsizetype last)
    {
        ctrl()->setCurrentRow(first);
        QTest::mouseClick(ctrl()->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          ctrl()->GetCellRect(last, 0, false).center());
        page_.commands()->copySelection();
        return QGuiApplication::clipboard()->text();
    }

    LogList list_;
    CFireWallPage page_{&list_};
};

} // namespace

TEST_F(EntryColumnsTest, SeverityAndSenderAreShownWhenChosenFromTheHeaderAndCopied)
{
    EXPECT_EQ(ctrl()->shownColumns(),
              (QList<int>{LogList::TimeColumn, LogList::HostColumn, LogList::MessageColumn}));
    EXPECT_EQ(copied(0, 1), QStringLiteral("Mar 14 09:26:54\tgateway\tPort scan\n"
                                           "Mar 14 09:26:53\tgateway\tLink down\n"));

    ASSERT_EQ(ctrl()->header()->contextMenuPolicy(), Qt::CustomContextMenu);
    columnAction(LogList::SeverityColumn)->trigger();
    columnAction(LogList::SenderColumn)->trigger();
    // Before the Message, which keeps filling the view.
    EXPECT_EQ(ctrl()->shownColumns(),
              (QList<int>{LogList::TimeColumn, LogList::HostColumn, LogList::SeverityColumn,
                          LogList::SenderColumn, LogList::MessageColumn}));
    EXPECT_EQ(page_.shownOptionalColumns(),
              (QList<int>{LogList::SeverityColumn, LogList::SenderColumn}));
    EXPECT_EQ(ctrl()->shownCellText(0, LogList::SeverityColumn),
              GetUiText(UiTextId::WarningSeverity));
    EXPECT_EQ(ctrl()->shownCellText(1, LogList::SenderColumn), QStringLiteral("192.0.2.7"));
    // A row read back from a file says that it has neither.
    EXPECT_EQ(ctrl()->shownCellText(2, LogList::SeverityColumn), GetUiText(UiTextId::UnknownValue));
    EXPECT_EQ(ctrl()->shownCellText(2, LogList::SenderColumn), GetUiText(UiTextId::UnknownValue));
    EXPECT_EQ(copied(0, 2),
              QStringLiteral("Mar 14 09:26:54\tgateway\twarning (4)\t::1\tPort scan\n"
                             "Mar 14 09:26:53\tgateway\temergency (0)\t192.0.2.7\tLink down\n"
                             "Mar 14 09:26:52\tgw\tunknown\t\tread back from a file\n"));

    columnAction(LogList::SeverityColumn)->trigger();
    EXPECT_EQ(page_.shownOptionalColumns(), QList<int>{LogList::SenderColumn});
    EXPECT_TRUE(ctrl()->GetCellRect(0, LogList::SeverityColumn, true).isNull());
}

TEST_F(EntryColumnsTest, EmergenciesAreRedAndTheDetailsNameSeverityAndSender)
{
    // The view makes an emergency red; the row keeps its severity, not a colour.
    EXPECT_EQ(list_.data(list_.index(1, 0), LogList::ColourIndexRole).toInt(), DEF_TEXT);
    EXPECT_EQ(ctrl()->GetCellTextColour(1, 2), ctrl()->ColourValue(RED));
    EXPECT_EQ(ctrl()->GetCellTextColour(0, 2), ctrl()->ColourValue(DEF_TEXT));

    page_.commands()->showDetails(0);
    EntryDetailsDialog* details = page_.commands()->detailsDialog();
    ASSERT_NE(details, nullptr);
    EXPECT_EQ(details->fieldText(UiTextId::SeverityField), GetUiText(UiTextId::WarningSeverity));
    EXPECT_EQ(details->fieldText(UiTextId::SenderAddressField), QStringLiteral("::1"));
    page_.commands()->showDetails(2);
    EXPECT_EQ(details->fieldText(UiTextId::SeverityField), GetUiText(UiTextId::NotKept));
    EXPECT_EQ(details->fieldText(UiTextId::SenderAddressField), GetUiText(UiTextId::NotKept));
    details->close();
}

TEST_F(EntryColumnsTest, CutCellsEndInAnEllipsis)
{
    ctrl()->setColumnWidth(LogList::HostColumn, 40);
    const QString host = ctrl()->shownCellText(0, LogList::HostColumn);
    EXPECT_TRUE(host.endsWith(QChar(0x2026))) << host.toStdString();
    EXPECT_TRUE(QStringLiteral("gateway").startsWith(host.chopped(1)));
    ctrl()->setColumnWidth(LogList::HostColumn, 200);
    EXPECT_EQ(ctrl()->shownCellText(0, LogList::HostColumn), QStringLiteral("gateway"));
}

TEST_F(EntryColumnsTest, TimeShowsWholeAndItsDividerFitsTheWidestTimeOnScreen)
{
    const QByteArray stamp = "2026-12-08T09:39:51.123456+00:00";
    list_.prepend({stamp, "vm", "root: fw"});
    test::processPostedEvents();
    const QString local = QDateTime::fromString(QString::fromLatin1(stamp), Qt::ISODateWithMs)
                              .toLocalTime()
                              .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    // At the default width, compact and whole; the stamp itself stays in the row.
    ASSERT_EQ(ctrl()->topRow(), 0);
    EXPECT_EQ(ctrl()->shownCellText(0, LogList::TimeColumn), local);
    EXPECT_EQ(list_.data(list_.index(0, 0), Qt::ToolTipRole).toString(),
              QString::fromLatin1(stamp));
    EXPECT_EQ(list_.entry(0).time, stamp);

    // A narrow column cuts it; a double click on its divider fits it again.
    ctrl()->setColumnWidth(LogList::TimeColumn, 30);
    ASSERT_NE(ctrl()->shownCellText(0, LogList::TimeColumn), local);
    QHeaderView* header = ctrl()->header();
    const QPoint divider(header->sectionViewportPosition(0) + header->sectionSize(0) - 1,
                         header->height() / 2);
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, divider);
    EXPECT_EQ(ctrl()->shownCellText(0, LogList::TimeColumn), local);
    for (qsizetype row = 1; row < list_.size(); ++row)
        EXPECT_EQ(ctrl()->shownCellText(row, 0), list_.data(list_.index(int(row), 0)).toString());
    EXPECT_LT(ctrl()->columnWidth(0), 300);
}
