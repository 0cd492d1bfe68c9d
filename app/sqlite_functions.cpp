#include "app/sqlite_functions.h"

#include <QSqlDriver>
#include <QString>
#include <QStringDecoder>
#include <QStringView>
#include <QVarLengthArray>
#include <QVariant>
#include <sqlite3.h>
#include <vector>

#include "report/eval/errors.h"

namespace {

QString textOf(sqlite3_value *value)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
    return text ? QString::fromUtf8(text, sqlite3_value_bytes(value)) : QString();
}

// The text searched for, with what makes the search quick: the code units (of the Basic
// Multilingual Plane) whose case folds to the needle's first character. Most places in a
// text are passed over with one bit test instead of a case folding.
class TNeedle {
public:
    explicit TNeedle(const QString &text) : m_text(text)
    {
        if (m_text.isEmpty() || m_text.front().isSurrogate())
            return;
        const char32_t first = QChar::toCaseFolded(char32_t(m_text.front().unicode()));
        m_starts.resize(0x10000 / 64);
        for (char32_t c = 0; c < 0x10000; ++c)
            if (QChar::toCaseFolded(c) == first)
                m_starts[c / 64] |= quint64(1) << (c % 64);
    }

    bool isEmpty() const { return m_text.isEmpty(); }

    bool foundIn(QStringView text) const
    {
        if (m_starts.empty())
            return text.contains(m_text, Qt::CaseInsensitive);
        const qsizetype last = text.size() - m_text.size();
        for (qsizetype i = 0; i <= last; ++i) {
            const char16_t c = text[i].unicode();
            if (!(m_starts[c / 64] >> (c % 64) & 1))
                continue;
            if (text.mid(i, m_text.size()).compare(m_text, Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    }

private:
    QString m_text;
    std::vector<quint64> m_starts;
};

// Whether the needle occurs in a UTF-8 text, regardless of case. The text is decoded into
// a buffer kept from call to call: a filter calls this for every field of every row.
bool containsFolded(sqlite3_value *value, const TNeedle &needle)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
    if (!text)
        return false;
    const int bytes = sqlite3_value_bytes(value);
    thread_local QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    thread_local QVarLengthArray<QChar, 1024> buffer;
    buffer.resize(decoder.requiredSpace(bytes));
    const QChar *end = decoder.appendToBuffer(buffer.data(), QByteArrayView(text, bytes));
    return needle.foundIn(QStringView(buffer.data(), end - buffer.data()));
}

void deleteNeedle(void *needle)
{
    delete static_cast<TNeedle *>(needle);
}

void frContains(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    if (argc < 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_int(context, 0);
        return;
    }
    // The needle is the same for every row of a query: decoded once and kept with the
    // statement.
    auto *needle = static_cast<TNeedle *>(sqlite3_get_auxdata(context, 0));
    if (!needle) {
        sqlite3_set_auxdata(context, 0, new TNeedle(textOf(argv[0])), deleteNeedle);
        needle = static_cast<TNeedle *>(sqlite3_get_auxdata(context, 0));
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
