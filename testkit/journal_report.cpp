#include "testkit/journal_report.h"

#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/table_cursor.h"
#include "testkit/journal_data.h"
#include "testkit/paths.h"

namespace testkit {

TfrTableCursor *bindJournal(QObject &owner, const QSqlDatabase &db, const QString &table)
{
    auto *cursor = new TfrTableCursor(&owner);
    cursor->setObjectName(QStringLiteral("Temp"));
    cursor->setDatabase(db);
    cursor->setTableName(table);
    cursor->Open();
    auto *dataSet = new TfrDBDataSet(&owner);
    dataSet->setObjectName(QStringLiteral("frDBDataSet1"));
    dataSet->SetDataSet(cursor);
    return cursor;
}

JournalReport::JournalReport(int rows, const QString &connection) : m_connection(connection)
{
    const QByteArray json = journalTemplateJson();
    if (json.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(dir.filePath(QStringLiteral("journal.db")));
        if (!db.open() || !fillJournal(db, rows))
            return;
        bindJournal(owner, db);
    }
    report = std::make_unique<TfrReport>(&owner);
    if (!loadJournalTemplate(*report))
        return;
    builder = std::make_unique<TfrReportBuilder>(*report);
    builder->ShowErrorBox = false;
}

JournalReport::~JournalReport()
{
    builder.reset();
    report.reset();
    CurReport = MasterReport = nullptr;
    CurPage = nullptr;
    qDeleteAll(owner.children());
    QSqlDatabase::removeDatabase(m_connection);
}

} // namespace testkit
