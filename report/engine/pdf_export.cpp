#include "report/engine/pdf_export.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>

#include "report/engine/prepared_pages.h"
#include "report/eval/errors.h"
#include "report/eval/globals.h"
#include "report/model/registry.h"
#include "report/model/report.h"

namespace {

// PDF readers refuse pages above 200 inches; below a millimetre nothing shows.
constexpr double kMinPaperMm = 1.0;
constexpr double kMaxPaperMm = 200 * 25.4;

// The paper of a prepared page as a PDF page. The stored paper is already turned to the
// page's orientation; a page without one (a hostile file) falls back to its metrics.
QPageLayout pageLayoutOf(const TfrPageInfo &info, int pageNo)
{
    double w = info.paperWidth / 10.0, h = info.paperHeight / 10.0;
    if (w <= 0 || h <= 0) {
        w = info.prnInfo.paperWidthU * 25.4 / frPageUnitsPerInch;
        h = info.prnInfo.paperHeightU * 25.4 / frPageUnitsPerInch;
    }
    if (!(w >= kMinPaperMm && h >= kMinPaperMm && w <= kMaxPaperMm && h <= kMaxPaperMm))
        throw EfrError(QStringLiteral("Страница %1: размер бумаги %2 × %3 мм не годится для PDF")
                           .arg(pageNo)
                           .arg(w, 0, 'f', 1)
                           .arg(h, 0, 'f', 1));
    // Standard sizes keep their names (A4 and so on) for the reader's print dialog.
    const QPageSize size(QSizeF(std::min(w, h), std::max(w, h)), QPageSize::Millimeter, QString(),
                         QPageSize::FuzzyMatch);
    return QPageLayout(size, w > h ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF());
}

// Where the page is drawn, in page units: the whole paper for a page laid out inside its
// margins, else the margin box the preview stretches such a page into.
QRect targetOf(const TfrPageInfo &info)
{
    const TfrPrnInfo &p = info.prnInfo;
    if (info.applyMargins)
        return QRect(0, 0, p.paperWidthU, p.paperHeightU);
    const TfrRect &m = info.margins;
    const qint64 left = qint64(p.offsetXU) + m.Left, top = qint64(p.offsetYU) + m.Top;
    const qint64 width = qint64(p.printWidthU) - m.Left - m.Right;
    const qint64 height = qint64(p.printHeightU) - m.Top - m.Bottom;
    if (width <= 0 || height <= 0)
        return QRect(); // margins that leave no room: a blank page
    return QRect(frClampCoord(left), frClampCoord(top), frClampCoord(width), frClampCoord(height));
}

} // namespace

TfrPdfExport::TfrPdfExport(QObject *owner) : TfrExportFilter(owner)
{
    frRegisterExportFilter(this, QStringLiteral("Файл PDF (*.pdf)"), QStringLiteral("*.pdf"));
}

TfrPdfExport::~TfrPdfExport()
{
    finish();
    frUnRegisterExportFilter(this);
}

void TfrPdfExport::OnBeginDoc()
{
    finish();
    m_pagesWritten = 0;
    m_stopped = false;
    if (!Stream)
        throw EfrError(QStringLiteral("Нет файла для PDF"));
    // A cancel left over from an earlier run must not cut this export short.
    if (CurReport)
        CurReport->Terminated = false;
    m_writer = std::make_unique<QPdfWriter>(Stream);
    m_writer->setResolution(kPdfResolution);
    m_writer->setCreator(QCoreApplication::applicationName());
    m_writer->setTitle(Title.isEmpty() ? QFileInfo(FileName).completeBaseName() : Title);
    // The file closes before OnEndDoc only when a callback failed: the writer lets go of it
    // then, while it is still open.
    m_closing = QObject::connect(Stream, &QIODevice::aboutToClose, this, [this] { finish(); });
}

bool TfrPdfExport::OnWholePage(TfrEMFPages &Pages, int Index)
{
    if (!m_writer || m_stopped)
        return true;
    const TfrReport *report = Pages.Report() ? Pages.Report() : CurReport;
    if (m_pagesWritten > 0 && report && report->Terminated) {
        m_stopped = true;
        return true;
    }
    TfrPageInfo &info = Pages[Index];
    m_writer->setPageLayout(pageLayoutOf(info, Index + 1));
    if (!m_painter) {
        m_painter = std::make_unique<QPainter>();
        if (!m_painter->begin(m_writer.get()))
            throw EfrError(QStringLiteral("Не удается начать PDF в файле \"%1\"").arg(FileName));
    } else if (!m_writer->newPage()) {
        throw EfrError(QStringLiteral("Ошибка записи файла \"%1\"").arg(FileName));
    }

    // One page unpacked at a time, released afterwards also when drawing fails.
    struct PageScope {
        TfrEMFPages &pages;
        int index;
        QPainter &painter;
        ~PageScope()
        {
            painter.restore();
            pages[index].keepUnpacked = false;
            pages.Release(index);
        }
    } scope{Pages, Index, *m_painter};
    m_painter->save();
    const double scale = kPdfResolution / frPageUnitsPerInch;
    m_painter->scale(scale, scale);
    info.keepUnpacked = true;
    const QRect target = targetOf(info);
    if (!target.isEmpty())
        Pages.Draw(Index, m_painter.get(), target);
    ++m_pagesWritten;
    return true;
}

void TfrPdfExport::OnEndDoc()
{
    const bool empty = m_pagesWritten == 0;
    finish();
    if (empty)
        throw EfrError(QStringLiteral("В отчете нет страниц: PDF не создан"));
}

void TfrPdfExport::finish()
{
    QObject::disconnect(m_closing);
    if (m_painter && m_painter->isActive())
        m_painter->end();
    m_painter.reset();
    m_writer.reset();
}
