// The export framework as a filter sees it: the order and arguments of the callbacks, the
// target file and its events, text lines with their frame sides, page coordinates, the
// progress line, and what an error in a callback leaves behind.
#include "tests/engine/prepare_test_support.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "report/engine/export_filter.h"
#include "report/eval/errors.h"
#include "report/model/band.h"
#include "report/model/memo_view.h"

using namespace prepare_test;

namespace {

// Writes down every callback with its arguments.
class RecordingFilter : public TfrExportFilter {
public:
    QStringList log;
    int modalResult = 1;
    bool failOnPage = false;
    int pages = 0;

    int ShowModal() override
    {
        log << QStringLiteral("ShowModal");
        return modalResult;
    }
    void OnBeginDoc() override { log << QStringLiteral("BeginDoc stream=%1").arg(Stream && Stream->isOpen()); }
    void OnEndDoc() override { log << QStringLiteral("EndDoc"); }
    void OnBeginPage() override
    {
        ++pages;
        log << QStringLiteral("BeginPage");
        if (failOnPage && pages == 2)
            throw EfrError(QStringLiteral("disk full"));
    }
    void OnEndPage() override { log << QStringLiteral("EndPage"); }
    void OnData(int x, int y, TfrView *View) override
    {
        log << QStringLiteral("Data %1 %2,%3").arg(View->Name).arg(x).arg(y);
    }
    void OnText(const TfrRect &, int, int y, const QString &Text, int FrameTyp, TfrView *View) override
    {
        log << QStringLiteral("Text %1 '%2' frame=%3 y=%4").arg(View->Name, Text).arg(FrameTyp).arg(y);
    }
};

// Holds the pages as a preview does while it shows them.
class HoldingPreview : public TfrEmbeddedPreview {
public:
    TfrEMFPages held;
    TfrReportBuilder *report = nullptr;
    int connects = 0, disconnects = 0;

    void Connect(TfrReportBuilder *r) override
    {
        report = r;
        ++connects;
        held.Clear();
        held.AddFrom(r->EMFPages);
    }
    void Disconnect() override
    {
        ++disconnects;
        report->EMFPages.AddFrom(held);
    }
    void Print() override {}
};

QStringList only(const QStringList &log, const QString &prefix)
{
    QStringList r;
    for (const QString &l : log)
        if (l.startsWith(prefix))
            r << l;
    return r;
}

// A title band and one data band per record, each record's text at the same place.
void dataReport(Template &t, int records)
{
    t.band("Title", btReportTitle, 20, 30);
    t.memo("TitleText", 30, 20, 300, 30, "Title");
    t.band("Data", btMasterData, 60, 600, QByteArray::number(records).constData());
    t.memo("Row", 40, 70, 200, 20, "Row [LINE#]");
}

TEST(Export, CallbacksArriveInOrderWithTheirArgumentsAndTheFileIsClosedBeforeAfterExport)
{
    Template t;
    dataReport(t, 2); // a 600-pixel data band: the second record goes on page 2
    t.builder.ShowProgress = false;
    t.prepare();
    ASSERT_EQ(t.builder.EMFPages.GetCount(), 2);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("out.txt"));
    RecordingFilter f;
    bool closedAtAfter = false;
    QString afterName;
    f.OnAfterExport = [&](const QString &name) {
        afterName = name;
        closedAtAfter = f.Stream == nullptr && QFile::exists(name);
    };
    t.builder.ExportTo(f, file);

    const QStringList expected = {
        QStringLiteral("ShowModal"), QStringLiteral("BeginDoc stream=1"), QStringLiteral("BeginPage"),
        QStringLiteral("Data TitleText 30,20"), QStringLiteral("Text TitleText 'Title' frame=0 y=21"),
        QStringLiteral("Data Row 40,60"), QStringLiteral("Text Row 'Row 1' frame=0 y=61"),
        QStringLiteral("EndPage"), QStringLiteral("BeginPage"),
        // The second page's objects are measured from its own corner, not below the first.
        QStringLiteral("Data Row 40,30"), QStringLiteral("Text Row 'Row 2' frame=0 y=31"),
        QStringLiteral("EndPage"), QStringLiteral("EndDoc")};
    EXPECT_EQ(f.log.join(QLatin1Char('\n')).toStdString(), expected.join(QLatin1Char('\n')).toStdString());
    EXPECT_EQ(afterName, file);
    EXPECT_TRUE(closedAtAfter);
    EXPECT_EQ(t.builder.currentFilter, nullptr);
    EXPECT_EQ(CurReport, &t.report);
    EXPECT_EQ(DocMode, dmPrinting);
}

TEST(Export, EmptyReportRenamedFileAndVetoes)
{
    QTemporaryDir dir;
    {
        // No prepared pages: an empty file, the document callbacks and no page callback.
        TfrReportBuilder report;
        report.ShowProgress = false;
        RecordingFilter f;
        bool after = false;
        f.OnAfterExport = [&](const QString &) { after = true; };
        report.ExportTo(f, dir.filePath(QStringLiteral("empty.txt")));
        EXPECT_EQ(f.log, (QStringList{QStringLiteral("ShowModal"), QStringLiteral("BeginDoc stream=1"),
                                      QStringLiteral("EndDoc")}));
        EXPECT_TRUE(after);
        QFile out(dir.filePath(QStringLiteral("empty.txt")));
        ASSERT_TRUE(out.exists());
        EXPECT_EQ(out.size(), 0);
    }
    {
        // OnBeforeExport renames the target: the file and OnAfterExport follow the new name.
        TfrReportBuilder report;
        report.ShowProgress = false;
        RecordingFilter f;
        const QString renamed = dir.filePath(QStringLiteral("renamed.txt"));
        f.OnBeforeExport = [&](QString &name, bool &) { name = renamed; };
        QString afterName;
        f.OnAfterExport = [&](const QString &name) { afterName = name; };
        report.ExportTo(f, dir.filePath(QStringLiteral("asked.txt")));
        EXPECT_TRUE(QFile::exists(renamed));
        EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("asked.txt"))));
        EXPECT_EQ(afterName, renamed);
    }
    for (bool viaEvent : {true, false}) {
        // A veto from the event or the options dialog: no file, no other callback.
        TfrReportBuilder report;
        report.ShowProgress = false;
        RecordingFilter f;
        bool after = false;
        f.OnAfterExport = [&](const QString &) { after = true; };
        if (viaEvent)
            f.OnBeforeExport = [](QString &, bool &go) { go = false; };
        else
            f.modalResult = 2;
        const QString file = dir.filePath(QStringLiteral("vetoed.txt"));
        report.ExportTo(f, file);
        EXPECT_FALSE(QFile::exists(file));
        EXPECT_EQ(f.log, viaEvent ? QStringList{} : QStringList{QStringLiteral("ShowModal")});
        EXPECT_FALSE(after);
        EXPECT_EQ(report.currentFilter, nullptr);
    }
}

TEST(Export, TextLinesCarryTheFrameSidesOfTheirPlaceInTheObject)
{
    Template t;
    t.band("Title", btReportTitle, 20, 200);
    TfrMemoView *three = t.memo("Three", 20, 20, 300, 80, "one|two|three");
    three->FrameTyp = 15;
    TfrMemoView *single = t.memo("Single", 20, 110, 300, 20, "alone");
    single->FrameTyp = 15;
    TfrMemoView *rotated = t.memo("Rotated", 400, 20, 40, 150, "up|down");
    rotated->FrameTyp = 15;
    rotated->Alignment = frtaVertical;
    t.builder.ShowProgress = false;
    t.prepare();

    QTemporaryDir dir;
    RecordingFilter f;
    t.builder.ExportTo(f, dir.filePath(QStringLiteral("frames.txt")));
    auto frames = [&](const QString &name) {
        QStringList r;
        for (const QString &l : only(f.log, QStringLiteral("Text ") + name + QLatin1Char(' ')))
            r << l.section(QStringLiteral("frame="), 1).section(QLatin1Char(' '), 0, 0);
        return r.join(QLatin1Char(','));
    };
    EXPECT_EQ(frames(QStringLiteral("Three")), QStringLiteral("13,5,7"));
    EXPECT_EQ(frames(QStringLiteral("Single")), QStringLiteral("15"));
    EXPECT_EQ(frames(QStringLiteral("Rotated")), QStringLiteral("0,0"));
    // One OnData per object, before its lines.
    EXPECT_EQ(only(f.log, QStringLiteral("Data Three")).size(), 1);
    const int data = int(f.log.indexOf(only(f.log, QStringLiteral("Data Three")).first()));
    EXPECT_TRUE(f.log.value(data + 1).startsWith(QStringLiteral("Text Three 'one'")));
}

TEST(Export, ProgressLineNamesThePageAndTheTotal)
{
    Template t;
    dataReport(t, 12);
    t.builder.ShowProgress = false;
    t.prepare();
    ASSERT_EQ(t.builder.EMFPages.GetCount(), 12);

    // The progress window as the engine drives it; lines are recorded as they are set.
    QStringList lines;
    TfrProgressUi saved = frProgressUi();
    TfrProgressUi &ui = frProgressUi();
    ui = TfrProgressUi{};
    ui.showModal = [&](TfrReport &, const QString &, const QString &line, const std::function<void()> &work) {
        lines << line;
        work();
        return 1;
    };
    ui.setLine = [&](const QString &line) { lines << line; };
    t.builder.ShowProgress = true;
    QTemporaryDir dir;
    RecordingFilter f;
    t.builder.ExportTo(f, dir.filePath(QStringLiteral("progress.txt")));
    ui = saved;

    const QString first = QString::fromUtf8("Формируется страница:");
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), first + QStringLiteral("  1"));
    EXPECT_TRUE(lines.contains(first + QString::fromUtf8("  3 из 12"))) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines.last(), first + QString::fromUtf8("  12 из 12"));
}

TEST(Export, AnErrorInACallbackClosesTheFileAndGivesThePagesBack)
{
    Template t;
    dataReport(t, 3);
    t.builder.ShowProgress = false;
    t.prepare();
    ASSERT_EQ(t.builder.EMFPages.GetCount(), 3);

    HoldingPreview preview;
    t.builder.Preview = &preview;
    preview.Connect(&t.builder); // the preview shows the pages
    ASSERT_EQ(t.builder.EMFPages.GetCount(), 0);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("failed.txt"));
    RecordingFilter f;
    f.failOnPage = true;
    bool after = false;
    f.OnAfterExport = [&](const QString &) { after = true; };
    EXPECT_THROW(t.builder.ExportTo(f, file), EfrError);

    EXPECT_FALSE(after);
    EXPECT_EQ(f.Stream, nullptr);
    EXPECT_EQ(t.builder.currentFilter, nullptr);
    EXPECT_EQ(preview.disconnects, 1);
    EXPECT_EQ(preview.connects, 2);
    EXPECT_EQ(preview.held.GetCount(), 3);
    // Nothing half written reached the name.
    EXPECT_FALSE(QFileInfo::exists(file));
    t.builder.Preview = nullptr;
}

} // namespace
