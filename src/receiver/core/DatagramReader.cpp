#include "receiver/core/DatagramReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quendal {

DatagramReader::DatagramReader() : buffers_(new char[size_t(kSlots) * kSlotBytes])
{
    for (size_t i = 0; i < size_t(kSlots); ++i) {
        vectors_[i].iov_base = buffers_.get() + i * kSlotBytes;
        vectors_[i].iov_len = kSlotBytes;
    }
}

int DatagramReader::read(int fd, int limit)
{
    limit = std::clamp(limit, 1, kSlots);
    for (size_t i = 0; i < size_t(limit); ++i) {
        msghdr& h = messages_[i].msg_hdr;
        h.msg_name = sources_[i].get();
        h.msg_namelen = SocketAddress::capacity();
        h.msg_iov = &vectors_[i];
        h.msg_iovlen = 1;
        h.msg_control = controls_[i].data();
        h.msg_controllen = kControlBytes;
        h.msg_flags = 0;
    }
    int n;
    do {
        n = ::recvmmsg(fd, messages_.data(), unsigned(limit), MSG_DONTWAIT, nullptr);
    } while (n < 0 && errno == EINTR);
    if (n <= 0)
        return 0;

    // Each datagram carries the socket's drop count as it stood when the datagram was queued.
    for (int i = 0; i < n; ++i) {
        msghdr& h = messages_[size_t(i)].msg_hdr;
        for (cmsghdr* c = CMSG_FIRSTHDR(&h); c; c = CMSG_NXTHDR(&h, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SO_RXQ_OVFL) {
                quint32 count = 0;
                std::memcpy(&count, CMSG_DATA(c), sizeof count);
                noteDropCount(count);
            }
        }
    }
    return n;
}

void DatagramReader::noteDropCount(quint32 count)
{
    // The kernel's counter is 32 bits wide; the difference survives its wrap.
    kernelDrops_ += quint32(count - lastDropCount_);
    lastDropCount_ = count;
}

void DatagramReader::resetKernelDrops()
{
    lastDropCount_ = 0;
    kernelDrops_ = 0;
}

} // namespace quendal
