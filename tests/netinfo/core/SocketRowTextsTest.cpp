#include "netinfo/core/SocketRowTexts.h"

#include "netinfo/core/PortDefinitions.h"
#include "netinfo/core/SocketTableModel.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

TEST(SocketRowTexts, RowsCaptionsAndStatesOutsideTheScale)
{
    const PortDefinitions none;
    const PortDefinitions loaded(QList<QByteArray>{});
    const TcpRow tcp{TcpListen, 0x7F000001, 8080, 0xFFFFFFFE, 65535};
    EXPECT_EQ(rowTexts(tcp, none), QStringList({u"127.0.0.1"_s, u"8080"_s, u"255.255.255.254"_s,
                                                u"65535"_s, u"Listening"_s}));
    EXPECT_EQ(rowTexts(tcp, loaded).mid(5), QStringList({QString(), QString()}));
    EXPECT_EQ(columnCaptions(kTcpColumnTexts, true).mid(4),
              QStringList({u"State"_s, u"Keyword"_s, u"Description"_s}));
    EXPECT_EQ(rowTexts(UdpRow{0, 53}, none), QStringList({u"0.0.0.0"_s, u"53"_s}));
    EXPECT_EQ(tcpStateUiText(TcpDeleteTcb), UiTextId::TcpDeleteTcb);
    for (int outside : {0, 13, -1})
        EXPECT_EQ(tcpStateName(outside), u"Unknown status"_s) << outside;
}

TEST(SocketTableModel, RebuildReplacesRowsAndShortRowsShowEmptyCells)
{
    SocketTableModel model({u"A"_s, u"B"_s, u"C"_s});
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setRows({{u"1"_s, u"2"_s, u"3"_s}, {u"4"_s}});
    model.setRows({{u"5"_s, u"6"_s, u"7"_s}, {u"8"_s, u"9"_s}, {u"x"_s}});
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.index(0, 1).data().toString(), u"6"_s);
    EXPECT_EQ(model.index(1, 2).data().toString(), QString());
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), u"C"_s);
    model.clear();
    EXPECT_EQ(model.rowCount(), 0);
}

} // namespace
} // namespace quendal
