#include "receiver/core/WanStatus.h"

#include "common/core/DisplayText.h"
#include "common/core/UiText.h"

namespace quendal {
namespace {

constexpr std::array<const char*, kWanFieldCount> kKeys = {
    "Tx=",         "Rx=",          "GW_IP=",      "BBandIp=",
    "BBandTxPkt=", "BBandTxRate=", "BBandRxPkt=", "BBandRxRate="};
constexpr const char* kModeKey = "BBandMode=";

// The value of `key` in `text`, if the key occurs and a blank ends its value.
std::optional<QByteArrayView> keyValue(QByteArrayView text, QByteArrayView key)
{
    const qsizetype at = text.indexOf(key);
    if (at < 0)
        return std::nullopt;
    const qsizetype blank = text.indexOf(' ', at);
    if (blank < 0)
        return std::nullopt;
    const qsizetype start = at + key.size();
    // A blank inside the key cannot occur, so the value ends at or after its start.
    return text.sliced(start, blank - start);
}

QByteArray neutralValue(WanField field)
{
    return field == WanField::GatewayAddress || field == WanField::WanAddress
               ? QByteArrayLiteral("....")
               : QByteArrayLiteral("0");
}

} // namespace

const char* wanFieldKey(WanField field)
{
    return kKeys[size_t(field)];
}

WanStatus::WanStatus(QObject* parent) : QObject(parent)
{
    for (int i = 0; i < kWanFieldCount; ++i)
        values_[size_t(i)] = neutralValue(WanField(i));
}

QString WanStatus::valueText(WanField field) const
{
    return decodeForDisplay(values_[size_t(field)]);
}

QString WanStatus::caption() const
{
    QString text = GetUiText(UiTextId::WanStatus);
    if (mode_)
        text += QStringLiteral("( ") + decodeForDisplay(*mode_) + QStringLiteral(" )");
    return text;
}

void WanStatus::restore(const Snapshot& snapshot)
{
    if (snapshot.values == values_ && snapshot.mode == mode_)
        return;
    values_ = snapshot.values;
    mode_ = snapshot.mode;
    Q_EMIT changed();
}

bool WanStatus::reset()
{
    bool different = mode_.has_value();
    for (int i = 0; i < kWanFieldCount; ++i) {
        QByteArray neutral = neutralValue(WanField(i));
        if (values_[size_t(i)] != neutral) {
            values_[size_t(i)] = std::move(neutral);
            different = true;
        }
    }
    mode_.reset();
    if (different)
        Q_EMIT changed();
    return different;
}

bool WanStatus::apply(QByteArrayView text)
{
    bool different = false;
    for (int i = 0; i < kWanFieldCount; ++i) {
        if (const auto value = keyValue(text, QByteArrayView(kKeys[size_t(i)]))) {
            if (values_[size_t(i)] != *value) {
                values_[size_t(i)] = value->toByteArray();
                different = true;
            }
        }
    }
    if (const auto value = keyValue(text, QByteArrayView(kModeKey))) {
        if (mode_ != *value) {
            mode_ = value->toByteArray();
            different = true;
        }
    }
    if (different)
        Q_EMIT changed();
    return different;
}

} // namespace quendal
