#pragma once

#include "netinfo/gui/CClientControlPage.h"

#include <QWidget>

namespace quendal {

// The tabs about the local machine: its adapters and routers, its TCP connections and its UDP
// listeners. They hold their place in the window; their contents are filled in by the network
// information pages.
class CTcpTablePage : public QWidget
{
    Q_OBJECT
public:
    explicit CTcpTablePage(QWidget* parent = nullptr) : QWidget(parent) {}
};

class CUdpTablePage : public QWidget
{
    Q_OBJECT
public:
    explicit CUdpTablePage(QWidget* parent = nullptr) : QWidget(parent) {}
};

} // namespace quendal
