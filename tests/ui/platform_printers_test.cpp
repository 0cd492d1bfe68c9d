// The Qt side of the printer service, run on a PDF printer so no installed printer is
// needed: paper codes, device modes applied to and read from a QPrinter, and the engine's
// printer on top of them.
#include <gtest/gtest.h>

#include <algorithm>

#include <QPrinterInfo>

#include "report/eval/strings.h"
#include "report/print/platform_printers.h"

namespace {

// One "printer" that is a PDF QPrinter with a fixed paper list.
class PdfPrinters : public TfrPlatformPrinters {
public:
    QPrinter printer{QPrinter::HighResolution};
    TfrQtPrinterPapers papers;

    PdfPrinters()
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        papers.Load({QPageSize(QPageSize::A4), QPageSize(QPageSize::Letter), QPageSize(QPageSize::A3)}, true);
    }

    QStringList PrinterNames() override { return {QStringLiteral("PDF")}; }
    int PrinterIndex() override { return 0; }
    void SetPrinterIndex(int) override {}
    bool GetDeviceMode(TfrDeviceMode &mode) override
    {
        papers.GetDeviceMode(printer, false, mode);
        return true;
    }
    void SetDeviceMode(const TfrDeviceMode &mode) override { papers.SetDeviceMode(printer, mode); }
    TfrDeviceCaps DeviceCaps() override { return TfrQtPrinterPapers::DeviceCaps(printer); }
    std::vector<TfrPaperItem> Papers() override { return papers.Items(); }
    std::vector<TfrBinItem> Bins() override { return {}; }
    bool Printing() override { return printer.printerState() == QPrinter::Active; }
};

TEST(QtPrinterPapers, CodesOfADriversPapers)
{
    TfrQtPrinterPapers papers;
    // A0 has no platform code; the second A4 would repeat one.
    papers.Load({QPageSize(QPageSize::A4), QPageSize(QPageSize::A0), QPageSize(QPageSize::Letter),
                 QPageSize(QPageSize::A4), QPageSize()},
                true);
    std::vector<int> codes;
    for (const TfrPaperItem &item : papers.Items())
        codes.push_back(item.code);
    EXPECT_EQ(codes, (std::vector<int>{9, 257, 1, 258, 256}));
    EXPECT_EQ(papers.CodeOf(QPageSize(QPageSize::Letter)), 1);
    EXPECT_EQ(papers.CodeOf(QPageSize(QPageSize::B5)), 256);

    papers.Load({QPageSize(QPageSize::A4)}, false);
    EXPECT_EQ(papers.Items().size(), 1u) << "no custom size entry without custom-size support";
}

TEST(QtPrinterPapers, APrinterWithoutPapersOffersTheStandardOnes)
{
    TfrQtPrinterPapers papers;
    papers.Load(TfrQtPrinterPapers::StandardSizes(), true);
    std::vector<int> codes;
    for (const TfrPaperItem &item : papers.Items())
        codes.push_back(item.code);
    ASSERT_GT(codes.size(), 40u);
    EXPECT_EQ(codes.back(), 256) << "and any size of its own";
    codes.pop_back();
    EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end()));
    EXPECT_EQ(std::adjacent_find(codes.begin(), codes.end()), codes.end()) << "each code once";
    EXPECT_LT(codes.back(), 256) << "every paper has its own platform code";
    for (int code : {1, 5, 8, 9, 11})
        EXPECT_NE(std::find(codes.begin(), codes.end(), code), codes.end()) << code;
    EXPECT_EQ(papers.CodeOf(QPageSize(QPageSize::A4)), 9);
    EXPECT_EQ(papers.CodeOf(QPageSize(QPageSize::Letter)), 1);
}

TEST(QtPrinterPapers, BinsAndPaperSources)
{
    for (int bin = -1; bin <= 20; ++bin) {
        QPrinter::PaperSource source;
        const bool known = frBinToPaperSource(bin, source);
        EXPECT_EQ(known, (bin >= 1 && bin <= 11) || bin == 14 || bin == 15) << "bin " << bin;
        int back = 0;
        if (known) {
            EXPECT_TRUE(frPaperSourceToBin(source, back) && back == bin) << "bin " << bin;
        }
    }
}

TEST(QtPrinterPapers, EnginePrinterOnAQtPrinter)
{
    PdfPrinters pdf;
    TfrPrinter prn;
    prn.SetPrinter(&pdf);
    ASSERT_FALSE(prn.IsVirtual());
    EXPECT_EQ(prn.curPaper, 9);
    EXPECT_EQ(prn.curWidth, 2100) << "read from millimetres, not the rounded point size";
    EXPECT_EQ(prn.curHeight, 2970);
    EXPECT_EQ(prn.PaperCodes(), (std::vector<int>{9, 1, 8, 256}));

    TfrPrnInfo info;
    prn.FillPrnInfo(info);
    EXPECT_EQ(info.paperWidthU, 758);
    EXPECT_EQ(info.paperHeightU, 1071);
    EXPECT_EQ(info.paperWidthPx, pdf.printer.resolution() * 210 * 10 / 254);
    EXPECT_GT(info.offsetXPx, 0);
    EXPECT_EQ(info.printWidthPx, info.paperWidthPx - 2 * info.offsetXPx);

    prn.SetPrinterInfo(8, 0, 0, -1, poLandscape, false);
    EXPECT_EQ(pdf.printer.pageLayout().pageSize().id(), QPageSize::A3);
    EXPECT_EQ(pdf.printer.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(prn.curWidth, 4200);
    EXPECT_EQ(prn.curHeight, 2970);

    prn.SetPrinterInfo(256, 2000, 1500, -1, poLandscape, false);
    EXPECT_EQ(prn.curPaper, 256);
    EXPECT_TRUE(prn.IsEqual(256, 2000, 1500, -1, poLandscape)) << prn.curWidth << " x " << prn.curHeight;
    const QRect full = pdf.printer.pageLayout().fullRectPixels(pdf.printer.resolution());
    EXPECT_GT(full.width(), full.height());

    // A code the printer does not offer leaves its paper.
    prn.SetPrinterInfo(77, 0, 0, -1, poLandscape, false);
    EXPECT_EQ(prn.curPaper, 256);
    EXPECT_EQ(prn.curWidth, 2000);
}

// Holds whatever printers the machine has, none included.
TEST(QtPlatformPrinters, InstalledPrintersThenTheVirtualOne)
{
    {
        TfrQtPlatformPrinters printers;
        frSetPlatformPrinters(&printers);
        const QStringList installed = QPrinterInfo::availablePrinterNames();
        EXPECT_EQ(Prn.Printers(), installed + QStringList{frLoadStr(55007)});
        EXPECT_EQ(Prn.HasPlatformPrinters(), !installed.isEmpty());
        EXPECT_FALSE(printers.Printing());
    }
    EXPECT_EQ(frPlatformPrinters(), nullptr) << "a destroyed platform unregisters itself";
    EXPECT_TRUE(Prn.IsVirtual());
}

} // namespace
