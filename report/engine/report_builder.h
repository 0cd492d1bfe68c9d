// TfrReportBuilder, the report component a program talks to: it owns (or, for the
// members of a composite report, borrows) the template, carries the component's settings
// and events and its prepared pages, and runs everything done with them: preparation
// (prepare.cpp), preview, printing, the prepared-report file and export
// (report_builder.cpp). The user interface takes part only through the hooks of prepare.h,
// the printer only through frPrintRun() below; without them everything runs headless.
//
// An editor that must keep its template's objects prepares a copy (TfrReport::Clone):
// preparation restores the template it ran on from a snapshot, so its objects are new
// objects afterwards.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "report/engine/prepared_pages.h"
#include "report/model/geometry.h"

class TfrBand;
class TfrDataset;
class TfrExportFilter;
class TfrPage;
class TfrPageEngine;
class TfrReport;
class TfrView;

enum TfrReportType { rtSimple, rtMultiple };

// Which pages of the range print.
enum TfrPrintPages { frAll, frOdd, frEven };

// The preview's zoom on opening; pzDefault keeps the zoom mode last used in the process.
enum TfrPreviewZoom { pzDefault, pzPageWidth, pzOnePage, pzTwoPages };

// Toolbar buttons of the preview, as bits of PreviewButtons.
enum TfrPreviewButton : unsigned {
    pbZoom = 1,
    pbLoad = 2,
    pbSave = 4,
    pbPrint = 8,
    pbFind = 16,
    pbHelp = 32,
    pbExit = 64,
    pbPageSetup = 128,
};
inline constexpr unsigned frAllPreviewButtons = 255;

// What the print dialog chose (and what the last print used).
struct TfrPrintSettings {
    QString range;      // empty: every page
    int copies = 1;
    bool collate = true;
    TfrPrintPages printPages = frAll;
    // The page a preview shows (1-based), offered as "Текущая"; 0 without a preview. The
    // dialog answers that page's number as the range when it is chosen.
    int currentPage = 0;
};

struct TfrReportEvents {
    std::function<void()> OnBeginDoc, OnEndDoc;
    std::function<void(int pgNo)> OnBeginPage;
    std::function<void(int pgNo)> OnEndPage;
    std::function<void(TfrBand *band)> OnBeginBand, OnEndBand, OnBeginColumn;
    std::function<void(int colNo, int &width)> OnPrintColumn;
    std::function<void(int n)> OnProgress;
    std::function<void(TfrPage *page)> OnManualBuild;
    std::function<void(TfrView &view)> OnObjectClick;
    std::function<void(TfrView &view, Qt::CursorShape &cursor)> OnMouseOverObject;
    std::function<void()> OnPrintReport;
};

class TfrReportBuilder;

// The embedded preview control as the report sees it. Connect takes the report's prepared
// pages over (leaving the report an empty list); Disconnect gives them back.
class TfrEmbeddedPreview {
public:
    virtual ~TfrEmbeddedPreview() = default;
    virtual void Connect(TfrReportBuilder *report) = 0;
    virtual void Disconnect() = 0;
    // The control's own print action (dialog, then print).
    virtual void Print() = 0;
};

// The page walk of a print job: puts the component's prepared pages on the platform printer
// and calls pagePrinted after each page. The print library (report/print) fills it when it
// is loaded; while it is empty there is no printer to print on.
using TfrPrintRun = std::function<void(TfrReportBuilder &report, const TfrPrintSettings &settings,
                                       const std::function<void(int pageNo)> &pagePrinted)>;
TfrPrintRun &frPrintRun();

class TfrReportBuilder {
public:
    // A report component with a template of its own.
    TfrReportBuilder();
    // A component over a template owned elsewhere (members of a composite report, a copy
    // an editor previews, tests).
    explicit TfrReportBuilder(TfrReport &report);
    virtual ~TfrReportBuilder();
    TfrReportBuilder(const TfrReportBuilder &) = delete;
    TfrReportBuilder &operator=(const TfrReportBuilder &) = delete;

private:
    std::unique_ptr<TfrReport> m_ownedTemplate; // declared first: Report may refer to it

public:
    TfrReport &Report;     // the template
    TfrEMFPages EMFPages;  // the prepared pages

    // ---- settings of the component ----
    QString Name = QStringLiteral("frReport1");
    TfrReportType ReportType = rtSimple;
    bool PrintIfEmpty = true;
    bool ShowProgress = true;
    bool UseDefaultDataSetName = false;
    QString Title;
    bool ModalPreview = true;
    bool MDIPreview = false;
    bool ModifyPrepared = true;
    unsigned PreviewButtons = frAllPreviewButtons & ~unsigned(pbPageSetup);
    TfrPreviewZoom InitialZoom = pzDefault;
    bool GrayedButtons = false;
    bool ShowPrintDialog = true;
    int DefaultCopies = 1;
    bool DefaultCollate = true;
    bool RebuildPrinter = false;
    TfrEmbeddedPreview *Preview = nullptr; // not owned
    TfrReportEvents events;
    // Whether the message box "Ошибка" is shown on an error (tools turn it off and print
    // LastError).
    bool ShowErrorBox = true;

    // ---- preparation ----
    // Prepares the pages: false when cancelled (progress window or dialog page) or when
    // an error stopped it. The error's text stays in LastError (and is shown in a message
    // box "Ошибка" through the UI's message hook when ShowErrorBox).
    bool PrepareReport();
    QString LastError;
    // The pages came from a build (not from a file) and can be built again.
    bool Rebuildable() const { return m_rebuildable; }

    // ---- preview ----
    // PrepareReport, then ShowPreparedReport (whatever the first answered).
    void ShowReport();
    // The preview window, or the embedded Preview; nothing without prepared pages.
    void ShowPreparedReport();
    // The prepared-report file. Loading makes the pages not rebuildable; errors are raised.
    void LoadPreparedReport(const QString &fileName);
    void SavePreparedReport(const QString &fileName);

    // ---- printing ----
    // The print dialog (unless ShowPrintDialog is off), then PrintPreparedReport. Nothing
    // without installed printers; the embedded Preview's print action when there is one.
    void PrintPreparedReportDlg();
    // range: page numbers and ranges ("1,3,5-12"); empty prints every page. EfrError for a
    // range that is not made of numbers, "-" and ",".
    void PrintPreparedReport(const QString &range, int copies, bool collate, TfrPrintPages printPages);
    // The settings of the last print (what the print dialog offers next).
    const TfrPrintSettings &LastPrintSettings() const { return m_printSettings; }
    // Fills settings with the component's defaults and, unless ShowPrintDialog is off,
    // lets the print dialog change them; false when it was cancelled (or there is none).
    bool AskPrintSettings(TfrPrintSettings &settings);
    // The print dialog chose another printer, RebuildPrinter is set and the pages can be
    // rebuilt: they are to be prepared again for the new printer.
    bool RebuildsForPrinter(int oldPrinter, int newPrinter) const
    {
        return RebuildPrinter && newPrinter != oldPrinter && m_rebuildable;
    }
    // Every page takes its paper from the new printer and the pages are prepared again.
    // False when the printer could not be set up (the old one is back, nothing rebuilt).
    bool RebuildForPrinter(int oldPrinter, int newPrinter);

    // ---- page setup ----
    // Gives every report page of the template these margins (hundredths of a millimetre)
    // and the printer's current paper, and prepares the pages again.
    void ApplyPageSetup(const TfrRect &margins);

    // ---- export ----
    // Runs one export of the prepared pages through the filter into fileName.
    void ExportTo(TfrExportFilter &filter, const QString &fileName);
    // The export now running, or nullptr.
    TfrExportFilter *CurrentFilter() const { return m_currentFilter; }

protected:
    // One pass over the template pages (a composite report chains its members).
    virtual void DoBuildReport();

private:
    // The page engines run a build and reach its component through these.
    friend class TfrPageEngine;
    friend class TfrCompositeReportBuilder;

    bool DoPrepareReport();
    void BuildBeforeModal();
    void PrintBeforeModal();
    void ExportBeforeModal();
    void InternalOnProgress(int n);
    void InternalOnBeginColumn(TfrBand *band);
    void InternalOnPrintColumn(int colNo, int &width);
    // The engine of a template page while a build runs, or nullptr.
    TfrPageEngine *Engine(int pageIndex) const;

    void beginBuild();
    void buildPages();
    void donePages();
    // Hands the pages back from an embedded preview for an operation that needs them; true
    // when it did (the caller reconnects afterwards).
    bool borrowPagesFromPreview();
    void runWithProgress(const QString &firstPart, const QString &line, const std::function<void()> &work);

    // Set by a build; cleared when the pages come from a file (they cannot be rebuilt).
    bool m_rebuildable = false;
    TfrExportFilter *m_currentFilter = nullptr;
    TfrPrintSettings m_printSettings;
    bool m_plainDoublePass = false;
    QString m_progressFirstPart;
    std::vector<std::unique_ptr<TfrPageEngine>> m_engines;
};

// Reports prepared one after the other into one document.
class TfrCompositeReportBuilder : public TfrReportBuilder {
public:
    explicit TfrCompositeReportBuilder(TfrReport &report);
    std::vector<TfrReportBuilder *> Reports; // not owned

protected:
    void DoBuildReport() override;
};
