#pragma once

#include "history/core/HistorySearchJob.h"

#include <QDialog>
#include <QList>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace quendal {

// A search of the log folder's files, rotated and compressed ones included, with the criteria
// of the command line's --search. Results come in newest first while a thread reads the files;
// the bar shows the bytes read of all, Cancel stops the reading. At most a limit of results is
// kept; past it the search stops and says to refine it.
class HistorySearchDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr qsizetype kDefaultResultLimit = 10000;

    HistorySearchDialog(const QString& folder, QWidget* parent = nullptr);
    ~HistorySearchDialog() override;

    void setFolder(const QString& folder) { folder_ = folder; }
    void setResultLimit(qsizetype limit) { limit_ = limit; }

    // Starts a search with the criteria in the fields; false when a field is not understood
    // (the status line says which).
    bool startSearch();
    void cancelSearch();
    bool isSearching() const;

    QLineEdit* textField() const { return text_; }
    QCheckBox* regexBox() const { return regex_; }
    QCheckBox* caseBox() const { return case_; }
    QLineEdit* hostField() const { return host_; }
    QComboBox* categoryBox() const { return category_; }
    QCheckBox* emergencyBox() const { return emergency_; }
    QLineEdit* fromField() const { return from_; }
    QLineEdit* toField() const { return to_; }
    QPushButton* searchButton() const { return search_; }
    QPushButton* cancelButton() const { return cancel_; }
    QProgressBar* progressBar() const { return progress_; }
    QTreeWidget* resultList() const { return results_; }
    QString statusText() const;

    qsizetype resultCount() const { return found_.size(); }
    const HistoryEntry& result(qsizetype row) const { return found_.at(row); }
    // "FILE, line N", the place of a result in its file.
    QString fileLocation(qsizetype row) const;
    // The selected results as the clipboard gets them: Time, Host and Message per line.
    QString selectedText() const;

Q_SIGNALS:
    void searchFinished(quendal::HistorySearchJob::Outcome outcome);

private:
    void addResults(const QList<HistoryEntry>& entries);
    void finish(HistorySearchJob::Outcome outcome, const QString& error);
    void copySelection() const;
    void showDetails(int row);
    void showInFile(int row);
    void showContextMenu(const QPoint& at);
    int currentRow() const;

    QString folder_;
    qsizetype limit_ = kDefaultResultLimit;
    HistorySearchJob* job_ = nullptr;
    int generation_ = 0;
    QList<HistoryEntry> found_;
    QStringList problems_;

    QLineEdit* text_;
    QCheckBox* regex_;
    QCheckBox* case_;
    QLineEdit* host_;
    QComboBox* category_;
    QCheckBox* emergency_;
    QLineEdit* from_;
    QLineEdit* to_;
    QPushButton* search_;
    QPushButton* cancel_;
    QProgressBar* progress_;
    QLabel* status_;
    QTreeWidget* results_;
};

} // namespace quendal
