// Embedding the report engine: load a template, give it an SQLite table as a data set,
// prepare it, and write the pages as PDF and as a workbook.
//
//   embed TEMPLATE.frf DATABASE.db TABLE DATASET OUT.pdf OUT.xlsx
//
// DATASET is the name the template's data band uses (its DataSource). No display is needed:
// the offscreen platform is chosen when none is set.
#include <QGuiApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <cstdio>

#include "export/spreadsheet/ole_excel_export.h"
#include "report/engine/pdf_export.h"
#include "report/engine/report_builder.h"
#include "report/eval/db_dataset.h"
#include "report/eval/errors.h"
#include "report/eval/globals.h"
#include "report/eval/table_cursor.h"
#include "report/model/fr_globals.h"
#include "report/model/report.h"

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "embed: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 7)
        return fail(QStringLiteral("usage: embed TEMPLATE.frf DATABASE.db TABLE DATASET OUT.pdf OUT.xlsx"));
    const QString templateFile = args[1], dbFile = args[2], table = args[3], dataSetName = args[4];

    // The engine's shared services (fonts, function libraries, the virtual printer).
    frGlobals();

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("embed"));
    db.setDatabaseName(dbFile);
    if (!db.open())
        return fail(db.lastError().text());

    int status = 0;
    {
        // Data sets are found by name among the owner's children.
        QObject owner;
        auto *cursor = new TfrTableCursor(&owner);
        cursor->setDatabase(db);
        cursor->setTableName(table);
        auto *dataSet = new TfrDBDataSet(&owner);
        dataSet->setObjectName(dataSetName);
        dataSet->SetDataSet(cursor);

        TfrReport report(&owner);
        report.Owner = &owner;
        try {
            cursor->Open();
            if (!report.LoadFromFile(templateFile) || report.templateFileName != templateFile)
                return fail(QStringLiteral("%1: not a report template").arg(templateFile));

            TfrReportBuilder builder(report);
            builder.ShowProgress = false;
            builder.ShowErrorBox = false;
            if (!builder.PrepareReport())
                return fail(builder.LastError);

            TfrPdfExport pdf;
            builder.ExportTo(pdf, args[5]);
            TfrOLEExcelExport workbook;
            workbook.ShowDialog = false;
            builder.ExportTo(workbook, args[6]);
            std::printf("%d pages\n", builder.EMFPages.GetCount());
        } catch (const EfrError &e) {
            status = fail(e.message());
        }
        CurReport = MasterReport = nullptr;
        CurPage = nullptr;
    }
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("embed"));
    return status;
}
