#include "app/gui/MainWindowFixture.h"
#include "controls/gui/CHoverButton.h"
#include "netinfo/core/SocketTableModel.h"
#include "netinfo/gui/CTcpTablePage.h"
#include "netinfo/gui/CUdpTablePage.h"

#include <QTabWidget>

#include <gtest/gtest.h>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

bool showsRow(const SocketTablePage* page, const QStringList& cells)
{
    const SocketTableModel& model = *page->model();
    for (int row = 0; row < model.rowCount(); ++row) {
        bool same = true;
        for (int column = 0; column < cells.size() && same; ++column)
            same = model.text(row, column) == cells[column];
        if (same)
            return true;
    }
    return false;
}

using TablePagesInWindow = test::MainWindowTest;

TEST_F(TablePagesInWindow, PagesListTheMachinesLoopbackSockets)
{
    test::LoopbackSockets sockets;
    ASSERT_TRUE(sockets.open());
    const QTcpServer& server = sockets.server;
    const QTcpSocket& client = sockets.client;
    const QUdpSocket& udp = sockets.udp;
    const QString serverPort = QString::number(server.serverPort());

    QTabWidget* sheet = window_->sheet();
    auto* tcpPage = qobject_cast<CTcpTablePage*>(sheet->widget(CSysLogDlg::TcpTablePage));
    auto* udpPage = qobject_cast<CUdpTablePage*>(sheet->widget(CSysLogDlg::UdpTablePage));
    ASSERT_TRUE(tcpPage && udpPage);
    EXPECT_EQ(sheet->tabText(CSysLogDlg::UdpTablePage), u"Local UDP Table"_s);
    sheet->setCurrentIndex(CSysLogDlg::TcpTablePage);
    EXPECT_FALSE(window_->saveButton()->isEnabled());

    tcpPage->refresh();
    udpPage->refresh();
    EXPECT_TRUE(
        showsRow(tcpPage, {u"127.0.0.1"_s, serverPort, u"0.0.0.0"_s, u"0"_s, u"Listening"_s}));
    EXPECT_TRUE(showsRow(tcpPage, {u"127.0.0.1"_s, QString::number(client.localPort()),
                                   u"127.0.0.1"_s, serverPort, u"Established"_s}));
    EXPECT_TRUE(showsRow(udpPage, {u"127.0.0.1"_s, QString::number(udp.localPort())}));
}

} // namespace
} // namespace quendal
