#include "report/eval/table_cursor.h"

#include <QDateTime>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>

#include "report/eval/codec.h"
#include "report/eval/date_format.h"
#include "report/eval/datetime.h"
#include "report/eval/errors.h"
#include "report/eval/number_format.h"

namespace {

using K = TfrFieldKind;

// The classic texts of the data-access runtime: the report engine and its scripts know them.
const char *const sFieldNotFound = "Field '%1' not found";
const char *const sClosedDataset = "Cannot perform this operation on a closed dataset";
const char *const sOpenDataset = "Cannot perform this operation on an open dataset";
const char *const sNotEditing = "Dataset not in edit or insert mode";
const char *const sReadOnly = "Cannot modify a read-only dataset";
const char *const sEmptyDataset = "Cannot perform this operation on an empty dataset";
const char *const sRecordNotFound = "Record not found";
const char *const sRowChanged = "Row cannot be located for updating. Some values may have been changed since it was last read";

QString msg(const char *text) { return QString::fromLatin1(text); }

QString sqlErrorText(const QSqlError &e)
{
    const QString t = e.text().trimmed();
    return t.isEmpty() ? QStringLiteral("Database error") : t;
}

// Kinds from a declared SQL type, by the usual type affinity words.
TfrFieldKind kindOfDeclaredType(const QString &declared, int &size)
{
    size = 0;
    const QString t = declared.trimmed().toUpper();
    const auto has = [&t](const char *w) { return t.contains(QLatin1String(w)); };
    if (t.isEmpty())
        return K::fkUnknown;
    if (has("SMALLINT") || t == QLatin1String("INT2") || has("TINYINT"))
        return K::fkSmallInt;
    if (has("BIGINT") || has("INT8") || has("LARGEINT"))
        return K::fkLargeInt;
    if (has("INT"))
        return K::fkInteger;
    if (has("BOOL") || t == QLatin1String("BIT"))
        return K::fkBoolean;
    if (has("DATETIME") || has("TIMESTAMP"))
        return K::fkDateTime;
    if (has("DATE"))
        return K::fkDate;
    if (has("TIME"))
        return K::fkTime;
    if (has("MONEY") || has("CURRENCY"))
        return K::fkCurrency;
    if (has("GRAPHIC") || has("IMAGE") || has("PICTURE"))
        return K::fkGraphic;
    if (has("BLOB") || has("BYTEA") || has("BINARY"))
        return K::fkBlob;
    if (has("CHAR") || has("STRING")) {
        const qsizetype open = t.indexOf(u'(');
        const qsizetype close = t.indexOf(u')', open + 1);
        if (open > 0 && close > open) {
            bool ok = false;
            const int n = t.mid(open + 1, close - open - 1).trimmed().toInt(&ok);
            if (ok && n > 0) {
                size = n;
                return K::fkString;
            }
        }
        return K::fkMemo;
    }
    if (has("CLOB") || has("TEXT") || has("MEMO"))
        return K::fkMemo;
    if (has("REAL") || has("FLOA") || has("DOUB") || has("NUMERIC") || has("DECIMAL"))
        return K::fkFloat;
    return K::fkUnknown;
}

// PostgreSQL reports the type's oid as the field's type id.
TfrFieldKind kindOfPostgresType(int oid, int length, int &size)
{
    size = 0;
    switch (oid) {
    case 16: return K::fkBoolean;
    case 17: return K::fkBlob;
    case 20: return K::fkLargeInt;
    case 21: return K::fkSmallInt;
    case 23: case 26: return K::fkInteger;
    case 25: return K::fkMemo;
    case 700: case 701: case 1700: return K::fkFloat;
    case 790: return K::fkCurrency;
    case 1082: return K::fkDate;
    case 1083: case 1266: return K::fkTime;
    case 1114: case 1184: return K::fkDateTime;
    case 18: case 19: case 1042: case 1043:
        if (length > 0) {
            size = length;
            return K::fkString;
        }
        return K::fkMemo;
    default: return K::fkUnknown;
    }
}

TfrFieldKind kindOfMetaType(int typeId)
{
    switch (typeId) {
    case QMetaType::Bool: return K::fkBoolean;
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Char:
    case QMetaType::SChar: case QMetaType::UChar: return K::fkSmallInt;
    case QMetaType::Int: case QMetaType::UInt: return K::fkInteger;
    case QMetaType::LongLong: case QMetaType::ULongLong: case QMetaType::Long:
    case QMetaType::ULong: return K::fkLargeInt;
    case QMetaType::Double: case QMetaType::Float: return K::fkFloat;
    case QMetaType::QDate: return K::fkDate;
    case QMetaType::QTime: return K::fkTime;
    case QMetaType::QDateTime: return K::fkDateTime;
    case QMetaType::QByteArray: return K::fkBlob;
    case QMetaType::QString: return K::fkMemo;
    default: return K::fkUnknown;
    }
}

TDateTime fromQDate(QDate d)
{
    TDateTime v = 0;
    return d.isValid() && frTryEncodeDate(d.year(), d.month(), d.day(), v) ? v : 0;
}

TDateTime fromQTime(QTime t)
{
    TDateTime v = 0;
    return t.isValid() && frTryEncodeTime(t.hour(), t.minute(), t.second(), t.msec(), v) ? v : 0;
}

TDateTime fromQDateTime(const QDateTime &dt)
{
    const TDateTime d = fromQDate(dt.date());
    const TDateTime t = fromQTime(dt.time());
    return d < 0 ? d - t : d + t;
}

// Text stored by engines without date types: ISO forms, or a day number.
TfrVariant dateFromText(const QString &s)
{
    const QString t = s.trimmed();
    const QDateTime dt = QDateTime::fromString(t, Qt::ISODateWithMs);
    if (dt.isValid())
        return TfrVariant::fromDateTime(fromQDateTime(dt));
    const QDate d = QDate::fromString(t, Qt::ISODate);
    if (d.isValid())
        return TfrVariant::fromDateTime(fromQDate(d));
    QTime tm = QTime::fromString(t, Qt::ISODateWithMs);
    if (!tm.isValid())
        tm = QTime::fromString(t, QStringLiteral("H:mm"));
    if (tm.isValid())
        return TfrVariant::fromDateTime(fromQTime(tm));
    bool ok = false;
    const double n = t.toDouble(&ok);
    if (ok)
        return TfrVariant::fromDateTime(n);
    TDateTime v = 0;
    if (frTryStrToDateTime(t, v))
        return TfrVariant::fromDateTime(v);
    return TfrVariant(s);
}

TfrVariant integerVariant(qint64 x, TfrFieldKind kind)
{
    // A value wider than its field is given whole, never cut.
    if (kind == K::fkSmallInt && x >= -32768 && x <= 32767)
        return TfrVariant::fromSmallInt(qint16(x));
    if (kind != K::fkLargeInt && x >= INT_MIN && x <= INT_MAX)
        return TfrVariant(int(x));
    return TfrVariant(x);
}

TfrVariant genericVariant(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Bool: return TfrVariant(v.toBool());
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Char:
    case QMetaType::SChar: case QMetaType::UChar: case QMetaType::Int:
        return TfrVariant(v.toInt());
    case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Long: case QMetaType::ULong:
        return integerVariant(v.toLongLong(), K::fkInteger);
    case QMetaType::Double: case QMetaType::Float: return TfrVariant(v.toDouble());
    case QMetaType::QDate: return TfrVariant::fromDateTime(fromQDate(v.toDate()));
    case QMetaType::QTime: return TfrVariant::fromDateTime(fromQTime(v.toTime()));
    case QMetaType::QDateTime: return TfrVariant::fromDateTime(fromQDateTime(v.toDateTime()));
    case QMetaType::QByteArray: return TfrVariant(frFromCp1251(v.toByteArray()));
    default: return TfrVariant(v.toString());
    }
}

QVariant typedNull(TfrFieldKind kind)
{
    switch (kind) {
    case K::fkSmallInt: case K::fkInteger: case K::fkLargeInt: return QVariant(QMetaType(QMetaType::LongLong));
    case K::fkFloat: case K::fkCurrency: return QVariant(QMetaType(QMetaType::Double));
    case K::fkBoolean: return QVariant(QMetaType(QMetaType::Bool));
    case K::fkDate: return QVariant(QMetaType(QMetaType::QDate));
    case K::fkTime: return QVariant(QMetaType(QMetaType::QTime));
    case K::fkDateTime: return QVariant(QMetaType(QMetaType::QDateTime));
    case K::fkBlob: case K::fkGraphic: return QVariant(QMetaType(QMetaType::QByteArray));
    default: return QVariant(QMetaType(QMetaType::QString));
    }
}

} // namespace

const char *frFieldKindName(TfrFieldKind kind)
{
    switch (kind) {
    case K::fkUnknown: return "Unknown";
    case K::fkString: return "String";
    case K::fkSmallInt: return "SmallInt";
    case K::fkInteger: return "Integer";
    case K::fkLargeInt: return "LargeInt";
    case K::fkFloat: return "Float";
    case K::fkCurrency: return "Currency";
    case K::fkBoolean: return "Boolean";
    case K::fkDate: return "Date";
    case K::fkTime: return "Time";
    case K::fkDateTime: return "DateTime";
    case K::fkMemo: return "Memo";
    case K::fkBlob: return "Blob";
    case K::fkGraphic: return "Graphic";
    }
    return "Unknown";
}

// ---- TfrCursorField ----

QString TfrCursorField::Name() const { return isValid() ? m_cursor->FieldDef(m_index).name : QString(); }
TfrFieldKind TfrCursorField::Kind() const { return isValid() ? m_cursor->FieldKind(m_index) : K::fkUnknown; }
int TfrCursorField::Size() const { return isValid() ? m_cursor->FieldDef(m_index).size : 0; }
TfrVariant TfrCursorField::Value() const { return isValid() ? m_cursor->FieldValue(m_index) : TfrVariant::null(); }
bool TfrCursorField::IsNull() const { return !isValid() || m_cursor->IsNull(m_index); }
bool TfrCursorField::IsBlob() const { return isValid() && m_cursor->IsBlob(m_index); }
QString TfrCursorField::DisplayText() const { return isValid() ? m_cursor->DisplayText(m_index) : QString(); }
QByteArray TfrCursorField::BlobBytes() const { return isValid() ? m_cursor->BlobBytes(m_index) : QByteArray(); }
QString TfrCursorField::BlobText() const { return isValid() ? m_cursor->BlobText(m_index) : QString(); }

// ---- TfrTableCursor ----

TfrTableCursor::TfrTableCursor(QObject *parent) : QObject(parent) {}

TfrTableCursor::~TfrTableCursor() = default;

void TfrTableCursor::setDatabaseProvider(std::function<QSqlDatabase()> provider)
{
    if (Active())
        throw EfrError(msg(sOpenDataset));
    m_provider = std::move(provider);
}

void TfrTableCursor::setDatabase(const QSqlDatabase &db)
{
    const QString name = db.connectionName();
    setDatabaseProvider([name] { return QSqlDatabase::database(name, false); });
}

void TfrTableCursor::setTableName(const QString &name)
{
    if (Active())
        throw EfrError(msg(sOpenDataset));
    m_tableName = name;
}

void TfrTableCursor::setFieldDefs(const QList<TfrFieldDef> &defs)
{
    if (Active())
        throw EfrError(msg(sOpenDataset));
    m_declared = defs;
}

QSqlDatabase TfrTableCursor::database() const
{
    if (!m_provider)
        throw EfrError(QStringLiteral("%1: no database connection").arg(m_tableName));
    QSqlDatabase db = m_provider();
    if (!db.isValid())
        throw EfrError(QStringLiteral("%1: no database connection").arg(m_tableName));
    if (!db.isOpen() && !db.open())
        throw EfrError(sqlErrorText(db.lastError()));
    return db;
}

QString TfrTableCursor::quoted(const QString &identifier) const
{
    QString s = identifier;
    s.replace(u'"', QStringLiteral("\"\""));
    return u'"' + s + u'"';
}

void TfrTableCursor::loadStructure(QSqlDatabase &db)
{
    m_isPostgres = db.driverName() == QLatin1String("QPSQL");
    const bool isSqlite = db.driverName() == QLatin1String("QSQLITE");
    m_keyName.clear();
    m_useRowId = false;
    QHash<QString, QString> declaredTypes; // lower-case column name -> declared type (SQLite)

    if (isSqlite) {
        QSqlQuery info(db);
        bool hasTableInfo = false;
        QStringList pkColumns;
        QString pkType;
        if (info.exec(QStringLiteral("PRAGMA table_info(%1)").arg(quoted(m_tableName)))) {
            while (info.next()) {
                hasTableInfo = true;
                const QString col = info.value(1).toString();
                declaredTypes.insert(col.toLower(), info.value(2).toString());
                if (info.value(5).toInt() > 0) {
                    pkColumns.append(col);
                    pkType = info.value(2).toString();
                }
            }
        }
        if (pkColumns.size() == 1 && pkType.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0) {
            m_keyName = pkColumns.first();
        } else if (hasTableInfo) {
            QSqlQuery type(db);
            type.prepare(QStringLiteral("SELECT type FROM sqlite_temp_master WHERE name = ? "
                                        "UNION ALL SELECT type FROM sqlite_master WHERE name = ?"));
            type.addBindValue(m_tableName);
            type.addBindValue(m_tableName);
            m_useRowId = type.exec() && type.next() && type.value(0).toString() == QLatin1String("table");
        }
    } else if (m_isPostgres) {
        QSqlQuery pk(db);
        pk.prepare(QStringLiteral("SELECT a.attname FROM pg_index i JOIN pg_attribute a "
                                  "ON a.attrelid = i.indrelid AND a.attnum = ANY(i.indkey) "
                                  "WHERE i.indisprimary AND i.indrelid = to_regclass(?)::oid"));
        pk.addBindValue(quoted(m_tableName));
        QStringList cols;
        if (pk.exec())
            while (pk.next())
                cols.append(pk.value(0).toString());
        if (cols.size() == 1)
            m_keyName = cols.first();
    } else {
        const QSqlIndex index = db.primaryIndex(m_tableName);
        if (index.count() == 1)
            m_keyName = index.fieldName(0);
    }

    QString sql;
    if (m_useRowId)
        sql = QStringLiteral("SELECT rowid, * FROM %1 ORDER BY rowid").arg(quoted(m_tableName));
    else if (!m_keyName.isEmpty())
        sql = QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(quoted(m_tableName), quoted(m_keyName));
    else
        sql = QStringLiteral("SELECT * FROM %1").arg(quoted(m_tableName));

    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(sql))
        throw EfrError(sqlErrorText(q.lastError()));

    const QSqlRecord rec = q.record();
    const int first = m_useRowId ? 1 : 0;
    QList<TfrFieldDef> sourceFields;
    QStringList sourceNames;
    m_keyColumn = -1;
    if (m_useRowId)
        m_keyColumn = 0;
    for (int i = first; i < rec.count(); ++i) {
        const QSqlField f = rec.field(i);
        TfrFieldDef def;
        def.name = f.name();
        if (isSqlite)
            def.kind = kindOfDeclaredType(declaredTypes.value(def.name.toLower()), def.size);
        else if (m_isPostgres)
            def.kind = kindOfPostgresType(f.typeID(), f.length(), def.size);
        if (def.kind == K::fkUnknown)
            def.kind = kindOfMetaType(f.metaType().id());
        if (!m_keyName.isEmpty() && def.name.compare(m_keyName, Qt::CaseInsensitive) == 0)
            m_keyColumn = i;
        sourceFields.append(def);
        sourceNames.append(def.name);
    }

    // Which source column feeds each offered field.
    QList<int> columnOf;
    m_fields.clear();
    m_columnNames.clear();
    if (m_declared.isEmpty()) {
        for (int i = 0; i < sourceFields.size(); ++i) {
            m_fields.append(sourceFields.at(i));
            m_columnNames.append(sourceNames.at(i));
            columnOf.append(first + i);
        }
    } else {
        for (const TfrFieldDef &d : m_declared) {
            const qsizetype at = sourceNames.indexOf(d.name, 0);
            qsizetype found = at;
            if (found < 0)
                for (qsizetype i = 0; i < sourceNames.size() && found < 0; ++i)
                    if (sourceNames.at(i).compare(d.name, Qt::CaseInsensitive) == 0)
                        found = i;
            if (found < 0)
                throw EfrError(QStringLiteral("%1: ").arg(m_tableName) + msg(sFieldNotFound).arg(d.name));
            m_fields.append(d);
            m_columnNames.append(sourceNames.at(found));
            columnOf.append(first + int(found));
        }
    }

    m_rows.clear();
    m_nextOrdinal = 0;
    const qsizetype n = m_fields.size();
    QList<TfrFieldKind> kinds;
    for (const TfrFieldDef &f : std::as_const(m_fields))
        kinds.append(f.kind);
    QList<TfrVariant> values;
    values.reserve(n);
    while (q.next()) {
        const qint64 key = m_keyColumn >= 0 ? q.value(m_keyColumn).toLongLong() : m_nextOrdinal++;
        values.clear();
        for (qsizetype i = 0; i < n; ++i)
            values.append(convertFromSql(q.value(columnOf.at(i)), kinds.at(i)));
        m_rows.append(key, values);
    }
    if (q.lastError().isValid())
        throw EfrError(sqlErrorText(q.lastError()));
    m_rowIndexDirty = true;
}

void TfrTableCursor::Open()
{
    if (Active())
        return;
    QSqlDatabase db = database();
    try {
        loadStructure(db);
    } catch (...) {
        m_rows.clear();
        m_fields.clear();
        throw;
    }
    m_state = dsBrowse;
    m_current = m_rows.isEmpty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.isEmpty();
    emit dataReset();
    emit stateChanged(m_state);
    emit currentRowChanged(m_current);
}

void TfrTableCursor::Close()
{
    if (!Active())
        return;
    m_rows.clear();
    m_buffer.clear();
    m_modified = false;
    m_current = -1;
    m_bof = m_eof = true;
    m_state = dsInactive;
    m_rowIndexDirty = true;
    emit dataReset();
    emit stateChanged(m_state);
}

void TfrTableCursor::checkActive() const
{
    if (!Active())
        throw EfrError(msg(sClosedDataset));
}

void TfrTableCursor::checkBrowseMode()
{
    checkActive();
    if (m_state == dsEdit || m_state == dsInsert) {
        if (m_modified)
            Post();
        else
            Cancel();
    }
}

void TfrTableCursor::checkEditable() const
{
    checkActive();
    if (ReadOnly())
        throw EfrError(msg(sReadOnly));
}

void TfrTableCursor::setState(State s)
{
    if (m_state == s)
        return;
    m_state = s;
    emit stateChanged(s);
}

void TfrTableCursor::setCurrent(int row)
{
    if (m_current == row)
        return;
    m_current = row;
    emit currentRowChanged(row);
}

void TfrTableCursor::First()
{
    checkBrowseMode();
    setCurrent(m_rows.isEmpty() ? -1 : 0);
    m_bof = true;
    m_eof = m_rows.isEmpty();
}

void TfrTableCursor::Last()
{
    checkBrowseMode();
    setCurrent(int(m_rows.size()) - 1);
    m_eof = true;
    m_bof = m_rows.isEmpty();
}

void TfrTableCursor::Next()
{
    checkBrowseMode();
    if (m_eof)
        return;
    m_bof = false;
    if (m_current + 1 < m_rows.size())
        setCurrent(m_current + 1);
    else
        m_eof = true;
}

void TfrTableCursor::Prior()
{
    checkBrowseMode();
    if (m_bof)
        return;
    m_eof = false;
    if (m_current > 0)
        setCurrent(m_current - 1);
    else
        m_bof = true;
}

int TfrTableCursor::RecordCount() const
{
    if (!Active())
        return 0;
    return int(m_rows.size()) - (m_state == dsInsert ? 1 : 0);
}

int TfrTableCursor::RecNo() const
{
    return Active() && m_current >= 0 ? m_current + 1 : 0;
}

void TfrTableCursor::setRecNo(int recNo)
{
    checkBrowseMode();
    if (m_rows.isEmpty())
        return;
    const int row = qBound(1, recNo, int(m_rows.size())) - 1;
    setCurrent(row);
    m_bof = m_eof = false;
}

qint64 TfrTableCursor::bookmarkIdOf(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.key(row) : -1;
}

int TfrTableCursor::rowOfBookmark(qint64 id) const
{
    if (id < 0)
        return -1;
    if (m_rowIndexDirty) {
        m_rowOfId.clear();
        m_rowOfId.reserve(m_rows.size());
        for (int i = 0; i < m_rows.size(); ++i)
            if (m_rows.key(i) >= 0)
                m_rowOfId.insert(m_rows.key(i), i);
        m_rowIndexDirty = false;
    }
    return m_rowOfId.value(id, -1);
}

TfrBookmark TfrTableCursor::GetBookmark() const
{
    if (!Active() || (m_state == dsInsert))
        return TfrBookmark{};
    return TfrBookmark{bookmarkIdOf(m_current)};
}

bool TfrTableCursor::BookmarkValid(TfrBookmark b) const
{
    return Active() && rowOfBookmark(b.id) >= 0;
}

void TfrTableCursor::GotoBookmark(TfrBookmark b)
{
    checkBrowseMode();
    const int row = rowOfBookmark(b.id);
    if (row < 0)
        throw EfrError(msg(sRecordNotFound));
    setCurrent(row);
    m_bof = m_eof = false;
}

int TfrTableCursor::CompareBookmarks(TfrBookmark a, TfrBookmark b) const
{
    const int ra = Active() ? rowOfBookmark(a.id) : -1;
    const int rb = Active() ? rowOfBookmark(b.id) : -1;
    return ra < rb ? -1 : (ra > rb ? 1 : 0);
}

QStringList TfrTableCursor::FieldNames() const
{
    QStringList names;
    for (const TfrFieldDef &f : m_fields)
        names.append(f.name);
    return names;
}

int TfrTableCursor::FindField(const QString &name) const
{
    // Names are mostly asked for as the source spells them: a plain comparison first.
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields.at(i).name == name)
            return i;
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int TfrTableCursor::FieldIndex(const QString &name) const
{
    const int i = FindField(name);
    if (i < 0)
        throw EfrError(msg(sFieldNotFound).arg(name));
    return i;
}

TfrCursorField TfrTableCursor::FieldByName(const QString &name) const
{
    return TfrCursorField(this, FieldIndex(name));
}

TfrVariant TfrTableCursor::RowValue(int row, int field) const
{
    if (field < 0 || field >= m_fields.size())
        throw EfrError(QStringLiteral("Field index out of range"));
    if (!Active() || row < 0 || row >= m_rows.size())
        return TfrVariant::null();
    if (row == m_current && (m_state == dsEdit || m_state == dsInsert))
        return m_buffer.at(field);
    return m_rows.values(row).at(field);
}

TfrVariant TfrTableCursor::FieldValue(int index) const
{
    return RowValue(m_current, index);
}

QString TfrTableCursor::RowDisplayText(int row, int field) const
{
    const TfrVariant v = RowValue(row, field);
    const TfrFieldKind kind = m_fields.at(field).kind;
    const auto blobText = [&v](const char *upper, const char *mixed) {
        const bool empty = v.isEmptyOrNull() || (v.isString() && v.rawString().isEmpty());
        return QString::fromLatin1(empty ? mixed : upper);
    };
    switch (kind) {
    case K::fkMemo: return blobText("(MEMO)", "(Memo)");
    case K::fkBlob: return blobText("(BLOB)", "(Blob)");
    case K::fkGraphic: return blobText("(GRAPHIC)", "(Graphic)");
    default: break;
    }
    if (v.isEmptyOrNull())
        return QString();
    switch (kind) {
    case K::fkFloat:
        return v.isReal() ? frFloatToStr(v.rawDouble()) : v.toString();
    case K::fkCurrency:
        return v.isCurrency() ? frCurrToStr(v.rawCurrency().scaled) : v.toString();
    case K::fkDate:
        return v.isDateTime() ? frDateToStr(v.rawDouble()) : v.toString();
    case K::fkTime:
        return v.isDateTime() ? frTimeToStr(v.rawDouble()) : v.toString();
    case K::fkDateTime:
        return v.isDateTime() ? frDateTimeToStr(v.rawDouble()) : v.toString();
    default:
        return v.toString();
    }
}

QString TfrTableCursor::DisplayText(int index) const
{
    return RowDisplayText(m_current, index);
}

QByteArray TfrTableCursor::BlobBytes(int index) const
{
    const TfrVariant v = FieldValue(index);
    if (v.isEmptyOrNull())
        return QByteArray();
    return frToCp1251(v.toString());
}

QString TfrTableCursor::BlobText(int index) const
{
    const TfrVariant v = FieldValue(index);
    if (v.isEmptyOrNull())
        return QString();
    return frCp1251Text(v.toString());
}

void TfrTableCursor::insertRowAt(int row)
{
    QList<TfrVariant> values;
    values.fill(TfrVariant::null(), m_fields.size());
    m_rows.insert(row, -1, values);
    m_rowIndexDirty = true;
    m_buffer = values;
    m_modified = false;
    emit rowInserted(row);
    m_current = -2; // force the notification below
    setCurrent(row);
    m_bof = m_eof = false;
    setState(dsInsert);
}

void TfrTableCursor::Append()
{
    checkBrowseMode();
    checkEditable();
    insertRowAt(int(m_rows.size()));
}

void TfrTableCursor::Insert()
{
    checkBrowseMode();
    checkEditable();
    insertRowAt(m_current < 0 ? 0 : m_current);
}

void TfrTableCursor::Edit()
{
    checkActive();
    if (m_state == dsEdit || m_state == dsInsert)
        return;
    checkEditable();
    if (m_rows.isEmpty()) {
        Append();
        return;
    }
    m_buffer = m_rows.values(m_current);
    m_modified = false;
    setState(dsEdit);
}

void TfrTableCursor::SetFieldValue(int index, const TfrVariant &value)
{
    checkActive();
    if (m_state != dsEdit && m_state != dsInsert)
        throw EfrError(msg(sNotEditing));
    if (index < 0 || index >= m_fields.size())
        throw EfrError(QStringLiteral("Field index out of range"));
    const TfrFieldDef &def = m_fields.at(index);
    TfrVariant v;
    if (value.isEmptyOrNull()) {
        v = TfrVariant::null();
    } else {
        switch (def.kind) {
        case K::fkString:
            v = value.toString();
            if (def.size > 0 && v.rawString().size() > def.size)
                throw EfrError(QStringLiteral("Значение поля \"%1\" длиннее %2 символов").arg(def.name).arg(def.size));
            break;
        case K::fkMemo: case K::fkBlob: case K::fkGraphic:
            v = value.toString();
            break;
        case K::fkSmallInt: case K::fkInteger: case K::fkLargeInt:
            v = integerVariant(value.toInt64(), def.kind);
            break;
        case K::fkFloat: v = TfrVariant(value.toReal()); break;
        case K::fkCurrency: v = TfrVariant(value.toCurrency()); break;
        case K::fkBoolean: v = TfrVariant(value.toBoolean()); break;
        case K::fkDate: v = TfrVariant::fromDateTime(frDateOf(value.toDateTime())); break;
        case K::fkTime: v = TfrVariant::fromDateTime(frTimeOf(value.toDateTime())); break;
        case K::fkDateTime: v = TfrVariant::fromDateTime(value.toDateTime()); break;
        case K::fkUnknown: v = value; break;
        }
    }
    if (m_buffer.at(index).sameAs(v) && m_buffer.at(index).kind() == v.kind())
        return;
    m_buffer[index] = v;
    m_modified = true;
    emit rowChanged(m_current);
}

TfrVariant TfrTableCursor::convertFromSql(const QVariant &v, TfrFieldKind kind) const
{
    if (v.isNull())
        return TfrVariant::null();
    switch (kind) {
    case K::fkString: case K::fkMemo:
        return TfrVariant(v.toString());
    case K::fkBlob: case K::fkGraphic:
        return TfrVariant(frFromCp1251(v.toByteArray()));
    case K::fkSmallInt: case K::fkInteger: case K::fkLargeInt: {
        bool ok = false;
        const qint64 x = v.toLongLong(&ok);
        if (ok)
            return integerVariant(x, kind);
        return genericVariant(v);
    }
    case K::fkFloat:
        return TfrVariant(v.toDouble());
    case K::fkCurrency:
        return TfrVariant(TfrCurrency::fromDouble(v.toDouble()));
    case K::fkBoolean:
        if (v.typeId() == QMetaType::QString) {
            const QString s = v.toString().trimmed().toLower();
            return TfrVariant(!(s.isEmpty() || s == u"0" || s == u"f" || s == u"false"));
        }
        return TfrVariant(v.toBool());
    case K::fkDate: case K::fkTime: case K::fkDateTime:
        if (v.typeId() == QMetaType::QString)
            return dateFromText(v.toString());
        if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int)
            return TfrVariant::fromDateTime(v.toDouble());
        return genericVariant(v);
    case K::fkUnknown:
        return genericVariant(v);
    }
    return genericVariant(v);
}

QVariant TfrTableCursor::convertToSql(const TfrVariant &v, TfrFieldKind kind) const
{
    if (v.isEmptyOrNull())
        return typedNull(kind);
    switch (kind) {
    case K::fkString: case K::fkMemo: return v.toString();
    case K::fkBlob: case K::fkGraphic: return frToCp1251(v.toString());
    case K::fkSmallInt: case K::fkInteger: case K::fkLargeInt: return qlonglong(v.toInt64());
    case K::fkFloat: return v.toReal();
    case K::fkCurrency: return v.toCurrency().toDouble();
    case K::fkBoolean: return v.toBoolean();
    case K::fkDate: case K::fkTime: case K::fkDateTime: {
        TfrDateParts p;
        if (!frTryDecodeDateTime(v.toDateTime(), p))
            throw EfrError(QStringLiteral("Invalid date-time value"));
        const QDate d(p.year, p.month, p.day);
        const QTime t(p.hour, p.min, p.sec, p.msec);
        if (kind == K::fkDate)
            return m_isPostgres ? QVariant(d) : QVariant(d.toString(Qt::ISODate));
        if (kind == K::fkTime)
            return m_isPostgres ? QVariant(t) : QVariant(t.toString(Qt::ISODateWithMs));
        const QDateTime dt(d, t);
        return m_isPostgres ? QVariant(dt) : QVariant(dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
    }
    case K::fkUnknown:
        if (v.isString()) return v.rawString();
        if (v.isBoolean()) return v.rawBool();
        if (v.isOrdinal()) return qlonglong(v.toInt64());
        return v.toReal();
    }
    return v.toString();
}

void TfrTableCursor::postInsert(QSqlDatabase &db)
{
    QStringList cols;
    QStringList marks;
    QList<QVariant> values;
    int keyField = -1;
    for (int i = 0; i < m_fields.size(); ++i) {
        const bool isKey = !m_keyName.isEmpty() && m_columnNames.at(i).compare(m_keyName, Qt::CaseInsensitive) == 0;
        if (isKey)
            keyField = i;
        // A key left empty is the database's to assign.
        if (isKey && m_buffer.at(i).isEmptyOrNull())
            continue;
        cols.append(quoted(m_columnNames.at(i)));
        marks.append(QStringLiteral("?"));
        values.append(convertToSql(m_buffer.at(i), m_fields.at(i).kind));
    }
    QString sql = cols.isEmpty()
        ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoted(m_tableName))
        : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(quoted(m_tableName), cols.join(u','), marks.join(u','));
    const bool returning = m_isPostgres && !m_keyName.isEmpty();
    if (returning)
        sql += QStringLiteral(" RETURNING %1").arg(quoted(m_keyName));
    QSqlQuery q(db);
    if (!q.prepare(sql))
        throw EfrError(sqlErrorText(q.lastError()));
    for (const QVariant &v : std::as_const(values))
        q.addBindValue(v);
    if (!q.exec())
        throw EfrError(sqlErrorText(q.lastError()));
    qint64 key = -1;
    if (returning) {
        if (q.next())
            key = q.value(0).toLongLong();
    } else {
        key = q.lastInsertId().toLongLong();
    }
    QList<TfrVariant> stored = m_buffer;
    if (keyField >= 0 && stored.at(keyField).isEmptyOrNull())
        stored[keyField] = integerVariant(key, m_fields.at(keyField).kind);
    m_rows.setKey(m_current, key);
    m_rows.setValues(m_current, stored);
}

void TfrTableCursor::postEdit(QSqlDatabase &db)
{
    const QList<TfrVariant> stored = m_rows.values(m_current);
    const qint64 key = m_rows.key(m_current);
    QStringList sets;
    QList<QVariant> values;
    for (int i = 0; i < m_fields.size(); ++i) {
        const TfrVariant &was = stored.at(i);
        const TfrVariant &now = m_buffer.at(i);
        if (was.kind() == now.kind() && was.sameAs(now))
            continue;
        sets.append(quoted(m_columnNames.at(i)) + QStringLiteral(" = ?"));
        values.append(convertToSql(now, m_fields.at(i).kind));
    }
    if (sets.isEmpty())
        return;
    const QString keyColumn = m_useRowId ? QStringLiteral("rowid") : quoted(m_keyName);
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?").arg(quoted(m_tableName), sets.join(u','), keyColumn)))
        throw EfrError(sqlErrorText(q.lastError()));
    for (const QVariant &v : std::as_const(values))
        q.addBindValue(v);
    q.addBindValue(qlonglong(key));
    if (!q.exec())
        throw EfrError(sqlErrorText(q.lastError()));
    if (q.numRowsAffected() == 0)
        throw EfrError(msg(sRowChanged));
    m_rows.setValues(m_current, m_buffer);
    // A changed key moves the bookmark with it.
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_keyName.isEmpty() || m_columnNames.at(i).compare(m_keyName, Qt::CaseInsensitive) != 0)
            continue;
        const qint64 k = m_buffer.at(i).isEmptyOrNull() ? key : m_buffer.at(i).toInt64();
        if (k != key)
            m_rows.setKey(m_current, k);
    }
}

void TfrTableCursor::Post()
{
    checkActive();
    if (m_state != dsEdit && m_state != dsInsert)
        throw EfrError(msg(sNotEditing));
    QSqlDatabase db = database();
    if (m_state == dsInsert)
        postInsert(db);
    else
        postEdit(db);
    m_rowIndexDirty = true;
    m_modified = false;
    m_buffer.clear();
    setState(dsBrowse);
    emit rowChanged(m_current);
}

void TfrTableCursor::Cancel()
{
    checkActive();
    if (m_state == dsInsert) {
        const int row = m_current;
        m_rows.removeAt(row);
        m_rowIndexDirty = true;
        m_buffer.clear();
        m_modified = false;
        m_state = dsBrowse;
        emit rowRemoved(row);
        m_current = -2;
        setCurrent(m_rows.isEmpty() ? -1 : qMin(row, int(m_rows.size()) - 1));
        m_bof = m_eof = m_rows.isEmpty();
        emit stateChanged(m_state);
        return;
    }
    if (m_state == dsEdit) {
        m_buffer.clear();
        m_modified = false;
        setState(dsBrowse);
        emit rowChanged(m_current);
    }
}

void TfrTableCursor::Delete()
{
    checkActive();
    if (m_state == dsInsert) {
        Cancel();
        return;
    }
    if (m_rows.isEmpty())
        throw EfrError(msg(sEmptyDataset));
    checkEditable();
    if (m_state == dsEdit)
        Cancel();
    QSqlDatabase db = database();
    const QString keyColumn = m_useRowId ? QStringLiteral("rowid") : quoted(m_keyName);
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(quoted(m_tableName), keyColumn)))
        throw EfrError(sqlErrorText(q.lastError()));
    q.addBindValue(qlonglong(m_rows.key(m_current)));
    if (!q.exec())
        throw EfrError(sqlErrorText(q.lastError()));
    const int row = m_current;
    m_rows.removeAt(row);
    m_rowIndexDirty = true;
    emit rowRemoved(row);
    m_current = -2;
    setCurrent(m_rows.isEmpty() ? -1 : qMin(row, int(m_rows.size()) - 1));
    m_bof = false;
    m_eof = m_rows.isEmpty();
    if (m_rows.isEmpty())
        m_bof = true;
}
