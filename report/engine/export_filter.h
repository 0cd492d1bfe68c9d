// Export filters: components that turn the prepared pages into a file of another format.
// A filter does not get a drawing; TfrReportBuilder::ExportTo hands it every object of every
// prepared page, and every output line of every text object, through the callbacks below,
// always in this order:
//
//   ShowModal                        once; anything but 1 abandons the export (no file)
//   OnBeginDoc                       Stream is open on the new file, which replaces the
//                                    target only when the whole export succeeded
//     OnBeginPage                    per prepared page, from the first
//       OnWholePage(Pages, i)        false (the default): the page's objects follow
//       OnData(x, y, View)           per object, in stored order; page units from the
//       OnText(rect, x, y, text, …)  page's own corner; per output line of a text object
//     OnEndPage
//   OnEndDoc
//   OnAfterExport (event)            after the file was closed
//
// OnWholePage is this framework's one addition for filters that need the page's drawing
// rather than its objects (PDF): such a filter draws page i itself and answers true, and
// the page's objects are then not read or handed out. Filters that keep the default see
// exactly the sequence above.
//
// A filter registers itself (frRegisterExportFilter) when it is created, so the preview's
// save dialog offers it, and unregisters when it is destroyed.
#pragma once

#include <QIODevice>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "report/model/geometry.h"

class TfrEMFPages;
class TfrView;

// A positioned text line, for filters that collect text (chains of records in Lines).
struct TfrTextRec {
    std::unique_ptr<TfrTextRec> Next;
    QString Text;
    int X = 0, Y = 0;
    int FrameTyp = 0;
};

// (var FileName, var bContinue)
using TBeforeExportEvent = std::function<void(QString &FileName, bool &bContinue)>;
// (FileName)
using TAfterExportEvent = std::function<void(const QString &FileName)>;

class TfrExportFilter : public QObject {
public:
    explicit TfrExportFilter(QObject *owner = nullptr);
    ~TfrExportFilter() override;

    QString FileName;
    QIODevice *Stream = nullptr; // the target file while an export runs; not owned
    // The prepared pages being exported (their paper and margins), set by ExportTo for
    // its duration; not owned.
    const TfrEMFPages *EMFPages = nullptr;
    std::vector<std::unique_ptr<TfrTextRec>> Lines;
    bool ShowDialog = false; // each filter's constructor sets it; the base ignores it
    bool Default = false;    // preselected in the preview's save dialog
    // The report's title (its Title, else the template's name), set by ExportTo.
    QString Title;
    TBeforeExportEvent OnBeforeExport;
    TAfterExportEvent OnAfterExport;

    virtual void ClearLines();
    // 1 (OK) goes on with the export.
    virtual int ShowModal() { return 1; }
    virtual void OnBeginDoc() {}
    virtual void OnEndDoc() {}
    virtual void OnBeginPage() {}
    virtual void OnEndPage() {}
    // After OnBeginPage with the prepared pages and the page's index (0-based); true when
    // the filter took the whole page, so no OnData or OnText follows for it.
    virtual bool OnWholePage(TfrEMFPages &Pages, int Index);
    virtual void OnData(int x, int y, TfrView *View);
    virtual void OnText(const TfrRect &innerRect, int x, int y, const QString &Text, int FrameTyp, TfrView *View);
};
