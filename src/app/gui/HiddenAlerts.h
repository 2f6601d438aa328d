#pragma once

#include "common/core/Clock.h"
#include "logs/core/LogCategory.h"

#include <QObject>
#include <QString>

#include <array>
#include <chrono>
#include <functional>
#include <optional>

class QTimer;

namespace quendal {

class LogList;
class TrayIconBackend;

// While the window is hidden in the notification area, an emergency (a red row) shows a message
// there naming the tab and the first words of the entry. At most one message per period: what
// arrives meanwhile is counted and told as "and N more" when the period is over.
class HiddenAlerts : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kPeriod{10000};

    // `isHidden` says whether the window is out of sight now. `tray` is not owned.
    HiddenAlerts(TrayIconBackend* tray, std::function<bool()> isHidden, QObject* parent = nullptr);

    void watch(LogCategory category, LogList* list, const QString& tabName);
    void setEnabled(bool on) { enabled_ = on; }
    bool isEnabled() const { return enabled_; }
    void setPeriod(std::chrono::milliseconds period);
    // The tab the message shown last is about; -1 before the first.
    int lastShownTab() const { return lastShownTab_; }
    // The clock the period is measured by; not owned, outlives this object.
    void setClock(const Clock& clock) { clock_ = &clock; }

private:
    void onEmergency(int tab, const QString& message);
    void flush();

    TrayIconBackend* tray_;
    std::function<bool()> isHidden_;
    std::array<QString, kCategoryCount> tabNames_;
    bool enabled_ = true;
    const Clock* clock_ = &Clock::system();
    std::optional<qint64> lastShown_; // monotonic ms
    std::chrono::milliseconds period_ = kPeriod;
    QTimer* flushTimer_;
    int pending_ = 0;
    QString pendingTitle_;
    QString pendingText_;
    int pendingTab_ = -1;
    int lastShownTab_ = -1;
};

} // namespace quendal
