#include "netinfo/gui/SocketTablePage.h"

#include "netinfo/core/SocketTableModel.h"
#include "netinfo/gui/SocketTableView.h"

#include <QTimer>
#include <QVBoxLayout>

namespace quendal {

SocketTablePage::SocketTablePage(CIpHelper helper, const QStringList& captions,
                                 const QList<int>& widths, QWidget* parent)
    : QWidget(parent), helper_(std::move(helper)), model_(new SocketTableModel(captions, this)),
      view_(new SocketTableView(this)), timer_(new QTimer(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    view_->setModelWithWidths(model_, widths);

    timer_->setInterval(kRefreshPeriod);
    connect(timer_, &QTimer::timeout, this, &SocketTablePage::refresh);
}

void SocketTablePage::setRefreshPeriod(std::chrono::milliseconds period)
{
    timer_->setInterval(period);
}

void SocketTablePage::start()
{
    timer_->start();
    refresh();
}

void SocketTablePage::refresh()
{
    model_->clear();
    QList<QStringList> rows;
    if (readTable(rows))
        model_->setRows(std::move(rows));
}

} // namespace quendal
