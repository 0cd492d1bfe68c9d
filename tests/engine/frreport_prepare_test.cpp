// frreport prepare: the journal template over a small SQLite journal, written as JSON, as
// a prepared-report file that dump reads back, and as images; data sets from queries,
// variables from the command line, and the refusals of bad calls.
#include "tool_run.h"
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "testkit/journal_data.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

struct ToolRun {
    int status = -1;
    QByteArray out, err;
};

class FrreportPrepare : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = QCoreApplication::applicationDirPath() + QStringLiteral("/frreport");
        journalTemplate = QCoreApplication::applicationDirPath() + QStringLiteral("/Reports/J001.frf");
        ASSERT_TRUE(QFileInfo::exists(program)) << "frreport is not built next to the tests";
        ASSERT_TRUE(QFileInfo::exists(journalTemplate)) << "the journal template is not built next to the tests";
        ASSERT_TRUE(dir.isValid());
        makeJournal(12);
    }

    void makeJournal(int rows)
    {
        const bool made = testkit::makeJournalFile(path("journal.db"), rows, QStringLiteral("Temp"),
                                                   [](const QString &column, int i) -> QVariant {
            const QVariant values[] = {i, 3, QStringLiteral("file_%1.pdf").arg(i), u("08.12.2026"), u("14:00"),
                                       100 * i, u("09.12.2026"), u("09:30"), u("Петров"), u("Письмо"),
                                       u("Канцелярия")};
            const int c = testkit::journalColumn(column);
            return c >= 0 && c < int(std::size(values)) ? values[c] : QVariant();
        });
        ASSERT_TRUE(made);
    }

    ToolRun run(const QStringList &arguments)
    {
        const TToolResult r = frRunTool(program, arguments);
        return {r.status, r.out, r.err};
    }
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    static QByteArray readFile(const QString &name)
    {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList journalArgs() const
    {
        return {QStringLiteral("prepare"), journalTemplate, QStringLiteral("--db"), path("journal.db"),
                QStringLiteral("--dataset"), QStringLiteral("frDBDataSet1=Temp")};
    }
    // Text lines of every object of that name, page by page (with raw, as stored: paragraph
    // marks included; else the text without them).
    static std::vector<QStringList> textsOf(const QJsonArray &pages, const QString &name, bool raw = false)
    {
        std::vector<QStringList> out;
        for (const QJsonValue &p : pages) {
            QStringList texts;
            for (const QJsonValue &o : p.toObject().value(QStringLiteral("objects")).toArray())
                if (o.toObject().value(QStringLiteral("name")).toString() == name) {
                    QStringList lines;
                    for (const QJsonValue &l : o.toObject().value(QStringLiteral("lines")).toArray())
                        lines << (raw ? l.toString() : l.toString().remove(QChar(1)));
                    texts << lines.join(raw ? QStringLiteral("|") : QStringLiteral(" "));
                }
            out.push_back(texts);
        }
        return out;
    }

    QString program, journalTemplate;
    QTemporaryDir dir;
};

TEST_F(FrreportPrepare, JournalAsJsonAndAsAPreparedFileThatDumpReadsBack)
{
    const ToolRun json = run(journalArgs() << QStringLiteral("--json") << path("pages.json"));
    ASSERT_EQ(json.status, 0) << json.err.toStdString();
    const QByteArray text = readFile(path("pages.json"));
    const QJsonArray pages = QJsonDocument::fromJson(text).object().value(QStringLiteral("pages")).toArray();
    ASSERT_GE(pages.size(), 1);
    for (const QJsonValue &p : pages) {
        const QJsonObject page = p.toObject();
        EXPECT_EQ(page.value(QStringLiteral("orientation")).toString(), u("landscape"));
        EXPECT_EQ(page.value(QStringLiteral("paper")).toObject().value(QStringLiteral("size")).toInt(), 9);
        EXPECT_TRUE(page.value(QStringLiteral("margins")).toObject().contains(QStringLiteral("left")));
    }
    // Every row once and in order, the page numbers of the total, the summary's count.
    QStringList numbers;
    const auto rows = textsOf(pages, u("DataNumPP"));
    for (const QStringList &onPage : rows)
        numbers << onPage;
    QStringList expected;
    for (int i = 1; i <= 12; ++i)
        expected << QString::number(i);
    EXPECT_EQ(numbers, expected);
    const auto pageNumbers = textsOf(pages, u("PageNumber"));
    for (qsizetype p = 0; p < pages.size(); ++p)
        EXPECT_EQ(pageNumbers[size_t(p)], QStringList{u("Стр. %1 из %2").arg(p + 1).arg(pages.size())});
    EXPECT_EQ(textsOf(pages, u("Total")).back(), QStringList{u("Всего принято файлов: 12")});
    // The stored lines come verbatim: a wrapped text's paragraph ends with its mark, a text
    // that does not wrap has none.
    EXPECT_EQ(textsOf(pages, u("DataNumPP"), true)[0].first(), QStringLiteral("1") + QChar(1));
    EXPECT_EQ(textsOf(pages, u("Total"), true).back(), QStringList{u("Всего принято файлов: 12")});
    EXPECT_TRUE(text.contains("\\u0001")) << "the mark is written as character 1";
    const QJsonObject cell = [&] {
        for (const QJsonValue &o : pages[0].toObject().value(QStringLiteral("objects")).toArray())
            if (o.toObject().value(QStringLiteral("name")).toString() == u("DataNumPP"))
                return o.toObject();
        return QJsonObject();
    }();
    EXPECT_EQ(cell.value(QStringLiteral("type")).toString(), u("memo"));
    EXPECT_GT(cell.value(QStringLiteral("width")).toInt(), 0);
    EXPECT_EQ(cell.value(QStringLiteral("font")).toObject().value(QStringLiteral("name")).toString(), u("Arial"));
    EXPECT_TRUE(cell.value(QStringLiteral("frame")).toObject().contains(QStringLiteral("sides")));

    const ToolRun frp = run(journalArgs() << QStringLiteral("--frp") << path("journal.frp"));
    ASSERT_EQ(frp.status, 0) << frp.err.toStdString();
    const ToolRun dump = run({QStringLiteral("dump"), path("journal.frp")});
    ASSERT_EQ(dump.status, 0) << dump.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(dump.out), QJsonDocument::fromJson(text))
        << "the saved pages read back as they were prepared";
}

TEST_F(FrreportPrepare, PagesAsImagesAtTheAskedResolution)
{
    const ToolRun r = run(journalArgs() << QStringLiteral("--png") << path("png") << QStringLiteral("--dpi")
                                        << QStringLiteral("50"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QImage first(QDir(path("png")).filePath(QStringLiteral("page1.png")));
    ASSERT_FALSE(first.isNull());
    // A4 landscape at 50 dots per inch.
    EXPECT_NEAR(first.width(), 297 / 25.4 * 50, 2);
    EXPECT_NEAR(first.height(), 210 / 25.4 * 50, 2);
    bool inked = false;
    for (int y = 0; y < first.height() && !inked; ++y)
        for (int x = 0; x < first.width() && !inked; ++x)
            inked = qGray(first.pixel(x, y)) < 128;
    EXPECT_TRUE(inked) << "the page carries its text and frames";
}

TEST_F(FrreportPrepare, QueryDataSetsAndVariables)
{
    QStringList args = journalArgs();
    args[5] = QStringLiteral("frDBDataSet1=SELECT * FROM Temp WHERE NumPP > 9 ORDER BY NumPP DESC");
    const ToolRun r = run(args << QStringLiteral("--json") << path("query.json"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray pages =
        QJsonDocument::fromJson(readFile(path("query.json"))).object().value(QStringLiteral("pages")).toArray();
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(textsOf(pages, u("DataNumPP"))[0], (QStringList{u("12"), u("11"), u("10")}));

    QFile json(path("small.json"));
    ASSERT_TRUE(json.open(QIODevice::WriteOnly));
    json.write(R"({"Pages": [{"Name": "Page1", "Objects": [
        {"Type": "otBand", "Name": "Title1", "Left": 0, "Top": 20, "Width": 700, "Height": 30, "BandType": "btReportTitle"},
        {"Type": "otMemo", "Name": "Greeting", "Left": 20, "Top": 20, "Width": 400, "Height": 20, "Memo": ["For [Who], [Count] files"]}
    ]}]})");
    json.close();
    const ToolRun vars = run({QStringLiteral("prepare"), path("small.json"), QStringLiteral("--var"),
                              u("Who='Канцелярия'"), QStringLiteral("--var"), QStringLiteral("Count=2*3"),
                              QStringLiteral("--json"), path("small-out.json")});
    ASSERT_EQ(vars.status, 0) << vars.err.toStdString();
    const QJsonArray smallPages =
        QJsonDocument::fromJson(readFile(path("small-out.json"))).object().value(QStringLiteral("pages")).toArray();
    ASSERT_EQ(smallPages.size(), 1);
    EXPECT_EQ(textsOf(smallPages, u("Greeting"))[0], QStringList{u("For Канцелярия, 6 files")});

    // A report data set repeats the report once per record.
    QFile multi(path("multi.json"));
    ASSERT_TRUE(multi.open(QIODevice::WriteOnly));
    multi.write(R"({"Pages": [{"Name": "Page1", "Objects": [
        {"Type": "otBand", "Name": "Title1", "Left": 0, "Top": 20, "Width": 700, "Height": 30, "BandType": "btReportTitle"},
        {"Type": "otMemo", "Name": "Copy", "Left": 20, "Top": 20, "Width": 400, "Height": 20, "Memo": ["Copy [R.\"NumPP\"]"]}
    ]}]})");
    multi.close();
    const ToolRun copies = run({QStringLiteral("prepare"), path("multi.json"), QStringLiteral("--db"), path("journal.db"),
                                QStringLiteral("--dataset"), QStringLiteral("R=SELECT NumPP FROM Temp WHERE NumPP <= 3"),
                                QStringLiteral("--report-dataset"), QStringLiteral("R"), QStringLiteral("--json"),
                                path("multi-out.json")});
    ASSERT_EQ(copies.status, 0) << copies.err.toStdString();
    const QJsonArray copyPages =
        QJsonDocument::fromJson(readFile(path("multi-out.json"))).object().value(QStringLiteral("pages")).toArray();
    const auto copyTexts = textsOf(copyPages, u("Copy"));
    EXPECT_EQ(copyTexts, (std::vector<QStringList>{{u("Copy 1")}, {u("Copy 2")}, {u("Copy 3")}}));
}

TEST_F(FrreportPrepare, BadCallsAreRefusedWithoutOutput)
{
    struct Row {
        const char *what;
        QStringList args;
        int status;
    };
    const QString out = path("never.json");
    const Row rows[] = {
        {"no output", journalArgs(), 2},
        {"two outputs", journalArgs() << QStringLiteral("--json") << out << QStringLiteral("--frp") << path("x.frp"), 2},
        {"data set without a database",
         {QStringLiteral("prepare"), journalTemplate, QStringLiteral("--dataset"), QStringLiteral("A=Temp"),
          QStringLiteral("--json"), out},
         2},
        {"no such template", {QStringLiteral("prepare"), path("none.frf"), QStringLiteral("--json"), out}, 1},
        {"no such table", QStringList(journalArgs()).replaceInStrings(u("=Temp"), u("=Missing")) << QStringLiteral("--json") << out, 1},
        {"broken query", QStringList(journalArgs()).replaceInStrings(u("=Temp"), u("=SELECT FROM")) << QStringLiteral("--json") << out, 1},
        {"one name for two data sets",
         journalArgs() << QStringLiteral("--dataset") << QStringLiteral("FRDBDATASET1=Temp") << QStringLiteral("--json") << out, 2},
        {"report data set not given",
         journalArgs() << QStringLiteral("--report-dataset") << QStringLiteral("Other") << QStringLiteral("--json") << out, 2},
        {"resolution out of range", journalArgs() << QStringLiteral("--png") << path("png") << QStringLiteral("--dpi") << QStringLiteral("100000"), 2},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        const ToolRun r = run(row.args);
        EXPECT_EQ(r.status, row.status) << r.err.toStdString();
        EXPECT_FALSE(r.err.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(out));
    }
    const ToolRun notPrepared = run({QStringLiteral("dump"), path("journal.db.frp")});
    EXPECT_EQ(notPrepared.status, 1);
    QFile bogus(path("bogus.frp"));
    ASSERT_TRUE(bogus.open(QIODevice::WriteOnly));
    bogus.write("not a prepared report at all");
    bogus.close();
    const ToolRun bad = run({QStringLiteral("dump"), path("bogus.frp")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_FALSE(bad.err.isEmpty());
}

} // namespace
