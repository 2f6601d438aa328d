#include "netinfo/core/PortDefinitions.h"
#include "netinfo/core/SocketTableModel.h"
#include "netinfo/gui/CTcpTablePage.h"
#include "netinfo/gui/CUdpTablePage.h"
#include "netinfo/gui/SocketTableView.h"

#include <QFile>
#include <QHeaderView>
#include <QHelpEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

// A table source whose tables and failures the test sets.
class FakeSocketTables : public SocketTableSource
{
public:
    bool readTcpTable(std::vector<TcpRow>& rows) override
    {
        ++reads;
        if (!fail)
            rows = tcp;
        return !fail;
    }
    bool readUdpTable(std::vector<UdpRow>& rows) override
    {
        ++reads;
        if (!fail)
            rows = udp;
        return !fail;
    }
    std::vector<TcpRow> tcp;
    std::vector<UdpRow> udp;
    bool fail = false;
    int reads = 0;
};

QStringList captions(const SocketTablePage& page)
{
    QStringList texts;
    for (int column = 0; column < page.model()->columnCount(); ++column)
        texts << page.model()->headerData(column, Qt::Horizontal).toString();
    return texts;
}

// Each column but the last has its given width, or more where its caption needs more; the
// last one fills the view.
void expectWidths(const SocketTablePage& page, const QList<int>& given)
{
    ASSERT_EQ(page.model()->columnCount(), given.size());
    for (int column = 0; column + 1 < given.size(); ++column) {
        const int caption = page.view()->horizontalHeader()->sectionSizeHint(column);
        EXPECT_EQ(page.view()->columnWidth(column), std::max(given[column], caption))
            << "column " << column;
    }
}

// Pages are built without port definitions unless a test loads a Portdef.dat.
class SocketTablePages : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    void loadDefinitions(const QByteArray& content)
    {
        const QString path = dir_.filePath(QString::fromLatin1(kPortDefinitionsFileName));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        definitions_ = LoadPortDefinitionsFrom(path);
        ASSERT_TRUE(definitions_.loaded());
    }

    CIpHelper fakeHelper() const { return CIpHelper(nullptr, fake_); }

    QTemporaryDir dir_;
    PortDefinitions definitions_;
    std::shared_ptr<FakeSocketTables> fake_ = std::make_shared<FakeSocketTables>();
};

TEST_F(SocketTablePages, UdpRowsShowTheLineThatNamesTheirPort)
{
    loadDefinitions("x 1053/udp\n"
                    "53/udp at the start\n"
                    "tab\t53/udp\n"
                    "a 153/udp 53/udp\n"
                    "upper 53/UDP\n"
                    "domain 53/udp Domain Name Server\n"
                    "bootps 67/udp\n"
                    "dns 53/udp later line\n");
    fake_->udp = {{0x7F000001, 53}, {0, 67}, {0, 1053}, {0, 123}};
    CUdpTablePage page(fakeHelper(), definitions_);
    const SocketTableModel& model = *page.model();
    ASSERT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.text(0, 2), u"dns 53/udp later line"_s);
    EXPECT_EQ(model.text(0, 3), u"dns 53/udp later line"_s);
    EXPECT_EQ(model.text(1, 3), u"bootps 67/udp"_s);
    EXPECT_EQ(model.text(2, 3), u"x 1053/udp"_s);
    EXPECT_EQ(model.text(3, 2), QString());
    EXPECT_EQ(model.text(3, 3), QString());
}

TEST_F(SocketTablePages, ColumnsWithoutAndWithPortDefinitions)
{
    fake_->tcp = {{TcpListen, 0, 80, 0, 0}};
    fake_->udp = {{0, 53}};
    {
        CTcpTablePage tcp(fakeHelper(), definitions_);
        CUdpTablePage udp(fakeHelper(), definitions_);
        EXPECT_EQ(captions(tcp).last(), u"State"_s);
        expectWidths(tcp, {100, 60, 100, 70, 100});
        EXPECT_EQ(captions(udp), QStringList({u"LocalAddr"_s, u"LocalPort"_s}));
        expectWidths(udp, {100, 100});
    }
    // An empty Portdef.dat still counts as loaded: the columns come, with nothing in them.
    loadDefinitions("");
    CTcpTablePage tcp(fakeHelper(), definitions_);
    CUdpTablePage udp(fakeHelper(), definitions_);
    EXPECT_EQ(captions(tcp).mid(5), QStringList({u"Keyword"_s, u"Description"_s}));
    expectWidths(tcp, {100, 60, 100, 70, 100, 100, 200});
    EXPECT_EQ(captions(udp).mid(2), QStringList({u"Keyword"_s, u"Description"_s}));
    expectWidths(udp, {100, 100, 100, 200});
    ASSERT_EQ(udp.model()->rowCount(), 1);
    EXPECT_EQ(udp.model()->text(0, 1), u"53"_s);
    EXPECT_EQ(udp.model()->text(0, 2) + udp.model()->text(0, 3), QString());
}

TEST_F(SocketTablePages, RefreshRebuildsAndAFailedReadLeavesTheListEmpty)
{
    fake_->tcp = {{TcpFinWait1, 0x7F000001, 8080, 0x7F000001, 40000},
                  {TcpFinWait2, 0x7F000001, 8080, 0x7F000001, 40001}};
    CTcpTablePage page(fakeHelper(), definitions_);
    page.refresh();
    ASSERT_EQ(page.model()->rowCount(), 2);
    EXPECT_EQ(page.model()->text(0, 4), u"Waiting for FIN"_s);
    EXPECT_EQ(page.model()->text(1, 3), u"40001"_s);

    fake_->fail = true;
    page.refresh();
    EXPECT_EQ(page.model()->rowCount(), 0);

    fake_->fail = false;
    fake_->tcp.pop_back();
    page.refresh();
    ASSERT_EQ(page.model()->rowCount(), 1);
    EXPECT_EQ(page.model()->text(0, 3), u"40000"_s);
}

TEST_F(SocketTablePages, TimerRebuildsWhileThePageIsHidden)
{
    fake_->udp = {{0, 53}};
    CUdpTablePage page(fakeHelper(), definitions_);
    EXPECT_EQ(fake_->reads, 1);
    page.setRefreshPeriod(std::chrono::milliseconds(20));
    fake_->udp.push_back({0, 67});
    EXPECT_TRUE(QTest::qWaitFor([&] { return fake_->reads >= 3; }, 5000));
    EXPECT_FALSE(page.isVisible());
    EXPECT_EQ(page.model()->rowCount(), 2);
}

TEST_F(SocketTablePages, TooltipOnlyForACutOffCell)
{
    loadDefinitions("long 53/udp A description far too long for a column two hundred pixels "
                    "wide, so the list cuts it off\n");
    fake_->udp = {{0, 53}};
    CUdpTablePage page(fakeHelper(), definitions_);
    page.resize(700, 300);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    SocketTableView* view = page.view();

    const QModelIndex port = page.model()->index(0, 1);
    const QModelIndex description = page.model()->index(0, 3);
    EXPECT_FALSE(view->isCutOff(port));
    ASSERT_TRUE(view->isCutOff(description));

    const QPoint at = view->visualRect(description).center();
    QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(view->viewport(), &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), description.data().toString());
    QToolTip::hideText();
}

} // namespace
} // namespace quendal
