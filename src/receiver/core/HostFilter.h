#pragma once

#include <QSet>
#include <QString>

#include <optional>

namespace quendal {

// The sender filter as the receiver thread sees it: the one sender accepted (none chosen: every
// sender) and every sender recorded since Start. The window's HostList shows the same senders;
// this copy lets the filter run without touching the window's model.
class HostFilter
{
public:
    // One sender's address, or nullopt (or an empty text) for every sender.
    void select(const std::optional<QString>& sender);
    bool acceptsEverySender() const { return !selected_; }
    bool accepts(const QString& sender) const { return !selected_ || *selected_ == sender; }

    // Records a sender; true when it was not known yet.
    bool record(const QString& sender);
    // Forgets every sender, as Stop empties the host list.
    void forgetSenders();

private:
    std::optional<QString> selected_;
    QSet<QString> known_;
};

} // namespace quendal
