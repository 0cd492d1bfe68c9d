#include "report/model/paper.h"

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

// The virtual printer leaves a 5 mm border all round.
constexpr int kVirtualBorder = 50;

// Tenths of a millimetre per inch.
constexpr double kTenthsPerInch = 254.0;

qint32 tenthsToUnits(int tenths) { return frRoundPaperValue(tenths * frPageUnitsPerInch / kTenthsPerInch); }

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

TfrPaperService *installedService = nullptr;

// The names follow the string table; whichever service is installed is the one shown.
[[maybe_unused]] const bool localizedWithStrings =
    (frLocale().AddLocalizeListener([] { frPaper().Localize(); }), true);

} // namespace

qint32 frRoundPaperValue(double x)
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
int frDefaultPaper = -1;

TfrPaperService &frPaper()
{
    if (installedService)
        return *installedService;
    static TfrPaperService virtualPrinter;
    return virtualPrinter;
}

TfrPaperService *frSetPaperService(TfrPaperService *service)
{
    TfrPaperService *previous = installedService;
    installedService = service;
    return previous;
}

TfrPaperService::TfrPaperService()
{
    setPrinterList({});
    selectVirtual();
    // No paper chosen yet: the first page's request always goes through.
    curPaper = -1;
}

QString TfrPaperService::defaultBinName() { return frLoadStr(kDefaultBinNameId); }

void TfrPaperService::setPrinterList(QStringList platformPrinters)
{
    m_printers = std::move(platformPrinters);
    m_virtualPrinterIndex = int(m_printers.size());
    m_printers.append(frLoadStr(kVirtualPrinterNameId));
}

void TfrPaperService::Localize()
{
    if (!m_printers.isEmpty())
        m_printers.last() = frLoadStr(kVirtualPrinterNameId);
    if (!m_binNames.isEmpty() && !m_binCodes.empty() && m_binCodes.front() == -1)
        m_binNames.first() = defaultBinName();
    if (IsVirtual()) {
        m_paperNames.clear();
        for (const TPaperInfo &p : frPaperInfo)
            m_paperNames.append(frLoadStr(p.nameId));
    }
}

void TfrPaperService::SetPrinterIndex(int index)
{
    if (index < 0 || index >= m_printers.size())
        throw EfrError(QStringLiteral("Printer index %1 is out of range").arg(index));
    if (index == m_printerIndex)
        return;
    m_printerIndex = index;
    if (IsVirtual()) {
        virtualSelected();
        SetSettings();
        return;
    }
    if (!hasPlatform())
        return;
    try {
        selectPlatformPrinter(index);
    } catch (const std::exception &) {
        selectVirtual();
        throw;
    }
    GetSettings();
}

void TfrPaperService::selectVirtual()
{
    m_printerIndex = m_virtualPrinterIndex;
    virtualSelected();
    SetSettings();
}

void TfrPaperService::setDefaultBinOnly()
{
    m_binCodes.assign(1, -1);
    m_binNames = QStringList{defaultBinName()};
}

void TfrPaperService::GetSettings()
{
    if (IsVirtual() || !hasPlatform()) {
        SetSettings();
        return;
    }
    bool ok = false;
    try {
        ok = readPlatformSettings();
    } catch (const std::exception &) {
        ok = false;
    }
    if (!ok)
        selectVirtual();
}

void TfrPaperService::SetSettings()
{
    if (IsVirtual() || !hasPlatform()) {
        useVirtualPapers();
        return;
    }
    applyPlatformSettings();
}

void TfrPaperService::useVirtualPapers()
{
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
}

bool TfrPaperService::IsEqual(int size, int width, int height, int bin, TPrinterOrientation orientation) const
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

void TfrPaperService::SetPrinterInfo(int size, int width, int height, int bin, TPrinterOrientation orientation,
                                     bool force)
{
    if (platformPrinting())
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
        if (!IsVirtual() && hasPlatform())
            GetSettings();
        throw;
    }
}

void TfrPaperService::FillPrnInfo(TfrPrnInfo &info)
{
    if (!IsVirtual() && hasPlatform() && platformPrnInfo(info))
        return;
    // The virtual printer (or a printer that stopped answering): the paper with a fixed
    // border; the pixel fields keep what they had.
    info.paperWidthU = tenthsToUnits(curWidth);
    info.paperHeightU = tenthsToUnits(curHeight);
    info.offsetXU = info.offsetYU = tenthsToUnits(kVirtualBorder);
    info.printWidthU = std::max(0, info.paperWidthU - 2 * info.offsetXU);
    info.printHeightU = std::max(0, info.paperHeightU - 2 * info.offsetYU);
}

int TfrPaperService::GetSizeIndex(int code) const
{
    const auto it = std::find(m_paperCodes.begin(), m_paperCodes.end(), code);
    if (it != m_paperCodes.end())
        return int(it - m_paperCodes.begin());
    return PaperCount() - 1;
}

int TfrPaperService::GetBinIndex(int bin) const
{
    const auto it = std::find(m_binCodes.begin(), m_binCodes.end(), bin);
    return it != m_binCodes.end() ? int(it - m_binCodes.begin()) : 0;
}
