// PDF export of the journal template prepared over 10,000 rows of realistic journal data
// (file names, executors, addressees, brief contents wrapping to 1 to 6 lines), through the
// PDF export filter. Beside it the floor: a plain QPdfWriter loop drawing the same pages
// (the same text lines, fonts and cell frames, taken from the prepared pages beforehand)
// with bare QPainter calls. Target: at least 80 % of the floor's pages per second, and
// resident memory during the export not growing with the page count beyond the prepared
// report (one page unpacked at a time). Resident memory is sampled every 25 pages.
//
// The machine may be shared, so pages per second are counted on the process's CPU time
// (wall-clock time is printed beside it), and export and floor run in turns, seven times
// each, the best run of each counting.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <ctime>
#include <map>
#include <random>
#include <unistd.h>

#include "report/engine/pdf_export.h"
#include "report/engine/prepare.h"
#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/table_cursor.h"
#include "report/model/fr_globals.h"
#include "report/model/memo_view.h"
#include "report/model/report.h"
#include "testkit/bench_main.h"
#include "testkit/journal_data.h"
#include "testkit/journal_report.h"
#include "testkit/memory.h"
#include "testkit/paths.h"
#include "report/model/text_layout.h"

namespace {

constexpr int kRows = 10000;

QString u(const char *s) { return QString::fromUtf8(s); }

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The best of the runs: CPU and wall-clock seconds.
struct Best {
    double cpu = 1e300, wall = 1e300;
    void add(double c, double w)
    {
        cpu = std::min(cpu, c);
        wall = std::min(wall, w);
    }
};

// With FR_BENCH_KEEP set the folder (and the PDFs in it) stays for a look.
QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    static const bool announced = [] {
        if (qEnvironmentVariableIsSet("FR_BENCH_KEEP")) {
            dir.setAutoRemove(false);
            std::printf("output kept in %s\n", qPrintable(dir.path()));
        }
        return true;
    }();
    (void)announced;
    return dir;
}

// A brief of roughly that many lines of the journal's brief column (about 28 characters a
// line); the layout decides the exact count, which the benchmark reports.
QString brief(std::mt19937 &rng, int lines)
{
    static const QStringList words = {
        u("письмо"), u("о"), u("согласовании"), u("графика"), u("поставок"), u("оборудования"), u("на"),
        u("первый"), u("квартал"), u("с"), u("приложением"), u("спецификации"), u("и"), u("протокола"),
        u("разногласий"), u("договор"), u("№"), u("акт"), u("сверки"), u("расчетов"), u("за"), u("ноябрь"),
        u("счет-фактура"), u("запрос"), u("коммерческого"), u("предложения"), u("по"), u("ремонту"),
        u("кровли"), u("склада"), u("уведомление"), u("об"), u("изменении"), u("реквизитов"), u("ответ"),
        u("претензию"), u("от"), u("2026"), u("года"), u("приказ"), u("командировке"), u("сотрудников"),
        u("отдела"), u("снабжения"), u("в"), u("филиал"), u("служебная"), u("записка"), u("техническое"),
        u("задание"), u("модернизацию"), u("сети")};
    const int target = lines * 23 - 12;
    QString text = u("Входящее");
    std::uniform_int_distribution<int> pick(0, int(words.size()) - 1);
    while (text.size() < target)
        text += QLatin1Char(' ') + words[pick(rng)];
    return text;
}

// A journal of kRows rows (made once): briefs of 1 to 6 lines, mostly short.
QSqlDatabase journal()
{
    const QString name = QStringLiteral("pdf_journal");
    if (QSqlDatabase::contains(name))
        return QSqlDatabase::database(name);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(folder().filePath(name + QStringLiteral(".db")));
    db.open();
    const QStringList executors = {u("Иванова А. П."), u("Петров С. Н."), u("Сидорова Е. В."), u("Кузнецов И. И.")};
    const QStringList addressees = {u("Канцелярия"), u("Бухгалтерия"), u("Отдел снабжения"),
                                    u("Бухгалтерия, Отдел снабжения"), u("Юридический отдел"), u("Директору")};
    // Share of briefs with 1, 2, ... 6 lines.
    std::discrete_distribution<int> lineCount({40, 25, 15, 10, 6, 4});
    std::mt19937 rng(20261209);
    testkit::fillJournal(db, kRows, QStringLiteral("Temp"), [&](const QString &column, int i) -> QVariant {
        if (column == QLatin1String("NumReis"))
            return 1 + i / 400;
        if (column == QLatin1String("NameFile"))
            return i % 3 == 0 ? QStringLiteral("scan_%1.pdf").arg(i, 6, 10, QLatin1Char('0'))
                              : QStringLiteral("vh_%1.docx").arg(i, 5, 10, QLatin1Char('0'));
        if (column == QLatin1String("DateCreateFile"))
            return QStringLiteral("%1.12.2026").arg(1 + i % 28, 2, 10, QLatin1Char('0'));
        if (column == QLatin1String("TimeCreateFile"))
            return QStringLiteral("%1:%2").arg(8 + i % 10, 2, 10, QLatin1Char('0')).arg(i % 60, 2, 10, QLatin1Char('0'));
        if (column == QLatin1String("Size"))
            return 1000 + (i * 7919) % 9000000;
        if (column == QLatin1String("DateProcesFile"))
            return QStringLiteral("%1.12.2026").arg(1 + (i + 1) % 28, 2, 10, QLatin1Char('0'));
        if (column == QLatin1String("Ispolnitel"))
            return executors[i % executors.size()];
        if (column == QLatin1String("BriefContents"))
            return brief(rng, lineCount(rng) + 1);
        if (column == QLatin1String("ToWhom"))
            return addressees[(i * 5) % addressees.size()];
        return {};
    });
    return db;
}

// The journal template prepared over the journal, kept for both benchmarks.
struct PreparedJournal {
    QObject owner;
    TfrReport report{&owner};
    TfrReportBuilder builder{report};
    double preparedMB = 0;        // resident after the preparation
    std::map<int, int> briefLines; // lines of a brief -> rows

    PreparedJournal()
    {
        QSqlDatabase db = journal();
        testkit::bindJournal(owner, db);
        testkit::loadJournalTemplate(report);
        builder.ShowErrorBox = false;
        builder.ShowProgress = false;
        if (!builder.PrepareReport())
            std::fprintf(stderr, "preparation failed: %s\n", qPrintable(builder.LastError));
        for (int i = 0; i < builder.EMFPages.GetCount(); ++i)
            builder.EMFPages.ForEachObject(i, [this](TfrView &v) {
                if (v.Name == QStringLiteral("DataBriefContents"))
                    ++briefLines[int(v.Memo.size())];
            });
        preparedMB = testkit::residentMegabytes();
    }
};

PreparedJournal &prepared()
{
    static PreparedJournal j;
    return j;
}

// Resident memory while an export runs, sampled every 25 pages.
struct MemoryTrace {
    double before = 0, atTenth = 0, peak = 0;
};

// One PDF export of the prepared journal; CPU and wall-clock seconds.
std::pair<double, double> exportOnce(PreparedJournal &j, const QString &out, MemoryTrace &memory)
{
    const int pages = j.builder.EMFPages.GetCount();
    memory.before = memory.peak = testkit::residentMegabytes();
    j.builder.events.OnProgress = [&](int n) {
        if (n % 25 != 0 && n != pages)
            return;
        const double now = testkit::residentMegabytes();
        memory.peak = std::max(memory.peak, now);
        if (n <= pages / 10)
            memory.atTenth = std::max(memory.atTenth, now);
    };
    TfrPdfExport filter;
    QElapsedTimer t;
    t.start();
    const double cpu = cpuSeconds();
    j.builder.ExportTo(filter, out);
    const std::pair<double, double> spent{cpuSeconds() - cpu, double(t.nsecsElapsed()) / 1e9};
    j.builder.events.OnProgress = nullptr;
    return spent;
}

// What a page holds for the floor: text cells with their lines, fonts and frames.
struct FloorCell {
    QRect rect;
    QStringList lines;
    int pixelSize = 12;
    bool bold = false;
    bool framed = false;
};
using FloorPages = std::vector<std::vector<FloorCell>>;

FloorPages floorContent(PreparedJournal &j)
{
    FloorPages content;
    for (int i = 0; i < j.builder.EMFPages.GetCount(); ++i) {
        std::vector<FloorCell> cells;
        j.builder.EMFPages.ForEachObject(i, [&cells](TfrView &v) {
            auto *m = dynamic_cast<TfrMemoView *>(&v);
            if (!m)
                return;
            FloorCell c;
            c.rect = QRect(m->Left, m->Top, m->Width, m->Height);
            for (QString line : m->Memo) {
                line.remove(QChar(frParagraphMark));
                c.lines << line;
            }
            c.pixelSize = frFontPixelHeight(m->Font.Size);
            c.bold = (m->Font.Style & 2) != 0;
            c.framed = m->FrameTyp != 0;
            cells.push_back(std::move(c));
        });
        content.push_back(std::move(cells));
    }
    return content;
}

// The floor: the same pages drawn with bare QPainter calls; CPU and wall-clock seconds.
std::pair<double, double> floorOnce(const FloorPages &content, const QString &out)
{
    QFile file(out);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QElapsedTimer t;
    t.start();
    const double cpu = cpuSeconds();
    QPdfWriter writer(&file);
    writer.setResolution(kPdfResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF()));
    QPainter painter(&writer);
    // Mitred joins let the PDF engine stroke the frames natively (the default bevel joins
    // make it write each outline out as a filled polygon).
    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    std::map<std::pair<int, bool>, QFont> fonts;
    for (size_t p = 0; p < content.size(); ++p) {
        if (p > 0)
            writer.newPage();
        painter.save();
        painter.scale(kPdfResolution / frPageUnitsPerInch, kPdfResolution / frPageUnitsPerInch);
        for (const FloorCell &c : content[p]) {
            if (c.framed)
                painter.drawRect(c.rect);
            QFont &font = fonts[{c.pixelSize, c.bold}];
            if (font.pixelSize() != c.pixelSize) {
                font = QFont(QStringLiteral("Arial"));
                font.setPixelSize(c.pixelSize);
                font.setBold(c.bold);
            }
            painter.setFont(font);
            const int ascent = QFontMetrics(font).ascent();
            for (qsizetype l = 0; l < c.lines.size(); ++l)
                painter.drawText(QPoint(c.rect.left() + 2, c.rect.top() + 2 + ascent + int(l) * (c.pixelSize + 3)),
                                 c.lines[l]);
        }
        painter.restore();
    }
    painter.end();
    return {cpuSeconds() - cpu, double(t.nsecsElapsed()) / 1e9};
}

constexpr int kRounds = 7;

// Export and floor in turns, so both meet the same load; the best round of each counts.
void BM_PdfExportBesideFloor(benchmark::State &state)
{
    PreparedJournal &j = prepared();
    FloorPages content; // made after the first export, so that export's memory is the report's
    const double pages = j.builder.EMFPages.GetCount();
    const QString out = folder().filePath(QStringLiteral("journal.pdf"));
    const QString floorOut = folder().filePath(QStringLiteral("floor.pdf"));
    MemoryTrace firstExport;
    Best exported, floor;
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            MemoryTrace memory;
            const auto [cpu, wall] = exportOnce(j, out, memory);
            exported.add(cpu, wall);
            if (round == 0) {
                firstExport = memory;
                content = floorContent(j);
            }
            const auto [floorCpu, floorWall] = floorOnce(content, floorOut);
            floor.add(floorCpu, floorWall);
        }
    }
    state.counters["rows"] = kRows;
    state.counters["pages"] = pages;
    state.counters["export_pages_per_cpu_s"] = pages / exported.cpu;
    state.counters["export_pages_per_wall_s"] = pages / exported.wall;
    state.counters["floor_pages_per_cpu_s"] = pages / floor.cpu;
    state.counters["floor_pages_per_wall_s"] = pages / floor.wall;
    state.counters["export_pct_of_floor"] = 100.0 * floor.cpu / exported.cpu;
    state.counters["prepared_packed_MB"] = double(j.builder.EMFPages.PackedBytes()) / (1024.0 * 1024.0);
    state.counters["resident_before_MB"] = firstExport.before;
    state.counters["resident_at_10pct_MB"] = firstExport.atTenth;
    state.counters["resident_peak_MB"] = firstExport.peak;
    state.counters["export_pdf_MB"] = double(QFileInfo(out).size()) / (1024.0 * 1024.0);
    state.counters["floor_pdf_MB"] = double(QFileInfo(floorOut).size()) / (1024.0 * 1024.0);
    std::printf("brief lines -> rows:");
    for (const auto &[lines, rows] : j.briefLines)
        std::printf(" %d:%d", lines, rows);
    std::printf("\nresident after preparation %.1f MB; during the first export %.1f MB at its start, %.1f MB "
                "at 10 %% of the pages, %.1f MB at most\n",
                j.preparedMB, firstExport.before, firstExport.atTenth, firstExport.peak);
    std::printf("PDF export %.1f pages per CPU second (%.1f per wall-clock second), plain QPdfWriter floor %.1f "
                "(%.1f): %.0f %% of the floor (target 80 %%)\n",
                pages / exported.cpu, pages / exported.wall, pages / floor.cpu, pages / floor.wall,
                100.0 * floor.cpu / exported.cpu);
}
BENCHMARK(BM_PdfExportBesideFloor)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv) { return testkit::benchmarkMain(argc, argv); }
