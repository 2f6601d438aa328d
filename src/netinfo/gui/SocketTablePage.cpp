#include "netinfo/gui/SocketTablePage.h"

#include "common/core/UiText.h"
#include "netinfo/core/SocketTableModel.h"
#include "netinfo/gui/SocketTableView.h"

#include <QTimer>
#include <QVBoxLayout>

namespace quendal {
namespace {

// The Keyword and Description columns, on either page.
const QList<int> kDefinitionWidths = {100, 200};

} // namespace

SocketTablePage::SocketTablePage(UiTextId title, const QStringList& captions,
                                 const QList<int>& widths, CIpHelper helper, QWidget* parent)
    : QWidget(parent), helper_(std::move(helper)), model_(new SocketTableModel(captions, this)),
      view_(new SocketTableView(this)), timer_(new QTimer(this))
{
    setWindowTitle(GetUiText(title));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    view_->setModelWithWidths(model_, widths);

    timer_->setInterval(kRefreshPeriod);
    connect(timer_, &QTimer::timeout, this, &SocketTablePage::refresh);
}

QList<int> SocketTablePage::withDefinitionWidths(QList<int> widths, bool withPortDefinitions)
{
    if (withPortDefinitions)
        widths << kDefinitionWidths;
    return widths;
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
    if (readRows_(helper_, rows))
        model_->setRows(std::move(rows));
}

} // namespace quendal
