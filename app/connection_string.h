// Connection strings of the journal database and opening connections from them.
//
// The form is the classic one, "key=value;key=value": keys without regard to case, spaces
// around keys and values dropped, a value holding ";" written in double quotes (a quote
// inside doubled). Two providers are understood:
//
//   Provider=SQLite;Data Source=journal.db
//       a database file; a relative path is taken from the program's folder (frAppFolder),
//       ":memory:" is a private in-memory database
//   Provider=PostgreSQL;Host=127.0.0.1;Port=5432;Database=journal;User ID=clerk;Password=…
//       a PostgreSQL server; "Initial Catalog", "User", "UID" and "PWD" are accepted too
#pragma once

#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QString>

enum class TfrDbEngine { deSQLite, dePostgreSQL };

class TfrConnectString {
public:
    TfrConnectString() = default;
    // Never raises: text that is not key=value is kept under an empty key and ignored.
    static TfrConnectString parse(const QString &text);
    // "key=value;" pairs in their order, values quoted when they need it.
    QString compose() const;

    // Empty when absent; the key is matched without regard to case.
    QString value(const QString &key) const;
    bool contains(const QString &key) const;
    // Replaces the value of an existing key (keeping its place) or appends the key; an empty
    // value removes the key.
    void setValue(const QString &key, const QString &value);
    const QList<QPair<QString, QString>> &pairs() const { return m_pairs; }

    QString provider() const { return value(QStringLiteral("Provider")); }
    // "Неизвестный поставщик данных" when Provider is neither SQLite nor PostgreSQL, and a
    // message about the empty string when there is nothing at all (EfrError).
    TfrDbEngine engine() const;

    // SQLite: the full path of the database file (or ":memory:").
    QString sqliteFile() const;
    // PostgreSQL, with the synonyms above; the port 5432 when absent.
    QString host() const;
    int port() const;
    QString database() const;
    QString userName() const;
    QString password() const;

private:
    QList<QPair<QString, QString>> m_pairs;
};

// Adds a connection under a fresh, unique connection name and opens it. A failure removes
// the connection again and raises EfrError with the driver's text.
QSqlDatabase frOpenConnection(const QString &connectString);
// Closes the connection and removes its name; the handle is left invalid.
void frCloseConnection(QSqlDatabase &db);
// The engine a Qt SQL connection talks to (by its driver).
TfrDbEngine frEngineOf(const QSqlDatabase &db);
// Opens and closes a connection: returns normally when it works, raises EfrError with the
// driver's message otherwise. For the connection dialog's "test connection" button.
void frTestConnection(const QString &connectString);
