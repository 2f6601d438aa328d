#include "app/gui/StatusPanels.h"

#include "activity/gui/RouterChoiceBox.h"
#include "activity/gui/RouterWatch.h"
#include "common/core/UiText.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>

namespace quendal {

const QColor StatusPanels::kValueColour(0, 200, 0);
const QColor StatusPanels::kFrameColour(255, 0, 0);
const QColor StatusPanels::kLabelColour(0, 0, 255);

namespace {

// The UI text of each field's label.
UiTextId labelText(WanField field)
{
    switch (field) {
    case WanField::LanTxPackets:
    case WanField::WanTxPackets:
        return UiTextId::TxPackets;
    case WanField::LanRxPackets:
    case WanField::WanRxPackets:
        return UiTextId::RxPackets;
    case WanField::GatewayAddress:
        return UiTextId::GatewayAddress;
    case WanField::WanAddress:
        return UiTextId::IpAddress;
    case WanField::WanTxRate:
        return UiTextId::TxRate;
    case WanField::WanRxRate:
        return UiTextId::RxRate;
    }
    return UiTextId::TxPackets;
}

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

QGroupBox* makeFrame(QWidget* parent)
{
    auto* frame = new QGroupBox(parent);
    setTextColour(frame, StatusPanels::kFrameColour);
    return frame;
}

} // namespace

StatusPanels::StatusPanels(RouterWatch* watch, QWidget* frameParent)
    : QObject(frameParent), status_(watch->status()), lanFrame_(makeFrame(frameParent)),
      wanFrame_(makeFrame(frameParent)), routerLabel_(new QLabel(lanFrame_)),
      routerBox_(new RouterChoiceBox(watch, lanFrame_))
{
    for (int i = 0; i < kWanFieldCount; ++i) {
        const bool lan = i <= int(WanField::LanRxPackets);
        QWidget* frame = lan ? lanFrame_ : wanFrame_;
        auto* label = new QLabel(frame);
        auto* value = new QLabel(frame);
        label->setAlignment(Qt::AlignCenter);
        value->setAlignment(Qt::AlignCenter);
        // Values are the router's bytes: never read as markup, and a long one is cut on screen
        // (its tooltip shows it whole) rather than widening the window.
        label->setTextFormat(Qt::PlainText);
        value->setTextFormat(Qt::PlainText);
        value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 12);
        setTextColour(label, kLabelColour);
        setTextColour(value, kValueColour);
        // The caption names the value for a screen reader.
        label->setBuddy(value);
        labels_[size_t(i)] = label;
        values_[size_t(i)] = value;
    }

    // LAN: TX and RX packets side by side. WAN: three columns of two fields each, the
    // addresses, the packet counters and the rates, transmit above receive.
    const auto place = [this](QGridLayout* grid, WanField field, int row, int column) {
        grid->addWidget(fieldLabel(field), row * 2, column);
        grid->addWidget(valueLabel(field), row * 2 + 1, column);
    };
    auto* lanGrid = new QGridLayout(lanFrame_);
    place(lanGrid, WanField::LanTxPackets, 0, 0);
    place(lanGrid, WanField::LanRxPackets, 0, 1);
    auto* choice = new QHBoxLayout;
    routerLabel_->setBuddy(routerBox_);
    choice->addWidget(routerLabel_);
    choice->addWidget(routerBox_, 1);
    lanGrid->addLayout(choice, 2, 0, 1, 2);
    lanGrid->setRowStretch(3, 1);

    auto* wanGrid = new QGridLayout(wanFrame_);
    place(wanGrid, WanField::GatewayAddress, 0, 0);
    place(wanGrid, WanField::WanAddress, 1, 0);
    place(wanGrid, WanField::WanTxPackets, 0, 1);
    place(wanGrid, WanField::WanRxPackets, 1, 1);
    place(wanGrid, WanField::WanTxRate, 0, 2);
    place(wanGrid, WanField::WanRxRate, 1, 2);

    connect(status_, &WanStatus::changed, this, &StatusPanels::refresh);
    applyUiTexts();
}

void StatusPanels::applyUiTexts()
{
    lanFrame_->setTitle(GetUiText(UiTextId::LanStatus));
    routerLabel_->setText(GetUiText(UiTextId::RouterShown) + QLatin1Char(':'));
    routerBox_->setAccessibleName(GetUiText(UiTextId::RouterShown));
    for (int i = 0; i < kWanFieldCount; ++i)
        labels_[size_t(i)]->setText(GetUiText(labelText(WanField(i))));
    refresh();
}

void StatusPanels::refresh()
{
    for (int i = 0; i < kWanFieldCount; ++i) {
        const QString text = status_->valueText(WanField(i));
        values_[size_t(i)]->setText(text);
        values_[size_t(i)]->setToolTip(text);
    }
    wanFrame_->setTitle(status_->caption());
}

} // namespace quendal
