#include "netinfo/gui/CUdpTablePage.h"

#include "common/core/UiText.h"
#include "netinfo/core/PortDefinitions.h"
#include "netinfo/core/SocketRowTexts.h"

namespace quendal {
namespace {

const QList<int> kColumnWidths = {100, 100, 100, 200};

} // namespace

CUdpTablePage::CUdpTablePage(CIpHelper helper, QWidget* parent)
    : SocketTablePage(std::move(helper), udpColumnCaptions(PortDefinitions().loaded), kColumnWidths,
                      parent),
      withPortDefinitions_(PortDefinitions().loaded)
{
    setWindowTitle(GetUiText(UiTextId::UdpTableTab));
    start();
}

bool CUdpTablePage::readTable(QList<QStringList>& rows)
{
    std::vector<UdpRow> table;
    if (!ipHelper().ReadUdpTable(table))
        return false;
    rows = udpTableTexts(table, withPortDefinitions_);
    return true;
}

} // namespace quendal
