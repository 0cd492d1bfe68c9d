#include "app/journal_selection.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <algorithm>

#include "app/connection_string.h"
#include "app/main_dm.h"
#include "report/eval/errors.h"

namespace {

const char *const kFilterFields[] = {"NameFile", "Ispolnitel", "BriefContents", "ToWhom"};

QString quoted(const char *name)
{
    return QStringLiteral("\"%1\"").arg(QString::fromLatin1(name));
}

// A text as an SQL literal, quoted by the connection's own driver.
QString literal(const QSqlDatabase &db, const QString &text)
{
    QSqlField field(QStringLiteral("v"), QMetaType(QMetaType::QString));
    field.setValue(text);
    return db.driver()->formatValue(field);
}

QString dayText(QDate d)
{
    return d.toString(QStringLiteral("dd.MM.yyyy"));
}

} // namespace

QString TJournalSelection::periodText() const
{
    if (from.isValid() && to.isValid())
        return QStringLiteral("%1 – %2").arg(dayText(from), dayText(to));
    if (from.isValid())
        return QStringLiteral("с %1").arg(dayText(from));
    if (to.isValid())
        return QStringLiteral("по %1").arg(dayText(to));
    return QString();
}

QString QuickPeriodName(TQuickPeriod choice)
{
    switch (choice) {
    case TQuickPeriod::Today: return QStringLiteral("Сегодня");
    case TQuickPeriod::ThisWeek: return QStringLiteral("Эта неделя");
    case TQuickPeriod::ThisMonth: return QStringLiteral("Этот месяц");
    case TQuickPeriod::LastMonth: return QStringLiteral("Прошлый месяц");
    case TQuickPeriod::ThisQuarter: return QStringLiteral("Этот квартал");
    case TQuickPeriod::ThisYear: return QStringLiteral("Этот год");
    }
    return QString();
}

std::pair<QDate, QDate> QuickPeriodDates(TQuickPeriod choice, QDate today)
{
    const QDate month(today.year(), today.month(), 1);
    switch (choice) {
    case TQuickPeriod::Today:
        return {today, today};
    case TQuickPeriod::ThisWeek: {
        const QDate monday = today.addDays(1 - today.dayOfWeek());
        return {monday, monday.addDays(6)};
    }
    case TQuickPeriod::ThisMonth:
        return {month, month.addMonths(1).addDays(-1)};
    case TQuickPeriod::LastMonth:
        return {month.addMonths(-1), month.addDays(-1)};
    case TQuickPeriod::ThisQuarter: {
        const QDate first(today.year(), (today.month() - 1) / 3 * 3 + 1, 1);
        return {first, first.addMonths(3).addDays(-1)};
    }
    case TQuickPeriod::ThisYear:
        return {QDate(today.year(), 1, 1), QDate(today.year(), 12, 31)};
    }
    return {};
}

QString JournalDateKey()
{
    return QStringLiteral("(substr(\"DateProcesFile\", 7, 2) || substr(\"DateProcesFile\", 4, 2) || "
                          "substr(\"DateProcesFile\", 1, 2))");
}

QString JournalDateKeyOf(QDate date)
{
    return date.toString(QStringLiteral("yyMMdd"));
}

QString JournalFoldingCollation(const QSqlDatabase &db)
{
    if (frEngineOf(db) != TfrDbEngine::dePostgreSQL)
        return QString();
    // A database made with a UTF-8 locale folds every alphabet by itself, and does it
    // faster than ICU; one made with the C locale folds Latin letters only, and then the
    // ICU root collation does it, when the server was built with ICU.
    QSqlQuery probe(db);
    if (probe.exec(QStringLiteral("SELECT lower('ЁЛКА') = 'ёлка'")) && probe.next() && probe.value(0).toBool())
        return QString();
    if (probe.exec(QStringLiteral("SELECT 1 FROM pg_collation WHERE collname = 'und-x-icu'")) && probe.next())
        return QStringLiteral(" COLLATE \"und-x-icu\"");
    return QString();
}

QString JournalCondition(const QSqlDatabase &db, const TJournalSelection &s, const QString &collate)
{
    QStringList where;
    // Keys are digits only, safe to write in.
    if (s.from.isValid())
        where << QStringLiteral("%1 >= '%2'").arg(JournalDateKey(), JournalDateKeyOf(s.from));
    if (s.to.isValid())
        where << QStringLiteral("%1 <= '%2'").arg(JournalDateKey(), JournalDateKeyOf(s.to));
    if (!s.executor.isEmpty())
        where << QStringLiteral("\"Ispolnitel\" = %1").arg(literal(db, s.executor));
    if (s.runFrom > 0)
        where << QStringLiteral("\"NumReis\" >= %1").arg(s.runFrom);
    if (s.runTo > 0)
        where << QStringLiteral("\"NumReis\" <= %1").arg(s.runTo);
    const QString text = s.text.trimmed();
    if (!text.isEmpty()) {
        if (frEngineOf(db) == TfrDbEngine::dePostgreSQL) {
            // One folding of the four fields per row; the separator keeps a match from
            // running across two of them.
            QStringList args;
            for (const char *f : kFilterFields)
                args << quoted(f);
            where << QStringLiteral("strpos(lower(concat_ws(chr(1), %1)%2), lower(CAST(%3 AS text)%2)) > 0")
                         .arg(args.join(QStringLiteral(", ")), collate, literal(db, text));
        } else {
            QStringList args{literal(db, text)};
            for (const char *f : kFilterFields)
                args << quoted(f);
            where << QStringLiteral("fr_contains(%1)").arg(args.join(QStringLiteral(", ")));
        }
    }
    return where.isEmpty() ? QStringLiteral("1 = 1") : where.join(QStringLiteral(" AND "));
}

bool JournalConditionIndexed(const TJournalSelection &s)
{
    return s.hasPeriod() || !s.executor.isEmpty();
}

QString JournalOrder(bool backward)
{
    return backward ? QStringLiteral("(\"NumPP\" IS NULL) DESC, \"NumPP\" DESC, \"id\" DESC")
                    : QStringLiteral("(\"NumPP\" IS NULL), \"NumPP\", \"id\"");
}

qint64 CountJournalRows(const QSqlDatabase &db, const TJournalSelection &selection, const QString &collate)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM \"%1\" WHERE %2")
                    .arg(JournalTableName, JournalCondition(db, selection, collate)))
        || !q.next())
        throw EfrError(q.lastError().text());
    return q.value(0).toLongLong();
}

QStringList JournalExecutors(const QSqlDatabase &db)
{
    // Hops from name to name along the executor index instead of reading every row.
    QSqlQuery q(db);
    q.setForwardOnly(true);
    const QString sql = QStringLiteral(
        "WITH RECURSIVE e(v) AS (SELECT MIN(\"Ispolnitel\") FROM \"%1\" "
        "UNION ALL SELECT (SELECT MIN(\"Ispolnitel\") FROM \"%1\" WHERE \"Ispolnitel\" > e.v) FROM e "
        "WHERE e.v IS NOT NULL) SELECT v FROM e WHERE v IS NOT NULL").arg(JournalTableName);
    if (!q.exec(sql))
        throw EfrError(q.lastError().text());
    QStringList names;
    while (q.next()) {
        const QString name = q.value(0).toString();
        if (!name.trimmed().isEmpty())
            names << name;
    }
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return QString::localeAwareCompare(a, b) < 0; });
    return names;
}
