// The control's construction and how it follows its model; its geometry, painting and
// selection live in CColorListCtrl*.cpp beside this file.
#include "controls/gui/CColorListCtrl.h"

#include "controls/gui/ColorListAccessible.h"
#include "logs/core/LogList.h"

#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>

namespace quendal {
namespace {

// Pixels a horizontal scroll step moves.
constexpr int kHorizontalStep = 20;
// How often arriving rows are shown: about 30 times a second, smooth to the eye and cheap.
constexpr int kRefreshIntervalMs = 33;

} // namespace

CColorListCtrl::CColorListCtrl(int columnCount, QWidget* parent)
    : QAbstractScrollArea(parent), columnCount_(std::max(0, columnCount))
{
    ColorListAccessible::install();
    header_ = new QHeaderView(Qt::Horizontal, this);
    header_->setSectionResizeMode(QHeaderView::Interactive);
    header_->setStretchLastSection(false);
    header_->setHighlightSections(false);
    header_->setSectionsClickable(false);
    header_->setFocusPolicy(Qt::NoFocus);
    widths_.fill(header_->defaultSectionSize(), columnCount_);
    hidden_.fill(false, columnCount_);
    for (int column = 0; column < columnCount_; ++column)
        order_.append(column);
    connect(header_, &QHeaderView::sectionHandleDoubleClicked, this,
            &CColorListCtrl::fitColumnToContents);
    connect(
        header_, &QHeaderView::sectionResized, this,
        [this](int logicalIndex, int, int newSize) { onSectionResized(logicalIndex, newSize); });

    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(kHorizontalStep);
    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    refreshTimer_->setInterval(kRefreshIntervalMs);
    connect(refreshTimer_, &QTimer::timeout, this, &CColorListCtrl::refreshNow);
    updateRowHeight();
    updateGeometries();
}

CColorListCtrl::~CColorListCtrl()
{
    if (list_)
        disconnect(list_, nullptr, this, nullptr);
}

void CColorListCtrl::setList(LogList* list)
{
    if (list == list_)
        return;
    disconnectModels();
    shown_ = nullptr;
    list_ = list;
    header_->setModel(list);
    if (list) {
        watchListDestroyed();
        if (!captions_.isEmpty())
            list->setColumnCaptions(captions_);
        applyColumnsToHeader();
    }
    connectModel(list);
}

void CColorListCtrl::setDisplayModel(QAbstractItemModel* model)
{
    if (model == shown_)
        return;
    disconnectModels();
    shown_ = model;
    watchListDestroyed();
    if (model)
        connect(model, &QObject::destroyed, this, [this] {
            shown_ = nullptr;
            connectModel(list_);
        });
    connectModel(model ? model : static_cast<QAbstractItemModel*>(list_.data()));
}

void CColorListCtrl::disconnectModels()
{
    if (list_)
        disconnect(list_, nullptr, this, nullptr);
    if (shown_)
        disconnect(shown_, nullptr, this, nullptr);
}

void CColorListCtrl::watchListDestroyed()
{
    if (list_)
        connect(list_, &QObject::destroyed, this, [this] {
            list_ = nullptr;
            onModelReset();
        });
}

QAbstractItemModel* CColorListCtrl::displayModel() const
{
    if (shown_)
        return shown_;
    return list_;
}

void CColorListCtrl::connectModel(QAbstractItemModel* list)
{
    top_ = 0;
    current_ = -1;
    anchor_ = -1;
    if (list) {
        connect(list, &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex& parent, int first, int last) {
                    if (!parent.isValid())
                        onRowsInserted(first, last);
                });
        connect(list, &QAbstractItemModel::rowsRemoved, this,
                [this](const QModelIndex& parent, int first, int last) {
                    if (!parent.isValid())
                        onRowsRemoved(first, last);
                });
        connect(list, &QAbstractItemModel::modelReset, this, &CColorListCtrl::onModelReset);
        connect(list, &QAbstractItemModel::layoutChanged, this, [this] {
            top_ = std::min(top_, std::max<qsizetype>(0, rowCountInList() - fullyVisibleRows()));
            syncScrollBars();
            viewport()->update();
        });
        connect(list, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                    onDataChanged(topLeft.row(), bottomRight.row());
                });
    }
    syncScrollBars();
    updateGeometries();
    viewport()->update();
}

LogList* CColorListCtrl::list() const
{
    return list_;
}

void CColorListCtrl::onRowsInserted(int first, int last)
{
    const qsizetype count = qsizetype(last) - first + 1;
    // Scrolled away from the top, the rows on screen keep their place; at the top, new rows show.
    const bool keepRowsInPlace = top_ > 0 && first <= top_;
    if (keepRowsInPlace)
        top_ += count;
    if (current_ >= first)
        current_ += count;
    if (anchor_ >= first)
        anchor_ += count;
    scheduleRefresh(!keepRowsInPlace && first < top_ + touchedRows());
}

void CColorListCtrl::scheduleRefresh(bool repaint)
{
    scrollBarsStale_ = true;
    repaintPending_ = repaintPending_ || repaint;
    if (!refreshTimer_->isActive())
        refreshTimer_->start();
}

void CColorListCtrl::refreshNow()
{
    if (scrollBarsStale_)
        syncScrollBars();
    if (repaintPending_)
        viewport()->update();
    repaintPending_ = false;
}

void CColorListCtrl::onRowsRemoved(int first, int last)
{
    const qsizetype count = qsizetype(last) - first + 1;
    const qsizetype topBefore = top_;
    // A full list loses its bottom row with every new one: off screen, that needs no repaint.
    const bool removedOnScreen = first < top_ + touchedRows() && last >= top_;
    const auto adjust = [&](qsizetype& row) {
        if (row > last)
            row -= count;
        else if (row >= first)
            row = -1;
    };
    adjust(current_);
    adjust(anchor_);
    if (current_ < 0)
        anchor_ = -1;
    else if (anchor_ < 0)
        anchor_ = current_;
    if (top_ > last)
        top_ -= count;
    else if (top_ > first)
        top_ = first;
    top_ = std::min(top_, std::max<qsizetype>(0, rowCountInList() - fullyVisibleRows()));
    syncScrollBars();
    if (removedOnScreen || top_ != topBefore)
        viewport()->update();
}

void CColorListCtrl::onModelReset()
{
    top_ = 0;
    current_ = -1;
    anchor_ = -1;
    applyColumnsToHeader();
    syncScrollBars();
    viewport()->update();
}

void CColorListCtrl::onDataChanged(int firstRow, int lastRow)
{
    if (lastRow < top_ || firstRow >= top_ + touchedRows())
        return;
    viewport()->update();
}

} // namespace quendal

#include "moc_CColorListCtrl.cpp"
