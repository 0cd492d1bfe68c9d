// The report's data dictionary: the author's variables grouped in categories, aliases of
// data sets and fields, hidden data sets, and a cache of names already resolved to a
// (table cursor, field) pair. One per report; the cache lives for one build.
//
// Variables: VarList is one flat list read in order; an entry whose name starts with a
// space is a category heading (the rest of the name), the entries after it up to the
// next heading are its variables. A variable's value is an expression text (often a
// plain field reference such as Table1."Amount") or empty.
//
// Aliases: AliasList maps an actual data set name ("Table1") or data set and field
// ("Table1.Amount") to the alias the author sees; an empty field alias hides the field;
// a non-empty AliasList also limits the data sets offered to those it names.
// SourceAliasList does the same for report data sets. HiddenList names hidden data sets;
// an entry ending in "*" is a prefix (compared with case).
#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <vector>

#include "report/eval/table_cursor.h"
#include "report/eval/variables.h"

class TfrStream;

struct TfrCacheItem {
    QPointer<TfrTableCursor> DataSet; // clears itself when the cursor is destroyed
    QString DataField;
    // The field's position in DataSet when last read (checked against its name before use).
    mutable int FieldIndex = -1;
};

class TfrDataDictionary {
public:
    TfrDataDictionary();
    TfrDataDictionary(const TfrDataDictionary &) = delete;
    TfrDataDictionary &operator=(const TfrDataDictionary &) = delete;

    TfrVariables VarList;         // categories and variables, insertion order
    TfrVariables AliasList;       // actual data set or field name -> alias
    TfrVariables SourceAliasList; // report data set name -> alias
    QStringList HiddenList;

    // Empties VarList, AliasList and SourceAliasList (not HiddenList, not the cache).
    void Clear();
    // Drops every cache item; called at the start of every build.
    void ClearCache();
    // Replaces an item of the same name (names compare without regard to case).
    void AddCacheItem(const QString &name, TfrTableCursor *dataSet, const QString &field);
    const TfrCacheItem *FindCacheItem(const QString &name) const;
    int CacheCount() const { return int(m_cache.size()); }

    // Cached, a variable, or a resolvable field (then cached).
    bool IsVariable(const QString &name);
    // A cached field's value, or a variable's (frVariables wins; a non-empty text is
    // evaluated); null otherwise. A variable that leads back to itself raises EfrError.
    TfrVariant GetValue(const QString &name);

    // Splits at the last point outside double quotes; the field loses its quotes and is
    // cut to 255 characters. Without such a point both outputs stay unchanged.
    void ExtractFieldName(const QString &text, QString &dataSetName, QString &fieldName) const;
    QString GetRealDataSetName(const QString &alias) const;
    QString GetRealDataSourceName(const QString &alias) const;
    QString GetRealFieldName(const QString &alias) const;
    QString GetAliasName(const QString &actualName) const;
    bool DatasetEnabled(const QString &name) const;

    // The lists below are replaced, not appended to.
    void GetDatasetList(QStringList &list) const;
    void GetFieldList(const QString &dataSetName, QStringList &list) const;
    void GetBandDatasourceList(QStringList &list) const;
    void GetCategoryList(QStringList &list) const;
    void GetVariablesList(const QString &category, QStringList &list) const;

    // Dictionary block of a template:
    // | word   | marker: 0xFFFE (-2) written; -1 also read, anything else is the old layout |
    // | 3 ×    | integer count, then count × (string name, string value as text):        |
    // |        | variables, field aliases, band data sources                             |
    // Old layout (read only): integer count; per entry byte kind, integer, three strings
    // of a byte length and that many bytes (a, b, c), each defining the alias " c":
    // kind 1 a."b", kind 2 b (integer 1) or the special variable by index, else empty;
    // then a string list of lines: empty or starting with a space, a variable taking the
    // alias of its name; else a category. The aliases are then dropped.
    void LoadFromStream(TfrStream &stream);
    void SaveToStream(TfrStream &stream) const;
    // A file: the byte 25, then the block (the byte is ignored on reading).
    void LoadFromFile(const QString &fileName);
    void SaveToFile(const QString &fileName) const;

private:
    int cacheLowerBound(const QString &name, bool &found) const;
    // A field's value through the cached item.
    static TfrVariant cachedFieldValue(const TfrCacheItem &item);

    struct CacheEntry {
        QString name;
        TfrCacheItem item;
    };
    std::vector<CacheEntry> m_cache; // FieldCache, sorted by name
    // The same items under the names exactly as asked for: a report asks for the same names
    // again and again, and a hash of the exact text is far cheaper than comparing names
    // without regard to case. Positions in m_cache change as items are added, so this
    // keeps its own copies.
    mutable QHash<QString, TfrCacheItem> m_exact;
    QStringList m_evaluating;        // variables whose expressions are being evaluated
};
