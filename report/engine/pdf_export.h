// The PDF export filter. Each prepared page becomes one PDF page with that page's own paper
// size and orientation, drawn by TfrEMFPages::Draw, the path of the preview and the
// printer, so the file shows what they show. Text stays text: the fonts are embedded and
// the text can be selected and searched.
//
// Scale: a page is drawn in page units (Draw gets the paper, or for a page laid out without
// margins the preview's margin box, in page units, so the views draw at scale 1) and the
// painter's world transform maps page units onto the PDF, which is exact for vector output.
// The views then use the very font pixel sizes, line positions and clip rectangles the
// layout computed. Handing Draw the page in device pixels instead would make every view
// recompute them at another scale: font heights are truncated there (a 9-point font comes
// out 0.7 % small at 600 dpi, 3 % at 150 dpi) and positions rounded anew. kPdfResolution
// only sets the grid of the device coordinates the transform lands on.
//
// The export draws one page at a time and releases it, as printing does, so memory does
// not grow with the page count beyond the prepared report.
//
// The report's Terminated (the progress window's cancel) is cleared when the export starts
// and tested before every page after the first: a cancelled export leaves a complete PDF of
// the pages drawn before the cancel, and PagesWritten() says how many there are.
// A PDF has at least one page, so a report without pages is refused with EfrError.
#pragma once

#include <QMetaObject>
#include <memory>

#include "report/engine/export_filter.h"

class QPainter;
class QPdfWriter;

inline constexpr int kPdfResolution = 1200;

class TfrPdfExport : public TfrExportFilter {
    Q_OBJECT
public:
    // Registers itself as "Файл PDF (*.pdf)" with the mask "*.pdf".
    explicit TfrPdfExport(QObject *owner = nullptr);
    ~TfrPdfExport() override;

    void OnBeginDoc() override;
    void OnEndDoc() override;
    bool OnWholePage(TfrEMFPages &Pages, int Index) override;

    // Pages in the file of the current or last export.
    int PagesWritten() const { return m_pagesWritten; }
    // Whether the last export stopped early because the report was terminated.
    bool Stopped() const { return m_stopped; }

private:
    // Ends the document when the target file closes before OnEndDoc (a callback failed),
    // so the writer never outlives the file it writes to.
    void finish();

    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QPainter> m_painter;
    QMetaObject::Connection m_closing;
    int m_pagesWritten = 0;
    bool m_stopped = false;
};
