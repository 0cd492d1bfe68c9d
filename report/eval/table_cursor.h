// An updatable table cursor over a Qt SQL connection: the database data set that the
// journal's grid edits and that the report's data sets walk.
//
// Open reads the whole table (or view, or query name) forward-only into a snapshot of rows
// (TfrRowStore: compact, and beyond its memory budget in a swap file); moving, reading
// fields and bookmarks then never touch the database.
// Edits go to the database row by row when they are posted (UPDATE / INSERT / DELETE by
// the table's key) and are mirrored in the snapshot, so the cursor behaves as a static,
// updatable cursor: rows other connections add meanwhile appear only after reopening.
//
// Field kinds come from the declared column types. A caller may declare the fields it
// expects (persistent fields): then only those fields are offered, under those names and
// kinds, and opening a source that lacks one fails.
//
// Rows are updatable when the source has a primary key (or, in SQLite, a rowid); a view
// or a keyless table opens read-only.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>

#include "report/eval/row_store.h"
#include "report/eval/variant.h"

enum class TfrFieldKind {
    fkUnknown,
    fkString,   // text with a declared maximum length (Size)
    fkSmallInt, // 16 bits
    fkInteger,  // 32 bits
    fkLargeInt, // 64 bits
    fkFloat,
    fkCurrency,
    fkBoolean,
    fkDate,
    fkTime,
    fkDateTime,
    fkMemo,    // text without a length limit
    fkBlob,    // bytes
    fkGraphic, // bytes of a picture
};

// Classic names of the kinds ("String", "SmallInt", ..., "Graphic").
const char *frFieldKindName(TfrFieldKind kind);
// Memo, blob and graphic fields: their content is read as bytes (frIsBlob of the report).
inline bool frIsBlobKind(TfrFieldKind k)
{
    return k == TfrFieldKind::fkMemo || k == TfrFieldKind::fkBlob || k == TfrFieldKind::fkGraphic;
}

struct TfrFieldDef {
    QString name;
    TfrFieldKind kind = TfrFieldKind::fkUnknown;
    int size = 0; // maximum length of fkString fields; 0 elsewhere
};

// A position that stays valid while the cursor lives: the row's key when the source has
// one (so also across Close and Open), otherwise its place in the snapshot.
struct TfrBookmark {
    qint64 id = -1;
    bool isValid() const { return id >= 0; }
    friend bool operator==(TfrBookmark a, TfrBookmark b) { return a.id == b.id; }
};

class TfrTableCursor;

// A light handle on one field of a cursor; reads the cursor's current row.
class TfrCursorField {
public:
    TfrCursorField() = default;
    TfrCursorField(const TfrTableCursor *cursor, int index) : m_cursor(cursor), m_index(index) {}
    bool isValid() const { return m_cursor && m_index >= 0; }
    int index() const { return m_index; }
    const TfrTableCursor *cursor() const { return m_cursor; }
    QString Name() const;
    TfrFieldKind Kind() const;
    int Size() const;
    TfrVariant Value() const;
    bool IsNull() const;
    bool IsBlob() const;
    QString DisplayText() const;
    QByteArray BlobBytes() const;
    QString BlobText() const;

private:
    const TfrTableCursor *m_cursor = nullptr;
    int m_index = -1;
};

class TfrTableCursor : public QObject {
    Q_OBJECT
public:
    enum State { dsInactive, dsBrowse, dsEdit, dsInsert };

    explicit TfrTableCursor(QObject *parent = nullptr);
    ~TfrTableCursor() override;

    // The connection. The provider is asked on every Open, so it may open (or reopen) the
    // connection on demand; setDatabase fixes one connection.
    void setDatabaseProvider(std::function<QSqlDatabase()> provider);
    void setDatabase(const QSqlDatabase &db);

    // Table, view or query name; only while closed ("Cannot perform this operation on an
    // open dataset" otherwise).
    void setTableName(const QString &name);
    const QString &tableName() const { return m_tableName; }

    // Persistent fields (empty: every column of the source, with the kinds its types give).
    void setFieldDefs(const QList<TfrFieldDef> &defs);
    const QList<TfrFieldDef> &declaredFieldDefs() const { return m_declared; }

    // Opening errors (driver's text, a declared field the source lacks) raise EfrError.
    void Open();
    // Discards an edit that was not posted.
    void Close();
    bool Active() const { return m_state != dsInactive; }
    void setActive(bool active) { active ? Open() : Close(); }
    State state() const { return m_state; }
    bool ReadOnly() const { return m_keyColumn < 0 && !m_useRowId; }

    // Navigation (an edit in progress is posted first). Eof is true on an empty cursor and
    // after Next on the last row; Bof after First and after Prior on the first row.
    void First();
    void Last();
    void Next();
    void Prior();
    bool Eof() const { return m_eof; }
    bool Bof() const { return m_bof; }
    bool IsEmpty() const { return RecordCount() == 0; }
    // Posted rows (the row being appended is not counted).
    int RecordCount() const;
    // 1-based number of the current row; 0 when there is none.
    int RecNo() const;
    void setRecNo(int recNo);

    TfrBookmark GetBookmark() const;
    bool BookmarkValid(TfrBookmark b) const;
    // "Record not found" when the row is gone.
    void GotoBookmark(TfrBookmark b);
    // Negative, zero or positive by the rows' order in the cursor; invalid ones sort first.
    int CompareBookmarks(TfrBookmark a, TfrBookmark b) const;

    // Fields, by index or by name without regard to case.
    int FieldCount() const { return int(m_fields.size()); }
    const TfrFieldDef &FieldDef(int index) const { return m_fields.at(index); }
    QStringList FieldNames() const;
    int FindField(const QString &name) const; // -1 when absent
    // "Field 'NAME' not found" when absent.
    TfrCursorField FieldByName(const QString &name) const;
    int FieldIndex(const QString &name) const;
    TfrFieldKind FieldKind(int index) const { return m_fields.at(index).kind; }
    bool IsBlob(int index) const { return frIsBlobKind(FieldKind(index)); }

    // The current row, including the edit buffer while editing.
    TfrVariant FieldValue(int index) const;
    TfrVariant FieldValue(const QString &name) const { return FieldValue(FieldIndex(name)); }
    bool IsNull(int index) const { return FieldValue(index).isEmptyOrNull(); }
    // The text a grid shows: numbers and dates in the locale's forms, booleans
    // "True"/"False", memo and blob fields "(MEMO)", "(BLOB)", "(GRAPHIC)" ("(Memo)" ...
    // when empty), null as "".
    QString DisplayText(int index) const;
    // Blob and graphic fields: the bytes; memo and text fields: the text in cp1251.
    QByteArray BlobBytes(int index) const;
    // The same bytes read back as text (without making them).
    QString BlobText(int index) const;

    // Any row of the snapshot, without moving: for grid models. Rows are 0-based and include
    // the row being appended; the current row shows the edit buffer.
    int RowCount() const { return int(m_rows.size()); }
    int CurrentRow() const { return m_current; }
    TfrVariant RowValue(int row, int field) const;
    QString RowDisplayText(int row, int field) const;

    // Editing. Edit on an empty cursor appends. Append adds a row at the end, Insert before
    // the current row; both leave it unposted until Post. Post writes the row to the
    // database (its errors raise EfrError and keep the edit); Cancel drops the edit.
    void Edit();
    void Append();
    void Insert();
    void Post();
    void Cancel();
    // Deletes the current row in the database and the snapshot.
    void Delete();
    // Only in edit or insert state ("Dataset not in edit or insert mode"). The value is
    // converted to the field's kind; a text longer than a string field's size is refused.
    void SetFieldValue(int index, const TfrVariant &value);
    void SetFieldValue(const QString &name, const TfrVariant &value) { SetFieldValue(FieldIndex(name), value); }
    void SetFieldNull(int index) { SetFieldValue(index, TfrVariant::null()); }
    // Whether the edit buffer differs from the row (an appended row counts when touched).
    bool Modified() const { return m_modified; }

signals:
    // The snapshot was replaced (open, close).
    void dataReset();
    void rowInserted(int row);
    void rowRemoved(int row);
    // A row's values changed (posted, cancelled, or the edit buffer of the current row).
    void rowChanged(int row);
    void currentRowChanged(int row);
    void stateChanged(TfrTableCursor::State state);

private:

    QSqlDatabase database() const;
    void checkActive() const;
    void checkBrowseMode();
    void checkEditable() const;
    void setState(State s);
    void setCurrent(int row);
    void loadStructure(QSqlDatabase &db);
    qint64 bookmarkIdOf(int row) const;
    int rowOfBookmark(qint64 id) const;
    void insertRowAt(int row);
    void postInsert(QSqlDatabase &db);
    void postEdit(QSqlDatabase &db);
    TfrVariant convertFromSql(const QVariant &v, TfrFieldKind kind) const;
    QVariant convertToSql(const TfrVariant &v, TfrFieldKind kind) const;
    QString quoted(const QString &identifier) const;

    std::function<QSqlDatabase()> m_provider;
    QString m_tableName;
    QList<TfrFieldDef> m_declared;
    QList<TfrFieldDef> m_fields;
    QStringList m_columnNames;  // source column of each field, as the source spells it
    QString m_keyName;          // the source's key column, when it has one
    int m_keyColumn = -1;       // its position in the select list
    bool m_useRowId = false;    // SQLite table without a declared key
    bool m_isPostgres = false;

    TfrRowStore m_rows; // key (database key or rowid; -1 for a row not yet posted) and values
    int m_current = -1;
    bool m_bof = true;
    bool m_eof = true;
    State m_state = dsInactive;
    QList<TfrVariant> m_buffer;
    bool m_modified = false;
    qint64 m_nextOrdinal = 0;    // bookmarks of a keyless source
    mutable QHash<qint64, int> m_rowOfId;
    mutable bool m_rowIndexDirty = true;
};
