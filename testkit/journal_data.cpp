#include "testkit/journal_data.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QUuid>

#include "app/main_dm.h"

namespace testkit {

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

bool isNumber(TfrFieldKind kind)
{
    return kind == TfrFieldKind::fkSmallInt || kind == TfrFieldKind::fkInteger || kind == TfrFieldKind::fkLargeInt;
}

// The value of row i in the column of that name.
QVariant journalValue(const QString &column, int i)
{
    if (column == QLatin1String("NumPP"))
        return i;
    if (column == QLatin1String("NumReis"))
        return 17;
    if (column == QLatin1String("NameFile"))
        return QStringLiteral("vhod_%1_scan_document_2026.pdf").arg(i, 4, 10, QLatin1Char('0'));
    if (column == QLatin1String("DateCreateFile"))
        return QStringLiteral("08.12.2026");
    if (column == QLatin1String("TimeCreateFile"))
        return QStringLiteral("14:%1").arg(i % 60, 2, 10, QLatin1Char('0'));
    if (column == QLatin1String("Size"))
        return 1000 + i * 137;
    if (column == QLatin1String("DateProcesFile"))
        return QStringLiteral("09.12.2026");
    if (column == QLatin1String("TimeProcesFile"))
        return QStringLiteral("09:30");
    if (column == QLatin1String("Ispolnitel"))
        return u("Иванова А. П.");
    if (column == QLatin1String("BriefContents"))
        return i % 7 == 0 ? u("Письмо о согласовании графика поставок оборудования на первый квартал, "
                              "с приложением спецификации и протокола разногласий")
                          : u("Входящее письмо");
    if (column == QLatin1String("ToWhom"))
        return i % 5 == 0 ? u("Бухгалтерия, Отдел снабжения") : u("Канцелярия");
    // A column the journal gained later: empty until the kit knows what to put there.
    return QVariant();
}

} // namespace

int journalColumn(const QString &name)
{
    const QList<TfrFieldDef> &fields = JournalFieldDefs();
    for (qsizetype i = 0; i < fields.size(); ++i)
        if (fields[i].name == name)
            return int(i);
    return -1;
}

QString journalTableSql(const QString &table)
{
    QStringList columns;
    for (const TfrFieldDef &f : JournalFieldDefs())
        columns.append(f.name + (isNumber(f.kind) ? QStringLiteral(" INTEGER") : QStringLiteral(" TEXT")));
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(table, columns.join(QStringLiteral(", ")));
}

bool fillJournal(QSqlDatabase &db, int rows, const QString &table, const JournalValue &value, QString *error)
{
    QSqlQuery q(db);
    auto fail = [&](const QSqlError &e) {
        if (error)
            *error = e.text();
        return false;
    };
    if (!q.exec(journalTableSql(table)))
        return fail(q.lastError());
    const QList<TfrFieldDef> &fields = JournalFieldDefs();
    QStringList marks;
    for (qsizetype i = 0; i < fields.size(); ++i)
        marks.append(QStringLiteral("?"));
    db.transaction();
    if (!q.prepare(QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(table, marks.join(QLatin1Char(',')))))
        return fail(q.lastError());
    for (int i = 1; i <= rows; ++i) {
        for (const TfrFieldDef &f : fields) {
            const QVariant v = value ? value(f.name, i) : QVariant();
            q.addBindValue(v.isValid() ? v : journalValue(f.name, i));
        }
        if (!q.exec()) {
            db.rollback();
            return fail(q.lastError());
        }
    }
    return db.commit() || fail(db.lastError());
}

bool makeJournalFile(const QString &path, int rows, const QString &table, const JournalValue &value)
{
    const QString name = QStringLiteral("testkit_") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ok = db.open() && fillJournal(db, rows, table, value);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

QSqlDatabase journalDatabase(int rows)
{
    static QTemporaryDir folder;
    const QString name = QStringLiteral("testkit_journal%1").arg(rows);
    if (QSqlDatabase::contains(name))
        return QSqlDatabase::database(name);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(folder.filePath(name + QStringLiteral(".db")));
    if (db.open())
        fillJournal(db, rows);
    return db;
}

} // namespace testkit
