#include "DatagramSink.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace quendal::flood {

namespace {

std::string systemError(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

UdpSink::~UdpSink()
{
    if (socket_ >= 0)
        ::close(socket_);
}

bool UdpSink::open(const Endpoint& destination, const std::optional<Endpoint>& source)
{
    destination_ = destination;
    socket_ = ::socket(destination.family(), SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (socket_ < 0) {
        error_ = systemError("cannot open a UDP socket");
        return false;
    }
    if (source && ::bind(socket_, source->address(), source->length) != 0) {
        error_ = systemError(("cannot send from " + source->text()).c_str());
        return false;
    }
    return true;
}

bool UdpSink::deliver(std::string_view datagram)
{
    while (true) {
        const ssize_t sent = ::sendto(socket_, datagram.data(), datagram.size(), 0,
                                      destination_.address(), destination_.length);
        if (sent >= 0)
            return true;
        if (errno == EINTR)
            continue;
        // A receiver that is not (yet) listening may bounce one datagram; the flood goes on.
        if (errno == ECONNREFUSED)
            return true;
        error_ = systemError(("cannot send to " + destination_.text()).c_str());
        return false;
    }
}

PrintSink::PrintSink()
{
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
}

bool PrintSink::deliver(std::string_view datagram)
{
    if (std::fwrite(datagram.data(), 1, datagram.size(), stdout) != datagram.size() ||
        std::fputc('\n', stdout) == EOF) {
        error_ = systemError("cannot write to stdout");
        return false;
    }
    return true;
}

bool PrintSink::finish()
{
    if (std::fflush(stdout) != 0) {
        error_ = systemError("cannot write to stdout");
        return false;
    }
    return true;
}

} // namespace quendal::flood
