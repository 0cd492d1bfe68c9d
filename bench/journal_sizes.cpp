// The journal template over realistic journals of 10,000, 100,000 and 1,000,000 rows: the
// time to prepare (two passes, as the template asks), pages per second and peak memory, then
// the same report saved as a prepared-report file, walked by an export filter and read back
// from the file. Each size runs in a child process of its own, so that its peak memory is
// its own. Targets: 100,000 rows prepared in under 2.5 s with under 150 MB peak; 1,000,000
// rows prepared, saved and exported with under 300 MB peak; time growing linearly (each
// ratio under 11).
//
// The rows: brief contents of 4 to 18 words, at most two addressees, runs of 5 to 60 files,
// file names, sizes and times as an office receives them. The databases are made once and
// kept in FR_BENCH_CACHE (default: a folder in the temporary folder).
//
//   bench_journal_sizes [ROWS...]      default 10000 100000 1000000
//
// The machine this runs on is shared: wall times vary with its load.
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>

#include "report/engine/export_filter.h"
#include "report/engine/pdf_export.h"
#include "report/engine/prepare.h"
#include "report/engine/prepared_file.h"
#include "report/engine/prepared_pages.h"
#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/table_cursor.h"
#include "report/model/fr_globals.h"
#include "report/model/report.h"
#include "testkit/journal_data.h"
#include "testkit/memory.h"
#include "testkit/paths.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

QString cacheFolder()
{
    const QString dir = qEnvironmentVariableIsSet("FR_BENCH_CACHE") ? qEnvironmentVariable("FR_BENCH_CACHE")
                                                                    : QDir::temp().filePath(QStringLiteral("fr-bench-journal"));
    QDir().mkpath(dir);
    return dir;
}

QString databaseFile(int rows) { return QDir(cacheFolder()).filePath(QStringLiteral("journal-v1-%1.db").arg(rows)); }

// ---- realistic rows ----

const char *const kWords[] = {
    "письмо",      "о",          "согласовании", "графика",     "поставок",   "оборудования", "на",
    "первый",      "квартал",    "договор",      "поставки",    "№",          "от",           "акт",
    "сверки",      "взаимных",   "расчетов",     "с",           "ООО",        "«Вектор»",     "счет",
    "на",          "оплату",     "услуг",        "связи",       "за",         "март",         "приказ",
    "об",          "утверждении", "положения",   "о",           "премировании", "работников", "запрос",
    "сведений",    "для",        "налоговой",    "отчетности",  "уведомление", "изменении",   "реквизитов",
    "банка",       "протокол",   "совещания",    "по",          "вопросам",   "ремонта",      "здания",
    "служебная",   "записка",    "начальника",   "отдела",      "кадров",     "ответ",        "на",
    "обращение",   "гражданина", "заявка",       "канцелярские", "товары",    "и",            "расходные",
    "материалы",   "копия",      "лицензии",     "справка",     "о",          "состоянии",    "задолженности",
};
const char *const kAddressees[] = {"Руководитель", "Бухгалтерия", "Отдел кадров", "Канцелярия",
                                   "Юридический отдел", "Отдел снабжения", "Иванов И. И.", "Петрова А. С."};
const char *const kExecutors[] = {"Иванова А. П.", "Петров С. В.", "Сидорова Е. Н.", "Кузнецов Д. А."};
const char *const kNameStems[] = {"Письмо", "Договор", "scan", "Акт_сверки", "Счет", "Приказ", "IMG", "Отчет"};
const char *const kExtensions[] = {"pdf", "docx", "xlsx", "tif", "jpg", "zip", "doc", "txt"};

QString dateText(int day)
{
    // Day 0 is 9 January 2017; working days only would not change the text's shape.
    const QDate d = QDate(2017, 1, 9).addDays(day);
    return d.toString(QStringLiteral("dd.MM.yyyy"));
}

bool makeDatabase(int rows, const QString &file)
{
    const QString partial = file + QStringLiteral(".part");
    QFile::remove(partial);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make"));
        db.setDatabaseName(partial);
        if (!db.open())
            return false;
        QSqlQuery q(db);
        q.exec(QStringLiteral("PRAGMA journal_mode=OFF"));
        q.exec(QStringLiteral("PRAGMA synchronous=OFF"));
        std::mt19937 rng(20260312u + unsigned(rows));
        auto pick = [&](int n) { return int(rng() % unsigned(n)); };
        int run = 1, leftInRun = 0, day = 0;
        QString brief, toWhom, name;
        qint64 size = 0;
        // The row is drawn at its first column; the rest follow in the columns' order.
        const bool made = testkit::fillJournal(db, rows, QStringLiteral("Temp"), [&](const QString &column, int i) -> QVariant {
            if (column == QLatin1String("NumPP")) {
                if (leftInRun == 0) {
                    ++run;
                    leftInRun = 5 + pick(56);
                    day += pick(3);
                }
                --leftInRun;
                brief.clear();
                const int words = 4 + pick(15);
                for (int w = 0; w < words; ++w) {
                    if (w)
                        brief += QLatin1Char(' ');
                    brief += u(kWords[pick(int(std::size(kWords)))]);
                }
                brief[0] = brief[0].toUpper();
                toWhom = u(kAddressees[pick(int(std::size(kAddressees)))]);
                if (pick(3) == 0)
                    toWhom += QLatin1Char('\n') + u(kAddressees[pick(int(std::size(kAddressees)))]);
                name = QStringLiteral("%1_%2.%3")
                           .arg(u(kNameStems[pick(int(std::size(kNameStems)))]))
                           .arg(pick(100000), 5, 10, QLatin1Char('0'))
                           .arg(QLatin1String(kExtensions[pick(int(std::size(kExtensions)))]));
                // Sizes from a few hundred bytes to tens of megabytes, most of them small.
                size = qint64(std::exp(6.0 + (rng() % 10000) / 10000.0 * 11.0));
                return i;
            }
            if (column == QLatin1String("NumReis"))
                return run;
            if (column == QLatin1String("NameFile"))
                return name;
            if (column == QLatin1String("DateCreateFile"))
                return dateText(day - pick(2));
            if (column == QLatin1String("TimeCreateFile"))
                return QStringLiteral("%1:%2").arg(8 + pick(10), 2, 10, QLatin1Char('0')).arg(pick(60), 2, 10, QLatin1Char('0'));
            if (column == QLatin1String("Size"))
                return size;
            if (column == QLatin1String("DateProcesFile"))
                return dateText(day);
            if (column == QLatin1String("TimeProcesFile"))
                return QStringLiteral("%1:%2").arg(9 + pick(8), 2, 10, QLatin1Char('0')).arg(pick(60), 2, 10, QLatin1Char('0'));
            if (column == QLatin1String("Ispolnitel"))
                return u(kExecutors[pick(int(std::size(kExecutors)))]);
            if (column == QLatin1String("BriefContents"))
                return brief;
            if (column == QLatin1String("ToWhom"))
                return toWhom;
            return {};
        });
        if (!made)
            return false;
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("make"));
    return QFile::rename(partial, file);
}

long peakMegabytes() { return long(testkit::peakMegabytes()); }

// Counts what an export filter is handed: pages, objects and text lines.
class CountingFilter : public TfrExportFilter {
public:
    qint64 pages = 0, objects = 0, lines = 0;
    void OnBeginPage() override { ++pages; }
    void OnData(int, int, TfrView *) override { ++objects; }
    void OnText(const TfrRect &, int, int, const QString &, int, TfrView *) override { ++lines; }
};

double seconds(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e9; }

// One size, in this process: prints "key=value" lines for the parent.
int runOne(int rows)
{
    const QString file = databaseFile(rows);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("journal"));
    db.setDatabaseName(file);
    if (!db.open()) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(file));
        return 1;
    }
    QObject owner;
    auto *cursor = new TfrTableCursor(&owner);
    cursor->setObjectName(QStringLiteral("Temp"));
    cursor->setDatabase(db);
    cursor->setTableName(QStringLiteral("Temp"));
    auto *dataSet = new TfrDBDataSet(&owner);
    dataSet->setObjectName(QStringLiteral("frDBDataSet1"));
    dataSet->SetDataSet(cursor);
    TfrReport report(&owner);
    testkit::loadJournalTemplate(report);

    TfrReportBuilder builder(report);
    builder.ShowErrorBox = false;
    builder.ShowProgress = false;
    QElapsedTimer t;
    t.start();
    const bool prepared = builder.PrepareReport(); // opens the cursor: reading the rows counts
    const double prepareSeconds = seconds(t);
    if (!prepared) {
        std::fprintf(stderr, "preparation failed: %s\n", qPrintable(builder.LastError));
        return 1;
    }
    const long prepareMB = peakMegabytes();

    QTemporaryDir out;
    const QString frp = out.filePath(QStringLiteral("journal.frp"));
    t.restart();
    frSavePreparedReport(builder.EMFPages, frp);
    const double saveSeconds = seconds(t);
    const long saveMB = peakMegabytes();

    CountingFilter filter;
    t.restart();
    builder.ExportTo(filter, out.filePath(QStringLiteral("journal.txt")));
    const double exportSeconds = seconds(t);
    const long exportMB = peakMegabytes();

    // The same pages as PDF, drawn page by page as the preview's save does.
    TfrPdfExport pdf;
    const QString pdfFile = out.filePath(QStringLiteral("journal.pdf"));
    t.restart();
    builder.ExportTo(pdf, pdfFile);
    const double pdfSeconds = seconds(t);
    const long pdfMB = peakMegabytes();
    const double pdfFileMB = double(QFileInfo(pdfFile).size()) / 1048576.0;
    QFile::remove(pdfFile);

    const int pages = builder.EMFPages.GetCount();
    builder.EMFPages.Clear();

    // The file read back as the preview opens one (every object is read once to refuse a
    // corrupt file).
    t.restart();
    TfrEMFPages loaded(&report);
    frLoadPreparedReport(loaded, frp);
    const double loadSeconds = seconds(t);
    const long loadMB = peakMegabytes();
    if (loaded.GetCount() != pages) {
        std::fprintf(stderr, "the file read back has %d pages, not %d\n", loaded.GetCount(), pages);
        return 1;
    }

    std::printf("rows=%d\npages=%d\nprepare_s=%.3f\nprepare_peak_MB=%ld\nsave_s=%.3f\nfile_MB=%.1f\n"
                "save_peak_MB=%ld\nexport_s=%.3f\nexport_objects=%lld\nexport_peak_MB=%ld\nload_s=%.3f\n"
                "load_peak_MB=%ld\npdf_s=%.3f\npdf_MB=%.1f\npdf_peak_MB=%ld\n",
                rows, pages, prepareSeconds, prepareMB, saveSeconds, double(QFileInfo(frp).size()) / 1048576.0,
                saveMB, exportSeconds, static_cast<long long>(filter.objects), exportMB, loadSeconds, loadMB, pdfSeconds, pdfFileMB, pdfMB);
    CurReport = MasterReport = nullptr;
    CurPage = nullptr;
    return 0;
}

std::map<QString, double> runChild(const QString &program, int rows)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, {QStringLiteral("--one"), QString::number(rows)});
    std::map<QString, double> result;
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        return result;
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            result[QString::fromLatin1(line.left(eq))] = line.mid(eq + 1).toDouble();
    }
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && qstrcmp(argv[1], "--one") == 0) {
        QGuiApplication app(argc, argv);
        frGlobals();
        return runOne(QByteArray(argv[2]).toInt());
    }

    QCoreApplication app(argc, argv);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes << QByteArray(argv[i]).toInt();
    if (sizes.isEmpty())
        sizes = {10000, 100000, 1000000};

    for (int rows : sizes) {
        const QString file = databaseFile(rows);
        if (!QFileInfo::exists(file)) {
            std::printf("making a journal of %d rows in %s ...\n", rows, qPrintable(file));
            std::fflush(stdout);
            if (!makeDatabase(rows, file)) {
                std::fprintf(stderr, "cannot make %s\n", qPrintable(file));
                return 1;
            }
        }
    }

    std::printf("%9s %7s %10s %9s %10s %8s %9s %10s %9s %10s %8s %10s\n", "rows", "pages", "prepare_s",
                "pages/s", "prep_peak", "save_s", "file_MB", "save_peak", "export_s", "exp_peak", "load_s",
                "load_peak");
    std::map<int, double> prepareTime;
    std::map<int, std::map<QString, double>> results;
    for (int rows : sizes) {
        const std::map<QString, double> r = runChild(QCoreApplication::applicationFilePath(), rows);
        if (r.empty()) {
            std::printf("%9d failed\n", rows);
            continue;
        }
        results[rows] = r;
        const double prep = r.at(QStringLiteral("prepare_s"));
        prepareTime[rows] = prep;
        std::printf("%9d %7.0f %10.3f %9.0f %7.0f MB %8.3f %9.1f %7.0f MB %9.3f %7.0f MB %8.3f %7.0f MB\n", rows,
                    r.at(QStringLiteral("pages")), prep, r.at(QStringLiteral("pages")) / prep,
                    r.at(QStringLiteral("prepare_peak_MB")), r.at(QStringLiteral("save_s")),
                    r.at(QStringLiteral("file_MB")), r.at(QStringLiteral("save_peak_MB")),
                    r.at(QStringLiteral("export_s")), r.at(QStringLiteral("export_peak_MB")),
                    r.at(QStringLiteral("load_s")), r.at(QStringLiteral("load_peak_MB")));
        std::fflush(stdout);
    }
    std::printf("PDF export of the same pages:\n%9s %7s %9s %9s %10s\n", "rows", "pages", "pdf_s", "pdf_MB",
                "pdf_peak");
    for (const auto &[rows, r] : results)
        std::printf("%9d %7.0f %9.3f %9.1f %7.0f MB\n", rows, r.at(QStringLiteral("pages")),
                    r.at(QStringLiteral("pdf_s")), r.at(QStringLiteral("pdf_MB")), r.at(QStringLiteral("pdf_peak_MB")));
    for (auto it = prepareTime.begin(); it != prepareTime.end(); ++it) {
        const auto next = std::next(it);
        if (next == prepareTime.end())
            break;
        std::printf("preparation time ratio %d/%d rows: %.2f (rows ratio %.0f)\n", next->first, it->first,
                    next->second / it->second, double(next->first) / it->first);
    }
    return 0;
}
