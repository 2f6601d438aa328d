#pragma once

#include "Endpoint.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace quendal::flood {

// Where the generated datagrams go.
class DatagramSink
{
public:
    virtual ~DatagramSink() = default;
    // False when the datagram could not be delivered; error() then says why.
    virtual bool deliver(std::string_view datagram) = 0;
    // False when something buffered could not be delivered.
    virtual bool finish() { return true; }
    const std::string& error() const { return error_; }

protected:
    std::string error_;
};

// A plain UDP socket and sendto: the least work per datagram, which is what a flood needs.
// The socket blocks, so a full send buffer makes the sender wait instead of dropping.
class UdpSink : public DatagramSink
{
public:
    UdpSink() = default;
    UdpSink(const UdpSink&) = delete;
    UdpSink& operator=(const UdpSink&) = delete;
    ~UdpSink() override;

    // Opens the socket, bound to the source address when one is given.
    bool open(const Endpoint& destination, const std::optional<Endpoint>& source);
    bool deliver(std::string_view datagram) override;

private:
    int socket_ = -1;
    Endpoint destination_;
};

// One datagram per line on stdout; opens no socket.
class PrintSink : public DatagramSink
{
public:
    PrintSink();
    bool deliver(std::string_view datagram) override;
    bool finish() override;
};

} // namespace quendal::flood
