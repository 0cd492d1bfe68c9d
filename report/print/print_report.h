// The print run: the page walk of a print job over a component's prepared pages. The page
// range, copies and collation, odd and even pages; a paper change starts a new job on the
// platform printer. The engine's component reaches it through frPrintRun(), which the print
// library fills when it is loaded.
#pragma once

#include <functional>

#include "report/engine/report_builder.h"

// Prints the prepared pages of report on the selected platform printer, calling pagePrinted
// after each page. EfrError without a platform printer or for a bad range.
void frPrintPreparedPages(TfrReportBuilder &report, const TfrPrintSettings &settings,
                          const std::function<void(int pageNo)> &pagePrinted);

// Makes frPrintPreparedPages the engine's print run.
void frInstallPrintRun();
