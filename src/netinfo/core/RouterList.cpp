#include "netinfo/core/RouterList.h"

#include "common/core/UiText.h"

#include <algorithm>
#include <array>

namespace quendal {

RouterList::RouterList(QObject* parent) : QAbstractTableModel(parent)
{}

bool RouterList::addReply(const RouterReply& reply)
{
    const bool listed = std::any_of(rows_.begin(), rows_.end(), [&](const RouterReply& row) {
        return row.mac.compare(reply.mac, Qt::CaseInsensitive) == 0;
    });
    if (listed)
        return false;
    beginInsertRows({}, 0, 0);
    rows_.prepend(reply);
    endInsertRows();
    return true;
}

void RouterList::clear()
{
    beginResetModel();
    rows_.clear();
    endResetModel();
}

int RouterList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int RouterList::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RouterList::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_.size())
        return {};
    const RouterReply& row = rows_[index.row()];
    switch (index.column()) {
    case MacColumn:
        return row.mac;
    case AddressColumn:
        return row.ipAddress;
    case MaskColumn:
        return row.subnetMask;
    default:
        return {};
    }
}

QVariant RouterList::headerData(int section, Qt::Orientation orientation, int role) const
{
    static constexpr std::array<UiTextId, ColumnCount> texts = {
        UiTextId::MacAddressColumn, UiTextId::IpAddress, UiTextId::IpMaskColumn};
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return GetUiText(texts[size_t(section)]);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

} // namespace quendal
