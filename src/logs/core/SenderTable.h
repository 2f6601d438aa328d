#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>

#include <cstdint>
#include <vector>

namespace quendal {

// The distinct sender addresses of one list's rows, so that a row keeps its sender in two bytes.
// Each address is counted by the rows that use it and leaves with the last of them, so the table
// holds no more than the rows name. At most kCapacity addresses at once: a row whose sender
// would be one more keeps none.
class SenderTable
{
public:
    using Index = std::uint16_t;
    // The index of "no sender".
    static constexpr Index kNone = 0;
    static constexpr std::size_t kCapacity = 0xFFFF;

    // The index of `address` for one more row; kNone for an empty address or a full table.
    Index use(QByteArrayView address);
    // One row less uses the address of `index`.
    void release(Index index);
    QByteArrayView at(Index index) const;
    // Distinct addresses in use.
    std::size_t size() const { return lookup_.size(); }
    void clear();

private:
    struct Slot
    {
        QByteArray address;
        std::uint32_t uses = 0;
    };

    std::vector<Slot> slots_{Slot{}}; // slot 0 stands for kNone
    std::vector<Index> free_;
    QHash<QByteArray, Index> lookup_;
    Index last_ = kNone; // consecutive rows mostly come from the same sender
};

} // namespace quendal
