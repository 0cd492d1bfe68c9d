// frreport: report templates on the command line.
//
//   frreport dump [--password TEXT] FILE   the template FILE as a JSON description
//   frreport make FILE.json OUT.frf        a template from such a description
//   frreport prepare TEMPLATE [--db FILE] [--dataset NAME=TABLE_OR_SELECT]... [--report-dataset NAME]
//            [--var NAME=EXPR]... (--json OUT | --frp OUT | --png DIR [--dpi N] | --pdf OUT)
//                                          the template (or its JSON description) prepared
//                                          over data sets of an SQLite file; the pages as
//                                          JSON, as a prepared report, as images or as PDF
//   frreport export FILE.frp --pdf OUT     a prepared report as PDF
//
// dump also reads a prepared report (FILE.frp) and prints its pages as prepare --json does.
//
// Runs without a display and without printers (the virtual printer supplies the paper).
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
#include <QTextStream>
#include <cstdio>

#include "report/engine/pdf_export.h"
#include "report/engine/prepare.h"
#include "report/engine/prepared_file.h"
#include "report/engine/prepared_pages.h"
#include "report/engine/printer.h"
#include "report/eval/data_dictionary.h"
#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/table_cursor.h"
#include "report/model/memo_view.h"
#include "report/model/text_layout.h"

#include "report/eval/errors.h"
#include "report/eval/stream.h"
#include "report/eval/ui_hooks.h"
#include "report/model/fr_globals.h"
#include "report/model/report.h"
#include "report/model/template_json.h"

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
    // The stored lines carry the wrap marks of the layout; the reader wants the text.
    QJsonArray lines;
    for (QString line : v.Memo) {
        line.remove(QChar(frParagraphMark));
        lines.append(line);
    }
    o.insert(QStringLiteral("lines"), lines);
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
        QFile::remove(out);
        err() << out << ": " << e.message() << Qt::endl;
        return false;
    }
    return true;
}

int runExport(const Command &self, const QStringList &args)
{
    QString file, pdfOut;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--pdf") && i + 1 < args.size() && pdfOut.isEmpty())
            pdfOut = args[++i];
        else if (file.isEmpty() && !args[i].startsWith(QLatin1String("--")))
            file = args[i];
        else
            return usageError(self);
    }
    if (file.isEmpty() || pdfOut.isEmpty())
        return usageError(self);
    if (!QFileInfo(file).isFile()) {
        err() << file << ": no such file" << Qt::endl;
        return kExitFailure;
    }
    TfrReportBuilder builder;
    builder.ShowErrorBox = false;
    builder.ShowProgress = false;
    try {
        builder.LoadPreparedReport(file);
    } catch (const EfrError &e) {
        err() << file << ": " << e.message() << Qt::endl;
        return kExitFailure;
    }
    return writePdf(builder, pdfOut) && !errorShown ? kExitOk : kExitFailure;
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

int prepareWith(const QString &templateFile, const QString &dbFile, const QList<QPair<QString, QString>> &dataSets,
                const QString &reportDataSet, const QList<QPair<QString, QString>> &vars, const QString &jsonOut,
                const QString &frpOut, const QString &pngDir, int dpi, const QString &pdfOut)
{
    QSqlDatabase db;
    if (!dbFile.isEmpty()) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
        db.setDatabaseName(dbFile);
        // The report reads; the file is never changed (temporary views live elsewhere).
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) {
            err() << dbFile << ": " << db.lastError().text() << Qt::endl;
            return kExitFailure;
        }
    }
    QObject owner;
    int viewNo = 0;
    TfrDBDataSet *multipleSource = nullptr;
    for (const auto &[name, source] : dataSets) {
        QString table = source.trimmed();
        if (isQuery(source)) {
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
    bool written = true;
    if (!jsonOut.isEmpty())
        written = writeFile(jsonOut, preparedPagesToJson(builder.EMFPages));
    else if (!frpOut.isEmpty())
        frSavePreparedReport(builder.EMFPages, frpOut);
    else if (!pdfOut.isEmpty())
        written = writePdf(builder, pdfOut);
    else
        written = writePngs(builder.EMFPages, pngDir, dpi);
    return written ? kExitOk : kExitFailure;
}

int runPrepare(const Command &self, const QStringList &args)
{
    QString templateFile, dbFile, reportDataSet, jsonOut, frpOut, pngDir, pdfOut;
    QList<QPair<QString, QString>> dataSets, vars;
    int dpi = 96;
    int outputs = 0;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        QString name, value;
        if (a == QLatin1String("--db") && hasValue) {
            dbFile = args[++i];
        } else if (a == QLatin1String("--dataset") && hasValue) {
            if (!splitAssignment(args[++i], name, value) || value.trimmed().isEmpty())
                return usageError(self);
            for (const auto &d : dataSets)
                if (d.first.compare(name, Qt::CaseInsensitive) == 0)
                    return usageError(self); // the bands could not tell them apart
            dataSets.append({name, value});
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
        } else if (a == QLatin1String("--pdf") && hasValue) {
            pdfOut = args[++i];
            ++outputs;
        } else if (a == QLatin1String("--png") && hasValue) {
            pngDir = args[++i];
            ++outputs;
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
    if (templateFile.isEmpty() || outputs != 1 || (!dataSets.isEmpty() && dbFile.isEmpty()))
        return usageError(self);
    if (!QFileInfo(templateFile).isFile()) {
        err() << templateFile << ": no such file" << Qt::endl;
        return kExitFailure;
    }
    if (!dbFile.isEmpty() && !QFileInfo(dbFile).isFile()) {
        err() << dbFile << ": no such file" << Qt::endl;
        return kExitFailure;
    }
    const int status = prepareWith(templateFile, dbFile, dataSets, reportDataSet, vars, jsonOut, frpOut, pngDir, dpi,
                                  pdfOut);
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
        frLoadPreparedReport(pages, file);
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

const Command kCommands[] = {
    {"dump", "dump [--password TEXT] FILE | FILE.frp", runDump},
    {"make", "make FILE.json OUT.frf", runMake},
    {"prepare",
     "prepare TEMPLATE [--db FILE] [--dataset NAME=TABLE_OR_SELECT]... [--report-dataset NAME] [--var NAME=EXPR]... "
     "(--json OUT | --frp OUT | --png DIR [--dpi N] | --pdf OUT)",
     runPrepare},
    {"export", "export FILE.frp --pdf OUT", runExport},
};

int dispatch(const QString &name, const QStringList &args)
{
    for (const Command &c : kCommands)
        if (name == QLatin1String(c.name))
            return c.run(c, args);
    err() << "usage:" << Qt::endl;
    for (const Command &c : kCommands)
        err() << "  frreport " << c.usage << Qt::endl;
    return kExitUsage;
}

} // namespace

int main(int argc, char **argv)
{
    // Fonts need a GUI application; the offscreen platform needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own chatter (runtime folders of the offscreen platform) is not the tool's output.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            err() << message << Qt::endl;
    });
    QGuiApplication app(argc, argv);
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
