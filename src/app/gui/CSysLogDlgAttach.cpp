// The window attached to a running service: it shows the service's entries through the viewer
// socket, fed as the same batches its own reception would deliver, and receives nothing itself.
#include "app/gui/CSysLogDlg.h"
#include "app/gui/CSystemTray.h"
#include "app/gui/MainActions.h"
#include "app/gui/StatusCounters.h"
#include "common/core/UiText.h"
#include "logs/core/LogList.h"
#include "receiver/core/HostList.h"
#include "receiver/core/ReceptionEngine.h"
#include "receiver/core/ReceptionView.h"
#include "viewer/core/ViewerClient.h"

#include <QComboBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

const QString kNormalIcon = u":/icons/quendal-syslog.svg"_s;
const QString kAttachedIcon = u":/icons/quendal-syslog-running.svg"_s;
// How often a service that went away is looked for again.
constexpr int kReattachMs = 2000;

} // namespace

struct CSysLogDlg::Attachment : QObject
{
    using QObject::QObject;
    QString path;
    ViewerClient client;
    QTimer retry;
    QString service; // "quendal-syslogd (port 514)" once it said hello
    bool wanted = false;
    bool attachedBefore = false; // a back-fill then replaces what the lists show
    bool refill = false;         // the back-fill now coming replaces what the lists show
    bool clearPending = false;   // the lists are emptied before its first frame, once
};

ViewerClient* CSysLogDlg::viewerClient() const
{
    return attachment_ ? &attachment_->client : nullptr;
}

void CSysLogDlg::attachTo(const QString& path)
{
    if (!attachment_) {
        attachment_ = new Attachment(this);
        Attachment& a = *attachment_;
        a.retry.setSingleShot(true);
        a.retry.setInterval(kReattachMs);
        connect(&a.retry, &QTimer::timeout, this, &CSysLogDlg::attachAgain);
        connect(&a.client, &ViewerClient::welcomed, this, [this](const ServiceWelcome& w) {
            attachment_->service = GetUiText(UiTextId::AttachedService).arg(w.program).arg(w.port);
            const QString text = GetUiText(UiTextId::AttachedTo).arg(attachment_->service);
            setWindowTitle(GetUiText(UiTextId::ProgramName) + u" - "_s + text);
            setStateText(text);
            statusBar()->clearMessage();
            tray_->ChangeImageFromResource(kAttachedIcon);
            actions_->setRunning(true);
            Q_EMIT runningChanged(true);
            attachment_->refill = attachment_->clearPending = attachment_->attachedBefore;
        });
        connect(&a.client, &ViewerClient::batchReceived, this, [this](ViewerBatch* batch) {
            if (batch->backfill && attachment_->refill) {
                // Back after an absence: the service's back-fill, which may come in several
                // frames, replaces the lists; its day of activity counts is in the charts
                // already.
                if (attachment_->clearPending) {
                    for (LogList* list : lists_)
                        ClearList(list);
                    hosts_->resetToFirst();
                    hostBox_->setCurrentIndex(0);
                    attachment_->clearPending = false;
                }
                batch->activity.minutes.clear();
            }
            if (batch->backfill)
                attachment_->attachedBefore = true;
            if (batch->counters) {
                counters_->setDroppedBySystem(batch->counters->kernelDrops);
                counters_->setFailedForwards(batch->counters->forwardFailed);
            }
            ReceptionBatch rows = std::move(*batch).toReceptionBatch();
            view_->apply(rows);
        });
        connect(&a.client, &ViewerClient::entriesMissed, this, [this](quint64 count) {
            statusBar()->showMessage(GetUiText(UiTextId::MissedServiceEntries).arg(count));
        });
        connect(&a.client, &ViewerClient::ended, this, &CSysLogDlg::onServiceEnded);
        // Never both: the window's own reception stays off while attached.
        reception_->stop();
        actions_->setAttachMode(true);
    }
    attachment_->path = path;
    show();
    attachAgain();
}

void CSysLogDlg::attachAgain()
{
    Attachment& a = *attachment_;
    if (a.client.isConnected())
        return;
    a.wanted = true;
    a.retry.stop();
    ViewerHello hello;
    hello.backfill = settings_.MaxRowsPerList;
    a.client.open(a.path, hello);
}

void CSysLogDlg::detach()
{
    Attachment& a = *attachment_;
    a.wanted = false;
    a.retry.stop();
    a.client.close();
    setStateText(GetUiText(UiTextId::DetachedFrom).arg(a.service.isEmpty() ? a.path : a.service));
    tray_->ChangeImageFromResource(kNormalIcon);
    actions_->setRunning(false);
    Q_EMIT runningChanged(false);
}

void CSysLogDlg::onServiceEnded(const QString& reason)
{
    Attachment& a = *attachment_;
    if (a.wanted) {
        // Gone, or not there yet: said once, and looked for again until it answers.
        const QString text = GetUiText(UiTextId::ServiceWentAway)
                                 .arg(a.service.isEmpty() ? a.path : a.service, reason);
        if (stateText() != text) {
            setStateText(text);
            std::fprintf(stderr, "quendal-syslog: %s\n", qPrintable(text));
        }
        a.retry.start();
    }
    tray_->ChangeImageFromResource(kNormalIcon);
    actions_->setRunning(false);
    Q_EMIT runningChanged(false);
}

} // namespace quendal
