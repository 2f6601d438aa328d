#include "RouterEvents.h"

namespace quendal::flood {

namespace {

constexpr Ipv4 ip(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d)
{
    return Ipv4{(a << 24) | (b << 16) | (c << 8) | d};
}

// Every outside address comes from the documentation ranges, every inside one from the LAN.
constexpr Ipv4 kLanNet = ip(192, 168, 1, 0);
constexpr Ipv4 kDns1 = ip(198, 51, 100, 53);
constexpr Ipv4 kDns2 = ip(198, 51, 100, 54);
constexpr Ipv4 kNtpServer = ip(198, 51, 100, 123);
constexpr Ipv4 kDhcpServer = ip(198, 51, 100, 1);
constexpr Ipv4 kStaticAddress = ip(192, 0, 2, 10);
constexpr Ipv4 kStaticGateway = ip(192, 0, 2, 9);
constexpr const char* kPhysicalWan = "eth1";
constexpr const char* kLanInterface = "br0";
constexpr const char* kSipAccount = "5550123@sip.example.net";
constexpr const char* kOwnNumber = "5550123";

constexpr const char* kExtensions[] = {"21", "22", "23"};
constexpr const char* kCodecs[] = {"G.711a", "G.711a", "G.722", "G.729"};

} // namespace

RouterEvents::RouterEvents(Random& random) : random_(random)
{
    const std::size_t mode = random_.weighted({50, 35, 15});
    wan_.mode = mode == 0 ? WanMode::PPPoE : mode == 1 ? WanMode::DHCP : WanMode::Static;
    assignWanAddress();

    peers_ = {
        {"branch-office", true, ip(198, 51, 100, 23), ip(10, 10, 0, 0), TunnelState::Up, {}},
        {"warehouse", true, ip(203, 0, 113, 140), ip(10, 20, 0, 0), TunnelState::Down, {}},
        {"partner-gw", true, ip(192, 0, 2, 77), ip(172, 16, 5, 0), TunnelState::Down, {}},
        {"alice", false, ip(203, 0, 113, 61), {}, TunnelState::Down, {}},
        {"bob", false, ip(198, 51, 100, 188), {}, TunnelState::Down, {}},
    };

    // A router that has been running for a while.
    counters_.lanTx = random_.between(100'000, 5'000'000);
    counters_.lanRx = random_.between(100'000, 5'000'000);
    counters_.wanTxPackets = random_.between(50'000, 2'000'000);
    counters_.wanRxPackets = random_.between(100'000, 8'000'000);
}

int RouterEvents::write(Facility facility, MessageText& out)
{
    switch (facility) {
    case Facility::FireWall:
        return firewall(out);
    case Facility::Vpn:
        return vpn(out);
    case Facility::UserAccess:
        return userAccess(out);
    case Facility::Call:
        return call(out);
    case Facility::Wan:
        return wan(out);
    case Facility::Status:
        return status(out);
    }
    return Info;
}

void RouterEvents::assignWanAddress()
{
    switch (wan_.mode) {
    case WanMode::PPPoE:
        wan_.address = ip(203, 0, 113, random_.between(2, 250));
        wan_.gateway = ip(203, 0, 113, 1);
        break;
    case WanMode::DHCP:
        wan_.address = ip(198, 51, 100, random_.between(60, 250));
        wan_.gateway = kDhcpServer;
        break;
    case WanMode::Static:
        wan_.address = kStaticAddress;
        wan_.gateway = kStaticGateway;
        break;
    }
    wan_.session = random_.between(0x100, 0xFFFF);
}

Ipv4 RouterEvents::lanHost()
{
    return Ipv4{kLanNet.value + random_.between(2, 99)};
}

Ipv4 RouterEvents::internetHost()
{
    static constexpr Ipv4 kNets[] = {ip(192, 0, 2, 0), ip(198, 51, 100, 0), ip(203, 0, 113, 0)};
    return Ipv4{random_.pick(kNets).value + random_.between(1, 254)};
}

std::uint32_t RouterEvents::ephemeralPort()
{
    return random_.between(32768, 60999);
}

std::string RouterEvents::phoneNumber()
{
    static constexpr const char* kAreas[] = {"030", "040", "089", "0221", "069", "0711"};
    static constexpr const char* kMobile[] = {"0151", "0160", "0170", "0176"};
    std::string number = random_.chance(350) ? random_.pick(kMobile) : random_.pick(kAreas);
    const int digits = number.starts_with("01") ? 8 : 7;
    for (int i = 0; i < digits; ++i)
        number.push_back(static_cast<char>('0' + random_.below(10)));
    return number;
}

const char* RouterEvents::wanInterface() const
{
    return wan_.mode == WanMode::PPPoE ? "ppp0" : kPhysicalWan;
}

const char* RouterEvents::wanModeName() const
{
    switch (wan_.mode) {
    case WanMode::PPPoE:
        return "PPPoE";
    case WanMode::DHCP:
        return "DHCP";
    case WanMode::Static:
        return "Static";
    }
    return "PPPoE";
}

int RouterEvents::firewall(MessageText& out)
{
    static constexpr std::uint32_t kProbedPorts[] = {21,   22,   23,   25,   53,   80,   110,
                                                     135,  139,  143,  443,  445,  1433, 1723,
                                                     3306, 3389, 5060, 5900, 7547, 8080, 8443};
    static constexpr const char* kInboundFlags[] = {"SYN", "SYN", "SYN", "ACK", "RST", "FIN,ACK"};
    static constexpr const char* kInvalidFlags[] = {"FIN,PSH,URG", "SYN,FIN", "none", "SYN,RST"};
    struct Forward
    {
        const char* name;
        std::uint32_t port;
        std::uint32_t host;
    };
    static constexpr Forward kForwards[] = {
        {"nas", 5001, 30}, {"camera", 8000, 40}, {"rdp", 3389, 20}, {"web", 443, 10}};
    struct OutboundRule
    {
        const char* name;
        const char* protocol;
        std::uint32_t port;
    };
    static constexpr OutboundRule kOutboundRules[] = {
        {"lan-out-netbios", "UDP", 137}, {"lan-out-smb", "TCP", 445}, {"lan-out-smtp", "TCP", 25}};

    Random& r = random_;
    switch (r.weighted({40, 8, 25, 8, 6, 6, 4, 1, 2})) {
    case 0: {
        const bool tcp = r.chance(750);
        out << "Blocked " << (tcp ? "TCP " : "UDP ") << internetHost() << ':' << ephemeralPort()
            << " -> " << wan_.address << ':' << r.pick(kProbedPorts) << " on " << wanInterface();
        if (tcp)
            out << ", flags " << r.pick(kInboundFlags);
        out << ", rule wan-in-default";
        return r.chance(300) ? Warning : Notice;
    }
    case 1:
        out << "Blocked ICMP echo-request " << internetHost() << " -> " << wan_.address << " on "
            << wanInterface() << ", type 8 code 0";
        return Notice;
    case 2: {
        static constexpr std::uint32_t kTcpPorts[] = {443, 443, 443, 80, 993, 22, 5222};
        static constexpr std::uint32_t kUdpPorts[] = {53, 123, 443, 3478};
        const bool tcp = r.chance(700);
        out << "Allowed " << (tcp ? "TCP " : "UDP ") << lanHost() << ':' << ephemeralPort()
            << " -> " << internetHost() << ':' << (tcp ? r.pick(kTcpPorts) : r.pick(kUdpPorts))
            << " on " << kLanInterface << ", NAT to " << wan_.address << ':' << ephemeralPort();
        return Info;
    }
    case 3: {
        const Forward& forward = r.pick(kForwards);
        out << "Allowed TCP " << internetHost() << ':' << ephemeralPort() << " -> " << wan_.address
            << ':' << forward.port << " on " << wanInterface() << ", port forward '" << forward.name
            << "' to " << Ipv4{kLanNet.value + forward.host} << ':' << forward.port;
        return Info;
    }
    case 4: {
        const OutboundRule& rule = r.pick(kOutboundRules);
        out << "Blocked " << rule.protocol << ' ' << lanHost() << ':'
            << (rule.port == 137 ? 137 : ephemeralPort()) << " -> " << internetHost() << ':'
            << rule.port << " on " << kLanInterface << ", rule " << rule.name;
        return Notice;
    }
    case 5:
        out << "Dropped invalid TCP " << internetHost() << ':' << ephemeralPort() << " -> "
            << wan_.address << ':' << r.pick(kProbedPorts) << " on " << wanInterface() << ", flags "
            << r.pick(kInvalidFlags);
        return Warning;
    case 6:
        out << "Port scan from " << internetHost() << " to " << wan_.address << ": "
            << r.between(12, 400) << " ports in " << r.between(1, 20)
            << " s, source blocked for 600 s";
        return r.chance(500) ? Critical : Alert;
    case 7:
        out << "Connection table full (16384 entries), new connections dropped";
        return Alert;
    default:
        out << "SYN flood from " << internetHost() << " to " << wan_.address << ':'
            << r.pick(kProbedPorts) << ", " << r.between(2000, 90000) << " packets/s, dropping";
        return Emergency;
    }
}

int RouterEvents::vpn(MessageText& out)
{
    if (random_.chance(8)) {
        for (VpnPeer& peer : peers_) {
            if (peer.ipsec)
                peer.state = TunnelState::Down;
        }
        out << "IPsec: IKE daemon stopped unexpectedly, all tunnels down";
        return Emergency;
    }
    VpnPeer& peer = peers_[random_.below(static_cast<std::uint32_t>(peers_.size()))];
    return peer.ipsec ? ipsec(peer, out) : pptp(peer, out);
}

int RouterEvents::ipsec(VpnPeer& peer, MessageText& out)
{
    static constexpr const char* kPhase1Failures[] = {
        "no proposal chosen", "pre-shared key mismatch", "no response after 5 retries"};
    Random& r = random_;
    switch (peer.state) {
    case TunnelState::Down:
        out << "IPsec: phase 1 (IKE main mode) started with " << peer.address << " [" << peer.name
            << ']';
        peer.state = TunnelState::Phase1;
        return Info;
    case TunnelState::Phase1:
        if (r.chance(120)) {
            out << "IPsec: phase 1 failed with " << peer.address << " [" << peer.name
                << "]: " << r.pick(kPhase1Failures);
            peer.state = TunnelState::Down;
            return Error;
        }
        out << "IPsec: phase 1 SA established with " << peer.address << " [" << peer.name
            << "], AES-256/SHA-256, DH group 14, lifetime 28800 s";
        peer.state = TunnelState::Phase2;
        return Notice;
    case TunnelState::Phase2:
        out << "IPsec: phase 2 SA established with " << peer.address << " [" << peer.name << "], "
            << kLanNet << "/24 <-> " << peer.remoteNet << "/24, ESP AES-256, SPI "
            << Hex{r.next() & 0xFFFFFFFF, 8} << ", tunnel up";
        peer.state = TunnelState::Up;
        return Notice;
    case TunnelState::Up:
        if (r.chance(700)) {
            out << "IPsec: phase 2 SA rekeyed with " << peer.address << " [" << peer.name
                << "], new SPI " << Hex{r.next() & 0xFFFFFFFF, 8};
            return Info;
        }
        peer.state = TunnelState::Down;
        if (r.chance(700)) {
            out << "IPsec: tunnel [" << peer.name << "] down: dead peer detection timeout, "
                << peer.address << " not answering";
            return Error;
        }
        out << "IPsec: tunnel [" << peer.name << "] down: SA deleted by peer " << peer.address;
        return Notice;
    }
    return Info;
}

int RouterEvents::pptp(VpnPeer& peer, MessageText& out)
{
    Random& r = random_;
    if (peer.state != TunnelState::Up) {
        peer.address = internetHost(); // road warriors come from wherever they are
        if (r.chance(200)) {
            out << "PPTP: authentication failed (MS-CHAPv2) for user '" << peer.name << "' from "
                << peer.address;
            return Warning;
        }
        peer.assigned = Ipv4{kLanNet.value + r.between(200, 220)};
        out << "PPTP: tunnel up, user '" << peer.name << "' from " << peer.address << ", assigned "
            << peer.assigned << ", MPPE 128-bit";
        peer.state = TunnelState::Up;
        return Notice;
    }
    if (r.chance(400)) {
        out << "PPTP: LCP echo timeout for user '" << peer.name << "' (" << peer.assigned
            << "), retrying";
        return Warning;
    }
    out << "PPTP: tunnel down, user '" << peer.name << "' from " << peer.address << ", duration "
        << Duration{r.between(30, 4 * 3600)} << ", sent " << r.between(10'000, 900'000'000)
        << " bytes, received " << r.between(10'000, 900'000'000) << " bytes";
    peer.state = TunnelState::Down;
    return Notice;
}

int RouterEvents::userAccess(MessageText& out)
{
    static constexpr const char* kUsers[] = {"admin", "admin", "admin", "support"};
    static constexpr const char* kChanges[] = {"port forwarding rule 'nas' added",
                                               "firewall rule wan-in-ssh disabled",
                                               "wireless channel set to 11",
                                               "time zone set to Europe/Berlin",
                                               "DHCP pool set to 192.168.1.100-192.168.1.199",
                                               "VPN peer 'warehouse' edited",
                                               "SIP account 5550123 edited",
                                               "firmware update check started"};
    Random& r = random_;
    if (r.chance(8)) {
        out << "Remote management: " << r.between(30, 200) << " login attempts from WAN address "
            << internetHost() << " in 60 s, remote management disabled";
        return Emergency;
    }
    if (!admin_.active) {
        switch (r.weighted({45, 40, 15})) {
        case 0:
            admin_.active = true;
            admin_.user = r.pick(kUsers);
            admin_.from = lanHost();
            admin_.https = r.chance(800);
            admin_.failures = 0;
            out << "Web admin login by '" << admin_.user << "' from " << admin_.from << " ("
                << (admin_.https ? "HTTPS" : "HTTP") << ')';
            return Notice;
        case 1:
            if (admin_.failures == 0)
                admin_.failingFrom = lanHost();
            if (++admin_.failures >= 5) {
                admin_.failures = 0;
                out << "Web admin access from " << admin_.failingFrom
                    << " locked for 300 s after 5 failed logins";
                return Alert;
            }
            out << "Web admin login failed for '" << r.pick(kUsers) << "' from "
                << admin_.failingFrom << ": wrong password (attempt " << admin_.failures
                << " of 5)";
            return Warning;
        default:
            out << (r.chance(500) ? "SSH" : "Telnet") << " login failed for 'root' from "
                << lanHost();
            return Warning;
        }
    }
    switch (r.weighted({45, 30, 15, 10})) {
    case 0:
        out << "Configuration changed by '" << admin_.user << "' from " << admin_.from << ": "
            << r.pick(kChanges);
        return Notice;
    case 1:
        out << "Web admin logout of '" << admin_.user << "' from " << admin_.from << ", session "
            << Duration{r.between(20, 3600)};
        admin_.active = false;
        return Info;
    case 2:
        out << "Web admin session of '" << admin_.user << "' from " << admin_.from
            << " timed out after 600 s idle";
        admin_.active = false;
        return Info;
    default:
        out << "Configuration backup downloaded by '" << admin_.user << "' from " << admin_.from;
        return Notice;
    }
}

int RouterEvents::call(MessageText& out)
{
    static constexpr const char* kRegistrationFailures[] = {"403 Forbidden", "408 Request Timeout",
                                                            "503 Service Unavailable"};
    static constexpr const char* kCallFailures[] = {"486 Busy Here", "404 Not Found",
                                                    "480 Temporarily Unavailable", "603 Decline"};
    Random& r = random_;

    if (r.chance(80)) {
        if (r.chance(150)) {
            out << "SIP: registration of " << kSipAccount
                << " failed: " << r.pick(kRegistrationFailures);
            return Error;
        }
        out << "SIP: registration of " << kSipAccount << " succeeded, expires in 3600 s";
        return Info;
    }
    if (r.chance(8)) {
        Call c{nextCallId_++, true, true, r.pick(kExtensions), "G.711a", "112"};
        out << "SIP: emergency call " << c.id << " from " << c.extension << " to " << c.number
            << " connected";
        calls_.push_back(std::move(c));
        return Emergency;
    }
    if (!calls_.empty() && (calls_.size() >= 4 || r.chance(450))) {
        const std::size_t index = r.below(static_cast<std::uint32_t>(calls_.size()));
        const Call& c = calls_[index];
        out << "SIP: call " << c.id << " from " << (c.outgoing ? c.extension : c.number.c_str())
            << " to " << (c.outgoing ? c.number.c_str() : c.extension) << " ended by "
            << (r.chance(500) ? "local" : "remote") << " party, duration "
            << Duration{r.between(3, 2 * 3600)} << ", codec " << c.codec;
        calls_.erase(calls_.begin() + static_cast<std::ptrdiff_t>(index));
        return Info;
    }
    Call c{nextCallId_++,       r.chance(500),   false,
           r.pick(kExtensions), r.pick(kCodecs), phoneNumber()};
    if (c.outgoing) {
        out << "SIP: outgoing call " << c.id << " from " << c.extension << " to " << c.number;
        if (r.chance(200)) {
            out << " failed: " << r.pick(kCallFailures);
            return Notice;
        }
        out << " connected, codec " << c.codec;
    } else {
        out << "SIP: incoming call " << c.id << " from " << c.number << " to " << kOwnNumber;
        if (r.chance(300)) {
            out << " missed, no answer after 30 s";
            return Notice;
        }
        out << " answered on " << c.extension << ", codec " << c.codec;
    }
    calls_.push_back(std::move(c));
    return Info;
}

int RouterEvents::wan(MessageText& out)
{
    if (!wan_.up)
        return wanConnect(out);

    Random& r = random_;
    if (r.chance(10)) {
        out << "WAN: physical link lost on " << kPhysicalWan << ", no Internet connection";
        wan_.up = false;
        wan_.step = 0;
        return Emergency;
    }
    if (wan_.ddnsPending) {
        wan_.ddnsPending = false;
        out << "DDNS: gateway.example.net updated to " << wan_.address;
        return Notice;
    }
    switch (r.weighted({5, 10, 30, 55})) {
    case 0:
        wan_.up = false;
        wan_.step = 0;
        if (wan_.mode != WanMode::PPPoE) {
            out << "WAN: carrier lost on " << kPhysicalWan << ", link down";
            return Error;
        }
        if (r.chance(600)) {
            out << "PPPoE: link down, LCP echo timeout after 5 missed replies";
            return Error;
        }
        out << "PPPoE: session " << Hex{wan_.session, 4}
            << " terminated by access concentrator (PADT), forced disconnect after 24 h";
        return Warning;
    case 1:
        out << "DNS: server " << kDns1 << " not responding, switching to " << kDns2;
        return Warning;
    case 2: {
        const int offset = static_cast<int>(r.between(0, 80)) - 40;
        out << "NTP: time synchronised with " << kNtpServer << ", offset "
            << (offset < 0 ? "" : "+") << offset << " ms";
        return Info;
    }
    default:
        switch (wan_.mode) {
        case WanMode::PPPoE:
            out << "PPPoE: session " << Hex{wan_.session, 4} << " alive, LCP echo reply in "
                << r.between(4, 40) << " ms";
            return Debug;
        case WanMode::DHCP:
            out << "DHCP: lease of " << wan_.address << " renewed from " << kDhcpServer
                << ", 86400 s";
            return Info;
        case WanMode::Static:
            out << "WAN: gateway " << wan_.gateway << " reachable, round trip " << r.between(3, 30)
                << " ms";
            return Debug;
        }
    }
    return Info;
}

int RouterEvents::wanConnect(MessageText& out)
{
    static constexpr const char* kConcentrators[] = {"BRAS-FRA-07", "BRAS-HAM-02", "BRAS-MUC-11"};
    Random& r = random_;
    switch (wan_.mode) {
    case WanMode::PPPoE:
        if (wan_.step == 0) {
            out << "PPPoE: PADI sent on " << kPhysicalWan
                << ", PADO received from access concentrator '" << r.pick(kConcentrators) << '\'';
            wan_.step = 1;
            return Info;
        }
        if (wan_.step == 1) {
            if (r.chance(100)) {
                out << "PPPoE: CHAP authentication as 'user@isp.example' failed, retry in 30 s";
                wan_.step = 0;
                return Error;
            }
            assignWanAddress();
            out << "PPPoE: session " << Hex{wan_.session, 4}
                << " established, CHAP authentication as 'user@isp.example' succeeded";
            wan_.step = 2;
            return Notice;
        }
        out << "PPPoE: IPCP up, local " << wan_.address << ", remote " << wan_.gateway << ", DNS "
            << kDns1 << ' ' << kDns2;
        break;
    case WanMode::DHCP:
        if (wan_.step == 0) {
            out << "DHCP: DISCOVER sent on " << kPhysicalWan;
            wan_.step = 1;
            return Info;
        }
        assignWanAddress();
        out << "DHCP: lease of " << wan_.address << "/24 from " << kDhcpServer
            << " acquired, gateway " << wan_.gateway << ", DNS " << kDns1 << ' ' << kDns2
            << ", lease 86400 s";
        break;
    case WanMode::Static:
        if (wan_.step == 0) {
            out << "WAN: link up on " << kPhysicalWan << ", 1000 Mb/s full duplex";
            wan_.step = 1;
            return Notice;
        }
        out << "WAN: static address " << wan_.address << "/29, gateway " << wan_.gateway << ", DNS "
            << kDns1 << ' ' << kDns2;
        break;
    }
    wan_.up = true;
    wan_.step = 0;
    wan_.ddnsPending = true;
    return Notice;
}

int RouterEvents::status(MessageText& out)
{
    Random& r = random_;
    const std::uint32_t txRate = wan_.up ? r.between(20, 4000) : 0;
    const std::uint32_t rxRate = wan_.up ? r.between(100, 40000) : 0;
    counters_.lanTx += r.between(50, 5000);
    counters_.lanRx += r.between(50, 8000);
    if (wan_.up) {
        counters_.wanTxPackets += r.between(20, 3000);
        counters_.wanRxPackets += r.between(50, 9000);
    }
    const Ipv4 none;
    out << "Tx=" << counters_.lanTx << " Rx=" << counters_.lanRx
        << " GW_IP=" << (wan_.up ? wan_.gateway : none)
        << " BBandIp=" << (wan_.up ? wan_.address : none)
        << " BBandTxPkt=" << counters_.wanTxPackets << " BBandTxRate=" << txRate
        << " BBandRxPkt=" << counters_.wanRxPackets << " BBandRxRate=" << rxRate
        << " BBandMode=" << wanModeName() << ' ';
    return r.chance(900) ? Info : Debug;
}

} // namespace quendal::flood
