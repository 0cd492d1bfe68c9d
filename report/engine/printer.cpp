#include "report/engine/printer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "report/eval/errors.h"
#include "report/eval/strings.h"

namespace {

constexpr int kVirtualPrinterNameId = 55007;
constexpr int kDefaultBinNameId = 55435;

// The virtual printer's fallback and start paper.
constexpr int kA4 = 9;
constexpr int kA4Width = 2100;
constexpr int kA4Height = 2970;

// The virtual printer leaves a 5 mm border all round.
constexpr int kVirtualBorder = 50;

// Tenths of a millimetre per inch.
constexpr double kTenthsPerInch = 254.0;

// Rounds half to even, as the original arithmetic did; values beyond the integer range
// (a corrupt size, a driver reporting nonsense) are clamped instead of overflowing.
qint32 roundToInt(double x)
{
    if (!(x == x))
        return 0;
    const double r = std::nearbyint(x);
    if (r >= double(INT_MAX))
        return INT_MAX;
    if (r <= double(INT_MIN))
        return INT_MIN;
    return qint32(r);
}

qint32 tenthsToUnits(int tenths) { return roundToInt(tenths * frPageUnitsPerInch / kTenthsPerInch); }

// Templates keep the default bin as 0xFFFF; compared as 16 bits it is -1.
int normalBin(int bin) { return (bin & 0xFFFF) == 0xFFFF ? -1 : bin; }

TPrinterOrientation normalOrientation(int orientation)
{
    return orientation == poLandscape ? poLandscape : poPortrait;
}

const TPaperInfo *findVirtualPaper(int code)
{
    for (const TPaperInfo &p : frPaperInfo)
        if (p.code == code)
            return &p;
    return nullptr;
}

} // namespace

const TPaperInfo frPaperInfo[frVirtualPaperCount] = {
    {1, 2159, 2794, 55008},
    {2, 2159, 2794, 55009},
    {3, 2794, 4318, 55010},
    {4, 4318, 2794, 55011},
    {5, 2159, 3556, 55012},
    {6, 1397, 2159, 55013},
    {7, 1842, 2667, 55014},
    {8, 2970, 4200, 55015},
    {9, 2100, 2970, 55016},
    {10, 2100, 2970, 55017},
    {11, 1480, 2100, 55018},
    {12, 2500, 3540, 55019},
    {13, 1820, 2570, 55020},
    {14, 2159, 3302, 55021},
    {15, 2150, 2750, 55022},
    {16, 2540, 3556, 55023},
    {17, 2794, 4318, 55024},
    {18, 2159, 2794, 55025},
    {19, 984, 2254, 55026},
    {20, 1048, 2413, 55027},
    {21, 1143, 2635, 55028},
    {22, 1207, 2794, 55029},
    {23, 1270, 2921, 55030},
    {24, 4318, 5588, 55031},
    {25, 5588, 8636, 55032},
    {26, 8636, 11176, 55033},
    {27, 1100, 2200, 55034},
    {28, 1620, 2290, 55035},
    {29, 3240, 4580, 55036},
    {30, 2290, 3240, 55037},
    {31, 1140, 1620, 55038},
    {32, 1140, 2290, 55039},
    {33, 2500, 3530, 55040},
    {34, 1760, 2500, 55041},
    {35, 1760, 1250, 55042},
    {36, 1100, 2300, 55043},
    {37, 984, 1905, 55044},
    {38, 920, 1651, 55045},
    {39, 3778, 2794, 55046},
    {40, 2159, 3048, 55047},
    {41, 2159, 3302, 55048},
    {42, 2500, 3530, 55049},
    {43, 1000, 1480, 55050},
    {44, 2286, 2794, 55051},
    {45, 2540, 2794, 55052},
    {46, 3810, 2794, 55053},
    {47, 2200, 2200, 55054},
    {50, 2355, 3048, 55055},
    {51, 2355, 3810, 55056},
    {52, 2969, 4572, 55057},
    {53, 2354, 3223, 55058},
    {54, 2101, 2794, 55059},
    {55, 2100, 2970, 55060},
    {56, 2355, 3048, 55061},
    {57, 2270, 3560, 55062},
    {58, 3050, 4870, 55063},
    {59, 2159, 3223, 55064},
    {60, 2100, 3300, 55065},
    {61, 1480, 2100, 55066},
    {62, 1820, 2570, 55067},
    {63, 3220, 4450, 55068},
    {64, 1740, 2350, 55069},
    {65, 2010, 2760, 55070},
    {66, 4200, 5940, 55071},
    {67, 2970, 4200, 55072},
    {68, 3220, 4450, 55073},
    {256, 0, 0, 55074},
};

TfrPrinterPropertiesHook frPrinterPropertiesHook;

TfrPrinter::TfrPrinter()
{
    // Usable at once: the virtual printer alone until a platform is set.
    SetPrinter(nullptr);
}

void TfrPrinter::Localize()
{
    if (!m_printers.isEmpty())
        m_printers.last() = frLoadStr(kVirtualPrinterNameId);
    if (!m_binNames.isEmpty() && !m_binCodes.empty() && m_binCodes.front() == -1)
        m_binNames.first() = frLoadStr(kDefaultBinNameId);
    if (IsVirtual()) {
        m_paperNames.clear();
        for (const TPaperInfo &p : frPaperInfo)
            m_paperNames.append(frLoadStr(p.nameId));
    }
}

void TfrPrinter::SetPrinter(TfrPlatformPrinters *platform)
{
    m_platform = platform;
    m_printers.clear();
    int index = -1;
    if (m_platform) {
        try {
            m_printers = m_platform->PrinterNames();
            index = m_platform->PrinterIndex();
        } catch (const std::exception &) {
            // A print system that cannot list its printers has none for us.
            m_printers.clear();
        }
    }
    m_virtualPrinterIndex = int(m_printers.size());
    m_printers.append(frLoadStr(kVirtualPrinterNameId));

    if (m_virtualPrinterIndex == 0) {
        selectVirtual();
        return;
    }
    if (index < 0 || index >= m_virtualPrinterIndex) {
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

void TfrPrinter::SetPrinterIndex(int index)
{
    if (index < 0 || index >= m_printers.size())
        throw EfrError(QStringLiteral("Printer index %1 is out of range").arg(index));
    if (index == m_printerIndex)
        return;
    m_printerIndex = index;
    if (IsVirtual()) {
        m_device.clear();
        SetSettings();
        return;
    }
    if (!m_platform)
        return;
    try {
        m_platform->SetPrinterIndex(index);
    } catch (const std::exception &) {
        selectVirtual();
        throw;
    }
    GetSettings();
}

void TfrPrinter::selectVirtual()
{
    m_printerIndex = m_virtualPrinterIndex;
    m_device.clear();
    SetSettings();
}

void TfrPrinter::setDefaultBinOnly()
{
    m_binCodes.assign(1, -1);
    m_binNames = QStringList{frLoadStr(kDefaultBinNameId)};
}

void TfrPrinter::GetSettings()
{
    if (IsVirtual() || !m_platform) {
        SetSettings();
        return;
    }
    bool ok = false;
    try {
        ok = readSettings();
    } catch (const std::exception &) {
        ok = false;
    }
    if (!ok)
        selectVirtual();
}

// Everything is read first and taken over only when the whole read succeeded, so a
// failing driver leaves no half-read printer behind.
bool TfrPrinter::readSettings()
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
    QStringList binNames{frLoadStr(kDefaultBinNameId)};
    for (const TfrBinItem &bin : m_platform->Bins()) {
        if (int(binCodes.size()) == MaxBins + 1)
            break;
        binCodes.push_back(bin.code);
        binNames.append(bin.name.left(MaxBinNameLength));
    }

    m_device = m_printers.value(m_printerIndex);
    curPaper = mode.paperSize;
    curWidth = roundToInt(double(caps.physicalWidth) / caps.logPixelsX * kTenthsPerInch);
    curHeight = roundToInt(double(caps.physicalHeight) / caps.logPixelsY * kTenthsPerInch);
    curBin = mode.has(TfrDeviceMode::fDefaultSource) ? mode.defaultSource : -1;
    curOrientation = mode.orientation == poPortrait ? poPortrait : poLandscape;
    m_paperCodes = std::move(paperCodes);
    m_paperNames = std::move(paperNames);
    m_binCodes = std::move(binCodes);
    m_binNames = std::move(binNames);
    return true;
}

void TfrPrinter::SetSettings()
{
    if (IsVirtual() || !m_platform) {
        m_paperCodes.clear();
        m_paperNames.clear();
        for (const TPaperInfo &p : frPaperInfo) {
            m_paperCodes.push_back(p.code);
            m_paperNames.append(frLoadStr(p.nameId));
        }
        setDefaultBinOnly();

        curOrientation = normalOrientation(curOrientation);
        const TPaperInfo *paper = curPaper == frCustomPaperSize ? nullptr : findVirtualPaper(curPaper);
        if (!paper && curPaper != -1 && curWidth > 0 && curHeight > 0) {
            // A size the table lacks (another printer's own paper) stays as a custom sheet.
            curPaper = frCustomPaperSize;
            return;
        }
        if (!paper) {
            // Nothing chosen yet, or no usable size: the virtual printer's own paper.
            paper = findVirtualPaper(kA4);
            curPaper = kA4;
        }
        curWidth = paper->width;
        curHeight = paper->height;
        if (curOrientation == poLandscape)
            std::swap(curWidth, curHeight);
        return;
    }

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
        mode.orientation = normalOrientation(curOrientation);
    if (mode.has(TfrDeviceMode::fCopies))
        mode.copies = 1;
    if (mode.has(TfrDeviceMode::fDefaultSource) && curBin != -1)
        mode.defaultSource = curBin;
    m_platform->SetDeviceMode(mode);
    // The driver may have adjusted what it was given.
    GetSettings();
}

bool TfrPrinter::IsEqual(int size, int width, int height, int bin, TPrinterOrientation orientation) const
{
    // -1: no paper chosen yet, so the next request always goes through.
    if (curPaper == -1 || size != curPaper)
        return false;
    if (normalOrientation(orientation) != curOrientation)
        return false;
    if (size == frCustomPaperSize)
        return std::abs(qint64(width) - curWidth) <= 1 && std::abs(qint64(height) - curHeight) <= 1;
    bin = normalBin(bin);
    return bin == -1 || bin == curBin;
}

void TfrPrinter::SetPrinterInfo(int size, int width, int height, int bin, TPrinterOrientation orientation, bool force)
{
    if (m_platform && m_platform->Printing())
        return;
    if (!force && IsEqual(size, width, height, bin, orientation))
        return;

    const int oldPaper = curPaper, oldWidth = curWidth, oldHeight = curHeight, oldBin = curBin;
    const TPrinterOrientation oldOrientation = curOrientation;
    curPaper = size;
    // No size given: the paper keeps the one it has.
    if (width > 0 && height > 0) {
        curWidth = width;
        curHeight = height;
    }
    curBin = normalBin(bin);
    curOrientation = normalOrientation(orientation);
    try {
        SetSettings();
    } catch (const std::exception &) {
        curPaper = oldPaper;
        curWidth = oldWidth;
        curHeight = oldHeight;
        curBin = oldBin;
        curOrientation = oldOrientation;
        // Whatever the driver took before it failed is what the printer has now.
        if (!IsVirtual() && m_platform)
            GetSettings();
        throw;
    }
}

void TfrPrinter::FillPrnInfo(TfrPrnInfo &info)
{
    TfrDeviceCaps caps;
    if (!IsVirtual() && m_platform) {
        try {
            caps = m_platform->DeviceCaps();
        } catch (const std::exception &) {
            caps = TfrDeviceCaps();
        }
    }
    if (!caps.valid()) {
        // The virtual printer (or a printer that stopped answering): the paper with a
        // fixed border; the pixel fields keep what they had.
        info.paperWidthU = tenthsToUnits(curWidth);
        info.paperHeightU = tenthsToUnits(curHeight);
        info.offsetXU = info.offsetYU = tenthsToUnits(kVirtualBorder);
        info.printWidthU = std::max(0, info.paperWidthU - 2 * info.offsetXU);
        info.printHeightU = std::max(0, info.paperHeightU - 2 * info.offsetYU);
        return;
    }
    const double kx = frPageUnitsPerInch / caps.logPixelsX;
    const double ky = frPageUnitsPerInch / caps.logPixelsY;
    info.paperWidthPx = caps.physicalWidth;
    info.paperHeightPx = caps.physicalHeight;
    info.offsetXPx = caps.physicalOffsetX;
    info.offsetYPx = caps.physicalOffsetY;
    info.printWidthPx = caps.pageWidth;
    info.printHeightPx = caps.pageHeight;
    info.paperWidthU = roundToInt(info.paperWidthPx * kx);
    info.paperHeightU = roundToInt(info.paperHeightPx * ky);
    info.offsetXU = roundToInt(info.offsetXPx * kx);
    info.offsetYU = roundToInt(info.offsetYPx * ky);
    info.printWidthU = roundToInt(info.printWidthPx * kx);
    info.printHeightU = roundToInt(info.printHeightPx * ky);
}

int TfrPrinter::GetSizeIndex(int code) const
{
    const auto it = std::find(m_paperCodes.begin(), m_paperCodes.end(), code);
    if (it != m_paperCodes.end())
        return int(it - m_paperCodes.begin());
    return PaperCount() - 1;
}

int TfrPrinter::GetBinIndex(int bin) const
{
    const auto it = std::find(m_binCodes.begin(), m_binCodes.end(), bin);
    return it != m_binCodes.end() ? int(it - m_binCodes.begin()) : 0;
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
int frDefaultPaper = -1;
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

// Runs when the engine's code is loaded: the virtual printer is there before anything
// can ask for it.
[[maybe_unused]] const bool startedAtLoad = (startPrinters(),
                                             frLocale().AddLocalizeListener([] { Prn.Localize(); }),
                                             true);

} // namespace

void frSetPlatformPrinters(TfrPlatformPrinters *platform)
{
    platformPrinters = platform;
    startPrinters();
}

TfrPlatformPrinters *frPlatformPrinters() { return platformPrinters; }

// ---- print jobs ----------------------------------------------------------------------

QPainter *TfrPlatformPrinters::BeginDoc(const QString &, int)
{
    throw EfrError(QStringLiteral("Этот принтер не может печатать"));
}

void TfrPlatformPrinters::NewPage() {}
void TfrPlatformPrinters::EndDoc() {}
void TfrPlatformPrinters::Abort() {}
