#include "app/gui/TrayIconBackend.h"

namespace quendal {

SystemTrayIconBackend::SystemTrayIconBackend(QObject* parent)
    : TrayIconBackend(parent), icon_(new QSystemTrayIcon(this))
{
    connect(icon_, &QSystemTrayIcon::activated, this, &TrayIconBackend::activated);
    connect(icon_, &QSystemTrayIcon::messageClicked, this, &TrayIconBackend::messageClicked);
}

bool SystemTrayIconBackend::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemTrayIconBackend::setIcon(const QIcon& icon)
{
    icon_->setIcon(icon);
}

void SystemTrayIconBackend::setToolTip(const QString& text)
{
    icon_->setToolTip(text);
}

void SystemTrayIconBackend::setContextMenu(QMenu* menu)
{
    icon_->setContextMenu(menu);
}

void SystemTrayIconBackend::setVisible(bool visible)
{
    icon_->setVisible(visible);
}

bool SystemTrayIconBackend::isVisible() const
{
    return icon_->isVisible();
}

void SystemTrayIconBackend::showMessage(const QString& title, const QString& text)
{
    icon_->showMessage(title, text, QSystemTrayIcon::Critical);
}

} // namespace quendal
