#include "app/gui/CSysLogDlg.h"

#include "activity/core/ActivitySeries.h"
#include "activity/core/LogTime.h"
#include "activity/gui/CActivityPage.h"
#include "activity/gui/RouterWatch.h"
#include "app/core/ForwardStore.h"
#include "app/core/SettingsStore.h"
#include "app/gui/AccessibleNames.h"
#include "app/gui/CClearLogDlg.h"
#include "app/gui/CPortSettingsDlg.h"
#include "app/gui/CSystemTray.h"
#include "app/gui/ElidedLabel.h"
#include "app/gui/HiddenAlerts.h"
#include "app/gui/LogFileDialog.h"
#include "app/gui/MainActions.h"
#include "app/gui/StatusCounters.h"
#include "app/gui/StatusPanels.h"
#include "app/gui/TrayIconBackend.h"
#include "app/gui/WindowState.h"
#include "common/core/DisplayText.h"
#include "common/core/SocketAddress.h"
#include "common/core/UdpSocket.h"
#include "common/core/UiText.h"
#include "controls/gui/CHoverButton.h"
#include "forward/gui/ForwardStatusLabel.h"
#include "logs/core/LogFileWriter.h"
#include "logs/core/LogList.h"
#include "logs/gui/CCategoryPage.h"
#include "logs/gui/FindBar.h"
#include "netinfo/core/CIpHelper.h"
#include "netinfo/core/LinuxAdapterInfo.h"
#include "netinfo/core/ProcSocketTables.h"
#include "netinfo/gui/NetworkPages.h"
#include "receiver/core/HostList.h"
#include "receiver/core/ReceptionEngine.h"
#include "receiver/core/ReceptionView.h"
#include "receiver/core/WanStatus.h"
#include "viewer/core/ViewerClient.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSet>
#include <QStatusBar>
#include <QTabWidget>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

namespace quendal {
namespace {

constexpr int kClockPeriodMs = 250;
constexpr int kClockPartWidth = 60;

const QString kNormalImage = QStringLiteral(":/icons/quendal-syslog.svg");
const QString kRunningImage = QStringLiteral(":/icons/quendal-syslog-running.svg");

// UI texts of the tab labels, in tab order.
constexpr std::array<UiTextId, CSysLogDlg::PageCount> kTabTexts = {
    UiTextId::FireWallLog, UiTextId::VpnLog,      UiTextId::UserAccessLog,
    UiTextId::CallLog,     UiTextId::WanLog,      UiTextId::ClientTab,
    UiTextId::TcpTableTab, UiTextId::UdpTableTab, UiTextId::ActivityTab};

QString timeOfDay()
{
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}

void reportOnStandardError(const QString& text)
{
    std::fprintf(stderr, "quendal-syslog: %s\n", qPrintable(text));
    std::fflush(stderr);
}

} // namespace

CSysLogDlg::CSysLogDlg(const MainWindowOptions& options, QWidget* parent)
    : QMainWindow(parent), ownStore_(options.store ? nullptr : std::make_unique<SettingsStore>()),
      store_(options.store ? options.store : ownStore_.get()),
      listenAddress_(options.listenAddress),
      hosts_(new HostList(GetUiText(UiTextId::AnyHost), this)), wan_(new WanStatus(this)),
      activity_(new ActivitySeries(this)), watch_(new RouterWatch(activity_, hosts_, this)),
      reception_(new ReceptionEngine(&console_, this)),
      ownTrayIcon_(options.trayIcon ? nullptr : std::make_unique<SystemTrayIconBackend>())
{
    if (options.debugConsole)
        console_.Open();

    // The lists are bounded from the start, so that an Open before the first Start keeps to it.
    settings_.MaxRowsPerList = store_->maxRowsPerList().value_or(settings_.MaxRowsPerList);
    for (auto& list : lists_) {
        list = new LogList(this);
        list->setMaxRows(settings_.MaxRowsPerList);
    }

    // Entries reach the lists in batches from the receiver thread.
    view_ = new ReceptionView(reception_, hosts_, lists_, wan_, this);
    view_->setActivity(activity_);

    setWindowIcon(QIcon(kNormalImage));
    setCentralWidget(buildCentral(options));
    buildDialogs();
    TrayIconBackend* trayIcon = options.trayIcon ? options.trayIcon : ownTrayIcon_.get();
    tray_ = new CSystemTray(trayIcon, this);
    actions_ = new MainActions(this);
    buildAlerts(trayIcon);

    aboutAction_ = new QAction(BuiltinUiText(UiTextId::AboutMenu), this);
    connect(aboutAction_, &QAction::triggered, this, &CSysLogDlg::showAbout);

    buildStatusBar();
    ApplyUiTexts();
    installTrayIcon();

    connectCommands();
    actions_->setRunning(false);
    UpdateFileButtons(sheet_->currentIndex());

    // The host list is the sender filter: its selection is the model's.
    connect(hostBox_, &QComboBox::currentIndexChanged, hosts_, &HostList::setSelectedRow);
    connect(hosts_, &HostList::selectedRowChanged, hostBox_, &QComboBox::setCurrentIndex);
    hostBox_->setCurrentIndex(0);

    connectReceptionReports();

    resize(1040, 720);
    WindowState::restore(*this, *store_);
    connect(alertsAction_, &QAction::toggled, this,
            [this](bool on) { WindowState::saveAlertChoice(*store_, on); });
}

QWidget* CSysLogDlg::buildCentral(const MainWindowOptions& options)
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    // Top: tool strip and host list on the left, above the LAN panel; the WAN panel beside them.
    auto* top = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* controls = new QHBoxLayout;
    controls->addWidget(buildToolStrip());
    hostBox_ = new QComboBox(central);
    hostBox_->setModel(hosts_);
    hostBox_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    hostBox_->setMinimumContentsLength(15);
    controls->addWidget(hostBox_, 1, Qt::AlignVCenter);
    left->addLayout(controls);
    panels_ = new StatusPanels(watch_, central);
    left->addWidget(panels_->lanFrame());
    top->addLayout(left, 4);
    top->addWidget(panels_->wanFrame(), 5);
    layout->addLayout(top);

    auto* separator = new QFrame(central);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    layout->addWidget(separator);

    sheet_ = new QTabWidget(central);
    sheet_->setUsesScrollButtons(true);
    pages_[0] = new CFireWallPage(lists_[0], sheet_);
    pages_[1] = new CVPNPage(lists_[1], sheet_);
    pages_[2] = new CUserAccessPage(lists_[2], sheet_);
    pages_[3] = new CCallLogPage(lists_[3], sheet_);
    pages_[4] = new CWanLogPage(lists_[4], sheet_);
    for (CCategoryPage* page : pages_)
        sheet_->addTab(page, QString());
    const auto adapters = options.adapterInfo ? options.adapterInfo : systemAdapterInfo();
    const auto tables = options.socketTables ? options.socketTables : systemSocketTables();
    sheet_->addTab(
        new CClientControlPage(CIpHelper(adapters, nullptr), options.routerSearch, sheet_),
        QString());
    sheet_->addTab(new CTcpTablePage(CIpHelper(nullptr, tables), options.portDefinitions, sheet_),
                   QString());
    sheet_->addTab(new CUdpTablePage(CIpHelper(nullptr, tables), options.portDefinitions, sheet_),
                   QString());
    activityPage_ = new CActivityPage(activity_, watch_, sheet_);
    sheet_->addTab(activityPage_, QString());
    connect(activityPage_, &CActivityPage::emergenciesRequested, this,
            [this](LogCategory c, qint64 minute, CActivityPage::Source source) {
                showEmergencies(c, minute, source == CActivityPage::FilesRead);
            });
    layout->addWidget(sheet_, 1);
    return central;
}

void CSysLogDlg::buildDialogs()
{
    settingsDlg_ = new CPortSettingsDlg(settings_, *store_, this);
    connect(settingsDlg_, &QDialog::accepted, this, [this] {
        for (LogList* list : lists_)
            list->setMaxRows(settings_.MaxRowsPerList);
    });
    connect(settingsDlg_, &QDialog::accepted, this, &CSysLogDlg::startReceiving);
    clearDlg_ = new CClearLogDlg(this);
    connect(clearDlg_, &QDialog::accepted, this, &CSysLogDlg::clearChosenLists);
}

void CSysLogDlg::buildAlerts(TrayIconBackend* trayIcon)
{
    alerts_ = new HiddenAlerts(
        trayIcon, [this] { return !isVisible(); }, this);
    for (LogCategory c : kAllCategories)
        alerts_->watch(c, list(c), GetUiText(categoryTitle(c)));
    alertsAction_ = new QAction(GetUiText(UiTextId::AlertsWhileHidden), this);
    alertsAction_->setCheckable(true);
    alertsAction_->setChecked(true);
    connect(alertsAction_, &QAction::toggled, alerts_, &HiddenAlerts::setEnabled);
}

void CSysLogDlg::connectReceptionReports()
{
    connect(reception_, &ReceptionEngine::fileWriteFailed, this,
            [this](LogCategory, const QString& path, const QString& reason) {
                showLogFileFailure(path, reason);
            });
    // Failed forwards are shown once, on stderr and in the status bar, until sending works again.
    const auto replayTarget = [this] {
        return addressWithPort(settings_.ReplayAddress, quint16(settings_.ReplayPort));
    };
    connect(reception_, &ReceptionEngine::forwardingFailed, this,
            [this, replayTarget](const QString& reason) {
                const QString text = GetUiText(UiTextId::CannotForward).arg(replayTarget(), reason);
                reportOnStandardError(text);
                statusBar()->showMessage(text);
            });
    connect(reception_, &ReceptionEngine::forwardingRecovered, this, [this, replayTarget] {
        reportOnStandardError(QStringLiteral("forwarding to %1 works again").arg(replayTarget()));
        statusBar()->clearMessage();
    });
    connect(reception_, &ReceptionEngine::fileWriteRecovered, this, [this] {
        if (showingFileFailure_ && isRunning())
            setStateText(GetUiText(UiTextId::Running));
        showingFileFailure_ = false;
    });
}

CSysLogDlg::~CSysLogDlg()
{
    OnDestroy();
    // The icon goes before the notification area it sits in.
    delete tray_;
    tray_ = nullptr;
}

void CSysLogDlg::installTrayIcon()
{
    // The tooltip is the program's own name, whatever the UI text file says.
    tray_->Install(BuiltinUiText(UiTextId::ProgramName), kNormalImage, true);
    tray_->SetItemText(CSystemTray::OpenCommand, GetUiText(UiTextId::Open));
    tray_->SetItemText(CSystemTray::SaveCommand, GetUiText(UiTextId::Save));
    tray_->SetItemText(CSystemTray::ClearCommand, GetUiText(UiTextId::Clear));
    tray_->SetItemText(CSystemTray::StartCommand, GetUiText(UiTextId::Start));
    tray_->SetItemText(CSystemTray::StopCommand, GetUiText(UiTextId::Stop));
    tray_->SetItemText(CSystemTray::ExitCommand, GetUiText(UiTextId::Exit));
    tray_->SetItemText(CSystemTray::ShowCommand, GetUiText(UiTextId::ShowWindow));
    tray_->SetItemState(CSystemTray::StartCommand, CSystemTray::ItemEnabled);
    tray_->SetItemState(CSystemTray::StopCommand, CSystemTray::ItemGrayed);
    tray_->Conceal();
    connect(tray_, &CSystemTray::restoreRequested, this, &CSysLogDlg::restoreFromTray);
    // A click on an emergency's message leads to its tab.
    connect(tray_, &CSystemTray::messageClicked, this, [this] {
        restoreFromTray();
        if (const int tab = alerts_->lastShownTab(); tab >= 0)
            sheet_->setCurrentIndex(tab);
    });
    // The icon's tooltip tells whether reception runs, and the rate the status bar shows.
    connect(counters_, &StatusCounters::refreshed, this, &CSysLogDlg::updateTrayToolTip);
    connect(this, &CSysLogDlg::runningChanged, this, &CSysLogDlg::updateTrayToolTip);
    updateTrayToolTip();
    // Without its notification area the hidden window would be out of reach.
    connect(tray_, &CSystemTray::areaLost, this, &CSysLogDlg::restoreFromTray);
}

// Tool buttons, popup entries and shortcuts are one action per command.
void CSysLogDlg::connectCommands()
{
    const auto bind = [this](CHoverButton* button, CSystemTray::Command command, QAction* action,
                             void (CSysLogDlg::*handler)()) {
        MainActions::bindButton(button, action);
        tray_->useAction(command, action);
        connect(action, &QAction::triggered, this, handler);
    };
    bind(openButton(), CSystemTray::OpenCommand, actions_->open(), &CSysLogDlg::OnOpenLog);
    bind(saveButton(), CSystemTray::SaveCommand, actions_->save(), &CSysLogDlg::OnSaveLog);
    bind(clearButton(), CSystemTray::ClearCommand, actions_->clear(), &CSysLogDlg::OnClearLog);
    bind(stopButton(), CSystemTray::StopCommand, actions_->stop(), &CSysLogDlg::OnStop);
    bind(startButton(), CSystemTray::StartCommand, actions_->start(), &CSysLogDlg::OnStart);
    tray_->useAction(CSystemTray::ExitCommand, actions_->exit());
    connect(actions_->exit(), &QAction::triggered, this, &QWidget::close);
    connect(actions_, &MainActions::tabRequested, sheet_, &QTabWidget::setCurrentIndex);
    connect(actions_->find(), &QAction::triggered, this, [this] {
        const int page = sheet_->currentIndex();
        if (page >= 0 && page < kCategoryCount)
            pages_[size_t(page)]->findBar()->open();
    });
    connect(sheet_, &QTabWidget::currentChanged, this, &CSysLogDlg::UpdateFileButtons);
    connect(actions_->searchHistory(), &QAction::triggered, this, &CSysLogDlg::OnSearchHistory);
}

QWidget* CSysLogDlg::buildToolStrip()
{
    auto* frame = new QGroupBox(this);
    auto* row = new QHBoxLayout(frame);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(1);
    const std::array<const char*, ButtonCount> icons = {":/icons/open.svg", ":/icons/save.svg",
                                                        ":/icons/clear.svg", ":/icons/stop.svg",
                                                        ":/icons/start.svg"};
    for (int i = 0; i < ButtonCount; ++i) {
        auto* button = new CHoverButton(frame);
        button->LoadIcons(QString::fromLatin1(icons[size_t(i)]));
        buttons_[size_t(i)] = button;
        row->addWidget(button);
    }
    return frame;
}

void CSysLogDlg::buildStatusBar()
{
    stateLabel_ = new ElidedLabel(this);
    clockLabel_ = new QLabel(timeOfDay(), this);
    clockLabel_->setMinimumWidth(
        std::max(kClockPartWidth,
                 clockLabel_->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 8));
    statusBar()->addWidget(stateLabel_, 1);
    counters_ = new StatusCounters(this);
    // Arrivals as reception counts them: a file read back is no arrival.
    counters_->follow(activity_);
    counters_->follow(reception_);
    statusBar()->addPermanentWidget(new ForwardStatusLabel(reception_->forwarder(), this));
    statusBar()->addPermanentWidget(counters_);
    statusBar()->addPermanentWidget(clockLabel_);
    statusBar()->setSizeGripEnabled(true);

    clockTimer_ = new QTimer(this);
    clockTimer_->setInterval(kClockPeriodMs);
    connect(clockTimer_, &QTimer::timeout, this, &CSysLogDlg::OnTimer);
    clockTimer_->start();
    setStateText(GetUiText(UiTextId::Ready));
}

void CSysLogDlg::ApplyUiTexts()
{
    setWindowTitle(GetUiText(UiTextId::ProgramName));
    panels_->applyUiTexts();
    for (int i = 0; i < PageCount; ++i)
        sheet_->setTabText(i, GetUiText(kTabTexts[size_t(i)]));
    for (CCategoryPage* page : pages_)
        page->OnInitDialog();
    actions_->applyUiTexts();
    nameControls(*this);
}

void CSysLogDlg::startUp()
{
    show();
    QString problem;
    const AutoStart autoStart = prepareAutoStart(settings_, *store_, &problem);
    if (autoStart == AutoStart::Ready) {
        problem = startReceiving();
        if (problem.isEmpty())
            return;
    }
    OnStart();
    settingsDlg_->showProblem(problem);
}

void CSysLogDlg::UpdateFileButtons(int pageIndex)
{
    const bool logPage = pageIndex >= 0 && pageIndex < kCategoryCount;
    actions_->setLogPageShown(logPage);
    counters_->setCurrentList(logPage ? lists_[size_t(pageIndex)] : nullptr);
}

bool CSysLogDlg::isRunning() const
{
    if (attachment_)
        return viewerClient()->isConnected();
    return reception_->isRunning();
}

QString CSysLogDlg::stateText() const
{
    return stateLabel_->text();
}

QString CSysLogDlg::clockText() const
{
    return clockLabel_->text();
}

void CSysLogDlg::OnStart()
{
    if (attachment_) {
        attachAgain();
        return;
    }
    if (isRunning() || settingsDlg_->isVisible())
        return;
    settingsDlg_->prepare();
    // Modal to this window only; reception of a later Start and the clock go on meanwhile.
    settingsDlg_->open();
}

QString CSysLogDlg::startReceiving()
{
    ReceptionSettings reception;
    reception.port = quint16(settings_.SyslogPort);
    reception.address = listenAddress_;
    reception.folder = settings_.LogPath;
    reception.selectedHost = hosts_->selectedSender();
    // Checked by the settings dialog already.
    reception.allow =
        parseAddressPrefixes(settings_.AllowedSenders).value_or(std::vector<AddressPrefix>{});
    if (settings_.ReplayEnabled)
        reception.replay = ReplayTarget{settings_.ReplayAddress, quint16(settings_.ReplayPort)};
    // Forwarding as the settings dialog stored it (and checked it there).
    QString forwardProblem;
    reception.forward =
        forwardSettingsFor(readStoredForwarding(*store_), reception.folder, &forwardProblem)
            .value_or(ForwardSettings{});
    if (!forwardProblem.isEmpty())
        reportOnStandardError(forwardProblem);
    if (settings_.TcpPort > 0)
        reception.tcpPort = quint16(settings_.TcpPort);
    if (settings_.TlsPort > 0) {
        reception.tlsPort = quint16(settings_.TlsPort);
        reception.tlsCertificate = settings_.TlsCertificate;
        reception.tlsKey = settings_.TlsKey;
    }
    QString error;
    QString replayError;
    const auto port = reception.port;
    if (!reception_->start(reception, &error, &replayError)) {
        QString text = GetUiText(UiTextId::CannotReceive).arg(port).arg(error);
        if (const QString hint = bindPrivilegeHint(port); !hint.isEmpty())
            text += QStringLiteral(" (%1)").arg(hint);
        reportOnStandardError(text);
        setStateText(text);
        return text;
    }
    if (!replayError.isEmpty())
        reportOnStandardError(
            QStringLiteral("cannot forward to %1: %2")
                .arg(addressWithPort(settings_.ReplayAddress, quint16(settings_.ReplayPort)),
                     replayError));
    tray_->ChangeImageFromResource(kRunningImage);
    statusBar()->clearMessage();
    actions_->setRunning(true);
    UpdateFileButtons(sheet_->currentIndex());
    setStateText(GetUiText(UiTextId::Running));
    Q_EMIT runningChanged(true);
    return {};
}

void CSysLogDlg::updateTrayToolTip()
{
    QString text = BuiltinUiText(UiTextId::ProgramName) + QLatin1Char('\n');
    if (attachment_) {
        text += stateText(); // the service attached to, or that it went away
    } else if (isRunning()) {
        const double rate = counters_->rate();
        text += GetUiText(UiTextId::TrayReceiving).arg(reception_->localPort()) +
                QLatin1Char('\n') +
                GetUiText(UiTextId::EntriesPerSecond)
                    .arg(QLocale().toString(rate, 'f', rate < 10 ? 1 : 0));
    } else {
        text += GetUiText(UiTextId::TrayStopped);
    }
    tray_->SetToolTip(text);
}

void CSysLogDlg::OnStop()
{
    if (attachment_) {
        detach();
        return;
    }
    tray_->ChangeImageFromResource(kNormalImage);
    // A report of the run that ended (a failed forward) does not outlive it.
    statusBar()->clearMessage();
    setStateText(GetUiText(UiTextId::Ready));
    actions_->setRunning(false);
    UpdateFileButtons(sheet_->currentIndex());
    // What came in before Stop is shown first; then the senders are forgotten.
    reception_->stop();
    hosts_->resetToFirst();
    hostBox_->setCurrentIndex(0);
    Q_EMIT runningChanged(false);
}

void CSysLogDlg::setStateText(const QString& text)
{
    stateLabel_->setText(text);
    showingFileFailure_ = false;
}

void CSysLogDlg::showLogFileFailure(const QString& path, const QString& reason)
{
    setStateText(GetUiText(UiTextId::CannotWriteLogFile).arg(path, reason));
    showingFileFailure_ = true;
}

void CSysLogDlg::OnTimer()
{
    clockLabel_->setText(timeOfDay());
}

void CSysLogDlg::showAbout()
{
    if (aboutBox_) {
        aboutBox_->raise();
        return;
    }
    auto* box = new QMessageBox(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(QStringLiteral("About QuenDalSysLog"));
    box->setText(QStringLiteral("QuenDalSysLog Version 1.0"));
    box->setTextFormat(Qt::PlainText);
    box->setIconPixmap(windowIcon().pixmap(48, 48));
    box->setStandardButtons(QMessageBox::Ok);
    aboutBox_ = box;
    box->open();
}

void CSysLogDlg::contextMenuEvent(QContextMenuEvent* event)
{
    // Desktops offer no way into a window's system menu, so the About entry lives here.
    QMenu menu(this);
    menu.addAction(actions_->searchHistory());
    menu.addAction(alertsAction_);
    menu.addAction(aboutAction_);
    menu.exec(event->globalPos());
}

void CSysLogDlg::closeEvent(QCloseEvent* event)
{
    WindowState::save(*this, *store_);
    OnDestroy();
    QMainWindow::closeEvent(event);
    Q_EMIT closed();
}

void CSysLogDlg::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Hiding from inside the state change confuses some window managers: it waits a turn.
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        QTimer::singleShot(0, this, &CSysLogDlg::slideToTray);
}

void CSysLogDlg::slideToTray()
{
    // Without a notification area the window stays minimised where the desktop can restore it.
    if (!isMinimized() || !isVisible() || !tray_->isAvailable())
        return;
    hide();
    tray_->Reveal();
}

void CSysLogDlg::restoreFromTray()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    tray_->Conceal();
}

void CSysLogDlg::showEmergencies(LogCategory category, qint64 minute, bool fromFiles)
{
    // The rows of those emergencies: for a file read back the red rows whose Time lies in that
    // minute, else the rows of the entries kept from the chart, each kept entry taken once.
    constexpr qsizetype kMostShown = 50;
    const LogRows& rows = list(category)->rows();
    std::vector<qsizetype> found;
    if (fromFiles) {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        for (qsizetype row = 0; row < rows.size() && qsizetype(found.size()) < kMostShown; ++row) {
            const LogEntryView e = rows.at(row);
            if (!e.isEmergency())
                continue;
            if (const auto at = readLogTime(e.time, now); at && minuteOf(*at) == minute)
                found.push_back(row);
        }
    } else {
        std::vector<const LogEntry*> kept;
        for (const EmergencySample* e : activity_->emergenciesIn(minute))
            if (e->category == category)
                kept.push_back(&e->entry);
        for (qsizetype row = 0; row < rows.size() && !kept.empty(); ++row) {
            const LogEntryView e = rows.at(row);
            if (!e.isEmergency())
                continue;
            const auto same = std::find_if(kept.begin(), kept.end(), [&](const LogEntry* k) {
                return k->time == e.time && k->host == e.host && k->message == e.message;
            });
            if (same == kept.end())
                continue;
            kept.erase(same);
            if (qsizetype(found.size()) < kMostShown)
                found.push_back(row);
        }
    }
    sheet_->setCurrentIndex(categoryIndex(category));
    if (found.empty()) {
        const QString when =
            QDateTime::fromMSecsSinceEpoch(minute * 60000).toString(QStringLiteral("HH:mm"));
        statusBar()->showMessage(GetUiText(UiTextId::EmergenciesGone).arg(when), 10000);
        return;
    }

    // The find bar marks them by what tells them apart best from the other rows: their times or
    // their messages, with their sender when they share one.
    QSet<QByteArray> times;
    QSet<QByteArray> messages;
    QSet<QByteArray> hosts;
    for (qsizetype row : found) {
        const LogEntryView e = rows.at(row);
        times.insert(e.time.toByteArray());
        messages.insert(e.message.toByteArray());
        hosts.insert(e.host.toByteArray());
    }
    const bool oneHost = hosts.size() == 1;
    qsizetype byTime = 0;
    qsizetype byMessage = 0;
    for (qsizetype row = 0; row < rows.size(); ++row) {
        const LogEntryView e = rows.at(row);
        if (oneHost && !hosts.contains(QByteArray::fromRawData(e.host.data(), e.host.size())))
            continue;
        byTime += times.contains(QByteArray::fromRawData(e.time.data(), e.time.size()));
        byMessage += messages.contains(QByteArray::fromRawData(e.message.data(), e.message.size()));
    }
    QStringList patterns;
    for (const QByteArray& text : byTime <= byMessage ? times : messages)
        patterns << QRegularExpression::escape(decodeForDisplay(text));
    patterns.sort();
    FindBar* bar = categoryPage(category)->findBar();
    bar->open();
    bar->regexBox()->setChecked(true);
    bar->onlyMatchingBox()->setChecked(false);
    if (oneHost)
        bar->hostEdit()->setText(decodeForDisplay(*hosts.begin()));
    else
        bar->hostEdit()->clear();
    bar->textEdit()->setText(QStringLiteral("^(?:%1)$").arg(patterns.join(QLatin1Char('|'))));
    bar->applyNow();
    bar->findNext();
}

void CSysLogDlg::OnDestroy()
{
    if (destroyed_)
        return;
    destroyed_ = true;
    reception_->stop();
    console_.Close();
    clockTimer_->stop();
}

} // namespace quendal
