#pragma once

#include <QSet>
#include <QString>

namespace quendal {

// The sender filter as the receiver thread sees it: the text of the host list's selected entry
// and every sender recorded since Start. The window's HostList shows the same senders; this
// copy lets the filter run without touching the window's model.
class HostFilter
{
public:
    explicit HostFilter(const QString& anyText);

    // The selected entry's text; the "Any" text (or an empty one) accepts every sender.
    void select(const QString& text);
    const QString& selectedText() const { return selected_; }
    bool acceptsEverySender() const { return selected_ == any_; }
    bool accepts(const QString& sender) const
    {
        return acceptsEverySender() || selected_ == sender;
    }

    // Records a sender; true when it was not known yet.
    bool record(const QString& sender);
    // Forgets every sender, as Stop empties the host list.
    void forgetSenders();

private:
    QString any_;
    QString selected_;
    QSet<QString> known_;
};

} // namespace quendal
