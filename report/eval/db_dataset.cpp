#include "report/eval/db_dataset.h"

#include "report/eval/codec.h"
#include "report/eval/components.h"
#include "report/eval/number_format.h"
#include "report/eval/stream.h"

TfrDBDataSet::TfrDBDataSet(QObject *owner) : TfrDataset(owner) {}

TfrDBDataSet::~TfrDBDataSet() = default;

void TfrDBDataSet::SetDataSet(TfrTDataSet *dataSet)
{
    m_dataSet = dataSet;
    m_dataSource = nullptr;
}

void TfrDBDataSet::SetDataSource(TfrDataSource *dataSource)
{
    m_dataSource = dataSource;
    if (dataSource)
        m_dataSet = nullptr;
}

TfrTDataSet *TfrDBDataSet::FindDataSet() const
{
    if (m_dataSource && m_dataSource->DataSet())
        return m_dataSource->DataSet();
    return m_dataSet;
}

TfrTDataSet *TfrDBDataSet::GetDataSet() const
{
    TfrTDataSet *ds = FindDataSet();
    if (!ds)
        throw EfrDataSetError(QStringLiteral("Unable to open dataset ") + objectName());
    return ds;
}

void TfrDBDataSet::Open()
{
    if (OpenDataSource) {
        TfrTDataSet *ds = GetDataSet();
        if (!ds->Active())
            ds->Open();
    }
    if (OnOpen)
        OnOpen(this);
}

void TfrDBDataSet::Close()
{
    if (OnClose)
        OnClose(this);
    if (CloseDataSource)
        GetDataSet()->Close();
}

void TfrDBDataSet::Init()
{
    Open();
    m_hasBookmark = false;
    m_bookmark = TfrBookmark{};
    if (RangeBegin == rbCurrent || RangeEnd == reCurrent) {
        m_bookmark = frGetBookmark(GetDataSet());
        m_hasBookmark = true;
    }
    m_eof = false;
}

void TfrDBDataSet::Exit()
{
    if (m_hasBookmark) {
        const TfrBookmark b = m_bookmark;
        m_hasBookmark = false;
        m_bookmark = TfrBookmark{};
        // An empty data set had no record to remember.
        if (b.isValid()) {
            TfrTDataSet *ds = GetDataSet();
            frGotoBookmark(ds, b);
            frFreeBookmark(ds, b);
        }
    }
    Close();
}

void TfrDBDataSet::First()
{
    TfrTDataSet *ds = GetDataSet();
    if (RangeBegin == rbFirst)
        ds->First();
    else if (m_hasBookmark && m_bookmark.isValid())
        frGotoBookmark(ds, m_bookmark);
    m_eof = false;
    TfrDataset::First();
}

void TfrDBDataSet::Next()
{
    m_eof = false;
    TfrTDataSet *ds = GetDataSet();
    if (RangeEnd == reCurrent) {
        // The range ends on the remembered record; the cursor is not moved.
        const TfrBookmark b = frGetBookmark(ds);
        if (m_hasBookmark && frIsBookmarksEqual(ds, b, m_bookmark))
            m_eof = true;
        frFreeBookmark(ds, b);
        return;
    }
    ds->Next();
    TfrDataset::Next();
}

void TfrDBDataSet::Prior()
{
    GetDataSet()->Prior();
    TfrDataset::Prior();
}

bool TfrDBDataSet::Eof()
{
    return TfrDataset::Eof() || GetDataSet()->Eof() || m_eof;
}

// --- adapters ------------------------------------------------------------------------

bool frIsBlob(const TfrTField &field)
{
    return field.isValid() && frIsBlobKind(field.Kind());
}

bool frIsDataSet(const QObject *component)
{
    return qobject_cast<const TfrTDataSet *>(component) != nullptr;
}

void frAssignBlobTo(const TfrTField &field, QByteArray &target)
{
    target = field.BlobBytes();
}

void frAssignBlobTo(const TfrTField &field, QStringList &target)
{
    // Text fields are held in cp1251 like every other text of the engine.
    QString text = field.BlobText();
    if (text.contains(QLatin1Char('\r'))) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    }
    if (!text.contains(QLatin1Char('\n'))) {
        target.clear();
        if (!text.isEmpty())
            target.append(text);
        return;
    }
    target = text.split(QLatin1Char('\n'));
    // A final line break does not start another line, as a string list reads text.
    if (!target.isEmpty() && target.last().isEmpty())
        target.removeLast();
}

void frAssignBlobTo(const TfrTField &field, TfrStream &target)
{
    const QByteArray bytes = field.BlobBytes();
    target.write(bytes.constData(), bytes.size());
    target.seek(0);
}

void frGetFieldNames(const TfrTDataSet *dataSet, QStringList &list)
{
    if (!dataSet)
        return;
    try {
        if (dataSet->Active() || dataSet->FieldCount() > 0) {
            list = dataSet->FieldNames();
            return;
        }
        QStringList names;
        for (const TfrFieldDef &def : dataSet->declaredFieldDefs())
            names.append(def.name);
        list = names;
    } catch (...) {
        // A data set that cannot say its fields offers none.
    }
}

TfrBookmark frGetBookmark(const TfrTDataSet *dataSet) { return dataSet->GetBookmark(); }

void frGotoBookmark(TfrTDataSet *dataSet, TfrBookmark bookmark) { dataSet->GotoBookmark(bookmark); }

void frFreeBookmark(const TfrTDataSet *, TfrBookmark)
{
    // Bookmarks of the table cursor are plain values.
}

bool frIsBookmarksEqual(const TfrTDataSet *dataSet, TfrBookmark a, TfrBookmark b)
{
    return dataSet->CompareBookmarks(a, b) == 0;
}

// --- band data sources -----------------------------------------------------------------

TfrBandDataSource frResolveBandDataSource(const QString &text, QObject *owner)
{
    TfrBandDataSource result;
    if (!text.isEmpty() && text.at(0) >= QLatin1Char('1') && text.at(0) <= QLatin1Char('9')) {
        auto ds = std::make_unique<TfrUserDataset>();
        ds->RangeEnd = reCount;
        ds->RangeEndCount = frStrToInt(text);
        result.owned = std::move(ds);
        result.dataSet = result.owned.get();
    } else if (QObject *c = frFindComponent(owner, text)) {
        result.dataSet = qobject_cast<TfrDataset *>(c);
        if (!result.dataSet)
            throw EfrError(QStringLiteral("Invalid class typecast"));
    }
    if (result.dataSet)
        result.dataSet->Init();
    return result;
}
