#include "app/connection_string.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include "app/settings.h"
#include "app/sqlite_functions.h"
#include "report/eval/errors.h"

namespace {

// The first key of the list that is present.
QString firstOf(const TfrConnectString &cs, std::initializer_list<const char *> keys)
{
    for (const char *k : keys) {
        const QString key = QString::fromLatin1(k);
        if (cs.contains(key))
            return cs.value(key);
    }
    return QString();
}

bool needsQuotes(const QString &v)
{
    return v.contains(u';') || v.contains(u'"') || v.contains(u'\'') || v != v.trimmed();
}

QString nextConnectionName()
{
    static QAtomicInteger<int> counter;
    return QStringLiteral("journal-%1").arg(++counter);
}

QString driverText(const QSqlError &e)
{
    QString text = e.text().trimmed();
    return text.isEmpty() ? QStringLiteral("Не удалось подключиться к базе данных") : text;
}

} // namespace

TfrConnectString TfrConnectString::parse(const QString &text)
{
    TfrConnectString cs;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        qsizetype eq = i;
        while (eq < n && text.at(eq) != u'=' && text.at(eq) != u';')
            ++eq;
        const QString key = text.mid(i, eq - i).trimmed();
        if (eq >= n || text.at(eq) == u';') {
            if (!key.isEmpty())
                cs.m_pairs.append({QString(), key});
            i = eq + 1;
            continue;
        }
        // The value: quoted (a doubled quote stands for one) or up to the next ";".
        qsizetype j = eq + 1;
        while (j < n && text.at(j) == u' ')
            ++j;
        QString value;
        if (j < n && (text.at(j) == u'"' || text.at(j) == u'\'')) {
            const QChar q = text.at(j++);
            while (j < n) {
                if (text.at(j) == q) {
                    if (j + 1 < n && text.at(j + 1) == q) {
                        value += q;
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                value += text.at(j++);
            }
            while (j < n && text.at(j) != u';')
                ++j;
        } else {
            const qsizetype end = text.indexOf(u';', j);
            const qsizetype stop = end < 0 ? n : end;
            value = text.mid(j, stop - j).trimmed();
            j = stop;
        }
        if (!key.isEmpty())
            cs.m_pairs.append({key, value});
        i = j + 1;
    }
    return cs;
}

QString TfrConnectString::compose() const
{
    QStringList parts;
    for (const auto &[key, value] : m_pairs) {
        if (key.isEmpty())
            continue;
        if (needsQuotes(value))
            parts.append(key + QStringLiteral("=\"") + QString(value).replace(u'"', QStringLiteral("\"\"")) + u'"');
        else
            parts.append(key + u'=' + value);
    }
    return parts.join(u';');
}

QString TfrConnectString::value(const QString &key) const
{
    for (const auto &[k, v] : m_pairs)
        if (!k.isEmpty() && k.compare(key, Qt::CaseInsensitive) == 0)
            return v;
    return QString();
}

bool TfrConnectString::contains(const QString &key) const
{
    for (const auto &p : m_pairs)
        if (!p.first.isEmpty() && p.first.compare(key, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void TfrConnectString::setValue(const QString &key, const QString &value)
{
    for (qsizetype i = 0; i < m_pairs.size(); ++i) {
        if (m_pairs.at(i).first.isEmpty() || m_pairs.at(i).first.compare(key, Qt::CaseInsensitive) != 0)
            continue;
        if (value.isEmpty())
            m_pairs.removeAt(i);
        else
            m_pairs[i].second = value;
        return;
    }
    if (!value.isEmpty())
        m_pairs.append({key, value});
}

TfrDbEngine TfrConnectString::engine() const
{
    const QString p = provider().trimmed();
    if (p.compare(QStringLiteral("SQLite"), Qt::CaseInsensitive) == 0)
        return TfrDbEngine::deSQLite;
    if (p.compare(QStringLiteral("PostgreSQL"), Qt::CaseInsensitive) == 0)
        return TfrDbEngine::dePostgreSQL;
    bool blank = true;
    for (const auto &pair : m_pairs)
        blank = blank && pair.first.isEmpty() && pair.second.trimmed().isEmpty();
    if (blank)
        throw EfrError(QStringLiteral("Строка подключения к базе данных не задана"));
    throw EfrError(QStringLiteral("Неизвестный поставщик данных \"%1\" (известны SQLite и PostgreSQL)").arg(p));
}

QString TfrConnectString::sqliteFile() const
{
    const QString file = firstOf(*this, {"Data Source", "Database", "DataSource"});
    if (file.isEmpty() || file == QLatin1String(":memory:"))
        return file;
    QString path = QDir::fromNativeSeparators(file);
    if (QFileInfo(path).isRelative())
        path = frAppFolder() + path;
    return QDir::cleanPath(path);
}

QString TfrConnectString::host() const
{
    const QString h = firstOf(*this, {"Host", "Server", "Data Source"});
    return h.isEmpty() ? QStringLiteral("localhost") : h;
}

int TfrConnectString::port() const
{
    bool ok = false;
    const int p = value(QStringLiteral("Port")).toInt(&ok);
    return ok && p > 0 && p < 65536 ? p : 5432;
}

QString TfrConnectString::database() const { return firstOf(*this, {"Database", "Initial Catalog"}); }
QString TfrConnectString::userName() const { return firstOf(*this, {"User ID", "User", "UID", "Username"}); }
QString TfrConnectString::password() const { return firstOf(*this, {"Password", "PWD"}); }

QSqlDatabase frOpenConnection(const QString &connectString)
{
    const TfrConnectString cs = TfrConnectString::parse(connectString);
    const TfrDbEngine engine = cs.engine();
    const QString name = nextConnectionName();
    QString error;
    {
        QSqlDatabase db;
        if (engine == TfrDbEngine::deSQLite) {
            const QString file = cs.sqliteFile();
            if (file.isEmpty())
                throw EfrError(QStringLiteral("В строке подключения не указан файл базы данных (Data Source)"));
            db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(file);
            // Two workstations on one file wait for each other instead of failing at once.
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        } else {
            db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
            db.setHostName(cs.host());
            db.setPort(cs.port());
            db.setDatabaseName(cs.database());
            db.setUserName(cs.userName());
            db.setPassword(cs.password());
            // A server that does not answer must not freeze the program for minutes.
            db.setConnectOptions(QStringLiteral("connect_timeout=10"));
        }
        if (!db.isValid())
            error = QStringLiteral("Драйвер базы данных недоступен: %1").arg(db.driverName());
        else if (db.open()) {
            // "already exists, skipping" and similar notices are not the operator's business.
            if (engine == TfrDbEngine::dePostgreSQL)
                QSqlQuery(db).exec(QStringLiteral("SET client_min_messages TO warning"));
            if (engine == TfrDbEngine::deSQLite) {
                try {
                    frInstallSqliteFunctions(db);
                    return db;
                } catch (const EfrError &e) {
                    error = e.message();
                }
                db.close();
            } else {
                return db;
            }
        }
        else
            error = driverText(db.lastError());
    }
    QSqlDatabase::removeDatabase(name);
    throw EfrError(error);
}

void frCloseConnection(QSqlDatabase &db)
{
    if (!db.isValid())
        return;
    const QString name = db.connectionName();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

TfrDbEngine frEngineOf(const QSqlDatabase &db)
{
    return db.driverName() == QLatin1String("QPSQL") ? TfrDbEngine::dePostgreSQL : TfrDbEngine::deSQLite;
}

void frTestConnection(const QString &connectString)
{
    QSqlDatabase db = frOpenConnection(connectString);
    frCloseConnection(db);
}
