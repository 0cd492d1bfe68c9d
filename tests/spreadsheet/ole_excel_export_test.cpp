// The spreadsheet export filter over prepared pages built object by object: the grid, the
// cells and their formats, merges, page breaks, pictures and the page range, each checked
// on the saved workbook.
#include "export_test_support.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>

#include "export/spreadsheet/excel_constants.h"
#include "report/eval/errors.h"
#include "report/model/registry.h"

namespace {

using namespace export_test;

using FilterTest = ExportTest;

TEST_F(FilterTest, RegistersAsTheWorkbookFormatAndLeavesWhenDestroyed)
{
    auto registered = [this] {
        for (const TfrExportFilterInfo &e : frFilters())
            if (e.filterInstance == filter.get())
                return e;
        return TfrExportFilterInfo();
    };
    EXPECT_EQ(registered().filterDescription, u("Файл Excel (*.xlsx)"));
    EXPECT_EQ(registered().filterMask, u("*.xlsx"));
    TfrOLEExcelExport fresh;
    EXPECT_TRUE(fresh.ShowDialog);
    EXPECT_TRUE(fresh.CellsMerged && fresh.CellsWrapWords && fresh.CellsFillColor && fresh.CellsBorders &&
                fresh.CellsAlign && fresh.PageBreaks && fresh.CellsFontName && fresh.CellsFontSize &&
                fresh.CellsFontStyle && fresh.CellsFontColor && fresh.ExportPictures);
    EXPECT_FALSE(fresh.OpenExcelAfterExport);
    filter.reset();
    for (const TfrExportFilterInfo &e : frFilters())
        EXPECT_NE(e.filterInstance, &fresh) << "one filter of a class is registered";
}

TEST_F(FilterTest, TextsSideBySideWithAGapGiveOneRowAndAnEmptyColumnBetween)
{
    TfrPageInfo &p = newPage();
    // Handed over right to left: the placement sorts them.
    memo(p, 200, 100, 80, 20, {u("Правый")});
    memo(p, 100, 100, 50, 20, {u("Левый")});
    const XSheet s = exportTo();
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    EXPECT_EQ(s.text(1, 1), u("Левый"));
    EXPECT_EQ(s.text(1, 2), QString());
    EXPECT_EQ(s.text(1, 3), u("Правый"));
    EXPECT_TRUE(s.merges.isEmpty());
    EXPECT_EQ(s.rowHeights.size(), 1u) << "one row";
    EXPECT_NEAR(s.rowHeights.at(1), 20 / 1.3, 0.01);
    // Column widths in characters: pixels / 8, the file adding the cell padding.
    EXPECT_NEAR(s.colWidths.at(1) - s.colWidths.at(3), (50 - 80) / 8.0, 0.2);
    EXPECT_NEAR(s.colWidths.at(2), s.colWidths.at(1), 0.01);
}

TEST_F(FilterTest, ReachingTenPixelsPastAColumnEdgeStaysInOneColumnElevenSpansTwo)
{
    TfrPageInfo &p = newPage();
    memo(p, 0, 0, 100, 20, {QStringLiteral("a")});
    memo(p, 0, 20, 110, 20, {QStringLiteral("b")});
    memo(p, 0, 40, 111, 20, {QStringLiteral("c")});
    const XSheet s = exportTo();
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    EXPECT_EQ(s.merges, QStringList{QStringLiteral("A3:B3")});
    EXPECT_EQ(s.text(2, 1), QStringLiteral("b"));
    EXPECT_EQ(s.text(3, 1), QStringLiteral("c"));
}

TEST_F(FilterTest, ALineOfNoWidthBecomesAPictureInItsOwnCell)
{
    TfrPageInfo &p = newPage();
    memo(p, 0, 0, 100, 20, {QStringLiteral("x")});
    line(p, 50, 0, 0, 100);
    const XSheet s = exportTo();
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    ASSERT_EQ(s.pictures.size(), 1u);
    EXPECT_EQ(s.pictures[0].col, 2);
    EXPECT_EQ(s.pictures[0].row, 1);
    EXPECT_LE(s.pictures[0].cx, 12700) << "no width";
    EXPECT_NEAR(s.pictures[0].cy, 100 / 1.5 * 12700, 12700);
    // The text would span both columns, but the picture starts inside its first row.
    EXPECT_TRUE(s.merges.isEmpty());
    EXPECT_EQ(s.text(1, 1), QStringLiteral("x"));
    // The line drew itself into the picture.
    QImage png = QImage::fromData(xlsx_detail::part(path("out.xlsx"), QStringLiteral("xl/media/image1.png")));
    ASSERT_FALSE(png.isNull());
    EXPECT_EQ(png.size(), QSize(1, 101));
    EXPECT_LT(qGray(png.pixel(0, 50)), 128);
}

TEST_F(FilterTest, PicturesAreDrawnByTheirOwnObject)
{
    TfrPageInfo &p = newPage();
    TfrPictureView pv;
    pv.Name = QStringLiteral("Picture1");
    pv.SetBounds(30, 40, 60, 45);
    QImage img(6, 4, QImage::Format_RGB32);
    img.fill(Qt::red);
    pv.Picture.setImage(pkBitmap, img);
    write(p, pv);
    const XSheet s = exportTo();
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    ASSERT_EQ(s.pictures.size(), 1u);
    EXPECT_NEAR(s.pictures[0].cx, 60 / 1.5 * 12700, 12700);
    EXPECT_NEAR(s.pictures[0].cy, 45 / 1.5 * 12700, 12700);
    QImage png = QImage::fromData(xlsx_detail::part(path("out.xlsx"), QStringLiteral("xl/media/image1.png")));
    ASSERT_EQ(png.size(), QSize(61, 46));
    EXPECT_EQ(QColor(png.pixel(30, 22)), QColor(Qt::red));
}

TEST_F(FilterTest, PageRangeChoosesThePagesANamelessRangeNoneAnEmptyRangeAll)
{
    for (int i = 1; i <= 12; ++i)
        memo(newPage(), 0, 0, 100, 20, {QStringLiteral("Page %1").arg(i)});
    const struct {
        const char *range;
        std::vector<int> pages;
    } rows[] = {
        {"1,3,5-12", {1, 3, 5, 6, 7, 8, 9, 10, 11, 12}},
        {" 2 - 4 ", {2, 3, 4}},
        {"11-", {11, 12}},
        {"5-3", {}},
        {"40", {}},
        {"", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
    };
    int n = 0;
    for (const auto &r : rows) {
        filter->PageRange = QString::fromLatin1(r.range);
        const QByteArray name = QByteArray("range") + QByteArray::number(++n) + ".xlsx";
        const XSheet s = exportTo(name.constData());
        ASSERT_TRUE(s.ok) << r.range << ": " << s.error.toStdString();
        std::vector<int> pages;
        for (int row = 1; row <= s.maxRow; ++row)
            if (s.text(row, 1).startsWith(QLatin1String("Page ")))
                pages.push_back(s.text(row, 1).mid(5).toInt());
        EXPECT_EQ(pages, r.pages) << r.range;
    }
    filter->PageRange = QStringLiteral("1;3");
    EXPECT_THROW(builder->ExportTo(*filter, path("bad.xlsx")), EConvertError);
    EXPECT_FALSE(QFile::exists(path("bad.xlsx"))) << "nothing is exported";
}

TEST_F(FilterTest, NumbersStayNumbersExceptWhatTheSheetWouldMisreadAsOne)
{
    TfrPageInfo &p = newPage();
    const char *texts[] = {"3.14", "10.01.09", "12", "3,5", "-7", "1 234", "0012345678901234567"};
    for (int i = 0; i < 7; ++i)
        memo(p, i * 100, 0, 100, 20, {QString::fromUtf8(texts[i])});
    const XSheet s = exportTo();
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    EXPECT_EQ(s.style(1, 1).numFmt, QStringLiteral("@"));
    EXPECT_EQ(s.text(1, 1), QStringLiteral("3.14"));
    EXPECT_FALSE(s.cell(1, 1)->isNumber);
    EXPECT_NE(s.style(1, 2).numFmt, QStringLiteral("@")) << "a date still holds a point after the replacement";
    EXPECT_FALSE(s.cell(1, 2)->isNumber);
    EXPECT_EQ(s.text(1, 2), QStringLiteral("10.01.09"));
    const struct {
        int col;
        double value;
    } numbers[] = {{3, 12}, {4, 3.5}, {5, -7}};
    for (const auto &n : numbers) {
        ASSERT_TRUE(s.cell(1, n.col) && s.cell(1, n.col)->isNumber) << n.col;
        EXPECT_DOUBLE_EQ(s.cell(1, n.col)->number, n.value);
    }
    EXPECT_FALSE(s.cell(1, 6)->isNumber);
    EXPECT_FALSE(s.cell(1, 7)->isNumber) << "a number that long would lose digits";
    EXPECT_EQ(s.text(1, 7), QStringLiteral("0012345678901234567"));
}

TEST(FilterTexts, CleanReturnsDropsReturnsMarksAndTrailingLineFeeds)
{
    const QChar mark(1);
    const struct {
        QString in, out;
    } rows[] = {
        {u("a\r\nb\r\n"), u("a\nb")},
        {u("a") + mark + u("\r\n\r\n\n"), u("a")},
        {u("a\n\nb"), u("a\n\nb")},
        {u("\r\n"), QString()},
        {u("x\ry"), u("xy")},
        {QString(), QString()},
    };
    for (const auto &r : rows)
        EXPECT_EQ(TfrOLEExcelExport::CleanReturns(r.in), r.out) << r.in.toStdString();
}

TEST_F(FilterTest, TrailingLineBreaksGoInnerOnesStay)
{
    TfrPageInfo &p = newPage();
    memo(p, 0, 0, 100, 40, {u("первая"), u("вторая"), QString()});
    memo(p, 100, 0, 100, 40, {}, [](TfrMemoView &m) {
        // Lines of one wrapped paragraph: only the last ends it.
        m.expandedMemo = {u("Письмо о"), u("поставках") + QChar(frParagraphMark)};
    });
    const XSheet s = exportTo();
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    EXPECT_EQ(s.text(1, 1), u("первая\nвторая"));
    EXPECT_EQ(s.text(1, 2), u("Письмо о\nпоставках"));
    EXPECT_TRUE(s.style(1, 1).wrap);
}

TEST_F(FilterTest, PagesStackAndBreakTwoRowsBelowWhereEachPageEnded)
{
    memo(newPage(), 0, 100, 100, 50, {QStringLiteral("p1")});
    memo(newPage(), 0, 100, 100, 50, {QStringLiteral("p2")});
    XSheet s = exportTo();
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    EXPECT_EQ(s.text(1, 1), QStringLiteral("p1"));
    // The second page's object starts 100 pixels below the first page's lowest bottom.
    EXPECT_EQ(s.text(3, 1), QStringLiteral("p2"));
    EXPECT_NEAR(s.rowHeights.at(2), 100 / 1.3, 0.01);
    // Breaks above rows 3 and 5: row 1 and row 3 end the two pages.
    EXPECT_EQ(s.breaks, (std::vector<int>{2, 4}));

    filter->PageBreaks = false;
    s = exportTo("nobreaks.xlsx");
    EXPECT_TRUE(s.breaks.empty());
}

TEST_F(FilterTest, APageThatAddsNothingDoesNotHoldBackLaterBreaks)
{
    memo(newPage(), 0, 100, 100, 50, {QStringLiteral("p1")});
    newPage();
    memo(newPage(), 0, 100, 100, 50, {QStringLiteral("p3")});
    const XSheet s = exportTo();
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    EXPECT_EQ(s.breaks, (std::vector<int>{2, 4}));
}

TEST_F(FilterTest, GapsHigherThanARowAreSplitIntoRowsTheSheetCanHold)
{
    TfrPageInfo &p = newPage();
    memo(p, 0, 0, 100, 10, {QStringLiteral("a")});
    memo(p, 0, 2000, 100, 10, {QStringLiteral("b")});
    const XSheet s = exportTo();
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    // 1990 pixels are 1530.8 points: three rows of 531 pixels and one of the rest.
    const std::vector<double> expected = {10 / 1.3, 531 / 1.3, 531 / 1.3, 531 / 1.3, 397 / 1.3, 10 / 1.3};
    ASSERT_EQ(s.rowHeights.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(s.rowHeights.at(int(i) + 1), expected[i], 0.01) << i;
        EXPECT_LE(s.rowHeights.at(int(i) + 1), 409);
    }
    EXPECT_EQ(s.text(6, 1), QStringLiteral("b"));

    filter->ScaleY = 2;
    const XSheet doubled = exportTo("doubled.xlsx");
    for (const auto &[row, height] : doubled.rowHeights)
        EXPECT_LE(height, 409) << row;
    EXPECT_EQ(doubled.rowHeights.size(), 10u) << "seven gap rows of 265 pixels and the rest";
}

TEST_F(FilterTest, BestQualityCarriesFontsAlignmentBordersAndFill)
{
    TfrPageInfo &p = newPage();
    const struct {
        int alignment;
        const char *h, *v;
        int rotation;
    } rows[] = {
        {0, "left", "top", 0},          {1, "right", "top", 0},          {2, "center", "top", 0},
        {3, "justify", "top", 0},       {8, "left", "center", 0},        {16, "left", "", 0},
        {8 | 16 | 1, "right", "center", 0}, {4, "left", "top", 90},
    };
    int i = 0;
    for (const auto &r : rows)
        memo(p, 100 * i++, 0, 100, 20, {QStringLiteral("t")}, [&](TfrMemoView &m) { m.Alignment = r.alignment; });
    memo(p, 0, 40, 200, 20, {u("Заголовок")}, [](TfrMemoView &m) {
        m.Font.Name = QStringLiteral("Courier New");
        m.Font.Size = 14;
        m.Font.Style = 2 | 1;
        m.Font.Color = 0x0000FF;
        m.FrameTyp = 15;
        m.FillColor = 0x00FFFF;
    });
    const XSheet s = exportTo();
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    i = 0;
    for (const auto &r : rows) {
        const XStyle st = s.style(1, 1 + i++);
        EXPECT_EQ(st.hAlign, QLatin1String(r.h)) << r.alignment;
        EXPECT_EQ(st.vAlign, QLatin1String(r.v)) << r.alignment;
        EXPECT_EQ(st.rotation, r.rotation) << r.alignment;
        EXPECT_EQ(st.font, QStringLiteral("Arial"));
        EXPECT_EQ(st.size, 10);
    }
    EXPECT_TRUE(s.merged(QStringLiteral("A3:B3")));
    const XStyle left = s.style(3, 1), right = s.style(3, 2);
    EXPECT_EQ(left.font, QStringLiteral("Courier New"));
    EXPECT_EQ(left.size, 14);
    EXPECT_TRUE(left.bold && left.italic);
    EXPECT_EQ(left.color.right(6), QStringLiteral("FF0000"));
    EXPECT_EQ(left.fill.right(6), QStringLiteral("FFFF00"));
    EXPECT_EQ(left.left, QStringLiteral("thin"));
    EXPECT_EQ(left.top, QStringLiteral("thin"));
    EXPECT_EQ(left.right, QString()) << "the right edge is the range's last column";
    EXPECT_EQ(right.right, QStringLiteral("thin"));
    EXPECT_EQ(right.bottom, QStringLiteral("thin"));
    EXPECT_EQ(right.fill.right(6), QStringLiteral("FFFF00"));
}

TEST_F(FilterTest, FastestStillMergesAndBreaksWithTheWholeAreaPlain)
{
    filter->CellsFillColor = filter->CellsBorders = filter->CellsAlign = false;
    filter->CellsFontName = filter->CellsFontSize = filter->CellsFontStyle = filter->CellsFontColor = false;
    filter->ExportPictures = false;
    auto fancy = [](TfrMemoView &m) {
        m.Font.Name = QStringLiteral("Courier New");
        m.Font.Size = 14;
        m.Font.Style = 2;
        m.Font.Color = 0x0000FF;
        m.Alignment = 1 | 8;
        m.FrameTyp = 15;
        m.FillColor = 0x00FFFF;
    };
    TfrPageInfo &p1 = newPage();
    memo(p1, 0, 0, 200, 20, {u("широкий")}, fancy);
    memo(p1, 0, 20, 100, 20, {u("узкий")}, fancy);
    memo(newPage(), 100, 0, 100, 20, {u("второй")}, fancy);
    const XSheet s = exportTo();
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    EXPECT_EQ(s.merges, QStringList{QStringLiteral("A1:B1")});
    EXPECT_EQ(s.breaks, (std::vector<int>{3, 4}));
    for (int row = 1; row <= 3; ++row)
        for (int col = 1; col <= 2; ++col) {
            const XStyle st = s.style(row, col);
            EXPECT_EQ(st.size, 10) << row << "," << col;
            EXPECT_FALSE(st.bold || st.italic || st.underline) << row << "," << col;
            EXPECT_EQ(st.hAlign, QStringLiteral("left")) << row << "," << col;
            EXPECT_EQ(st.vAlign, QStringLiteral("top")) << row << "," << col;
            EXPECT_EQ(st.color, QStringLiteral("FF000000")) << row << "," << col;
            EXPECT_NE(st.font, QStringLiteral("Courier New"));
            EXPECT_TRUE(st.left.isEmpty() && st.right.isEmpty() && st.top.isEmpty() && st.bottom.isEmpty());
            EXPECT_TRUE(st.fill.isEmpty());
        }
    EXPECT_EQ(s.text(3, 2), u("второй"));
}

// More objects than the filter keeps in one block, a page in order and a page handing each
// row's objects over right to left: the blocks let go behind the walk never take what a
// later object needs.
TEST_F(FilterTest, ManyObjectsInAndOutOfOrderLandInTheirCells)
{
    constexpr int rows = 6000;
    for (int page = 1; page <= 2; ++page) {
        TfrPageInfo &p = newPage();
        for (int r = 0; r < rows; ++r) {
            const QString prefix = QString::number(page);
            if (page == 1) {
                memo(p, 0, r * 20, 100, 20, {prefix + u("Л") + QString::number(r)});
                memo(p, 100, r * 20, 100, 20, {prefix + u("П") + QString::number(r)});
                // One more object: a later page's pair then straddles the first block's end,
                // its right object read after the walk has passed into the next block.
                if (r == 0)
                    memo(p, 200, 0, 100, 20, {u("итог")});
            } else {
                memo(p, 100, r * 20, 100, 20, {prefix + u("П") + QString::number(r)});
                memo(p, 0, r * 20, 100, 20, {prefix + u("Л") + QString::number(r)});
            }
        }
    }
    const XSheet s = exportTo();
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    for (int page = 1; page <= 2; ++page)
        for (int r = 0; r < rows; ++r) {
            const int row = (page - 1) * rows + r + 1;
            ASSERT_EQ(s.text(row, 1), QString::number(page) + u("Л") + QString::number(r)) << row;
            ASSERT_EQ(s.text(row, 2), QString::number(page) + u("П") + QString::number(r)) << row;
        }
    EXPECT_EQ(s.text(1, 3), u("итог"));
    EXPECT_TRUE(s.merges.isEmpty());
}

TEST_F(FilterTest, AMergeShrinksToLeaveLaterObjectsTheirCells)
{
    TfrPageInfo &p = newPage();
    // Same row: the later object starts in the second column of the wide one.
    memo(p, 0, 0, 300, 20, {QStringLiteral("wide")});
    memo(p, 200, 0, 100, 20, {QStringLiteral("inside")});
    // Lower rows: the later object starts in the tall one's second row.
    memo(p, 0, 100, 300, 60, {QStringLiteral("tall")});
    memo(p, 100, 120, 100, 20, {QStringLiteral("below")});
    const XSheet s = exportTo();
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    // Columns 0-100-200-300, rows 0-20, 20-100 (gap), 100-120, 120-140, 140-160.
    EXPECT_EQ(s.text(1, 1), QStringLiteral("wide"));
    EXPECT_EQ(s.text(1, 3), QStringLiteral("inside"));
    EXPECT_TRUE(s.merged(QStringLiteral("A1:B1")));
    EXPECT_EQ(s.text(3, 1), QStringLiteral("tall"));
    EXPECT_EQ(s.text(4, 2), QStringLiteral("below"));
    EXPECT_TRUE(s.merged(QStringLiteral("A3:C3"))) << s.merges.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(s.merges.size(), 2);
}

TEST_F(FilterTest, PageSetupComesFromTheLastPage)
{
    memo(newPage(), 0, 0, 100, 20, {QStringLiteral("a")});
    memo(newPage(1, TfrRect{40, 20, 80, 60}), 0, 0, 100, 20, {QStringLiteral("b")});
    const XSheet s = exportTo();
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    EXPECT_EQ(s.orientation, QStringLiteral("landscape"));
    // A quarter of the stored margins, in points.
    EXPECT_NEAR(s.margins.at(QStringLiteral("left")), 10 / 72.0, 1e-6);
    EXPECT_NEAR(s.margins.at(QStringLiteral("top")), 5 / 72.0, 1e-6);
    EXPECT_NEAR(s.margins.at(QStringLiteral("right")), 20 / 72.0, 1e-6);
    EXPECT_NEAR(s.margins.at(QStringLiteral("bottom")), 15 / 72.0, 1e-6);
}

TEST_F(FilterTest, EmptyReportSavesAnEmptySheet)
{
    newPage();
    XSheet s = exportTo();
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    EXPECT_TRUE(s.cells.empty());
    TfrReportBuilder none;
    none.ShowProgress = false;
    none.ExportTo(*filter, path("none.xlsx"));
    s = readXlsx(path("none.xlsx"));
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    EXPECT_TRUE(s.cells.empty());
}

TEST_F(FilterTest, AWorkbookThatCannotBeSavedIsReportedAndLeavesNothing)
{
    memo(newPage(), 0, 0, 100, 20, {QStringLiteral("a")});
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    const QString target = dir.filePath(QStringLiteral("sub/out.xlsx"));
    // The folder goes away after the framework made the empty file.
    frProgressUi().processMessages = [&] { QDir(dir.filePath(QStringLiteral("sub"))).removeRecursively(); };
    try {
        builder->ExportTo(*filter, target);
        FAIL() << "the export reported success";
    } catch (const EfrError &e) {
        // The empty file the framework makes under a new name is the first to fail now.
        EXPECT_TRUE(e.message().contains(target)) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QString::fromLocal8Bit(std::strerror(ENOENT)))) << e.message().toStdString();
    }
    EXPECT_FALSE(QFile::exists(target));
    frProgressUi() = {};

    if (QFile::exists(QStringLiteral("/dev/full"))) {
        EXPECT_THROW(builder->ExportTo(*filter, QStringLiteral("/dev/full")), EfrError);
        EXPECT_TRUE(QFile::exists(QStringLiteral("/dev/full"))) << "a device is never removed";
    }
}

TEST_F(FilterTest, AReportTooLargeForASheetIsRefusedBeforeAnythingIsWritten)
{
    TfrPageInfo &wide = newPage();
    for (int i = 0; i < 8300; ++i)
        memo(wide, i * 3, 0, 2, 20, {QStringLiteral("w")});
    try {
        builder->ExportTo(*filter, path("wide.xlsx"));
        FAIL() << "16,600 columns were accepted";
    } catch (const EfrError &e) {
        EXPECT_TRUE(e.message().startsWith(u("Отчет не помещается на лист Excel"))) << e.message().toStdString();
    }
    EXPECT_FALSE(QFile::exists(path("wide.xlsx")));

    // Far apart objects need gap rows: at three times the height more than a sheet holds.
    builder->EMFPages.Clear();
    TfrPageInfo &tall = newPage();
    memo(tall, 0, 0, 100, 20, {QStringLiteral("top")});
    memo(tall, 0, frCoordLimit - 100, 100, 20, {QStringLiteral("far below")});
    filter->ScaleY = 3;
    EXPECT_THROW(builder->ExportTo(*filter, path("tall.xlsx")), EfrError);
    EXPECT_FALSE(QFile::exists(path("tall.xlsx")));
}

TEST_F(FilterTest, OpenAfterExportShowsTheSavedWorkbook)
{
    memo(newPage(), 0, 0, 100, 20, {QStringLiteral("a")});
    QStringList opened;
    const TfrOpenWorkbook desktop = frOpenWorkbook();
    frOpenWorkbook() = [&](const QString &f) {
        EXPECT_TRUE(readXlsx(f).ok) << "shown once saved";
        opened << f;
    };
    exportTo("quiet.xlsx");
    EXPECT_TRUE(opened.isEmpty());
    filter->OpenExcelAfterExport = true;
    exportTo("shown.xlsx");
    EXPECT_EQ(opened, QStringList{path("shown.xlsx")});
    frOpenWorkbook() = desktop;
}

TEST_F(FilterTest, ProgressLinesAndCancelStopAfterTheCurrentObject)
{
    TfrPageInfo &p = newPage();
    for (int i = 0; i < 5; ++i)
        memo(p, 0, i * 20, 100, 20, {QStringLiteral("row %1").arg(i + 1)});
    QStringList lines;
    bool visible = false;
    TfrProgressUi &ui = frProgressUi();
    ui.setLine = [&](const QString &l) { lines << l; };
    ui.setVisible = [&](bool v) { visible = v; };
    ui.isVisible = [&] { return visible && !lines.last().startsWith(u("Объектов")); };
    ui.processMessages = [] {};
    // The page walk runs directly; the filter's own window shows afterwards.
    ui.showModal = [](TfrReport &, const QString &, const QString &, const std::function<void()> &work) {
        work();
        return 1;
    };
    const XSheet s = exportTo();
    ASSERT_TRUE(s.ok) << s.error.toStdString();
    ASSERT_GE(lines.size(), 4) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(lines.contains(u("Подождите пожалуйста ...")));
    EXPECT_TRUE(lines.contains(u("Подготовка координат Y: 1")));
    EXPECT_TRUE(lines.contains(u("Подготовка координат X: 1")));
    EXPECT_TRUE(lines.contains(u("Объектов: 0 - Осталось: 0:00:00"))) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(visible) << "the window is closed again";
    // Cancelled at the first object: it alone is written, and the workbook is saved.
    EXPECT_EQ(s.text(1, 1), QStringLiteral("row 1"));
    EXPECT_EQ(s.text(2, 1), QString());
    EXPECT_TRUE(CurReport->Terminated);
}

} // namespace
