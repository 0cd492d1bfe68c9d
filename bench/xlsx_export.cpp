// The journal template over 10,000 and 100,000 rows of journal data, prepared once and
// exported to .xlsx through the spreadsheet export filter, with the data module's settings
// and with every option on. Beside it the floor: libxlsxwriter writing the very cells of
// that workbook (the same texts and numbers, formats, merges, row heights and column
// widths) straight from prepared arrays. Target: the export within 2× of the floor, its
// time growing linearly with the rows.
//
// Memory: peak_MB is the process's resident peak during the timed part (the kernel's
// high-water mark is reset before it), extra_MB how far that rose above the resident size
// at its start (the prepared pages, or the floor's arrays, are there already).
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include <xlsxwriter.h>

#include "export/spreadsheet/excel_constants.h"
#include "export/spreadsheet/ole_excel_export.h"
#include "report/engine/prepare.h"
#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/table_cursor.h"
#include "report/model/fr_globals.h"
#include "report/model/report.h"
#include "testkit/bench_main.h"
#include "testkit/journal_data.h"
#include "testkit/journal_report.h"
#include "testkit/memory.h"
#include "testkit/paths.h"

namespace {

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

// The journal prepared once per size, kept for every benchmark of that size.
struct Prepared {
    QObject owner;
    TfrReport *report = nullptr;
    std::unique_ptr<TfrReportBuilder> builder;
};

Prepared &prepared(int rows)
{
    static std::map<int, std::unique_ptr<Prepared>> cache;
    auto &p = cache[rows];
    if (p)
        return *p;
    p = std::make_unique<Prepared>();
    testkit::bindJournal(p->owner, testkit::journalDatabase(rows));
    p->report = new TfrReport(&p->owner);
    testkit::loadJournalTemplate(*p->report);
    p->report->DoublePassReport = false;
    p->builder = std::make_unique<TfrReportBuilder>(*p->report);
    p->builder->ShowErrorBox = false;
    p->builder->ShowProgress = false;
    p->builder->PrepareReport();
    return *p;
}

void journalSettings(TfrOLEExcelExport &f)
{
    f.CellsAlign = f.CellsFillColor = f.CellsFontColor = false;
    f.CellsFontName = f.CellsFontSize = f.CellsFontStyle = false;
}

void exportJournal(benchmark::State &state, bool best)
{
    const int rows = int(state.range(0));
    Prepared &p = prepared(rows);
    const QString out = folder().filePath(QStringLiteral("export%1.xlsx").arg(rows));
    double peak = 0, extra = 0;
    for (auto _ : state) {
        TfrOLEExcelExport filter;
        filter.ShowDialog = false;
        if (!best)
            journalSettings(filter);
        const double before = testkit::resetPeakMemory();
        p.builder->ExportTo(filter, out);
        peak = testkit::peakMegabytes();
        extra = peak - before;
    }
    state.counters["rows"] = rows;
    state.counters["pages"] = p.builder->EMFPages.GetCount();
    state.counters["peak_MB"] = peak;
    state.counters["extra_MB"] = extra;
    state.counters["file_MB"] = double(QFileInfo(out).size()) / 1e6;
    state.counters["us_per_row"] =
        benchmark::Counter(double(rows), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// What every export pays before a filter does anything: the prepared objects read from
// their pages and handed over (text objects laying out their lines), to a filter that
// keeps nothing.
void BM_XlsxPageWalk(benchmark::State &state)
{
    const int rows = int(state.range(0));
    Prepared &p = prepared(rows);
    const QString out = folder().filePath(QStringLiteral("walk%1.bin").arg(rows));
    for (auto _ : state) {
        TfrExportFilter nothing;
        p.builder->ExportTo(nothing, out);
    }
    state.counters["rows"] = rows;
}

// ---- the floor -----------------------------------------------------------------------

// The cells of an exported workbook in the form libxlsxwriter takes them.
struct FloorSheet {
    struct Cell {
        lxw_row_t row;
        lxw_col_t col;
        int format;
        bool number;
        double value;
        std::string text;
    };
    std::vector<TfrXlsFormat> formats;
    int columnFormat = 0; // the sheet's default: the style of every column
    std::vector<std::string> fontNames;
    std::vector<Cell> cells; // row by row
    std::vector<std::pair<lxw_row_t, double>> rowHeights;
    std::vector<double> colWidths;
    std::vector<TfrXlsMerge> merges;
};

// The workbook the filter makes, taken from its sheet before it is let go.
FloorSheet floorSheet(int rows, bool best)
{
    Prepared &p = prepared(rows);
    TfrOLEExcelExport filter;
    filter.ShowDialog = false;
    if (!best)
        journalSettings(filter);
    filter.OpenExcelAfterExport = true; // the workbook stays with the filter
    const TfrOpenWorkbook desktop = frOpenWorkbook();
    frOpenWorkbook() = nullptr;
    p.builder->ExportTo(filter, folder().filePath(QStringLiteral("floor-source.xlsx")));
    frOpenWorkbook() = desktop;
    const TfrWorksheetModel &s = *filter.Excel().Worksheet();
    FloorSheet f;
    for (int i = 0; i < s.formatCount(); ++i)
        f.formats.push_back(s.format(TfrXlsFormatId(i)));
    f.columnFormat = int(s.defaultFormat());
    for (const QString &n : s.fontNames())
        f.fontNames.push_back(n.toStdString());
    for (int c = 1; c <= s.columnCount(); ++c)
        f.colWidths.push_back(s.columnWidth(c));
    f.merges = s.merges();
    for (int r = 1; r <= s.rowCount(); ++r) {
        const TfrWorksheetModel::Row &row = *s.rowAt(r);
        if (row.height >= 0)
            f.rowHeights.push_back({lxw_row_t(r - 1), row.height});
        auto v = row.values.begin();
        for (size_t i = 0; i < row.spans.size(); ++i) {
            const int end = i + 1 < row.spans.size() ? row.spans[i + 1].start - 1 : frXlsMaxCols;
            const bool blanks = row.spans[i].format != s.defaultFormat();
            for (int c = row.spans[i].start; c <= end && (blanks || v != row.values.end()); ++c) {
                const bool has = v != row.values.end() && v->col == c;
                if (!has && !blanks)
                    continue;
                FloorSheet::Cell cell{lxw_row_t(r - 1), lxw_col_t(c - 1), int(row.spans[i].format), false, 0, {}};
                if (has) {
                    cell.number = v->isNumber;
                    cell.value = v->number;
                    cell.text = s.text(*v).toString().toStdString();
                    ++v;
                }
                f.cells.push_back(std::move(cell));
            }
        }
    }
    return f;
}

lxw_format *lxwFormat(lxw_workbook *wb, const FloorSheet &f, const TfrXlsFormat &x)
{
    auto rgb = [](qint32 c) {
        const lxw_color_t v = (lxw_color_t(c & 0xFF) << 16) | (lxw_color_t(c & 0xFF00)) | lxw_color_t((c >> 16) & 0xFF);
        return v == 0 ? lxw_color_t(LXW_COLOR_BLACK) : v;
    };
    lxw_format *fmt = workbook_add_format(wb);
    if (x.fontName >= 0)
        format_set_font_name(fmt, f.fontNames[size_t(x.fontName)].c_str());
    if (x.fontSize > 0)
        format_set_font_size(fmt, x.fontSize);
    if (x.bold)
        format_set_bold(fmt);
    if (x.italic)
        format_set_italic(fmt);
    if (x.underline)
        format_set_underline(fmt, LXW_UNDERLINE_SINGLE);
    if (x.fontColor != -1)
        format_set_font_color(fmt, rgb(x.fontColor));
    if (x.textFormat)
        format_set_num_format(fmt, "@");
    if (x.wrap)
        format_set_text_wrap(fmt);
    if (x.borders & frXlsBorderLeft)
        format_set_left(fmt, LXW_BORDER_THIN);
    if (x.borders & frXlsBorderRight)
        format_set_right(fmt, LXW_BORDER_THIN);
    if (x.borders & frXlsBorderTop)
        format_set_top(fmt, LXW_BORDER_THIN);
    if (x.borders & frXlsBorderBottom)
        format_set_bottom(fmt, LXW_BORDER_THIN);
    if (x.hAlign == xlLeft)
        format_set_align(fmt, LXW_ALIGN_LEFT);
    else if (x.hAlign == xlRight)
        format_set_align(fmt, LXW_ALIGN_RIGHT);
    else if (x.hAlign == xlCenter)
        format_set_align(fmt, LXW_ALIGN_CENTER);
    if (x.vAlign == xlTop)
        format_set_align(fmt, LXW_ALIGN_VERTICAL_TOP);
    else if (x.vAlign == xlCenter)
        format_set_align(fmt, LXW_ALIGN_VERTICAL_CENTER);
    if (x.fillColor != -1) {
        format_set_pattern(fmt, LXW_PATTERN_SOLID);
        format_set_fg_color(fmt, rgb(x.fillColor));
    }
    return fmt;
}

void writeFloor(const FloorSheet &f, const char *file)
{
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook *wb = workbook_new_opt(file, &options);
    lxw_worksheet *ws = workbook_add_worksheet(wb, nullptr);
    std::vector<lxw_format *> formats;
    for (const TfrXlsFormat &x : f.formats)
        formats.push_back(lxwFormat(wb, f, x));
    for (size_t c = 0; c < f.colWidths.size(); ++c)
        worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), f.colWidths[c] < 0 ? LXW_DEF_COL_WIDTH : f.colWidths[c],
                             formats[size_t(f.columnFormat)]);
    // Merges are declared at their last row, as constant memory needs.
    std::map<lxw_row_t, std::vector<const TfrXlsMerge *>> mergesAt;
    for (const TfrXlsMerge &m : f.merges)
        mergesAt[lxw_row_t(m.lastRow - 1)].push_back(&m);
    auto height = f.rowHeights.begin();
    auto cell = f.cells.begin();
    const lxw_row_t lastRow = f.cells.empty() ? 0 : f.cells.back().row;
    for (lxw_row_t r = 0; r <= lastRow; ++r) {
        if (height != f.rowHeights.end() && height->first == r)
            worksheet_set_row(ws, r, (height++)->second, nullptr);
        if (auto m = mergesAt.find(r); m != mergesAt.end())
            for (const TfrXlsMerge *x : m->second)
                worksheet_merge_range(ws, lxw_row_t(x->firstRow - 1), lxw_col_t(x->firstCol - 1),
                                      lxw_row_t(x->lastRow - 1), lxw_col_t(x->lastCol - 1), "", nullptr);
        for (; cell != f.cells.end() && cell->row == r; ++cell) {
            lxw_format *fmt = formats[size_t(cell->format)];
            if (cell->number)
                worksheet_write_number(ws, r, cell->col, cell->value, fmt);
            else if (!cell->text.empty())
                worksheet_write_string(ws, r, cell->col, cell->text.c_str(), fmt);
            else
                worksheet_write_blank(ws, r, cell->col, fmt);
        }
    }
    workbook_close(wb);
}

void floor(benchmark::State &state, bool best)
{
    const int rows = int(state.range(0));
    const FloorSheet f = floorSheet(rows, best);
    const QByteArray out = QFile::encodeName(folder().filePath(QStringLiteral("floor%1.xlsx").arg(rows)));
    double peak = 0, extra = 0;
    for (auto _ : state) {
        const double before = testkit::resetPeakMemory();
        writeFloor(f, out.constData());
        peak = testkit::peakMegabytes();
        extra = peak - before;
    }
    state.counters["rows"] = rows;
    state.counters["cells"] = double(f.cells.size());
    state.counters["peak_MB"] = peak;
    state.counters["extra_MB"] = extra;
    state.counters["us_per_row"] =
        benchmark::Counter(double(rows), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_XlsxExportJournal(benchmark::State &state) { exportJournal(state, false); }
void BM_XlsxFloorJournal(benchmark::State &state) { floor(state, false); }
void BM_XlsxExportBest(benchmark::State &state) { exportJournal(state, true); }
void BM_XlsxFloorBest(benchmark::State &state) { floor(state, true); }

BENCHMARK(BM_XlsxPageWalk)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_XlsxExportJournal)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_XlsxFloorJournal)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_XlsxExportBest)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_XlsxFloorBest)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv) { return testkit::benchmarkMain(argc, argv); }
