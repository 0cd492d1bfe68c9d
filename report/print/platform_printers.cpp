#include "report/print/platform_printers.h"

#include <QCoreApplication>
#include <QDir>
#include <QPageLayout>
#include <QPainter>
#include <QPrintEngine>
#include <QPrinterInfo>
#include <QTemporaryFile>
#include <algorithm>
#include <cmath>

#include "report/eval/errors.h"
#include "report/eval/strings.h"

#ifdef FR_HAVE_CUPS
#include <cups/cups.h>
#endif

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

QList<QPageSize> TfrQtPrinterPapers::StandardSizes()
{
    QList<QPageSize> sizes;
    std::vector<int> codes;
    for (int id = 0; id <= int(QPageSize::LastPageSize); ++id) {
        const QPageSize size(static_cast<QPageSize::PageSizeId>(id));
        const int code = size.windowsId();
        if (!size.isValid() || code <= 0 || code >= frCustomPaperSize)
            continue;
        if (std::find(codes.begin(), codes.end(), code) != codes.end())
            continue;
        // Keep the list in code order, as a driver lists its papers.
        const auto at = std::upper_bound(codes.begin(), codes.end(), code);
        sizes.insert(at - codes.begin(), size);
        codes.insert(at, code);
    }
    return sizes;
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
    Abort();
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
    const QList<QPageSize> sizes = info.supportedPageSizes();
    if (sizes.isEmpty())
        m_papers.Load(TfrQtPrinterPapers::StandardSizes(), true);
    else
        m_papers.Load(sizes, info.supportsCustomPageSizes());
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

bool TfrQtPlatformPrinters::Printing()
{
    return m_jobPainter != nullptr || m_printer->printerState() == QPrinter::Active;
}

// ---- print jobs ----

namespace {

#ifdef FR_HAVE_CUPS
// Engine property of Qt's CUPS support holding the job options chosen in its print dialog
// as name, value pairs.
constexpr auto kCupsOptionsProperty = QPrintEngine::PrintEnginePropertyKey(0xfe00);

// The media name the print system knows a paper by.
QByteArray cupsMedia(const QPageLayout &layout)
{
    const QPageSize size = layout.pageSize();
    if (size.id() != QPageSize::Custom)
        return size.key().toUtf8();
    const QSizeF mm = size.size(QPageSize::Millimeter);
    return QStringLiteral("Custom.%1x%2mm").arg(mm.width(), 0, 'f', 1).arg(mm.height(), 0, 'f', 1).toUtf8();
}

QByteArray cupsSides(const QPrinter &printer)
{
    switch (printer.duplex()) {
    case QPrinter::DuplexLongSide:
        return "two-sided-long-edge";
    case QPrinter::DuplexShortSide:
        return "two-sided-short-edge";
    case QPrinter::DuplexAuto:
        return printer.pageLayout().orientation() == QPageLayout::Portrait ? "two-sided-long-edge"
                                                                           : "two-sided-short-edge";
    default:
        return "one-sided";
    }
}

// Sends the finished job file to the printer's queue with the printer's settings.
void submitToCups(QPrinter &printer, const QString &queue, const QString &file)
{
    std::vector<std::pair<QByteArray, QByteArray>> options;
    options.emplace_back("media", cupsMedia(printer.pageLayout()));
    options.emplace_back("sides", cupsSides(printer));
    const int copies = std::max(1, printer.copyCount());
    if (copies > 1) {
        options.emplace_back("copies", QByteArray::number(copies));
        options.emplace_back("Collate", printer.collateCopies() ? "True" : "False");
    }
    const QStringList chosen = printer.printEngine()->property(kCupsOptionsProperty).toStringList();
    for (qsizetype i = 0; i + 1 < chosen.size(); i += 2)
        options.emplace_back(chosen.at(i).toUtf8(), chosen.at(i + 1).toUtf8());

    int count = 0;
    cups_option_t *list = nullptr;
    for (const auto &[name, value] : options)
        count = cupsAddOption(name.constData(), value.constData(), count, &list);
    struct FreeOptions {
        int count;
        cups_option_t *list;
        ~FreeOptions() { cupsFreeOptions(count, list); }
    } freeOptions{count, list};

    QFile pdf(file);
    if (!pdf.open(QIODevice::ReadOnly))
        throw EfrError(QStringLiteral("Не удается прочитать файл задания печати: %1").arg(pdf.errorString()));
    // A queue instance ("printer/instance") prints on its printer.
    const QByteArray destination = queue.section(QLatin1Char('/'), 0, 0).toUtf8();
    const QByteArray title = printer.docName().toUtf8();
    auto refused = [&queue] {
        return EfrError(QStringLiteral("Принтер \"%1\" не принял задание: %2")
                            .arg(queue, QString::fromUtf8(cupsLastErrorString())));
    };
    // The job and its one document carry the title (not the spool file's name).
    const int job = cupsCreateJob(CUPS_HTTP_DEFAULT, destination.constData(), title.constData(), count, list);
    if (job <= 0)
        throw refused();
    bool sent = cupsStartDocument(CUPS_HTTP_DEFAULT, destination.constData(), job, title.constData(),
                                  CUPS_FORMAT_PDF, 1) == HTTP_STATUS_CONTINUE;
    QByteArray chunk(64 * 1024, Qt::Uninitialized);
    while (sent) {
        const qint64 n = pdf.read(chunk.data(), chunk.size());
        if (n <= 0) {
            sent = n == 0;
            break;
        }
        sent = cupsWriteRequestData(CUPS_HTTP_DEFAULT, chunk.constData(), size_t(n)) == HTTP_STATUS_CONTINUE;
    }
    // Finishing also ends a failed upload, so the connection stays usable.
    const bool finished = cupsFinishDocument(CUPS_HTTP_DEFAULT, destination.constData()) == IPP_STATUS_OK;
    if (!sent || !finished) {
        const EfrError error = refused();
        cupsCancelJob2(CUPS_HTTP_DEFAULT, destination.constData(), job, 0);
        throw error;
    }
}
#endif

} // namespace

QPainter *TfrQtPlatformPrinters::BeginDoc(const QString &title, int copies)
{
    if (m_current.isEmpty())
        throw EfrError(QStringLiteral("No printer is selected"));
    if (m_jobPainter)
        throw EfrError(QStringLiteral("A print job is already running"));
    m_printer->setDocName(title);
    m_printer->setCopyCount(std::max(1, copies));
    m_printer->setCollateCopies(false);
    // The painter's origin at the printable area's corner, where DeviceCaps puts it.
    m_printer->setFullPage(false);
    QPrinter *target = m_printer.get();
#ifdef FR_HAVE_CUPS
    m_jobFile = std::make_unique<QTemporaryFile>(QDir::temp().filePath(QStringLiteral("fr-print-XXXXXX.pdf")));
    if (!m_jobFile->open()) {
        const QString reason = m_jobFile->errorString();
        m_jobFile.reset();
        throw EfrError(QStringLiteral("Не удается создать файл задания печати: %1").arg(reason));
    }
    m_jobFile->close();
    m_jobPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_jobPrinter->setOutputFormat(QPrinter::PdfFormat);
    m_jobPrinter->setOutputFileName(m_jobFile->fileName());
    m_jobPrinter->setResolution(m_printer->resolution());
    m_jobPrinter->setPageLayout(m_printer->pageLayout());
    m_jobPrinter->setFullPage(false);
    m_jobPrinter->setDocName(title);
    m_jobPrinter->setCreator(QCoreApplication::applicationName());
    target = m_jobPrinter.get();
#endif
    m_jobPainter = std::make_unique<QPainter>();
    if (!m_jobPainter->begin(target)) {
        closeJob();
        throw EfrError(QStringLiteral("Не удается начать печать на принтере \"%1\"").arg(m_current));
    }
    return m_jobPainter.get();
}

void TfrQtPlatformPrinters::NewPage()
{
    if (!m_jobPainter)
        return;
    QPrinter *target = m_jobPrinter ? m_jobPrinter.get() : m_printer.get();
    if (!target->newPage())
        throw EfrError(QStringLiteral("Не удается начать новый лист на принтере \"%1\"").arg(m_current));
}

void TfrQtPlatformPrinters::EndDoc()
{
    if (!m_jobPainter)
        return;
    const bool written = m_jobPainter->end();
    m_jobPainter.reset();
    struct Close {
        TfrQtPlatformPrinters &self;
        ~Close() { self.closeJob(); }
    } close{*this};
    if (!written)
        throw EfrError(QStringLiteral("Печать на принтере \"%1\" не удалась").arg(m_current));
#ifdef FR_HAVE_CUPS
    submitToCups(*m_printer, m_current, m_jobFile->fileName());
#endif
}

void TfrQtPlatformPrinters::Abort()
{
    if (!m_jobPainter)
        return;
    if (!m_jobPrinter)
        m_printer->abort();
    m_jobPainter->end();
    closeJob();
}

void TfrQtPlatformPrinters::closeJob()
{
    m_jobPainter.reset();
    m_jobPrinter.reset();
    m_jobFile.reset(); // removes the job file
}
