// The preparation driver: snapshots the template, runs one or two passes of every
// template page through the page engine into the prepared pages, repeats the pages per
// record of a multiple report, chains the reports of a composite report, reports
// progress, and restores the template afterwards.
//
// TfrReportBuilder is the report component a program talks to: it owns (or, for the
// members of a composite report, borrows) the template, carries the component's published
// settings and events and its prepared pages, and runs everything done with them:
// preparation, preview, printing and export. The user interface reaches in only through
// hooks (frProgressUi, frDialogPageUi, frReportUi); without them everything runs headless.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "report/engine/prepared_pages.h"

class TfrBand;
class TfrDataset;
class TfrExportFilter;
class TfrView;
class TfrPage;
class TfrPageEngine;
class TfrReport;

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

// The progress window as the engine drives it. showModal shows it with the caption and
// line and runs work inside its modal loop; work ends it through setModalResult. The
// window's cancel button sets the report's Terminated and closes it with 2.
struct TfrProgressUi {
    std::function<int(TfrReport &report, const QString &caption, const QString &line,
                      const std::function<void()> &work)> showModal;
    std::function<void(const QString &line)> setLine;
    std::function<void(int modalResult)> setModalResult;
    std::function<void(const QString &text)> setMessage;
    std::function<bool()> isVisible;
    std::function<void(bool visible)> setVisible;
    std::function<void()> processMessages;
    bool installed() const { return bool(showModal); }
};
TfrProgressUi &frProgressUi();

// Shows a dialog page modally and answers its modal result (1 OK, 2 cancel). Without one
// a dialog page only runs its script.
using TfrDialogPageUi = std::function<int(TfrPage &page)>;
TfrDialogPageUi &frDialogPageUi();

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

// The windows of the output operations, installed by the user interface.
struct TfrReportUi {
    // Shows the preview window over the report's prepared pages with the caption; modal
    // when the report's ModalPreview is set.
    std::function<void(TfrReportBuilder &report, const QString &caption)> showPreview;
    // The print dialog; fills settings and answers true on OK.
    std::function<bool(TfrReportBuilder &report, TfrPrintSettings &settings)> printDialog;
    // A report component is going away: the windows it owns (previews) close first.
    std::function<void(TfrReportBuilder &report)> reportDestroyed;
};
TfrReportUi &frReportUi();

class TfrReportBuilder {
public:
    // A report component with a template of its own.
    TfrReportBuilder();
    // A component over a template owned elsewhere (members of a composite report, tests).
    explicit TfrReportBuilder(TfrReport &report);
    virtual ~TfrReportBuilder();
    TfrReportBuilder(const TfrReportBuilder &) = delete;
    TfrReportBuilder &operator=(const TfrReportBuilder &) = delete;

private:
    std::unique_ptr<TfrReport> m_ownedTemplate; // declared first: Report may refer to it

public:
    TfrReport &Report;   // the template
    TfrEMFPages EMFPages;

    // ---- published settings of the component ----
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

    // ---- run-time state ----
    // Set by a build; cleared when the pages come from a file (they cannot be rebuilt).
    bool rebuildable = false;
    // The export now running, or nullptr.
    TfrExportFilter *currentFilter = nullptr;
    // The settings of the last print.
    TfrPrintSettings printSettings;

    // ---- preview ----
    // PrepareReport, then ShowPreparedReport (whatever the first answered).
    void ShowReport();
    // The preview window, or the embedded Preview; nothing without prepared pages.
    void ShowPreparedReport();
    // The prepared-report file. Loading clears rebuildable; errors are raised.
    void LoadPreparedReport(const QString &fileName);
    void SavePreparedReport(const QString &fileName);

    // ---- printing ----
    // The print dialog (unless ShowPrintDialog is off), then PrintPreparedReport. Nothing
    // without installed printers; the embedded Preview's print action when there is one.
    void PrintPreparedReportDlg();
    // range: page numbers and ranges ("1,3,5-12"); empty prints every page. EfrError for a
    // range that is not made of numbers, "-" and ",".
    void PrintPreparedReport(const QString &range, int copies, bool collate, TfrPrintPages printPages);
    virtual void DoPrintReport(const QString &range, int copies, bool collate, TfrPrintPages printPages);
    void PrintBeforeModal();

    // ---- export ----
    // Runs one export of the prepared pages through the filter into fileName.
    void ExportTo(TfrExportFilter &filter, const QString &fileName);
    // The page walk of an export.
    void ExportBeforeModal();

    // Prepares the pages: false when cancelled (progress window or dialog page) or when
    // an error stopped it. The error's text stays in LastError (and is shown in a message
    // box "Ошибка" through the UI's message hook).
    bool PrepareReport();
    bool DoPrepareReport();
    void BuildBeforeModal();
    virtual void DoBuildReport();
    void InternalOnProgress(int n);
    void InternalOnBeginColumn(TfrBand *band);
    void InternalOnPrintColumn(int colNo, int &width);
    // The engine of a template page while a build runs, or nullptr.
    TfrPageEngine *Engine(int pageIndex) const;

    QString LastError;
    // Whether the message box is shown on an error (tools turn it off and print LastError).
    bool ShowErrorBox = true;

protected:
    friend class TfrCompositeReportBuilder;
    void beginBuild();
    void buildPages();
    void donePages();

    // Hands the pages back from an embedded preview for an operation that needs them; true
    // when it did (the caller reconnects afterwards).
    bool borrowPagesFromPreview();
    void runWithProgress(const QString &firstPart, const QString &line, const std::function<void()> &work);

    bool m_plainDoublePass = false;
    QString m_progressFirstPart;
    std::vector<std::unique_ptr<TfrPageEngine>> m_engines;
};

// Reports prepared one after the other into one document.
class TfrCompositeReportBuilder : public TfrReportBuilder {
public:
    explicit TfrCompositeReportBuilder(TfrReport &report);
    std::vector<TfrReportBuilder *> Reports; // not owned
    void DoBuildReport() override;
};
