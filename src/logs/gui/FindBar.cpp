#include "logs/gui/FindBar.h"

#include "common/core/UiText.h"
#include "controls/gui/CColorListCtrl.h"
#include "logs/core/SeverityText.h"
#include "logs/gui/RowFilter.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

namespace quendal {
namespace {

// Typing waits this long before the list is searched again: one search per pause, not per key.
constexpr int kTypingPauseMs = 150;

} // namespace

FindBar::FindBar(CColorListCtrl* ctrl, QWidget* parent) : QWidget(parent), ctrl_(ctrl)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 2);
    text_ = new QLineEdit(this);
    text_->setPlaceholderText(GetUiText(UiTextId::Find));
    text_->setClearButtonEnabled(true);
    text_->installEventFilter(this);
    case_ = new QCheckBox(GetUiText(UiTextId::MatchCase), this);
    regex_ = new QCheckBox(GetUiText(UiTextId::RegularExpression), this);
    only_ = new QCheckBox(GetUiText(UiTextId::OnlyMatchingRows), this);
    only_->setChecked(true);
    host_ = new QLineEdit(this);
    host_->setPlaceholderText(GetUiText(UiTextId::HostLabel));
    host_->setMaximumWidth(
        host_->fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255")) + 30);
    host_->installEventFilter(this);
    severity_ = new QComboBox(this);
    severity_->addItem(GetUiText(UiTextId::AnySeverity), -1);
    for (int worst = 0; worst <= int(Severity::Debug); ++worst) {
        const QString name = severityText(Severity(worst));
        severity_->addItem(worst == 0 ? name : GetUiText(UiTextId::SeverityAndWorse).arg(name),
                           worst);
    }
    count_ = new QLabel(this);
    count_->setTextFormat(Qt::PlainText);
    // Room for a large count, so that the bar keeps its layout as the count changes.
    count_->setMinimumWidth(count_->fontMetrics().horizontalAdvance(
        GetUiText(UiTextId::MatchPosition).arg(8888888).arg(8888888)));
    closeButton_ = new QToolButton(this);
    closeButton_->setText(QStringLiteral("\u2715"));
    closeButton_->setToolTip(GetUiText(UiTextId::Close));
    closeButton_->setAutoRaise(true);
    row->addWidget(text_, 3);
    row->addWidget(case_);
    row->addWidget(regex_);
    row->addWidget(only_);
    row->addWidget(host_, 1);
    row->addWidget(severity_);
    row->addWidget(count_);
    row->addWidget(closeButton_);

    typing_ = new QTimer(this);
    typing_->setSingleShot(true);
    typing_->setInterval(kTypingPauseMs);
    connect(typing_, &QTimer::timeout, this, &FindBar::applyNow);
    connect(text_, &QLineEdit::textChanged, typing_, qOverload<>(&QTimer::start));
    connect(host_, &QLineEdit::textChanged, typing_, qOverload<>(&QTimer::start));
    connect(case_, &QCheckBox::toggled, this, &FindBar::applyNow);
    connect(regex_, &QCheckBox::toggled, this, &FindBar::applyNow);
    connect(only_, &QCheckBox::toggled, this, &FindBar::applyNow);
    connect(severity_, &QComboBox::currentIndexChanged, this, &FindBar::applyNow);
    connect(closeButton_, &QToolButton::clicked, this, &FindBar::close);

    // F3 and Shift+F3 work from the list as well as from the bar.
    auto* next = new QAction(this);
    next->setShortcut(QKeySequence(Qt::Key_F3));
    auto* previous = new QAction(this);
    previous->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    for (QAction* action : {next, previous}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        (parent ? parent : this)->addAction(action);
    }
    connect(next, &QAction::triggered, this, &FindBar::findNext);
    connect(previous, &QAction::triggered, this, &FindBar::findPrevious);
    hide();
}

FindBar::~FindBar() = default;

void FindBar::open()
{
    if (!filter_ && ctrl_->list()) {
        filter_ = new RowFilter(ctrl_->list(), this);
        connect(filter_, &RowFilter::matchCountChanged, this, &FindBar::onMatchCountChanged);
        connect(filter_, &QAbstractItemModel::modelReset, this, [this] {
            current_ = -1;
            lastCount_ = 0;
        });
        applyNow();
        ctrl_->setDisplayModel(filter_);
        // The match found is the list's selected row: shown even while the focus is here.
        listShowedSelectionAlways_ = ctrl_->showSelectionAlways();
        ctrl_->setShowSelectionAlways(true);
    }
    show();
    text_->setFocus();
    text_->selectAll();
}

void FindBar::close()
{
    typing_->stop();
    ctrl_->setDisplayModel(nullptr);
    if (filter_)
        ctrl_->setShowSelectionAlways(listShowedSelectionAlways_);
    delete filter_;
    filter_ = nullptr;
    current_ = -1;
    lastCount_ = 0;
    hide();
    ctrl_->setFocus();
}

void FindBar::applyNow()
{
    typing_->stop();
    if (!filter_)
        return;
    FindQuery query;
    query.text = text_->text();
    query.caseSensitive = case_->isChecked();
    query.regularExpression = regex_->isChecked();
    query.host = host_->text().trimmed();
    query.worstSeverity = severity_->currentData().toInt();
    filter_->setOnlyMatching(only_->isChecked() && !query.isEmpty());
    filter_->setQuery(query);
    updateCount();
}

void FindBar::onMatchCountChanged(qsizetype count)
{
    // New matches arrive on top: the one selected keeps its place among them.
    if (current_ >= 0) {
        if (count > lastCount_)
            current_ += count - lastCount_;
        current_ = std::min(current_, count - 1);
    }
    lastCount_ = count;
    updateCount();
}

void FindBar::findNext()
{
    if (typing_->isActive())
        applyNow();
    if (!filter_ || filter_->matchCount() == 0)
        return;
    // From the row selected in the list, whether a match found before or one the user clicked.
    const qsizetype from = ctrl_->currentRow();
    if (from >= 0) {
        const qsizetype below = filter_->matchBelow(int(from));
        current_ = below >= 0 ? below : 0;
    } else {
        current_ = (current_ + 1) % filter_->matchCount();
    }
    showMatch();
}

void FindBar::findPrevious()
{
    if (typing_->isActive())
        applyNow();
    if (!filter_ || filter_->matchCount() == 0)
        return;
    const qsizetype count = filter_->matchCount();
    const qsizetype from = ctrl_->currentRow();
    if (from >= 0) {
        const qsizetype above = filter_->matchAbove(int(from));
        current_ = above >= 0 ? above : count - 1;
    } else {
        current_ = current_ <= 0 ? count - 1 : current_ - 1;
    }
    showMatch();
}

void FindBar::showMatch()
{
    const int row = filter_->rowOfMatch(current_);
    if (row >= 0)
        ctrl_->setCurrentRow(row);
    updateCount();
}

QString FindBar::countText() const
{
    return count_->text();
}

void FindBar::updateCount()
{
    if (!filter_ || filter_->query().isEmpty()) {
        count_->clear();
        return;
    }
    if (!filter_->isValid()) {
        count_->setText(GetUiText(UiTextId::SearchBadPattern).arg(filter_->errorText()));
        return;
    }
    const qsizetype count = filter_->matchCount();
    if (count == 0) {
        count_->setText(GetUiText(UiTextId::NoMatch));
        return;
    }
    count_->setText(GetUiText(UiTextId::MatchPosition).arg(current_ + 1).arg(count));
}

void FindBar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers().testFlag(Qt::ShiftModifier))
                findPrevious();
            else
                findNext();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            close();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace quendal
