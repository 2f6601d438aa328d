#include "app/gui/CSystemTray.h"

#include "app/gui/TrayIconBackend.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QStyleHints>
#include <QTimer>

namespace quendal {
namespace {

struct MenuEntry
{
    CSystemTray::Command command;
    const char* text;
};

// The popup in its order, with the texts it has until the UI texts are applied.
constexpr MenuEntry kMenuEntries[] = {
    {CSystemTray::StartCommand, "Start"}, {CSystemTray::StopCommand, "Stop"},
    {CSystemTray::ClearCommand, "Clear"}, {CSystemTray::SaveCommand, "Save"},
    {CSystemTray::OpenCommand, "Open"},
};

} // namespace

CSystemTray::CSystemTray(TrayIconBackend* backend, QObject* parent)
    : QObject(parent), backend_(backend), menu_(std::make_unique<QMenu>())
{
    actions_[ShowCommand] = menu_->addAction(QStringLiteral("Show window"));
    connect(actions_[ShowCommand], &QAction::triggered, this, &CSystemTray::restoreRequested);
    menu_->addSeparator();
    for (const MenuEntry& entry : kMenuEntries)
        actions_[entry.command] = menu_->addAction(QString::fromLatin1(entry.text));
    menu_->addSeparator();
    actions_[ExitCommand] = menu_->addAction(QStringLiteral("E&xit"));
    connect(backend_, &TrayIconBackend::activated, this, &CSystemTray::HandleNotification);
    connect(backend_, &TrayIconBackend::messageClicked, this, &CSystemTray::messageClicked);
    // No desktop announces that its notification area went away (a panel restarted or
    // crashed): while the icon is the window's only way back, look every so often.
    areaWatch_ = new QTimer(this);
    areaWatch_->setInterval(kAreaWatchPeriod);
    connect(areaWatch_, &QTimer::timeout, this, [this] {
        if (isAvailable())
            return;
        areaWatch_->stop();
        Q_EMIT areaLost();
    });
}

void CSystemTray::setAreaWatchPeriod(std::chrono::milliseconds period)
{
    areaWatch_->setInterval(period);
}

CSystemTray::~CSystemTray()
{
    backend_->setContextMenu(nullptr);
    backend_->setVisible(false);
}

bool CSystemTray::Install(const QString& toolTip, const QString& imageResource, bool startHidden)
{
    backend_->setToolTip(toolTip);
    backend_->setContextMenu(menu_.get());
    ChangeImageFromResource(imageResource);
    if (!isAvailable())
        return false;
    if (!startHidden)
        Reveal();
    return true;
}

bool CSystemTray::isAvailable() const
{
    return backend_->isAvailable();
}

bool CSystemTray::Conceal()
{
    areaWatch_->stop();
    backend_->setVisible(false);
    return true;
}

bool CSystemTray::Reveal()
{
    // A panel may have appeared since start-up; without one, showing would leave the window
    // unreachable, so the icon stays hidden.
    if (!isAvailable())
        return false;
    backend_->setVisible(true);
    areaWatch_->start();
    return true;
}

void CSystemTray::SetToolTip(const QString& toolTip)
{
    backend_->setToolTip(toolTip);
}

void CSystemTray::ChangeImageFromResource(const QString& imageResource)
{
    backend_->setIcon(QIcon(imageResource));
}

void CSystemTray::SetItemText(Command command, const QString& text)
{
    if (QAction* item = action(command))
        item->setText(text);
}

void CSystemTray::SetItemState(Command command, ItemState state)
{
    if (QAction* item = action(command))
        item->setEnabled(state == ItemEnabled);
}

void CSystemTray::useAction(Command command, QAction* shared)
{
    QAction* own = action(command);
    if (!own || !shared || own == shared)
        return;
    menu_->insertAction(own, shared);
    menu_->removeAction(own);
    actions_[command] = shared;
    if (own->parent() == menu_.get())
        delete own;
}

QAction* CSystemTray::action(Command command) const
{
    const auto found = actions_.find(command);
    return found == actions_.end() ? nullptr : found->second;
}

void CSystemTray::HandleNotification(QSystemTrayIcon::ActivationReason reason)
{
    // The right button's popup is the platform's; a single click does nothing. Notification
    // areas that speak the StatusNotifierItem protocol report every click as a single one, so
    // two of them within the desktop's double-click time count as the double click.
    if (reason == QSystemTrayIcon::Trigger) {
        const bool second =
            lastClick_.isValid() &&
            lastClick_.elapsed() <= QGuiApplication::styleHints()->mouseDoubleClickInterval();
        if (!second) {
            lastClick_.start();
            return;
        }
    } else if (reason != QSystemTrayIcon::DoubleClick) {
        return;
    }
    lastClick_.invalidate();
    Q_EMIT restoreRequested();
}

} // namespace quendal
