#pragma once

#include <QObject>
#include <QSystemTrayIcon>

#include <memory>

class QIcon;
class QMenu;

namespace quendal {

// The desktop's notification area as the window's icon sees it. The system implementation sits
// on QSystemTrayIcon; tests stand in for a desktop that has no notification area to offer.
class TrayIconBackend : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Whether a notification area is there right now; a panel may come and go while we run.
    virtual bool isAvailable() const = 0;
    virtual void setIcon(const QIcon& icon) = 0;
    virtual void setToolTip(const QString& text) = 0;
    // The popup the right button opens over the icon.
    virtual void setContextMenu(QMenu* menu) = 0;
    virtual void setVisible(bool visible) = 0;
    virtual bool isVisible() const = 0;
    // A message beside the icon, for what must not wait until the window is back.
    virtual void showMessage(const QString& title, const QString& text) = 0;

Q_SIGNALS:
    void activated(QSystemTrayIcon::ActivationReason reason);
    // The message shown last was clicked.
    void messageClicked();
};

// The desktop's own notification area.
class SystemTrayIconBackend final : public TrayIconBackend
{
    Q_OBJECT
public:
    explicit SystemTrayIconBackend(QObject* parent = nullptr);

    bool isAvailable() const override;
    void setIcon(const QIcon& icon) override;
    void setToolTip(const QString& text) override;
    void setContextMenu(QMenu* menu) override;
    void setVisible(bool visible) override;
    bool isVisible() const override;
    void showMessage(const QString& title, const QString& text) override;

private:
    QSystemTrayIcon* icon_;
};

} // namespace quendal
