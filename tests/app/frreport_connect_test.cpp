// frreport prepare over a database named by a connection string, as the journal writes
// them: a table and a query as data sets, on SQLite here and, with FR_POSTGRES_TESTS, in
// test_app_pg on the PostgreSQL test server; a bad string or an unreachable server fails
// with the driver's message.
#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "db_test_support.h"
#include "tool_run.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

// A list of people: a title and one text per record.
const char *const kTemplate = R"({
  "Pages": [{"Size": 9, "Objects": [
    {"Type": "otBand", "Name": "Title", "BandType": "btReportTitle", "Left": 0, "Top": 20, "Width": 700, "Height": 30},
    {"Type": "otMemo", "Name": "Heading", "Left": 10, "Top": 22, "Width": 300, "Height": 20, "Memo": ["Список"]},
    {"Type": "otBand", "Name": "Data", "BandType": "btMasterData", "DataSource": "People", "Left": 0, "Top": 60,
     "Width": 700, "Height": 20},
    {"Type": "otMemo", "Name": "Row", "Left": 10, "Top": 62, "Width": 400, "Height": 18,
     "Memo": ["[People.\"Name\"] [People.\"Age\"]"]}
  ]}]
})";

class FrreportConnect : public ::testing::TestWithParam<TestEngine> {
protected:
    void SetUp() override
    {
        program = QCoreApplication::applicationDirPath() + QStringLiteral("/frreport");
        ASSERT_TRUE(QFileInfo::exists(program)) << "frreport is not built next to the tests";
        ASSERT_TRUE(dir.isValid());
        QFile t(dir.filePath(QStringLiteral("people.json")));
        ASSERT_TRUE(t.open(QIODevice::WriteOnly));
        t.write(kTemplate);
    }

    // Rows of Row texts of the prepared pages.
    QStringList rows(const QString &json) const
    {
        QFile f(json);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList out;
        const QJsonArray pages = QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("pages")).toArray();
        for (const QJsonValue &p : pages)
            for (const QJsonValue &o : p.toObject().value(QStringLiteral("objects")).toArray())
                if (o.toObject().value(QStringLiteral("name")).toString() == QStringLiteral("Row"))
                    out << o.toObject().value(QStringLiteral("lines")).toArray().first().toString();
        return out;
    }
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    QString program;
    QTemporaryDir dir;
};

} // namespace

TEST_P(FrreportConnect, TableAndQueryDataSetsOverAConnectionString)
{
    TestJournalDb db(GetParam());
    ASSERT_FALSE(db.connectString().isEmpty()) << db.error().toStdString();
    {
        QSqlDatabase c = frOpenConnection(db.connectString());
        QSqlQuery q(c);
        // Quoted, so PostgreSQL keeps the names' case as the data set names them.
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE \"People\" (\"Name\" VARCHAR(40), \"Age\" INTEGER)")));
        ASSERT_TRUE(q.exec(u("INSERT INTO \"People\" VALUES ('Иванов', 30), ('Д''Артаньян', 20), ('Петрова', 41)")));
        q = QSqlQuery();
        frCloseConnection(c);
    }
    const QString tmpl = path("people.json");
    TToolResult r = frRunTool(program, {QStringLiteral("prepare"), tmpl, QStringLiteral("--connect"), db.connectString(),
                                        QStringLiteral("--dataset"), QStringLiteral("People=People"),
                                        QStringLiteral("--json"), path("table.json")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(rows(path("table.json")), (QStringList{u("Иванов 30"), u("Д'Артаньян 20"), u("Петрова 41")}));

    // A query need not start with SELECT to be one.
    r = frRunTool(program, {QStringLiteral("prepare"), tmpl, QStringLiteral("--connect"), db.connectString(),
                            QStringLiteral("--query"),
                            QStringLiteral("People=  select \"Name\", \"Age\" from \"People\" where \"Age\" > 25 order by \"Age\" desc"),
                            QStringLiteral("--json"), path("query.json")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(rows(path("query.json")), (QStringList{u("Петрова 41"), u("Иванов 30")}));

    // A query the server refuses names the data set and the server's reason.
    r = frRunTool(program, {QStringLiteral("prepare"), tmpl, QStringLiteral("--connect"), db.connectString(),
                            QStringLiteral("--query"), QStringLiteral("People=SELECT * FROM NoSuchTable"),
                            QStringLiteral("--json"), path("bad.json")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("People")) << r.err.toStdString();
}

#ifdef FR_POSTGRES_TESTS
INSTANTIATE_TEST_SUITE_P(PostgreSQL, FrreportConnect, ::testing::Values(TestEngine::PostgreSQL),
                         [](const auto &info) { return std::string(testEngineName(info.param)); });
#else
INSTANTIATE_TEST_SUITE_P(SQLite, FrreportConnect, ::testing::Values(TestEngine::SQLite),
                         [](const auto &info) { return std::string(testEngineName(info.param)); });

TEST(FrreportConnectRefusals, BadStringsAndUnreachableServersFailWithTheDriversMessage)
{
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/frreport");
    QTemporaryDir dir;
    QFile t(dir.filePath(QStringLiteral("people.json")));
    ASSERT_TRUE(t.open(QIODevice::WriteOnly));
    t.write(kTemplate);
    t.close();
    auto prepare = [&](const QStringList &data) {
        return frRunTool(program, QStringList{QStringLiteral("prepare"), t.fileName()} + data +
                                      QStringList{QStringLiteral("--json"), dir.filePath(QStringLiteral("out.json"))});
    };
    TToolResult r = prepare({QStringLiteral("--connect"), QStringLiteral("Provider=Oracle;Data Source=x"),
                             QStringLiteral("--dataset"), QStringLiteral("People=People")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(QString::fromUtf8(r.err).contains(u("Неизвестный поставщик данных"))) << r.err.toStdString();

    // Nothing listens on port 1 of the loopback.
    r = prepare({QStringLiteral("--connect"),
                 QStringLiteral("Provider=PostgreSQL;Host=127.0.0.1;Port=1;Database=x;User ID=nobody"),
                 QStringLiteral("--dataset"), QStringLiteral("People=People")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("--connect:")) << r.err.toStdString();
    EXPECT_GT(r.err.size(), 20) << "the driver's message is missing";
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("out.json"))));

    // One source of data at a time; a connection with no data set is still a usage of one.
    r = prepare({QStringLiteral("--db"), QStringLiteral("a.db"), QStringLiteral("--connect"), QStringLiteral("Provider=SQLite;Data Source=a.db"),
                 QStringLiteral("--dataset"), QStringLiteral("People=People")});
    EXPECT_EQ(r.status, 2);
}
#endif
