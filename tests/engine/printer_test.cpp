#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <utility>

#include "report/engine/report_builder.h"
#include "report/eval/errors.h"
#include "report/eval/globals.h"
#include "report/eval/strings.h"
#include "report/model/fr_globals.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "report/print/printer.h"

namespace {

const QString kVirtualName = QStringLiteral("Виртуальный принтер");

// Paper sizes the fake driver knows, portrait, tenths of a millimetre.
const std::map<int, std::pair<int, int>> kFakeSizes = {
    {1, {2159, 2794}}, {8, {2970, 4200}}, {9, {2100, 2970}}, {300, {1000, 1500}}};

struct FakePrinter {
    QString name;
    std::vector<TfrPaperItem> papers;
    std::vector<TfrBinItem> bins;
    TfrDeviceMode mode;
    bool hasMode = true;
    bool failsReading = false;
};

TfrDeviceMode fullMode(int paper)
{
    TfrDeviceMode m;
    m.fields = TfrDeviceMode::fPaperSize | TfrDeviceMode::fOrientation | TfrDeviceMode::fCopies |
               TfrDeviceMode::fDefaultSource;
    m.paperSize = paper;
    m.defaultSource = 7;
    return m;
}

// A print system with a driver that keeps only what it supports, as a real one does.
class FakePlatform : public TfrPlatformPrinters {
public:
    std::vector<FakePrinter> printers;
    int current = 0;
    int dpiX = 600, dpiY = 300, marginX = 100, marginY = 50;
    bool printing = false;
    bool failsSetting = false;
    int setCalls = 0;
    TfrDeviceMode lastSet;

    FakePlatform()
    {
        printers.push_back({QStringLiteral("Office"),
                            {{9, QStringLiteral("A4")}, {1, QStringLiteral("Letter")}, {300, QStringLiteral("Photo")},
                             {256, QStringLiteral("Custom")}},
                            {{1, QStringLiteral("Upper")}, {2, QStringLiteral("Lower")}},
                            fullMode(9)});
        printers.push_back({QStringLiteral("Plotter"), {{8, QStringLiteral("A3")}}, {}, fullMode(8)});
        current = 1;
    }

    FakePrinter &cur() { return printers.at(size_t(current)); }

    QStringList PrinterNames() override
    {
        QStringList names;
        for (const FakePrinter &p : printers)
            names.append(p.name);
        return names;
    }
    int PrinterIndex() override { return printers.empty() ? -1 : current; }
    void SetPrinterIndex(int index) override { current = index; }

    bool GetDeviceMode(TfrDeviceMode &mode) override
    {
        if (cur().failsReading)
            throw EfrError(QStringLiteral("driver failed"));
        if (!cur().hasMode)
            return false;
        mode = cur().mode;
        return true;
    }

    void SetDeviceMode(const TfrDeviceMode &m) override
    {
        ++setCalls;
        lastSet = m;
        if (failsSetting)
            throw EfrError(QStringLiteral("driver failed"));
        TfrDeviceMode &mine = cur().mode;
        const bool offered = std::any_of(cur().papers.begin(), cur().papers.end(),
                                         [&](const TfrPaperItem &p) { return p.code == m.paperSize; });
        if (m.has(TfrDeviceMode::fPaperSize) && offered) {
            mine.paperSize = m.paperSize;
            mine.paperWidth = m.paperWidth;
            mine.paperLength = m.paperLength;
        }
        if (m.has(TfrDeviceMode::fOrientation))
            mine.orientation = m.orientation;
        if (m.has(TfrDeviceMode::fDefaultSource))
            mine.defaultSource = m.defaultSource;
    }

    TfrDeviceCaps DeviceCaps() override
    {
        const TfrDeviceMode &m = cur().mode;
        int w = m.paperWidth, h = m.paperLength;
        if (m.paperSize != frCustomPaperSize) {
            std::tie(w, h) = kFakeSizes.at(m.paperSize);
            if (m.orientation == poLandscape)
                std::swap(w, h);
        }
        TfrDeviceCaps caps;
        caps.logPixelsX = dpiX;
        caps.logPixelsY = dpiY;
        caps.physicalWidth = int(std::lround(w / 254.0 * dpiX));
        caps.physicalHeight = int(std::lround(h / 254.0 * dpiY));
        caps.physicalOffsetX = marginX;
        caps.physicalOffsetY = marginY;
        caps.pageWidth = caps.physicalWidth - 2 * marginX;
        caps.pageHeight = caps.physicalHeight - 2 * marginY;
        return caps;
    }

    std::vector<TfrPaperItem> Papers() override { return cur().papers; }
    std::vector<TfrBinItem> Bins() override { return cur().bins; }
    bool Printing() override { return printing; }
};

// ---- the virtual printer ----

TEST(VirtualPrinter, IsTheOnlyPrinterWithoutAPlatform)
{
    TfrPrinter prn;
    FakePlatform none;
    none.printers.clear();
    for (TfrPlatformPrinters *platform : {static_cast<TfrPlatformPrinters *>(nullptr),
                                          static_cast<TfrPlatformPrinters *>(&none)}) {
        prn.SetPrinter(platform);
        EXPECT_EQ(prn.Printers(), QStringList{kVirtualName});
        EXPECT_TRUE(prn.IsVirtual());
        EXPECT_FALSE(prn.HasPlatformPrinters());
        EXPECT_EQ(prn.PaperCount(), frVirtualPaperCount);
        EXPECT_EQ(prn.BinCodes(), std::vector<int>{-1});
        EXPECT_EQ(prn.BinNames(), QStringList{QStringLiteral("По умолчанию")});
    }
}

TEST(VirtualPrinter, PaperTable)
{
    struct Row {
        int code, width, height;
        const char16_t *name;
        int position;
    };
    const Row rows[] = {
        {1, 2159, 2794, u"Letter, 8 1/2 x 11\"", 0},
        {4, 4318, 2794, u"Ledger, 17 x 11\"", 3},
        {8, 2970, 4200, u"A3 297 x 420 мм", 7},
        {9, 2100, 2970, u"A4 210 x 297 мм", 8},
        {11, 1480, 2100, u"A5 148 x 210 мм", 10},
        {20, 1048, 2413, u"#10 Envelope, 4 1/8  x 9 1/2\"", 19},
        {35, 1760, 1250, u"B6 Envelope,  176 x 125 мм", 34},
        {47, 2200, 2200, u"Envelope Invite 220 x 220 мм", 46},
        {50, 2355, 3048, u"Letter Extra 9/275 x 12\"", 47},
        {53, 2354, 3223, u"A4 Extra 9.27 x 12.69\"", 50},
        {66, 4200, 5940, u"A2 420 x 594 мм", 63},
        {68, 3220, 4450, u"A3 Extra Transverse 322 x 445 мм", 65},
    };
    TfrPrinter prn;
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << "paper " << r.code);
        ASSERT_EQ(prn.GetSizeIndex(r.code), r.position);
        EXPECT_EQ(prn.PaperNames().at(r.position), QString::fromUtf16(r.name));
        prn.SetPrinterInfo(r.code, 0, 0, -1, poPortrait, false);
        EXPECT_EQ(prn.curPaper, r.code);
        EXPECT_EQ(prn.curWidth, r.width);
        EXPECT_EQ(prn.curHeight, r.height);
        prn.SetPrinterInfo(r.code, 0, 0, -1, poLandscape, false);
        EXPECT_EQ(prn.curWidth, r.height);
        EXPECT_EQ(prn.curHeight, r.width);
    }
    EXPECT_EQ(prn.PaperCodes().back(), frCustomPaperSize);
    EXPECT_EQ(prn.PaperNames().back(), QStringLiteral("Другой"));
}

TEST(VirtualPrinter, A4PageMetrics)
{
    TfrPrinter prn;
    prn.SetPrinterInfo(9, 2100, 2970, -1, poPortrait, true);
    TfrPrnInfo info;
    info.paperWidthPx = info.offsetXPx = info.printWidthPx = 7; // not the virtual printer's to set
    prn.FillPrnInfo(info);
    EXPECT_EQ(info.paperWidthU, 758);
    EXPECT_EQ(info.paperHeightU, 1071);
    EXPECT_EQ(info.offsetXU, 18);
    EXPECT_EQ(info.offsetYU, 18);
    EXPECT_EQ(info.printWidthU, 758 - 36);
    EXPECT_EQ(info.printHeightU, 1071 - 36);
    EXPECT_EQ(info.paperWidthPx, 7);
    EXPECT_EQ(info.offsetXPx, 7);
    EXPECT_EQ(info.printWidthPx, 7);

    prn.SetPrinterInfo(9, 0, 0, -1, poLandscape, false);
    prn.FillPrnInfo(info);
    EXPECT_EQ(info.paperWidthU, 1071);
    EXPECT_EQ(info.paperHeightU, 758);
    EXPECT_EQ(info.printWidthU, 1035);
}

TEST(VirtualPrinter, PapersOutsideTheTable)
{
    struct Row {
        const char *what;
        int size, width, height;
        int paper, curWidth, curHeight;
    };
    // Each row starts from A3 portrait.
    const Row rows[] = {
        {"custom size", 256, 1000, 500, 256, 1000, 500},
        {"custom without a size keeps the paper's", 256, 0, 0, 256, 2970, 4200},
        {"negative size keeps the paper's", 256, -5, 700, 256, 2970, 4200},
        {"another printer's paper becomes a custom sheet", 300, 1000, 1500, 256, 1000, 1500},
        {"code missing from the table", 48, 0, 0, 256, 2970, 4200},
        {"no paper chosen: the virtual printer's A4", -1, 0, 0, 9, 2100, 2970},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        TfrPrinter prn;
        prn.SetPrinterInfo(8, 0, 0, -1, poPortrait, false);
        prn.SetPrinterInfo(r.size, r.width, r.height, -1, poPortrait, false);
        EXPECT_EQ(prn.curPaper, r.paper);
        EXPECT_EQ(prn.curWidth, r.curWidth);
        EXPECT_EQ(prn.curHeight, r.curHeight);
    }

    TfrPrinter tiny;
    tiny.SetPrinterInfo(256, 20, 20, -1, poPortrait, false);
    TfrPrnInfo info;
    tiny.FillPrnInfo(info);
    EXPECT_EQ(info.printWidthU, 0) << "a sheet smaller than its border has no printable area";
}

// ---- rules shared by every printer ----

TEST(Printer, IsEqual)
{
    struct Row {
        const char *what;
        int size, width, height, bin;
        TPrinterOrientation orientation;
        bool equal;
    };
    TfrPrinter prn;
    prn.SetPrinterInfo(256, 2000, 2800, -1, poPortrait, false);
    const Row custom[] = {
        {"same", 256, 2000, 2800, -1, poPortrait, true},
        {"width +1", 256, 2001, 2800, -1, poPortrait, true},
        {"width -1, height +1", 256, 1999, 2801, -1, poPortrait, true},
        {"width +2", 256, 2002, 2800, -1, poPortrait, false},
        {"height -2", 256, 2000, 2798, -1, poPortrait, false},
        {"bin does not matter", 256, 2000, 2800, 3, poPortrait, true},
        {"orientation", 256, 2000, 2800, -1, poLandscape, false},
        {"other paper", 9, 2000, 2800, -1, poPortrait, false},
    };
    for (const Row &r : custom)
        EXPECT_EQ(prn.IsEqual(r.size, r.width, r.height, r.bin, r.orientation), r.equal) << "custom: " << r.what;

    prn.SetPrinterInfo(9, 0, 0, 2, poPortrait, false);
    const Row standard[] = {
        {"any bin", 9, 0, 0, -1, poPortrait, true},
        {"same bin", 9, 0, 0, 2, poPortrait, true},
        {"the template's default bin", 9, 0, 0, 0xFFFF, poPortrait, true},
        {"other bin", 9, 0, 0, 3, poPortrait, false},
        {"sizes do not matter", 9, 1, 1, -1, poPortrait, true},
        {"orientation", 9, 0, 0, -1, poLandscape, false},
    };
    for (const Row &r : standard)
        EXPECT_EQ(prn.IsEqual(r.size, r.width, r.height, r.bin, r.orientation), r.equal) << "A4: " << r.what;

    prn.curPaper = -1;
    EXPECT_FALSE(prn.IsEqual(-1, 0, 0, -1, poPortrait)) << "no paper chosen yet forces the next setting";
}

TEST(Printer, SizeAndBinIndex)
{
    TfrPrinter prn;
    const int last = frVirtualPaperCount - 1;
    const std::pair<int, int> sizes[] = {{1, 0}, {9, 8}, {47, 46}, {50, 47}, {256, last},
                                         {48, last}, {-1, last}, {100000, last}};
    for (auto [code, index] : sizes)
        EXPECT_EQ(prn.GetSizeIndex(code), index) << "virtual paper " << code;

    FakePlatform platform;
    platform.current = 0;
    prn.SetPrinter(&platform);
    const std::pair<int, int> bins[] = {{-1, 0}, {1, 1}, {2, 2}, {15, 0}, {0xFFFF, 0}};
    for (auto [bin, index] : bins)
        EXPECT_EQ(prn.GetBinIndex(bin), index) << "bin " << bin;
    EXPECT_EQ(prn.GetSizeIndex(300), 2);
    EXPECT_EQ(prn.GetSizeIndex(8), 3) << "a paper the printer lacks gives its custom size";
}

// ---- real printers, through a fake print system ----

TEST(RealPrinter, ReadsListPapersBinsAndPaper)
{
    FakePlatform platform;
    platform.current = 0;
    platform.printers[0].bins.push_back({11, QString(40, QChar(u'x'))});
    for (int i = 0; i < 70; ++i)
        platform.printers[0].bins.push_back({300 + i, QStringLiteral("Tray")});
    for (int i = 0; i < 300; ++i)
        platform.printers[0].papers.push_back({1000 + i, QString(80, QChar(u'p'))});
    TfrPrinter prn;
    prn.SetPrinter(&platform);

    EXPECT_EQ(prn.Printers(), (QStringList{"Office", "Plotter", kVirtualName}));
    EXPECT_EQ(prn.PrinterIndex(), 0);
    EXPECT_EQ(prn.VirtualPrinterIndex(), 2);
    EXPECT_TRUE(prn.HasPlatformPrinters());
    EXPECT_EQ(prn.DeviceName(), QStringLiteral("Office"));
    EXPECT_EQ(prn.curPaper, 9);
    EXPECT_EQ(prn.curWidth, 2100);
    EXPECT_EQ(prn.curHeight, 2970);
    EXPECT_EQ(prn.curBin, 7);
    EXPECT_EQ(prn.curOrientation, poPortrait);
    EXPECT_EQ(prn.PaperCount(), TfrPrinter::MaxPapers);
    EXPECT_EQ(prn.PaperNames().at(1), QStringLiteral("Letter"));
    EXPECT_EQ(prn.PaperNames().last().size(), TfrPrinter::MaxPaperNameLength);
    EXPECT_EQ(prn.BinCount(), 1 + TfrPrinter::MaxBins);
    EXPECT_EQ(std::vector<int>(prn.BinCodes().begin(), prn.BinCodes().begin() + 4), (std::vector<int>{-1, 1, 2, 11}));
    EXPECT_EQ(prn.BinNames().at(0), QStringLiteral("По умолчанию"));
    EXPECT_EQ(prn.BinNames().at(3).size(), TfrPrinter::MaxBinNameLength);
}

TEST(RealPrinter, PageMetricsFromDeviceCapabilities)
{
    FakePlatform platform; // 600 x 300 dpi, margins 100 and 50 pixels
    platform.current = 0;
    TfrPrinter prn;
    prn.SetPrinter(&platform);
    TfrPrnInfo info;
    prn.FillPrnInfo(info);
    const TfrPrnInfo expected{4961, 3508, 758, 1071, 100, 50, 15, 15, 4761, 3408, 727, 1041};
    EXPECT_EQ(info, expected);
}

TEST(RealPrinter, SettingPaperWritesTheDeviceMode)
{
    FakePlatform platform;
    platform.current = 0;
    TfrPrinter prn;
    prn.SetPrinter(&platform);

    prn.SetPrinterInfo(256, 2000, 1500, -1, poLandscape, false);
    const TfrDeviceMode &sent = platform.lastSet;
    EXPECT_TRUE(sent.has(TfrDeviceMode::fPaperWidth) && sent.has(TfrDeviceMode::fPaperLength));
    EXPECT_EQ(sent.paperSize, 256);
    EXPECT_EQ(sent.paperWidth, 2000);
    EXPECT_EQ(sent.paperLength, 1500);
    EXPECT_EQ(sent.orientation, poLandscape);
    EXPECT_EQ(sent.copies, 1);
    EXPECT_EQ(sent.defaultSource, 7) << "bin -1 leaves the printer's source";
    EXPECT_EQ(prn.curPaper, 256);
    EXPECT_TRUE(prn.IsEqual(256, 2000, 1500, -1, poLandscape)) << "the read-back size must match";

    prn.SetPrinterInfo(1, 0, 0, 2, poPortrait, false);
    EXPECT_FALSE(platform.lastSet.has(TfrDeviceMode::fPaperWidth));
    EXPECT_EQ(platform.lastSet.defaultSource, 2);
    EXPECT_EQ(prn.curPaper, 1);
    EXPECT_EQ(prn.curWidth, 2159);
    EXPECT_EQ(prn.curBin, 2);

    // A driver that does not know the paper keeps its own, and the printer says so.
    prn.SetPrinterInfo(8, 0, 0, -1, poPortrait, false);
    EXPECT_EQ(prn.curPaper, 1);

    // Fields the driver lacks are not written.
    platform.cur().mode.fields &= ~unsigned(TfrDeviceMode::fOrientation);
    prn.SetPrinterInfo(9, 0, 0, -1, poLandscape, false);
    EXPECT_EQ(platform.cur().mode.orientation, poPortrait);
}

TEST(RealPrinter, NothingIsSentWhenEqualOrPrinting)
{
    FakePlatform platform;
    platform.current = 0;
    TfrPrinter prn;
    prn.SetPrinter(&platform);
    const int before = platform.setCalls;
    prn.SetPrinterInfo(9, 0, 0, -1, poPortrait, false);
    EXPECT_EQ(platform.setCalls, before);
    prn.SetPrinterInfo(9, 0, 0, -1, poPortrait, true);
    EXPECT_EQ(platform.setCalls, before + 1);
    platform.printing = true;
    prn.SetPrinterInfo(1, 0, 0, -1, poLandscape, true);
    EXPECT_EQ(platform.setCalls, before + 1);
    EXPECT_EQ(prn.curPaper, 9);
}

TEST(RealPrinter, FailingPrintersGiveWayToTheVirtualPrinter)
{
    for (int variant = 0; variant < 2; ++variant) {
        FakePlatform platform;
        platform.current = 0;
        if (variant == 0)
            platform.printers[0].hasMode = false;
        else
            platform.printers[0].failsReading = true;
        TfrPrinter prn;
        prn.SetPrinter(&platform);
        EXPECT_TRUE(prn.IsVirtual()) << (variant == 0 ? "no device mode" : "driver fails");
        EXPECT_EQ(prn.PrinterIndex(), 2);
        EXPECT_EQ(prn.PaperCount(), frVirtualPaperCount);
        EXPECT_TRUE(prn.DeviceName().isEmpty());
    }

    FakePlatform platform;
    platform.current = 0;
    TfrPrinter prn;
    prn.SetPrinter(&platform);
    platform.failsSetting = true;
    EXPECT_THROW(prn.SetPrinterInfo(1, 0, 0, -1, poLandscape, false), EfrError);
    EXPECT_EQ(prn.curPaper, 9);
    EXPECT_EQ(prn.curOrientation, poPortrait);
    EXPECT_EQ(prn.curWidth, 2100);
}

TEST(RealPrinter, SelectingPrinters)
{
    FakePlatform platform;
    TfrPrinter prn;
    prn.SetPrinter(&platform);
    EXPECT_EQ(prn.PrinterIndex(), 1) << "the print system's current printer";
    EXPECT_EQ(prn.curPaper, 8);

    prn.SetPrinterIndex(2);
    EXPECT_TRUE(prn.IsVirtual());
    EXPECT_EQ(prn.PaperCount(), frVirtualPaperCount);
    EXPECT_EQ(prn.curPaper, 8) << "the virtual printer takes over the paper";
    EXPECT_EQ(prn.curWidth, 2970);

    prn.SetPrinterIndex(0);
    EXPECT_EQ(platform.current, 0);
    EXPECT_EQ(prn.curPaper, 9);
    EXPECT_EQ(prn.PaperCount(), 4);

    for (int bad : {-1, 3})
        EXPECT_THROW(prn.SetPrinterIndex(bad), EfrError) << bad;
    EXPECT_EQ(prn.PrinterIndex(), 0);
    EXPECT_EQ(prn.IndexOfPrinter(QStringLiteral("Plotter")), 1);
    EXPECT_EQ(prn.IndexOfPrinter(QStringLiteral("Nowhere")), -1);
}

TEST(RealPrinter, PropertiesDialogHook)
{
    FakePlatform platform;
    platform.current = 0;
    TfrPrinter prn;
    prn.SetPrinter(&platform);
    EXPECT_FALSE(prn.PropertiesDlg()) << "no dialog installed";

    int shown = 0;
    frPrinterPropertiesHook = [&](TfrPlatformPrinters &p) {
        ++shown;
        static_cast<FakePlatform &>(p).cur().mode.paperSize = 1;
        return true;
    };
    EXPECT_TRUE(prn.PropertiesDlg());
    EXPECT_EQ(prn.curPaper, 1) << "settings are read again after OK";
    prn.SetPrinterIndex(prn.VirtualPrinterIndex());
    EXPECT_FALSE(prn.PropertiesDlg());
    EXPECT_EQ(shown, 1);
    frPrinterPropertiesHook = nullptr;
}

// ---- the process-wide printer ----

TEST(PrinterStartUp, RegisteringAndLosingThePlatform)
{
    FakePlatform platform;
    platform.printers[1].mode.paperSize = 8;
    frSetPlatformPrinters(&platform);
    EXPECT_TRUE(frThreadDone);
    EXPECT_EQ(frPlatformPrinters(), &platform);
    EXPECT_EQ(Prn.Printers().size(), 3);
    EXPECT_EQ(frDefaultPaper, 8);

    platform.printers[1].hasMode = false;
    frSetPlatformPrinters(&platform);
    EXPECT_TRUE(Prn.IsVirtual());
    EXPECT_EQ(frDefaultPaper, -1);
    EXPECT_EQ(Prn.curPaper, -1);

    frSetPlatformPrinters(nullptr);
    EXPECT_EQ(Prn.Printers(), QStringList{kVirtualName});
    EXPECT_EQ(frDefaultPaper, -1);
    // A new page asks for the default paper and gets the virtual printer's A4.
    Prn.SetPrinterInfo(frDefaultPaper, 0, 0, -1, poPortrait, false);
    EXPECT_EQ(Prn.curPaper, 9);
    EXPECT_EQ(Prn.curWidth, 2100);
}

TEST(PrinterStartUp, FollowsTheStringTable)
{
    frLocale().SetOnLocalize([](int id, QString &text) {
        if (id == 55007)
            text = QStringLiteral("Virtual printer");
        else if (id == 55016)
            text = QStringLiteral("A4 sheet");
    });
    EXPECT_EQ(Prn.Printers().last(), QStringLiteral("Virtual printer"));
    EXPECT_EQ(Prn.PaperNames().at(8), QStringLiteral("A4 sheet"));
    frLocale().SetOnLocalize({});
    EXPECT_EQ(Prn.Printers().last(), kVirtualName);
    EXPECT_EQ(Prn.PaperNames().at(8), QStringLiteral("A4 210 x 297 мм"));
}


// ---- the model's paper service and the print library ----

// Templates prepared with and without the print library must come out the same, so the
// model's own virtual printer and the print library's printer without a platform give
// every paper request the same answer.
TEST(PaperService, TheModelsVirtualPrinterIsThePrintersWithoutAPlatform)
{
    TfrPaperService model;
    TfrPrinter printer;
    EXPECT_EQ(model.curPaper, -1) << "nothing chosen before the first page asks";
    EXPECT_EQ(model.Printers(), printer.Printers());
    EXPECT_EQ(model.PaperCodes(), printer.PaperCodes());
    EXPECT_EQ(model.PaperNames(), printer.PaperNames());
    EXPECT_EQ(model.BinNames(), printer.BinNames());
    EXPECT_FALSE(model.HasPlatformPrinters());

    std::vector<std::array<int, 4>> requests; // size, width, height, bin
    for (const TPaperInfo &p : frPaperInfo)
        requests.push_back({p.code, 0, 0, -1});
    requests.insert(requests.end(), {{256, 1000, 500, -1}, {300, 1000, 1500, 3}, {-1, 0, 0, -1}, {48, 0, 0, 0xFFFF},
                                     {256, 20, 20, -1}, {9, 2100, 2970, 7}});
    for (const auto &[size, width, height, bin] : requests) {
        for (TPrinterOrientation orientation : {poPortrait, poLandscape}) {
            SCOPED_TRACE(testing::Message() << "paper " << size << " " << width << "x" << height << " bin " << bin
                                            << " orientation " << orientation);
            model.SetPrinterInfo(size, width, height, bin, orientation, false);
            printer.SetPrinterInfo(size, width, height, bin, orientation, false);
            EXPECT_EQ(model.curPaper, printer.curPaper);
            EXPECT_EQ(model.curWidth, printer.curWidth);
            EXPECT_EQ(model.curHeight, printer.curHeight);
            EXPECT_EQ(model.curOrientation, printer.curOrientation);
            EXPECT_EQ(model.curBin, printer.curBin);
            TfrPrnInfo fromModel, fromPrinter;
            model.FillPrnInfo(fromModel);
            printer.FillPrnInfo(fromPrinter);
            EXPECT_EQ(fromModel, fromPrinter);
        }
    }
}

TEST(PaperService, PagesTakeTheirPaperFromTheInstalledService)
{
    frGlobals();
    EXPECT_EQ(&frPaper(), &Prn) << "the print library installs its printer when it is loaded";

    // A printer of its own with a platform: 600 x 300 dpi, a 100 x 50 pixel border.
    FakePlatform platform;
    platform.current = 0;
    TfrPrinter office;
    office.SetPrinter(&platform);
    TfrPaperService *before = frSetPaperService(&office);
    EXPECT_EQ(before, &Prn);
    {
        TfrReport report;
        TfrPage *page = report.Pages.Add();
        EXPECT_EQ(page->PrnInfo.PPgw, std::lround(2100 / 254.0 * 600));
        EXPECT_EQ(page->PrnInfo.POfy, 50);
        EXPECT_EQ(report.Pages.GetCount(), 1);
    }
    EXPECT_EQ(Prn.PaperCount(), frVirtualPaperCount) << "the process's printer was not asked";

    // Nothing installed: the model's own virtual printer answers.
    frSetPaperService(nullptr);
    EXPECT_NE(&frPaper(), &Prn);
    EXPECT_TRUE(frPaper().IsVirtual());
    {
        TfrReport report;
        TfrPage *page = report.Pages.Add();
        EXPECT_EQ(page->pgSize, 9);
        EXPECT_EQ(page->PrnInfo.Ofx, 18) << "the virtual printer's border";
    }
    EXPECT_EQ(frSetPaperService(before), nullptr);
    EXPECT_EQ(&frPaper(), &Prn);
    CurReport = nullptr;
    CurPage = nullptr;
}

// A platform whose jobs paint on an image and are logged.
class PaintingPlatform : public FakePlatform {
public:
    QImage sheet{100, 140, QImage::Format_RGB32};
    std::unique_ptr<QPainter> painter;
    QStringList log;

    QPainter *BeginDoc(const QString &title, int copies) override
    {
        log.append(QStringLiteral("begin %1 x%2").arg(title).arg(copies));
        painter = std::make_unique<QPainter>(&sheet);
        return painter.get();
    }
    void NewPage() override { log.append(QStringLiteral("page")); }
    void EndDoc() override
    {
        painter.reset();
        log.append(QStringLiteral("end"));
    }
    void Abort() override
    {
        painter.reset();
        log.append(QStringLiteral("abort"));
    }
};

TEST(PrintRun, TheComponentPrintsThroughThePrintLibrary)
{
    ASSERT_TRUE(frPrintRun()) << "installed when the print library is loaded";
    frGlobals();
    frSetPlatformPrinters(nullptr);
    TfrReportBuilder builder;
    builder.ShowProgress = false;
    builder.Title = QStringLiteral("Журнал");
    for (int i = 0; i < 3; ++i)
        builder.Report.Pages.Add();
    ASSERT_TRUE(builder.PrepareReport()) << builder.LastError.toStdString();
    ASSERT_EQ(builder.EMFPages.GetCount(), 3);
    std::vector<int> progress;
    builder.events.OnProgress = [&](int n) { progress.push_back(n); };

    auto refusal = [&]() -> QString {
        try {
            builder.PrintPreparedReport(QString(), 1, true, frAll);
        } catch (const EfrError &e) {
            return e.message();
        }
        return QStringLiteral("printed");
    };
    EXPECT_EQ(refusal(), QStringLiteral("Нет принтера для печати")) << "no platform printer";

    PaintingPlatform platform;
    platform.current = 0;
    frSetPlatformPrinters(&platform);
    {
        // Without the print library's run the component has nothing to print on.
        const TfrPrintRun run = std::exchange(frPrintRun(), nullptr);
        EXPECT_EQ(refusal(), QStringLiteral("Нет принтера для печати"));
        frPrintRun() = run;
    }
    EXPECT_TRUE(platform.log.isEmpty());

    progress.clear();
    builder.PrintPreparedReport(QStringLiteral("3,1"), 2, true, frAll);
    EXPECT_EQ(platform.log, (QStringList{QStringLiteral("begin Журнал x1"), QStringLiteral("page"),
                                         QStringLiteral("page"), QStringLiteral("page"), QStringLiteral("end")}));
    EXPECT_EQ(progress, (std::vector<int>{1, 3, 1, 3})) << "each printed page reaches the component's progress";
    EXPECT_EQ(builder.LastPrintSettings().range, QStringLiteral("3,1"));
    frSetPlatformPrinters(nullptr);
    CurReport = MasterReport = nullptr;
    CurPage = nullptr;
}

} // namespace
