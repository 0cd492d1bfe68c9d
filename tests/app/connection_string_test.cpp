#include "app/connection_string.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/settings.h"
#include "report/eval/errors.h"

namespace {

TEST(ConnectStringTest, ParsesAndComposes)
{
    struct Row { const char *text, *key, *value; } rows[] = {
        {"Provider=SQLite;Data Source=journal.db", "data source", "journal.db"},
        {"Provider=SQLite;Data Source=journal.db", "PROVIDER", "SQLite"},
        {" Provider = PostgreSQL ; Host = db1 ;", "host", "db1"},
        {"Password=\"a;b\"\"c\";User ID=x", "password", "a;b\"c"},
        {"Password='it''s';User ID=x", "User ID", "x"},
        {"Password='it''s';User ID=x", "Password", "it's"},
        {"Provider=SQLite;;garbage;Data Source=j.db", "data source", "j.db"},
        {"Key=", "key", ""},
        {"", "provider", ""},
    };
    for (const Row &r : rows)
        EXPECT_EQ(TfrConnectString::parse(r.text).value(r.key), QString::fromUtf8(r.value)) << r.text << " / " << r.key;

    TfrConnectString cs = TfrConnectString::parse("Provider=PostgreSQL;Host=h;Password=p");
    cs.setValue("password", "se;cret \"x\"");
    cs.setValue("Port", "6543");
    cs.setValue("Host", "");
    EXPECT_EQ(cs.compose(), QStringLiteral("Provider=PostgreSQL;Password=\"se;cret \"\"x\"\"\";Port=6543"));
    EXPECT_EQ(TfrConnectString::parse(cs.compose()).password(), QStringLiteral("se;cret \"x\""));
    EXPECT_EQ(cs.port(), 6543);
    EXPECT_EQ(cs.host(), QStringLiteral("localhost"));
    EXPECT_EQ(TfrConnectString::parse("Provider=PostgreSQL;Port=99999").port(), 5432);
    EXPECT_EQ(TfrConnectString::parse("Provider=PostgreSQL;Initial Catalog=j;UID=u;PWD=p").database(), QStringLiteral("j"));
    EXPECT_EQ(TfrConnectString::parse("Provider=PostgreSQL;Initial Catalog=j;UID=u;PWD=p").userName(), QStringLiteral("u"));
}

TEST(ConnectStringTest, EnginesAndSqliteFiles)
{
    QTemporaryDir home;
    frSetAppFolder(home.path());
    EXPECT_EQ(TfrConnectString::parse("provider=sqlite").engine(), TfrDbEngine::deSQLite);
    EXPECT_EQ(TfrConnectString::parse("Provider=PostgreSQL").engine(), TfrDbEngine::dePostgreSQL);
    EXPECT_THROW(TfrConnectString::parse("").engine(), EfrError);
    EXPECT_THROW(TfrConnectString::parse("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=j.mdb").engine(), EfrError);
    EXPECT_EQ(TfrConnectString::parse("Provider=SQLite;Data Source=journal.db").sqliteFile(), frAppFolder() + "journal.db");
    EXPECT_EQ(TfrConnectString::parse("Provider=SQLite;Data Source=/var/j.db").sqliteFile(), QStringLiteral("/var/j.db"));
    EXPECT_EQ(TfrConnectString::parse("Provider=SQLite;Data Source=:memory:").sqliteFile(), QStringLiteral(":memory:"));

    // The test button: works, or says why not.
    EXPECT_NO_THROW(frTestConnection("Provider=SQLite;Data Source=journal.db"));
    EXPECT_TRUE(QFile::exists(frAppFolder() + "journal.db"));
    try {
        frTestConnection("Provider=SQLite");
        FAIL() << "no error";
    } catch (const EfrError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("Data Source"))) << e.what();
    }
    EXPECT_THROW(frTestConnection(""), EfrError);
    EXPECT_THROW(frTestConnection("Provider=SQLite;Data Source=no/such/folder/j.db"), EfrError);
    frSetAppFolder(QString());
}

} // namespace
