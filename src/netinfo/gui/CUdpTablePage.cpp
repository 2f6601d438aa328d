#include "netinfo/gui/CUdpTablePage.h"

namespace quendal {

CUdpTablePage::CUdpTablePage(CIpHelper helper, const PortDefinitions& definitions, QWidget* parent)
    : SocketTablePage(UiTextId::UdpTableTab, kUdpColumnTexts, {100, 100}, std::move(helper),
                      &CIpHelper::ReadUdpTable, definitions, parent)
{}

} // namespace quendal
