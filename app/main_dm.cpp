#include "app/main_dm.h"

#include <QCollator>
#include <QHash>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

#include "app/journal_selection.h"
#include "app/settings.h"
#include "report/engine/prepare.h"
#include "report/eval/db_dataset.h"
#include "report/eval/errors.h"
#include "report/model/report.h"
#include "report/model/view.h"

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
    // A journal made by an older version lacks the period indexes; building them on a
    // large journal takes a moment once, and PostgreSQL then needs the statistics of the
    // new expressions to choose them.
    bool periodIndexMissing = false;
    if (pg) {
        QSqlQuery probe(db);
        periodIndexMissing = probe.exec(QStringLiteral("SELECT to_regclass('\"Журнал_DateProces\"') IS NULL"))
            && probe.next() && probe.value(0).toBool();
    }
    const QStringList statements = {
        QStringLiteral("CREATE TABLE IF NOT EXISTS \"Журнал\" (%1, %2)").arg(key, QString::fromLatin1(kColumns)),
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"Журнал_NumPP\" ON \"Журнал\" (\"NumPP\")"),
        // The check for files registered before, one lookup per file of a run.
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"Журнал_NameFile\" ON \"Журнал\" (\"NameFile\", \"Size\")"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"Журнал_DateProces\" ON \"Журнал\" (%1)").arg(JournalDateKey()),
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"Журнал_Ispolnitel\" ON \"Журнал\" (\"Ispolnitel\", %1)")
            .arg(JournalDateKey()),
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
                                          "to_regclass('\"Журнал_NumPP\"') IS NOT NULL AND "
                                          "to_regclass('\"Журнал_NameFile\"') IS NOT NULL AND "
                                          "to_regclass('\"Журнал_DateProces\"') IS NOT NULL AND "
                                          "to_regclass('\"Журнал_Ispolnitel\"') IS NOT NULL"))
                && check.next() && check.value(0).toBool())
                continue;
        }
        throw EfrError(error);
    }
    if (periodIndexMissing) {
        QSqlQuery analyze(db);
        analyze.exec(QStringLiteral("ANALYZE \"Журнал\""));
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

namespace {

const QString kUnnamed = QStringLiteral("(не указан)");

// One line of the summary: a name and its files in one section.
struct SummaryLine {
    QString name;
    qint64 files = 0;
};

// Names by the locale's order, the unnamed entry last.
void sortSummary(QList<SummaryLine> &lines)
{
    std::sort(lines.begin(), lines.end(), [](const SummaryLine &a, const SummaryLine &b) {
        if ((a.name == kUnnamed) != (b.name == kUnnamed))
            return b.name == kUnnamed;
        return QString::localeAwareCompare(a.name, b.name) < 0;
    });
}

QList<SummaryLine> linesOf(const QHash<QString, qint64> &counts)
{
    QList<SummaryLine> lines;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        lines.append({it.key(), it.value()});
    sortSummary(lines);
    return lines;
}

// The temporary objects of a selection's print, named in the connection's own schema.
QString tempName(const QSqlDatabase &db, const QString &name)
{
    return (frEngineOf(db) == TfrDbEngine::dePostgreSQL ? QStringLiteral("pg_temp.\"%1\"") : QStringLiteral("temp.\"%1\""))
        .arg(name);
}

void dropTempObject(QSqlDatabase db, const char *kind, const QString &name)
{
    QSqlQuery q(db);
    q.exec(QStringLiteral("DROP %1 IF EXISTS %2").arg(QString::fromLatin1(kind), tempName(db, name)));
}

void setMemoText(TfrReport &report, const QString &name, const QString &text)
{
    if (TfrView *v = report.FindObject(name))
        v->Memo = QStringList{text};
}

} // namespace

QString frSummaryTemplatePath()
{
    return frReportsFolder() + QStringLiteral("S001.frf");
}

void TMainDM::PrintJournalSelection(const TJournalSelection &selection, bool backward)
{
    QSqlDatabase db = Database();
    TfrTableCursor &table = *m_table;
    const QString savedName = table.tableName();
    const bool wasActive = table.Active();
    auto restore = [&] {
        table.Close();
        dropTempObject(db, "VIEW", SelectionViewName);
        table.setTableName(savedName);
        if (wasActive)
            table.Open();
    };
    table.Close();
    try {
        dropTempObject(db, "VIEW", SelectionViewName);
        execOrThrow(db, QStringLiteral("CREATE TEMP VIEW \"%1\" AS SELECT \"id\", %2 FROM \"%3\" WHERE %4 ORDER BY %5")
                            .arg(SelectionViewName, columnList(), JournalTableName,
                                 JournalCondition(db, selection, JournalFoldingCollation(db)), JournalOrder(backward)));
        table.setTableName(SelectionViewName);
        table.Open();
        TfrReport &report = m_frReport1->Report;
        report.LoadFromFile(frJournalTemplatePath());
        // The run's template, titled with the period and counting the rows of the period.
        const QString period = selection.periodText();
        if (!period.isEmpty())
            setMemoText(report, QStringLiteral("Title"), QStringLiteral("Журнал принятых файлов за %1").arg(period));
        setMemoText(report, QStringLiteral("Total"), QStringLiteral("Всего за период: %1").arg(table.RecordCount()));
        m_frReport1->ShowReport();
    } catch (...) {
        try {
            restore();
        } catch (...) {
        }
        throw;
    }
    restore();
}

void TMainDM::PrintJournalSummary(const TJournalSelection &selection)
{
    QSqlDatabase db = Database();
    const QString condition = JournalCondition(db, selection, JournalFoldingCollation(db));

    QHash<QString, qint64> executors;
    QHash<QString, qint64> addressees;
    qint64 files = 0;
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT \"Ispolnitel\", \"ToWhom\" FROM \"%1\" WHERE %2").arg(JournalTableName, condition)))
            throw EfrError(errorText(q.lastError()));
        static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
        while (q.next()) {
            ++files;
            const QString executor = q.value(0).toString().trimmed();
            ++executors[executor.isEmpty() ? kUnnamed : executor];
            QStringList names;
            for (const QString &line : q.value(1).toString().split(lineBreak)) {
                const QString name = line.trimmed();
                if (!name.isEmpty() && !names.contains(name))
                    names << name;
            }
            if (names.isEmpty())
                names << kUnnamed;
            for (const QString &name : names)
                ++addressees[name];
        }
    }

    const bool pg = frEngineOf(db) == TfrDbEngine::dePostgreSQL;
    auto cleanup = [&] { dropTempObject(db, "TABLE", SummaryTableName); };
    cleanup();
    try {
        execOrThrow(db, QStringLiteral("CREATE TEMP TABLE \"%1\" (\"id\" %2, \"Section\" INTEGER, \"Kind\" VARCHAR(50), "
                                       "\"Title\" VARCHAR(50), \"Name\" VARCHAR(255), \"Files\" INTEGER)")
                            .arg(SummaryTableName, pg ? QStringLiteral("BIGSERIAL PRIMARY KEY") : QStringLiteral("INTEGER PRIMARY KEY")));
        if (!db.transaction())
            throw EfrError(errorText(db.lastError()));
        QSqlQuery insert(db);
        if (!insert.prepare(QStringLiteral("INSERT INTO %1 (\"Section\", \"Kind\", \"Title\", \"Name\", \"Files\") "
                                           "VALUES (?, ?, ?, ?, ?)").arg(tempName(db, SummaryTableName))))
            throw EfrError(errorText(insert.lastError()));
        const struct {
            int section;
            const char *kind;
            const char *title;
            const QHash<QString, qint64> &counts;
        } sections[] = {{1, "Исполнитель", "По исполнителям", executors}, {2, "Адресат", "По адресатам", addressees}};
        for (const auto &section : sections)
            for (const SummaryLine &line : linesOf(section.counts)) {
                insert.addBindValue(section.section);
                insert.addBindValue(QString::fromUtf8(section.kind));
                insert.addBindValue(QString::fromUtf8(section.title));
                insert.addBindValue(line.name);
                insert.addBindValue(line.files);
                if (!insert.exec()) {
                    const QString error = errorText(insert.lastError());
                    db.rollback();
                    throw EfrError(error);
                }
            }
        if (!db.commit())
            throw EfrError(errorText(db.lastError()));

        TfrTableCursor cursor;
        cursor.setDatabase(db);
        cursor.setTableName(SummaryTableName);
        auto *dataSet = new TfrDBDataSet(this);
        const std::unique_ptr<TfrDBDataSet> dataSetOwner(dataSet);
        dataSet->setObjectName(QStringLiteral("frSummaryDataSet"));
        dataSet->SetDataSet(&cursor);

        TfrReportBuilder summary;
        summary.Name = QStringLiteral("frSummary");
        summary.Report.Owner = this;
        summary.Report.Dataset = dataSet;
        summary.Title = QStringLiteral("Сводка по журналу принятых файлов");
        summary.InitialZoom = pzOnePage;
        summary.PreviewButtons = m_frReport1->PreviewButtons;
        summary.GrayedButtons = true;
        summary.RebuildPrinter = true;
        summary.UseDefaultDataSetName = true;
        summary.Report.LoadFromFile(frSummaryTemplatePath());
        const QString period = selection.periodText();
        const QString title = period.isEmpty() ? summary.Title : QStringLiteral("%1 за %2").arg(summary.Title, period);
        summary.Report.OnGetValue = [title, files](const QString &name, TfrVariant &value) {
            if (name.compare(QStringLiteral("PeriodTitle"), Qt::CaseInsensitive) == 0)
                value = TfrVariant(title);
            else if (name.compare(QStringLiteral("TotalFiles"), Qt::CaseInsensitive) == 0)
                value = TfrVariant(files);
        };
        summary.ShowReport();
        cursor.Close();
    } catch (...) {
        cleanup();
        throw;
    }
    cleanup();
}

void TMainDM::DataModuleDestroy()
{
    CloseConnection();
}
