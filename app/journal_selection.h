// Which journal rows the journal view shows, counts and prints: a period over the processing
// date, an executor, a range of run numbers and a text, each optional.
//
// The processing date is stored as text "dd.mm.yy", which does not sort. Periods compare
// the key "yymmdd" made from it by JournalDateKey(); the data module keeps an index on that
// very expression (and one on executor and key), so both engines find a period's rows
// without reading the journal. Two-digit years make the key hold for 2000 to 2099.
#pragma once

#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <utility>

struct TJournalSelection {
    QDate from; // first processing day; null: from the beginning
    QDate to;   // last processing day; null: to the end
    QString executor; // exact name; empty: every executor
    int runFrom = 0;  // 0: no lower limit
    int runTo = 0;    // 0: no upper limit
    QString text;     // substring of file name, executor, brief contents or addressees

    bool hasPeriod() const { return from.isValid() || to.isValid(); }
    // The period as the printed title names it: "01.03.2026 – 31.03.2026", "с 01.03.2026",
    // "по 31.03.2026"; empty without a period.
    QString periodText() const;
};

// The quick choices of a period, in the order the view offers them.
enum class TQuickPeriod { Today, ThisWeek, ThisMonth, LastMonth, ThisQuarter, ThisYear };
inline constexpr int QuickPeriodCount = 6;
// "Сегодня", "Эта неделя", "Этот месяц", "Прошлый месяц", "Этот квартал", "Этот год".
QString QuickPeriodName(TQuickPeriod choice);
// The whole calendar period around today (a week runs Monday to Sunday).
std::pair<QDate, QDate> QuickPeriodDates(TQuickPeriod choice, QDate today);

// The SQL expression of the sortable processing-date key, as the index spells it.
QString JournalDateKey();
// The key of a date ("yymmdd").
QString JournalDateKeyOf(QDate date);

// PostgreSQL: the collation to add so lower() folds every alphabet (" COLLATE ..."), or
// empty when the database's own locale does it. Empty for SQLite.
QString JournalFoldingCollation(const QSqlDatabase &db);

// The WHERE condition of the selection over Журнал, values written in as literals the
// driver quotes ("1 = 1" for an empty selection). collate: JournalFoldingCollation().
QString JournalCondition(const QSqlDatabase &db, const TJournalSelection &selection, const QString &collate);
// Whether the condition can use the period or executor index, and journal-number order
// should not make the engine walk the number index instead.
bool JournalConditionIndexed(const TJournalSelection &selection);

// Journal order: by number, unnumbered rows last, ties by key; backward reverses it.
QString JournalOrder(bool backward);

// The number of rows the selection finds; errors raise EfrError.
qint64 CountJournalRows(const QSqlDatabase &db, const TJournalSelection &selection, const QString &collate);
// The executors named in the journal, sorted, without blanks; errors raise EfrError.
QStringList JournalExecutors(const QSqlDatabase &db);
