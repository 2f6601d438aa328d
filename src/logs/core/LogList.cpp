#include "logs/core/LogList.h"

#include "common/core/DisplayText.h"
#include "common/core/UiText.h"
#include "logs/core/SeverityText.h"
#include "logs/core/TimeDisplay.h"

#include <algorithm>
#include <limits>

namespace quendal {
namespace {

QByteArrayView cellBytes(const LogEntryView& entry, int column)
{
    switch (column) {
    case LogList::TimeColumn:
        return entry.time;
    case LogList::HostColumn:
        return entry.host;
    case LogList::MessageColumn:
        return entry.message;
    case LogList::SenderColumn:
        return entry.sender;
    default:
        return {};
    }
}

QString cellText(const LogEntryView& entry, int column)
{
    switch (column) {
    case LogList::TimeColumn:
        if (QString compact = compactRfc3339Time(entry.time); !compact.isNull())
            return compact;
        break;
    case LogList::SeverityColumn:
        return severityText(entry.severity);
    case LogList::SenderColumn:
        if (entry.sender.isEmpty())
            return GetUiText(UiTextId::UnknownValue);
        break;
    default:
        break;
    }
    return decodeForDisplay(cellBytes(entry, column));
}

// Item models count rows in int; a list never reports more than that.
int modelRows(qsizetype rows)
{
    return int(std::min<qsizetype>(rows, std::numeric_limits<int>::max()));
}

} // namespace

LogList::LogList(QObject* parent) : QAbstractTableModel(parent)
{}

int LogList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : modelRows(rows_.size());
}

int LogList::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant LogList::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cellText(rows_.at(index.row()), index.column());
    case Qt::ToolTipRole:
        // A compact time shows its stamp whole here.
        if (index.column() == TimeColumn)
            return decodeForDisplay(rows_.at(index.row()).time);
        return cellText(rows_.at(index.row()), index.column());
    case ColourIndexRole:
        return rows_.textColour(index.row(), std::min(index.column(), LogRows::kColumnCount - 1));
    case SeverityRole:
        return int(rows_.at(index.row()).severity);
    case BytesRole:
        return cellBytes(rows_.at(index.row()), index.column()).toByteArray();
    default:
        return {};
    }
}

QVariant LogList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < captions_.size())
        return captions_.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void LogList::setColumnCaptions(const QStringList& captions)
{
    captions_ = captions;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
}

void LogList::setMaxRows(qsizetype maxRows)
{
    maxRows = std::max<qsizetype>(1, maxRows);
    if (rows_.size() > maxRows) {
        beginRemoveRows({}, modelRows(maxRows), modelRows(rows_.size() - 1));
        rows_.setMaxRows(maxRows);
        endRemoveRows();
    } else {
        rows_.setMaxRows(maxRows);
    }
}

void LogList::makeRoomFor(qsizetype incoming)
{
    const qsizetype excess = rows_.size() + incoming - rows_.maxRows();
    if (excess <= 0)
        return;
    const qsizetype size = rows_.size();
    beginRemoveRows({}, modelRows(size - excess), modelRows(size - 1));
    rows_.pushOutOldest(excess);
    endRemoveRows();
}

void LogList::prepend(const LogEntryView& entry)
{
    makeRoomFor(1);
    beginInsertRows({}, 0, 0);
    rows_.prepend(entry);
    endInsertRows();
}

qsizetype LogList::insert(qsizetype row, const LogEntryView& entry, int colourIndex)
{
    makeRoomFor(1);
    const qsizetype at = (row < 0 || row > rows_.size()) ? rows_.size() : row;
    beginInsertRows({}, modelRows(at), modelRows(at));
    rows_.insert(at, entry, colourIndex);
    endInsertRows();
    return at;
}

bool LogList::remove(qsizetype row)
{
    if (row < 0 || row >= rows_.size())
        return false;
    beginRemoveRows({}, modelRows(row), modelRows(row));
    rows_.remove(row);
    endRemoveRows();
    return true;
}

bool LogList::setTextColour(qsizetype row, int column, int colourIndex)
{
    if (row < 0 || row >= rows_.size() || column < 0 || column >= LogRows::kColumnCount)
        return false;
    rows_.setTextColour(row, column, colourIndex);
    const QModelIndex cell = index(modelRows(row), column);
    Q_EMIT dataChanged(cell, cell, {ColourIndexRole});
    return true;
}

void LogList::prependAll(LogRows&& batch)
{
    if (batch.isEmpty())
        return;
    // The rows take only the newest part of a batch larger than the bound.
    const qsizetype incoming = std::min(batch.size(), rows_.maxRows());
    makeRoomFor(incoming);
    beginInsertRows({}, 0, modelRows(incoming - 1));
    rows_.prependAll(std::move(batch));
    endInsertRows();
}

void LogList::clear()
{
    beginResetModel();
    rows_.clear();
    endResetModel();
}

} // namespace quendal
