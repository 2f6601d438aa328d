#pragma once

#include "receiver/core/WanStatus.h"

#include <QColor>
#include <QObject>

#include <array>

class QGroupBox;
class QLabel;
class QWidget;

namespace quendal {

class RouterChoiceBox;
class RouterWatch;

// The LAN Status and WAN Status panels: packet counters, addresses and rates of the router
// watched, with the connection mode in the WAN panel's caption, and the choice of that router
// (whichever senders the host list accepts). Values are green, captions of the frames red, field
// labels blue; each label is the value's caption for a screen reader. The two frames are children
// of the given widget, which places them.
class StatusPanels : public QObject
{
    Q_OBJECT

public:
    static const QColor kValueColour; // RGB(0, 200, 0)
    static const QColor kFrameColour; // RGB(255, 0, 0)
    static const QColor kLabelColour; // RGB(0, 0, 255)

    StatusPanels(RouterWatch* watch, QWidget* frameParent);

    QLabel* valueLabel(WanField field) const { return values_[size_t(field)]; }
    QLabel* fieldLabel(WanField field) const { return labels_[size_t(field)]; }
    QGroupBox* lanFrame() const { return lanFrame_; }
    QGroupBox* wanFrame() const { return wanFrame_; }
    RouterChoiceBox* routerBox() const { return routerBox_; }

    // Labels and captions from the UI texts.
    void applyUiTexts();
    // Shows the status as it stands now.
    void refresh();

private:
    const WanStatus* status_;
    QGroupBox* lanFrame_;
    QGroupBox* wanFrame_;
    std::array<QLabel*, kWanFieldCount> labels_{};
    std::array<QLabel*, kWanFieldCount> values_{};
    QLabel* routerLabel_;
    RouterChoiceBox* routerBox_;
};

} // namespace quendal
