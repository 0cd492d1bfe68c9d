// The data module: the journal database connection, its stored commands and the one table
// cursor the windows share. Created first at start-up and destroyed last.
//
// Schema (created on every opening of the connection when missing, for both engines):
//
//   Журнал   id (key, assigned by the database), NumPP 64-bit (indexed), NumReis 32-bit,
//            NameFile text 255, DateCreateFile text 8, TimeCreateFile text 5, Size 64-bit,
//            DateProcesFile text 8, TimeProcesFile text 5, Ispolnitel text 50,
//            BriefContents memo, ToWhom memo; indexes on the processing-date key and on
//            executor and key (app/journal_selection.h), added to a journal that lacks them
//   Temp     the same columns, a temporary table of the connection: two operators
//            processing at the same time never see each other's run
//   Temp_p   a temporary view of Temp in descending NumPP order (printing backward)
//   Journal_sel, Svod   temporary, while the journal's rows of a selection or their summary print
//
// The stored commands "CreateTempTable", "DeleteTempTable" and "AddToJournal" are run by
// name from a small registry of SQL per engine (RunCommand).
#pragma once

#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <memory>

#include "app/connection_string.h"
#include "export/spreadsheet/ole_excel_export.h"
#include "report/eval/table_cursor.h"

class TfrDBDataSet;
class TfrReportBuilder;
struct TJournalSelection;

// The eleven fields every table opened through ADOTable offers, in column order.
const QList<TfrFieldDef> &JournalFieldDefs();

inline const QString JournalTableName = QStringLiteral("Журнал");
inline const QString TempTableName = QStringLiteral("Temp");
inline const QString TempViewName = QStringLiteral("Temp_p");
inline const QString SelectionViewName = QStringLiteral("Journal_sel");
inline const QString SummaryTableName = QStringLiteral("Svod");
// The summary's template, <app>/Reports/S001.frf.
QString frSummaryTemplatePath();

class TMainDM : public QObject {
    Q_OBJECT
public:
    // The first module created becomes MainDM; its destruction clears MainDM again.
    explicit TMainDM(QObject *parent = nullptr);
    ~TMainDM() override;

    // ADOConnection. Changing the string does not touch an open connection.
    void setConnectionString(const QString &connectString) { m_connectString = connectString; }
    const QString &ConnectionString() const { return m_connectString; }
    // Opens the connection when closed and creates the schema when missing; the driver's
    // errors raise EfrError.
    void OpenConnection();
    // Temporary objects go with the connection.
    void CloseConnection();
    bool Connected() const;
    TfrDbEngine Engine() const;
    // The open connection (opened on demand).
    QSqlDatabase Database();

    // Closed while a command runs and while its table is switched.
    TfrTableCursor *ADOTable() const { return m_table.get(); }

    // ADOCommand: runs a stored command by name (case does not matter); unknown names and
    // database errors raise EfrError. A command of several statements runs in one
    // transaction.
    void RunCommand(const QString &name);

    // Temp exists and is empty: closes ADOTable, runs "CreateTempTable"; when that fails
    // runs "DeleteTempTable" and "CreateTempTable" again, whose errors propagate.
    void CreateTempTable();
    // Closes ADOTable, runs "DeleteTempTable", closes the connection (also when the command fails).
    void DeleteTempTable();
    // Closes ADOTable (an unposted edit is lost), runs "AddToJournal": every row of Temp
    // reaches Журнал, or none.
    void AddToJournal();
    // Closes the connection; bound to destruction.
    void DataModuleDestroy();

    // ---- printing ----
    // The journal report: its master data are the rows ADOTable has open.
    TfrReportBuilder &frReport1() const { return *m_frReport1; }
    // The report data set on ADOTable.
    TfrDBDataSet *frDBDataSet1() const { return m_frDBDataSet1; }
    // Prints the run through Reports/J001.frf in the preview window; returns when the
    // preview closes. Backward prints from Temp_p and puts ADOTable back on Temp's first
    // row afterwards (also when printing failed). A missing template file is not an error.
    // Database errors of switching the table are raised.
    void PrintJournal(bool backward);

    // Prints the journal's rows of a selection through Reports/J001.frf, in journal order
    // (or backward), titled with the period and closing with "Всего за период: N"; the
    // table ADOTable had is back afterwards, also when printing failed.
    void PrintJournalSelection(const TJournalSelection &selection, bool backward);
    // Prints files per executor and per addressee of a selection, with totals, through
    // Reports/S001.frf. A file counts once for each addressee it names.
    void PrintJournalSummary(const TJournalSelection &selection);

    // The spreadsheet export the preview's save offers: fonts, alignment and fill are left
    // to the workbook, merges, borders and page breaks kept.
    TfrOLEExcelExport *frOLEExcelExport1() const { return m_frOLEExcelExport1.get(); }

private:
    void createSchema(QSqlDatabase &db);

    QString m_connectString;
    QSqlDatabase m_db;
    std::unique_ptr<TfrTableCursor> m_table;
    TfrDBDataSet *m_frDBDataSet1 = nullptr; // child component
    std::unique_ptr<TfrReportBuilder> m_frReport1;
    std::unique_ptr<TfrOLEExcelExport> m_frOLEExcelExport1;
};

extern TMainDM *MainDM;
