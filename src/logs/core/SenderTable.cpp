#include "logs/core/SenderTable.h"

namespace quendal {

SenderTable::Index SenderTable::use(QByteArrayView address)
{
    if (address.isEmpty())
        return kNone;
    if (last_ != kNone && QByteArrayView(slots_[last_].address) == address) {
        ++slots_[last_].uses;
        return last_;
    }
    // A key over the caller's bytes: looking up allocates nothing.
    const QByteArray key = QByteArray::fromRawData(address.data(), address.size());
    Index index = lookup_.value(key, kNone);
    if (index == kNone) {
        if (!free_.empty()) {
            index = free_.back();
            free_.pop_back();
        } else if (slots_.size() <= kCapacity) {
            index = Index(slots_.size());
            slots_.emplace_back();
        } else {
            return kNone;
        }
        slots_[index].address = address.toByteArray();
        lookup_.insert(slots_[index].address, index);
    }
    ++slots_[index].uses;
    last_ = index;
    return index;
}

void SenderTable::release(Index index)
{
    if (index == kNone || index >= slots_.size() || slots_[index].uses == 0)
        return;
    Slot& slot = slots_[index];
    if (--slot.uses > 0)
        return;
    lookup_.remove(slot.address);
    slot.address = QByteArray();
    free_.push_back(index);
    if (last_ == index)
        last_ = kNone;
}

QByteArrayView SenderTable::at(Index index) const
{
    return index < slots_.size() ? QByteArrayView(slots_[index].address) : QByteArrayView();
}

void SenderTable::clear()
{
    slots_.assign(1, Slot{});
    free_.clear();
    lookup_.clear();
    last_ = kNone;
}

} // namespace quendal
