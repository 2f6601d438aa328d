#include "netinfo/gui/CTcpTablePage.h"

#include "common/core/UiText.h"
#include "netinfo/core/PortDefinitions.h"
#include "netinfo/core/SocketRowTexts.h"

namespace quendal {
namespace {

const QList<int> kColumnWidths = {100, 60, 100, 70, 100, 100, 200};

} // namespace

CTcpTablePage::CTcpTablePage(CIpHelper helper, QWidget* parent)
    : SocketTablePage(std::move(helper), tcpColumnCaptions(PortDefinitions().loaded), kColumnWidths,
                      parent),
      withPortDefinitions_(PortDefinitions().loaded)
{
    setWindowTitle(GetUiText(UiTextId::TcpTableTab));
    start();
}

bool CTcpTablePage::readTable(QList<QStringList>& rows)
{
    std::vector<TcpRow> table;
    if (!ipHelper().ReadTcpTable(table))
        return false;
    rows = tcpTableTexts(table, withPortDefinitions_);
    return true;
}

} // namespace quendal
