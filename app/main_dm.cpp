#include "app/main_dm.h"

#include <QSqlError>
#include <QSqlQuery>

#include "app/settings.h"
#include "report/engine/prepare.h"
#include "report/eval/db_dataset.h"
#include "report/eval/errors.h"
#include "report/model/report.h"

TMainDM *MainDM = nullptr;

namespace {

using K = TfrFieldKind;

// The columns of Журнал and Temp after the key, shared by both engines.
const char *const kColumns =
    "\"NumPP\" BIGINT, \"NumReis\" INTEGER, \"NameFile\" VARCHAR(255), "
    "\"DateCreateFile\" VARCHAR(8), \"TimeCreateFile\" VARCHAR(5), \"Size\" BIGINT, "
    "\"DateProcesFile\" VARCHAR(8), \"TimeProcesFile\" VARCHAR(5), \"Ispolnitel\" VARCHAR(50), "
    "\"BriefContents\" TEXT, \"ToWhom\" TEXT";

QString columnList()
{
    QStringList names;
    for (const TfrFieldDef &f : JournalFieldDefs())
        names.append(u'"' + f.name + u'"');
    return names.join(QStringLiteral(", "));
}

struct StoredCommand {
    QString name;
    QStringList sqlite;
    QStringList postgres;
};

// The stored commands, by name. Temp and Temp_p are named with their temporary schema, so a
// permanent object of the same name is never touched.
const QList<StoredCommand> &storedCommands()
{
    static const QList<StoredCommand> commands = [] {
        const QString cols = QString::fromLatin1(kColumns);
        const QString list = columnList();
        QList<StoredCommand> c;
        c.append({QStringLiteral("CreateTempTable"),
                  {QStringLiteral("CREATE TEMP TABLE \"Temp\" (\"id\" INTEGER PRIMARY KEY, %1)").arg(cols),
                   QStringLiteral("CREATE TEMP VIEW \"Temp_p\" AS SELECT * FROM temp.\"Temp\" "
                                  "ORDER BY \"NumPP\" DESC, \"id\" DESC")},
                  {QStringLiteral("CREATE TEMP TABLE \"Temp\" (\"id\" BIGSERIAL PRIMARY KEY, %1)").arg(cols),
                   QStringLiteral("CREATE TEMP VIEW \"Temp_p\" AS SELECT * FROM pg_temp.\"Temp\" "
                                  "ORDER BY \"NumPP\" DESC, \"id\" DESC")}});
        c.append({QStringLiteral("DeleteTempTable"),
                  {QStringLiteral("DROP VIEW IF EXISTS temp.\"Temp_p\""),
                   QStringLiteral("DROP TABLE IF EXISTS temp.\"Temp\"")},
                  {QStringLiteral("DROP VIEW IF EXISTS pg_temp.\"Temp_p\""),
                   QStringLiteral("DROP TABLE IF EXISTS pg_temp.\"Temp\"")}});
        c.append({QStringLiteral("AddToJournal"),
                  {QStringLiteral("INSERT INTO main.\"Журнал\" (%1) SELECT %1 FROM temp.\"Temp\" ORDER BY \"id\"").arg(list)},
                  {QStringLiteral("INSERT INTO \"Журнал\" (%1) SELECT %1 FROM pg_temp.\"Temp\" ORDER BY \"id\"").arg(list)}});
        return c;
    }();
    return commands;
}

QString errorText(const QSqlError &e)
{
    const QString t = e.text().trimmed();
    return t.isEmpty() ? QStringLiteral("Ошибка базы данных") : t;
}

void execOrThrow(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw EfrError(errorText(q.lastError()));
}

} // namespace

const QList<TfrFieldDef> &JournalFieldDefs()
{
    static const QList<TfrFieldDef> defs = {
        {QStringLiteral("NumPP"), K::fkLargeInt, 0},
        {QStringLiteral("NumReis"), K::fkInteger, 0},
        {QStringLiteral("NameFile"), K::fkString, 255},
        {QStringLiteral("DateCreateFile"), K::fkString, 8},
        {QStringLiteral("TimeCreateFile"), K::fkString, 5},
        {QStringLiteral("Size"), K::fkLargeInt, 0},
        {QStringLiteral("DateProcesFile"), K::fkString, 8},
        {QStringLiteral("TimeProcesFile"), K::fkString, 5},
        {QStringLiteral("Ispolnitel"), K::fkString, 50},
        {QStringLiteral("BriefContents"), K::fkMemo, 0},
        {QStringLiteral("ToWhom"), K::fkMemo, 0},
    };
    return defs;
}

TMainDM::TMainDM(QObject *parent) : QObject(parent), m_table(std::make_unique<TfrTableCursor>())
{
    setObjectName(QStringLiteral("MainDM"));
    m_table->setObjectName(QStringLiteral("ADOTable"));
    m_table->setTableName(JournalTableName);
    m_table->setFieldDefs(JournalFieldDefs());
    m_table->setDatabaseProvider([this] { return Database(); });

    m_frDBDataSet1 = new TfrDBDataSet(this);
    m_frDBDataSet1->setObjectName(QStringLiteral("frDBDataSet1"));
    m_frDBDataSet1->SetDataSet(m_table.get());

    m_frReport1 = std::make_unique<TfrReportBuilder>();
    TfrReportBuilder &r = *m_frReport1;
    r.Name = QStringLiteral("frReport1");
    // Templates name their data sets among this module's components.
    r.Report.Owner = this;
    r.Report.Dataset = m_frDBDataSet1;
    r.Title = QStringLiteral("Журнал принятых файлов");
    r.InitialZoom = pzOnePage;
    r.PreviewButtons = pbZoom | pbSave | pbPrint | pbFind | pbHelp | pbExit;
    r.GrayedButtons = true;
    r.RebuildPrinter = true;
    r.UseDefaultDataSetName = true;

    // Creating the filter registers it with the export framework.
    m_frOLEExcelExport1 = std::make_unique<TfrOLEExcelExport>();
    m_frOLEExcelExport1->setObjectName(QStringLiteral("frOLEExcelExport1"));
    m_frOLEExcelExport1->CellsAlign = false;
    m_frOLEExcelExport1->CellsFillColor = false;
    m_frOLEExcelExport1->CellsFontColor = false;
    m_frOLEExcelExport1->CellsFontName = false;
    m_frOLEExcelExport1->CellsFontSize = false;
    m_frOLEExcelExport1->CellsFontStyle = false;
    if (!MainDM)
        MainDM = this;
}

TMainDM::~TMainDM()
{
    // The report and its preview go before the cursor they read.
    m_frReport1.reset();
    DataModuleDestroy();
    if (MainDM == this)
        MainDM = nullptr;
}

void TMainDM::OpenConnection()
{
    if (Connected())
        return;
    CloseConnection();
    QSqlDatabase db = frOpenConnection(m_connectString);
    try {
        createSchema(db);
    } catch (...) {
        frCloseConnection(db);
        throw;
    }
    m_db = db;
}

void TMainDM::CloseConnection()
{
    m_table->Close();
    frCloseConnection(m_db);
}

bool TMainDM::Connected() const
{
    return m_db.isValid() && m_db.isOpen();
}

TfrDbEngine TMainDM::Engine() const
{
    if (m_db.isValid())
        return frEngineOf(m_db);
    return TfrConnectString::parse(m_connectString).engine();
}

QSqlDatabase TMainDM::Database()
{
    OpenConnection();
    return m_db;
}

void TMainDM::createSchema(QSqlDatabase &db)
{
    const bool pg = frEngineOf(db) == TfrDbEngine::dePostgreSQL;
    const QString key = pg ? QStringLiteral("\"id\" BIGSERIAL PRIMARY KEY") : QStringLiteral("\"id\" INTEGER PRIMARY KEY");
    const QStringList statements = {
        QStringLiteral("CREATE TABLE IF NOT EXISTS \"Журнал\" (%1, %2)").arg(key, QString::fromLatin1(kColumns)),
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"Журнал_NumPP\" ON \"Журнал\" (\"NumPP\")"),
        // The check for files registered before, one lookup per file of a run.
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"Журнал_NameFile\" ON \"Журнал\" (\"NameFile\", \"Size\")"),
    };
    for (const QString &sql : statements) {
        QSqlQuery q(db);
        if (q.exec(sql))
            continue;
        const QString error = errorText(q.lastError());
        // Two workstations creating the schema at the same moment: one of them loses the
        // race on the catalogue, and then the table is there.
        if (pg) {
            QSqlQuery check(db);
            if (check.exec(QStringLiteral("SELECT to_regclass('\"Журнал\"') IS NOT NULL AND "
                                          "to_regclass('\"Журнал_NumPP\"') IS NOT NULL"))
                && check.next() && check.value(0).toBool())
                continue;
        }
        throw EfrError(error);
    }
}

void TMainDM::RunCommand(const QString &name)
{
    const StoredCommand *command = nullptr;
    for (const StoredCommand &c : storedCommands())
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            command = &c;
    if (!command)
        throw EfrError(QStringLiteral("Неизвестная команда базы данных \"%1\"").arg(name));
    QSqlDatabase db = Database();
    const QStringList &statements = frEngineOf(db) == TfrDbEngine::dePostgreSQL ? command->postgres : command->sqlite;
    if (!db.transaction())
        throw EfrError(errorText(db.lastError()));
    try {
        for (const QString &sql : statements)
            execOrThrow(db, sql);
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

void TMainDM::CreateTempTable()
{
    m_table->Close();
    try {
        RunCommand(QStringLiteral("CreateTempTable"));
    } catch (const EfrError &) {
        RunCommand(QStringLiteral("DeleteTempTable"));
        RunCommand(QStringLiteral("CreateTempTable"));
    }
}

void TMainDM::DeleteTempTable()
{
    m_table->Close();
    try {
        RunCommand(QStringLiteral("DeleteTempTable"));
    } catch (...) {
        // The temporary objects go with the connection anyway.
        CloseConnection();
        throw;
    }
    CloseConnection();
}

void TMainDM::AddToJournal()
{
    m_table->Close();
    RunCommand(QStringLiteral("AddToJournal"));
}

void TMainDM::PrintJournal(bool backward)
{
    TfrTableCursor &table = *m_table;
    auto switchTo = [&](const QString &name) {
        table.Close();
        table.setTableName(name);
        table.Open();
    };
    if (!backward) {
        m_frReport1->Report.LoadFromFile(frJournalTemplatePath());
        m_frReport1->ShowReport();
        return;
    }
    try {
        switchTo(TempViewName);
        m_frReport1->Report.LoadFromFile(frJournalTemplatePath());
        m_frReport1->ShowReport();
    } catch (...) {
        // The grid is never left on the backward view or closed: back to Temp, then the
        // first error is the one reported.
        try {
            switchTo(TempTableName);
        } catch (...) {
        }
        throw;
    }
    switchTo(TempTableName);
}

void TMainDM::DataModuleDestroy()
{
    CloseConnection();
}
