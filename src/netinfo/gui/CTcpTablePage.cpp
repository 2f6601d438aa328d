#include "netinfo/gui/CTcpTablePage.h"

namespace quendal {

CTcpTablePage::CTcpTablePage(CIpHelper helper, const PortDefinitions& definitions, QWidget* parent)
    : SocketTablePage(UiTextId::TcpTableTab, kTcpColumnTexts, {100, 60, 100, 70, 100},
                      std::move(helper), &CIpHelper::ReadTcpTable, definitions, parent)
{}

} // namespace quendal
