// The workbook wrapper: what each operation does to the sheet, and the saved file read
// back as another program reads it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <clocale>
#include <string>
#include <tuple>
#include <vector>

#include "export/spreadsheet/block_list.h"
#include "export/spreadsheet/excel.h"
#include "export/spreadsheet/excel_constants.h"
#include "report/eval/errors.h"
#include "xlsx_reader.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

class ExcelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        excel.OpenExcel();
    }
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    XSheet save(const char *name = "book.xlsx")
    {
        excel.SaveAs(path(name));
        return readXlsx(path(name));
    }
    const TfrXlsFormat &fmt(int row, int col) const
    {
        const TfrWorksheetModel &s = *excel.Worksheet();
        return s.format(s.formatAt(row, col));
    }

    QTemporaryDir dir;
    TFrExcel excel;
};

TEST(ExcelColumns, LettersAsTheApplicationNamesThem)
{
    const struct {
        int n;
        const char *letters;
    } rows[] = {{1, "A"}, {26, "Z"}, {27, "AA"}, {52, "AZ"}, {53, "BA"}, {702, "ZZ"}, {703, "AAA"}, {16384, "XFD"}, {0, ""}};
    for (const auto &r : rows)
        EXPECT_EQ(TFrExcel::Pos2Str(r.n), QLatin1String(r.letters)) << r.n;
    EXPECT_EQ(TFrExcel::IntToCoord(3, 7), QStringLiteral("C7"));
}

TEST(ExcelTyping, TextsTheApplicationTakesForNumbers)
{
    const struct {
        const char *text;
        bool number;
        double value;
    } rows[] = {
        {"12", true, 12},         {"-5", true, -5},          {"3,5", true, 3.5},    {"007", true, 7},
        {"1234567890", true, 1234567890},                    {"3.14", false, 0},    {"10.01.09", false, 0},
        {"1,3,5", false, 0},      {"3,", false, 0},          {",5", false, 0},      {"12 345", false, 0},
        {"1e5", false, 0},        {"", false, 0},            {"-", false, 0},       {"abc", false, 0},
        // More digits than a number keeps: the text stays as typed.
        {"1234567890123456", false, 0},
    };
    for (const auto &r : rows) {
        double v = 0;
        EXPECT_EQ(TfrWorksheetModel::typedNumber(QString::fromUtf8(r.text), v), r.number) << r.text;
        if (r.number) {
            EXPECT_DOUBLE_EQ(v, r.value) << r.text;
        }
    }
}

TEST_F(ExcelTest, OperationsNeedAnOpenWorkbookAndARange)
{
    TFrExcel closed;
    EXPECT_FALSE(closed.IsOpen());
    EXPECT_THROW(closed.SetRange(1, 1, 1, 1), EfrError);
    EXPECT_THROW(closed.SetCellFontSize(10), EfrError);
    closed.SetPageMargin(xlPortrait, 1, 1, 1, 1); // raises nothing
    closed.SetVisible(true);
    EXPECT_FALSE(closed.Visible) << "only an open workbook becomes visible";

    EXPECT_TRUE(excel.IsOpen());
    EXPECT_THROW(excel.MergeCells(), EfrError) << "no range chosen yet";
    EXPECT_THROW(excel.SetRange(0, 1, 1, 1), EfrError);
    EXPECT_THROW(excel.SetRange(16384, 1, 2, 1), EfrError);
    EXPECT_THROW(excel.SetRange(1, 1048576, 1, 2), EfrError);
    excel.SetRange(2, 2, 1, 1);
    excel.SetRange(5, 5, 0, 3); // a count below 1 keeps the range
    excel.SetCellFontSize(14);
    EXPECT_EQ(fmt(2, 2).fontSize, 14);
    EXPECT_EQ(fmt(5, 5).fontSize, 0);
    excel.Quit();
    EXPECT_FALSE(excel.IsOpen());
    EXPECT_EQ(excel.Worksheet(), nullptr);
}

TEST_F(ExcelTest, RangeOperationsReachEveryCellAndLaterOnesOverride)
{
    // Every cell wraps from the start, touched or not.
    EXPECT_TRUE(fmt(100, 100).wrap);
    excel.SetRange(1, 1, 3, 2);
    excel.SetCellFontSize(8);
    excel.SetCellFontStyle(2 | 4 | 8); // bold, underline, strike-out (not transferred)
    excel.SetCellHAlign(xlRight);
    excel.SetRange(2, 2, 2, 2);
    excel.SetCellFontSize(12);
    excel.SetCellFontStyle(1);
    excel.SetCellFillColor(0x0000FF);
    EXPECT_EQ(fmt(1, 1).fontSize, 8);
    EXPECT_TRUE(fmt(1, 3).bold);
    EXPECT_TRUE(fmt(2, 1).underline);
    EXPECT_EQ(fmt(2, 2).fontSize, 12);
    EXPECT_TRUE(fmt(2, 3).italic);
    EXPECT_FALSE(fmt(2, 3).bold) << "the later style replaces the earlier one";
    EXPECT_EQ(fmt(2, 3).hAlign, xlRight) << "what the later operation did not touch stays";
    EXPECT_EQ(fmt(3, 3).fontSize, 12);
    EXPECT_EQ(fmt(3, 3).fillColor, 0x0000FF);
    EXPECT_EQ(fmt(3, 4).fillColor, -1);
    EXPECT_EQ(fmt(1, 4).fontSize, 0);
    EXPECT_EQ(fmt(4, 2).fontSize, 0);
    // Size and orientation stay within what the application accepts.
    excel.SetRange(6, 6, 1, 1);
    excel.SetCellFontSize(0);
    excel.SetCellOrientation(180);
    EXPECT_EQ(fmt(6, 6).fontSize, 1);
    EXPECT_EQ(fmt(6, 6).orientation, 90);
}

TEST_F(ExcelTest, BordersGoOnTheRangesOuterEdges)
{
    excel.SetRange(2, 2, 3, 2);
    excel.SetCellFrame(15);
    const struct {
        int row, col;
        quint8 borders;
    } rows[] = {
        {2, 2, frXlsBorderLeft | frXlsBorderTop},     {2, 3, frXlsBorderTop},
        {2, 4, frXlsBorderRight | frXlsBorderTop},    {3, 2, frXlsBorderLeft | frXlsBorderBottom},
        {3, 3, frXlsBorderBottom},                    {3, 4, frXlsBorderRight | frXlsBorderBottom},
        {1, 2, 0},                                    {2, 5, 0},
    };
    for (const auto &r : rows)
        EXPECT_EQ(fmt(r.row, r.col).borders, r.borders) << r.row << "," << r.col;
    // Single sides by the frame mask: 1 right, 2 bottom, 4 left, 8 top.
    excel.SetRange(6, 6, 1, 1);
    excel.SetCellFrame(1 | 8);
    EXPECT_EQ(fmt(6, 6).borders, frXlsBorderRight | frXlsBorderTop);
    // The two inside items as the wrapper passes them: 11 between columns, 12 between rows.
    excel.SetRange(8, 8, 2, 2);
    excel.SetCellFrameInsideH();
    EXPECT_EQ(fmt(8, 8).borders, frXlsBorderRight);
    EXPECT_EQ(fmt(8, 9).borders, frXlsBorderLeft);
    excel.SetCellFrameInsideV();
    EXPECT_EQ(fmt(8, 8).borders, frXlsBorderRight | frXlsBorderBottom);
    EXPECT_EQ(fmt(9, 9).borders, frXlsBorderLeft | frXlsBorderTop);
}

TEST_F(ExcelTest, OverlappingMergesBecomeOneArea)
{
    excel.SetRange(1, 1, 2, 2);
    excel.MergeCells();
    excel.SetRange(2, 2, 2, 2);
    excel.MergeCells();
    excel.SetRange(6, 1, 1, 1);
    excel.MergeCells(); // a single cell merges nothing
    excel.SetRange(5, 5, 3, 1);
    excel.MergeCells();
    const auto merges = excel.Worksheet()->merges();
    ASSERT_EQ(merges.size(), 2u);
    EXPECT_EQ(std::tie(merges[0].firstRow, merges[0].firstCol, merges[0].lastRow, merges[0].lastCol),
              std::make_tuple(1, 1, 3, 3));
    EXPECT_EQ(std::tie(merges[1].firstRow, merges[1].firstCol, merges[1].lastRow, merges[1].lastCol),
              std::make_tuple(5, 5, 5, 7));
    const XSheet sheet = save();
    ASSERT_TRUE(sheet.ok) << sheet.error.toStdString();
    EXPECT_EQ(sheet.merges, (QStringList{QStringLiteral("A1:C3"), QStringLiteral("E5:G5")}));
}

TEST_F(ExcelTest, ValuesAreTypedIntoTheirCells)
{
    excel.SetRange(2, 1, 1, 1);
    excel.SetRangeTextFormat();
    TFrExcelArray values(3, 3);
    values.Set(0, 0, QStringLiteral("12"));
    values.Set(0, 1, QStringLiteral("12")); // a text-formatted cell keeps the text
    values.Set(0, 2, u("3,5"));
    values.Set(1, 0, QStringLiteral("3.14"));
    values.Set(1, 1, u("первая\nвторая"));
    values.Set(1, 1, u("итог")); // set twice: the later text
    values.Set(2, 2, QString(40000, QLatin1Char('x')));
    values.Set(5, 5, QStringLiteral("outside"));
    excel.SetCell(4, 4, QStringLiteral("stale"));
    excel.SetRange(1, 1, 4, 4);
    excel.SendArrayValue(values);
    EXPECT_EQ(excel.GetCell(1, 1), QStringLiteral("12"));
    EXPECT_EQ(excel.GetCell(3, 1), u("3,5"));
    EXPECT_EQ(excel.GetCell(2, 2), u("итог"));
    EXPECT_EQ(excel.GetCell(4, 4), QString()) << "the transfer empties what the array leaves empty";
    EXPECT_EQ(excel.GetCell(3, 3).size(), frXlsMaxTextLength);

    const XSheet sheet = save();
    ASSERT_TRUE(sheet.ok) << sheet.error.toStdString();
    ASSERT_TRUE(sheet.cell(1, 1));
    EXPECT_TRUE(sheet.cell(1, 1)->isNumber);
    EXPECT_FALSE(sheet.cell(1, 2)->isNumber);
    EXPECT_EQ(sheet.cell(1, 2)->text, QStringLiteral("12"));
    EXPECT_EQ(sheet.style(1, 2).numFmt, QStringLiteral("@"));
    EXPECT_DOUBLE_EQ(sheet.cell(1, 3)->number, 3.5);
    EXPECT_EQ(sheet.text(2, 1), QStringLiteral("3.14"));
    EXPECT_EQ(sheet.text(2, 2), u("итог"));
    EXPECT_TRUE(sheet.style(2, 2).wrap);
}

// Large transfers walk their entries in blocks and let them go behind them: every value
// arrives, the later of two entries for one cell also where they straddle two blocks, and
// an array out of order (read through an index instead) gives the same sheet.
TEST_F(ExcelTest, LargeTransfersKeepEveryValue)
{
    constexpr int rows = 40000;
    constexpr int boundary = 1 << 14; // a block of entries
    auto fill = [](TFrExcelArray &values, bool reversed) {
        std::vector<std::tuple<int, int, QString>> entries;
        for (int r = 0; r < boundary - 1; ++r)
            entries.emplace_back(r, 0, QString::number(r));
        entries.emplace_back(boundary - 1, 0, u("первый"));
        entries.emplace_back(boundary - 1, 0, u("второй"));
        for (int r = boundary; r < rows; ++r)
            entries.emplace_back(r, 1, r % 2 ? u("строка %1").arg(r) : QString::number(r) + u(",5"));
        if (reversed) {
            // Rows backwards, the two entries for one cell still in their order.
            std::stable_sort(entries.begin(), entries.end(),
                             [](const auto &a, const auto &b) { return std::get<0>(a) > std::get<0>(b); });
        }
        for (const auto &[r, c, text] : entries)
            values.Set(r, c, text);
    };
    for (bool reversed : {false, true}) {
        SCOPED_TRACE(reversed ? "out of order" : "in order");
        excel.OpenExcel();
        TFrExcelArray values(rows, 2);
        fill(values, reversed);
        excel.SetRange(1, 1, 2, rows);
        excel.SendArrayValue(std::move(values));
        EXPECT_EQ(excel.GetCell(1, 1), QStringLiteral("0"));
        EXPECT_EQ(excel.GetCell(1, boundary - 1), QString::number(boundary - 2));
        EXPECT_EQ(excel.GetCell(1, boundary), u("второй"));
        EXPECT_EQ(excel.GetCell(2, boundary), QString());
        EXPECT_EQ(excel.GetCell(2, boundary + 2), u("строка %1").arg(boundary + 1));
        EXPECT_EQ(excel.GetCell(2, rows), u("строка %1").arg(rows - 1));
        EXPECT_EQ(excel.GetCell(2, rows - 1), QString::number(rows - 2) + u(",5"));
        int filled = 0;
        for (int r = 1; r <= rows; ++r)
            filled += !excel.GetCell(1, r).isEmpty() + !excel.GetCell(2, r).isEmpty();
        EXPECT_EQ(filled, rows);
    }
}

// The users' locale writes numbers with a decimal comma; the file's numbers must not.
TEST_F(ExcelTest, NumbersInTheFileIgnoreTheLocalesDecimalComma)
{
    const std::string was = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "ru_RU.UTF-8"))
        GTEST_SKIP() << "the locale ru_RU.UTF-8 is not installed here";
    struct Restore {
        std::string locale;
        ~Restore() { std::setlocale(LC_ALL, locale.c_str()); }
    } restore{was};
    excel.SetColSize(1, 12.5);
    excel.SetRowSize(1, 30.75);
    excel.SetPageMargin(xlPortrait, 18, 9, 9, 9);
    excel.SetCell(1, 1, u("3,5"));
    const XSheet sheet = save();
    ASSERT_TRUE(sheet.ok) << sheet.error.toStdString();
    EXPECT_GT(sheet.colWidths.at(1), 12.5);
    EXPECT_DOUBLE_EQ(sheet.rowHeights.at(1), 30.75);
    EXPECT_DOUBLE_EQ(sheet.margins.at(QStringLiteral("left")), 0.25);
    ASSERT_TRUE(sheet.cell(1, 1) && sheet.cell(1, 1)->isNumber);
    EXPECT_DOUBLE_EQ(sheet.cell(1, 1)->number, 3.5);
}

TEST(BlockListTest, WhatIsLetGoAtTheFrontLeavesTheRestAsItWas)
{
    TfrBlockList<int> list;
    for (int i = 0; i < 50000; ++i)
        list.push_back(i * 3);
    list.releaseBefore(40000);
    list.releaseBefore(20000); // asking for less again changes nothing
    EXPECT_EQ(list.size(), 50000u);
    for (size_t i = 32768; i < 50000; ++i)
        ASSERT_EQ(list[i], int(i) * 3) << i;
    list.clear();
    EXPECT_TRUE(list.empty());
    for (int i = 0; i < 20000; ++i)
        list.push_back(i);
    list.releaseBefore(17000);
    EXPECT_EQ(list[16384], 16384);
    EXPECT_EQ(list[19999], 19999);
}

TEST_F(ExcelTest, SavedWorkbookCarriesFormatsSizesBreaksAndPageSetup)
{
    excel.SetColSize(1, 12.5);
    excel.SetColSize(2, 300); // the widest column
    excel.SetRowSize(1, 30);
    excel.SetRowSize(2, 600); // the highest row
    excel.SetRowPageBreak(3, xlPageBreakManual);
    excel.SetRowPageBreak(2000000, xlPageBreakManual); // past the sheet: nothing
    excel.SetPageMargin(xlLandscape, 18, 9, 9, 9);
    excel.SetRange(1, 1, 1, 1);
    excel.SetCellFontName(u("Times New Roman"));
    excel.SetCellFontName(QString()); // an empty name changes nothing
    excel.SetCellFontSize(14);
    excel.SetCellFontStyle(2);
    excel.SetCellFontColor(0x0000FF); // red as 0x00BBGGRR
    excel.SetCellHAlign(xlCenter);
    excel.SetCellVAlign(xlBottom);
    excel.SetCellOrientation(90);
    excel.SetCellFrame(15);
    excel.SetCellFillColor(0xFF0000); // blue
    TFrExcelArray values(1, 1);
    values.Set(0, 0, u("Журнал _x0041_"));
    excel.SendArrayValue(values);

    const XSheet sheet = save();
    ASSERT_TRUE(sheet.ok) << sheet.error.toStdString();
    const XStyle s = sheet.style(1, 1);
    EXPECT_EQ(s.font, u("Times New Roman"));
    EXPECT_EQ(s.size, 14);
    EXPECT_TRUE(s.bold);
    EXPECT_EQ(s.color.right(6), QStringLiteral("FF0000"));
    EXPECT_EQ(s.hAlign, QStringLiteral("center"));
    EXPECT_EQ(s.vAlign, QString()) << "bottom is the application's default";
    EXPECT_EQ(s.rotation, 90);
    EXPECT_EQ(s.left, QStringLiteral("thin"));
    EXPECT_EQ(s.bottom, QStringLiteral("thin"));
    EXPECT_EQ(s.fill.right(6), QStringLiteral("0000FF"));
    EXPECT_TRUE(s.wrap);
    EXPECT_EQ(sheet.text(1, 1), u("Журнал _x0041_")) << "a text that looks like an escape stays as it was";
    // The file stores widths with the cell padding added.
    EXPECT_GT(sheet.colWidths.at(1), 12.5);
    EXPECT_LT(sheet.colWidths.at(1), 13.5);
    EXPECT_GT(sheet.colWidths.at(2), 255);
    EXPECT_LT(sheet.colWidths.at(2), 256);
    EXPECT_TRUE(sheet.style(50, 2).wrap) << "cells typed later wrap too";
    EXPECT_DOUBLE_EQ(sheet.rowHeights.at(1), 30);
    EXPECT_DOUBLE_EQ(sheet.rowHeights.at(2), 409);
    EXPECT_EQ(sheet.breaks, std::vector<int>{2}) << "a break above row 3";
    EXPECT_EQ(sheet.orientation, QStringLiteral("landscape"));
    EXPECT_DOUBLE_EQ(sheet.margins.at(QStringLiteral("left")), 0.25);
    EXPECT_DOUBLE_EQ(sheet.margins.at(QStringLiteral("top")), 0.125);
}

TEST_F(ExcelTest, PicturesLandOnTheRangesFirstCellInTheirSize)
{
    QImage image(31, 11, QImage::Format_RGB32);
    image.fill(Qt::black);
    excel.SetRange(3, 2, 2, 2);
    const int n = excel.PastePicture(image);
    EXPECT_EQ(n, 1);
    excel.SetPictureSize(n, 20, 6.5);
    EXPECT_THROW(excel.SetPictureSize(2, 1, 1), EfrError);
    const XSheet sheet = save();
    ASSERT_TRUE(sheet.ok) << sheet.error.toStdString();
    ASSERT_EQ(sheet.pictures.size(), 1u);
    EXPECT_EQ(sheet.pictures[0].col, 3);
    EXPECT_EQ(sheet.pictures[0].row, 2);
    // Points to EMU: 12700 each.
    EXPECT_NEAR(sheet.pictures[0].cx, 20 * 12700, 12700);
    EXPECT_NEAR(sheet.pictures[0].cy, 6.5 * 12700, 12700);
    EXPECT_TRUE(sheet.parts.contains(QStringLiteral("xl/media/image1.png")));
}

TEST_F(ExcelTest, FailedSaveSaysWhyAndLeavesNoFile)
{
    excel.SetCell(1, 1, QStringLiteral("x"));
    const QString missing = dir.filePath(QStringLiteral("gone/book.xlsx"));
    try {
        excel.SaveAs(missing);
        FAIL() << "saved into a folder that does not exist";
    } catch (const EfrError &e) {
        EXPECT_TRUE(e.message().startsWith(u("Не удалось сохранить книгу Excel \"%1\": ").arg(missing)))
            << e.message().toStdString();
    }
    EXPECT_FALSE(QFile::exists(missing));
    if (QFile::exists(QStringLiteral("/dev/full"))) {
        // A full disk: the error is reported, and a device is never removed.
        EXPECT_THROW(excel.SaveAs(QStringLiteral("/dev/full")), EfrError);
        EXPECT_TRUE(QFile::exists(QStringLiteral("/dev/full")));
    }
}

TEST_F(ExcelTest, AVisibleWorkbookIsShownOnceSaved)
{
    QStringList opened;
    const TfrOpenWorkbook desktop = frOpenWorkbook();
    frOpenWorkbook() = [&](const QString &f) { opened << f; };
    save("hidden.xlsx");
    EXPECT_TRUE(opened.isEmpty());
    excel.SetVisible(true);
    EXPECT_TRUE(excel.Visible);
    save("shown.xlsx");
    EXPECT_EQ(opened, QStringList{path("shown.xlsx")});
    excel.OpenExcel();
    EXPECT_FALSE(excel.Visible) << "a new workbook starts hidden";
    frOpenWorkbook() = desktop;
}

} // namespace
