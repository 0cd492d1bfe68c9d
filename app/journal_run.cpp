#include "app/journal_run.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

#include "app/main_dm.h"
#include "report/eval/errors.h"
#include "report/eval/format_settings.h"

namespace {

QString twoDigits(int n)
{
    return QString::number(n).rightJustified(2, u'0');
}

// Rows per INSERT: few round trips to a server, far below every engine's parameter limit.
constexpr int kRowsPerStatement = 100;

QString insertStatement(int rows)
{
    QString sql = QStringLiteral(
        "INSERT INTO \"Temp\" (\"NumPP\", \"NumReis\", \"NameFile\", \"DateCreateFile\", \"TimeCreateFile\", "
        "\"Size\", \"DateProcesFile\", \"TimeProcesFile\", \"Ispolnitel\") VALUES ");
    const QString one = QStringLiteral("(?,?,?,?,?,?,?,?,?)");
    for (int i = 0; i < rows; ++i) {
        if (i)
            sql += u',';
        sql += one;
    }
    return sql;
}

QString errorText(const QSqlError &e)
{
    const QString t = e.text().trimmed();
    return t.isEmpty() ? QStringLiteral("Ошибка базы данных") : t;
}

} // namespace

QString JournalDateText(const QDateTime &t)
{
    const QDate d = t.date();
    return twoDigits(d.day()) + u'.' + twoDigits(d.month()) + u'.' + twoDigits(d.year() % 100);
}

QString JournalTimeText(const QDateTime &t)
{
    return twoDigits(t.time().hour()) + frFormatSettings().timeSeparator + twoDigits(t.time().minute());
}

QStringList JournalFolderFiles(const QString &folder)
{
    // Without QDir::Hidden and QDir::System: no dot files, no dangling links, no devices.
    const QDir dir(folder);
    QStringList names = dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

QList<TJournalFileRecord> CollectRunFiles(const QString &folder, const QString &executor, const TJournalClock &now)
{
    QList<TJournalFileRecord> records;
    const QDir dir(folder);
    for (const QString &name : JournalFolderFiles(folder)) {
        const QFileInfo info(dir.filePath(name));
        if (!info.exists())
            continue; // removed meanwhile
        const QDateTime modified = info.lastModified().toLocalTime();
        const QDateTime processed = now ? now() : QDateTime::currentDateTime();
        TJournalFileRecord r;
        r.NameFile = name;
        r.DateCreateFile = JournalDateText(modified);
        r.TimeCreateFile = JournalTimeText(modified);
        r.Size = info.size();
        r.DateProcesFile = JournalDateText(processed);
        r.TimeProcesFile = JournalTimeText(processed);
        r.Ispolnitel = executor;
        records.append(r);
    }
    return records;
}

void AppendRunToTemp(TMainDM &dm, const QList<TJournalFileRecord> &records, qint64 firstNumPP, int runNumber)
{
    const int nameLimit = JournalFieldDefs().at(2).size;
    const int executorLimit = JournalFieldDefs().at(8).size;
    for (const TJournalFileRecord &r : records) {
        if (r.Ispolnitel.size() > executorLimit)
            throw EfrError(QStringLiteral("Имя исполнителя длиннее %1 символов").arg(executorLimit));
        if (r.NameFile.size() > nameLimit)
            throw EfrError(QStringLiteral("Имя файла \"%1\" длиннее %2 символов").arg(r.NameFile).arg(nameLimit));
    }
    if (records.isEmpty())
        return;

    QSqlDatabase db = dm.Database();
    if (!db.transaction())
        throw EfrError(errorText(db.lastError()));
    try {
        QSqlQuery full(db);
        bool fullPrepared = false;
        for (qsizetype start = 0; start < records.size(); start += kRowsPerStatement) {
            const int rows = int(qMin<qsizetype>(kRowsPerStatement, records.size() - start));
            QSqlQuery partial(db);
            QSqlQuery &q = rows == kRowsPerStatement ? full : partial;
            if (&q == &partial || !fullPrepared) {
                if (!q.prepare(insertStatement(rows)))
                    throw EfrError(errorText(q.lastError()));
                fullPrepared = fullPrepared || &q == &full;
            }
            for (int i = 0; i < rows; ++i) {
                const qsizetype at = start + i;
                const TJournalFileRecord &r = records.at(at);
                q.addBindValue(qlonglong(firstNumPP + at));
                q.addBindValue(runNumber);
                q.addBindValue(r.NameFile);
                q.addBindValue(r.DateCreateFile);
                q.addBindValue(r.TimeCreateFile);
                q.addBindValue(qlonglong(r.Size));
                q.addBindValue(r.DateProcesFile);
                q.addBindValue(r.TimeProcesFile);
                q.addBindValue(r.Ispolnitel);
            }
            if (!q.exec())
                throw EfrError(errorText(q.lastError()));
        }
    } catch (...) {
        db.rollback();
        throw;
    }
    if (!db.commit()) {
        const QString error = errorText(db.lastError());
        db.rollback();
        throw EfrError(error);
    }
}

QList<TJournalDuplicate> FindJournalDuplicates(TMainDM &dm)
{
    QSqlDatabase db = dm.Database();
    const bool pg = frEngineOf(db) == TfrDbEngine::dePostgreSQL;
    // The run's own temporary table, never a table of that name in the database.
    const QString temp = pg ? QStringLiteral("pg_temp.\"Temp\"") : QStringLiteral("temp.\"Temp\"");
    const QString journal = pg ? QStringLiteral("\"Журнал\"") : QStringLiteral("main.\"Журнал\"");
    QSqlQuery q(db);
    q.setForwardOnly(true);
    const QString sql = QStringLiteral(
        "SELECT t.\"id\", t.\"NameFile\", t.\"NumPP\", j.\"NumPP\" FROM %1 t JOIN %2 j "
        "ON j.\"NameFile\" = t.\"NameFile\" AND j.\"Size\" = t.\"Size\" "
        "AND j.\"DateCreateFile\" = t.\"DateCreateFile\" AND j.\"TimeCreateFile\" = t.\"TimeCreateFile\" "
        "ORDER BY t.\"id\", j.\"NumPP\"").arg(temp, journal);
    if (!q.exec(sql))
        throw EfrError(errorText(q.lastError()));
    QList<TJournalDuplicate> found;
    qint64 lastRow = -1;
    while (q.next()) {
        const qint64 row = q.value(0).toLongLong();
        if (found.isEmpty() || row != lastRow) {
            found.append({q.value(1).toString(), q.value(2).toLongLong(), {}});
            lastRow = row;
        }
        found.last().journalNumbers.append(q.value(3).toLongLong());
    }
    return found;
}

QString JournalDuplicatesText(const QList<TJournalDuplicate> &duplicates)
{
    // A long list would push the buttons off the screen: the first ones and a count.
    constexpr int kListed = 12;
    QStringList lines;
    for (int i = 0; i < duplicates.size() && i < kListed; ++i) {
        const TJournalDuplicate &d = duplicates.at(i);
        QStringList numbers;
        for (qint64 n : d.journalNumbers)
            numbers << QString::number(n);
        lines << QStringLiteral("«%1» — № %2").arg(d.NameFile, numbers.join(QStringLiteral(", ")));
    }
    if (duplicates.size() > kListed)
        lines << QStringLiteral("… и ещё %1").arg(duplicates.size() - kListed);
    const QString head = duplicates.size() == 1 ? QStringLiteral("Этот файл рейса уже зарегистрирован в журнале:")
                                                : QStringLiteral("Файлы рейса уже зарегистрированы в журнале (%1):")
                                                      .arg(duplicates.size());
    return head + QStringLiteral("\n") + lines.join(u'\n')
         + QStringLiteral("\n\n«Сохранить» — записать рейс в журнал ещё раз, «Отмена» — вернуться к рейсу.");
}
