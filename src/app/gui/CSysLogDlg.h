#pragma once

#include "app/core/CDebugConsole.h"
#include "app/core/Settings.h"
#include "logs/core/LogCategory.h"
#include "logs/core/LogFileReader.h"
#include "netinfo/core/NetworkInfo.h"
#include "netinfo/core/PortDefinitions.h"
#include "netinfo/core/RouterSearch.h"

#include <QFileDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QTabWidget;
class QTimer;

namespace quendal {

class ActivitySeries;
class CActivityPage;
class CCategoryPage;
class CClearLogDlg;
class CHoverButton;
class CPortSettingsDlg;
class CSystemTray;
class ElidedLabel;
class HiddenAlerts;
class HistorySearchDialog;
class HostList;
class LogList;
class MainActions;
class ReceptionEngine;
class ReceptionView;
class RouterWatch;
class StatusCounters;
class SettingsStore;
class SocketTableSource;
class StatusPanels;
class TrayIconBackend;
class ViewerClient;
class WanStatus;

// What the window is started with; tests and benchmarks choose their own.
struct MainWindowOptions
{
    // Echo every datagram to standard output and the debug log (" -d" on the command line).
    bool debugConsole = false;
    // Where the settings are kept; null for the user's own store.
    SettingsStore* store = nullptr;
    // The address reception binds to, in network order; every interface by default.
    quint32 listenAddress = 0;
    // The notification area; null for the desktop's own. Not owned.
    TrayIconBackend* trayIcon = nullptr;
    // Adapters and leases for the Client page; null for this machine's own.
    std::shared_ptr<AdapterInfoSource> adapterInfo;
    // Where the Client page's router search goes. The program searches the segment; a window
    // built without a target, as the tests build it, searches only loopback's discard port.
    RouterSearchTarget routerSearch = RouterSearchTarget::loopbackDiscard();
    // Portdef.dat as the program loaded it at start; none loaded by default.
    PortDefinitions portDefinitions;
    // Where the TCP and UDP table pages read their tables; null for the machine's own.
    std::shared_ptr<SocketTableSource> socketTables;
};

// The one window: tool strip, host list, the LAN and WAN status panels, the nine tabs (five
// category lists, three pages about the local machine and the activity charts) and the status
// bar with the state and a clock. It owns the receiver and starts and stops it. Enter and Esc do
// nothing here: the window closes only through its close button.
class CSysLogDlg : public QMainWindow
{
    Q_OBJECT

public:
    // Tab indices of the pages; the first five equal the category numbers.
    enum PageIndex
    {
        ClientPage = 5,
        TcpTablePage = 6,
        UdpTablePage = 7,
        ActivityPage = 8,
        PageCount = 9
    };

    explicit CSysLogDlg(const MainWindowOptions& options = {}, QWidget* parent = nullptr);
    ~CSysLogDlg() override;

    // Shows the window and then, as the last step of start-up, the settings dialog of Start; when
    // the dialog's choice to start at once is on, receives with the remembered settings instead,
    // and shows the dialog with the reason only when that fails.
    void startUp();

    // Shows the entries of the service whose viewer socket is `path` instead of receiving here:
    // Start and Stop become Attach and Detach, and when the service goes away the window says so
    // and attaches again once it is back. Reception of its own stays off.
    void attachTo(const QString& path);
    bool isAttachedMode() const { return attachment_ != nullptr; }
    ViewerClient* viewerClient() const;

    // Enables Open and Save exactly on the category tabs.
    void UpdateFileButtons(int pageIndex);
    bool isRunning() const;

    // Empties a list on screen; its automatic log file stays as it is. Returns 1.
    int ClearList(LogList* list);

    // The parts, for the commands that act on them and for tests.
    CHoverButton* openButton() const { return buttons_[OpenButton]; }
    CHoverButton* saveButton() const { return buttons_[SaveButton]; }
    CHoverButton* clearButton() const { return buttons_[ClearButton]; }
    CHoverButton* stopButton() const { return buttons_[StopButton]; }
    CHoverButton* startButton() const { return buttons_[StartButton]; }
    QComboBox* hostBox() const { return hostBox_; }
    QTabWidget* sheet() const { return sheet_; }
    CCategoryPage* categoryPage(LogCategory c) const { return pages_[size_t(categoryIndex(c))]; }
    LogList* list(LogCategory c) const { return lists_[size_t(categoryIndex(c))]; }
    HostList* hosts() const { return hosts_; }
    WanStatus* wanStatus() const { return wan_; }
    ActivitySeries* activity() const { return activity_; }
    // The router the status panels and the Activity tab show.
    RouterWatch* routerWatch() const { return watch_; }
    CActivityPage* activityPage() const { return activityPage_; }
    StatusPanels* statusPanels() const { return panels_; }
    CPortSettingsDlg* settingsDialog() const { return settingsDlg_; }
    ReceptionEngine* reception() const { return reception_; }
    const ReceiverSettings& settings() const { return settings_; }
    QString stateText() const;
    QString clockText() const;
    QAction* aboutAction() const { return aboutAction_; }
    // The About box while it is open.
    QMessageBox* aboutBox() const { return aboutBox_; }
    // The Save or Open dialog while it is open.
    QFileDialog* fileDialog() const { return fileDialog_; }
    HistorySearchDialog* historySearchDialog() const { return historySearchDlg_; }
    CClearLogDlg* clearDialog() const { return clearDlg_; }
    CSystemTray* systemTray() const { return tray_; }
    ElidedLabel* stateLabel() const { return stateLabel_; }
    MainActions* actions() const { return actions_; }
    // Rows, rate, and the losses that other parts report through its setters.
    StatusCounters* counters() const { return counters_; }
    HiddenAlerts* alerts() const { return alerts_; }
    // The context menu's switch for the alerts while hidden.
    QAction* alertsAction() const { return alertsAction_; }

public Q_SLOTS:
    // Shows the settings dialog; an OK starts reception.
    void OnStart();
    void OnStop();
    // Save, Open and Clear act on the active log page; the file dialogs and the Clear dialog
    // are modal to this window only, so entries keep arriving while they are open.
    void OnSaveLog();
    void OnOpenLog();
    void OnClearLog();
    // Opens the search of the log folder's files, rotated ones included.
    void OnSearchHistory();
    void showAbout();
    // Back from the notification area.
    void restoreFromTray();

Q_SIGNALS:
    void runningChanged(bool running);
    // The window has been closed for good: the program ends.
    void closed();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    enum Button
    {
        OpenButton,
        SaveButton,
        ClearButton,
        StopButton,
        StartButton,
        ButtonCount
    };

    // The parts of the window, in the order the constructor builds them.
    QWidget* buildCentral(const MainWindowOptions& options);
    QWidget* buildToolStrip();
    void buildDialogs();
    void buildAlerts(TrayIconBackend* trayIcon);
    // Write failures and forwarding failures of reception, and their recoveries.
    void connectReceptionReports();
    void buildStatusBar();
    void ApplyUiTexts();
    // Starts reception with the settings; the reason when it could not, else an empty text.
    QString startReceiving();
    void setStateText(const QString& text);
    void showLogFileFailure(const QString& path, const QString& reason);
    void OnTimer();
    void OnDestroy();
    void installTrayIcon();
    void updateTrayToolTip();
    void connectCommands();
    void slideToTray();
    // The Save or Open dialog for the page showing; `chosen` gets that page and the file.
    void showLogFileDialog(QFileDialog::AcceptMode mode,
                           const std::function<void(int, const QString&)>& chosen);
    QString fileDialogFolder() const;
    void saveActiveList(int pageIndex, const QString& path);
    void openIntoPage(const QString& path);
    void clearChosenLists();
    // Switches to a category's tab and marks the emergencies of one minute there.
    void showEmergencies(LogCategory category, qint64 minute, bool fromFiles);

    // Attached to a service (CSysLogDlgAttach.cpp).
    struct Attachment;
    void attachAgain();
    void detach();
    void onServiceEnded(const QString& reason);
    Attachment* attachment_ = nullptr; // a child of the window
    ReceptionView* view_ = nullptr;

    ReceiverSettings settings_;
    std::unique_ptr<SettingsStore> ownStore_;
    SettingsStore* store_;
    quint32 listenAddress_;
    CDebugConsole console_;
    HostList* hosts_;
    WanStatus* wan_;
    ActivitySeries* activity_;
    RouterWatch* watch_;
    CActivityPage* activityPage_ = nullptr;
    std::array<LogList*, kCategoryCount> lists_{};
    ReceptionEngine* reception_;

    std::array<CHoverButton*, ButtonCount> buttons_{};
    QComboBox* hostBox_ = nullptr;
    StatusPanels* panels_ = nullptr;
    QTabWidget* sheet_ = nullptr;
    std::array<CCategoryPage*, kCategoryCount> pages_{};
    CPortSettingsDlg* settingsDlg_ = nullptr;
    ElidedLabel* stateLabel_ = nullptr;
    QLabel* clockLabel_ = nullptr;
    QTimer* clockTimer_ = nullptr;
    QAction* aboutAction_ = nullptr;
    QPointer<QMessageBox> aboutBox_;
    std::unique_ptr<TrayIconBackend> ownTrayIcon_;
    CSystemTray* tray_ = nullptr;
    MainActions* actions_ = nullptr;
    StatusCounters* counters_ = nullptr;
    HiddenAlerts* alerts_ = nullptr;
    QAction* alertsAction_ = nullptr;
    CClearLogDlg* clearDlg_ = nullptr;
    QPointer<QFileDialog> fileDialog_;
    HistorySearchDialog* historySearchDlg_ = nullptr;
    QString lastFileFolder_;
    LogFileReader reader_;
    bool showingFileFailure_ = false;
    bool destroyed_ = false;
};

} // namespace quendal
