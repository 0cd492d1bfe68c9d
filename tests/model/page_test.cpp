// Template pages: paper through the printer service, margin positions, script-visible
// properties, names, the page record, and the report's page list.
#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "report/eval/globals.h"
#include "report/eval/stream.h"
#include "report/eval/ui_hooks.h"
#include "report/model/band.h"
#include "report/model/fr_globals.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/pages.h"
#include "report/model/report.h"
#include "report/print/printer.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

class PageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        frGlobals();
        ASSERT_TRUE(Prn.IsVirtual()) << "these tests run on the virtual printer";
        CurReport = &report;
        DocMode = dmDesigning;
        frVersion = 25;
    }
    void TearDown() override
    {
        CurPage = nullptr;
        CurReport = nullptr;
        DocMode = dmDesigning;
        frVersion = 25;
    }

    TfrReport report;
};

TEST_F(PageTest, NewPageHasTheVirtualPrintersA4)
{
    TfrPage *page = report.Pages.Add();
    EXPECT_EQ(page->pgSize, 9);
    EXPECT_EQ(page->pgWidth, 2100);
    EXPECT_EQ(page->pgHeight, 2970);
    EXPECT_EQ(page->pgOr, poPortrait);
    EXPECT_EQ(page->pgBin, 0xFFFF);
    EXPECT_TRUE(page->Name.isEmpty()) << "named only by CreateUniqueName";
    const TfrPagePrnInfo &i = page->PrnInfo;
    EXPECT_EQ(i.Pgw, 758);
    EXPECT_EQ(i.Pgh, 1071);
    EXPECT_EQ(i.Ofx, 18);
    EXPECT_EQ(i.Ofy, 18);
    EXPECT_EQ(i.Pw, 758 - 36);
    EXPECT_EQ(i.Ph, 1071 - 36);
}

TEST_F(PageTest, MarginPositions)
{
    TfrPage *page = report.Pages.Add();
    struct Row {
        const char *what;
        TfrRect margins;
        bool apply;
        int left, top, right, bottom;
    } rows[] = {
        {"zero margins: the printable area", {0, 0, 0, 0}, true, 18, 18, 18 + 722, 18 + 1035},
        {"own margins", {50, 40, 30, 20}, true, 50, 40, 758 - 30, 1071 - 20},
        {"mixed", {0, 40, 30, 0}, true, 18, 40, 728, 1053},
        {"stretched to the paper", {50, 40, 30, 20}, false, 0, 0, 758, 1071},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        page->pgMargins = row.margins;
        page->applyMargins = row.apply;
        EXPECT_EQ(page->LeftMargin(), row.left);
        EXPECT_EQ(page->TopMargin(), row.top);
        EXPECT_EQ(page->RightMargin(), row.right);
        EXPECT_EQ(page->BottomMargin(), row.bottom);
        EXPECT_EQ(page->LeftOffset(), 0);
    }

    // While printing, a page footer's height comes off the bottom.
    page->pgMargins = {};
    page->applyMargins = true;
    page->Bands[btPageFooter] = std::make_unique<TfrBand>(btPageFooter, page);
    page->Bands[btPageFooter]->Height = 30;
    EXPECT_EQ(page->BottomMargin(), 1053);
    DocMode = dmPrinting;
    EXPECT_EQ(page->BottomMargin(), 1053 - 30);

    // Hostile margins never overflow.
    page->pgMargins = {0, 0, INT_MIN, INT_MIN};
    EXPECT_GT(page->RightMargin(), 0);
}

TEST_F(PageTest, PaperComesFromThePrinter)
{
    TfrPage *page = report.Pages.Add();
    struct Row {
        const char *what;
        int size, width, height, bin, orientation;
        int wantSize, wantWidth, wantHeight, wantBin, wantPrintWidth;
    } rows[] = {
        {"A4 landscape", 9, 0, 0, -1, poLandscape, 9, 2970, 2100, 0xFFFF, 1071},
        {"A3 by code, any size given", 8, 1, 1, 0xFFFF, poPortrait, 8, 2970, 4200, 0xFFFF, 1071},
        {"a code the printer lacks becomes a size of its own", 12345, 1000, 1500, 7, poPortrait, 256, 1000, 1500, 7, 361},
        {"custom size", 256, 1234, 567, -1, poPortrait, 256, 1234, 567, 0xFFFF, 445},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        page->ChangePaper(row.size, row.width, row.height, row.bin, row.orientation);
        EXPECT_EQ(page->pgSize, row.wantSize);
        EXPECT_EQ(page->pgWidth, row.wantWidth);
        EXPECT_EQ(page->pgHeight, row.wantHeight);
        EXPECT_EQ(page->pgBin, row.wantBin);
        EXPECT_EQ(page->pgOr, row.orientation);
        EXPECT_EQ(page->PrnInfo.Pgw, row.wantPrintWidth);
    }
}

TEST_F(PageTest, CustomSizeWithinOneTenthOfAMillimetreIsTheSamePaper)
{
    TfrPage *page = report.Pages.Add();
    page->ChangePaper(256, 1000, 1500, -1, poPortrait);
    page->ChangePaper(256, 1001, 1499, -1, poPortrait);
    EXPECT_EQ(page->pgWidth, 1000) << "within 1: the printer keeps its paper";
    EXPECT_EQ(page->pgHeight, 1500);
    page->ChangePaper(256, 1002, 1500, -1, poPortrait);
    EXPECT_EQ(page->pgWidth, 1002) << "2 apart: another paper";
}

TEST_F(PageTest, ReportPageSizeInScriptUnits)
{
    TfrPage *page = report.Pages.Add();
    EXPECT_EQ(page->GetPropValue(u("Width")).toInteger(), 756);
    EXPECT_EQ(page->GetPropValue(u("height")).toInteger(), 1069);
    page->SetPropValue(u("Width"), TfrVariant(756));
    EXPECT_EQ(page->pgWidth, 2100);
    page->SetPropValue(u("HEIGHT"), TfrVariant(100));
    EXPECT_EQ(page->pgHeight, 278);
    EXPECT_EQ(page->pgSize, 9) << "setting properties does not change the paper";

    page->PageType = ptDialog;
    EXPECT_EQ(page->GetPropValue(u("Width")).toInteger(), 380) << "a dialog's own width";
    page->SetPropValue(u("Width"), TfrVariant(500));
    EXPECT_EQ(page->Width, 500);
    EXPECT_EQ(page->pgHeight, 278);
}

TEST_F(PageTest, PropertiesByName)
{
    TfrPage *page = report.Pages.Add();
    struct Row {
        const char *name;
        TfrVariant value;
    } rows[] = {
        {"Name", TfrVariant(u("Main"))},
        {"Left", TfrVariant(11)},
        {"Top", TfrVariant(12)},
        {"Caption", TfrVariant(u("Окно"))},
        {"Color", TfrVariant(0x00FF00)},
        {"Position", TfrVariant(0)},
        {"BorderStyle", TfrVariant(2)},
        {"Size", TfrVariant(256)},
        {"Orientation", TfrVariant(1)},
        {"PrintToPrevPage", TfrVariant(true)},
        {"StretchToPrintable", TfrVariant(true)},
        {"Columns", TfrVariant(3)},
        {"ColumnGap", TfrVariant(9)},
        {"Visible", TfrVariant(false)},
        {"Type", TfrVariant(1)},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        page->SetPropValue(u(row.name), row.value);
        EXPECT_EQ(page->GetPropValue(u(row.name).toUpper()).toString(), row.value.toString());
    }
    EXPECT_FALSE(page->applyMargins) << "StretchToPrintable is the negation";
    page->SetPropValue(u("ColumnWidth"), TfrVariant(123));
    EXPECT_EQ(page->ColWidth, 123);
    EXPECT_TRUE(page->GetPropValue(u("Nonsense")).isNull());
}

TEST_F(PageTest, MarginPropertiesReadStoredValuesWhileDesigning)
{
    TfrPage *page = report.Pages.Add();
    page->SetPropValue(u("LeftMargin"), TfrVariant(0));
    page->SetPropValue(u("RightMargin"), TfrVariant(30));
    EXPECT_EQ(page->GetPropValue(u("LeftMargin")).toInteger(), 0);
    EXPECT_EQ(page->GetPropValue(u("RightMargin")).toInteger(), 30);
    DocMode = dmPrinting;
    EXPECT_EQ(page->GetPropValue(u("LeftMargin")).toInteger(), 18);
    EXPECT_EQ(page->GetPropValue(u("RightMargin")).toInteger(), 758 - 30);
}

TEST_F(PageTest, PropertyListsDependOnThePageType)
{
    TfrPage *page = report.Pages.Add();
    page->DefineProperties();
    ASSERT_TRUE(page->GetPropRec(u("Size")));
    EXPECT_EQ(page->GetPropRec(u("Size"))->enumNameList->size(), frVirtualPaperCount);
    EXPECT_EQ(page->GetPropRec(u("Size"))->enumValueList->at(8).toInteger(), 9);
    EXPECT_TRUE(page->GetPropRec(u("OnBeforePrint")));
    EXPECT_FALSE(page->GetPropRec(u("Caption")));
    EXPECT_TRUE(page->GetPropRec(u("StretchToPrintable")));

    page->PageType = ptDialog;
    page->DefineProperties();
    EXPECT_FALSE(page->GetPropRec(u("Size")));
    EXPECT_TRUE(page->GetPropRec(u("Caption")));
    ASSERT_TRUE(page->GetPropRec(u("BorderStyle")));
    EXPECT_EQ(page->GetPropRec(u("BorderStyle"))->enumValueList->at(0).toInteger(), 3);
    EXPECT_TRUE(page->GetPropRec(u("OnActivate")));
    EXPECT_TRUE(page->GetPropRec(u("Visible")));
}

TEST_F(PageTest, UniqueNamesTakeTheFirstFreeNumber)
{
    TfrPage *a = report.Pages.Add();
    TfrPage *b = report.Pages.Add();
    TfrPage *c = report.Pages.Add();
    a->CreateUniqueName();
    EXPECT_EQ(a->Name, u("Page1"));
    b->Name = u("page2"); // names compare with case
    c->CreateUniqueName();
    EXPECT_EQ(c->Name, u("Page2"));
    a->Name = u("Other");
    TfrPage *d = report.Pages.Add();
    d->CreateUniqueName();
    EXPECT_EQ(d->Name, u("Page1"));
}

TEST_F(PageTest, ObjectNamesTakeTheFirstFreeNumberOnAnyPage)
{
    TfrPage *first = report.Pages.Add();
    TfrPage *second = report.Pages.Add();
    auto add = [](TfrPage *page, const char *name) {
        auto memo = std::make_unique<TfrMemoView>();
        memo->Name = u(name);
        return page->Add(std::move(memo));
    };
    for (const char *name : {"Memo1", "MEMO3", "Memo02", "Memo"})
        add(first, name);
    for (const char *name : {"Memo2x", "memo4"})
        add(second, name);
    TfrView *fresh = add(second, "");
    fresh->CreateUniqueName();
    EXPECT_EQ(fresh->Name, u("Memo2")) << "names compare without case; Memo02 and Memo2x are other names";
    TfrView *next = add(first, "");
    next->CreateUniqueName();
    EXPECT_EQ(next->Name, u("Memo5"));
}

TEST_F(PageTest, ListOperations)
{
    for (const char *name : {"A", "B", "C", "D"})
        report.Pages.Add()->Name = u(name);
    auto names = [&] {
        QString s;
        for (TfrPage *p : report.Pages)
            s += p->Name;
        return s;
    };
    report.Pages.Move(0, 2);
    EXPECT_EQ(names(), u("BCAD"));
    report.Pages.Move(3, 0);
    EXPECT_EQ(names(), u("DBCA"));
    report.Pages.Move(0, 9);
    report.Pages.Delete(-1);
    EXPECT_EQ(names(), u("DBCA")) << "out of range does nothing";
    report.Pages.Delete(1);
    EXPECT_EQ(names(), u("DCA"));
    EXPECT_EQ(report.Pages.GetPages(3), nullptr);
    EXPECT_EQ(report.Pages.GetPages(-1), nullptr);
    report.Pages.Clear();
    EXPECT_EQ(report.Pages.GetCount(), 0);
}

TEST_F(PageTest, ObjectsAreFoundByNameAndID)
{
    TfrPage *page = report.Pages.Add();
    auto memo = std::make_unique<TfrMemoView>();
    memo->Name = u("Total");
    memo->objectNumber = 4711;
    page->Add(std::move(memo));
    EXPECT_EQ(page->FindObject(u("TOTAL")), page->Objects[0].get());
    EXPECT_EQ(page->FindObject(u("Other")), nullptr);
    EXPECT_EQ(page->FindObjectByID(4711), 0);
    EXPECT_EQ(page->FindObjectByID(1), -1);
    page->Delete(0);
    EXPECT_TRUE(page->Objects.empty());
}

TEST_F(PageTest, RefreshObjectsAlignsViewsOnTheirPages)
{
    TfrPage *page = report.Pages.Add();
    auto memo = std::make_unique<TfrMemoView>();
    memo->SetBounds(300, 10, 50, 20);
    memo->BandAlign = baWidth;
    TfrView *v = page->Add(std::move(memo));
    report.Pages.RefreshObjects();
    EXPECT_EQ(v->Left, page->LeftMargin());
    EXPECT_EQ(v->Width, page->RightMargin() - page->LeftMargin());
}

// ---- with an installed printer ----------------------------------------------------------

// One printer, "Office", at 300 dpi with a 50-pixel unprintable border, offering A4, A3 and
// sizes of its own; it throws for the paper code it is told to refuse.
class OfficePrinter : public TfrPlatformPrinters {
public:
    TfrDeviceMode mode;
    int refusedCode = -2;
    bool failsSelecting = false;

    OfficePrinter()
    {
        mode.fields = TfrDeviceMode::fPaperSize | TfrDeviceMode::fOrientation | TfrDeviceMode::fPaperWidth |
                      TfrDeviceMode::fPaperLength | TfrDeviceMode::fDefaultSource;
        mode.paperSize = 9;
    }
    QStringList PrinterNames() override { return {u("Office")}; }
    int PrinterIndex() override { return 0; }
    void SetPrinterIndex(int) override
    {
        if (failsSelecting)
            throw EfrError(u("printer is offline"));
    }
    bool GetDeviceMode(TfrDeviceMode &m) override
    {
        m = mode;
        return true;
    }
    void SetDeviceMode(const TfrDeviceMode &m) override
    {
        if (m.paperSize == refusedCode)
            throw EfrError(u("paper refused"));
        if (m.paperSize == 8 || m.paperSize == 9 || m.paperSize == 256)
            mode.paperSize = m.paperSize;
        mode.paperWidth = m.paperWidth;
        mode.paperLength = m.paperLength;
        mode.orientation = m.orientation;
    }
    TfrDeviceCaps DeviceCaps() override
    {
        int w = 2100, h = 2970;
        if (mode.paperSize == 8) {
            w = 2970;
            h = 4200;
        } else if (mode.paperSize == 256) {
            w = mode.paperWidth;
            h = mode.paperLength;
        }
        if (mode.orientation == poLandscape && mode.paperSize != 256)
            std::swap(w, h);
        TfrDeviceCaps caps;
        caps.logPixelsX = caps.logPixelsY = 300;
        caps.physicalWidth = qRound(w * 300 / 254.0);
        caps.physicalHeight = qRound(h * 300 / 254.0);
        caps.physicalOffsetX = caps.physicalOffsetY = 50;
        caps.pageWidth = caps.physicalWidth - 100;
        caps.pageHeight = caps.physicalHeight - 100;
        return caps;
    }
    std::vector<TfrPaperItem> Papers() override { return {{9, u("A4")}, {8, u("A3")}, {256, u("Custom")}}; }
    std::vector<TfrBinItem> Bins() override { return {}; }
    bool Printing() override { return false; }
};

class InstalledPrinterTest : public PageTest {
protected:
    void SetUp() override
    {
        PageTest::SetUp();
        frSetPlatformPrinters(&office);
        ASSERT_FALSE(Prn.IsVirtual());
        frUiHooks().MessageBox = [this](const QString &text, const QString &caption, int) {
            messages.append(caption + u(": ") + text);
            return 1;
        };
    }
    void TearDown() override
    {
        frUiHooks().MessageBox = nullptr;
        frSetPlatformPrinters(nullptr);
        PageTest::TearDown();
    }

    OfficePrinter office;
    QStringList messages;
};

TEST_F(InstalledPrinterTest, PageMetricsComeFromThePrinter)
{
    TfrPage *page = report.Pages.Add();
    EXPECT_EQ(page->pgSize, 9);
    EXPECT_EQ(page->PrnInfo.PPgw, 2480);
    EXPECT_EQ(page->PrnInfo.Pgw, 757);
    EXPECT_EQ(page->PrnInfo.Ofx, 15);
    EXPECT_EQ(page->LeftMargin(), 15);
    page->ChangePaper(8, 0, 0, -1, poLandscape);
    EXPECT_EQ(page->pgSize, 8);
    EXPECT_EQ(page->pgWidth, 4200);
    EXPECT_EQ(page->pgHeight, 2970);
}

TEST_F(InstalledPrinterTest, RefusedPaperBecomesASizeOfItsOwn)
{
    office.refusedCode = 300;
    TfrPage *page = report.Pages.Add();
    page->ChangePaper(300, 1000, 1500, 2, poPortrait);
    EXPECT_EQ(page->pgSize, 256);
    EXPECT_EQ(page->pgWidth, 1000);
    EXPECT_EQ(page->pgHeight, 1500);
}

TEST_F(InstalledPrinterTest, TemplatePrinterIsSelectedUnlessTheDefaultIsWanted)
{
    Prn.SetPrinterIndex(Prn.VirtualPrinterIndex());
    report.PrintToDefault = true;
    report.SetPrinterTo(u("Office"));
    EXPECT_TRUE(Prn.IsVirtual());
    EXPECT_EQ(report.PrinterName, u("Office")) << "remembered all the same";

    report.PrintToDefault = false;
    report.SetPrinterTo(u("Nowhere"));
    EXPECT_TRUE(Prn.IsVirtual());
    report.SetPrinterTo(u("Office"));
    EXPECT_EQ(Prn.PrinterIndex(), 0);
}

TEST_F(InstalledPrinterTest, ChangingThePrinterGivesEveryPageItsPaperAgain)
{
    Prn.SetPrinterIndex(Prn.VirtualPrinterIndex());
    TfrPage *a4 = report.Pages.Add();
    TfrPage *a3 = report.Pages.Add();
    a3->ChangePaper(8, 0, 0, -1, poPortrait);
    EXPECT_EQ(a4->PrnInfo.Ofx, 18) << "the virtual printer's border";

    EXPECT_TRUE(report.ChangePrinter(Prn.VirtualPrinterIndex(), 0));
    EXPECT_EQ(report.PrinterName, u("Office"));
    EXPECT_EQ(a4->PrnInfo.Ofx, 15);
    EXPECT_EQ(a3->pgSize, 8);
    EXPECT_EQ(a3->PrnInfo.PPgw, qRound(2970 * 300 / 254.0));
    EXPECT_TRUE(messages.isEmpty());

    // A printer that fails is reported, and the old one comes back.
    Prn.SetPrinterIndex(Prn.VirtualPrinterIndex());
    office.failsSelecting = true;
    EXPECT_FALSE(report.ChangePrinter(Prn.VirtualPrinterIndex(), 0));
    EXPECT_EQ(messages, QStringList{u("Ошибка: Возникли проблемы с настройкой выбранного принтера.")});
    EXPECT_TRUE(Prn.IsVirtual());
    EXPECT_EQ(report.PrinterName, u("Виртуальный принтер"));
    EXPECT_EQ(a4->PrnInfo.Ofx, 18);
}

// ---- the page record -------------------------------------------------------------------

QByteArray pageRecord(TfrPage &page)
{
    TfrStream s;
    page.SaveToStream(s);
    return s.data();
}

TEST_F(PageTest, RecordKeepsEveryField)
{
    TfrPage page(&report, 256, 1500, 1000, 3, poLandscape);
    page.pgMargins = {1, 2, 3, 4};
    page.PrintToPrevPage = true;
    page.applyMargins = false;
    page.Columns = 2;
    page.ColGap = 11;
    page.PageType = ptDialog;
    page.Name = u("Параметры");
    page.BorderStyle = 2;
    page.Caption = u("Выбор");
    page.Color = 0x123456;
    page.Left = 5;
    page.Top = 6;
    page.Width = 7;
    page.Height = 8;
    page.Position = 0;
    page.scriptLines = {u("a"), u("b")};
    const QByteArray bytes = pageRecord(page);
    EXPECT_EQ(bytes.left(4), QByteArray::fromHex("FFFFFFFF"));

    TfrPage back(&report, 9, 0, 0, -1, poPortrait);
    TfrStream s(bytes);
    back.LoadFromStream(s);
    EXPECT_TRUE(s.atEnd());
    EXPECT_EQ(pageRecord(back), bytes);
    EXPECT_EQ(back.pgSize, 256);
    EXPECT_EQ(back.pgWidth, 1500);
    EXPECT_EQ(back.pgBin, 3);
    EXPECT_EQ(back.Caption, u("Выбор"));
    EXPECT_EQ(back.scriptLines, (QStringList{u("a"), u("b")}));
}

TEST_F(PageTest, RecordWithoutMarkerHasNoScript)
{
    TfrPage page(&report, 9, 2100, 2970, -1, poPortrait);
    page.Name = u("Named");
    page.scriptLines = {u("x")};
    QByteArray bytes = pageRecord(page);
    // The same record without the leading -1 and without the script list.
    QByteArray unmarked = bytes.mid(4);
    unmarked.chop(6); // word 1, word 1, "x", 0
    TfrPage back(&report, 9, 0, 0, -1, poPortrait);
    TfrStream s(unmarked);
    back.LoadFromStream(s);
    EXPECT_TRUE(s.atEnd());
    EXPECT_EQ(back.Name, u("Named"));
    EXPECT_TRUE(back.scriptLines.isEmpty());
}

TEST_F(PageTest, Version23RecordHasNoBinNameOrDialog)
{
    frVersion = 23;
    TfrStream s;
    for (qint32 v : {9, 2970, 2100, 5, 6, 7, 8})
        frWriteInteger(s, v);
    frWriteByte(s, 1);          // landscape
    frWriteWordBool(s, true);   // print to previous page
    frWriteWordBool(s, false);  // margins do not apply
    frWriteInteger(s, 2);
    frWriteInteger(s, 9);
    s.seek(0);
    TfrPage *page = report.Pages.Add();
    page->LoadFromStream(s);
    EXPECT_TRUE(s.atEnd());
    EXPECT_EQ(page->pgOr, poLandscape);
    EXPECT_EQ(page->pgWidth, 2970);
    EXPECT_EQ(page->pgMargins, (TfrRect{5, 6, 7, 8}));
    EXPECT_TRUE(page->PrintToPrevPage);
    EXPECT_FALSE(page->applyMargins);
    EXPECT_EQ(page->Columns, 2);
    EXPECT_EQ(page->ColGap, 9);
    EXPECT_EQ(page->pgBin, 0xFFFF);
    EXPECT_EQ(page->Name, u("Page1"));
    EXPECT_EQ(page->Caption, u("Form"));
}

} // namespace
