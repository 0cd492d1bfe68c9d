// Prepared pages beyond their memory budget: a report prepared, drawn, exported, saved
// and loaded again gives the same pages, pictures, export callbacks and file bytes as with
// every page in memory; the swap file has no name and is gone with the pages; hostile and
// truncated files read from disk still fail cleanly.
#include "tests/engine/prepare_test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <functional>
#include <limits>

#include "report/engine/export_filter.h"
#include "report/engine/prepared_file.h"
#include "report/eval/errors.h"
#include "report/eval/swap_file.h"
#include "report/model/band.h"

using namespace prepare_test;

namespace {

struct LimitsGuard {
    TfrMemoryLimits saved = frMemoryLimits();
    ~LimitsGuard() { frMemoryLimits() = saved; }
};

// What a descriptor of this process refers to, or empty when it is closed.
QString descriptorTarget(int fd)
{
    return QFileInfo(QStringLiteral("/proc/self/fd/%1").arg(fd)).symLinkTarget();
}

QStringList folderEntries(const QString &path)
{
    return QDir(path).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
}

class RecordingFilter : public TfrExportFilter {
public:
    QStringList log;
    void OnBeginPage() override { log << QStringLiteral("BeginPage"); }
    void OnEndPage() override { log << QStringLiteral("EndPage"); }
    void OnData(int x, int y, TfrView *View) override
    {
        log << QStringLiteral("Data %1 %2,%3").arg(View->Name).arg(x).arg(y);
    }
    void OnText(const TfrRect &, int x, int y, const QString &Text, int FrameTyp, TfrView *View) override
    {
        log << QStringLiteral("Text %1 '%2' %3,%4 frame=%5").arg(View->Name, Text).arg(x).arg(y).arg(FrameTyp);
    }
};

// A journal-like list of 400 framed rows over many pages, with page numbers of the total.
void longList(Template &t)
{
    t.report.DoublePassReport = true;
    t.band("Title", btReportTitle, 20, 30);
    t.memo("TitleText", 30, 20, 400, 24, "Журнал принятых файлов");
    t.band("Header", btPageHeader, 60, 24)->Flags = flBandOnFirstPage;
    t.memo("HeadText", 30, 60, 400, 20, "№ | Содержание");
    t.band("Data", btMasterData, 90, 22, "400");
    TfrMemoView *no = t.memo("No", 30, 90, 60, 20, "[LINE#]");
    no->FrameTyp = 15;
    TfrMemoView *brief = t.memo("Brief", 90, 90, 500, 20, "Письмо о поставке оборудования, строка [LINE#]");
    brief->FrameTyp = 15;
    t.band("Footer", btPageFooter, 400, 20)->Flags = flBandOnFirstPage | flBandOnLastPage;
    t.memo("FooterText", 30, 400, 300, 20, "Стр. [PAGE#] из [TOTALPAGES]");
}

// A cross-tab three pages wide and several pages long: every row goes back to pages formed
// before, to the left of the last one.
void wideCrossTab(Template &t)
{
    t.band("Header", btPageHeader, 20, 20)->Flags = flBandOnFirstPage;
    t.memo("HeadText", 20, 20, 300, 20, "Sheet");
    t.band("Data", btMasterData, 60, 20, "150");
    auto *ch = t.band("CrossHeader", btCrossHeader, 0, 200);
    ch->SetBounds(20, 0, 100, 200);
    auto *cd = t.band("CrossData", btCrossData, 0, 200, "20");
    cd->SetBounds(120, 0, 100, 200);
    t.memo("RowHead", 20, 60, 90, 20, "R[LINE#]");
    t.memo("Cell", 120, 60, 90, 20, "[LINE#]:[COLUMN#]");
    t.band("Footer", btPageFooter, 400, 20)->Flags = flBandOnFirstPage | flBandOnLastPage;
    t.memo("FooterText", 20, 400, 200, 20, "Page [PAGE#]");
}

struct Outcome {
    std::vector<PageObjs> pages;
    std::vector<QImage> pictures;
    QStringList exported;
    QByteArray saved;
    QByteArray savedAfterLoading;
    bool swapped = false;
};

Outcome prepareDrawExportSave(const std::function<void(Template &)> &build, const QString &folder)
{
    Outcome out;
    Template t;
    build(t);
    t.builder.ShowProgress = false;
    out.pages = t.prepare();
    TfrEMFPages &pages = t.builder.EMFPages;
    for (int i = 0; i < pages.GetCount(); ++i)
        out.swapped = out.swapped || !pages[i].InMemory();

    // Drawn as the preview does: unpacked, drawn, released.
    for (int i = 0; i < pages.GetCount(); ++i) {
        QImage image(210, 297, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        pages[i].keepUnpacked = true;
        {
            QPainter p(&image);
            pages.Draw(i, &p, image.rect());
        }
        pages[i].keepUnpacked = false;
        pages.Draw(i, nullptr, QRect());
        out.pictures.push_back(image);
    }

    RecordingFilter filter;
    t.builder.ExportTo(filter, QDir(folder).filePath(QStringLiteral("export.txt")));
    out.exported = filter.log;

    const QString file = QDir(folder).filePath(QStringLiteral("report.frp"));
    frSavePreparedReport(pages, file);
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    out.saved = f.readAll();
    f.close();

    TfrEMFPages loaded(&t.report);
    frLoadPreparedReport(loaded, file);
    TfrStream again;
    loaded.SaveToStream(again);
    out.savedAfterLoading = again.data();
    return out;
}

TEST(PageSwap, PagesBeyondTheBudgetGiveTheSameReportAsPagesInMemory)
{
    QTemporaryDir folder;
    const std::pair<const char *, std::function<void(Template &)>> reports[] = {
        {"long list", longList}, {"wide cross-tab", wideCrossTab}};
    for (const auto &[what, build] : reports) {
        SCOPED_TRACE(what);
        LimitsGuard limits;
        frMemoryLimits().pageMemory = std::numeric_limits<qint64>::max();
        const Outcome inMemory = prepareDrawExportSave(build, folder.path());
        EXPECT_FALSE(inMemory.swapped);
        ASSERT_GT(inMemory.pages.size(), 6u);

        frMemoryLimits().pageMemory = 0; // only the pages being written stay in memory
        const Outcome swapped = prepareDrawExportSave(build, folder.path());
        EXPECT_TRUE(swapped.swapped);

        ASSERT_EQ(swapped.pages.size(), inMemory.pages.size());
        for (size_t p = 0; p < inMemory.pages.size(); ++p) {
            ASSERT_EQ(swapped.pages[p].size(), inMemory.pages[p].size()) << "page " << p;
            for (size_t o = 0; o < inMemory.pages[p].size(); ++o) {
                const Obj &a = inMemory.pages[p][o], &b = swapped.pages[p][o];
                EXPECT_TRUE(a.name == b.name && a.text == b.text && a.left == b.left && a.top == b.top)
                    << "page " << p << " object " << o << ": " << b.name.toStdString() << " '"
                    << b.text.toStdString() << "'";
            }
        }
        for (size_t p = 0; p < inMemory.pictures.size(); ++p)
            EXPECT_TRUE(swapped.pictures[p] == inMemory.pictures[p]) << "picture of page " << p;
        EXPECT_EQ(swapped.exported, inMemory.exported);
        EXPECT_EQ(swapped.saved, inMemory.saved);
        EXPECT_EQ(swapped.savedAfterLoading, inMemory.saved);
    }
}

TEST(PageSwap, TheSwapFileHasNoNameAndIsGoneWithThePages)
{
    LimitsGuard limits;
    QTemporaryDir swapFolder;
    frMemoryLimits().swapFolder = swapFolder.path();
    frMemoryLimits().pageMemory = 2000;

    int fd = -1;
    TfrEMFPages held; // what a preview holds while it shows the pages
    {
        Template t;
        longList(t);
        t.builder.ShowProgress = false;
        t.prepare();
        TfrEMFPages &pages = t.builder.EMFPages;
        ASSERT_NE(pages.SwapFile(), nullptr);
        qsizetype largest = 0;
        for (int i = 0; i < pages.GetCount(); ++i)
            largest = std::max(largest, pages[i].StreamSize());
        EXPECT_LE(pages.MemoryBytes(), 2000 + 3 * largest) << "the budget and the pages being written";
        fd = pages.SwapFile()->Descriptor();
        const QString target = descriptorTarget(fd);
        EXPECT_TRUE(target.startsWith(swapFolder.path())) << target.toStdString();
        EXPECT_TRUE(target.endsWith(QStringLiteral("(deleted)"))) << target.toStdString();
        EXPECT_TRUE(folderEntries(swapFolder.path()).isEmpty()) << "nothing to clean up after a crash";

        held.AddFrom(pages);
        const PageObjs last = readPages(held).back();
        EXPECT_EQ(textsOf(last, u("FooterText")).size(), 1u);
    }
    // The report is gone; the pages it handed over still read from the file.
    EXPECT_TRUE(descriptorTarget(fd).startsWith(swapFolder.path()));
    const std::vector<PageObjs> pages = readPages(held);
    EXPECT_EQ(textsOf(pages[0], u("No")).front(), QStringLiteral("1"));
    held.Clear();
    EXPECT_FALSE(descriptorTarget(fd).startsWith(swapFolder.path())) << "closed when the pages were freed";
    EXPECT_TRUE(folderEntries(swapFolder.path()).isEmpty());
}

// A filter that notes how much of the report's pages is in memory at each page.
class MemoryWatchingFilter : public RecordingFilter {
public:
    std::vector<qsizetype> memory;
    void OnBeginPage() override
    {
        RecordingFilter::OnBeginPage();
        memory.push_back(EMFPages->MemoryBytes());
    }
};

TEST(PageSwap, AnExportLeavesThePagesMemoryToTheFilterAndGivesItBackAfter)
{
    QTemporaryDir folder;
    LimitsGuard limits;
    frMemoryLimits().pageMemory = std::numeric_limits<qint64>::max();
    Template t;
    longList(t);
    t.builder.ShowProgress = false;
    t.prepare();
    TfrEMFPages &pages = t.builder.EMFPages;
    const qsizetype all = pages.MemoryBytes();
    qsizetype largest = 0;
    for (int i = 0; i < pages.GetCount(); ++i)
        largest = std::max(largest, pages[i].StreamSize());
    ASSERT_GT(all, 2000 + 2 * largest);

    RecordingFilter reference;
    t.builder.ExportTo(reference, QDir(folder.path()).filePath(QStringLiteral("a.txt")));
    EXPECT_EQ(pages.MemoryBytes(), all) << "a budget above the pages swaps nothing";

    frMemoryLimits().pageMemory = 2000;
    MemoryWatchingFilter watching;
    t.builder.ExportTo(watching, QDir(folder.path()).filePath(QStringLiteral("b.txt")));
    EXPECT_EQ(watching.log, reference.log) << "pages read back from the swap file export the same";
    ASSERT_EQ(int(watching.memory.size()), pages.GetCount());
    for (size_t i = 0; i < watching.memory.size(); ++i)
        EXPECT_LE(watching.memory[i], 2000 + largest) << "page " << i + 1;

    // After the export the list follows the process's budget again: pages taken back for
    // writing stay in memory.
    frMemoryLimits().pageMemory = std::numeric_limits<qint64>::max();
    for (int i = 0; i < pages.GetCount(); ++i)
        pages[i].Stream();
    EXPECT_GE(pages.MemoryBytes(), all);
}

TEST(PageSwap, EditedPagesAreWrittenAgainWhenTheyLeaveMemory)
{
    LimitsGuard limits;
    frMemoryLimits().pageMemory = 0;
    Template t;
    longList(t);
    t.builder.ShowProgress = false;
    t.prepare();
    TfrEMFPages &pages = t.builder.EMFPages;
    ASSERT_GT(pages.GetCount(), 4);
    ASSERT_FALSE(pages[0].InMemory());
    ASSERT_FALSE(pages[1].InMemory());

    // A shorter page goes back where it was, a longer one to the end of the file.
    struct Edit {
        int page;
        QString text;
    };
    const Edit edits[] = {{0, QStringLiteral("x")}, {1, QString(3000, QLatin1Char('y'))}};
    for (const Edit &e : edits) {
        pages.ObjectsToPage(e.page);
        for (const auto &view : pages.Unpacked(e.page)->Objects)
            if (view->Name == u("Brief"))
                view->Memo = QStringList{e.text};
        pages.PageToObjects(e.page);
        pages.Release(e.page);
    }
    // Other pages pass through memory and push the edited ones out.
    for (int i = 2; i < pages.GetCount(); ++i)
        pages[i].Stream();
    ASSERT_FALSE(pages[0].InMemory());
    ASSERT_FALSE(pages[1].InMemory());
    const std::vector<PageObjs> read = readPages(pages);
    for (const Edit &e : edits)
        for (const QString &text : textsOf(read[size_t(e.page)], u("Brief")))
            EXPECT_EQ(text, e.text) << "page " << e.page;
    EXPECT_EQ(textsOf(read[2], u("Brief")).front(), u("Письмо о поставке оборудования, строка %1")
                                                          .arg(textsOf(read[2], u("No")).front()));
}

// No place for a swap file: the pages stay in memory rather than being lost, and the
// report is the one prepared with room.
TEST(PageSwap, WithoutRoomForASwapFileThePagesStayInMemory)
{
    LimitsGuard limits;
    frMemoryLimits().pageMemory = std::numeric_limits<qint64>::max();
    QTemporaryDir folder;
    const Outcome inMemory = prepareDrawExportSave(longList, folder.path());

    frMemoryLimits().pageMemory = 0;
    frMemoryLimits().swapFolder = folder.filePath(QStringLiteral("missing/folder"));
    const Outcome noRoom = prepareDrawExportSave(longList, folder.path());
    EXPECT_FALSE(noRoom.swapped);
    EXPECT_EQ(noRoom.saved, inMemory.saved);
    EXPECT_EQ(noRoom.exported, inMemory.exported);
}

// ---- files on disk ------------------------------------------------------------------------

TEST(PageSwap, TruncatedAndHostileFilesOnDiskFailCleanly)
{
    LimitsGuard limits;
    frMemoryLimits().pageMemory = 0;
    QTemporaryDir folder;
    QByteArray bytes;
    {
        Template t;
        wideCrossTab(t);
        t.builder.ShowProgress = false;
        t.prepare();
        TfrStream s;
        t.builder.EMFPages.SaveToStream(s);
        bytes = s.data();
    }
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
    std::vector<Case> cases = {
        {"empty file", QByteArray()},
        {"header only", bytes.left(firstRecord)},
        {"cut inside the first record", bytes.left(firstRecord + 20)},
        {"cut inside the first page's objects", bytes.left(firstRecord + 36 + 30)},
        {"cut before the format mark", bytes.left(bytes.size() - 1)},
        {"next record points backwards", patched(firstRecord, 3)},
        {"next record beyond the end", patched(firstRecord, qint32(bytes.size() + 100))},
        {"next record negative", patched(firstRecord, -8)},
        {"huge page count", patched(countAt, 0x7FFFFFFF)},
        {"page data of the wrong length", patched(firstRecord, qint32(firstRecord + 45))},
    };
    for (qsizetype n = bytes.size() / 2; n < bytes.size(); n += bytes.size() / 7)
        cases.push_back({"cut in the middle", bytes.left(n)});
    const QString file = folder.filePath(QStringLiteral("hostile.frp"));
    TfrReport report;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.bytes);
        f.close();
        TfrEMFPages pages(&report);
        EXPECT_THROW(frLoadPreparedReport(pages, file), EfrError);
        EXPECT_EQ(pages.GetCount(), 0);
        EXPECT_EQ(pages.SwapFile(), nullptr) << "nothing kept of a file that failed";
    }
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.close();
    TfrEMFPages pages(&report);
    frLoadPreparedReport(pages, file);
    EXPECT_GT(pages.GetCount(), 6);
    EXPECT_NE(pages.SwapFile(), nullptr);
    TfrStream again;
    pages.SaveToStream(again);
    EXPECT_EQ(again.data(), bytes);
}

// Fails on the third page it is given, as a full disk would.
class FailingCompressor : public TfrCompressor {
public:
    int pages = 0;
    void Compress(const TfrStream &source, TfrStream &dest) override
    {
        if (++pages == 3)
            throw EfrError(QStringLiteral("No space left on device"));
        dest.write(source.constData(), source.size());
    }
};

TEST(PageSwap, SavingReplacesTheFileOnlyWhenTheWholeReportWasWritten)
{
    LimitsGuard limits;
    frMemoryLimits().pageMemory = 0;
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("keep.frp"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("previous");
    }
    Template t;
    longList(t);
    t.builder.ShowProgress = false;
    t.prepare();
    auto installed = std::move(frCompressor);
    frCompressor = std::make_unique<FailingCompressor>();
    frCompressor->Enabled = true;
    EXPECT_THROW(frSavePreparedReport(t.builder.EMFPages, file), EfrError);
    frCompressor = std::move(installed);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("previous"));
    EXPECT_EQ(folderEntries(folder.path()), QStringList{QStringLiteral("keep.frp")}) << "no partial file left";
    EXPECT_THROW(frSavePreparedReport(t.builder.EMFPages, folder.filePath(QStringLiteral("no/such/x.frp"))), EfrError);
}

TEST(PageSwap, ByteSizesOfTheEnvironment)
{
    struct Row {
        const char *text;
        qint64 bytes;
    };
    const Row rows[] = {{"0", 0},         {"1000", 1000},      {"64K", 64 << 10}, {"64k", 64 << 10},
                        {" 5M ", 5 << 20}, {"2G", 2LL << 30},  {"", -1},          {"M", -1},
                        {"-1", -1},        {"12X", -1},        {"1.5M", -1},      {"99999999999G", -1}};
    for (const Row &r : rows)
        EXPECT_EQ(frParseByteSize(QString::fromLatin1(r.text)), r.bytes) << r.text;
}

} // namespace
