#include "Endpoint.h"

#include <arpa/inet.h>
#include <cstring>

namespace quendal::flood {

std::string Endpoint::text() const
{
    char buffer[INET6_ADDRSTRLEN] = {};
    if (family() == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&storage);
        inet_ntop(AF_INET, &in->sin_addr, buffer, sizeof buffer);
    } else if (family() == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&storage);
        inet_ntop(AF_INET6, &in6->sin6_addr, buffer, sizeof buffer);
    }
    return buffer;
}

std::optional<Endpoint> parseEndpoint(std::string_view address, std::uint16_t port)
{
    std::string text(address);
    if (text == "localhost")
        text = "127.0.0.1";

    Endpoint endpoint;
    auto* in = reinterpret_cast<sockaddr_in*>(&endpoint.storage);
    if (inet_pton(AF_INET, text.c_str(), &in->sin_addr) == 1) {
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        endpoint.length = sizeof(sockaddr_in);
        return endpoint;
    }
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&endpoint.storage);
    if (inet_pton(AF_INET6, text.c_str(), &in6->sin6_addr) == 1) {
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        endpoint.length = sizeof(sockaddr_in6);
        return endpoint;
    }
    return std::nullopt;
}

bool isLoopback(const Endpoint& endpoint)
{
    if (endpoint.family() == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&endpoint.storage);
        return (ntohl(in->sin_addr.s_addr) >> 24) == 127;
    }
    if (endpoint.family() == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&endpoint.storage);
        return IN6_IS_ADDR_LOOPBACK(&in6->sin6_addr);
    }
    return false;
}

bool isNeverADestination(const Endpoint& endpoint)
{
    if (endpoint.family() == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&endpoint.storage);
        const std::uint32_t value = ntohl(in->sin_addr.s_addr);
        return value == INADDR_BROADCAST || value == INADDR_ANY || (value >> 28) == 0xE;
    }
    if (endpoint.family() == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&endpoint.storage);
        return IN6_IS_ADDR_UNSPECIFIED(&in6->sin6_addr) || IN6_IS_ADDR_MULTICAST(&in6->sin6_addr);
    }
    return true;
}

} // namespace quendal::flood
