// A read-only view of the whole journal in journal-number order, with a text filter over
// file name, executor, brief contents and addressees. Rows are fetched as the view scrolls,
// so a journal of millions of rows opens at once.
#pragma once

#include <QDialog>
#include <QSqlDatabase>
#include <QTimer>

class QLineEdit;
class QSqlQueryModel;
class QTableView;

class TJournalView : public QDialog {
    Q_OBJECT
public:
    explicit TJournalView(const QSqlDatabase &db, QWidget *parent = nullptr);
    ~TJournalView() override;

    QSqlQueryModel *model() const { return m_model; }
    QTableView *table() const { return m_table; }
    QLineEdit *filterEdit() const { return m_filter; }

    // Runs the query for the filter text at once (typing runs it after a short pause).
    void applyFilter(const QString &text);
    // The SQL for a filter text and the pattern its placeholders :p0..:p3 take; an empty
    // pattern means no filter.
    static QString selectStatement(const QSqlDatabase &db, const QString &filter, QString *pattern);

private:
    QSqlDatabase m_db;
    QSqlQueryModel *m_model = nullptr;
    QTableView *m_table = nullptr;
    QLineEdit *m_filter = nullptr;
    QTimer m_typing;
};
