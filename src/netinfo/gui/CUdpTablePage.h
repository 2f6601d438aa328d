#pragma once

#include "netinfo/gui/SocketTablePage.h"

namespace quendal {

// "Local UDP Table": every IPv4 UDP endpoint with its local address and port. With port
// definitions loaded each row also shows the definition line that names its port, in both the
// Keyword and the Description column.
class CUdpTablePage : public SocketTablePage
{
    Q_OBJECT
public:
    CUdpTablePage(CIpHelper helper, const PortDefinitions& definitions, QWidget* parent = nullptr);
};

} // namespace quendal
