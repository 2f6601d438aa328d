#pragma once

// The tabs about the local machine: its adapters and routers, its TCP connections and its UDP
// listeners.
#include "netinfo/gui/CClientControlPage.h"
#include "netinfo/gui/CTcpTablePage.h"
#include "netinfo/gui/CUdpTablePage.h"
