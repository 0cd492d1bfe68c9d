// Whole small reports prepared into pages: titles, headers and footers by their flags,
// data loops with details and groups, breaks, splitting, columns, two passes, errors.
#include "tests/engine/prepare_test_support.h"

#include "report/eval/errors.h"
#include "report/eval/variables.h"

using namespace prepare_test;

namespace {

TEST(PreparePages, TitleHeaderDataAndFootersByTheirFlags)
{
    struct Row {
        const char *what;
        quint16 headerFlags, footerFlags;
        int rows;
        // Pages where the header / footer appears.
        std::vector<int> headerOn, footerOn;
    };
    const Row rows[] = {
        {"one page, no flags", 0, 0, 3, {}, {}},
        {"one page, header first page", flBandOnFirstPage, flBandOnFirstPage, 3, {0}, {0}},
        {"one page, footer last page only", 0, flBandOnLastPage, 3, {}, {0}},
        {"three pages, no flags", 0, 0, 100, {1, 2}, {1}},
        {"three pages, both flags", flBandOnFirstPage, flBandOnFirstPage | flBandOnLastPage, 100, {0, 1, 2}, {0, 1, 2}},
        {"three pages, last only", 0, flBandOnLastPage, 100, {1, 2}, {1, 2}},
    };
    for (const Row &row : rows) {
        Template t;
        t.band("Title", btReportTitle, 20, 40);
        t.memo("TitleText", 20, 25, 300, 20, "Title");
        t.band("Header", btPageHeader, 80, 30)->Flags = row.headerFlags;
        t.memo("HeaderText", 20, 85, 300, 20, "Header");
        const QByteArray n = QByteArray::number(row.rows);
        t.band("Data", btMasterData, 140, 20, n.constData());
        t.memo("Line", 20, 140, 300, 20, "[LINE#]");
        t.band("Footer", btPageFooter, 400, 30)->Flags = row.footerFlags;
        t.memo("FooterText", 20, 405, 300, 20, "Page [PAGE#]");
        const auto pages = t.prepare();
        SCOPED_TRACE(row.what);
        ASSERT_EQ(pages.size(), row.rows > 40 ? 3u : 1u);
        EXPECT_EQ(textsOf(pages[0], u("TitleText")).size(), 1u);
        std::vector<int> headerOn, footerOn;
        int lines = 0;
        for (size_t p = 0; p < pages.size(); ++p) {
            if (!textsOf(pages[p], u("HeaderText")).empty())
                headerOn.push_back(int(p));
            const auto footers = textsOf(pages[p], u("FooterText"));
            if (!footers.empty()) {
                footerOn.push_back(int(p));
                EXPECT_EQ(footers[0], QStringLiteral("Page %1").arg(p + 1));
            }
            lines += int(textsOf(pages[p], u("Line")).size());
        }
        EXPECT_EQ(headerOn, row.headerOn);
        EXPECT_EQ(footerOn, row.footerOn);
        EXPECT_EQ(lines, row.rows);
        // Every data row lies above the page footer's place.
        for (const PageObjs &p : pages)
            for (const Obj &o : p)
                if (o.name == u("Line")) {
                    EXPECT_LE(o.top + o.height, t.page->PrnInfo.Pgh - 20 - 30);
                }
    }
}

TEST(PreparePages, MasterDetailSkipsAMasterWithoutDetail)
{
    QObject owner;
    TfrUserDataset details(&owner), empty(&owner);
    details.setObjectName(u("Details"));
    details.RangeEnd = reCount;
    details.RangeEndCount = 2;
    empty.setObjectName(u("Empty"));
    empty.RangeEnd = reCount;
    empty.RangeEndCount = 0;
    for (bool printIfEmpty : {false, true}) {
        Template t;
        t.report.Owner = &owner;
        t.band("MHeader", btMasterHeader, 10, 20);
        t.memo("H", 20, 10, 100, 20, "Head");
        t.band("Master", btMasterData, 40, 20, "3")->Flags = printIfEmpty ? flBandPrintIfSubsetEmpty : 0;
        t.memo("M", 20, 40, 100, 20, "M[LINE#]");
        t.band("Detail", btDetailData, 80, 20, "Details");
        t.memo("D", 40, 80, 100, 20, "D[LINE#]");
        auto pages = t.prepare();
        ASSERT_EQ(pages.size(), 1u);
        QStringList order;
        for (const Obj &o : pages[0])
            order << o.text;
        EXPECT_EQ(order.join(QLatin1Char(' ')), u("Head M1 D1 D2 M2 D1 D2 M3 D1 D2"));

        static_cast<TfrBandView *>(t.page->FindObject(u("Detail")))->formatText = u("Empty");
        pages = t.prepare();
        order.clear();
        for (const auto &p : pages)
            for (const Obj &o : p)
                order << o.text;
        SCOPED_TRACE(printIfEmpty);
        EXPECT_EQ(order.join(QLatin1Char(' ')), printIfEmpty ? u("Head M1 M2 M3") : QString())
            << "a master whose detail is empty prints only with PrintIfSubsetEmpty";
    }
}

TEST(PreparePages, GroupsPrintHeadersFootersAndRestartLineNumbers)
{
    // Six records in groups of three: the data set publishes its group number.
    QObject owner;
    TfrUserDataset rows(&owner);
    rows.setObjectName(u("Rows"));
    rows.RangeEnd = reCount;
    rows.RangeEndCount = 6;
    auto publish = [&rows](QObject *) { frVariables().SetVariable(u("grp"), TfrVariant(rows.RecNo() / 3)); };
    rows.OnFirst = publish;
    rows.OnNext = publish;
    rows.OnPrior = publish;
    Template t;
    t.report.Owner = &owner;
    auto *gh = t.band("GH", btGroupHeader, 40, 20);
    gh->formatText = u("grp");
    t.memo("GHText", 20, 40, 200, 20, "Group [LINE#]");
    t.band("Data", btMasterData, 70, 20, "Rows");
    t.memo("Row", 20, 70, 200, 20, "Row [LINE#] of [LINETHROUGH#]");
    t.band("GF", btGroupFooter, 100, 20);
    t.memo("GFText", 20, 100, 200, 20, "End of group");
    const auto pages = t.prepare();
    ASSERT_EQ(pages.size(), 1u);
    QStringList texts;
    for (const Obj &o : pages[0])
        texts << o.text;
    EXPECT_EQ(texts.join(QLatin1Char(',')).toStdString(),
              u("Group 1,Row 1 of 1,Row 2 of 2,Row 3 of 3,End of group,"
                "Group 2,Row 1 of 4,Row 2 of 5,Row 3 of 6,End of group").toStdString());
}

TEST(PreparePages, RepeatHeaderReturnsAfterAPageBreak)
{
    Template t;
    t.band("DHeader", btMasterHeader, 40, 20)->Flags = flBandRepeatHeader;
    t.memo("HeadText", 20, 40, 200, 20, "Columns");
    t.band("Data", btMasterData, 70, 20, "80");
    t.memo("Row", 20, 70, 200, 20, "[LINE#]");
    const auto pages = t.prepare();
    ASSERT_GE(pages.size(), 2u);
    for (size_t p = 0; p < pages.size(); ++p) {
        SCOPED_TRACE(p);
        ASSERT_FALSE(pages[p].empty());
        EXPECT_EQ(pages[p][0].name, u("HeadText")) << "the header leads every page";
        EXPECT_EQ(pages[p][0].top, t.page->TopMargin());
    }
}

TEST(PreparePages, TallBandSplitsAndObjectsBelowMoveByTheLostSpace)
{
    Template t;
    t.band("Data", btMasterData, 40, 1500, "1");
    // A plain object taller than the remaining room moves whole to the next page.
    t.memo("Top", 20, 40, 200, 20, "first");
    t.memo("Low", 20, 1200, 200, 20, "low");
    const auto pages = t.prepare();
    ASSERT_EQ(pages.size(), 2u) << "a band taller than a page is split, not broken forever";
    EXPECT_EQ(textsOf(pages[0], u("Top")).size(), 1u);
    EXPECT_EQ(textsOf(pages[1], u("Low")).size(), 1u);
}

TEST(PreparePages, BandTallerThanAPageUnderARepeatedHeaderEnds)
{
    Template t;
    t.band("Header", btPageHeader, 20, 900)->Flags = flBandOnFirstPage;
    t.memo("H", 20, 20, 100, 20, "H");
    t.band("Data", btMasterData, 940, 400, "2");
    t.memo("D", 20, 940, 100, 20, "D");
    const auto pages = t.prepare();
    EXPECT_LT(pages.size(), 10u);
    int ds = 0;
    for (const auto &p : pages)
        ds += int(textsOf(p, u("D")).size());
    EXPECT_EQ(ds, 2);
}

TEST(PreparePages, BandColumnsLaySuccessivePrintsSideBySide)
{
    Template t;
    auto *data = t.band("Data", btMasterData, 40, 30, "7");
    data->Columns = 3;
    data->ColumnWidth = 100;
    data->ColumnGap = 10;
    t.memo("Cell", 20, 40, 90, 20, "[LINE#]");
    t.band("Summary", btReportSummary, 100, 20);
    t.memo("Sum", 20, 100, 90, 20, "end");
    const auto pages = t.prepare();
    ASSERT_EQ(pages.size(), 1u);
    std::vector<std::pair<int, int>> at;
    for (const Obj &o : pages[0])
        at.push_back({o.left, o.top});
    ASSERT_EQ(at.size(), 8u);
    const int y0 = at[0].second;
    EXPECT_EQ(at[1], std::make_pair(at[0].first + 110, y0));
    EXPECT_EQ(at[2], std::make_pair(at[0].first + 220, y0));
    EXPECT_EQ(at[3], std::make_pair(at[0].first, y0 + 30));
    EXPECT_EQ(at[6], std::make_pair(at[0].first, y0 + 60));
    EXPECT_EQ(at[7].second, y0 + 90) << "another band starts below the open row";
}

TEST(PreparePages, PageColumnsFillLeftThenRight)
{
    Template t;
    t.page->Columns = 2;
    t.page->ColGap = 20;
    t.band("Data", btMasterData, 40, 100, "15");
    t.memo("Row", 20, 40, 100, 20, "[LINE#]");
    const auto pages = t.prepare();
    ASSERT_EQ(pages.size(), 1u);
    const int lefts0 = pages[0].front().left;
    const int right = pages[0].back().left;
    EXPECT_GT(right, lefts0 + 200) << "the later rows lie in the second column";
}

TEST(PreparePages, TwoPassesKnowTheTotalPages)
{
    Template t;
    t.report.DoublePassReport = true;
    t.band("Data", btMasterData, 40, 20, "100");
    t.memo("Row", 20, 40, 100, 20, "[LINE#]");
    t.band("Footer", btPageFooter, 400, 20)->Flags = flBandOnFirstPage | flBandOnLastPage;
    t.memo("PageText", 20, 400, 200, 20, "[PAGE#] of [TOTALPAGES]");
    const auto pages = t.prepare();
    ASSERT_GE(pages.size(), 2u);
    for (size_t p = 0; p < pages.size(); ++p)
        EXPECT_EQ(textsOf(pages[p], u("PageText")), std::vector<QString>{QStringLiteral("%1 of %2").arg(p + 1).arg(pages.size())});
}

TEST(PreparePages, MultipleReportRepeatsThePagesPerRecord)
{
    Template t;
    TfrUserDataset records;
    records.RangeEnd = reCount;
    records.RangeEndCount = 3;
    t.report.Dataset = &records;
    t.builder.ReportType = rtMultiple;
    t.band("Title", btReportTitle, 20, 20);
    t.memo("T", 20, 20, 100, 20, "Copy");
    t.band("Footer", btPageFooter, 400, 20)->Flags = flBandOnFirstPage | flBandOnLastPage;
    t.memo("P", 20, 400, 100, 20, "[PAGE#]");
    const auto pages = t.prepare();
    ASSERT_EQ(pages.size(), 3u);
    for (size_t p = 0; p < 3; ++p)
        EXPECT_EQ(textsOf(pages[p], u("P")), std::vector<QString>{QString::number(p + 1)});
}

TEST(PreparePages, SecondTemplatePageContinuesOnThePreviousPage)
{
    Template t;
    t.band("Data", btMasterData, 40, 20, "3");
    t.memo("A", 20, 40, 100, 20, "a");
    TfrPage *second = t.report.Pages.Add();
    second->pgMargins = {20, 20, 20, 20};
    second->PrintToPrevPage = true;
    t.band(second, "Data2", btMasterData, 40, 20, "2");
    t.memo(second, "B", 20, 40, 100, 20, "b");
    const auto pages = t.prepare();
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].size(), 5u);
    EXPECT_GT(pages[0][3].top, pages[0][2].top) << "continues below the first page's rows";
}

TEST(PreparePages, ScriptErrorStopsWithTheComposedMessage)
{
    Template t;
    t.builder.Name = u("frReport1");
    t.band("Data", btMasterData, 40, 20, "3");
    t.memo("Broken", 20, 40, 100, 20, "[1 / ]");
    const auto pages = t.prepare(false);
    EXPECT_FALSE(t.ok);
    EXPECT_TRUE(pages.empty()) << "the pages of a failed preparation are dropped";
    EXPECT_TRUE(t.builder.LastError.startsWith(u("Возникла ошибка при обработке выражения")));
    EXPECT_TRUE(t.builder.LastError.contains(u("Документ: frReport1")));
    EXPECT_TRUE(t.builder.LastError.contains(u("Объект: Broken")));
}

TEST(PreparePages, CancellingThroughProgressStops)
{
    Template t;
    t.band("Data", btMasterData, 40, 20, "1000");
    t.memo("Row", 20, 40, 100, 20, "[LINE#]");
    int calls = 0;
    t.builder.events.OnProgress = [&](int) {
        if (++calls == 3)
            t.report.Terminated = true;
    };
    const auto pages = t.prepare(false);
    EXPECT_FALSE(t.ok);
    EXPECT_LT(pages.size(), 10u);
}

TEST(PreparePages, ScriptChangesDoNotReachTheNextPreparation)
{
    Template t;
    t.band("Data", btMasterData, 40, 20, "1");
    auto *m = t.memo("Row", 20, 40, 100, 20, "before");
    m->scriptLines = {u("Memo1.Memo := 'x'")};
    m->Name = u("Memo1");
    t.prepare(false);
    EXPECT_EQ(static_cast<TfrMemoView *>(t.report.Page(0)->FindObject(u("Memo1")))->Memo.join(QString()), u("before"));
}

} // namespace
