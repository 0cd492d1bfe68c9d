#include "report/print/printer.h"

#include "report/eval/errors.h"
#include "report/print/print_report.h"

namespace {

// Tenths of a millimetre per inch.
constexpr double kTenthsPerInch = 254.0;

} // namespace

TfrPrinterPropertiesHook frPrinterPropertiesHook;

TfrPrinter::TfrPrinter()
{
    // Usable at once: the virtual printer alone until a platform is set.
    SetPrinter(nullptr);
}

void TfrPrinter::SetPrinter(TfrPlatformPrinters *platform)
{
    m_platform = platform;
    QStringList printers;
    int index = -1;
    if (m_platform) {
        try {
            printers = m_platform->PrinterNames();
            index = m_platform->PrinterIndex();
        } catch (const std::exception &) {
            // A print system that cannot list its printers has none for us.
            printers.clear();
        }
    }
    setPrinterList(std::move(printers));

    if (VirtualPrinterIndex() == 0) {
        selectVirtual();
        return;
    }
    if (index < 0 || index >= VirtualPrinterIndex()) {
        // Printers but no current one: take the first, as the print system would.
        index = 0;
        try {
            m_platform->SetPrinterIndex(index);
        } catch (const std::exception &) {
            selectVirtual();
            return;
        }
    }
    m_printerIndex = index;
    GetSettings();
}

bool TfrPrinter::platformPrinting() { return m_platform && m_platform->Printing(); }

void TfrPrinter::selectPlatformPrinter(int index) { m_platform->SetPrinterIndex(index); }

// Everything is read first and taken over only when the whole read succeeded, so a
// failing driver leaves no half-read printer behind.
bool TfrPrinter::readPlatformSettings()
{
    TfrDeviceMode mode;
    if (!m_platform->GetDeviceMode(mode))
        return false;
    const TfrDeviceCaps caps = m_platform->DeviceCaps();
    if (!caps.valid())
        return false;

    std::vector<int> paperCodes;
    QStringList paperNames;
    for (const TfrPaperItem &paper : m_platform->Papers()) {
        if (int(paperCodes.size()) == MaxPapers)
            break;
        paperCodes.push_back(paper.code);
        paperNames.append(paper.name.left(MaxPaperNameLength));
    }

    std::vector<int> binCodes{-1};
    QStringList binNames{defaultBinName()};
    for (const TfrBinItem &bin : m_platform->Bins()) {
        if (int(binCodes.size()) == MaxBins + 1)
            break;
        binCodes.push_back(bin.code);
        binNames.append(bin.name.left(MaxBinNameLength));
    }

    m_device = Printers().value(PrinterIndex());
    curPaper = mode.paperSize;
    curWidth = frRoundPaperValue(double(caps.physicalWidth) / caps.logPixelsX * kTenthsPerInch);
    curHeight = frRoundPaperValue(double(caps.physicalHeight) / caps.logPixelsY * kTenthsPerInch);
    curBin = mode.has(TfrDeviceMode::fDefaultSource) ? mode.defaultSource : -1;
    curOrientation = mode.orientation == poPortrait ? poPortrait : poLandscape;
    m_paperCodes = std::move(paperCodes);
    m_paperNames = std::move(paperNames);
    m_binCodes = std::move(binCodes);
    m_binNames = std::move(binNames);
    return true;
}

void TfrPrinter::applyPlatformSettings()
{
    TfrDeviceMode mode;
    if (!m_platform->GetDeviceMode(mode)) {
        selectVirtual();
        return;
    }
    constexpr unsigned kSizeFields = TfrDeviceMode::fPaperLength | TfrDeviceMode::fPaperWidth;
    if (curPaper == frCustomPaperSize) {
        mode.fields |= kSizeFields;
        mode.paperLength = curHeight;
        mode.paperWidth = curWidth;
    } else {
        mode.fields &= ~kSizeFields;
    }
    if (mode.has(TfrDeviceMode::fPaperSize))
        mode.paperSize = curPaper;
    if (mode.has(TfrDeviceMode::fOrientation))
        mode.orientation = curOrientation == poLandscape ? poLandscape : poPortrait;
    if (mode.has(TfrDeviceMode::fCopies))
        mode.copies = 1;
    if (mode.has(TfrDeviceMode::fDefaultSource) && curBin != -1)
        mode.defaultSource = curBin;
    m_platform->SetDeviceMode(mode);
    // The driver may have adjusted what it was given.
    GetSettings();
}

bool TfrPrinter::platformPrnInfo(TfrPrnInfo &info)
{
    TfrDeviceCaps caps;
    try {
        caps = m_platform->DeviceCaps();
    } catch (const std::exception &) {
        // A printer that stopped answering is measured as the virtual printer.
        return false;
    }
    if (!caps.valid())
        return false;
    const double kx = frPageUnitsPerInch / caps.logPixelsX;
    const double ky = frPageUnitsPerInch / caps.logPixelsY;
    info.paperWidthPx = caps.physicalWidth;
    info.paperHeightPx = caps.physicalHeight;
    info.offsetXPx = caps.physicalOffsetX;
    info.offsetYPx = caps.physicalOffsetY;
    info.printWidthPx = caps.pageWidth;
    info.printHeightPx = caps.pageHeight;
    info.paperWidthU = frRoundPaperValue(info.paperWidthPx * kx);
    info.paperHeightU = frRoundPaperValue(info.paperHeightPx * ky);
    info.offsetXU = frRoundPaperValue(info.offsetXPx * kx);
    info.offsetYU = frRoundPaperValue(info.offsetYPx * ky);
    info.printWidthU = frRoundPaperValue(info.printWidthPx * kx);
    info.printHeightU = frRoundPaperValue(info.printHeightPx * ky);
    return true;
}

bool TfrPrinter::PropertiesDlg()
{
    if (IsVirtual() || !m_platform || !frPrinterPropertiesHook)
        return false;
    if (!frPrinterPropertiesHook(*m_platform))
        return false;
    GetSettings();
    return true;
}

// ---- process-wide printer ----

TfrPrinter Prn;
bool frThreadDone = false;

namespace {

TfrPlatformPrinters *platformPrinters = nullptr;

void startPrinters()
{
    try {
        Prn.SetPrinter(platformPrinters);
        if (!Prn.IsVirtual()) {
            frDefaultPaper = Prn.curPaper;
        } else {
            Prn.curPaper = -1;
            frDefaultPaper = -1;
        }
    } catch (const std::exception &) {
        // A print system that fails while starting leaves the defaults.
    }
    frThreadDone = true;
}

// Runs when the print library is loaded: the model asks Prn for paper and the engine prints
// through the print run before anything else can ask.
[[maybe_unused]] const bool startedAtLoad = (frSetPaperService(&Prn), frInstallPrintRun(), startPrinters(), true);

} // namespace

void frSetPlatformPrinters(TfrPlatformPrinters *platform)
{
    platformPrinters = platform;
    startPrinters();
}

TfrPlatformPrinters *frPlatformPrinters() { return platformPrinters; }

void TfrPrinter::WaitForStartUp()
{
    if (!frThreadDone)
        frSetPlatformPrinters(platformPrinters);
}

// ---- print jobs ----------------------------------------------------------------------

QPainter *TfrPlatformPrinters::BeginDoc(const QString &, int)
{
    throw EfrError(QStringLiteral("Этот принтер не может печатать"));
}

void TfrPlatformPrinters::NewPage() {}
void TfrPlatformPrinters::EndDoc() {}
void TfrPlatformPrinters::Abort() {}
