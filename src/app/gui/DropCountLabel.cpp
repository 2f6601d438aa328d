#include "app/gui/DropCountLabel.h"

#include "receiver/core/ReceptionEngine.h"

namespace quendal {

DropCountLabel::DropCountLabel(ReceptionEngine* engine, QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setVisible(false);
    // A new Start counts afresh, but the last loss stays shown until there is a new one.
    connect(engine, &ReceptionEngine::countersUpdated, this,
            [this, engine] { showDropped(engine->counters().kernelDrops); });
}

void DropCountLabel::showDropped(quint64 dropped)
{
    if (dropped == shown_ || dropped == 0)
        return;
    shown_ = dropped;
    setText(QStringLiteral("dropped by the system: %1").arg(dropped));
    setVisible(true);
}

} // namespace quendal
