// The report data set that drives a database table cursor, the few operations on database
// data sets and fields the engine uses, and the resolution of a band's data source text.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>

#include "report/eval/dataset.h"
#include "report/eval/errors.h"
#include "report/eval/table_cursor.h"

class TfrStream;

// The database data set and field as the engine sees them.
using TfrTDataSet = TfrTableCursor;
using TfrTField = TfrCursorField;

// A data set that cannot be used ("Unable to open dataset ...").
class EfrDataSetError : public EfrError { using EfrError::EfrError; };

// Names a table cursor for the components bound to it (a grid, a report data set).
class TfrDataSource : public QObject {
    Q_OBJECT
public:
    explicit TfrDataSource(QObject *owner = nullptr) : QObject(owner) {}
    TfrTDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(TfrTDataSet *dataSet) { m_dataSet = dataSet; }

private:
    QPointer<TfrTDataSet> m_dataSet;
};

class TfrDBDataSet : public TfrDataset {
    Q_OBJECT
public:
    explicit TfrDBDataSet(QObject *owner = nullptr);
    ~TfrDBDataSet() override;

    bool OpenDataSource = true;   // open the cursor in Open
    bool CloseDataSource = false; // close it in Close
    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;

    // References clear themselves when the component they name is destroyed.
    TfrTDataSet *DataSet() const { return m_dataSet; }
    // Clears DataSource.
    void SetDataSet(TfrTDataSet *dataSet);
    TfrDataSource *DataSource() const { return m_dataSource; }
    // A non-null data source clears DataSet.
    void SetDataSource(TfrDataSource *dataSource);

    // The cursor of DataSource when it has one, else DataSet; EfrDataSetError
    // "Unable to open dataset <name>" when neither gives one.
    TfrTDataSet *GetDataSet() const;
    // The same without raising (nullptr).
    TfrTDataSet *FindDataSet() const;

    void Open();
    void Close();

    // Open; remembers the current record when a Current range is set.
    void Init() override;
    // Back to the remembered record (if any), then Close.
    void Exit() override;
    void First() override;
    void Next() override;
    void Prior() override;
    bool Eof() override;

private:
    QPointer<TfrTDataSet> m_dataSet;
    QPointer<TfrDataSource> m_dataSource;
    TfrBookmark m_bookmark;
    bool m_hasBookmark = false;
    bool m_eof = false; // a reCurrent range has reached its remembered record
};

// --- adapters ------------------------------------------------------------------------

// A present field of a binary kind (memo, blob, graphic).
bool frIsBlob(const TfrTField &field);
bool frIsDataSet(const QObject *component);
// The field's content: bytes; the text of a memo as lines; a stream receives the bytes
// at its position and is rewound to 0.
void frAssignBlobTo(const TfrTField &field, QByteArray &target);
void frAssignBlobTo(const TfrTField &field, QStringList &target);
void frAssignBlobTo(const TfrTField &field, TfrStream &target);
// The data set's field names; never raises (an error leaves list as it was filled).
// A closed cursor without declared fields offers none.
void frGetFieldNames(const TfrTDataSet *dataSet, QStringList &list);
TfrBookmark frGetBookmark(const TfrTDataSet *dataSet);
void frGotoBookmark(TfrTDataSet *dataSet, TfrBookmark bookmark);
void frFreeBookmark(const TfrTDataSet *dataSet, TfrBookmark bookmark);
bool frIsBookmarksEqual(const TfrTDataSet *dataSet, TfrBookmark a, TfrBookmark b);

// --- band data sources -----------------------------------------------------------------

// What a band's data source text gave. The count-only data set of a text such as "5" is
// owned; any other is a component of the report's owner.
struct TfrBandDataSource {
    TfrDataset *dataSet = nullptr;
    std::unique_ptr<TfrUserDataset> owned;
};

// Resolves the data source text of a data band (not a group condition, not a cross-band
// list with ";"): a text starting with a digit 1 to 9 is a record count ("5x" raises
// "'5x' is not a valid integer value"); any other text names a report data set among
// the components of owner ("0" is a name). A component that is not a report data set
// raises "Invalid class typecast". The data set found is initialised (Init) at once.
TfrBandDataSource frResolveBandDataSource(const QString &text, QObject *owner);
