#pragma once

#include "common/core/SocketAddress.h"

#include <QtGlobal>

#include <array>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>

namespace quendal {

// Reads the datagrams waiting on a socket together, with one recvmmsg, into buffers that are
// reused for every read. Each slot holds a whole UDP datagram, so nothing is cut here.
class DatagramReader
{
public:
    static constexpr int kSlots = 64;
    static constexpr size_t kSlotBytes = 64 * 1024;

    DatagramReader();
    DatagramReader(const DatagramReader&) = delete;
    DatagramReader& operator=(const DatagramReader&) = delete;

    // Reads up to `limit` (at most kSlots) waiting datagrams, oldest first; returns how many
    // (0 when none waits).
    int read(int fd, int limit = kSlots);

    const char* data(int i) const { return buffers_.get() + size_t(i) * kSlotBytes; }
    qsizetype size(int i) const { return qsizetype(messages_[size_t(i)].msg_len); }
    const SocketAddress& from(int i) const { return sources_[size_t(i)]; }

    // Datagrams the kernel dropped on this socket since it was created, as of the last read
    // that told (the socket must have its drop counter enabled); counts past 2^32 too.
    quint64 kernelDrops() const { return kernelDrops_; }
    // Starts counting afresh, for a new socket.
    void resetKernelDrops();
    // The socket's drop counter as the kernel told it some other way (SO_MEMINFO).
    void noteDropCount(quint32 count);

private:
    // Room for the drop counter's control message.
    static constexpr size_t kControlBytes = CMSG_SPACE(sizeof(quint32));

    std::unique_ptr<char[]> buffers_; // kSlots slots of kSlotBytes, left uninitialised
    std::array<mmsghdr, kSlots> messages_{};
    std::array<iovec, kSlots> vectors_{};
    std::array<SocketAddress, kSlots> sources_{};
    std::array<std::array<char, kControlBytes>, kSlots> controls_{};
    quint32 lastDropCount_ = 0;
    quint64 kernelDrops_ = 0;
};

} // namespace quendal
