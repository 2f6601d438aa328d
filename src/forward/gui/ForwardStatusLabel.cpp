#include "forward/gui/ForwardStatusLabel.h"

#include "forward/core/Forwarder.h"

namespace quendal {

ForwardStatusLabel::ForwardStatusLabel(const Forwarder& forwarder, QWidget* parent)
    : QLabel(parent), forwarder_(forwarder)
{
    hide();
    connect(&timer_, &QTimer::timeout, this, &ForwardStatusLabel::refresh);
    timer_.start(std::chrono::seconds(1));
}

void ForwardStatusLabel::refresh()
{
    const ForwardStatusList targets = forwarder_.status();
    setVisible(!targets.empty());
    // Names and URLs come from the settings, never from the network.
    setText(forwardStatusLine(targets));
}

} // namespace quendal
