// The preparation driver: snapshots the template, runs one or two passes of every
// template page through the page engine into the prepared pages, repeats the pages per
// record of a multiple report, chains the reports of a composite report, reports
// progress, and restores the template afterwards.
//
// TfrReportBuilder carries what a report component adds for preparation (its published
// settings, its events and its prepared pages) around the template it builds from. The
// user interface reaches in only through frProgressUi (the progress window) and
// frDialogPageUi (dialog pages); without them preparation runs headless.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "report/engine/prepared_pages.h"

class TfrBand;
class TfrDataset;
class TfrPage;
class TfrPageEngine;
class TfrReport;

enum TfrReportType { rtSimple, rtMultiple };

struct TfrReportEvents {
    std::function<void()> OnBeginDoc, OnEndDoc;
    std::function<void(int pgNo)> OnEndPage;
    std::function<void(TfrBand *band)> OnBeginBand, OnEndBand, OnBeginColumn;
    std::function<void(int colNo, int &width)> OnPrintColumn;
    std::function<void(int n)> OnProgress;
    std::function<void(TfrPage *page)> OnManualBuild;
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

class TfrReportBuilder {
public:
    explicit TfrReportBuilder(TfrReport &report);
    virtual ~TfrReportBuilder();
    TfrReportBuilder(const TfrReportBuilder &) = delete;
    TfrReportBuilder &operator=(const TfrReportBuilder &) = delete;

    TfrReport &Report;
    TfrEMFPages EMFPages;

    // ---- published settings of the component ----
    QString Name = QStringLiteral("frReport1");
    TfrReportType ReportType = rtSimple;
    bool PrintIfEmpty = true;
    bool ShowProgress = true;
    bool UseDefaultDataSetName = false;
    QString Title;
    TfrReportEvents events;

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
