// Whole small reports where a band's text needs more than a page and where totals are
// shown by several footers of one data band.
#include "tests/engine/prepare_test_support.h"

#include "report/eval/format_settings.h"
#include "report/eval/variables.h"
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

QString oneWordLines(int n)
{
    QStringList l;
    for (int i = 1; i <= n; ++i)
        l << QStringLiteral("w%1").arg(i);
    return l.join(QLatin1Char('|'));
}

// Every object of every page as name@top, one string a page.
std::vector<std::string> layoutOf(const std::vector<PageObjs> &pages)
{
    std::vector<std::string> out;
    for (const PageObjs &objs : pages) {
        QStringList page;
        for (const Obj &o : objs)
            page << QStringLiteral("%1@%2").arg(o.name).arg(o.top);
        out.push_back(page.join(u(" ")).toStdString());
    }
    return out;
}

TEST(PrepareSplitTotals, BandTallerThanAPageMovesOnceThenSplitsBelowEachPageHeader)
{
    // Margins 20, a page header of 30 (not on the first page), a page footer of 30, an A4
    // page of 1,071 pixels: the data may reach 1,021, a continuation starts at 50.
    const std::string title = "TitleText@25";
    const std::string part = "HeaderText@25 Text@50 FooterText@1026";
    const std::string lastPart = "HeaderText@25 Text@50";
    struct Row {
        const char *what;
        quint16 bandFlags, footerFlags;
        int records, lines; // one-word lines of Arial 10: 80 need about 1,200 pixels
        bool title;
        std::vector<std::string> layout;
    };
    const Row rows[] = {
        {"after a title: moves to a new page, then splits", 0x01, 0, 1, 80, true, {title, part, lastPart}},
        {"over three pages", 0x01, 0, 1, 160, true, {title, part, part, lastPart}},
        {"two records, each moved and split", 0x01, 0, 2, 80, true, {title, part, part, part, lastPart}},
        {"first on its page: splits at once", 0x01, 0, 1, 80, false, {"Text@20", lastPart}},
        {"may be split: splits below the title", 0x01 | flBandBreaked, 0, 1, 80, true,
         {"TitleText@25 Text@60", lastPart}},
        {"under a stretched page footer", 0x01, 0x01, 1, 80, true, {title, part, lastPart}},
        {"under a page footer that may be split", 0x01, 0x01 | flBandBreaked, 1, 80, true, {title, part, lastPart}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        Template t;
        if (row.title) {
            t.band("Title", btReportTitle, 20, 40);
            t.memo("TitleText", 20, 25, 300, 20, "Title");
        }
        t.band("Header", btPageHeader, 70, 30);
        t.memo("HeaderText", 20, 75, 300, 20, "Header");
        const QByteArray records = QByteArray::number(row.records);
        t.band("Data", btMasterData, 110, 30, records.constData())->Flags = row.bandFlags;
        const QString text = oneWordLines(row.lines);
        t.memo("Text", 20, 110, 300, 20, text.toUtf8().constData())->Flags = flStretched;
        t.band("Footer", btPageFooter, 400, 30)->Flags = row.footerFlags;
        t.memo("FooterText", 20, 405, 300, 20, "Page [PAGE#]");
        const auto pages = t.prepare();
        ASSERT_EQ(t.page->PrnInfo.Pgh, 1071);
        EXPECT_EQ(layoutOf(pages), row.layout);

        const int limit = t.page->PrnInfo.Pgh - 20 - 30;
        const QString lastWord = QStringLiteral("w%1").arg(row.lines);
        QStringList printed;
        for (size_t p = 0; p < pages.size(); ++p) {
            SCOPED_TRACE(p);
            for (const Obj &o : pages[p]) {
                EXPECT_LE(o.top + o.height, o.name == u("FooterText") ? limit + 30 : limit)
                    << o.name.toStdString() << " runs past the page's bottom limit";
                EXPECT_EQ(o.left, 20);
                if (o.name != u("Text"))
                    continue;
                const QStringList lines = linesOf(o.text);
                ASSERT_FALSE(lines.isEmpty()) << "a part without text";
                if (lines.last() != lastWord) {
                    EXPECT_GE(o.top + o.height, limit - 2) << "a part followed by more fills its page";
                }
                printed << lines;
            }
        }
        QStringList expected;
        for (int r = 0; r < row.records; ++r)
            expected << text.split(QLatin1Char('|'));
        EXPECT_EQ(printed, expected) << "every line once, in order";
    }
}

TEST(PrepareSplitTotals, AveragesDivideByTheValuesSinceTheirOwnReset)
{
    // Twelve records with x = 1..12, a page footer in the middle of the data with its own
    // SUM of x, and a master footer with SUM, COUNT and AVG.
    QObject owner;
    TfrUserDataset rows(&owner);
    rows.setObjectName(u("Rows"));
    rows.RangeEnd = reCount;
    rows.RangeEndCount = 12;
    auto publish = [&rows](QObject *) { frVariables().SetVariable(u("x"), TfrVariant(rows.RecNo() + 1)); };
    rows.OnFirst = publish;
    rows.OnNext = publish;
    rows.OnPrior = publish;

    Template t;
    t.report.Owner = &owner;
    t.band("Data", btMasterData, 40, 120, "Rows");
    t.memo("Row", 20, 40, 200, 20, "[x]");
    t.band("Totals", btMasterFooter, 170, 20);
    t.memo("Totals", 20, 170, 600, 20, "SUM [SUM([x])] COUNT [COUNT(Data)] AVG [FORMATFLOAT('0.00', AVG([x]))]");
    t.band("PageFooter", btPageFooter, 400, 30)->Flags = flBandOnFirstPage;
    t.memo("PageSum", 20, 405, 300, 20, "page SUM [SUM([x])] AVG [FORMATFLOAT('0.00', AVG([x]))]");
    const auto pages = t.prepare();
    ASSERT_EQ(pages.size(), 2u) << "the page footer prints once, in the middle of the data";

    // Eight records of 120 pixels fit on the first page.
    std::vector<QString> firstPage;
    for (int x = 1; x <= 8; ++x)
        firstPage.push_back(QString::number(x));
    ASSERT_EQ(textsOf(pages[0], u("Row")), firstPage);
    auto texts = [&pages](size_t page, const char *name) {
        QStringList l;
        for (const QString &text : textsOf(pages[page], u(name)))
            l << text;
        return l.join(u("/")).replace(frFormatSettings().decimalSeparator, u(".")).toStdString();
    };
    EXPECT_EQ(texts(0, "PageSum"), "page SUM 36 AVG 4.50");
    EXPECT_EQ(texts(1, "PageSum"), "");
    EXPECT_EQ(texts(1, "Totals"), "SUM 78 COUNT 12 AVG 6.50")
        << "the page footer's reset leaves the master footer's average whole";
}

} // namespace
