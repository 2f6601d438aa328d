#pragma once

#include "netinfo/gui/CTcpTablePage.h"
#include "netinfo/gui/CUdpTablePage.h"

#include <QWidget>

namespace quendal {

// The tabs about the local machine: its adapters and routers, its TCP connections and its UDP
// listeners. They hold their place in the window; their contents are filled in by the network
// information pages.
class CClientControlPage : public QWidget
{
    Q_OBJECT
public:
    explicit CClientControlPage(QWidget* parent = nullptr) : QWidget(parent) {}
};

} // namespace quendal
