#pragma once

#include <QLabel>
#include <QTimer>

namespace quendal {

class Forwarder;

// Each collector's state in the status bar, hidden while nothing is forwarded.
class ForwardStatusLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ForwardStatusLabel(const Forwarder& forwarder, QWidget* parent = nullptr);
    // Reads the forwarder's counters now (the timer does so every second).
    void refresh();

private:
    const Forwarder& forwarder_;
    QTimer timer_;
};

} // namespace quendal
