#pragma once

#include <cstdint>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <string_view>
#include <sys/socket.h>

namespace quendal::flood {

// A numeric IPv4 or IPv6 address with a port, ready for bind and sendto.
struct Endpoint
{
    sockaddr_storage storage{};
    socklen_t length = 0;

    int family() const { return storage.ss_family; }
    const sockaddr* address() const { return reinterpret_cast<const sockaddr*>(&storage); }
    std::string text() const;
};

// Parses a numeric address ("127.0.0.1", "::1"); "localhost" stands for 127.0.0.1. Names are
// not looked up, so nothing leaves the machine before the checks below have run.
std::optional<Endpoint> parseEndpoint(std::string_view address, std::uint16_t port);

// 127.0.0.0/8 or ::1.
bool isLoopback(const Endpoint& endpoint);

// 255.255.255.255, 0.0.0.0, :: and multicast: never a destination, whatever the options say.
bool isNeverADestination(const Endpoint& endpoint);

} // namespace quendal::flood
