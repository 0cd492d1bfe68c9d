#include "app/sqlite_functions.h"

#include <QSqlDriver>
#include <QString>
#include <QStringDecoder>
#include <QStringView>
#include <QVarLengthArray>
#include <QVariant>
#include <sqlite3.h>

#include "report/eval/errors.h"

namespace {

QString textOf(sqlite3_value *value)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
    return text ? QString::fromUtf8(text, sqlite3_value_bytes(value)) : QString();
}

// Whether the needle occurs in a UTF-8 text, regardless of case. The text is decoded into
// a buffer kept from call to call: a filter calls this for every field of every row.
bool containsFolded(sqlite3_value *value, const QString &needle)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
    if (!text)
        return false;
    const int bytes = sqlite3_value_bytes(value);
    thread_local QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    thread_local QVarLengthArray<QChar, 1024> buffer;
    buffer.resize(decoder.requiredSpace(bytes));
    const QChar *end = decoder.appendToBuffer(buffer.data(), QByteArrayView(text, bytes));
    return QStringView(buffer.data(), end - buffer.data()).contains(needle, Qt::CaseInsensitive);
}

void deleteNeedle(void *needle)
{
    delete static_cast<QString *>(needle);
}

void frContains(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    if (argc < 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_int(context, 0);
        return;
    }
    // The needle is the same for every row of a query: decoded once and kept with the
    // statement.
    auto *needle = static_cast<QString *>(sqlite3_get_auxdata(context, 0));
    if (!needle) {
        sqlite3_set_auxdata(context, 0, new QString(textOf(argv[0])), deleteNeedle);
        needle = static_cast<QString *>(sqlite3_get_auxdata(context, 0));
        if (!needle) {
            sqlite3_result_error_nomem(context);
            return;
        }
    }
    if (needle->isEmpty()) {
        sqlite3_result_int(context, 1);
        return;
    }
    for (int i = 1; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            continue;
        if (containsFolded(argv[i], *needle)) {
            sqlite3_result_int(context, 1);
            return;
        }
    }
    sqlite3_result_int(context, 0);
}

} // namespace

void frInstallSqliteFunctions(const QSqlDatabase &db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        throw EfrError(QStringLiteral("Соединение с базой данных не является соединением SQLite"));
    sqlite3 *connection = *static_cast<sqlite3 *const *>(handle.data());
    if (!connection)
        throw EfrError(QStringLiteral("Соединение с базой данных SQLite закрыто"));
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    if (sqlite3_create_function_v2(connection, "fr_contains", -1, flags, nullptr, frContains, nullptr, nullptr,
                                   nullptr)
        != SQLITE_OK)
        throw EfrError(QString::fromUtf8(sqlite3_errmsg(connection)));
}
