// frreport's workbook output: the journal template over 45 SQLite rows prepared straight
// into a workbook and exported from a prepared-report file, with export options, and the
// refusal of bad options.
#include "tool_run.h"
#include "xlsx_reader.h"
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

QByteArray readFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

const char *const kLongBrief = "Письмо о согласовании графика поставок оборудования на первый квартал";

class FrreportXlsx : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = QCoreApplication::applicationDirPath() + QStringLiteral("/frreport");
        journalTemplate = QCoreApplication::applicationDirPath() + QStringLiteral("/Reports/J001.frf");
        if (!QFileInfo::exists(program) || !QFileInfo::exists(journalTemplate))
            GTEST_SKIP() << "frreport and the journal template are not built next to the tests";
        ASSERT_TRUE(dir.isValid());
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("frreport_xlsx"));
            db.setDatabaseName(path("journal.db"));
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(QStringLiteral(
                "CREATE TABLE Temp (NumPP INTEGER, NumReis INTEGER, NameFile TEXT, DateCreateFile TEXT, "
                "TimeCreateFile TEXT, Size INTEGER, DateProcesFile TEXT, TimeProcesFile TEXT, Ispolnitel TEXT, "
                "BriefContents TEXT, ToWhom TEXT)")));
            q.prepare(QStringLiteral("INSERT INTO Temp VALUES (?,?,?,?,?,?,?,?,?,?,?)"));
            for (int i = 1; i <= kRows; ++i) {
                for (const QVariant &v :
                     {QVariant(i), QVariant(7), QVariant(QStringLiteral("incoming_%1.pdf").arg(i)),
                      QVariant(u("08.12.2026")), QVariant(u("14:05")), QVariant(1000 * i), QVariant(u("09.12.2026")),
                      QVariant(u("09:30")), QVariant(u("Иванова А. П.")),
                      QVariant(i % 7 == 0 ? u(kLongBrief) : u("Входящее письмо")), QVariant(u("Канцелярия"))})
                    q.addBindValue(v);
                ASSERT_TRUE(q.exec());
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("frreport_xlsx"));
    }

    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    QStringList prepareArgs() const
    {
        return {QStringLiteral("prepare"), journalTemplate, QStringLiteral("--db"), path("journal.db"),
                QStringLiteral("--dataset"), QStringLiteral("frDBDataSet1=Temp")};
    }
    // The row of each journal number found in column A.
    static std::map<int, int> numberRows(const XSheet &s)
    {
        std::map<int, int> rows;
        for (int r = 1; r <= s.maxRow; ++r)
            if (const XCell *c = s.cell(r, 1); c && c->isNumber)
                rows[int(c->number)] = r;
        return rows;
    }

    static constexpr int kRows = 45;
    QString program, journalTemplate;
    QTemporaryDir dir;
};

TEST_F(FrreportXlsx, JournalPreparedIntoAWorkbook)
{
    const TToolResult r = frRunTool(program, prepareArgs() << QStringLiteral("--xlsx") << path("journal.xlsx"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const XSheet s = readXlsx(path("journal.xlsx"));
    ASSERT_TRUE(s.ok) << s.error.toStdString();

    EXPECT_EQ(s.text(1, 1), u("Журнал принятых файлов"));
    EXPECT_TRUE(s.merged(QStringLiteral("A1:M1"))) << "the title spans the table";
    // Every journal number once, as a number, in order down column A.
    const auto rows = numberRows(s);
    ASSERT_EQ(rows.size(), size_t(kRows));
    int previous = 0;
    for (const auto &[number, row] : rows) {
        EXPECT_GT(row, previous) << number;
        previous = row;
    }
    // Columns of a data row: sizes are numbers (a sum works), dates stay text, a long brief
    // keeps its wrapped lines and wraps in its cell.
    const int row7 = rows.at(7);
    int briefCol = 0, sizeCol = 0, dateCol = 0;
    for (int c = 1; c <= s.maxCol; ++c) {
        if (s.text(row7, c).startsWith(u("Письмо")))
            briefCol = c;
        if (s.cell(row7, c) && s.cell(row7, c)->isNumber && s.cell(row7, c)->number == 7000)
            sizeCol = c;
        if (s.text(row7, c) == u("08.12.2026"))
            dateCol = c;
    }
    ASSERT_GT(briefCol, 0);
    ASSERT_GT(sizeCol, 0);
    ASSERT_GT(dateCol, 0);
    // The brief contents may hyphenate where they wrap.
    EXPECT_EQ(s.text(row7, briefCol).remove(QStringLiteral("-\n")).remove(QLatin1Char('\n')).remove(QLatin1Char(' ')),
              u(kLongBrief).remove(QLatin1Char(' ')));
    EXPECT_TRUE(s.text(row7, briefCol).contains(QLatin1Char('\n')));
    EXPECT_TRUE(s.style(row7, briefCol).wrap);
    EXPECT_GT(s.rowHeights.at(row7), s.rowHeights.at(rows.at(6))) << "the wrapped brief's row is higher";
    EXPECT_FALSE(s.cell(row7, dateCol)->isNumber);
    // The table's frames, and a break after every page.
    const XStyle cell = s.style(row7, 1);
    EXPECT_EQ(cell.left, QStringLiteral("thin"));
    EXPECT_EQ(cell.top, QStringLiteral("thin"));
    EXPECT_EQ(cell.bottom, QStringLiteral("thin"));
    EXPECT_EQ(s.orientation, QStringLiteral("landscape"));
    EXPECT_GE(s.breaks.size(), 2u);
    int pages = 0;
    for (int r = 1; r <= s.maxRow; ++r)
        pages += s.text(r, 1).startsWith(u("Стр. ")) ? 1 : 0;
    EXPECT_EQ(size_t(pages), s.breaks.size()) << "one break for each page";
}

TEST_F(FrreportXlsx, PreparedReportExportedWithOptions)
{
    TToolResult r = frRunTool(program, prepareArgs() << QStringLiteral("--frp") << path("journal.frp"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    r = frRunTool(program, {QStringLiteral("export"), path("journal.frp"), QStringLiteral("--xlsx"), path("all.xlsx")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(numberRows(readXlsx(path("all.xlsx"))).size(), size_t(kRows));

    r = frRunTool(program, {QStringLiteral("export"), path("journal.frp"), QStringLiteral("--xlsx"), path("page2.xlsx"),
                            QStringLiteral("--option"), QStringLiteral("PageRange=2"), QStringLiteral("--option"),
                            QStringLiteral("CellsBorders=false"), QStringLiteral("--option"),
                            QStringLiteral("PageBreaks=false"), QStringLiteral("--option"),
                            QStringLiteral("ScaleX=200")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const XSheet s = readXlsx(path("page2.xlsx"));
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    const auto rows = numberRows(s);
    ASSERT_FALSE(rows.empty());
    EXPECT_GT(rows.begin()->first, 1) << "the first page is left out";
    EXPECT_LT(rows.size(), size_t(kRows));
    EXPECT_TRUE(s.style(rows.begin()->second, 1).left.isEmpty());
    EXPECT_TRUE(s.breaks.empty());
    EXPECT_GT(s.colWidths.at(1), readXlsx(path("all.xlsx")).colWidths.at(1) * 1.8);

    r = frRunTool(program, {QStringLiteral("export"), path("journal.frp"), QStringLiteral("--xlsx"), path("none.xlsx"),
                            QStringLiteral("--option"), QStringLiteral("PageRange=5-3")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(readXlsx(path("none.xlsx")).cells.empty()) << "a range naming no page exports none";
}

// frreport under the operators' desktop locale, whose decimal separator is a comma.
TToolResult runUnderLocale(const QString &program, const QStringList &arguments, const char *locale)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(locale));
    env.insert(QStringLiteral("LANG"), QString::fromLatin1(locale));
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    TToolResult result;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.status = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// Attribute values holding a number with a decimal comma: what Excel repairs or rejects.
QStringList commaNumbers(const QByteArray &xml)
{
    static const QRegularExpression comma(QStringLiteral("=\"-?[0-9]+,[0-9]+\""));
    QStringList found;
    for (auto it = comma.globalMatch(QString::fromUtf8(xml)); it.hasNext();)
        found << it.next().captured(0);
    return found;
}

QByteArray toolOutput(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return process.readAllStandardOutput();
}

TEST_F(FrreportXlsx, FilesAreTheSameUnderARussianDesktopLocale)
{
    ASSERT_EQ(runUnderLocale(QStringLiteral("locale"), {QStringLiteral("decimal_point")}, "ru_RU.UTF-8").out, ",\n")
        << "the ru_RU.UTF-8 locale is missing: run scripts/install-deps.sh";
    for (const char *locale : {"C.UTF-8", "ru_RU.UTF-8"}) {
        const QString tag = QString::fromLatin1(locale).left(2);
        const QString frp = path("journal.frp") + tag, xlsx = path("journal.xlsx") + tag + QStringLiteral(".xlsx");
        TToolResult r = runUnderLocale(program, prepareArgs() << QStringLiteral("--frp") << frp, locale);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        r = runUnderLocale(program, {QStringLiteral("export"), frp, QStringLiteral("--xlsx"), xlsx}, locale);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        r = runUnderLocale(program, prepareArgs() << QStringLiteral("--pdf") << xlsx + QStringLiteral(".pdf"), locale);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        r = runUnderLocale(program, {QStringLiteral("dump"), journalTemplate}, locale);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        QFile json(path("dump.json") + tag);
        ASSERT_TRUE(json.open(QIODevice::WriteOnly));
        json.write(r.out);
    }
    const QString c = path("journal.xlsx") + QStringLiteral("C.") + QStringLiteral(".xlsx");
    const QString ru = path("journal.xlsx") + QStringLiteral("ru.xlsx");
    for (const QString &part : {QStringLiteral("xl/worksheets/sheet1.xml"), QStringLiteral("xl/styles.xml")}) {
        const QByteArray underRu = xlsx_detail::part(ru, part);
        ASSERT_FALSE(underRu.isEmpty()) << part.toStdString();
        EXPECT_EQ(commaNumbers(underRu), QStringList()) << part.toStdString();
        EXPECT_EQ(underRu, xlsx_detail::part(c, part)) << part.toStdString() << " as under C.UTF-8";
    }
    EXPECT_TRUE(xlsx_detail::part(ru, QStringLiteral("xl/worksheets/sheet1.xml")).contains("width=\""));
    // The prepared report, the template as JSON and the PDF's text come out the same too.
    EXPECT_EQ(readFile(path("journal.frp") + QStringLiteral("C.")), readFile(path("journal.frp") + QStringLiteral("ru")));
    EXPECT_EQ(readFile(path("dump.json") + QStringLiteral("C.")), readFile(path("dump.json") + QStringLiteral("ru")));
    EXPECT_EQ(toolOutput(QStringLiteral("pdftotext"), {c + QStringLiteral(".pdf"), QStringLiteral("-")}),
              toolOutput(QStringLiteral("pdftotext"), {ru + QStringLiteral(".pdf"), QStringLiteral("-")}));
}

TEST_F(FrreportXlsx, ThePdfCarriesTheReportsTitle)
{
    TToolResult r = frRunTool(program, prepareArgs() << QStringLiteral("--pdf") << path("journal.pdf"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString info = QString::fromUtf8(toolOutput(QStringLiteral("pdfinfo"), {path("journal.pdf")}));
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Title:\\s+Журнал принятых файлов\n"))))
        << info.toStdString();
    // A prepared report names no template: the file's name stands in rather than nothing.
    r = frRunTool(program, prepareArgs() << QStringLiteral("--frp") << path("run7.frp"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    r = frRunTool(program, {QStringLiteral("export"), path("run7.frp"), QStringLiteral("--pdf"), path("run7.pdf")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString info7 = QString::fromUtf8(toolOutput(QStringLiteral("pdfinfo"), {path("run7.pdf")}));
    EXPECT_TRUE(info7.contains(QRegularExpression(QStringLiteral("Title:\\s+\\S")))) << info7.toStdString();
}

TEST_F(FrreportXlsx, BadOptionsAndFailuresAreRefused)
{
    const struct {
        std::vector<const char *> args;
        int status;
    } rows[] = {
        {{"--xlsx", "OUT", "--option", "Unknown=true"}, 2},
        {{"--xlsx", "OUT", "--option", "CellsMerged=yes"}, 2},
        {{"--xlsx", "OUT", "--option", "ScaleY=0"}, 2},
        {{"--xlsx", "OUT", "--option", "ScaleX=1.5"}, 2},
        {{"--xlsx", "OUT", "--option", "PageRange=1;2"}, 2},
        {{"--xlsx", "OUT", "--option", "CellsMerged"}, 2},
        {{"--json", "OUT", "--option", "CellsMerged=true"}, 2},
        {{"--xlsx", "OUT", "--json", "OUT"}, 2},
    };
    for (const auto &row : rows) {
        QStringList args = prepareArgs();
        QString shown;
        for (const char *a : row.args) {
            args << (QLatin1String(a) == QLatin1String("OUT") ? path("bad.out") : QString::fromUtf8(a));
            shown += QLatin1Char(' ') + QString::fromUtf8(a);
        }
        const TToolResult r = frRunTool(program, args);
        EXPECT_EQ(r.status, row.status) << shown.toStdString();
        EXPECT_FALSE(r.err.isEmpty()) << shown.toStdString();
        EXPECT_FALSE(QFileInfo::exists(path("bad.out"))) << shown.toStdString();
    }
    TToolResult r = frRunTool(program, {QStringLiteral("export"), path("missing.frp"), QStringLiteral("--xlsx"),
                                        path("x.xlsx")});
    EXPECT_EQ(r.status, 1);
    r = frRunTool(program, {QStringLiteral("export"), path("missing.frp")});
    EXPECT_EQ(r.status, 2);
    // A workbook that cannot be written: the reason, no file, a failing status.
    r = frRunTool(program, prepareArgs() << QStringLiteral("--xlsx") << path("no/such/folder/j.xlsx"));
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.err.isEmpty());
}

} // namespace
