#include "report/eval/data_dictionary.h"

#include <algorithm>

#include "report/eval/codec.h"
#include "report/eval/components.h"
#include "report/eval/dataset.h"
#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/parser.h"
#include "report/eval/stream.h"

namespace {

constexpr quint16 kMarkerCurrent = 0xFFFE;  // -2
constexpr quint16 kMarkerCleanup = 0xFFFF;  // -1: also drop aliases that resolve nowhere
constexpr qsizetype kMaxFieldName = 255;

int compareNames(const QString &a, const QString &b) { return QString::compare(a, b, Qt::CaseInsensitive); }

bool isHeading(const QString &name) { return name.startsWith(QLatin1Char(' ')); }

void sortNames(QStringList &list)
{
    std::sort(list.begin(), list.end(), [](const QString &a, const QString &b) { return compareNames(a, b) < 0; });
}

// A string of the old layout: a length byte and that many bytes.
QString readShortString(TfrStream &s)
{
    const quint8 n = frReadByte(s);
    return frFromCp1251(s.take(n), n);
}

void readList(TfrStream &s, TfrVariables &list)
{
    const qint32 count = frReadInteger(s);
    for (qint32 i = 0; i < count; ++i) {
        const QString name = frReadString(s);
        const QString value = frReadString(s);
        list.SetVariable(name, TfrVariant(value));
    }
}

void writeList(TfrStream &s, const TfrVariables &list)
{
    frWriteInteger(s, list.GetCount());
    for (int i = 0; i < list.GetCount(); ++i) {
        frWriteString(s, list.GetName(i));
        frWriteString(s, list.GetValue(i).toString());
    }
}

// Keeps a name in the set of variables being evaluated for the length of a scope.
class EvaluatingGuard {
public:
    EvaluatingGuard(QStringList &list, const QString &name) : m_list(list) { m_list.append(name); }
    ~EvaluatingGuard() { m_list.removeLast(); }
    EvaluatingGuard(const EvaluatingGuard &) = delete;
    EvaluatingGuard &operator=(const EvaluatingGuard &) = delete;

private:
    QStringList &m_list;
};

} // namespace

TfrDataDictionary::TfrDataDictionary() = default;

void TfrDataDictionary::Clear()
{
    VarList.Clear();
    AliasList.Clear();
    SourceAliasList.Clear();
}

void TfrDataDictionary::ClearCache()
{
    m_cache.clear();
    m_exact.clear();
}

int TfrDataDictionary::cacheLowerBound(const QString &name, bool &found) const
{
    const auto it = std::lower_bound(m_cache.begin(), m_cache.end(), name,
                                     [](const CacheEntry &e, const QString &n) { return compareNames(e.name, n) < 0; });
    found = it != m_cache.end() && compareNames(it->name, name) == 0;
    return int(it - m_cache.begin());
}

void TfrDataDictionary::AddCacheItem(const QString &name, TfrTableCursor *dataSet, const QString &field)
{
    bool found = false;
    const int i = cacheLowerBound(name, found);
    TfrCacheItem item{QPointer<TfrTableCursor>(dataSet), field};
    // Exact names of the item being replaced would lead to the old one.
    if (found)
        m_exact.clear();
    m_exact.insert(name, item);
    if (found)
        m_cache[size_t(i)].item = std::move(item);
    else
        m_cache.insert(m_cache.begin() + i, CacheEntry{name, std::move(item)});
}

const TfrCacheItem *TfrDataDictionary::FindCacheItem(const QString &name) const
{
    const auto exact = m_exact.constFind(name);
    if (exact != m_exact.constEnd())
        return &*exact;
    bool found = false;
    const int i = cacheLowerBound(name, found);
    if (!found)
        return nullptr;
    // The same item in other letter case: remembered under this spelling too.
    return &*m_exact.insert(name, m_cache[size_t(i)].item);
}

TfrVariant TfrDataDictionary::cachedFieldValue(const TfrCacheItem &item)
{
    TfrTableCursor *ds = item.DataSet;
    if (!ds)
        return TfrVariant::null();
    if (!ds->Active())
        ds->Open();
    const int known = item.FieldIndex;
    const bool stillThere = known >= 0 && known < ds->FieldCount() &&
                            (ds->FieldDef(known).name == item.DataField ||
                             compareNames(ds->FieldDef(known).name, item.DataField) == 0);
    if (!stillThere)
        item.FieldIndex = ds->FieldIndex(item.DataField);
    return frGetFieldValue(TfrCursorField(ds, item.FieldIndex));
}

bool TfrDataDictionary::IsVariable(const QString &name)
{
    if (FindCacheItem(name))
        return true;

    if (const TfrVariant *value = VarList.Find(name)) {
        // A variable that is a plain field reference is served from the cache.
        if (!value->isNull()) {
            const QString text = value->toString();
            if (text.contains(QLatin1Char('.'))) {
                TfrTableCursor *ds = GetDefaultDataSet();
                QString field;
                frGetDataSetAndField(text, ds, field);
                if (!field.isEmpty())
                    AddCacheItem(name, ds, field);
            }
        }
        return true;
    }

    QString reference = name;
    if (name.contains(QLatin1Char('.'))) {
        QString dsName, fieldName;
        ExtractFieldName(name, dsName, fieldName);
        dsName = GetRealDataSetName(dsName);
        // A field alias of that data set names the actual field.
        for (int i = 0; i < AliasList.GetCount(); ++i) {
            const QString entry = AliasList.GetName(i);
            if (compareNames(AliasList.GetValue(i).toString(), fieldName) == 0 && entry.startsWith(dsName)) {
                const qsizetype point = entry.lastIndexOf(QLatin1Char('.'));
                fieldName = entry.mid(point + 1);
                break;
            }
        }
        reference = dsName + QStringLiteral(".\"") + fieldName + QLatin1Char('"');
    }

    TfrTableCursor *ds = GetDefaultDataSet();
    QString field;
    frGetDataSetAndField(reference, ds, field);
    if (field.isEmpty())
        return false;
    AddCacheItem(name, ds, field);
    return true;
}

TfrVariant TfrDataDictionary::GetValue(const QString &name)
{
    if (const TfrCacheItem *item = FindCacheItem(name))
        return cachedFieldValue(*item);

    const int index = VarList.IndexOf(name);
    if (index < 0)
        return TfrVariant::null();
    if (const TfrVariant *host = frVariables().Find(name))
        return *host;
    const TfrVariant value = VarList.GetValue(index);
    if (!value.isString() || value.rawString().isEmpty())
        return value;
    for (const QString &n : std::as_const(m_evaluating))
        if (compareNames(n, name) == 0)
            throw EfrError(QStringLiteral("Циклическая ссылка в переменной \"%1\"").arg(name));
    EvaluatingGuard guard(m_evaluating, name);
    return frParser->Calc(value.rawString());
}

void TfrDataDictionary::ExtractFieldName(const QString &text, QString &dataSetName, QString &fieldName) const
{
    bool inQuotes = false;
    qsizetype point = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"'))
            inQuotes = !inQuotes;
        else if (c == QLatin1Char('.') && !inQuotes)
            point = i;
    }
    if (point < 0)
        return;
    dataSetName = text.left(point);
    fieldName = frRemoveQuotes(text.mid(point + 1)).left(kMaxFieldName);
}

QString TfrDataDictionary::GetRealDataSetName(const QString &alias) const
{
    for (int i = 0; i < AliasList.GetCount(); ++i)
        if (compareNames(AliasList.GetValue(i).toString(), alias) == 0)
            return AliasList.GetName(i);
    return alias;
}

QString TfrDataDictionary::GetRealDataSourceName(const QString &alias) const
{
    for (int i = 0; i < SourceAliasList.GetCount(); ++i)
        if (compareNames(SourceAliasList.GetValue(i).toString(), alias) == 0)
            return SourceAliasList.GetName(i);
    return alias;
}

QString TfrDataDictionary::GetRealFieldName(const QString &alias) const
{
    const QString real = GetRealDataSetName(alias);
    return real.mid(real.lastIndexOf(QLatin1Char('.')) + 1);
}

QString TfrDataDictionary::GetAliasName(const QString &actualName) const
{
    if (const TfrVariant *v = AliasList.Find(actualName))
        return v->toString();
    if (const TfrVariant *v = SourceAliasList.Find(actualName))
        return v->toString();
    return actualName;
}

bool TfrDataDictionary::DatasetEnabled(const QString &name) const
{
    for (const QString &hidden : HiddenList) {
        if (hidden.endsWith(QLatin1Char('*'))) {
            if (name.startsWith(hidden.chopped(1)))
                return false;
        } else if (compareNames(hidden, name) == 0) {
            return false;
        }
    }
    return true;
}

void TfrDataDictionary::GetDatasetList(QStringList &list) const
{
    QStringList names;
    frGetComponents(frReportOwner(), TfrTableCursor::staticMetaObject, names);
    list.clear();
    for (const QString &name : std::as_const(names)) {
        if (!DatasetEnabled(name))
            continue;
        if (AliasList.GetCount() == 0) {
            list.append(name);
            continue;
        }
        if (const TfrVariant *alias = AliasList.Find(name)) {
            const QString shown = alias->toString();
            if (!shown.isEmpty())
                list.append(shown);
        }
    }
    sortNames(list);
}

void TfrDataDictionary::GetFieldList(const QString &dataSetName, QStringList &list) const
{
    list.clear();
    QString name = dataSetName;
    TfrTableCursor *ds = frDataSetOf(frGetDataSet(name));
    if (!ds) {
        name = GetRealDataSetName(dataSetName);
        ds = frDataSetOf(frGetDataSet(name));
    }
    if (!ds)
        return;
    QStringList fields;
    frGetFieldNames(ds, fields);
    for (const QString &field : std::as_const(fields)) {
        const TfrVariant *alias = AliasList.Find(name + QLatin1Char('.') + field);
        if (!alias) {
            list.append(field);
            continue;
        }
        const QString shown = alias->toString();
        if (!shown.isEmpty())
            list.append(shown);
    }
}

void TfrDataDictionary::GetBandDatasourceList(QStringList &list) const
{
    QStringList names;
    frGetComponents(frReportOwner(), TfrDataset::staticMetaObject, names);
    list.clear();
    for (const QString &name : std::as_const(names)) {
        if (SourceAliasList.GetCount() == 0) {
            list.append(name);
            continue;
        }
        if (const TfrVariant *alias = SourceAliasList.Find(name)) {
            const QString shown = alias->toString();
            if (!shown.isEmpty())
                list.append(shown);
        }
    }
    sortNames(list);
}

void TfrDataDictionary::GetCategoryList(QStringList &list) const
{
    list.clear();
    for (int i = 0; i < VarList.GetCount(); ++i) {
        const QString name = VarList.GetName(i);
        if (isHeading(name))
            list.append(name.mid(1));
    }
}

void TfrDataDictionary::GetVariablesList(const QString &category, QStringList &list) const
{
    list.clear();
    int i = 0;
    for (; i < VarList.GetCount(); ++i) {
        const QString name = VarList.GetName(i);
        if (isHeading(name) && compareNames(name.mid(1), category) == 0)
            break;
    }
    for (++i; i < VarList.GetCount(); ++i) {
        const QString name = VarList.GetName(i);
        if (isHeading(name))
            break;
        list.append(name);
    }
}

void TfrDataDictionary::SaveToStream(TfrStream &stream) const
{
    frWriteWord(stream, kMarkerCurrent);
    writeList(stream, VarList);
    writeList(stream, AliasList);
    writeList(stream, SourceAliasList);
}

void TfrDataDictionary::LoadFromStream(TfrStream &stream)
{
    Clear();
    const quint16 marker = frReadWord(stream);
    if (marker == kMarkerCurrent || marker == kMarkerCleanup) {
        readList(stream, VarList);
        readList(stream, AliasList);
        readList(stream, SourceAliasList);
    } else {
        stream.seek(stream.position() - 2);
        const qint32 count = frReadInteger(stream);
        for (qint32 i = 0; i < count; ++i) {
            const quint8 kind = frReadByte(stream);
            const qint32 number = frReadInteger(stream);
            const QString a = readShortString(stream);
            const QString b = readShortString(stream);
            const QString c = readShortString(stream);
            QString value;
            if (kind == 1)
                value = a + QStringLiteral(".\"") + b + QLatin1Char('"');
            else if (kind == 2)
                value = number == 1 ? b
                        : (number >= 0 && size_t(number) < frSpecFuncs.size()) ? QString(frSpecFuncs[size_t(number)])
                                                                               : QString();
            AliasList.SetVariable(QLatin1Char(' ') + c, TfrVariant(value));
        }
        const QStringList lines = frVersion < 23 ? frReadMemo22(stream) : frReadMemo(stream);
        for (const QString &line : lines) {
            if (line.isEmpty() || isHeading(line))
                VarList.SetVariable(line, TfrVariant(AliasList.GetVariable(line).toString()));
            else
                VarList.SetVariable(line, TfrVariant(QString()));
        }
        AliasList.Clear();
    }

    // Old dictionaries marked the variables with a space and left the categories bare.
    if (VarList.GetCount() > 0 && !isHeading(VarList.GetName(0))) {
        for (int i = 0; i < VarList.GetCount(); ++i) {
            const QString name = VarList.GetName(i);
            VarList.SetName(i, isHeading(name) ? name.mid(1) : QLatin1Char(' ') + name);
        }
    }

    if (marker == kMarkerCleanup) {
        for (int i = AliasList.GetCount() - 1; i >= 0; --i) {
            if (!AliasList.GetValue(i).toString().isEmpty())
                continue;
            TfrTableCursor *ds = nullptr;
            QString field;
            frGetDataSetAndField(AliasList.GetName(i), ds, field);
            if (field.isEmpty())
                AliasList.Delete(i);
        }
        for (int i = SourceAliasList.GetCount() - 1; i >= 0; --i)
            if (SourceAliasList.GetValue(i).toString().isEmpty())
                SourceAliasList.Delete(i);
    }
}

void TfrDataDictionary::SaveToFile(const QString &fileName) const
{
    TfrStream stream;
    frWriteByte(stream, 25);
    SaveToStream(stream);
    stream.saveToFile(fileName);
}

void TfrDataDictionary::LoadFromFile(const QString &fileName)
{
    TfrStream stream = TfrStream::fromFile(fileName);
    frReadByte(stream);
    LoadFromStream(stream);
}
