// The hooks through which the user interface takes part in what a report component does:
// the progress window, dialog pages, the preview and print windows. Without them
// everything runs headless. The component itself is TfrReportBuilder
// (report/engine/report_builder.h); its preparation driver lives in prepare.cpp: it
// snapshots the template, runs one or two passes of every template page through the page
// engine into the prepared pages, repeats the pages per record of a multiple report,
// chains the reports of a composite report, reports progress, and restores the template
// afterwards.
#pragma once

#include <QString>
#include <functional>

#include "report/engine/report_builder.h"

class TfrPage;
class TfrReport;

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

