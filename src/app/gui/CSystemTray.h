#pragma once

#include <QElapsedTimer>
#include <QIcon>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

#include <chrono>
#include <map>
#include <memory>

class QAction;
class QMenu;
class QTimer;

namespace quendal {

class TrayIconBackend;

// The window's icon in the notification area: hidden while the window is on screen, shown while
// the window is tucked away. Its popup offers to show the window and the window's commands; a
// double click brings the window back, and so does a click on a message the icon showed. The image
// tells whether reception is running, also while the icon is hidden, so that it is right whenever
// it appears.
class CSystemTray : public QObject
{
    Q_OBJECT

public:
    // The popup's entries, by their command numbers.
    enum Command
    {
        OpenCommand = 0x800B,
        SaveCommand = 0x800C,
        ClearCommand = 0x800F,
        StopCommand = 0x8010,
        StartCommand = 0x8011,
        ShowCommand = 0x8064,
        ExitCommand = 0xE141
    };

    enum ItemState
    {
        ItemEnabled = 0,
        ItemGrayed = 3
    };

    // `backend` is not owned; it must outlive the tray.
    explicit CSystemTray(TrayIconBackend* backend, QObject* parent = nullptr);
    ~CSystemTray() override;

    // Gives the icon its tooltip, image and popup. Hidden from the start, or shown when the
    // notification area has room for it now. False when there is no notification area, in which
    // case the popup is still kept up to date but never shown.
    bool Install(const QString& toolTip, const QString& imageResource, bool startHidden);

    // Whether the desktop offers a notification area at this moment.
    bool isAvailable() const;

    // Hides the icon; true when it is hidden afterwards.
    bool Conceal();
    // Shows the icon; true when it is shown afterwards, false without a notification area.
    bool Reveal();

    // How often a shown icon checks that its notification area is still there.
    static constexpr std::chrono::milliseconds kAreaWatchPeriod{1000};
    void setAreaWatchPeriod(std::chrono::milliseconds period);

    // A new tooltip for the icon.
    void SetToolTip(const QString& toolTip);

    // Switches the image, shown or hidden alike.
    void ChangeImageFromResource(const QString& imageResource);

    void SetItemText(Command command, const QString& text);
    void SetItemState(Command command, ItemState state);

    // The popup offers `shared` for the command from now on, in the same place: the window's
    // own action, so that its enabled state is decided in one place. Not owned.
    void useAction(Command command, QAction* shared);

    QMenu* menu() const { return menu_.get(); }
    QAction* action(Command command) const;

    // What a notification from the icon does: a double click asks for the window.
    void HandleNotification(QSystemTrayIcon::ActivationReason reason);

Q_SIGNALS:
    void restoreRequested();
    // The user clicked the message the icon showed last.
    void messageClicked();
    // The notification area went away while the icon was shown in it.
    void areaLost();

private:
    TrayIconBackend* backend_;
    std::unique_ptr<QMenu> menu_;
    std::map<int, QAction*> actions_;
    QElapsedTimer lastClick_;
    QTimer* areaWatch_ = nullptr;
};

} // namespace quendal
