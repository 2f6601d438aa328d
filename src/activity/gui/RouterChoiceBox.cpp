#include "activity/gui/RouterChoiceBox.h"

#include "activity/gui/RouterWatch.h"

namespace quendal {

RouterChoiceBox::RouterChoiceBox(RouterWatch* watch, QWidget* parent)
    : QComboBox(parent), watch_(watch)
{
    setModel(watch->routers());
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setMinimumContentsLength(15);
    showChosen();
    connect(watch, &RouterWatch::chosenChanged, this, &RouterChoiceBox::showChosen);
    // Rows come and go as routers report: the box keeps showing the router watched.
    connect(watch->routers(), &QAbstractItemModel::rowsInserted, this,
            &RouterChoiceBox::showChosen);
    connect(watch->routers(), &QAbstractItemModel::rowsRemoved, this, &RouterChoiceBox::showChosen);
    connect(this, &QComboBox::activated, this, [this](int row) { watch_->choose(itemText(row)); });
}

void RouterChoiceBox::showChosen()
{
    setCurrentIndex(findText(watch_->chosen(), Qt::MatchExactly));
}

} // namespace quendal
