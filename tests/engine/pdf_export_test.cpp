// PDF export of prepared pages, read back with poppler-utils: page count, paper sizes and
// orientation, the text a reader finds, embedded fonts, text inside its cells, the cancel
// between pages, and an export that fails half way.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>

#include "report/engine/pdf_export.h"
#include "report/engine/prepare.h"
#include "report/eval/errors.h"
#include "report/model/registry.h"
#include "report/model/memo_view.h"
#include "report/model/text_layout.h"
#include "tests/engine/journal_test_support.h"
#include "tests/engine/pdf_read.h"
#include "tests/engine/prepare_test_support.h"

using namespace prepare_test;
using namespace pdf_read;

namespace {

// Page units to PDF points.
constexpr double kPoints = 72.0 / frPageUnitsPerInch;

// A stored text without its line marks.
QString plain(QString text)
{
    text.remove(QChar(frParagraphMark));
    return text;
}

bool isA4(const QSizeF &s, bool landscape)
{
    const QSizeF want = landscape ? QSizeF(841.89, 595.28) : QSizeF(595.28, 841.89);
    return std::abs(s.width() - want.width()) < 0.5 && std::abs(s.height() - want.height()) < 0.5;
}

TEST(PdfExport, RegistersItselfWhileItLives)
{
    auto offered = [] {
        for (const TfrExportFilterInfo &e : frFilters())
            if (e.filterMask == QStringLiteral("*.pdf"))
                return e.filterDescription;
        return QString();
    };
    {
        TfrPdfExport filter;
        EXPECT_EQ(offered(), u("Файл PDF (*.pdf)"));
    }
    EXPECT_EQ(offered(), QString()) << "a destroyed filter is not offered";
}

TEST(PdfExport, JournalOfHundredRowsReadsBackPageForPage)
{
    journal_test::PreparedJournal journal(100, QStringLiteral("pdf_journal"));
    if (!journal.ready())
        GTEST_SKIP() << "no journal template description";
    TfrReportBuilder &builder = *journal.builder;
    ASSERT_TRUE(builder.PrepareReport()) << builder.LastError.toStdString();
    const auto pages = readPages(builder.EMFPages);
    ASSERT_GE(pages.size(), 3u);

    const QString out = journal.dir.filePath(QStringLiteral("journal.pdf"));
    TfrPdfExport filter;
    builder.ExportTo(filter, out);
    EXPECT_EQ(filter.PagesWritten(), int(pages.size()));
    EXPECT_FALSE(filter.Stopped());
    for (int i = 0; i < builder.EMFPages.GetCount(); ++i)
        EXPECT_EQ(builder.EMFPages.Unpacked(i), nullptr) << "page " << i + 1 << " was released";

    const auto sizes = pdfPageSizes(out);
    ASSERT_EQ(sizes.size(), pages.size()) << "one PDF page per prepared page";
    for (size_t i = 0; i < sizes.size(); ++i)
        EXPECT_TRUE(isA4(sizes[i], true)) << "page " << i + 1 << ": " << sizes[i].width() << " x " << sizes[i].height();

    // Two rows in the middle, found by a reader: every line of every cell, Cyrillic
    // included, and the page number of the total. Lines the layout wrapped to fit their
    // cell stay inside it word for word: the text is neither re-wrapped nor widened.
    QStringList seen;
    for (const char *number : {"49", "50"}) {
        SCOPED_TRACE(number);
        int pageNo = 0;
        std::vector<const Obj *> row;
        for (size_t p = 0; p < pages.size() && row.empty(); ++p)
            for (const Obj &o : pages[p])
                if (o.name == u("DataNumPP") && plain(o.text) == u(number)) {
                    pageNo = int(p) + 1;
                    for (const Obj &cell : pages[p])
                        if (cell.name.startsWith(u("Data")) && cell.top == o.top)
                            row.push_back(&cell);
                }
        ASSERT_GE(row.size(), 9u);
        const QString text = pdfText(out, pageNo);
        const auto words = pdfWords(out, pageNo);
        EXPECT_TRUE(text.contains(u("Стр. %1 из %2").arg(pageNo).arg(pages.size())));
        for (const Obj *cell : row) {
            SCOPED_TRACE(cell->name.toStdString());
            const QStringList lines = plain(cell->text).split(u'|');
            const QRectF box(cell->left * kPoints, cell->top * kPoints, cell->width * kPoints,
                             cell->height * kPoints);
            for (const QString &printed : lines) {
                // The brief contents hyphenate: the reader joins a word split at a line's
                // end, so the line is looked for without its hyphen.
                const QString line = printed.endsWith(u'-') ? printed.chopped(1) : printed;
                EXPECT_TRUE(text.contains(line)) << line.toStdString();
                seen << line;
                if (lines.size() < 2)
                    continue;
                for (const QString &word : line.split(u' ', Qt::SkipEmptyParts)) {
                    if (printed.endsWith(u'-') && line.endsWith(word))
                        continue; // read back as part of the joined word
                    const auto it = std::find_if(words.begin(), words.end(), [&](const Word &w) {
                        return w.text == word && box.contains(w.box.center());
                    });
                    ASSERT_NE(it, words.end()) << word.toStdString();
                    EXPECT_TRUE(box.adjusted(-0.5, -0.5, 0.5, 0.5).contains(it->box))
                        << word.toStdString() << " at " << it->box.left() << "," << it->box.top() << " - "
                        << it->box.right() << "," << it->box.bottom();
                }
            }
        }
    }
    const QString all = seen.join(u' ');
    EXPECT_TRUE(all.contains(u("Иванова А. П."))) << all.toStdString();
    EXPECT_TRUE(all.contains(u("Бухгалтерия, Отдел снабжения"))) << all.toStdString();
    EXPECT_TRUE(all.contains(u("Письмо о согласовании графика"))) << all.toStdString();
    EXPECT_TRUE(pdfText(out, 1).contains(u("Журнал принятых файлов")));
    EXPECT_TRUE(pdfText(out, int(pages.size())).contains(u("Всего принято файлов: 100")));

    // Every font is embedded, so the file reads the same on any machine.
    const QStringList fonts = QString::fromUtf8(poppler(QStringLiteral("pdffonts"), {out})).split(u'\n');
    int embedded = 0;
    for (const QString &line : fonts.mid(2)) {
        const QStringList cols = line.simplified().split(u' ');
        if (cols.size() < 6)
            continue;
        EXPECT_EQ(cols[cols.size() - 5], u("yes")) << line.toStdString();
        ++embedded;
    }
    EXPECT_GE(embedded, 2) << "regular and bold";
}

TEST(PdfExport, EachPageKeepsItsOwnPaper)
{
    struct PaperCase {
        const char *text;
        int size, width, height, orientation;
        QSizeF points;
    };
    const PaperCase papers[] = {
        {"Portrait A4", 9, 2100, 2970, poPortrait, {595.28, 841.89}},
        {"Landscape A4", 9, 2100, 2970, poLandscape, {841.89, 595.28}},
        {"Portrait A5", 11, 1480, 2100, poPortrait, {419.53, 595.28}},
        {"Custom 150 x 100", frCustomPaperSize, 1500, 1000, poPortrait, {425.20, 283.46}},
    };
    Template t;
    for (size_t i = 0; i < std::size(papers); ++i) {
        TfrPage *page = i == 0 ? t.page : t.report.Pages.Add();
        page->pgMargins = {20, 20, 20, 20};
        page->ChangePaper(papers[i].size, papers[i].width, papers[i].height, -1, papers[i].orientation);
        t.band(page, "Title", btReportTitle, 20, 30);
        t.memo(page, "Caption", 20, 20, 300, 30, papers[i].text);
    }
    const auto pages = t.prepare();
    ASSERT_EQ(pages.size(), std::size(papers));

    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("papers.pdf"));
    TfrPdfExport filter;
    t.builder.ExportTo(filter, out);
    const auto sizes = pdfPageSizes(out);
    ASSERT_EQ(sizes.size(), std::size(papers));
    for (size_t i = 0; i < sizes.size(); ++i) {
        SCOPED_TRACE(papers[i].text);
        EXPECT_NEAR(sizes[i].width(), papers[i].points.width(), 0.5);
        EXPECT_NEAR(sizes[i].height(), papers[i].points.height(), 0.5);
        EXPECT_TRUE(pdfText(out, int(i) + 1).contains(u(papers[i].text)));
    }
}

TEST(PdfExport, PageWithoutMarginsIsStretchedAsThePreviewShowsIt)
{
    Template t;
    t.page->applyMargins = false;
    t.band("Title", btReportTitle, 0, 30);
    t.memo("Corner", 0, 0, 200, 30, "Corner");
    ASSERT_EQ(t.prepare().size(), 1u);
    const TfrPageInfo &info = t.builder.EMFPages[0];
    ASSERT_FALSE(info.applyMargins);

    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("stretched.pdf"));
    TfrPdfExport filter;
    t.builder.ExportTo(filter, out);
    const auto words = pdfWords(out, 1);
    ASSERT_EQ(words.size(), 1u);
    // The paper's corner lands on the margin box's corner inside the printable area.
    const double left = (info.prnInfo.offsetXU + info.margins.Left) * kPoints;
    const double top = (info.prnInfo.offsetYU + info.margins.Top) * kPoints;
    EXPECT_GE(words[0].box.left(), left);
    EXPECT_LT(words[0].box.left(), left + 10);
    EXPECT_GE(words[0].box.top(), top);
    EXPECT_LT(words[0].box.top(), top + 15);
}

// The page's content stream, inflated (Qt writes each page's content as one deflated stream).
QByteArray pageContent(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray pdf = f.readAll();
    for (qsizetype at = pdf.indexOf("stream\n"); at >= 0; at = pdf.indexOf("stream\n", at + 1)) {
        const qsizetype begin = at + 7;
        const qsizetype end = pdf.indexOf("endstream", begin);
        if (end < 0)
            break;
        QByteArray zipped = pdf.mid(begin, end - begin);
        zipped.prepend(QByteArray::fromHex("00100000")); // a size hint; qUncompress grows it
        const QByteArray content = qUncompress(zipped);
        if (content.contains("BT"))
            return content;
    }
    return {};
}

TEST(PdfExport, FramedCellsAreStrokedPathsAndOnlyOverflowIsClipped)
{
    Template t;
    t.band("Title", btReportTitle, 20, 30);
    const char *texts[] = {"Канцелярия", "Бухгалтерия", "Отдел снабжения", "08.12.2026 и ещё немного текста"};
    for (int i = 0; i < 4; ++i) {
        TfrMemoView *m = t.memo(QByteArray("Cell").append(char('1' + i)).constData(), 20 + 120 * i, 20, 120, 30,
                                texts[i]);
        m->FrameTyp = 15;
        m->FrameWidth = 1;
    }
    t.report.Page(0)->Objects.back()->Width = 60; // the last text reaches out of its cell
    ASSERT_EQ(t.prepare().size(), 1u);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("cells.pdf"));
    TfrPdfExport filter;
    t.builder.ExportTo(filter, out);
    const QByteArray content = pageContent(out);
    ASSERT_TRUE(content.contains("BT")) << "no page content found";
    // Each frame is one stroked path of four sides, never an outline filled as a polygon
    // (several times the bytes); text that fits its cell needs no clip path.
    EXPECT_EQ(content.count("\nS\n"), 4) << content.left(3000).toStdString();
    EXPECT_FALSE(content.contains("h f"));
    EXPECT_EQ(content.count(" n\n"), 1) << "one clip, for the line that reaches out";
    EXPECT_EQ(content.count("BT"), 4);
}

// A report of numbered pages, one row a page.
struct NumberedPages : Template {
    explicit NumberedPages(int count)
    {
        band("Data", btMasterData, 40, 900, QByteArray::number(count).constData());
        memo("Row", 20, 40, 200, 20, "Page [LINE#]");
        EXPECT_EQ(prepare().size(), size_t(count));
    }
};

TEST(PdfExport, TerminatedStopsBetweenPages)
{
    NumberedPages t(6);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("cancelled.pdf"));
    TfrPdfExport filter;
    // The progress window's cancel, pressed while page 3 is exported.
    t.builder.events.OnProgress = [&](int n) {
        if (n == 3)
            t.report.Terminated = true;
    };
    t.builder.ExportTo(filter, out);
    EXPECT_TRUE(filter.Stopped());
    EXPECT_EQ(filter.PagesWritten(), 3);
    ASSERT_EQ(pdfPageCount(out), 3) << "the pages drawn before the cancel, as a complete file";
    EXPECT_TRUE(pdfText(out, 3).contains(u("Page 3")));
    for (int i = 0; i < t.builder.EMFPages.GetCount(); ++i)
        EXPECT_EQ(t.builder.EMFPages.Unpacked(i), nullptr);

    // A cancel left over from before does not cut the next export short.
    t.builder.events.OnProgress = nullptr;
    t.report.Terminated = true;
    t.builder.ExportTo(filter, out);
    EXPECT_FALSE(filter.Stopped());
    EXPECT_EQ(pdfPageCount(out), 6);
}

TEST(PdfExport, FailureHalfWayLeavesTheOldFileAndTheFilterWorksAgain)
{
    NumberedPages t(3);
    TfrPageInfo &second = t.builder.EMFPages[1];
    const int width = second.paperWidth;
    const int widthU = second.prnInfo.paperWidthU;
    second.paperWidth = 0;
    second.prnInfo.paperWidthU = 0;

    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("broken.pdf"));
    {
        QFile old(out);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    TfrPdfExport filter;
    try {
        t.builder.ExportTo(filter, out);
        ADD_FAILURE() << "a page without paper was exported";
    } catch (const EfrError &e) {
        EXPECT_TRUE(e.message().startsWith(u("Страница 2:"))) << e.message().toStdString();
    }
    EXPECT_EQ(t.builder.currentFilter, nullptr);
    QFile kept(out);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("old")) << "the file that was there stays whole";
    EXPECT_EQ(t.builder.EMFPages.Unpacked(1), nullptr);

    second.paperWidth = width;
    second.prnInfo.paperWidthU = widthU;
    t.builder.ExportTo(filter, out);
    EXPECT_EQ(pdfPageCount(out), 3);
    EXPECT_TRUE(pdfText(out, 2).contains(u("Page 2")));
}

TEST(PdfExport, ReportWithoutPagesIsRefused)
{
    TfrReportBuilder builder;
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("empty.pdf"));
    TfrPdfExport filter;
    bool after = false;
    filter.OnAfterExport = [&](const QString &) { after = true; };
    EXPECT_THROW(builder.ExportTo(filter, out), EfrError);
    EXPECT_FALSE(after);
    EXPECT_EQ(QFileInfo(out).size(), 0) << "no PDF without a page";
}

} // namespace
