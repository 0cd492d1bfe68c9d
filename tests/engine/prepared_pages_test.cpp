#include "report/engine/prepared_page_model.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <map>

#include "report/engine/prepared_file.h"
#include "report/engine/prepared_pages.h"
#include "report/eval/errors.h"
#include "report/eval/globals.h"
#include "report/eval/stream.h"
#include "report/model/fr_globals.h"
#include "report/model/line_view.h"
#include "report/model/memo_view.h"
#include "report/model/picture_view.h"
#include "report/model/recording_device.h"
#include "report/model/registry.h"
#include "report/model/report.h"
#include "report/print/printer.h"

namespace {

// Two printers whose driver takes any paper and reports it at 300 × 600 dpi with a fixed
// unprintable border.
class TwoPrinters : public TfrPlatformPrinters {
public:
    int current = 0;
    TfrDeviceMode mode;

    TwoPrinters()
    {
        mode.fields = TfrDeviceMode::fPaperSize | TfrDeviceMode::fOrientation | TfrDeviceMode::fDefaultSource;
        mode.paperSize = 9;
    }
    QStringList PrinterNames() override { return {QStringLiteral("Office"), QStringLiteral("Lab")}; }
    int PrinterIndex() override { return current; }
    void SetPrinterIndex(int index) override { current = index; }
    bool GetDeviceMode(TfrDeviceMode &m) override
    {
        m = mode;
        return true;
    }
    void SetDeviceMode(const TfrDeviceMode &m) override
    {
        if (m.has(TfrDeviceMode::fPaperSize))
            mode.paperSize = m.paperSize;
        if (m.has(TfrDeviceMode::fOrientation))
            mode.orientation = m.orientation;
    }
    TfrDeviceCaps DeviceCaps() override
    {
        int w = mode.paperSize == 8 ? 2970 : 2100, h = mode.paperSize == 8 ? 4200 : 2970;
        if (mode.orientation == poLandscape)
            std::swap(w, h);
        TfrDeviceCaps caps;
        caps.logPixelsX = 300;
        caps.logPixelsY = 600;
        caps.physicalWidth = int(std::lround(w / 254.0 * 300));
        caps.physicalHeight = int(std::lround(h / 254.0 * 600));
        caps.physicalOffsetX = caps.physicalOffsetY = 60;
        caps.pageWidth = caps.physicalWidth - 120;
        caps.pageHeight = caps.physicalHeight - 120;
        return caps;
    }
    std::vector<TfrPaperItem> Papers() override { return {{9, QStringLiteral("A4")}, {8, QStringLiteral("A3")}}; }
    std::vector<TfrBinItem> Bins() override { return {{7, QStringLiteral("Tray")}}; }
    bool Printing() override { return false; }
};

class PreparedPagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        frGlobals();
        frSetPlatformPrinters(nullptr);
        report = std::make_unique<TfrReport>();
        templatePage = report->AddPage();
        CurReport = report.get();
        MasterReport = nullptr;
        DocMode = dmPrinting;
        frVersion = 25;
        pages = std::make_unique<TfrEMFPages>(report.get());
    }
    void TearDown() override
    {
        frPreparedPagesEvents() = {};
        pages.reset();
        frSetPlatformPrinters(nullptr);
        CurReport = MasterReport = nullptr;
        CurPage = nullptr;
        CurView = nullptr;
        DocMode = dmDesigning;
        ErrorFlag = false;
        ErrorStr.clear();
        frVersion = 25;
        report.reset();
    }

    // A new prepared page from the template page, metrics measured for its paper.
    TfrPageInfo &newPage(int size = 9, int orientation = 0, int bin = -1, TfrRect margins = {})
    {
        templatePage->pgSize = size;
        templatePage->pgOr = quint8(orientation);
        templatePage->pgBin = bin;
        templatePage->pgMargins = margins;
        Prn.SetPrinterInfo(size, 0, 0, bin, TPrinterOrientation(orientation), true);
        TfrPrnInfo info;
        Prn.FillPrnInfo(info);
        frSetPrnInfo(*templatePage, info);
        pages->Add(*templatePage);
        return (*pages)[pages->Count() - 1];
    }

    // What StreamOut writes: the view's prepared record behind its type byte.
    static void write(TfrPageInfo &page, TfrView &view)
    {
        view.inPreparedPage = true;
        view.WriteTypeAndRecord(page.Stream());
        view.inPreparedPage = false;
    }
    static void writeMemo(TfrPageInfo &page, const QString &name, const QStringList &text, int left,
                          int top, int width = 200, int height = 20, const QString &tag = {})
    {
        TfrMemoView m;
        m.Name = name;
        m.SetBounds(left, top, width, height);
        m.expandedMemo = text;
        m.Tag = tag;
        m.FrameTyp = 15;
        write(page, m);
    }
    static void writeLine(TfrPageInfo &page, int left, int top, int width)
    {
        TfrLineView l;
        l.Name = QStringLiteral("Line1");
        l.SetBounds(left, top, width, 0);
        l.FrameTyp = frftTop; // as a horizontal line draws itself, so repacking keeps it
        write(page, l);
    }
    static void writePicture(TfrPageInfo &page, int left, int top)
    {
        TfrPictureView p;
        p.Name = QStringLiteral("Picture1");
        p.SetBounds(left, top, 40, 30);
        QImage img(4, 3, QImage::Format_RGB32);
        img.fill(Qt::red);
        p.Picture.setImage(pkBitmap, img);
        write(page, p);
    }

    // Three pages: portrait A4, landscape A3 with margins and a bin, portrait A4 with a
    // picture; texts, frames, a line and a link.
    void fillReport()
    {
        TfrPageInfo &a = newPage(9, 0, -1);
        writeMemo(a, QStringLiteral("Memo1"), {QStringLiteral("Журнал"), QStringLiteral("№ 1")}, 40, 40);
        writeLine(a, 40, 70, 300);
        writeMemo(a, QStringLiteral("URLMemo"), {QStringLiteral("next")}, 40, 100, 200, 20, QStringLiteral("@3"));
        TfrPageInfo &b = newPage(8, 1, 7, {10, 20, 30, 40});
        writeMemo(b, QStringLiteral("Memo2"), {QStringLiteral("wide page")}, 500, 60);
        TfrPageInfo &c = newPage(9, 0, -1);
        writePicture(c, 10, 10);
        writeMemo(c, QStringLiteral("Memo3"), {}, 60, 60);
    }

    static QByteArray saved(const TfrEMFPages &list)
    {
        TfrStream s;
        list.SaveToStream(s);
        return s.data();
    }
    // The same file as written on a machine whose printer has that name.
    static QByteArray savedWithPrinter(const TfrEMFPages &list, const QString &printer)
    {
        const QByteArray bytes = saved(list);
        TfrStream in(bytes);
        in.skip(2);
        frReadString(in);
        TfrStream out;
        out.write(bytes.constData(), 2);
        frWriteString(out, printer);
        const qsizetype shift = out.position() - in.position();
        frWriteInteger(out, frReadInteger(in));
        // Page records hold absolute positions: move them by the length difference.
        while (in.remaining() > 1) {
            const qint32 next = frReadInteger(in);
            frWriteInteger(out, qint32(next + shift));
            const qsizetype n = next - in.position();
            out.write(in.take(n), n);
        }
        out.write(in.take(1), 1);
        return out.data();
    }

    std::unique_ptr<TfrReport> report;
    TfrPage *templatePage = nullptr;
    std::unique_ptr<TfrEMFPages> pages;
};

QStringList objectNames(TfrEMFPages &pages, int index)
{
    QStringList names;
    pages.ForEachObject(index, [&](TfrView &v) { names.append(v.Name); });
    return names;
}

// ---- the list --------------------------------------------------------------------------

TEST_F(PreparedPagesTest, PagesTakeTheTemplatePaperAndKeepTheirOrder)
{
    templatePage->pgWidth = 2100;
    templatePage->pgHeight = 2970;
    templatePage->applyMargins = false;
    TfrPageInfo &first = newPage(9, 1, 7, {1, 2, 3, 4});
    EXPECT_EQ(first.paperSize, 9);
    EXPECT_EQ(first.orientation, 1);
    EXPECT_EQ(first.paperBin, 7);
    EXPECT_FALSE(first.applyMargins);
    EXPECT_EQ(first.margins, (TfrRect{1, 2, 3, 4}));
    EXPECT_EQ(first.prnInfo, frPrnInfoOf(*templatePage));
    EXPECT_EQ(first.Stream().data(), QByteArray(1, char(25))) << "a new page holds the version byte only";
    EXPECT_EQ(first.Stream().position(), 1) << "objects are appended after it";

    writeMemo(first, QStringLiteral("A"), {QStringLiteral("a")}, 0, 0);
    newPage();
    writeMemo((*pages)[1], QStringLiteral("C"), {QStringLiteral("c")}, 0, 0);
    templatePage->pgSize = 8;
    pages->Insert(1, *templatePage);
    writeMemo((*pages)[1], QStringLiteral("B"), {QStringLiteral("b")}, 0, 0);
    pages->Insert(99, *templatePage);
    pages->Insert(-5, *templatePage);
    ASSERT_EQ(pages->Count(), 5);
    EXPECT_EQ(objectNames(*pages, 1), QStringList{QStringLiteral("A")});
    EXPECT_EQ(objectNames(*pages, 2), QStringList{QStringLiteral("B")});
    EXPECT_EQ(objectNames(*pages, 3), QStringList{QStringLiteral("C")});
    EXPECT_EQ((*pages)[2].paperSize, 8);

    pages->Delete(0);
    EXPECT_EQ(objectNames(*pages, 0), QStringList{QStringLiteral("A")});
    EXPECT_THROW(pages->GetPages(4), EfrError);
    EXPECT_THROW(pages->Delete(-1), EfrError);

    TfrEMFPages other(nullptr);
    other.AddFrom(*pages);
    EXPECT_EQ(pages->Count(), 0);
    ASSERT_EQ(other.Count(), 4);
    EXPECT_EQ(objectNames(other, 1), QStringList{QStringLiteral("B")});
    other.Clear();
    EXPECT_EQ(other.Count(), 0);
}

TEST_F(PreparedPagesTest, AddFiresBeginPageOfTheCurrentAndTheMasterReport)
{
    std::vector<std::pair<TfrReport *, int>> calls;
    frPreparedPagesEvents().beginPage = [&](TfrReport &r, int n) { calls.emplace_back(&r, n); };
    PageNo = 4;
    pages->Add(*templatePage);
    MasterReport = report.get();
    pages->Add(*templatePage);
    TfrReport master;
    MasterReport = &master;
    pages->Add(*templatePage);
    const std::vector<std::pair<TfrReport *, int>> expected = {
        {report.get(), 4}, {report.get(), 4}, {report.get(), 4}, {&master, 4}};
    EXPECT_EQ(calls, expected);
    MasterReport = nullptr;
    PageNo = 0;
}

TEST_F(PreparedPagesTest, FinishedPagesKeepNoSpareCapacity)
{
    TfrPageInfo &first = newPage();
    for (int i = 0; i < 40; ++i)
        writeMemo(first, QStringLiteral("M%1").arg(i), {QStringLiteral("row %1").arg(i)}, 0, i * 20);
    // A stream with spare room hands out a trimmed copy of its bytes; a trimmed one shares them.
    const QByteArray before = first.Stream().data();
    EXPECT_NE(before.constData(), first.Stream().constData());
    newPage();
    EXPECT_EQ(first.Stream().data(), before);
    EXPECT_EQ(first.Stream().data().constData(), first.Stream().constData());
    EXPECT_EQ(first.Stream().position(), before.size()) << "a cross-tab may still append to it";
    EXPECT_EQ(pages->PackedBytes(), before.size() + 1);
    writeMemo(first, QStringLiteral("More"), {QStringLiteral("x")}, 0, 900);
    EXPECT_EQ(objectNames(*pages, 0).size(), 41);
}

// ---- unpacking and repacking -----------------------------------------------------------

TEST_F(PreparedPagesTest, UnpackGivesLiveObjectsAndRepackIsByteIdentical)
{
    fillReport();
    for (int i = 0; i < pages->Count(); ++i) {
        SCOPED_TRACE(i);
        TfrPageInfo &info = (*pages)[i];
        const QByteArray packed = info.Stream().data();
        pages->ObjectsToPage(i);
        TfrPage *page = pages->Unpacked(i);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->pgSize, info.paperSize);
        EXPECT_EQ(page->pgOr, info.orientation);
        EXPECT_EQ(page->pgMargins, info.margins);
        EXPECT_EQ(frPrnInfoOf(*page), info.prnInfo);
        for (const auto &v : page->Objects)
            EXPECT_FALSE(v->inPreparedPage);
        pages->ObjectsToPage(i); // no-op
        EXPECT_EQ(pages->Unpacked(i), page);

        // A draw wraps the texts into expandedMemo; the record still carries the text.
        info.keepUnpacked = true;
        QImage img(300, 400, QImage::Format_ARGB32_Premultiplied);
        QPainter p(&img);
        pages->Draw(i, &p, QRect(0, 0, 300, 400));
        p.end();
        pages->PageToObjects(i);
        EXPECT_EQ(info.Stream().data(), packed);
        EXPECT_EQ(pages->Unpacked(i), page) << "the unpacked page stays";
    }
    pages->ObjectsToPage(0);
    TfrPage *page = pages->Unpacked(0);
    ASSERT_EQ(page->Objects.size(), 3u);
    auto *memo = dynamic_cast<TfrMemoView *>(page->Objects[0].get());
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->Memo, (QStringList{QStringLiteral("Журнал"), QStringLiteral("№ 1")}));
    EXPECT_EQ(memo->Left, 40);
    EXPECT_EQ(memo->FrameTyp, 15);
    EXPECT_NE(dynamic_cast<TfrLineView *>(page->Objects[1].get()), nullptr);
    auto *picture = dynamic_cast<TfrPictureView *>(pages->Unpacked(2)->Objects[0].get());
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Picture.width(), 4);
}

TEST_F(PreparedPagesTest, RepackWritesEditsAndKeepsTheStreamWhenAnObjectCannotBeWritten)
{
    TfrPageInfo &info = newPage();
    writeMemo(info, QStringLiteral("Memo1"), {QStringLiteral("old")}, 0, 0);
    pages->ObjectsToPage(0);
    TfrView &v = *pages->Unpacked(0)->Objects[0];
    v.Memo = QStringList{QStringLiteral("new")};
    v.Left = 77;
    pages->PageToObjects(0);
    pages->Release(0);
    pages->ObjectsToPage(0);
    EXPECT_EQ(pages->Unpacked(0)->Objects[0]->Memo, QStringList{QStringLiteral("new")});
    EXPECT_EQ(pages->Unpacked(0)->Objects[0]->Left, 77);

    // The designer borrows the unpacked page and gives it back edited.
    std::unique_ptr<TfrPage> lent = pages->TakeUnpacked(0);
    ASSERT_NE(lent, nullptr);
    EXPECT_EQ(pages->Unpacked(0), nullptr);
    lent->Objects[0]->Tag = QStringLiteral("edited");
    pages->PutUnpacked(0, std::move(lent));
    pages->PageToObjects(0);
    std::vector<QString> tags;
    pages->ForEachObject(0, [&](TfrView &view) { tags.push_back(view.Tag); });
    EXPECT_EQ(tags, std::vector<QString>{QStringLiteral("edited")});

    const QByteArray good = info.Stream().data();
    pages->Unpacked(0)->Objects[0]->Memo = QStringList{QString(70000, QLatin1Char('x'))};
    EXPECT_THROW(pages->PageToObjects(0), EfrError);
    EXPECT_EQ(info.Stream().data(), good);
    EXPECT_FALSE(pages->Unpacked(0)->Objects[0]->inPreparedPage);
}

TEST_F(PreparedPagesTest, CorruptPageStreamsRaiseAndStayPacked)
{
    TfrPageInfo &info = newPage();
    writeMemo(info, QStringLiteral("Memo1"), {QStringLiteral("text")}, 0, 0);
    const QByteArray good = info.Stream().data();
    struct Case {
        const char *what;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"empty stream, no version byte", QByteArray()},
        {"truncated record", good.left(good.size() - 3)},
        {"unknown type code", good + QByteArray(1, char(7))},
        {"add-in class that is not registered", good + QByteArray("\x0a\x03\x00Foo\x00", 7)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        info.Stream() = TfrStream(c.bytes);
        EXPECT_THROW(pages->ObjectsToPage(0), EfrError);
        EXPECT_EQ(pages->Unpacked(0), nullptr);
        EXPECT_EQ(CurPage, nullptr) << "no pointer to the discarded page";
        EXPECT_THROW(pages->ExportData(0), EfrError);
    }
    ErrorFlag = false;
    ErrorStr.clear();
    info.Stream() = TfrStream(QByteArray(1, char(25)));
    pages->ObjectsToPage(0);
    EXPECT_TRUE(pages->Unpacked(0)->Objects.empty()) << "the version byte alone is an empty page";
}

TEST_F(PreparedPagesTest, ExportReadsFreshObjectsWithoutUnpacking)
{
    fillReport();
    std::vector<std::pair<QString, bool>> seen;
    report->exportDataHook = [&](TfrView *v) { seen.emplace_back(v->Name, v->inPreparedPage); };
    pages->ExportData(0);
    const std::vector<std::pair<QString, bool>> expected = {
        {QStringLiteral("Memo1"), true}, {QStringLiteral("Line1"), true}, {QStringLiteral("URLMemo"), true}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(pages->Unpacked(0), nullptr);
    EXPECT_EQ((*pages)[0].Stream().position(), (*pages)[0].Stream().size()) << "reading leaves the writer's position";
}

// ---- drawing ---------------------------------------------------------------------------

TEST_F(PreparedPagesTest, DrawMapsThePaperOntoTheRectangleAndReleasesWhenNotKept)
{
    TfrPageInfo &info = newPage();
    writeMemo(info, QStringLiteral("Memo1"), {QStringLiteral("Hello")}, 100, 200, 300, 40);
    writeMemo(info, QStringLiteral("Memo2"), {QStringLiteral("Far")}, 100, 900, 300, 40);
    const int pw = info.prnInfo.paperWidthU;
    ASSERT_GT(pw, 0);

    // Not kept: only releases, draws nothing.
    TfrRecordingDevice device(QSize(2000, 3000));
    {
        QPainter p(&device);
        pages->Draw(0, &p, QRect(0, 0, pw, info.prnInfo.paperHeightU));
    }
    EXPECT_TRUE(device.texts.empty());
    EXPECT_EQ(pages->Unpacked(0), nullptr);

    info.keepUnpacked = true;
    const QRect target(50, 30, pw * 2, info.prnInfo.paperHeightU * 2);
    {
        QPainter p(&device);
        pages->Draw(0, &p, target);
    }
    ASSERT_EQ(device.texts.size(), 2u);
    EXPECT_NEAR(device.texts[0].origin.x(), 50 + 2 * 100, 12);
    EXPECT_NEAR(device.texts[1].origin.y() - device.texts[0].origin.y(), 2 * 700, 4);
    TfrView &v = *pages->Unpacked(0)->Objects[0];
    EXPECT_EQ(v.Left, 100) << "drawing leaves the page-unit geometry";
    EXPECT_DOUBLE_EQ(v.drawScaleX, 2.0);
    EXPECT_EQ(CurPage, pages->Unpacked(0));

    // Objects outside the clip region are skipped on screen.
    device.clear();
    {
        QPainter p(&device);
        p.setClipRect(QRect(0, 0, 2000, 1000));
        pages->Draw(0, &p, target);
    }
    ASSERT_EQ(device.texts.size(), 1u);
    EXPECT_EQ(device.texts[0].text, QStringLiteral("Hello"));

    // The release call of the preview and printing.
    info.keepUnpacked = false;
    pages->Draw(0, nullptr, QRect());
    EXPECT_EQ(pages->Unpacked(0), nullptr);
    EXPECT_EQ(CurPage, nullptr);
}

TEST_F(PreparedPagesTest, AutoWidthTextsAreMeasuredAgainWhenUnpacked)
{
    TfrPageInfo &info = newPage();
    TfrMemoView m;
    m.Name = QStringLiteral("Auto");
    m.SetBounds(10, 10, 1000, 20);
    m.Flags |= flAutoSize;
    m.expandedMemo = QStringList{QStringLiteral("ab")};
    write(info, m);
    DocMode = dmDesigning;
    pages->ObjectsToPage(0);
    const TfrView &v = *pages->Unpacked(0)->Objects[0];
    EXPECT_LT(v.Width, 100);
    EXPECT_GT(v.Width, 0);
    EXPECT_EQ(DocMode, dmDesigning);
}

// ---- hit test --------------------------------------------------------------------------

TEST_F(PreparedPagesTest, ClicksReachTheTopmostObjectAndItsLink)
{
    TfrPageInfo &info = newPage();
    writeMemo(info, QStringLiteral("Under"), {QStringLiteral("u")}, 0, 0, 200, 200);
    writeMemo(info, QStringLiteral("URLWeb"), {QStringLiteral("w")}, 10, 10, 50, 20, QStringLiteral("www.example.org"));
    writeMemo(info, QStringLiteral("URLJump"), {QStringLiteral("j")}, 10, 40, 50, 20, QStringLiteral("Page@5"));
    writeMemo(info, QStringLiteral("URLProgram"), {QStringLiteral("p")}, 10, 70, 50, 20, QStringLiteral("/bin/sh"));
    writeMemo(info, QStringLiteral("URLMail"), {QStringLiteral("m")}, 10, 100, 50, 20, QStringLiteral("clerk@example.org"));

    QStringList opened;
    std::vector<QString> clicked;
    frPreparedPagesEvents().shellOpen = [&](const QString &a) { opened.append(a); };

    QString text = QStringLiteral("stale");
    Qt::CursorShape cursor = Qt::ArrowCursor;
    EXPECT_TRUE(pages->DoClick(0, {20, 15}, text, cursor, true));
    EXPECT_EQ(text, QString());
    EXPECT_EQ(opened, QStringList{QStringLiteral("http://www.example.org")});

    EXPECT_TRUE(pages->DoClick(0, {20, 45}, text, cursor, true));
    EXPECT_EQ(text, QStringLiteral("Page@5"));
    int jump = 0;
    EXPECT_TRUE(frPageJumpTarget(text, jump));
    EXPECT_EQ(jump, 5);

    EXPECT_TRUE(pages->DoClick(0, {20, 75}, text, cursor, true)) << "reacts, but opens nothing";
    EXPECT_TRUE(pages->DoClick(0, {20, 105}, text, cursor, true));
    EXPECT_EQ(opened, (QStringList{QStringLiteral("http://www.example.org"), QStringLiteral("mailto:clerk@example.org")}));

    // A plain object reacts only through the report's event.
    EXPECT_FALSE(pages->DoClick(0, {150, 150}, text, cursor, true));
    frPreparedPagesEvents().objectClick = [&](TfrReport &, TfrView &v) {
        clicked.push_back(v.Name);
        return true;
    };
    EXPECT_TRUE(pages->DoClick(0, {150, 150}, text, cursor, true));
    EXPECT_EQ(clicked, std::vector<QString>{QStringLiteral("Under")});
    EXPECT_FALSE(pages->DoClick(0, {250, 250}, text, cursor, true)) << "nothing there";
    EXPECT_FALSE(pages->DoClick(0, {200, 100}, text, cursor, true)) << "right edge is outside";

    // Moving over a link shows the hand and the address.
    EXPECT_TRUE(pages->DoClick(0, {20, 15}, text, cursor, false));
    EXPECT_EQ(cursor, Qt::PointingHandCursor);
    EXPECT_EQ(text, QStringLiteral("www.example.org"));
    cursor = Qt::ArrowCursor;
    EXPECT_FALSE(pages->DoClick(0, {150, 150}, text, cursor, false));
    EXPECT_EQ(cursor, Qt::ArrowCursor);
}

TEST_F(PreparedPagesTest, ClicksOnAStretchedPageUseThePrintableArea)
{
    templatePage->applyMargins = false;
    TfrPageInfo &info = newPage(9, 0, -1, {20, 30, 20, 30});
    const TfrPrnInfo &m = info.prnInfo;
    writeMemo(info, QStringLiteral("URLx"), {QStringLiteral("x")}, 0, 0, 100, 100, QStringLiteral("@1"));
    const double kx = double(m.printWidthU - 40) / m.paperWidthU;
    const double ky = double(m.printHeightU - 60) / m.paperHeightU;
    const int left = 20 + m.offsetXU, top = 30 + m.offsetYU;
    QString text;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    EXPECT_FALSE(pages->DoClick(0, {left - 1, top + 5}, text, cursor, true));
    EXPECT_TRUE(pages->DoClick(0, {left, top}, text, cursor, true));
    const int right = int(std::nearbyint(100 * kx + left));
    const int bottom = int(std::nearbyint(100 * ky + top));
    EXPECT_TRUE(pages->DoClick(0, {right - 1, bottom - 1}, text, cursor, true));
    EXPECT_FALSE(pages->DoClick(0, {right, bottom - 1}, text, cursor, true));
}

TEST(PreparedAddresses, OnlyWebAndMailAddressesGoToTheShell)
{
    const std::pair<const char *, const char *> rows[] = {
        {"http://example.org/a?b", "http://example.org/a?b"},
        {"HTTPS://example.org", "HTTPS://example.org"},
        {"ftp://files.example.org", "ftp://files.example.org"},
        {"mailto:x@example.org", "mailto:x@example.org"},
        {"  www.example.org ", "http://www.example.org"},
        {"clerk@example.org", "mailto:clerk@example.org"},
        {"http://", ""},
        {"/usr/bin/xterm", ""},
        {"C:\\Windows\\system32\\cmd.exe", ""},
        {"file:///etc/passwd", ""},
        {"javascript:alert(1)", ""},
        {"report.frp", ""},
        {"a@b", ""},
        {"x@example.org/../../evil", ""},
        {"www.example.org && rm -rf", ""},
        {"", ""},
    };
    for (const auto &[tag, address] : rows)
        EXPECT_EQ(frShellAddress(QString::fromUtf8(tag)), QString::fromUtf8(address)) << tag;

    int n = -1;
    EXPECT_TRUE(frPageJumpTarget(QStringLiteral("@12"), n));
    EXPECT_EQ(n, 12);
    EXPECT_FALSE(frPageJumpTarget(QStringLiteral("12"), n));
    EXPECT_FALSE(frPageJumpTarget(QStringLiteral("a@b.org"), n));
    EXPECT_FALSE(frPageJumpTarget(QStringLiteral("page@"), n));
}

// ---- the prepared-report file ------------------------------------------------------------

TEST_F(PreparedPagesTest, FileRoundTripKeepsPapersOrderAndBytes)
{
    fillReport();
    const QByteArray first = saved(*pages);

    // Header: version, flag, printer name, count.
    TfrStream head(first);
    EXPECT_EQ(frReadByte(head), 25);
    EXPECT_EQ(frReadByte(head), 0);
    EXPECT_EQ(frReadString(head), Prn.Printers().value(Prn.PrinterIndex()));
    EXPECT_EQ(frReadInteger(head), 3);
    EXPECT_EQ(quint8(first.back()), 88);

    TfrEMFPages loaded(report.get());
    TfrStream in(first);
    loaded.LoadFromStream(in);
    ASSERT_EQ(loaded.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const TfrPageInfo &a = (*pages)[i];
        const TfrPageInfo &b = loaded[i];
        EXPECT_EQ(b.paperSize, a.paperSize);
        EXPECT_EQ(b.orientation, a.orientation);
        EXPECT_EQ(b.paperBin, a.paperBin);
        EXPECT_EQ(b.applyMargins, a.applyMargins);
        EXPECT_EQ(b.margins, a.margins);
        EXPECT_EQ(b.prnInfo, a.prnInfo);
        EXPECT_EQ(b.StreamData(), a.StreamData());
        EXPECT_EQ(objectNames(loaded, i), objectNames(*pages, i));
    }
    EXPECT_GT(loaded[1].prnInfo.paperWidthU, loaded[1].prnInfo.paperHeightU) << "landscape stays landscape";
    EXPECT_EQ(saved(loaded), first);

    // The same through a file.
    const QString file = QDir::temp().filePath(QStringLiteral("prepared_pages_test.frp"));
    frSavePreparedReport(loaded, file);
    TfrEMFPages again(report.get());
    frLoadPreparedReport(again, file);
    EXPECT_EQ(saved(again), first);
    QFile::remove(file);

    TfrEMFPages empty(report.get());
    const QByteArray none = saved(empty);
    TfrStream s(none);
    loaded.LoadFromStream(s);
    EXPECT_EQ(loaded.Count(), 0) << "loading replaces the pages";
    EXPECT_EQ(none.right(5), QByteArray("\0\0\0\0X", 5)) << "no pages: the mark follows the count";
}

TEST_F(PreparedPagesTest, MissingFileAndCompressedFilesLeaveTheListEmpty)
{
    fillReport();
    EXPECT_THROW(frLoadPreparedReport(*pages, QStringLiteral("/nonexistent/x.frp")), EfrError);
    EXPECT_EQ(pages->Count(), 0);

    fillReport();
    QByteArray bytes = saved(*pages);
    bytes[1] = 1;
    TfrStream s(bytes);
    EXPECT_THROW(pages->LoadFromStream(s), EReadError);
    EXPECT_EQ(pages->Count(), 0);
}

// A compressor that only marks what it handles: files carry the flag 1 and read back.
class MarkingCompressor : public TfrCompressor {
public:
    void Compress(const TfrStream &source, TfrStream &dest) override
    {
        frWriteByte(dest, 0xC0);
        dest.write(source.constData(), source.size());
    }
    void DeCompress(const TfrStream &source, TfrStream &dest) override
    {
        if (source.size() < 1 || quint8(source.constData()[0]) != 0xC0)
            TfrStream::throwReadError();
        dest.write(source.constData() + 1, source.size() - 1);
    }
};

TEST_F(PreparedPagesTest, AnEnabledCompressorPacksThePageData)
{
    fillReport();
    const QByteArray plain = saved(*pages);
    auto saved_ = std::move(frCompressor);
    frCompressor = std::make_unique<MarkingCompressor>();
    frCompressor->Enabled = true;
    const QByteArray packed = saved(*pages);
    EXPECT_EQ(packed[1], 1);
    TfrEMFPages loaded(report.get());
    TfrStream s(packed);
    loaded.LoadFromStream(s);
    frCompressor = std::move(saved_);
    EXPECT_EQ(saved(loaded), plain);
}

TEST_F(PreparedPagesTest, HeaderlessFilesHaveNoBinsOrMargins)
{
    // The first byte is already the flag; each record lacks bin and margins.
    QByteArray page(1, char(25));
    {
        TfrStream s;
        TfrMemoView m;
        m.Name = QStringLiteral("Old");
        m.expandedMemo = QStringList{QStringLiteral("old")};
        m.inPreparedPage = true;
        m.WriteTypeAndRecord(s);
        page += s.data();
    }
    TfrStream f;
    frWriteByte(f, 0);
    frWriteString(f, QStringLiteral("Nowhere"));
    frWriteInteger(f, 1);
    const qsizetype recordStart = f.position();
    frWriteInteger(f, 0);
    frWriteWord(f, 9);
    frWriteInteger(f, 2100);
    frWriteInteger(f, 2970);
    frWriteByte(f, 1);
    frWriteBoolean(f, true);
    f.write(page.constData(), page.size());
    const qsizetype end = f.position();
    f.seek(recordStart);
    frWriteInteger(f, qint32(end));
    f.seek(end);
    frWriteByte(f, 88);

    TfrStream in(f.data());
    pages->LoadFromStream(in);
    ASSERT_EQ(pages->Count(), 1);
    EXPECT_EQ((*pages)[0].paperBin, -1);
    EXPECT_EQ((*pages)[0].margins, TfrRect());
    EXPECT_EQ((*pages)[0].orientation, 1);
    EXPECT_EQ(objectNames(*pages, 0), QStringList{QStringLiteral("Old")});
}

TEST_F(PreparedPagesTest, PictureFilesBecomeOnePictureCoveringThePaper)
{
    const QByteArray metafile("\x01\x00\x00\x00 not really a metafile", 26);
    TfrStream f;
    frWriteMemo(f, {QStringLiteral("Nowhere"), QStringLiteral("ignored")});
    frWriteInteger(f, 2);
    for (int i = 0; i < 2; ++i) {
        const qsizetype recordStart = f.position();
        frWriteInteger(f, 0);
        frWriteWord(f, 9);
        frWriteInteger(f, 2100);
        frWriteInteger(f, 2970);
        frWriteByte(f, quint8(i));
        frWriteBoolean(f, true);
        f.write(metafile.constData(), metafile.size());
        const qsizetype end = f.position();
        f.seek(recordStart);
        frWriteInteger(f, qint32(end));
        f.seek(end);
    }
    const QByteArray bytes = f.data();
    ASSERT_NE(bytes[0], 0) << "the list count makes a flag byte outside 0, 1 and 255";
    TfrStream in(bytes);
    pages->LoadFromStream(in);
    ASSERT_EQ(pages->Count(), 2);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        pages->ObjectsToPage(i);
        const TfrPage *page = pages->Unpacked(i);
        ASSERT_EQ(page->Objects.size(), 1u);
        const auto *picture = dynamic_cast<const TfrPictureView *>(page->Objects[0].get());
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->Picture.kind(), pkMetafile);
        EXPECT_EQ(picture->Picture.data(), metafile);
        EXPECT_EQ(picture->Width, (*pages)[i].prnInfo.paperWidthU);
        EXPECT_EQ(picture->Height, (*pages)[i].prnInfo.paperHeightU);
        EXPECT_EQ((*pages)[i].paperBin, -1);
    }
    EXPECT_GT((*pages)[1].prnInfo.paperWidthU, (*pages)[1].prnInfo.paperHeightU);
}

TEST_F(PreparedPagesTest, AnotherPrinterRecomputesTheMetricsAndSelectsTheNamedPrinter)
{
    fillReport();
    const QByteArray bytes = savedWithPrinter(*pages, QStringLiteral("Elsewhere"));
    TwoPrinters platform;
    frSetPlatformPrinters(&platform);
    ASSERT_EQ(Prn.Printers().value(Prn.PrinterIndex()), QStringLiteral("Office"));

    TfrEMFPages loaded(report.get());
    TfrStream in(bytes);
    loaded.LoadFromStream(in);
    ASSERT_EQ(loaded.Count(), 3);
    const TfrPrnInfo &a4 = loaded[0].prnInfo;
    EXPECT_EQ(a4.paperWidthPx, int(std::lround(2100 / 254.0 * 300)));
    EXPECT_EQ(a4.paperHeightPx, int(std::lround(2970 / 254.0 * 600)));
    EXPECT_EQ(a4.offsetXPx, 60);
    EXPECT_NE(a4, (*pages)[0].prnInfo);
    EXPECT_EQ(loaded[1].prnInfo.paperHeightPx, int(std::lround(2970 / 254.0 * 600))) << "A3 landscape";
    EXPECT_EQ(loaded[0].Stream().data(), (*pages)[0].Stream().data()) << "objects keep their page units";
    EXPECT_EQ(Prn.Printers().value(Prn.PrinterIndex()), QStringLiteral("Office")) << "unknown printer: no change";

    // A file naming an installed printer selects it.
    const QByteArray lab = savedWithPrinter(loaded, QStringLiteral("Lab"));
    TfrStream in2(lab);
    loaded.LoadFromStream(in2);
    EXPECT_EQ(Prn.Printers().value(Prn.PrinterIndex()), QStringLiteral("Lab"));

    // The report decides when it has its own rule.
    QStringList asked;
    frPreparedPagesEvents().setPrinterTo = [&](TfrReport *r, const QString &name) {
        EXPECT_EQ(r, report.get());
        asked.append(name);
    };
    Prn.SetPrinterIndex(0);
    TfrStream in3(lab);
    loaded.LoadFromStream(in3);
    EXPECT_EQ(asked, QStringList{QStringLiteral("Lab")});
    EXPECT_EQ(Prn.PrinterIndex(), 0);
    frSetPlatformPrinters(nullptr);
}

// ---- hostile files -----------------------------------------------------------------------

TEST_F(PreparedPagesTest, EveryTruncationIsAReadErrorAndLeavesNoPages)
{
    fillReport();
    const QByteArray bytes = saved(*pages);
    TfrEMFPages loaded(report.get());
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        TfrStream s(bytes.left(n));
        fillReport();
        loaded.AddFrom(*pages);
        bool failed = false;
        try {
            loaded.LoadFromStream(s);
        } catch (const EfrError &) {
            failed = true;
        }
        ASSERT_TRUE(failed) << "prefix of " << n << " bytes";
        ASSERT_EQ(loaded.Count(), 0) << "prefix of " << n << " bytes";
    }
    TfrStream whole(bytes);
    loaded.LoadFromStream(whole);
    EXPECT_EQ(loaded.Count(), 3);
}

TEST_F(PreparedPagesTest, HostileRecordsAreRefusedQuickly)
{
    fillReport();
    const QByteArray bytes = saved(*pages);
    TfrStream head(bytes);
    frReadByte(head);
    frReadByte(head);
    frReadString(head);
    const qsizetype countAt = head.position();
    const qsizetype firstRecord = countAt + 4;

    auto patched = [&](qsizetype at, qint32 value) {
        QByteArray b = bytes;
        qToLittleEndian(value, b.data() + at);
        return b;
    };
    struct Case {
        const char *what;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"next record points at itself", patched(firstRecord, qint32(firstRecord))},
        {"next record points backwards", patched(firstRecord, 3)},
        {"next record beyond the end", patched(firstRecord, qint32(bytes.size() + 100))},
        {"next record negative", patched(firstRecord, -8)},
        {"huge page count", patched(countAt, 0x7FFFFFFF)},
        {"negative page count", patched(countAt, -1)},
        {"page data cut inside a record", patched(firstRecord, qint32(firstRecord + 45))},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TfrStream s(c.bytes);
        EXPECT_THROW(pages->LoadFromStream(s), EfrError);
        EXPECT_EQ(pages->Count(), 0);
    }
}

// Inputs the fuzzer found, replayed through what the preview and printing do with pages.
TEST_F(PreparedPagesTest, FuzzFindingsLoadDrawAndClickSafely)
{
    struct Finding {
        const char *what;
        const char *base64;
    };
    const Finding findings[] = {
        {"a margin of -2^31 overflowed the right-margin arithmetic of the unpacked page",
        "GQATAMLo8PLz4Ov87fvpIO/w6O3y5fAAAwAAAFMBAAAJADQIAACaCwAAAP////8BAAAAAAAAAAAAAACAAAAAABkABQBNZW1v"
        "MQACACgAAAAoAAAryAAAABQAAAADAA8AAQAAAAAAAAAAAP///x8CAAYAxvPw7eDrDQMAuSAxAAAAAAAAAgAAAAEAAAAABQBB"
        "cmlhbAAKAHdpbmYAAAAAAAAAAMwAAgAAAAAAAAAEBQBMaW5lMQACACgAREZNaW5nLAEAAH8AAAABAAgAAQAAAAAAAAAAAP//"
        "/wAAAAAAAAAAAAIAAAABAAAAAAAHAFVSTE1lbW8AAgAoAAAAZAAAAMgAAAAUAAAAAwAPAAEAAAAAAAAAAAD///8fAQAEAG5l"
        "eHQAAAACAEAzAC8AAAABAAAAAAUAQXJpYWwACgAAAAAAAAAAAAAAAADMAAIAAAAAAAAA4QEAAAgANAgAAJoLAAABBwAAAAEK"
        "AAAAFAAAAB4AAAAoAAAAGQAFAE1lbW8yAAIA9AEAWzwAY3BvcAAAFAAAAAMADwABAAAAAAAAAAAA////HwEACQB3aWRlIHBh"
        "Z2UAAAAAAAACAAAAAQAAAAAFAEFyaWFsAAoAAAAAAAAAAAAAAAAAzAACAAAAAAAAAAUDAAAJADQIAACaCwAAAP////8BAAAA"
        "AAAAAAAAAAAAAAgAABkBCABQaWN0dXJlMQACAAoAAAAKAAAAKAAAAB4AAAAFAAAAAQAAAAAAAAAAAP///x8AAAAAAAAAAAIA"
        "AAABAAAAAAEAogAAAEJNMAAAAAAAAAA2AAAAKAAAAAQAAAADTwAAAQAYAAAAAAAkAAAAxA4AAMQOAAAAAAAAAAAAAAAA/wAA"
        "/wAA/wAA/wAA/wAA/wAA/wAA/wAA/wAA/wAA/wAA/wAFAE1lbW8zAAIAPAAAADwAAADIAAAAFAAAAAMAQAABAAAAAAAAAAAA"
        "////HwAAAAAAAAAAAgAAAAEAAAAABQBBcmlhbAAKAAAAAAAAAAAAAAAAAMwAAgAAAAAAAABY"},
    };
    for (const Finding &f : findings) {
        SCOPED_TRACE(f.what);
        TfrStream in(QByteArray::fromBase64(QByteArray(f.base64)));
        try {
            pages->LoadFromStream(in);
        } catch (const EfrError &) {
            continue;
        }
        QImage image(48, 64, QImage::Format_ARGB32_Premultiplied);
        for (int i = 0; i < pages->Count(); ++i) {
            (*pages)[i].keepUnpacked = true;
            try {
                {
                    QPainter p(&image);
                    pages->Draw(i, &p, image.rect());
                }
                QString text;
                Qt::CursorShape cursor = Qt::ArrowCursor;
                pages->DoClick(i, QPoint(20, 30), text, cursor, true);
                pages->PageToObjects(i);
            } catch (const EfrError &) {
            }
            (*pages)[i].keepUnpacked = false;
            pages->Draw(i, nullptr, QRect());
        }
    }
}

} // namespace
