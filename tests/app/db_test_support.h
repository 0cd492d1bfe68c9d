// Journal databases for the tests: a SQLite file in a temporary folder, or a fresh database
// on the throwaway PostgreSQL server that scripts/pg-test-server.sh starts for the test run.
//
// The server is found through FR_PG_CONNECT (a connection string) or the file named by
// FR_PG_CONNECT_FILE (the environment, else the path the build compiled in). A PostgreSQL
// test whose server is missing fails; it never skips.
#pragma once

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>
#include <ostream>

#include "app/connection_string.h"
#include "report/eval/errors.h"

enum class TestEngine { SQLite, PostgreSQL };

inline const char *testEngineName(TestEngine e)
{
    return e == TestEngine::SQLite ? "SQLite" : "PostgreSQL";
}
inline void PrintTo(TestEngine e, std::ostream *os) { *os << testEngineName(e); }

// The server's maintenance connection string; empty (with the reason) when there is none.
inline QString pgServerConnectString(QString *why)
{
    const QString direct = qEnvironmentVariable("FR_PG_CONNECT");
    if (!direct.isEmpty())
        return direct;
    QString file = qEnvironmentVariable("FR_PG_CONNECT_FILE");
#ifdef FR_PG_CONNECT_FILE
    if (file.isEmpty())
        file = QStringLiteral(FR_PG_CONNECT_FILE);
#endif
    QFile f(file);
    if (file.isEmpty() || !f.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("no PostgreSQL test server: start it with scripts/pg-test-server.sh start "
                              "<build>/pgtest (ctest does), or set FR_PG_CONNECT; looked for \"%1\"").arg(file);
        return QString();
    }
    return QString::fromUtf8(f.readAll()).trimmed();
}

// One database for one test, dropped afterwards.
class TestJournalDb {
public:
    // pgOptions: what CREATE DATABASE adds for PostgreSQL, e.g. a locale.
    explicit TestJournalDb(TestEngine engine, const QString &pgOptions = QString()) : m_engine(engine)
    {
        if (engine == TestEngine::SQLite) {
            m_connect = QStringLiteral("Provider=SQLite;Data Source=%1").arg(m_dir.filePath(QStringLiteral("journal.db")));
            return;
        }
        m_server = pgServerConnectString(&m_error);
        if (m_server.isEmpty())
            return;
        m_name = QStringLiteral("frt_") + QUuid::createUuid().toString(QUuid::Id128);
        try {
            QSqlDatabase admin = frOpenConnection(m_server);
            QSqlQuery q(admin);
            if (!q.exec(QStringLiteral("CREATE DATABASE \"%1\" %2").arg(m_name, pgOptions)))
                m_error = q.lastError().text();
            q = QSqlQuery();
            frCloseConnection(admin);
        } catch (const EfrError &e) {
            m_error = e.message();
        }
        if (!m_error.isEmpty())
            return;
        TfrConnectString cs = TfrConnectString::parse(m_server);
        cs.setValue(QStringLiteral("Database"), m_name);
        m_connect = cs.compose();
    }
    ~TestJournalDb()
    {
        if (m_engine != TestEngine::PostgreSQL || m_name.isEmpty() || m_connect.isEmpty())
            return;
        try {
            QSqlDatabase admin = frOpenConnection(m_server);
            {
                QSqlQuery q(admin);
                q.exec(QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(m_name));
            }
            frCloseConnection(admin);
        } catch (const EfrError &) {
        }
    }
    TestJournalDb(const TestJournalDb &) = delete;
    TestJournalDb &operator=(const TestJournalDb &) = delete;

    // Empty when the database could not be made; error() says why.
    const QString &connectString() const { return m_connect; }
    const QString &error() const { return m_error; }

private:
    TestEngine m_engine;
    QTemporaryDir m_dir;
    QString m_server;
    QString m_name;
    QString m_connect;
    QString m_error;
};
