#pragma once

#include "netinfo/gui/SocketTablePage.h"

namespace quendal {

// "Local TCP Table": every IPv4 TCP endpoint with its local and remote address and port and its
// state. With port definitions loaded its Keyword and Description columns stay empty.
class CTcpTablePage : public SocketTablePage
{
    Q_OBJECT
public:
    CTcpTablePage(CIpHelper helper, const PortDefinitions& definitions, QWidget* parent = nullptr);
};

} // namespace quendal
