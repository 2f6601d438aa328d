#pragma once

#include "netinfo/gui/SocketTablePage.h"

namespace quendal {

// "Local TCP Table": every IPv4 TCP endpoint with its local and remote address and port and its
// state. With port definitions loaded it also shows Keyword and Description columns, left empty.
class CTcpTablePage : public SocketTablePage
{
    Q_OBJECT
public:
    explicit CTcpTablePage(CIpHelper helper, QWidget* parent = nullptr);

protected:
    bool readTable(QList<QStringList>& rows) override;

private:
    bool withPortDefinitions_;
};

} // namespace quendal
