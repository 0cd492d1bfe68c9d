// The page formation engine: turns one template page into output on the prepared pages.
// A TfrPageEngine holds the runtime state of one page for one preparation (bands built
// by InitPage and TossObjects, positions, columns, the action list of a sub-report page)
// and implements both the page's operations (page_engine.cpp) and the print protocol of
// its bands (band_engine.cpp). The engine-wide state every page shares is TfrEngineState.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "report/model/band.h"

class TfrEMFPages;
class TfrPage;
class TfrReport;
class TfrReportBuilder;
class TfrView;

enum TfrPageMode { pmNormal, pmBuildList };
enum TfrBandRecType { rtShowBand, rtFirst, rtNext };

struct TfrBandRec {
    TfrBand *band = nullptr; // not owned
    TfrBandRecType action = rtShowBand;
};

class TfrPageEngine;

// Everything the engine keeps across pages and bands while one preparation runs.
struct TfrEngineState {
    TfrEMFPages *EMFPages = nullptr;       // the master report's prepared pages (not owned)
    TfrReportBuilder *current = nullptr;   // the report being built (CurReport's builder)
    TfrReportBuilder *master = nullptr;    // the report whose pages receive output
    bool appendToPrevious = false;
    bool footerOnPrevious = false;
    bool compositeAppendNext = false;
    int prevPageEndY = 0, prevPageLimitY = 0;
    std::vector<TfrView *> hookList;
    bool aggregatePrepMode = false;
    TfrBand *aggregatePrepBand = nullptr;
    bool dialogCancelled = false;
    bool drawingCross = false;
    int totalPages = 0;
    std::vector<TfrPageEngine *> engines; // of every template page being built (not owned)

    TfrPageEngine *EngineOf(const TfrPage *page) const;
};
TfrEngineState &frEngine();

// The engine's common error handler: records the composed message in ErrorStr, sets
// ErrorFlag and terminates the master report.
void frEngineError(const QString &message);

class TfrPageEngine {
public:
    TfrPageEngine(TfrPage &page, int pageIndex);
    ~TfrPageEngine();
    TfrPageEngine(const TfrPageEngine &) = delete;
    TfrPageEngine &operator=(const TfrPageEngine &) = delete;

    TfrPage &Page;
    int pageIndex;                 // in the template
    TfrPageMode mode = pmNormal;
    bool initialized = false;
    bool objectsPrepared = false;
    bool isSubReportPage = false;
    std::vector<TfrBandRec> actionList;
    int playIndex = 0;
    TfrBand *pendingSubReportBand = nullptr;
    int columnIndex = 0, columnX = 0, columnTopY = 0, columnWidth = 0;
    TfrBand *lastPrintedBand = nullptr;
    bool suppressRepeats = false;
    // Position right after a new page's or column's headers: a band that does not fit
    // there never will.
    int freshPageY = -1;

    // ---- the page (page_engine.cpp) ----
    void InitPage();
    void TossObjects();
    void PrepareObjects();
    void FormPage();
    void ShowBand(TfrBand *band);
    void ShowBandByName(const QString &name);
    void ShowBandByType(int type);
    void NewPage();
    void NewColumn(TfrBand *band);
    void DrawPageFooters();
    void AddRecord(TfrBand *band, TfrBandRecType action) { actionList.push_back({band, action}); }
    void ClearRecList() { actionList.clear(); }
    bool PlayRecList();
    void ResetPosition(TfrBand *band, int value);
    bool BandExists(const TfrBand *band) const;
    void AfterPrint();
    void DoScript(const QStringList &lines);
    void DonePage();

    TfrBand *Head(int type) const;
    int Columns() const;

    // ---- the bands (band_engine.cpp) ----
    bool Draw(TfrBand &b);
    int DoCalcHeight(TfrBand &b);
    int CalcHeight(TfrBand &b);
    void StretchObjects(TfrBand &b, int height);
    void UnStretchObjects(TfrBand &b);
    void DoDraw(TfrBand &b);
    bool DrawObjects(TfrBand &b);
    void DrawObject(TfrBand &b, TfrView &view);
    bool CheckPageBreak(TfrBand &b, int top, int height, bool noBreak);
    // Room for a flowing band of this height at the current position: a new column or
    // page when it does not fit here. True when it must be split, because it does not
    // fit even on a fresh page (or is split anyway).
    bool MakeRoom(TfrBand &b, int height);
    void DrawPageBreak(TfrBand &b);
    bool HasCross(const TfrBand &b) const;
    void DrawCross(TfrBand &b);
    void DrawCrossCell(TfrBand &cross, TfrBand &row, int x);
    void PrepareSubReports(TfrBand &b);
    void DoSubReports(TfrBand &b);
    void InitValues(TfrBand &b);
    void DoAggregate(TfrBand &b);

private:
    struct DataLevel;
    void dataLoop(int level, std::vector<TfrBand *> &deferred, int deepest);
    void flush(std::vector<TfrBand *> &deferred);
    void bindHeadersAndFooters();
    void showCrossPageHeader(TfrBand &row, int firstRowPage);
    void runBandScript(TfrBand &b);
    void writeView(TfrView &view, int dx, int dy);
    // Nothing but the page's or column's headers printed above the position.
    bool atFreshTop() const;
};
