#include "report/ui/platform_printers.h"

#include <QPageLayout>
#include <QPrinterInfo>
#include <cmath>

#include "report/eval/errors.h"
#include "report/eval/strings.h"

namespace {

constexpr int kFirstDriverPaperCode = frCustomPaperSize + 1;
constexpr int kCustomPaperNameId = 55074;

struct BinSource {
    int bin;
    QPrinter::PaperSource source;
    const char16_t *name; // the string table has no bin names
};

// The platform's bin numbers against Qt's paper sources.
constexpr BinSource kBinSources[] = {
    {1, QPrinter::OnlyOne, u"Верхний лоток"},
    {2, QPrinter::Lower, u"Нижний лоток"},
    {3, QPrinter::Middle, u"Средний лоток"},
    {4, QPrinter::Manual, u"Ручная подача"},
    {5, QPrinter::Envelope, u"Конверты"},
    {6, QPrinter::EnvelopeManual, u"Конверты, ручная подача"},
    {7, QPrinter::Auto, u"Автовыбор"},
    {8, QPrinter::Tractor, u"Тракторная подача"},
    {9, QPrinter::SmallFormat, u"Малый формат"},
    {10, QPrinter::LargeFormat, u"Большой формат"},
    {11, QPrinter::LargeCapacity, u"Лоток большой ёмкости"},
    {14, QPrinter::Cassette, u"Кассета"},
    {15, QPrinter::FormSource, u"Автоматически по формату"},
};

int toTenths(qreal millimetres) { return int(std::lround(millimetres * 10)); }

int toPixels(qreal millimetres, int resolution) { return int(std::lround(millimetres / 25.4 * resolution)); }

// The paper as seen in the layout's orientation, in millimetres.
QSizeF orientedPaper(const QPageLayout &layout)
{
    QSizeF size = layout.pageSize().size(QPageSize::Millimeter);
    if (layout.orientation() == QPageLayout::Landscape)
        size.transpose();
    return size;
}

} // namespace

bool frBinToPaperSource(int bin, QPrinter::PaperSource &source)
{
    for (const BinSource &b : kBinSources)
        if (b.bin == bin) {
            source = b.source;
            return true;
        }
    return false;
}

bool frPaperSourceToBin(QPrinter::PaperSource source, int &bin)
{
    for (const BinSource &b : kBinSources)
        if (b.source == source) {
            bin = b.bin;
            return true;
        }
    return false;
}

// ---- TfrQtPrinterPapers ----

void TfrQtPrinterPapers::Load(const QList<QPageSize> &sizes, bool customSizes)
{
    m_papers.clear();
    m_customSizes = customSizes;
    auto used = [this](int code) {
        for (const Paper &p : m_papers)
            if (p.code == code)
                return true;
        return false;
    };
    int driverCode = kFirstDriverPaperCode;
    for (const QPageSize &size : sizes) {
        if (!size.isValid())
            continue;
        int code = size.windowsId();
        if (code <= 0 || code >= frCustomPaperSize || used(code))
            code = driverCode++;
        m_papers.push_back({code, size});
    }
}

std::vector<TfrPaperItem> TfrQtPrinterPapers::Items() const
{
    std::vector<TfrPaperItem> items;
    items.reserve(m_papers.size() + 1);
    for (const Paper &p : m_papers)
        items.push_back({p.code, p.size.name()});
    if (m_customSizes)
        items.push_back({frCustomPaperSize, frLoadStr(kCustomPaperNameId)});
    return items;
}

int TfrQtPrinterPapers::CodeOf(const QPageSize &size) const
{
    // The same key first: several papers of a driver may share one size.
    for (const Paper &p : m_papers)
        if (p.size == size)
            return p.code;
    for (const Paper &p : m_papers)
        if (p.size.isEquivalentTo(size))
            return p.code;
    return frCustomPaperSize;
}

void TfrQtPrinterPapers::GetDeviceMode(const QPrinter &printer, bool hasBins, TfrDeviceMode &mode) const
{
    const QPageLayout layout = printer.pageLayout();
    mode = TfrDeviceMode();
    mode.fields = TfrDeviceMode::fPaperSize | TfrDeviceMode::fOrientation | TfrDeviceMode::fCopies;
    mode.paperSize = CodeOf(layout.pageSize());
    if (mode.paperSize == frCustomPaperSize) {
        const QSizeF paper = orientedPaper(layout);
        mode.fields |= TfrDeviceMode::fPaperWidth | TfrDeviceMode::fPaperLength;
        mode.paperWidth = toTenths(paper.width());
        mode.paperLength = toTenths(paper.height());
    }
    mode.orientation = layout.orientation() == QPageLayout::Landscape ? poLandscape : poPortrait;
    mode.copies = printer.copyCount();
    int bin = -1;
    if (hasBins && frPaperSourceToBin(printer.paperSource(), bin)) {
        mode.fields |= TfrDeviceMode::fDefaultSource;
        mode.defaultSource = bin;
    }
}

void TfrQtPrinterPapers::SetDeviceMode(QPrinter &printer, const TfrDeviceMode &mode) const
{
    TPrinterOrientation orientation = mode.orientation == poLandscape ? poLandscape : poPortrait;
    if (!mode.has(TfrDeviceMode::fOrientation))
        orientation = printer.pageLayout().orientation() == QPageLayout::Landscape ? poLandscape : poPortrait;
    if (mode.has(TfrDeviceMode::fPaperSize)) {
        if (mode.paperSize == frCustomPaperSize) {
            const bool sized = mode.has(TfrDeviceMode::fPaperWidth) && mode.has(TfrDeviceMode::fPaperLength);
            const QPageSize custom = sized ? CustomPageSize(mode.paperWidth, mode.paperLength, orientation) : QPageSize();
            if (m_customSizes && custom.isValid())
                printer.setPageSize(custom);
        } else {
            for (const Paper &p : m_papers)
                if (p.code == mode.paperSize) {
                    printer.setPageSize(p.size);
                    break;
                }
        }
    }
    if (mode.has(TfrDeviceMode::fOrientation))
        printer.setPageOrientation(orientation == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    if (mode.has(TfrDeviceMode::fCopies))
        printer.setCopyCount(std::max(1, mode.copies));
    QPrinter::PaperSource source;
    if (mode.has(TfrDeviceMode::fDefaultSource) && frBinToPaperSource(mode.defaultSource, source))
        printer.setPaperSource(source);
}

TfrDeviceCaps TfrQtPrinterPapers::DeviceCaps(const QPrinter &printer)
{
    const QPageLayout layout = printer.pageLayout();
    const int dpi = printer.resolution();
    const QSizeF paper = orientedPaper(layout);
    const QMargins margins = layout.marginsPixels(dpi);
    TfrDeviceCaps caps;
    caps.logPixelsX = caps.logPixelsY = dpi;
    caps.physicalWidth = toPixels(paper.width(), dpi);
    caps.physicalHeight = toPixels(paper.height(), dpi);
    caps.physicalOffsetX = margins.left();
    caps.physicalOffsetY = margins.top();
    caps.pageWidth = std::max(0, caps.physicalWidth - margins.left() - margins.right());
    caps.pageHeight = std::max(0, caps.physicalHeight - margins.top() - margins.bottom());
    return caps;
}

QPageSize TfrQtPrinterPapers::CustomPageSize(int width, int height, TPrinterOrientation orientation)
{
    if (width <= 0 || height <= 0)
        return QPageSize();
    // Qt turns the page size for landscape; hand it the sheet as it lies in portrait.
    QSizeF size(width / 10.0, height / 10.0);
    if (orientation == poLandscape)
        size.transpose();
    return QPageSize(size, QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
}

// ---- TfrQtPlatformPrinters ----

TfrQtPlatformPrinters::TfrQtPlatformPrinters() : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    PrinterNames();
}

TfrQtPlatformPrinters::~TfrQtPlatformPrinters()
{
    if (frPlatformPrinters() == this)
        frSetPlatformPrinters(nullptr);
}

QStringList TfrQtPlatformPrinters::PrinterNames()
{
    m_names = QPrinterInfo::availablePrinterNames();
    if (m_current.isEmpty() || !m_names.contains(m_current)) {
        const QString fallback = QPrinterInfo::defaultPrinterName();
        if (m_names.contains(fallback))
            selectPrinter(fallback);
        else if (!m_names.isEmpty())
            selectPrinter(m_names.first());
        else
            m_current.clear();
    }
    return m_names;
}

int TfrQtPlatformPrinters::PrinterIndex() { return int(m_names.indexOf(m_current)); }

void TfrQtPlatformPrinters::SetPrinterIndex(int index)
{
    if (index < 0 || index >= m_names.size())
        throw EfrError(QStringLiteral("Printer index %1 is out of range").arg(index));
    if (m_names.at(index) != m_current)
        selectPrinter(m_names.at(index));
}

void TfrQtPlatformPrinters::selectPrinter(const QString &name)
{
    m_current = name;
    m_printer->setPrinterName(name);
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    m_papers.Load(info.supportedPageSizes(), info.supportsCustomPageSizes());
    m_bins.clear();
#ifdef Q_OS_WIN
    // Only Windows tells Qt which paper sources a printer has.
    for (QPrinter::PaperSource source : m_printer->supportedPaperSources()) {
        for (const BinSource &b : kBinSources)
            if (b.source == source) {
                m_bins.push_back({b.bin, QString::fromUtf16(b.name)});
                break;
            }
    }
#endif
}

bool TfrQtPlatformPrinters::GetDeviceMode(TfrDeviceMode &mode)
{
    if (m_current.isEmpty() || !m_printer->isValid() || m_printer->outputFormat() != QPrinter::NativeFormat)
        return false;
    m_papers.GetDeviceMode(*m_printer, !m_bins.empty(), mode);
    return true;
}

void TfrQtPlatformPrinters::SetDeviceMode(const TfrDeviceMode &mode)
{
    if (m_current.isEmpty())
        throw EfrError(QStringLiteral("No printer is selected"));
    m_papers.SetDeviceMode(*m_printer, mode);
}

TfrDeviceCaps TfrQtPlatformPrinters::DeviceCaps()
{
    if (m_current.isEmpty())
        return TfrDeviceCaps();
    return TfrQtPrinterPapers::DeviceCaps(*m_printer);
}

std::vector<TfrPaperItem> TfrQtPlatformPrinters::Papers() { return m_papers.Items(); }

std::vector<TfrBinItem> TfrQtPlatformPrinters::Bins() { return m_bins; }

bool TfrQtPlatformPrinters::Printing() { return m_printer->printerState() == QPrinter::Active; }
