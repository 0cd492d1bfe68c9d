// frreport: report templates on the command line.
//
//   frreport dump [--password TEXT] FILE   the template FILE as a JSON description
//   frreport make FILE.json OUT.frf        a template from such a description
//   frreport prepare TEMPLATE [--db FILE | --connect STRING] [--dataset NAME=TABLE_OR_SELECT]...
//            [--query NAME=SQL]... [--report-dataset NAME] [--var NAME=EXPR]...
//            (--json OUT | --frp OUT | --png DIR [--dpi N] | --pdf OUT | --xlsx OUT [--option NAME=VALUE]...)
//                                          the template (or its JSON description) prepared
//                                          over data sets of an SQLite file or of a database
//                                          named by a connection string as the journal
//                                          writes it (SQLite, PostgreSQL); the pages as
//                                          JSON, as a prepared report, as images, as PDF or
//                                          as a workbook through the spreadsheet export
//   frreport export FILE.frp (--pdf OUT | --xlsx OUT [--option NAME=VALUE]...)
//                                          a prepared report as PDF or as a workbook
//
//   frreport print (FILE.frp | TEMPLATE [data options]) [--printer NAME] [--range TEXT] [--copies N]
//            [--collate | --no-collate] [--pages all|odd|even] [--title TEXT]
//                                          a prepared report, or a template prepared as
//                                          prepare does, printed on an installed printer
//
// dump also reads a prepared report (FILE.frp) and prints its pages as prepare --json does;
// the text lines are the stored ones, paragraph marks (character 1) included.
//
// The options of the spreadsheet export: CellsMerged, CellsWrapWords, CellsFillColor,
// CellsBorders, CellsAlign, PageBreaks, CellsFontName, CellsFontSize, CellsFontStyle,
// CellsFontColor, ExportPictures (true or false), ScaleX and ScaleY (percent, 100 by
// default) and PageRange (as the export dialog takes it, e.g. 1,3,5-12).
//
// Runs without a display. Only print uses the installed printers; everything else works
// without them (the virtual printer supplies the paper).
// Messages the engine would show in a window go to standard error; any error message
// makes the exit status 1. Usage errors give status 2.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

#include "app/connection_string.h"
#include "export/spreadsheet/ole_excel_export.h"
#include "report/engine/pdf_export.h"
#include "report/engine/prepare.h"
#include "report/engine/prepared_file.h"
#include "report/engine/prepared_pages.h"
#include "report/eval/data_dictionary.h"
#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/table_cursor.h"
#include "report/model/memo_view.h"
#include "report/print/page_range.h"
#include "report/print/printer.h"

#include "report/eval/errors.h"
#include "report/eval/stream.h"
#include "report/eval/ui_hooks.h"
#include "report/model/fr_globals.h"
#include "report/model/report.h"
#include "report/model/template_json.h"
#include "report/print/platform_printers.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
// Images of absurd size are refused rather than allocated.
constexpr int kMinDpi = 10;
constexpr int kMaxDpi = 1200;
constexpr qint64 kMaxPngPixels = 400LL * 1000 * 1000;

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

// Set when the engine reported an error through a message box.
bool errorShown = false;

void installMessageHook()
{
    frUiHooks().MessageBox = [](const QString &text, const QString &caption, int) {
        QString shown = text;
        shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        err() << caption << ": " << shown << Qt::endl;
        errorShown = true;
        return 1;
    };
}

// A subcommand: its name, its usage line and what runs it with the remaining arguments.
struct Command {
    const char *name;
    const char *usage;
    int (*run)(const Command &self, const QStringList &args);
};

int usageError(const Command &command)
{
    err() << "usage: frreport " << command.usage << Qt::endl;
    return kExitUsage;
}

// ---- prepared pages ----

QString typeName(const TfrView &v)
{
    switch (v.Typ) {
    case otMemo:
        return QStringLiteral("memo");
    case otPicture:
        return QStringLiteral("picture");
    case otBand:
        return QStringLiteral("band");
    case otSubReport:
        return QStringLiteral("subreport");
    case otLine:
        return QStringLiteral("line");
    default:
        return v.ClassName();
    }
}

QJsonObject fontJson(const TfrFont &font)
{
    return QJsonObject{{QStringLiteral("name"), font.Name},
                       {QStringLiteral("size"), font.Size},
                       {QStringLiteral("style"), font.Style},
                       {QStringLiteral("color"), qint64(font.Color)}};
}

QJsonObject viewJson(TfrView &v)
{
    QJsonObject o{{QStringLiteral("type"), typeName(v)},
                  {QStringLiteral("name"), v.Name},
                  {QStringLiteral("left"), v.Left},
                  {QStringLiteral("top"), v.Top},
                  {QStringLiteral("width"), v.Width},
                  {QStringLiteral("height"), v.Height},
                  {QStringLiteral("frame"), QJsonObject{{QStringLiteral("sides"), v.FrameTyp},
                                                        {QStringLiteral("width"), v.FrameWidth},
                                                        {QStringLiteral("color"), qint64(v.FrameColor)},
                                                        {QStringLiteral("style"), v.FrameStyle}}},
                  {QStringLiteral("fill"), qint64(v.FillColor)}};
    if (auto *m = dynamic_cast<TfrMemoView *>(&v)) {
        o.insert(QStringLiteral("font"), fontJson(m->Font));
        o.insert(QStringLiteral("alignment"), m->Alignment);
    }
    // The lines as stored: a line that ends a paragraph carries the mark (character 1), so
    // a reader can tell wrapped lines from paragraphs and knows the text exactly.
    o.insert(QStringLiteral("lines"), QJsonArray::fromStringList(v.Memo));
    return o;
}

QByteArray preparedPagesToJson(const TfrEMFPages &pages)
{
    QJsonArray list;
    for (int i = 0; i < pages.GetCount(); ++i) {
        const TfrPageInfo &info = pages[i];
        QJsonArray objects;
        pages.ForEachObject(i, [&objects](TfrView &v) { objects.append(viewJson(v)); });
        list.append(QJsonObject{
            {QStringLiteral("paper"), QJsonObject{{QStringLiteral("size"), info.paperSize},
                                                  {QStringLiteral("width"), info.paperWidth},
                                                  {QStringLiteral("height"), info.paperHeight}}},
            {QStringLiteral("orientation"), info.orientation ? QStringLiteral("landscape") : QStringLiteral("portrait")},
            {QStringLiteral("margins"), QJsonObject{{QStringLiteral("left"), info.margins.Left},
                                                    {QStringLiteral("top"), info.margins.Top},
                                                    {QStringLiteral("right"), info.margins.Right},
                                                    {QStringLiteral("bottom"), info.margins.Bottom}}},
            {QStringLiteral("objects"), objects}});
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("pages"), list}}).toJson(QJsonDocument::Indented);
}

bool writeFile(const QString &name, const QByteArray &data)
{
    QSaveFile f(name);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size() || !f.commit()) {
        err() << name << ": " << f.errorString() << Qt::endl;
        return false;
    }
    return true;
}

bool writePngs(TfrEMFPages &pages, const QString &dir, int dpi)
{
    if (!QDir().mkpath(dir)) {
        err() << dir << ": cannot create the folder" << Qt::endl;
        return false;
    }
    for (int i = 0; i < pages.GetCount(); ++i) {
        TfrPageInfo &info = pages[i];
        const int w = qRound(info.prnInfo.paperWidthU * dpi / frPageUnitsPerInch);
        const int h = qRound(info.prnInfo.paperHeightU * dpi / frPageUnitsPerInch);
        if (w <= 0 || h <= 0 || qint64(w) * h > kMaxPngPixels) {
            err() << "page " << i + 1 << ": no paper size to render" << Qt::endl;
            return false;
        }
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QPainter painter(&img);
            info.keepUnpacked = true;
            pages.Draw(i, &painter, QRect(0, 0, w, h));
        }
        info.keepUnpacked = false;
        pages.Release(i);
        const QString name = QDir(dir).filePath(QStringLiteral("page%1.png").arg(i + 1));
        if (!img.save(name)) {
            err() << name << ": cannot write the image" << Qt::endl;
            return false;
        }
    }
    return true;
}

// ---- spreadsheet export ----

// The --option settings of the spreadsheet export, checked when the command line is read.
struct XlsxOptions {
    QList<QPair<QString, QString>> settings;
};

const char *const kXlsxBoolOptions[] = {"CellsMerged",   "CellsWrapWords", "CellsFillColor", "CellsBorders",
                                        "CellsAlign",    "PageBreaks",     "CellsFontName",  "CellsFontSize",
                                        "CellsFontStyle", "CellsFontColor", "ExportPictures"};

bool *xlsxBoolOption(TfrOLEExcelExport &f, const QString &name)
{
    bool *const fields[] = {&f.CellsMerged,   &f.CellsWrapWords, &f.CellsFillColor, &f.CellsBorders,
                            &f.CellsAlign,    &f.PageBreaks,     &f.CellsFontName,  &f.CellsFontSize,
                            &f.CellsFontStyle, &f.CellsFontColor, &f.ExportPictures};
    for (size_t i = 0; i < std::size(kXlsxBoolOptions); ++i)
        if (name == QLatin1String(kXlsxBoolOptions[i]))
            return fields[i];
    return nullptr;
}

// Sets one option on the filter; false with a message for an unknown name or a bad value.
bool applyXlsxOption(TfrOLEExcelExport &f, const QString &name, const QString &value, QString &error)
{
    if (bool *option = xlsxBoolOption(f, name)) {
        if (value != QLatin1String("true") && value != QLatin1String("false")) {
            error = QStringLiteral("--option %1: the value must be true or false, not \"%2\"").arg(name, value);
            return false;
        }
        *option = value == QLatin1String("true");
        return true;
    }
    if (name == QLatin1String("ScaleX") || name == QLatin1String("ScaleY")) {
        bool ok = false;
        const int percent = value.toInt(&ok);
        if (!ok || percent < 1) {
            error = QStringLiteral("--option %1: the value must be a whole percentage above 0, not \"%2\"")
                        .arg(name, value);
            return false;
        }
        (name == QLatin1String("ScaleX") ? f.ScaleX : f.ScaleY) = percent / 100.0;
        return true;
    }
    if (name == QLatin1String("PageRange")) {
        if (!TfrPageRange::FromText(value).IsValid()) {
            error = QStringLiteral("--option PageRange: \"%1\" is not a page range such as 1,3,5-12").arg(value);
            return false;
        }
        f.PageRange = value;
        return true;
    }
    QStringList known;
    for (const char *n : kXlsxBoolOptions)
        known << QLatin1String(n);
    known << QStringLiteral("ScaleX") << QStringLiteral("ScaleY") << QStringLiteral("PageRange");
    error = QStringLiteral("--option %1: no such option (%2)").arg(name, known.join(QStringLiteral(", ")));
    return false;
}

// Reads an --option argument; false (after saying why) when it would not apply.
bool readXlsxOption(const QString &argument, XlsxOptions &options)
{
    QString name, value;
    const qsizetype eq = argument.indexOf(QLatin1Char('='));
    if (eq <= 0) {
        err() << "--option " << argument << ": NAME=VALUE expected" << Qt::endl;
        return false;
    }
    name = argument.left(eq);
    value = argument.mid(eq + 1);
    TfrOLEExcelExport probe;
    QString error;
    if (!applyXlsxOption(probe, name, value, error)) {
        err() << error << Qt::endl;
        return false;
    }
    options.settings.append({name, value});
    return true;
}

// The prepared pages through the spreadsheet export into out.
bool exportXlsx(TfrReportBuilder &builder, const QString &out, const XlsxOptions &options)
{
    TfrOLEExcelExport filter;
    filter.ShowDialog = false;
    QString error;
    for (const auto &[name, value] : options.settings)
        applyXlsxOption(filter, name, value, error);
    try {
        builder.ExportTo(filter, out);
    } catch (const EfrError &e) {
        err() << e.message() << Qt::endl;
        return false;
    }
    return true;
}

// ---- PDF ----

// The prepared pages through the PDF export filter, as the preview's save does. A failed
// export leaves no partial file behind.
bool writePdf(TfrReportBuilder &builder, const QString &out)
{
    if (builder.EMFPages.GetCount() == 0) {
        err() << out << ": the report has no pages, no PDF written" << Qt::endl;
        return false;
    }
    TfrPdfExport filter;
    try {
        builder.ExportTo(filter, out);
    } catch (const EfrError &e) {
        // A file that was at out is still whole: the export replaces it only when complete.
        err() << e.message() << Qt::endl;
        return false;
    }
    return true;
}

int runExport(const Command &self, const QStringList &args)
{
    QString file, xlsxOut, pdfOut;
    XlsxOptions options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--xlsx") && hasValue && xlsxOut.isEmpty()) {
            xlsxOut = args[++i];
        } else if (a == QLatin1String("--pdf") && hasValue && pdfOut.isEmpty()) {
            pdfOut = args[++i];
        } else if (a == QLatin1String("--option") && hasValue) {
            if (!readXlsxOption(args[++i], options))
                return usageError(self);
        } else if (file.isEmpty() && !a.startsWith(QLatin1String("--"))) {
            file = a;
        } else {
            return usageError(self);
        }
    }
    // Exactly one output; the export options belong to the workbook.
    if (file.isEmpty() || xlsxOut.isEmpty() == pdfOut.isEmpty() || (!options.settings.isEmpty() && xlsxOut.isEmpty()))
        return usageError(self);
    if (!QFileInfo(file).isFile()) {
        err() << file << ": no such file" << Qt::endl;
        return kExitFailure;
    }
    TfrReportBuilder builder;
    builder.ShowProgress = false;
    builder.ShowErrorBox = false;
    try {
        builder.LoadPreparedReport(file);
    } catch (const EfrError &e) {
        err() << file << ": " << e.message() << Qt::endl;
        return kExitFailure;
    }
    if (!pdfOut.isEmpty())
        return writePdf(builder, pdfOut) && !errorShown ? kExitOk : kExitFailure;
    return exportXlsx(builder, xlsxOut, options) && !errorShown ? kExitOk : kExitFailure;
}

// ---- prepare ----

// NAME=VALUE, NAME not empty.
bool splitAssignment(const QString &text, QString &name, QString &value)
{
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return false;
    name = text.left(eq).trimmed();
    value = text.mid(eq + 1);
    return !name.isEmpty();
}

// A table or view name, or a query the cursor reads through a temporary view.
bool isQuery(const QString &source)
{
    const QString s = source.trimmed();
    return s.startsWith(QLatin1String("select"), Qt::CaseInsensitive) ||
           s.startsWith(QLatin1String("with"), Qt::CaseInsensitive);
}

const QString kConnection = QStringLiteral("frreport_prepare");

// Where the data sets read: an SQLite file opened read-only, or a connection string in the
// journal's syntax (SQLite or PostgreSQL).
struct DataSource {
    QString dbFile;
    QString connect;
    bool isSet() const { return !dbFile.isEmpty() || !connect.isEmpty(); }
};

// A relative SQLite file in a connection string is taken from the current folder here, not
// from the program's folder as in the journal.
QString resolveConnectString(const QString &text)
{
    TfrConnectString cs = TfrConnectString::parse(text);
    if (cs.provider().compare(QLatin1String("SQLite"), Qt::CaseInsensitive) != 0)
        return text;
    for (const char *key : {"Data Source", "Database", "DataSource"}) {
        const QString file = cs.value(QLatin1String(key));
        if (!file.isEmpty() && file != QLatin1String(":memory:") && QFileInfo(file).isRelative()) {
            cs.setValue(QLatin1String(key), QFileInfo(file).absoluteFilePath());
            break;
        }
    }
    return cs.compose();
}

struct DataSetArg {
    QString name;
    QString source;
    bool query = false; // --query: SQL whatever its first word
};

int prepareWith(const QString &templateFile, const DataSource &data, const QList<DataSetArg> &dataSets,
                const QString &reportDataSet, const QList<QPair<QString, QString>> &vars, const QString &jsonOut,
                const QString &frpOut, const QString &pngDir, int dpi, const QString &pdfOut,
                const QString &xlsxOut, const XlsxOptions &xlsxOptions)
{
    QSqlDatabase db;
    const QString &dbFile = data.dbFile;
    if (!dbFile.isEmpty()) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
        db.setDatabaseName(dbFile);
        // The report reads; the file is never changed (temporary views live elsewhere).
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) {
            err() << dbFile << ": " << db.lastError().text() << Qt::endl;
            return kExitFailure;
        }
    } else if (!data.connect.isEmpty()) {
        try {
            db = frOpenConnection(resolveConnectString(data.connect));
        } catch (const EfrError &e) {
            err() << "--connect: " << e.message() << Qt::endl;
            return kExitFailure;
        }
    }
    // Closed before the connection goes (the cursors below hold it).
    struct CloseConnection {
        QSqlDatabase &db;
        bool journalConnection;
        ~CloseConnection()
        {
            if (journalConnection)
                frCloseConnection(db);
        }
    } closeConnection{db, !data.connect.isEmpty()};
    QObject owner;
    int viewNo = 0;
    TfrDBDataSet *multipleSource = nullptr;
    for (const auto &[name, source, query] : dataSets) {
        QString table = source.trimmed();
        if (query || isQuery(source)) {
            table = QStringLiteral("frreport_query_%1").arg(++viewNo);
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("CREATE TEMP VIEW %1 AS %2").arg(table, source))) {
                err() << name << ": " << q.lastError().text() << Qt::endl;
                return kExitFailure;
            }
        }
        auto *cursor = new TfrTableCursor(&owner);
        cursor->setDatabase(db);
        cursor->setTableName(table);
        try {
            cursor->Open();
        } catch (const EfrError &e) {
            err() << name << ": " << e.message() << Qt::endl;
            return kExitFailure;
        }
        auto *dataSet = new TfrDBDataSet(&owner);
        dataSet->setObjectName(name);
        dataSet->SetDataSet(cursor);
        if (name.compare(reportDataSet, Qt::CaseInsensitive) == 0)
            multipleSource = dataSet;
    }
    if (!reportDataSet.isEmpty() && !multipleSource) {
        err() << reportDataSet << ": no such data set among --dataset" << Qt::endl;
        return kExitUsage;
    }

    struct Globals {
        ~Globals()
        {
            CurPage = nullptr;
            CurReport = MasterReport = nullptr;
        }
    } globals;
    TfrReport report(&owner);
    report.Owner = &owner;
    CurReport = &report;
    if (templateFile.endsWith(QLatin1String(".json"), Qt::CaseInsensitive)) {
        QFile in(templateFile);
        if (!in.open(QIODevice::ReadOnly)) {
            err() << templateFile << ": " << in.errorString() << Qt::endl;
            return kExitFailure;
        }
        frTemplateFromJson(report, in.readAll());
    } else {
        TfrStream stream = TfrStream::fromFile(templateFile);
        if (!report.LoadFromStream(stream) || errorShown) {
            err() << templateFile << ": the template could not be read" << Qt::endl;
            return kExitFailure;
        }
    }
    for (const auto &[name, expr] : vars)
        report.Dictionary().VarList.SetVariable(name, TfrVariant(expr));

    TfrReportBuilder builder(report);
    builder.ShowErrorBox = false;
    builder.ShowProgress = false;
    if (multipleSource) {
        report.Dataset = multipleSource;
        builder.ReportType = rtMultiple;
    }
    if (!builder.PrepareReport()) {
        err() << (builder.LastError.isEmpty() ? QStringLiteral("the preparation was cancelled") : builder.LastError)
              << Qt::endl;
        return kExitFailure;
    }
    if (errorShown)
        return kExitFailure;
    // The outputs read the prepared pages only: the tables' rows can go, which leaves the
    // export the memory they held.
    for (TfrTableCursor *cursor : owner.findChildren<TfrTableCursor *>())
        cursor->Close();
    bool written = true;
    if (!jsonOut.isEmpty())
        written = writeFile(jsonOut, preparedPagesToJson(builder.EMFPages));
    else if (!frpOut.isEmpty())
        frSavePreparedReport(builder.EMFPages, frpOut);
    else if (!pdfOut.isEmpty())
        written = writePdf(builder, pdfOut);
    else if (!xlsxOut.isEmpty())
        written = exportXlsx(builder, xlsxOut, xlsxOptions) && !errorShown;
    else
        written = writePngs(builder.EMFPages, pngDir, dpi);
    return written ? kExitOk : kExitFailure;
}

int runPrepare(const Command &self, const QStringList &args)
{
    QString templateFile, reportDataSet, jsonOut, frpOut, pngDir, pdfOut, xlsxOut;
    DataSource data;
    QList<DataSetArg> dataSets;
    QList<QPair<QString, QString>> vars;
    XlsxOptions xlsxOptions;
    int dpi = 96;
    int outputs = 0;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        QString name, value;
        if (a == QLatin1String("--db") && hasValue) {
            data.dbFile = args[++i];
        } else if (a == QLatin1String("--connect") && hasValue) {
            data.connect = args[++i];
            if (data.connect.trimmed().isEmpty())
                return usageError(self);
        } else if ((a == QLatin1String("--dataset") || a == QLatin1String("--query")) && hasValue) {
            if (!splitAssignment(args[++i], name, value) || value.trimmed().isEmpty())
                return usageError(self);
            for (const auto &d : dataSets)
                if (d.name.compare(name, Qt::CaseInsensitive) == 0)
                    return usageError(self); // the bands could not tell them apart
            dataSets.append({name, value, a == QLatin1String("--query")});
        } else if (a == QLatin1String("--report-dataset") && hasValue) {
            reportDataSet = args[++i];
        } else if (a == QLatin1String("--var") && hasValue) {
            if (!splitAssignment(args[++i], name, value))
                return usageError(self);
            vars.append({name, value});
        } else if (a == QLatin1String("--json") && hasValue) {
            jsonOut = args[++i];
            ++outputs;
        } else if (a == QLatin1String("--frp") && hasValue) {
            frpOut = args[++i];
            ++outputs;
        } else if (a == QLatin1String("--png") && hasValue) {
            pngDir = args[++i];
            ++outputs;
        } else if (a == QLatin1String("--pdf") && hasValue) {
            pdfOut = args[++i];
            ++outputs;
        } else if (a == QLatin1String("--xlsx") && hasValue) {
            xlsxOut = args[++i];
            ++outputs;
        } else if (a == QLatin1String("--option") && hasValue) {
            if (!readXlsxOption(args[++i], xlsxOptions))
                return usageError(self);
        } else if (a == QLatin1String("--dpi") && hasValue) {
            bool ok = false;
            dpi = args[++i].toInt(&ok);
            if (!ok || dpi < kMinDpi || dpi > kMaxDpi)
                return usageError(self);
        } else if (templateFile.isEmpty() && !a.startsWith(QLatin1String("--"))) {
            templateFile = a;
        } else {
            return usageError(self);
        }
    }
    if (templateFile.isEmpty() || outputs != 1 || (!dataSets.isEmpty() && !data.isSet()) ||
        (!data.dbFile.isEmpty() && !data.connect.isEmpty()) ||
        (!xlsxOptions.settings.isEmpty() && xlsxOut.isEmpty()))
        return usageError(self);
    if (!QFileInfo(templateFile).isFile()) {
        err() << templateFile << ": no such file" << Qt::endl;
        return kExitFailure;
    }
    if (!data.dbFile.isEmpty() && !QFileInfo(data.dbFile).isFile()) {
        err() << data.dbFile << ": no such file" << Qt::endl;
        return kExitFailure;
    }
    const int status = prepareWith(templateFile, data, dataSets, reportDataSet, vars, jsonOut, frpOut, pngDir, dpi,
                                   pdfOut, xlsxOut, xlsxOptions);
    QSqlDatabase::removeDatabase(kConnection);
    return status;
}

// ---- dump ----

int runDump(const Command &self, const QStringList &args)
{
    QString password;
    bool havePassword = false;
    QString file;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--password") && i + 1 < args.size()) {
            password = args[++i];
            havePassword = true;
        } else if (file.isEmpty() && !args[i].startsWith(QLatin1String("--"))) {
            file = args[i];
        } else {
            return usageError(self);
        }
    }
    if (file.isEmpty())
        return usageError(self);

    if (!QFileInfo(file).isFile()) {
        err() << file << ": no such file" << Qt::endl;
        return kExitFailure;
    }
    if (file.endsWith(QLatin1String(".frp"), Qt::CaseInsensitive)) {
        TfrReport report;
        TfrEMFPages pages(&report);
        try {
            frLoadPreparedReport(pages, file);
        } catch (const EfrError &e) {
            err() << file << ": " << e.message() << Qt::endl;
            return kExitFailure;
        }
        const QByteArray json = preparedPagesToJson(pages);
        fwrite(json.constData(), 1, size_t(json.size()), stdout);
        return kExitOk;
    }
    bool asked = false;
    frPasswordQuery() = [&](QString &entered) {
        asked = true;
        entered = password;
        return havePassword;
    };
    TfrReport report;
    TfrStream stream = TfrStream::fromFile(file);
    const bool loaded = report.LoadFromStream(stream);
    frPasswordQuery() = nullptr;
    if (errorShown)
        return kExitFailure;
    if (!loaded && asked) {
        err() << file << (havePassword ? ": wrong password" : ": the template is protected, give --password")
              << Qt::endl;
        return kExitFailure;
    }
    const QByteArray json = frTemplateToJson(report);
    fwrite(json.constData(), 1, size_t(json.size()), stdout);
    return kExitOk;
}

// ---- make ----

int runMake(const Command &self, const QStringList &args)
{
    if (args.size() != 2)
        return usageError(self);
    QFile in(args[0]);
    if (!in.open(QIODevice::ReadOnly)) {
        err() << args[0] << ": " << in.errorString() << Qt::endl;
        return kExitFailure;
    }
    TfrReport report;
    frTemplateFromJson(report, in.readAll());
    // The description says when the template last changed; the file stays reproducible.
    report.StampLastChange = false;
    report.SaveToFile(args[1]);
    return kExitOk;
}

// ---- print ----

struct PrintRequest {
    QString printer; // empty: the print system's default
    QString range;
    int copies = 1;
    bool collate = true;
    TfrPrintPages pages = frAll;
    QString title;
};

// Splits the print options off; what is left names the pages (a prepared report, or a
// template with its data options). False on a usage error.
bool parsePrintOptions(const QStringList &args, PrintRequest &request, QStringList &rest)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--printer") && hasValue) {
            request.printer = args[++i];
            if (request.printer.isEmpty())
                return false;
        } else if (a == QLatin1String("--range") && hasValue) {
            request.range = args[++i];
        } else if (a == QLatin1String("--copies") && hasValue) {
            bool ok = false;
            request.copies = args[++i].toInt(&ok);
            if (!ok || request.copies < 1)
                return false;
        } else if (a == QLatin1String("--collate")) {
            request.collate = true;
        } else if (a == QLatin1String("--no-collate")) {
            request.collate = false;
        } else if (a == QLatin1String("--pages") && hasValue) {
            const QString pages = args[++i];
            if (pages == QLatin1String("all"))
                request.pages = frAll;
            else if (pages == QLatin1String("odd"))
                request.pages = frOdd;
            else if (pages == QLatin1String("even"))
                request.pages = frEven;
            else
                return false;
        } else if (a == QLatin1String("--title") && hasValue) {
            request.title = args[++i];
        } else {
            rest.append(a);
        }
    }
    return !rest.isEmpty() && !rest.first().startsWith(QLatin1String("--"));
}

// The range is checked before anything is prepared, so a bad one prints nothing.
bool checkPageRange(const QString &range)
{
    const bool ok = TfrPageRange::FromText(range).IsValid();
    if (!ok)
        err() << "bad page range \"" << range
              << "\": give page numbers and ranges separated by commas, for example 1,3,5-12 or 5-" << Qt::endl;
    return ok;
}

// Selects the printer of that name among the installed ones.
bool selectPrinter(const QString &name)
{
    const int index = Prn.IndexOfPrinter(name);
    if (index >= 0 && index < Prn.VirtualPrinterIndex()) {
        Prn.SetPrinterIndex(index);
        return true;
    }
    QStringList installed = Prn.Printers().mid(0, Prn.VirtualPrinterIndex());
    err() << "no printer named \"" << name << "\"; installed printers: " << installed.join(QStringLiteral(", "))
          << Qt::endl;
    return false;
}

int runPrint(const Command &self, const QStringList &args)
{
    PrintRequest request;
    QStringList rest;
    if (!parsePrintOptions(args, request, rest))
        return usageError(self);
    if (!checkPageRange(request.range))
        return kExitUsage;

    TfrQtPlatformPrinters printers;
    frSetPlatformPrinters(&printers);
    if (!Prn.HasPlatformPrinters()) {
        err() << "no printer is installed" << Qt::endl;
        return kExitFailure;
    }
    // Chosen before the preparation, so the pages are laid out for this printer.
    if (!request.printer.isEmpty() && !selectPrinter(request.printer))
        return kExitFailure;

    TfrReportBuilder builder;
    builder.ShowErrorBox = false;
    builder.ShowProgress = false;
    builder.Title = request.title;
    const QString &source = rest.first();
    if (rest.size() == 1 && source.endsWith(QLatin1String(".frp"), Qt::CaseInsensitive)) {
        if (!QFileInfo(source).isFile()) {
            err() << source << ": no such file" << Qt::endl;
            return kExitFailure;
        }
        builder.LoadPreparedReport(source);
    } else {
        // The template is prepared exactly as prepare does, into a prepared report.
        QTemporaryDir dir;
        if (!dir.isValid()) {
            err() << "cannot create a temporary folder: " << dir.errorString() << Qt::endl;
            return kExitFailure;
        }
        const QString prepared = dir.filePath(QStringLiteral("pages.frp"));
        const int status = runPrepare(self, rest + QStringList{QStringLiteral("--frp"), prepared});
        if (status != kExitOk)
            return status;
        builder.LoadPreparedReport(prepared);
    }
    if (errorShown)
        return kExitFailure;
    // Loading selected the printer the pages were made for; the one asked for wins.
    if (!request.printer.isEmpty() && !selectPrinter(request.printer))
        return kExitFailure;
    builder.PrintPreparedReport(request.range, request.copies, request.collate, request.pages);
    return errorShown ? kExitFailure : kExitOk;
}

const Command kCommands[] = {
    {"dump", "dump [--password TEXT] FILE | FILE.frp", runDump},
    {"make", "make FILE.json OUT.frf", runMake},
    {"prepare",
     "prepare TEMPLATE [--db FILE | --connect STRING] [--dataset NAME=TABLE_OR_SELECT]... [--query NAME=SQL]... "
     "[--report-dataset NAME] [--var NAME=EXPR]... "
     "(--json OUT | --frp OUT | --png DIR [--dpi N] | --pdf OUT | --xlsx OUT [--option NAME=VALUE]...)",
     runPrepare},
    {"print",
     "print (FILE.frp | TEMPLATE [--db FILE | --connect STRING] [--dataset NAME=TABLE_OR_SELECT]... [--query NAME=SQL]... "
     "[--report-dataset NAME] "
     "[--var NAME=EXPR]...) [--printer NAME] [--range TEXT] [--copies N] [--collate | --no-collate] "
     "[--pages all|odd|even] [--title TEXT]",
     runPrint},
    {"export", "export FILE.frp (--pdf OUT | --xlsx OUT [--option NAME=VALUE]...)", runExport},
};

void printUsage(QTextStream &stream)
{
    stream << "usage:" << Qt::endl;
    for (const Command &c : kCommands)
        stream << "  frreport " << c.usage << Qt::endl;
}

int dispatch(const QString &name, const QStringList &args)
{
    for (const Command &c : kCommands)
        if (name == QLatin1String(c.name))
            return c.run(c, args);
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        QTextStream out(stdout);
        out << "frreport: report templates and prepared reports on the command line (see man frreport)."
            << Qt::endl;
        printUsage(out);
        return kExitOk;
    }
    printUsage(err());
    return kExitUsage;
}

} // namespace

int main(int argc, char **argv)
{
    // Fonts need a GUI application; the offscreen platform needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own chatter while the application starts (runtime folders of the offscreen
    // platform) is not the tool's output; warnings after that are (no swap file, say).
    static bool started = false;
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type == QtCriticalMsg || type == QtFatalMsg || (type == QtWarningMsg && started))
            err() << message << Qt::endl;
    });
    QGuiApplication app(argc, argv);
    started = true;
    installMessageHook();
    frGlobals();

    QStringList args = QCoreApplication::arguments().mid(1);
    const QString command = args.isEmpty() ? QString() : args.takeFirst();
    try {
        return dispatch(command, args);
    } catch (const std::exception &e) {
        err() << QString::fromUtf8(e.what()) << Qt::endl;
        return kExitFailure;
    }
}
