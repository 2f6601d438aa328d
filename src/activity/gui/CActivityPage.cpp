#include "activity/gui/CActivityPage.h"

#include "activity/core/ActivityCsv.h"
#include "activity/core/ActivitySeries.h"
#include "activity/gui/ActivityChartView.h"
#include "activity/gui/EntryRateChart.h"
#include "activity/gui/LinkRateChart.h"
#include "activity/gui/RouterChoiceBox.h"
#include "activity/gui/RouterWatch.h"
#include "common/core/UiText.h"

#include <QComboBox>
#include <QCursor>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace quendal {
namespace {

constexpr qint64 kMinuteMs = 60000;

} // namespace

CActivityPage::CActivityPage(ActivitySeries* series, RouterWatch* watch, QWidget* parent)
    : QWidget(parent), series_(series), watch_(watch), routerBox_(new RouterChoiceBox(watch, this)),
      range_(new QComboBox(this)), source_(new QComboBox(this)), router_(new QLabel(this)),
      link_(new LinkRateChart(this)), entries_(new EntryRateChart(this)), timer_(new QTimer(this)),
      now_([] { return QDateTime::currentMSecsSinceEpoch(); })
{
    range_->addItems({GetUiText(UiTextId::Last15Minutes), GetUiText(UiTextId::LastHour),
                      GetUiText(UiTextId::Last24Hours)});
    range_->setCurrentIndex(Last15Minutes);
    source_->addItems({GetUiText(UiTextId::AsTheyArrive), GetUiText(UiTextId::LogFilesReadBack)});
    // The choice matters once a file was read back.
    source_->setVisible(false);
    router_->setTextFormat(Qt::PlainText);
    routerBox_->setAccessibleName(GetUiText(UiTextId::RouterShown));
    range_->setAccessibleName(GetUiText(UiTextId::TimeRange));
    source_->setAccessibleName(GetUiText(UiTextId::EntriesCounted));

    linkView_ = new ActivityChartView(link_->chart(), this);
    entryView_ = new ActivityChartView(entries_->chart(), this);
    // Steps are square: smoothing their edges would only cost drawing time.
    entryView_->setRenderHint(QPainter::Antialiasing, false);
    linkView_->setTooltipText([this](QPointF v) { return link_->tooltipAt(v); });
    entryView_->setTooltipText([this](QPointF v) { return entries_->tooltipAt(v); });
    entryView_->setMenuEntries([this](QMenu* menu) { addEmergencyEntries(menu); });
    linkView_->setCsv(
        [this] {
            const LinkSeries* s = series_->link(shownRouter_);
            return s ? linkCsv(*s) : linkCsv(LinkSeries());
        },
        QStringLiteral("link-rates.csv"));
    entryView_->setCsv(
        [this] {
            return minuteCsv(source() == FilesRead ? series_->fileMinutes().all()
                                                   : series_->minutes().all());
        },
        QStringLiteral("entries-per-minute.csv"));

    auto* top = new QHBoxLayout;
    top->addWidget(router_, 1);
    top->addWidget(routerBox_);
    top->addWidget(source_);
    top->addWidget(range_);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(linkView_);
    splitter->addWidget(entryView_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(splitter, 1);

    // A choice shows at once; a hidden tab is drawn when it shows.
    const auto changed = [this] {
        dirty_ = true;
        if (isVisible())
            redraw();
    };
    connect(range_, &QComboBox::currentIndexChanged, this, changed);
    connect(source_, &QComboBox::currentIndexChanged, this, changed);
    connect(watch_, &RouterWatch::chosenChanged, this, changed);
    connect(series_, &ActivitySeries::changed, this, [this] {
        dirty_ = true;
        if (!series_->fileMinutes().isEmpty())
            source_->setVisible(true);
    });
    connect(entryView_, &ActivityChartView::clickedAt, this, [this](QPointF value) {
        if (const MinuteCounts* m = entries_->emergencyNear(value))
            offerEmergencies(m->minute);
    });
    connect(linkView_, &ActivityChartView::saveReported, this, &CActivityPage::saveReported);
    connect(entryView_, &ActivityChartView::saveReported, this, &CActivityPage::saveReported);
    timer_->setInterval(kRedrawMs);
    connect(timer_, &QTimer::timeout, this, &CActivityPage::redrawIfShown);
    timer_->start();
}

void CActivityPage::setRange(Range range)
{
    range_->setCurrentIndex(range);
}

CActivityPage::Range CActivityPage::range() const
{
    return Range(range_->currentIndex());
}

void CActivityPage::setSource(Source source)
{
    source_->setVisible(source_->isVisible() || source == FilesRead);
    source_->setCurrentIndex(source);
}

CActivityPage::Source CActivityPage::source() const
{
    return Source(source_->currentIndex());
}

void CActivityPage::setClock(std::function<qint64()> now)
{
    now_ = std::move(now);
    redraw();
}

qint64 CActivityPage::rangeMs() const
{
    switch (range()) {
    case Last15Minutes:
        return 15 * kMinuteMs;
    case LastHour:
        return 60 * kMinuteMs;
    case Last24Hours:
        break;
    }
    return 24 * 60 * kMinuteMs;
}

QString CActivityPage::routerText() const
{
    return router_->text();
}

void CActivityPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    redraw();
}

void CActivityPage::redrawIfShown()
{
    // Live ranges move on with the clock, so a shown tab is drawn every second.
    if (isVisible() && (dirty_ || source() == Arrivals))
        redraw();
}

void CActivityPage::redraw()
{
    dirty_ = false;
    const qint64 now = now_();
    const qint64 span = rangeMs();

    // Link rates: the router watched, whichever senders are accepted.
    shownRouter_ = watch_->chosen();
    const LinkSeries* link = series_->link(shownRouter_);
    QString title;
    if (shownRouter_.isEmpty())
        title = GetUiText(UiTextId::NoStatusReportYet);
    else if (!link)
        title = GetUiText(UiTextId::NoStatusReportFrom).arg(shownRouter_);
    else
        title = GetUiText(UiTextId::LinkRatesOf).arg(shownRouter_);
    router_->setText(title);
    link_->show(link, title, now - span, now, now);

    // Entries per minute: up to now, or up to the last minute of the files read back.
    const bool files = source() == FilesRead;
    const MinuteActivity& minutes = files ? series_->fileMinutes() : series_->minutes();
    const qint64 end = files && !minutes.isEmpty() ? (minutes.latestMinute() + 1) * kMinuteMs : now;
    entries_->show(minutes.range(minuteOf(end - span), minuteOf(end)), end - span, end);
    describeCharts(link, minutes);
    // The pointer's tooltip follows what is drawn under it now.
    linkView_->refreshTooltip();
    entryView_->refreshTooltip();
}

void CActivityPage::describeCharts(const LinkSeries* link, const MinuteActivity& minutes)
{
    const auto timeText = [](qint64 msecs) {
        return QDateTime::fromMSecsSinceEpoch(msecs).toString(QStringLiteral("HH:mm:ss"));
    };
    const auto number = [](double value) {
        return isKnown(value) ? QLocale().toString(value, 'f', value == std::floor(value) ? 0 : 1)
                              : QStringLiteral("-");
    };
    linkView_->setAccessibleName(router_->text());
    linkView_->viewport()->setAccessibleName(router_->text());
    const LinkPoint* latest = link ? link->latest() : nullptr;
    linkView_->setAccessibleDescription(
        latest ? GetUiText(UiTextId::LinkChartDescription)
                     .arg(timeText(latest->at), number(latest->txRate), number(latest->rxRate))
               : QString());
    entryView_->setAccessibleName(GetUiText(UiTextId::EntriesPerMinute));
    entryView_->viewport()->setAccessibleName(GetUiText(UiTextId::EntriesPerMinute));
    const std::vector<MinuteCounts> last =
        minutes.isEmpty() ? std::vector<MinuteCounts>()
                          : minutes.range(minutes.latestMinute(), minutes.latestMinute());
    entryView_->setAccessibleDescription(
        last.empty() ? QString()
                     : GetUiText(UiTextId::EntryChartDescription)
                           .arg(QLocale().toString(last.front().total()),
                                timeText(last.front().minute * kMinuteMs).left(5),
                                QLocale().toString(last.front().totalEmergencies())));
}

void CActivityPage::addEmergencyEntries(QMenu* menu)
{
    // The keyboard's way to what a click on a red mark offers: the latest minutes shown.
    int offered = 0;
    const std::vector<MinuteCounts>& shown = entries_->shown();
    for (auto m = shown.rbegin(); m != shown.rend() && offered < 3; ++m) {
        if (m->totalEmergencies() == 0)
            continue;
        if (offered++ == 0)
            menu->addSeparator();
        addEmergencyActions(menu, *m);
    }
}

void CActivityPage::offerEmergencies(qint64 minute)
{
    const MinuteCounts* m = entries_->minuteAt(QPointF(double(minute * kMinuteMs), 0));
    if (!m || m->totalEmergencies() == 0)
        return;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    addEmergencyActions(menu, *m);
    menu->popup(QCursor::pos());
}

void CActivityPage::addEmergencyActions(QMenu* menu, const MinuteCounts& m)
{
    const Source from = source();
    const qint64 minute = m.minute;
    const QString when =
        QDateTime::fromMSecsSinceEpoch(minute * kMinuteMs).toString(QStringLiteral("HH:mm"));
    for (LogCategory c : kAllCategories) {
        const quint32 n = m.emergencies[size_t(categoryIndex(c))];
        if (n == 0)
            continue;
        menu->addAction(
            GetUiText(UiTextId::ShowEmergencies).arg(n).arg(when, GetUiText(categoryTitle(c))),
            this, [this, c, minute, from] { Q_EMIT emergenciesRequested(c, minute, from); });
    }
}

} // namespace quendal
