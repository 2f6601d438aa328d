#pragma once

#include "logs/core/LogCategory.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QMenu;
class QTimer;

namespace quendal {

class ActivityChartView;
class ActivitySeries;
class EntryRateChart;
class LinkSeries;
class MinuteActivity;
struct MinuteCounts;
class LinkRateChart;
class RouterChoiceBox;
class RouterWatch;

// The "Activity" tab: the link rates of the router watched (chosen here or beside the status
// panels, whichever senders are accepted) and the entries per minute by category, over the last
// 15 minutes, hour or day. The charts are drawn again at most once a second, and only while the
// tab shows; each chart tells its latest values to a screen reader.
class CActivityPage : public QWidget
{
    Q_OBJECT

public:
    enum Range
    {
        Last15Minutes,
        LastHour,
        Last24Hours
    };
    enum Source
    {
        Arrivals,  // entries as they arrive, by the receiver's clock
        FilesRead, // entries of the log files read back, by their Time column
    };
    static constexpr int kRedrawMs = 1000;

    CActivityPage(ActivitySeries* series, RouterWatch* watch, QWidget* parent = nullptr);

    void setRange(Range range);
    Range range() const;
    void setSource(Source source);
    Source source() const;
    // The clock the ranges end at; the system's by default (tests set their own).
    void setClock(std::function<qint64()> now);

    // The router whose link rates are shown; empty when none reported.
    QString shownRouter() const { return shownRouter_; }
    QString routerText() const;
    QComboBox* rangeBox() const { return range_; }
    QComboBox* sourceBox() const { return source_; }
    RouterChoiceBox* routerBox() const { return routerBox_; }
    ActivityChartView* linkView() const { return linkView_; }
    ActivityChartView* entryView() const { return entryView_; }
    LinkRateChart* linkChart() const { return link_; }
    EntryRateChart* entryChart() const { return entries_; }

    // Draws both charts now.
    void redraw();
    // Offers to show the emergencies of a minute: a menu with one entry per category.
    void offerEmergencies(qint64 minute);

Q_SIGNALS:
    // The user asked to see the emergencies of a minute in a category's list.
    void emergenciesRequested(quendal::LogCategory category, qint64 minute,
                              quendal::CActivityPage::Source source);
    void saveReported(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;

private:
    qint64 rangeMs() const;
    void redrawIfShown();
    // The charts' text for a screen reader: what they show last.
    void describeCharts(const LinkSeries* link, const MinuteActivity& minutes);
    // The context menu's entries for the emergencies of the latest minutes that had some.
    void addEmergencyEntries(QMenu* menu);
    void addEmergencyActions(QMenu* menu, const MinuteCounts& minute);

    ActivitySeries* series_;
    RouterWatch* watch_;
    RouterChoiceBox* routerBox_;
    QComboBox* range_;
    QComboBox* source_;
    QLabel* router_;
    LinkRateChart* link_;
    EntryRateChart* entries_;
    ActivityChartView* linkView_;
    ActivityChartView* entryView_;
    QTimer* timer_;
    std::function<qint64()> now_;
    QString shownRouter_;
    bool dirty_ = true;
};

} // namespace quendal
