#pragma once

#include "receiver/core/WanStatus.h"

#include <QColor>
#include <QObject>

#include <array>

class QGroupBox;
class QLabel;
class QWidget;

namespace quendal {

// The LAN Status and WAN Status panels: packet counters, addresses and rates of the selected
// router, with the connection mode in the WAN panel's caption. Values are green, captions of the
// frames red, field labels blue. The two frames are children of the given widget, which places
// them.
class StatusPanels : public QObject
{
    Q_OBJECT

public:
    static const QColor kValueColour; // RGB(0, 200, 0)
    static const QColor kFrameColour; // RGB(255, 0, 0)
    static const QColor kLabelColour; // RGB(0, 0, 255)

    StatusPanels(const WanStatus* status, QWidget* frameParent);

    QLabel* valueLabel(WanField field) const { return values_[size_t(field)]; }
    QLabel* fieldLabel(WanField field) const { return labels_[size_t(field)]; }
    QGroupBox* lanFrame() const { return lanFrame_; }
    QGroupBox* wanFrame() const { return wanFrame_; }

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
};

} // namespace quendal
