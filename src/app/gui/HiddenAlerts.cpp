#include "app/gui/HiddenAlerts.h"

#include "app/gui/TrayIconBackend.h"
#include "common/core/UiText.h"
#include "logs/core/LogList.h"

#include <QTimer>

namespace quendal {
namespace {

// The first words of a message, enough to tell what it is about.
QString firstWords(const QString& message)
{
    constexpr qsizetype kMaxLength = 80;
    QString text = message.simplified();
    if (text.size() > kMaxLength)
        text = text.left(kMaxLength - 1) + QChar(0x2026);
    return text;
}

} // namespace

HiddenAlerts::HiddenAlerts(TrayIconBackend* tray, std::function<bool()> isHidden, QObject* parent)
    : QObject(parent), tray_(tray), isHidden_(std::move(isHidden)), flushTimer_(new QTimer(this))
{
    flushTimer_->setSingleShot(true);
    connect(flushTimer_, &QTimer::timeout, this, &HiddenAlerts::flush);
}

void HiddenAlerts::setPeriod(std::chrono::milliseconds period)
{
    period_ = period;
}

void HiddenAlerts::watch(LogCategory category, LogList* list, const QString& tabName)
{
    const int tab = categoryIndex(category);
    tabNames_[size_t(tab)] = tabName;
    connect(list, &QAbstractItemModel::rowsInserted, this,
            [this, tab, list](const QModelIndex& parent, int first, int last) {
                if (parent.isValid() || !enabled_ || !isHidden_())
                    return;
                // Older rows of a batch sit lower: report them in the order they came.
                for (int row = last; row >= first; --row) {
                    const QModelIndex index = list->index(row, LogList::MessageColumn);
                    if (list->data(index, LogList::SeverityRole).toInt() ==
                        int(Severity::Emergency))
                        onEmergency(tab, list->data(index).toString());
                }
            });
}

void HiddenAlerts::onEmergency(int tab, const QString& message)
{
    const QString title = GetUiText(UiTextId::EmergencyIn).arg(tabNames_[size_t(tab)]);
    const qint64 now = clock_->monotonicMs();
    if (!lastShown_ || now - *lastShown_ >= period_.count()) {
        tray_->showMessage(title, firstWords(message));
        lastShown_ = now;
        lastShownTab_ = tab;
        return;
    }
    if (pending_++ == 0) {
        pendingTab_ = tab;
        pendingTitle_ = title;
        pendingText_ = firstWords(message);
        flushTimer_->start(int(std::max<qint64>(0, period_.count() - (now - *lastShown_))));
    }
}

void HiddenAlerts::flush()
{
    if (pending_ == 0)
        return;
    QString text = pendingText_;
    if (pending_ > 1)
        text += QLatin1Char(' ') + GetUiText(UiTextId::AndMore).arg(pending_ - 1);
    pending_ = 0;
    tray_->showMessage(pendingTitle_, text);
    lastShown_ = clock_->monotonicMs();
    lastShownTab_ = pendingTab_;
}

} // namespace quendal
