// Whole small reports on the engine's rarer paths: cross-tabs wider than a page, a
// sub-report running over a page break, texts split across pages and the frames that
// are redrawn with the band's final height.
#include "tests/engine/prepare_test_support.h"

#include "report/model/text_layout.h"

using namespace prepare_test;

namespace {

// Lines of a written part, without the paragraph marks the writer adds.
QStringList linesOf(const QString &joined)
{
    QStringList out;
    for (QString l : joined.split(QLatin1Char('|'))) {
        l.remove(QChar(frParagraphMark));
        if (!l.isEmpty())
            out << l;
    }
    return out;
}

QString numberedLines(int n)
{
    QStringList l;
    for (int i = 1; i <= n; ++i)
        l << QStringLiteral("Line %1").arg(i);
    return l.join(QLatin1Char('|'));
}

TEST(PrepareMore, CrossTabWiderThanThePageContinuesOnAPageToTheRight)
{
    for (bool repeatHeader : {false, true}) {
        SCOPED_TRACE(repeatHeader);
        Template t;
        t.band("Header", btPageHeader, 20, 20)->Flags = flBandOnFirstPage;
        t.memo("HeadText", 20, 20, 300, 20, "Sheet");
        t.band("Data", btMasterData, 60, 20, "2");
        auto *ch = t.band("CrossHeader", btCrossHeader, 0, 200);
        ch->SetBounds(20, 0, 100, 200);
        ch->Flags = repeatHeader ? flBandRepeatHeader : 0;
        auto *cd = t.band("CrossData", btCrossData, 0, 200, "12");
        cd->SetBounds(120, 0, 100, 200);
        t.memo("RowHead", 20, 60, 90, 20, "R[LINE#]");
        t.memo("Cell", 120, 60, 90, 20, "[LINE#]:[COLUMN#]");
        t.band("Footer", btPageFooter, 400, 20)->Flags = flBandOnFirstPage | flBandOnLastPage;
        t.memo("FooterText", 20, 400, 200, 20, "Page [PAGE#]");
        const auto pages = t.prepare();

        const int right = t.page->RightMargin() - t.page->LeftOffset();
        const int perFirst = (right - 120) / 100;
        ASSERT_LT(perFirst, 12) << "the test needs columns past the right margin";
        ASSERT_EQ(pages.size(), 2u);
        // Every cell once, each row's cells in column order, all within the margins.
        for (int row = 1; row <= 2; ++row) {
            int column = 0, rowTop = -1;
            for (size_t p = 0; p < pages.size(); ++p) {
                int x = -1;
                for (const Obj &o : pages[p]) {
                    if (o.name != u("Cell") || !o.text.startsWith(QStringLiteral("%1:").arg(row)))
                        continue;
                    EXPECT_EQ(o.text, QStringLiteral("%1:%2").arg(row).arg(column + 1));
                    EXPECT_GT(o.left, x);
                    EXPECT_LE(o.left + 100, right);
                    x = o.left;
                    if (rowTop < 0)
                        rowTop = o.top;
                    EXPECT_EQ(o.top, rowTop) << "the continued row keeps its place";
                    ++column;
                }
                if (p == 0) {
                    EXPECT_EQ(column, perFirst);
                }
            }
            EXPECT_EQ(column, 12);
        }
        const auto heads1 = textsOf(pages[1], u("RowHead"));
        EXPECT_EQ(heads1.size(), repeatHeader ? 2u : 0u) << "the cross header repeats only with RepeatHeader";
        if (repeatHeader) {
            const Obj *first = nullptr;
            for (const Obj &o : pages[1])
                if (o.name == u("Cell")) {
                    first = &o;
                    break;
                }
            ASSERT_NE(first, nullptr);
            EXPECT_EQ(first->left, t.page->LeftMargin() + 100);
        }
        for (size_t p = 0; p < pages.size(); ++p) {
            EXPECT_EQ(textsOf(pages[p], u("HeadText")).size(), 1u) << "page header on the continuation page";
            EXPECT_EQ(textsOf(pages[p], u("FooterText")), std::vector<QString>{QStringLiteral("Page %1").arg(p + 1)});
        }
    }
}

TEST(PrepareMore, SubReportRunsOverAPageBreakAndTheBandContinuesBelowIt)
{
    Template t;
    t.band("Header", btPageHeader, 10, 20);
    t.memo("HeadText", 20, 10, 300, 20, "Continued");
    t.band("Title", btReportTitle, 40, 30);
    t.memo("TitleText", 20, 40, 300, 20, "Title");
    t.band("Master", btMasterData, 80, 40, "1");
    auto sr = std::make_unique<TfrSubReportView>();
    sr->Name = u("Sub");
    sr->SetBounds(30, 85, 400, 30);
    sr->subPageIndex = 1;
    t.page->Add(std::move(sr));
    t.band("Summary", btReportSummary, 140, 20);
    t.memo("SumText", 20, 140, 300, 20, "End");

    TfrPage *sub = t.report.Pages.Add();
    sub->pgMargins = {20, 20, 20, 20};
    t.band(sub, "SubData", btMasterData, 20, 20, "70");
    t.memo(sub, "Row", 0, 20, 200, 20, "S[LINE#]");
    const auto pages = t.prepare();

    ASSERT_EQ(pages.size(), 2u);
    int next = 1;
    for (size_t p = 0; p < pages.size(); ++p) {
        SCOPED_TRACE(p);
        int lastBottom = -1;
        for (const Obj &o : pages[p]) {
            if (o.name != u("Row"))
                continue;
            EXPECT_EQ(o.text, QStringLiteral("S%1").arg(next++));
            EXPECT_EQ(o.left, 30) << "the sub-report object's offset";
            if (lastBottom >= 0) {
                EXPECT_EQ(o.top, lastBottom);
            } else if (p == 0) {
                EXPECT_EQ(o.top, t.page->TopMargin() + 30 + 5) << "starts at the object within the band";
            } else {
                const Obj *head = find(pages[1], u("HeadText"));
                ASSERT_NE(head, nullptr) << "the page header prints on the page the break opened";
                EXPECT_EQ(o.top, head->top + 20) << "continues below the page header";
            }
            EXPECT_LE(o.top + o.height, t.page->PrnInfo.Pgh - 20);
            lastBottom = o.top + o.height;
        }
    }
    EXPECT_EQ(next, 71) << "every sub-report row once";
    ASSERT_EQ(textsOf(pages[1], u("SumText")).size(), 1u);
    int lastRowBottom = 0;
    for (const Obj &o : pages[1])
        if (o.name == u("Row"))
            lastRowBottom = std::max(lastRowBottom, o.top + o.height);
    EXPECT_GE(find(pages[1], u("SumText"))->top, lastRowBottom) << "the summary follows the sub-report";
    EXPECT_TRUE(textsOf(pages[0], u("SumText")).empty());
}

TEST(PrepareMore, SplitTextContinuesWithTheFirstLineThatDidNotFitAndObjectsBelowFollow)
{
    Template t;
    auto *band = t.band("Data", btMasterData, 20, 1500, "1");
    band->Flags = flBandBreaked;
    auto *text = t.memo("Text", 20, 20, 300, 1400, numberedLines(70).toUtf8().constData());
    text->Flags = 0;
    t.memo("Below", 40, 20 + 1420, 200, 20, "below");
    t.memo("Aside", 400, 20 + 1420, 200, 20, "aside");
    const auto pages = t.prepare();
    ASSERT_EQ(pages.size(), 2u);

    // No line lost or repeated at the break.
    const Obj *first = find(pages[0], u("Text"));
    const Obj *rest = find(pages[1], u("Text"));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(rest, nullptr);
    const QStringList a = linesOf(first->text), b = linesOf(rest->text);
    EXPECT_EQ(a.join(u(",")) + u(",") + b.join(u(",")), numberedLines(70).replace(u("|"), u(",")));
    ASSERT_FALSE(a.isEmpty());
    ASSERT_FALSE(b.isEmpty());
    EXPECT_EQ(b.first(), QStringLiteral("Line %1").arg(a.size() + 1));
    EXPECT_LE(first->top + first->height, t.page->PrnInfo.Pgh - 20);

    // The object under the text keeps its distance to the text's end; the one beside it
    // is not moved by the space the text lost.
    const Obj *below = find(pages[1], u("Below"));
    const Obj *aside = find(pages[1], u("Aside"));
    ASSERT_NE(below, nullptr);
    ASSERT_NE(aside, nullptr);
    EXPECT_EQ(rest->top, t.page->TopMargin());
    EXPECT_EQ(below->top, rest->top + rest->height + 20);
    const int limit = t.page->PrnInfo.Pgh - 20;
    const int a0 = limit - 20 - 2; // the first part's room
    EXPECT_EQ(aside->top, t.page->TopMargin() + 1420 - a0);
    EXPECT_GT(below->top, aside->top);
}

TEST(PrepareMore, StretchedTextEndingOnALaterPageIsRedrawnWithTheBandsFinalHeight)
{
    Template t;
    auto *band = t.band("Data", btMasterData, 20, 40, "1");
    band->Flags = flBandBreaked | 0x01;
    // A short framed text stretched to a band that grows for the long text beside it.
    auto *framed = t.memo("Framed", 20, 20, 300, 20, numberedLines(5).toUtf8().constData());
    framed->Flags = flStretched;
    framed->FrameTyp = 0xF;
    framed->FrameWidth = 3;
    t.memo("Longer", 400, 30, 300, 20, numberedLines(90).toUtf8().constData())->Flags = flStretched;
    const auto pages = t.prepare();
    ASSERT_EQ(pages.size(), 2u);

    const Obj *framed0 = find(pages[0], u("Framed"));
    const Obj *longer0 = find(pages[0], u("Longer"));
    const Obj *framed1 = find(pages[1], u("Framed"));
    const Obj *longer1 = find(pages[1], u("Longer"));
    ASSERT_NE(framed0, nullptr);
    ASSERT_NE(longer0, nullptr);
    ASSERT_NE(framed1, nullptr) << "the frame goes on over the next page";
    ASSERT_NE(longer1, nullptr);
    EXPECT_EQ(linesOf(framed0->text), linesOf(numberedLines(5)));
    EXPECT_TRUE(linesOf(framed1->text).isEmpty()) << "no line repeated";
    EXPECT_EQ(linesOf(longer0->text).join(u(",")) + u(",") + linesOf(longer1->text).join(u(",")),
              numberedLines(90).replace(u("|"), u(",")));
    EXPECT_EQ(framed1->top, t.page->TopMargin());
    EXPECT_EQ(longer1->top, t.page->TopMargin());
    EXPECT_EQ(framed1->height, longer1->height) << "the frame reaches the band's bottom";
}

TEST(PrepareMore, CrossDataSetPerRowGivesEachRowTheColumnsOfItsDataSet)
{
    QObject owner;
    TfrUserDataset columns(&owner);
    columns.setObjectName(u("Cols"));
    columns.RangeEnd = reCount;
    columns.RangeEndCount = 4;
    Template t;
    t.report.Owner = &owner;
    t.band("Data", btMasterData, 40, 20, "2");
    auto *cd = t.band("CrossData", btCrossData, 0, 200, "Data=Cols;");
    cd->SetBounds(120, 0, 60, 200);
    t.memo("Cell", 120, 40, 50, 20, "[LINE#].[COLUMN#]");
    const auto pages = t.prepare();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(textsOf(pages[0], u("Cell")),
              (std::vector<QString>{u("1.1"), u("1.2"), u("1.3"), u("1.4"), u("2.1"), u("2.2"), u("2.3"), u("2.4")}));
}

TEST(PrepareMore, CompositeReportChainsItsMembersIntoOneDocument)
{
    struct Member {
        TfrReport report;
        TfrReportBuilder builder{report};
        TfrPage *page = nullptr;
    };
    for (bool append : {false, true}) {
        SCOPED_TRACE(append);
        Template t; // the composite, with a page of its own that is never printed
        t.report.DoublePassReport = true;
        TfrCompositeReportBuilder composite(t.report);
        composite.ShowErrorBox = false;
        Member a, b;
        for (Member *m : {&a, &b}) {
            CurReport = &m->report;
            m->page = m->report.Pages.Add();
            m->page->pgMargins = {20, 20, 20, 20};
            composite.Reports.push_back(&m->builder);
        }
        b.page->PrintToPrevPage = append;
        t.band(a.page, "DataA", btMasterData, 40, 20, "3");
        t.memo(a.page, "A", 20, 40, 100, 20, "a[LINE#]");
        t.band(a.page, "FooterA", btPageFooter, 400, 20)->Flags = flBandOnFirstPage | flBandOnLastPage;
        t.memo(a.page, "PageA", 20, 400, 200, 20, "[PAGE#] of [TOTALPAGES]");
        t.band(b.page, "DataB", btMasterData, 40, 20, "2");
        t.memo(b.page, "B", 20, 40, 100, 20, "b[LINE#]");
        t.band(b.page, "FooterB", btPageFooter, 400, 20)->Flags = flBandOnFirstPage | flBandOnLastPage;
        t.memo(b.page, "PageB", 20, 400, 200, 20, "[PAGE#] of [TOTALPAGES]");
        CurReport = &t.report;
        ASSERT_TRUE(composite.PrepareReport()) << composite.LastError.toStdString();
        const auto pages = readPages(composite.EMFPages);
        CurReport = &t.report;
        std::vector<QString> texts;
        for (const auto &p : pages)
            for (const Obj &o : p)
                texts.push_back(o.text);
        if (append) {
            ASSERT_EQ(pages.size(), 1u);
            EXPECT_EQ(texts, (std::vector<QString>{u("a1"), u("a2"), u("a3"), u("1 of 1"), u("b1"), u("b2")}));
            EXPECT_TRUE(textsOf(pages[0], u("PageB")).empty()) << "one footer for the shared page";
            const Obj *a3 = &pages[0][2], *b1 = find(pages[0], u("B")), *footer = find(pages[0], u("PageA"));
            ASSERT_NE(b1, nullptr);
            ASSERT_NE(footer, nullptr);
            EXPECT_EQ(b1->top, a3->top + a3->height) << "the second member goes on under the first";
            EXPECT_LE(pages[0][5].top + pages[0][5].height, footer->top);
        } else {
            ASSERT_EQ(pages.size(), 2u);
            EXPECT_EQ(textsOf(pages[0], u("PageA")), std::vector<QString>{u("1 of 2")});
            EXPECT_EQ(textsOf(pages[1], u("PageB")), std::vector<QString>{u("2 of 2")})
                << "page numbers run through the document";
            EXPECT_EQ(textsOf(pages[1], u("B")), (std::vector<QString>{u("b1"), u("b2")}));
        }
    }
}

TEST(PrepareMore, DialogPageRunsItsScriptHeadlessOrCancelsThroughItsWindow)
{
    for (int answer : {0, 1, 2}) {
        SCOPED_TRACE(answer);
        Template t;
        t.page->PageType = ptDialog;
        t.page->scriptLines = {u("Who := 'dialog'")};
        auto button = std::make_unique<TfrMemoView>(); // something to show
        button->Name = u("Label1");
        t.page->Add(std::move(button));
        TfrPage *report = t.report.Pages.Add();
        report->pgMargins = {20, 20, 20, 20};
        t.band(report, "Title", btReportTitle, 20, 20);
        t.memo(report, "T", 20, 20, 200, 20, "by [Who]");
        int shown = 0;
        if (answer)
            frDialogPageUi() = [&](TfrPage &) {
                ++shown;
                return answer;
            };
        const auto pages = t.prepare(answer != 2);
        frDialogPageUi() = nullptr;
        EXPECT_EQ(shown, answer ? 1 : 0);
        if (answer == 2) {
            EXPECT_FALSE(t.ok) << "a cancelled dialog is no preparation";
            EXPECT_TRUE(pages.empty());
        } else {
            ASSERT_EQ(pages.size(), 1u) << "a dialog page prints nothing";
            if (!answer) {
                EXPECT_EQ(textsOf(pages[0], u("T")), std::vector<QString>{u("by dialog")})
                    << "without a window the page's script runs";
            }
        }
    }
}

} // namespace

// A stretched band of a sub-report page that is taller than the report's page: it used to
// be moved to the next page again and again. A sub-report cannot open pages of the report
// it prints in, so the band is cut at the page's bottom (with a warning) and preparation
// goes on; what is printed is the text's beginning, in order, inside the page.
TEST(PrepareMore, SubReportBandTallerThanAPageIsCutAtThePageBottom)
{
    for (int lines : {60, 200}) {
        SCOPED_TRACE(lines);
        Template t;
        t.band("Header", btPageHeader, 10, 20);
        t.memo("HeadText", 20, 10, 300, 20, "Continued");
        t.band("Master", btMasterData, 40, 40, "1");
        auto sr = std::make_unique<TfrSubReportView>();
        sr->Name = u("Sub");
        sr->SetBounds(30, 45, 400, 30);
        sr->subPageIndex = 1;
        t.page->Add(std::move(sr));
        t.band("Summary", btReportSummary, 100, 20);
        t.memo("SumText", 20, 100, 300, 20, "End");

        TfrPage *sub = t.report.Pages.Add();
        sub->pgMargins = {20, 20, 20, 20};
        auto *data = t.band(sub, "SubData", btMasterData, 20, 20, "2");
        data->Flags = flStretched;
        const QByteArray text = numberedLines(lines).toUtf8();
        auto *m = t.memo(sub, "Tall", 0, 20, 300, 20, text.constData());
        m->Flags = flStretched | flWordWrap;
        const auto pages = t.prepare();

        ASSERT_GE(pages.size(), 2u);
        ASSERT_LE(pages.size(), 4u) << "bounded: one page for each record and the summary";
        const QStringList all = linesOf(numberedLines(lines));
        int records = 0;
        for (const PageObjs &p : pages)
            for (const Obj &o : p) {
                if (o.name != u("Tall"))
                    continue;
                ++records;
                const QStringList printed = linesOf(o.text);
                ASSERT_FALSE(printed.isEmpty());
                EXPECT_EQ(printed, all.mid(0, printed.size())) << "the beginning of the text, in order";
                EXPECT_LE(o.top + o.height, t.page->PrnInfo.Pgh - 20) << "cut at the page's bottom";
            }
        EXPECT_EQ(records, 2);
        EXPECT_EQ(textsOf(pages.back(), u("SumText")).size(), 1u);
    }
}

// Gaps taller than a page part leave no room for a line: the text is cut there instead of
// moving on to the next page forever.
TEST(PrepareMore, TextWhoseGapsExceedThePageIsCutNotRepeated)
{
    Template t;
    auto *band = t.band("Data", btMasterData, 20, 40, "3");
    band->Flags = flStretched;
    auto *text = t.memo("Text", 20, 20, 300, 40, numberedLines(5).toUtf8().constData());
    text->Flags = flStretched | flWordWrap;
    text->GapY = 5000;
    const auto pages = t.prepare();
    EXPECT_LE(pages.size(), 40u);
}
