// The report template as the objects see it: its pages, its data set and dictionary,
// the document attributes, the template stream and where templates are kept, the choice
// of printer, and the hooks through which objects reach the host program and the export
// filters. The component that prepares, shows, prints and exports a template is
// TfrReportBuilder (report/engine/report_builder.h); it holds a TfrReport.
//
// An editor keeps pointers to the template's objects: a copy (Assign, Clone) leaves the
// source and the process's state as they were, and the editing operations below tell a
// registered TfrChangeListener what they changed.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "report/eval/value_resolution.h"
#include "report/model/change_notice.h"
#include "report/model/geometry.h"
#include "report/model/pages.h"

class TfrDataDictionary;
class TfrDataset;
class TfrCursorField;
class TfrObject;
class TfrPage;
class TfrStream;
class TfrTableCursor;
class TfrView;

// (Memo, View): the host may change the text an object is about to print.
using TEnterRectEvent = std::function<void(QStringList &Memo, TfrView *View)>;
// (ParName, ParValue): the host's first chance to supply a value.
using TDetailEvent = std::function<void(const QString &ParName, TfrVariant &ParValue)>;

// What an export filter receives (the export framework installs these while it runs).
using TfrExportDataHook = std::function<void(TfrView *View)>;
using TfrExportTextHook = std::function<void(const TfrRect &innerRect, int x, int y,
                                             const QString &Text, int FrameTyp, TfrView *View)>;

// Asks for the password of a protected template ("Пароль", "Введите пароль для открытия
// отчета", characters shown as *): true with the entered text, false when cancelled. The
// user interface installs its dialog; without one a protected template is not opened.
using TfrPasswordQuery = std::function<bool(QString &Password)>;
TfrPasswordQuery &frPasswordQuery();

// Marks used[n] when name is stem followed by the number n (no leading zeros), the stem
// compared with or without case; generated names look for the smallest unmarked n.
void frMarkNameNumber(const QString &name, const QString &stem, Qt::CaseSensitivity cs, std::vector<bool> &used);

class TfrReport {
public:
    explicit TfrReport(QObject *owner = nullptr);
    ~TfrReport();
    TfrReport(const TfrReport &) = delete;
    TfrReport &operator=(const TfrReport &) = delete;

    // The component that owns the report: data sets named in templates are its components.
    QObject *Owner = nullptr;       // not owned
    TfrDataset *Dataset = nullptr;  // not owned
    TfrDataDictionary &Dictionary() const { return *m_dictionary; }
    TfrDocInfo DocInfo;

    bool DoublePassReport = false;
    bool PrintToDefault = false;    // a printer named in the template is not selected
    QString PrinterName;            // the printer the template names
    QString templateFileName;       // the file the template was loaded from; "Untitled"
    // Document attributes besides DocInfo.
    QString docPassword;
    bool docPasswordProtected = false;
    quint8 docGeneratorVersion = 88;
    // Saving stamps DocInfo.lastChange with the time; false keeps it (reproducible files).
    bool StampLastChange = true;
    // The template travels with the component's form data.
    bool StoreInDFM = false;
    bool FinalPass = false;         // the last pass of a two-pass report is running
    bool Terminated = false;

    TEnterRectEvent OnBeforePrint;
    TDetailEvent OnGetValue;
    TfrExportDataHook exportDataHook;
    TfrExportTextHook exportTextHook;

    // ---- pages ----
    TfrPages Pages;
    int PageCount() const { return Pages.GetCount(); }
    // nullptr outside 0..PageCount()-1.
    TfrPage *Page(int index) const { return Pages.GetPages(index); }
    TfrPage *AddPage() { return Pages.Add(); }
    void ClearPages() { Pages.Clear(); }
    // The first object of that name on any page (pages in order, names ignoring case).
    TfrView *FindObject(const QString &name) const;
    // used[n] for 1 <= n <= limit: an object is named stem + n (names ignoring case). One
    // pass over the objects, so naming many objects stays fast.
    std::vector<bool> UsedObjectNumbers(const QString &stem, int limit) const;

    // Empties pages and dictionary, resets DoublePassReport and the document attributes.
    void Clear();

    // ---- copies ----
    // Replaces this template by a copy of Source made through the template stream: pages,
    // objects (new objects with identities of their own), dictionary, document attributes
    // and the settings above. Source, the engine's current objects, the stream version and
    // the printer's paper are left as they were; this report's listener is kept and told
    // frcReplaced.
    void Assign(const TfrReport &Source);
    // A new report over the same owner and data set holding a copy of this template.
    std::unique_ptr<TfrReport> Clone() const;

    // ---- editing and its notices ----
    // Not owned; nullptr: nobody is told.
    void SetChangeListener(TfrChangeListener *listener) { m_listener = listener; }
    TfrChangeListener *ChangeListener() const { return m_listener; }
    // Tells the listener, unless the template is quiet (loading, preparing).
    void NotifyChange(const TfrChange &change);
    bool ChangesQuiet() const { return m_quietDepth > 0; }
    // The property interface for editors: Object (a view or page of this template) sets the
    // property and the listener hears frcProperty.
    void SetProperty(TfrObject &Object, const QString &Name, const TfrVariant &Value);
    // Position and size of a view of this template (frcObjectMoved).
    void SetObjectBounds(TfrView &View, int Left, int Top, int Width, int Height);
    // The page holding View, or nullptr.
    TfrPage *PageOf(const TfrView &View) const;
    // Empty attributes and password, both dates now, not protected, generator 88.
    void ClearAttribs();

    // ---- the template stream ----
    // Writes version 25, the pages block, the end marker and the document attributes.
    void SaveToStream(TfrStream &Stream);
    // Replaces the template by the stream's. Errors are shown, never raised: a refused
    // stream (newer version, corrupt, truncated) leaves one empty page, except that a
    // newer version leaves the template as it was; objects of add-in classes that are not
    // registered are skipped and named in a message. A protected template read from a file
    // asks frPasswordQuery. False when the template was refused (format or password).
    bool LoadFromStream(TfrStream &Stream);
    // False (and nothing changes) when there is no such file; the file name is kept only
    // when the template loaded.
    bool LoadFromFile(const QString &FileName);
    void SaveToFile(const QString &FileName);
    bool LoadFromBlobField(const TfrCursorField &Field);
    // The cursor must be editing or appending.
    void SaveToBlobField(TfrTableCursor &DataSet, int FieldIndex);
    // The first record whose first field is DocN, its second field holding the template;
    // false (and nothing changes) when there is none.
    bool LoadFromDB(TfrTableCursor &DataSet, int DocN);
    // Edits that record, or appends one, and posts it.
    void SaveToDB(TfrTableCursor &DataSet, int DocN);
    // A template among the program's Qt resources (":/" + Name, or Name when it starts
    // with ":"); EfrError when there is none.
    bool LoadFromResourceName(const QString &Name);
    bool LoadFromResourceID(int ID);

    // Template files (".frt"): description lines, a preview picture and the pages block.
    void SaveTemplate(const QString &FileName, const QStringList &Description, const QImage &Bitmap);
    // With Load false only the description and the picture are read; with Load true only
    // the pages block, into the report.
    void LoadTemplate(const QString &FileName, QStringList &Description, QImage &Bitmap, bool Load);

    // The component's form data ("ReportForm"): the version, and with StoreInDFM the
    // template. A read template loads when the component has loaded (Loaded).
    void WriteReportForm(TfrStream &Stream);
    void ReadReportForm(TfrStream &Stream);
    void Loaded();

    // ---- printer ----
    // Remembers the name and, unless PrintToDefault, selects that printer when it exists.
    void SetPrinterTo(const QString &PrnName);
    // Selects printer NewIndex and gives every page its paper again; on failure says so,
    // goes back to OldIndex and answers false.
    bool ChangePrinter(int OldIndex, int NewIndex);

    // ---- hooks ----
    // Called just before an object prints: a field bound to the object that is a binary
    // field loads into it (GetBlob); then OnBeforePrint.
    void InternalOnEnterRect(QStringList &Memo, TfrView *View);
    void InternalOnExportData(TfrView *View);
    void InternalOnExportText(const TfrRect &innerRect, int x, int y, const QString &Text,
                              int FrameTyp, TfrView *View);

private:
    friend class TfrQuietChanges;
    // The stream as SaveToStream writes it, with the given last-change date; touches
    // nothing of the report.
    void writeStream(TfrStream &Stream, double lastChange) const;
    // LoadFromStream without its notice; touched false when the template stayed as it was.
    bool loadStream(TfrStream &Stream, bool &touched);
    void readAttributes(TfrStream &Stream);
    void resetToEmptyPage();

    TfrChangeListener *m_listener = nullptr;
    int m_quietDepth = 0;

    std::unique_ptr<TfrDataDictionary> m_dictionary;
    std::unique_ptr<TfrStream> m_formStream; // template of the form data until Loaded
};

// Keeps a template's listener uninformed for its lifetime (loading, preparation).
class TfrQuietChanges {
public:
    explicit TfrQuietChanges(TfrReport &report) : m_report(report) { ++m_report.m_quietDepth; }
    ~TfrQuietChanges() { --m_report.m_quietDepth; }
    TfrQuietChanges(const TfrQuietChanges &) = delete;
    TfrQuietChanges &operator=(const TfrQuietChanges &) = delete;

private:
    TfrReport &m_report;
};
