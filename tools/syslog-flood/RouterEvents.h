#pragma once

#include "MessageText.h"
#include "Random.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quendal::flood {

enum Severity : int
{
    Emergency = 0,
    Alert = 1,
    Critical = 2,
    Error = 3,
    Warning = 4,
    Notice = 5,
    Info = 6,
    Debug = 7
};

// The facilities the router logs under, local0 to local5; 21 carries the link status lines.
enum class Facility : int
{
    FireWall = 16,
    Vpn = 17,
    UserAccess = 18,
    Call = 19,
    Wan = 20,
    Status = 21
};

// A small model of one broadband router with VPN and VoIP: its WAN link, VPN peers, admin
// sessions, phone calls and traffic counters. Every event moves the model on and writes the
// message that goes with it, so a tunnel comes up before it goes down, a call ends after it
// was connected and a reconnected WAN link shows its new address in the status lines.
class RouterEvents
{
public:
    explicit RouterEvents(Random& random);

    // Writes the text of the next event of a facility (everything after "HOST: ") and returns
    // its severity. Status lines end with a blank, as every key's value does.
    int write(Facility facility, MessageText& out);

private:
    enum class WanMode
    {
        PPPoE,
        DHCP,
        Static
    };
    enum class TunnelState
    {
        Down,
        Phase1,
        Phase2,
        Up
    };

    struct WanLink
    {
        WanMode mode = WanMode::PPPoE;
        bool up = true;
        int step = 0;             // how far reconnecting has come
        bool ddnsPending = false; // the new address still has to be published
        Ipv4 address;
        Ipv4 gateway;
        std::uint32_t session = 0;
    };

    struct VpnPeer
    {
        const char* name;
        bool ipsec;
        Ipv4 address;
        Ipv4 remoteNet;
        TunnelState state = TunnelState::Down;
        Ipv4 assigned; // PPTP only
    };

    struct AdminSession
    {
        bool active = false;
        const char* user = "admin";
        Ipv4 from;
        bool https = true;
        int failures = 0;
        Ipv4 failingFrom;
    };

    struct Call
    {
        std::uint32_t id;
        bool outgoing;
        bool emergency;
        const char* extension;
        const char* codec;
        std::string number;
    };

    struct Counters
    {
        std::uint64_t lanTx = 0;
        std::uint64_t lanRx = 0;
        std::uint64_t wanTxPackets = 0;
        std::uint64_t wanRxPackets = 0;
    };

    int firewall(MessageText& out);
    int vpn(MessageText& out);
    int ipsec(VpnPeer& peer, MessageText& out);
    int pptp(VpnPeer& peer, MessageText& out);
    int userAccess(MessageText& out);
    int call(MessageText& out);
    int wan(MessageText& out);
    int wanConnect(MessageText& out);
    int status(MessageText& out);

    void assignWanAddress();
    Ipv4 lanHost();
    Ipv4 internetHost();
    std::uint32_t ephemeralPort();
    std::string phoneNumber();
    const char* wanInterface() const;
    const char* wanModeName() const;

    Random& random_;
    WanLink wan_;
    std::vector<VpnPeer> peers_;
    AdminSession admin_;
    std::vector<Call> calls_;
    std::uint32_t nextCallId_ = 1;
    Counters counters_;
};

} // namespace quendal::flood
