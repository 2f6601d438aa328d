#pragma once

#include "app/gui/TrayIconBackend.h"

#include <QIcon>
#include <QMenu>
#include <QPointer>

namespace quendal::test {

// A notification area that is there (or not) on request and shows nothing; it keeps what the
// window gave it so that tests can look.
class FakeTrayIcon final : public TrayIconBackend
{
public:
    bool available = true;
    bool visible = false;
    QIcon icon;
    QString toolTip;
    QPointer<QMenu> menu;
    mutable int looks = 0; // how often the window asked whether the area is there

    bool isAvailable() const override
    {
        ++looks;
        return available;
    }
    void setIcon(const QIcon& i) override { icon = i; }
    void setToolTip(const QString& text) override { toolTip = text; }
    void setContextMenu(QMenu* m) override { menu = m; }
    void setVisible(bool v) override { visible = v; }
    bool isVisible() const override { return visible; }
    void showMessage(const QString& title, const QString& text) override
    {
        messages.append({title, text});
    }
    QList<std::pair<QString, QString>> messages;

    // The desktop reporting a click on the icon.
    void click(QSystemTrayIcon::ActivationReason reason) { Q_EMIT activated(reason); }
};

} // namespace quendal::test
