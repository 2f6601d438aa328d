#pragma once

#include <QLabel>

namespace quendal {

class ReceptionEngine;

// A status-bar part that shows how many datagrams the system dropped before reception could
// read them, as soon as there is one; hidden while there is none. Loss is shown, not guessed.
class DropCountLabel : public QLabel
{
    Q_OBJECT

public:
    explicit DropCountLabel(ReceptionEngine* engine, QWidget* parent = nullptr);

    // Shows `dropped` (hides the part for 0).
    void showDropped(quint64 dropped);

private:
    quint64 shown_ = 0;
};

} // namespace quendal
