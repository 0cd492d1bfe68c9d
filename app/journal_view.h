// A read-only view of the journal in journal-number order: a period over the processing
// date (typed or one of the quick choices), an executor, a run-number range and a text
// filter over file name, executor, brief contents and addressees, with the count of rows
// found. The rows found print through the journal template or as a summary.
//
// Rows come from the database a page at a time as the view scrolls, each page picking up
// after the last row it has ("keyset" paging on journal number and key), so a journal of
// millions of rows opens at once on either engine and no page costs more than the first.
// The filter runs inside the database and ignores letter case for all of Unicode:
//
//   SQLite      fr_contains(:text, "NameFile", "Ispolnitel", "BriefContents", "ToWhom"),
//               the program's own SQL function (app/sqlite_functions.h); SQLite's LIKE
//               folds Latin letters only
//   PostgreSQL  strpos(lower(the four fields joined), lower(:text)) by the database's own
//               locale when that folds Cyrillic, otherwise (a database made with the C
//               locale) under the ICU root collation "und-x-icu" when the server has it
//
// Neither can use an index for a substring anywhere in a field: each page reads the
// journal in number order until the page is full or the journal ends. A period or an
// executor narrows the rows through their indexes first (app/journal_selection.h).
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QList>
#include <QSqlDatabase>
#include <QTimer>
#include <QVariant>
#include <QVector>

#include "app/journal_selection.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;

class TJournalModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Rows fetched per page.
    static constexpr int kPageRows = 256;

    explicit TJournalModel(const QSqlDatabase &db, QObject *parent = nullptr);

    // Starts over with the rows of the selection and fetches the first page. Database
    // errors raise EfrError.
    void setSelection(const TJournalSelection &selection);
    const TJournalSelection &selection() const { return m_selection; }
    // The same with only a text (blank: every row).
    void setFilter(const QString &text);
    const QString &filter() const { return m_selection.text; }
    // Every row of the selection has been fetched.
    bool atEnd() const { return m_atEnd; }
    // The rows the selection finds, counted by the database.
    qint64 countRows() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    // Display: sizes grouped by thousands and right-aligned with the other numbers,
    // multi-line texts on one line ("; " between the lines) with the whole text as the
    // tooltip (the view adds one for any text its column cuts short). Edit role: the
    // value as stored.
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent = {}) const override;
    // Errors are reported to the operator and end the fetching.
    void fetchMore(const QModelIndex &parent = {}) override;

    // The journal's field of a column.
    static QString fieldOf(int column);
    // The column title on one line ("Дата создания"); the header shows it on two where
    // that keeps the column narrow.
    static QString titleOf(int column);

private:
    struct Row {
        QVector<QVariant> values;
        QVariant numPP;
        qint64 id = 0;
    };
    // Reads the next page; false once the journal has no more rows.
    void fetchPage();
    QString pageStatement(bool numbered, bool first) const;

    QSqlDatabase m_db;
    TJournalSelection m_selection;
    QString m_collate; // PostgreSQL: the collation that folds every alphabet
    QList<Row> m_rows;
    bool m_numberedDone = false; // rows with a journal number all read; unnumbered ones follow
    bool m_atEnd = true;
};

class TJournalView : public QDialog {
    Q_OBJECT
public:
    explicit TJournalView(const QSqlDatabase &db, QWidget *parent = nullptr);
    ~TJournalView() override;

    TJournalModel *model() const { return m_model; }
    QTableView *table() const { return m_table; }
    QLineEdit *filterEdit() const { return m_filter; }
    QComboBox *periodChoice() const { return m_period; }
    QDateEdit *fromEdit() const { return m_from; }
    QDateEdit *toEdit() const { return m_to; }
    QComboBox *executorChoice() const { return m_executor; }
    QSpinBox *runFromEdit() const { return m_runFrom; }
    QSpinBox *runToEdit() const { return m_runTo; }
    QLabel *countLabel() const { return m_count; }

    // The quick choices count from this day (default: today).
    void setToday(QDate today) { m_today = today; }
    // Entries of the period choice: the whole journal, the quick choices, a period typed in.
    static constexpr int WholeJournal = 0;
    static constexpr int TypedPeriod = QuickPeriodCount + 1;
    static int indexOf(TQuickPeriod choice) { return int(choice) + 1; }

    // What the controls choose.
    TJournalSelection selection() const;
    // Runs the query for the controls at once (typing and choosing run it after a short
    // pause) and counts the rows found.
    void applySelection();
    // Sets the filter text and runs the query at once.
    void applyFilter(const QString &text);
    // "Печать" and "Сводка": the rows found through the journal template (in the order of
    // the settings) or as the summary, in the preview.
    void printSelection();
    void printSummary();
    // Lays the columns out for the table's width: every column as wide as its title and
    // typical contents need, the brief contents taking what is left. After the operator
    // resizes a column by hand, the widths are theirs.
    void fitColumns();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void periodChosen(int index);
    void showCount();

    QSqlDatabase m_db;
    TJournalModel *m_model = nullptr;
    QTableView *m_table = nullptr;
    QLineEdit *m_filter = nullptr;
    QComboBox *m_period = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    QComboBox *m_executor = nullptr;
    QSpinBox *m_runFrom = nullptr;
    QSpinBox *m_runTo = nullptr;
    QLabel *m_count = nullptr;
    QDate m_today;
    bool m_choosing = false; // the period choice is setting the dates
    QTimer m_typing;
    bool m_fitting = false;
    bool m_userSized = false;
};
