#include "FloodOptions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace quendal::flood {

namespace {

constexpr double kMaximumRate = 1e9;
constexpr std::size_t kMaximumHostnameLength = 64;

struct FacilityName
{
    std::string_view name;
    Facility facility;
};

constexpr FacilityName kFacilityNames[] = {
    {"firewall", Facility::FireWall}, {"vpn", Facility::Vpn}, {"useraccess", Facility::UserAccess},
    {"call", Facility::Call},         {"wan", Facility::Wan}, {"status", Facility::Status}};

std::optional<std::uint64_t> parseNumber(std::string_view text, std::uint64_t maximum)
{
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front())))
        return std::nullopt;
    const auto result = std::from_chars(text.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end || value > maximum)
        return std::nullopt;
    return value;
}

std::optional<double> parseRate(const std::string& text)
{
    if (text.empty() ||
        !(std::isdigit(static_cast<unsigned char>(text.front())) || text.front() == '.'))
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value) || value > kMaximumRate)
        return std::nullopt;
    return value;
}

std::optional<Facility> parseFacility(std::string_view item)
{
    std::string lower(item);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const FacilityName& entry : kFacilityNames) {
        if (entry.name == lower)
            return entry.facility;
    }
    if (const auto number = parseNumber(item, 21); number && *number >= 16)
        return static_cast<Facility>(*number);
    return std::nullopt;
}

// The facilities of a comma list, each once, in the order given; an error text otherwise.
std::string parseFacilities(std::string_view list, std::vector<Facility>& facilities)
{
    facilities.clear();
    while (true) {
        const std::size_t comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        const auto facility = parseFacility(item);
        if (!facility) {
            return "--facilities: unknown facility '" + std::string(item) +
                   "' (use firewall, vpn, useraccess, call, wan, status or 16 to 21)";
        }
        if (std::find(facilities.begin(), facilities.end(), *facility) == facilities.end())
            facilities.push_back(*facility);
        if (comma == std::string_view::npos)
            return {};
        list.remove_prefix(comma + 1);
    }
}

bool isValidHostname(std::string_view name)
{
    if (name.empty() || name.size() > kMaximumHostnameLength)
        return false;
    // A colon would end the host early on the receiving side, a blank would split it.
    return std::all_of(name.begin(), name.end(),
                       [](unsigned char c) { return std::isgraph(c) && c != ':'; });
}

} // namespace

const char* usageText()
{
    return "Usage: quendal-syslog-flood --port N [options]\n"
           "Sends router syslog datagrams over UDP to a loopback address.\n"
           "\n"
           "  --port N              destination UDP port (not needed with --print)\n"
           "  --host ADDRESS        destination address (default 127.0.0.1)\n"
           "  --count N             datagrams to send (default 1000)\n"
           "  --rate N              datagrams per second, 0 for full speed (default 0)\n"
           "  --facilities LIST     comma list of firewall, vpn, useraccess, call, wan, status\n"
           "                        or 16 to 21 (default all)\n"
           "  --source ADDRESS      local address to send from, e.g. 127.0.0.2\n"
           "  --seed S              seed of the generated traffic (default 1)\n"
           "  --hostname NAME       host name in the datagrams (default gateway)\n"
           "  --print               write the datagrams to stdout, one per line, instead\n"
           "  --allow-non-loopback  permit addresses outside 127.0.0.0/8 and ::1\n"
           "  --help                show this text\n";
}

ParsedOptions parseOptions(int argc, char** argv)
{
    ParsedOptions parsed;
    FloodOptions& options = parsed.options;
    std::string host = "127.0.0.1";
    std::optional<std::string> source;
    std::optional<std::uint16_t> port;
    bool allowNonLoopback = false;
    bool facilitiesGiven = false;

    auto fail = [&parsed](std::string message) {
        parsed.error = std::move(message);
        return parsed;
    };

    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        std::string_view name = argument;
        std::optional<std::string> inlineValue;
        if (const std::size_t equals = argument.find('=');
            argument.starts_with("--") && equals != std::string_view::npos) {
            name = argument.substr(0, equals);
            inlineValue = std::string(argument.substr(equals + 1));
        }

        if (name == "--help" || name == "--print" || name == "--allow-non-loopback") {
            if (inlineValue)
                return fail(std::string(name) + " takes no value");
            if (name == "--help")
                options.help = true;
            else if (name == "--print")
                options.print = true;
            else
                allowNonLoopback = true;
            continue;
        }

        static constexpr std::string_view kValued[] = {"--port",       "--host",    "--count",
                                                       "--rate",       "--source",  "--seed",
                                                       "--facilities", "--hostname"};
        if (std::find(std::begin(kValued), std::end(kValued), name) == std::end(kValued)) {
            if (argument.starts_with("-"))
                return fail("unknown option '" + std::string(argument) + "' (try --help)");
            return fail("unexpected argument '" + std::string(argument) + "' (try --help)");
        }
        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            return fail(std::string(name) + " needs a value");
        }

        if (name == "--port") {
            const auto number = parseNumber(value, 65535);
            if (!number || *number == 0)
                return fail("--port: expected 1 to 65535, got '" + value + "'");
            port = static_cast<std::uint16_t>(*number);
        } else if (name == "--host") {
            host = value;
        } else if (name == "--source") {
            source = value;
        } else if (name == "--count") {
            const auto number = parseNumber(value, UINT64_MAX);
            if (!number)
                return fail("--count: expected a whole number, got '" + value + "'");
            options.count = *number;
        } else if (name == "--rate") {
            const auto rate = parseRate(value);
            if (!rate)
                return fail("--rate: expected a number from 0 to 1000000000, got '" + value + "'");
            options.rate = *rate;
        } else if (name == "--seed") {
            const auto number = parseNumber(value, UINT64_MAX);
            if (!number)
                return fail("--seed: expected a whole number, got '" + value + "'");
            options.seed = *number;
        } else if (name == "--facilities") {
            if (std::string error = parseFacilities(value, options.facilities); !error.empty())
                return fail(error);
            facilitiesGiven = true;
        } else if (name == "--hostname") {
            if (!isValidHostname(value)) {
                return fail("--hostname: expected 1 to 64 visible characters without ':', got '" +
                            value + "'");
            }
            options.hostname = value;
        }
    }

    if (options.help)
        return parsed;
    if (!facilitiesGiven) {
        options.facilities = {Facility::FireWall, Facility::Vpn, Facility::UserAccess,
                              Facility::Call,     Facility::Wan, Facility::Status};
    }
    if (!port && !options.print)
        return fail("--port is required (try --help)");

    const auto destination = parseEndpoint(host, port.value_or(0));
    if (!destination)
        return fail("--host: '" + host + "' is not a numeric IPv4 or IPv6 address");
    if (isNeverADestination(*destination))
        return fail("--host: refusing broadcast, multicast or unspecified address " + host);
    if (!isLoopback(*destination) && !allowNonLoopback) {
        return fail("--host: refusing to send to " + host +
                    ", which is outside 127.0.0.0/8 and ::1 (use --allow-non-loopback)");
    }
    options.destination = *destination;

    if (source) {
        const auto local = parseEndpoint(*source, 0);
        if (!local)
            return fail("--source: '" + *source + "' is not a numeric IPv4 or IPv6 address");
        if (local->family() != destination->family())
            return fail("--source: " + *source + " and --host " + host + " differ in family");
        if (isNeverADestination(*local))
            return fail("--source: " + *source + " is not a single local address");
        if (!isLoopback(*local) && !allowNonLoopback) {
            return fail("--source: refusing to send from " + *source +
                        ", which is outside 127.0.0.0/8 and ::1 (use --allow-non-loopback)");
        }
        options.source = *local;
    }
    return parsed;
}

} // namespace quendal::flood
