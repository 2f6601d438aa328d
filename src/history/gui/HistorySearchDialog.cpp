#include "history/gui/HistorySearchDialog.h"

#include "common/core/DisplayText.h"
#include "common/core/UiText.h"
#include "history/core/HistoryTime.h"
#include "logs/gui/EntryDetailsDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quendal {
namespace {

// A text for one cell of a line of the clipboard: tabs and line breaks as blanks.
QString oneLine(QByteArrayView bytes)
{
    QString text = decodeForDisplay(bytes);
    for (QChar& c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

} // namespace

HistorySearchDialog::HistorySearchDialog(const QString& folder, QWidget* parent)
    : QDialog(parent), folder_(folder)
{
    setWindowTitle(GetUiText(UiTextId::SearchHistoryTitle));
    text_ = new QLineEdit(this);
    regex_ = new QCheckBox(GetUiText(UiTextId::RegularExpression), this);
    case_ = new QCheckBox(GetUiText(UiTextId::MatchCase), this);
    host_ = new QLineEdit(this);
    category_ = new QComboBox(this);
    category_->addItem(GetUiText(UiTextId::AllCategories));
    for (const LogCategory category : kAllCategories)
        category_->addItem(GetUiText(categoryTitle(category)));
    emergency_ = new QCheckBox(GetUiText(UiTextId::EmergenciesOnly), this);
    from_ = new QLineEdit(this);
    to_ = new QLineEdit(this);
    from_->setPlaceholderText(GetUiText(UiTextId::SearchTimeHint));
    to_->setPlaceholderText(GetUiText(UiTextId::SearchTimeHint));

    auto* textRow = new QHBoxLayout;
    textRow->addWidget(text_, 1);
    textRow->addWidget(case_);
    textRow->addWidget(regex_);
    auto* timeRow = new QHBoxLayout;
    timeRow->addWidget(from_);
    timeRow->addWidget(new QLabel(GetUiText(UiTextId::ToTimeLabel), this));
    timeRow->addWidget(to_);
    auto* whereRow = new QHBoxLayout;
    whereRow->addWidget(category_);
    whereRow->addWidget(emergency_);
    whereRow->addStretch();
    auto* form = new QFormLayout;
    form->addRow(GetUiText(UiTextId::SearchTextLabel), textRow);
    form->addRow(GetUiText(UiTextId::HostLabel), host_);
    form->addRow(GetUiText(UiTextId::CategoryLabel), whereRow);
    form->addRow(GetUiText(UiTextId::FromTimeLabel), timeRow);

    search_ = new QPushButton(GetUiText(UiTextId::StartSearch), this);
    search_->setDefault(true);
    cancel_ = new QPushButton(GetUiText(UiTextId::Cancel), this);
    cancel_->setEnabled(false);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 1000);
    progress_->setValue(0);
    auto* runRow = new QHBoxLayout;
    runRow->addWidget(search_);
    runRow->addWidget(cancel_);
    runRow->addWidget(progress_, 1);
    status_ = new QLabel(this);
    status_->setTextFormat(Qt::PlainText);

    results_ = new QTreeWidget(this);
    results_->setRootIsDecorated(false);
    results_->setUniformRowHeights(true);
    results_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    results_->setHeaderLabels({GetUiText(UiTextId::TimeColumn), GetUiText(UiTextId::HostColumn),
                               GetUiText(UiTextId::MessageColumn)});
    results_->setContextMenuPolicy(Qt::CustomContextMenu);
    results_->header()->setStretchLastSection(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(GetUiText(UiTextId::Close));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(runRow);
    layout->addWidget(status_);
    layout->addWidget(results_, 1);
    layout->addWidget(buttons);
    resize(860, 560);

    connect(search_, &QPushButton::clicked, this, &HistorySearchDialog::startSearch);
    connect(text_, &QLineEdit::returnPressed, this, &HistorySearchDialog::startSearch);
    connect(cancel_, &QPushButton::clicked, this, &HistorySearchDialog::cancelSearch);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(results_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { showDetails(results_->indexOfTopLevelItem(item)); });
    connect(results_, &QWidget::customContextMenuRequested, this,
            &HistorySearchDialog::showContextMenu);
    auto* copy = new QShortcut(QKeySequence::Copy, results_);
    connect(copy, &QShortcut::activated, this, &HistorySearchDialog::copySelection);
}

HistorySearchDialog::~HistorySearchDialog()
{
    // The job's destructor stops its thread before the results it feeds are gone.
    delete job_;
}

bool HistorySearchDialog::isSearching() const
{
    return job_ && job_->isRunning();
}

QString HistorySearchDialog::statusText() const
{
    return status_->text();
}

bool HistorySearchDialog::startSearch()
{
    HistoryQuery query;
    query.text = text_->text();
    query.regularExpression = regex_->isChecked();
    query.caseSensitive = case_->isChecked();
    query.host = host_->text().trimmed();
    if (const int index = category_->currentIndex(); index > 0)
        query.categories = {LogCategory(index - 1)};
    query.emergenciesOnly = emergency_->isChecked();
    for (const auto& [field, bound] :
         {std::pair{from_, &query.sinceMs}, std::pair{to_, &query.untilMs}}) {
        if (field->text().trimmed().isEmpty())
            continue;
        *bound = parseSearchTime(field->text());
        if (!*bound) {
            status_->setText(GetUiText(UiTextId::SearchBadTime));
            field->setFocus();
            return false;
        }
    }

    delete job_;
    found_.clear();
    problems_.clear();
    results_->clear();
    progress_->setValue(0);
    status_->clear();
    job_ = new HistorySearchJob(query, folder_, limit_);
    // Batches of an earlier search may still wait in the event queue: only this one's count.
    const int generation = ++generation_;
    const auto current = [this, generation] {
        return generation == generation_;
    };
    connect(job_, &HistorySearchJob::found, this,
            [this, current](const QList<HistoryEntry>& entries) {
                if (current())
                    addResults(entries);
            });
    connect(job_, &HistorySearchJob::progress, this, [this, current](qint64 read, qint64 total) {
        if (current())
            progress_->setValue(total > 0 ? int(read * 1000 / total) : 1000);
    });
    connect(job_, &HistorySearchJob::problem, this,
            [this, current](const QString& path, const QString& reason) {
                if (current())
                    problems_.append(GetUiText(UiTextId::SearchUnreadable).arg(path, reason));
            });
    connect(job_, &HistorySearchJob::finished, this,
            [this, current](HistorySearchJob::Outcome outcome, const QString& error) {
                if (current())
                    finish(outcome, error);
            });
    search_->setEnabled(false);
    cancel_->setEnabled(true);
    job_->start();
    return true;
}

void HistorySearchDialog::cancelSearch()
{
    if (job_)
        job_->cancel();
}

void HistorySearchDialog::addResults(const QList<HistoryEntry>& entries)
{
    QList<QTreeWidgetItem*> items;
    items.reserve(entries.size());
    for (const HistoryEntry& found : entries) {
        auto* item = new QTreeWidgetItem({decodeForDisplay(found.entry.time),
                                          decodeForDisplay(found.entry.host),
                                          decodeForDisplay(found.entry.message)});
        if (found.entry.isEmergency()) {
            for (int column = 0; column < 3; ++column)
                item->setForeground(column, Qt::red);
        }
        item->setToolTip(0, GetUiText(UiTextId::EntryInFile).arg(found.file).arg(found.line));
        items.append(item);
        found_.append(found);
    }
    results_->addTopLevelItems(items);
    status_->setText(GetUiText(UiTextId::SearchFoundCount).arg(found_.size()));
}

void HistorySearchDialog::finish(HistorySearchJob::Outcome outcome, const QString& error)
{
    search_->setEnabled(true);
    cancel_->setEnabled(false);
    QString text;
    switch (outcome) {
    case HistorySearchJob::Outcome::Completed:
        progress_->setValue(progress_->maximum());
        text = GetUiText(UiTextId::SearchFoundCount).arg(found_.size());
        break;
    case HistorySearchJob::Outcome::Capped:
        text = GetUiText(UiTextId::SearchCapped).arg(found_.size());
        break;
    case HistorySearchJob::Outcome::Cancelled:
        text = GetUiText(UiTextId::SearchCancelled).arg(found_.size());
        break;
    case HistorySearchJob::Outcome::Invalid:
        text = GetUiText(UiTextId::SearchBadPattern).arg(error);
        break;
    }
    if (!problems_.isEmpty())
        text += QStringLiteral("; ") + problems_.join(QStringLiteral("; "));
    status_->setText(text);
    Q_EMIT searchFinished(outcome);
}

int HistorySearchDialog::currentRow() const
{
    return results_->indexOfTopLevelItem(results_->currentItem());
}

QString HistorySearchDialog::fileLocation(qsizetype row) const
{
    const HistoryEntry& found = found_.at(row);
    return GetUiText(UiTextId::EntryInFile).arg(found.file).arg(found.line);
}

QString HistorySearchDialog::selectedText() const
{
    QString text;
    for (int row = 0; row < results_->topLevelItemCount(); ++row) {
        if (!results_->topLevelItem(row)->isSelected())
            continue;
        const LogEntry& entry = found_.at(row).entry;
        text += oneLine(entry.time) + QLatin1Char('\t') + oneLine(entry.host) + QLatin1Char('\t') +
                oneLine(entry.message) + QLatin1Char('\n');
    }
    return text;
}

void HistorySearchDialog::copySelection() const
{
    if (const QString text = selectedText(); !text.isEmpty())
        QApplication::clipboard()->setText(text);
}

void HistorySearchDialog::showDetails(int row)
{
    if (row < 0 || row >= found_.size())
        return;
    auto* details = new EntryDetailsDialog(this);
    details->setAttribute(Qt::WA_DeleteOnClose);
    details->showEntry(found_.at(row).category, found_.at(row).entry);
    details->show();
}

void HistorySearchDialog::showInFile(int row)
{
    if (row < 0 || row >= found_.size())
        return;
    auto* box = new QMessageBox(QMessageBox::Information, GetUiText(UiTextId::ShowInFile),
                                fileLocation(row), QMessageBox::Close, this);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

void HistorySearchDialog::showContextMenu(const QPoint& at)
{
    const int row = currentRow();
    if (row < 0)
        return;
    QMenu menu(this);
    menu.addAction(GetUiText(UiTextId::Copy), this, &HistorySearchDialog::copySelection);
    menu.addAction(GetUiText(UiTextId::Details), this, [this, row] { showDetails(row); });
    menu.addAction(GetUiText(UiTextId::ShowInFile), this, [this, row] { showInFile(row); });
    menu.exec(results_->viewport()->mapToGlobal(at));
}

} // namespace quendal
