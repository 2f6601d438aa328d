#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>

#include <array>
#include <optional>

namespace quendal {

// The fields of the LAN Status and WAN Status panels, in the order their keys are handled.
enum class WanField
{
    LanTxPackets,   // "Tx="
    LanRxPackets,   // "Rx="
    GatewayAddress, // "GW_IP="
    WanAddress,     // "BBandIp="
    WanTxPackets,   // "BBandTxPkt="
    WanTxRate,      // "BBandTxRate="
    WanRxPackets,   // "BBandRxPkt="
    WanRxRate,      // "BBandRxRate="
};
inline constexpr int kWanFieldCount = 8;

// The status key of a field, e.g. "GW_IP=".
const char* wanFieldKey(WanField field);

// The routers' link status, as the selected router last reported it in its status messages.
// Values are the bytes as received, shown whole whatever their length.
class WanStatus : public QObject
{
    Q_OBJECT

public:
    explicit WanStatus(QObject* parent = nullptr);

    QByteArray value(WanField field) const { return values_[size_t(field)]; }
    QString valueText(WanField field) const;
    // The connection mode of the last "BBandMode=", none after a reset.
    std::optional<QByteArray> mode() const { return mode_; }
    // The WAN panel's caption: "WAN Status", followed by "( mode )" once a mode is known.
    QString caption() const;

    // Every value at once, to carry the status from the receiver thread to the window's.
    struct Snapshot
    {
        std::array<QByteArray, kWanFieldCount> values;
        std::optional<QByteArray> mode;
    };
    Snapshot snapshot() const { return {values_, mode_}; }
    void restore(const Snapshot& snapshot);

    // Neutral values: "0" for counters and rates, "...." for the two addresses, no mode.
    // Returns whether anything changed.
    bool reset();
    // Takes every key found in a status message: a key counts at its first occurrence anywhere
    // in the text, its value runs up to the next blank, and a value without a blank after it is
    // not taken. Returns whether anything changed.
    bool apply(QByteArrayView text);

Q_SIGNALS:
    void changed();

private:
    std::array<QByteArray, kWanFieldCount> values_;
    std::optional<QByteArray> mode_;
};

} // namespace quendal
