#pragma once

#include "Endpoint.h"
#include "RouterEvents.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quendal::flood {

struct FloodOptions
{
    Endpoint destination;
    std::optional<Endpoint> source;
    std::uint64_t count = 1000;
    double rate = 0; // datagrams per second, 0 for as fast as possible
    std::vector<Facility> facilities;
    std::uint64_t seed = 1;
    std::string hostname = "gateway";
    bool print = false;
    bool help = false;
};

// The options, or the one line that says what is wrong with them.
struct ParsedOptions
{
    FloodOptions options;
    std::string error;
};

// Reads the command line and checks it, addresses included: a destination or source outside
// the loopback network is an error unless --allow-non-loopback is given.
ParsedOptions parseOptions(int argc, char** argv);

const char* usageText();

} // namespace quendal::flood
