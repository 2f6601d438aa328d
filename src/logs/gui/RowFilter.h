#pragma once

#include "controls/gui/CColorListCtrl.h"
#include "logs/core/LogList.h"
#include "logs/gui/RowMatcher.h"

#include <QAbstractTableModel>
#include <QPointer>

#include <deque>

namespace quendal {

class LogList;

// The find bar's view of a LogList, on the window's side of the store: either only the rows that
// match (newest on top, like the list) or every row with the matches marked (MatchRole). Rows
// that arrive on top are tested as they come and rows leaving at the bottom leave here too, so
// the cost per arrival does not grow with the list; other changes test the list again.
class RowFilter : public QAbstractTableModel
{
    Q_OBJECT

public:
    // data(): true on the rows that match while every row is shown.
    static constexpr int MatchRole = CColorListCtrl::MarkedRole;

    explicit RowFilter(LogList* source, QObject* parent = nullptr);

    LogList* source() const { return source_; }
    void setQuery(const FindQuery& query);
    const FindQuery& query() const { return query_; }
    bool isValid() const { return matcher_.isValid(); }
    QString errorText() const { return matcher_.errorText(); }
    // Only matching rows (true) or every row with the matches marked (false).
    void setOnlyMatching(bool only);
    bool onlyMatching() const { return onlyMatching_; }

    qsizetype matchCount() const { return qsizetype(matches_.size()); }
    // The row of this model showing match k (0 = the newest match).
    int rowOfMatch(qsizetype k) const;
    // The match shown on a row of this model, -1 when the row is no match.
    qsizetype matchAt(int row) const;
    // The nearest match below (older than) or above (newer than) a row of this model, -1 for
    // none.
    qsizetype matchBelow(int row) const;
    qsizetype matchAbove(int row) const;
    int sourceRow(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // The matches changed in number (arrivals, removals, a new query).
    void matchCountChanged(qsizetype count);

private:
    void rebuild();
    void onRowsInserted(int first, int last);
    void onRowsRemoved(int first, int last);
    // Source row of a sequence number, and the other way round.
    qsizetype sourceRowOfSeq(qint64 seq) const;
    qint64 seqOfSourceRow(qsizetype row) const;

    QPointer<LogList> source_;
    FindQuery query_;
    RowMatcher matcher_;
    bool onlyMatching_ = true;
    // Every source row has a number that stays with it: the oldest row has oldestSeq_, and each
    // newer one the next. The matches, oldest first.
    std::deque<qint64> matches_;
    qint64 oldestSeq_ = 0;
    int mirrored_ = 0;       // the source's rows as announced here, while every row is shown
    bool mirroring_ = false; // a change of the list announced here, awaiting its end
};

} // namespace quendal
