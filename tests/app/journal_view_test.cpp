// The journal view against each engine: the filter's case folding, paging. This file
// builds twice: into test_app for SQLite and, with FR_POSTGRES_TESTS, into test_app_pg for
// the PostgreSQL server the test run starts. What the view looks like is engine-free and
// tested with SQLite only.
#include "app/journal_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTableView>
#include <QHelpEvent>
#include <QToolTip>
#include <gtest/gtest.h>

#include "app/main_dm.h"
#include "db_test_support.h"

namespace {

struct JournalRow {
    QVariant numPP;
    const char *name;
    const char *executor;
    const char *brief;
    const char *toWhom;
    qint64 size = 0;
};

void insertRows(QSqlDatabase db, const QList<JournalRow> &rows)
{
    db.transaction();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO \"Журнал\" (\"NumPP\", \"NumReis\", \"NameFile\", \"Ispolnitel\", "
                             "\"BriefContents\", \"ToWhom\", \"Size\") VALUES (?, 1, ?, ?, ?, ?, ?)"));
    for (const JournalRow &r : rows) {
        q.addBindValue(r.numPP);
        q.addBindValue(QString::fromUtf8(r.name));
        q.addBindValue(QString::fromUtf8(r.executor));
        q.addBindValue(QString::fromUtf8(r.brief));
        q.addBindValue(QString::fromUtf8(r.toWhom));
        q.addBindValue(r.size);
        EXPECT_TRUE(q.exec()) << q.lastError().text().toStdString();
    }
    db.commit();
}

// Every row the model can give, fetching to the end.
QStringList allOfColumn(TJournalModel *model, int column)
{
    while (model->canFetchMore({}))
        model->fetchMore({});
    QStringList values;
    for (int r = 0; r < model->rowCount(); ++r)
        values << model->index(r, column).data().toString();
    return values;
}

const QList<JournalRow> &mixedAlphabets()
{
    static const QList<JournalRow> rows = {
        {1, "ARCHIVE.zip", "Иванов", "", ""},
        {2, "ПИСЬМО из Министерства.pdf", "Петров", "", ""},
        {3, "Письмо_поставщику.docx", "Петров", "", ""},
        {4, "report.xlsx", "Сидоров", "Передать: БУХГАЛТЕРИЯ", ""},
        {5, "scan.pdf", "Сидоров", "", "Канцелярия\nБухгалтерия"},
        {6, "Ёлка.txt", "ИВАНОВ", "", ""},
        {7, "ΣΟΦΙΑ.txt", "Иванов", "", ""},
        {8, "ÄRGER.txt", "Иванов", "договор 100%", ""},
    };
    return rows;
}

// Filter text and the journal numbers it must find.
const std::pair<const char *, QStringList> kFilters[] = {
    {"archive", {"1"}},
    {"письмо", {"2", "3"}},
    {"ПИСЬМО", {"2", "3"}},
    {"пИсЬмО иЗ", {"2"}},
    {"бухгалтерия", {"4", "5"}},   // brief contents and addressees
    {"ёлка", {"6"}},
    {"ЁЛКА", {"6"}},
    {"иванов", {"1", "6", "7", "8"}}, // executor
    {"σοφια", {"7"}},
    {"ärger", {"8"}},
    {"100%", {"8"}},               // % is literal
    {"_", {"3"}},                  // so is _
    {"zzz", {}},
    {"  ", {"1", "2", "3", "4", "5", "6", "7", "8"}},
};

class JournalFilterTest : public ::testing::TestWithParam<TestEngine> {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(db.connectString().isEmpty()) << db.error().toStdString();
        dm.setConnectionString(db.connectString());
        dm.OpenConnection();
    }

    TestJournalDb db{GetParam()};
    TMainDM dm;
};

TEST_P(JournalFilterTest, FilterIgnoresCaseInEveryAlphabet)
{
    insertRows(dm.Database(), mixedAlphabets());
    TJournalModel model(dm.Database());
    for (const auto &[text, expected] : kFilters) {
        model.setFilter(QString::fromUtf8(text));
        EXPECT_EQ(allOfColumn(&model, 0), expected) << text;
    }
}

TEST_P(JournalFilterTest, PagesGiveEveryRowOnceInNumberOrder)
{
    // More than two pages, numbers out of insertion order with repeats, and rows with
    // no journal number, which come last.
    QList<JournalRow> rows;
    QStringList expected, expectedLetters;
    const int n = TJournalModel::kPageRows * 2 + 37;
    for (int i = 0; i < n; ++i) {
        const int number = (i * 7919) % (n / 2) + 1; // each number about twice
        rows << JournalRow{number, i % 3 ? "plain.txt" : "ПИСЬМО.txt", "Иванов", "", ""};
    }
    for (int i = 0; i < 5; ++i)
        rows << JournalRow{QVariant(QMetaType::fromType<qlonglong>()), "письмо без номера.txt", "Иванов", "", ""};
    insertRows(dm.Database(), rows);

    QSqlQuery q(dm.Database());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT \"NumPP\", \"NameFile\" FROM \"Журнал\" WHERE \"NumPP\" IS NOT NULL "
                                      "ORDER BY \"NumPP\", \"id\"")));
    while (q.next()) {
        expected << q.value(0).toString();
        if (q.value(1).toString().startsWith(QStringLiteral("ПИСЬМО")))
            expectedLetters << q.value(0).toString();
    }
    for (int i = 0; i < 5; ++i) {
        expected << QString();
        expectedLetters << QString();
    }

    TJournalModel model(dm.Database());
    model.setFilter(QString());
    EXPECT_EQ(model.rowCount(), TJournalModel::kPageRows) << "one page at first";
    EXPECT_TRUE(model.canFetchMore({}));
    EXPECT_EQ(allOfColumn(&model, 0), expected);
    EXPECT_FALSE(model.canFetchMore({}));

    model.setFilter(QStringLiteral("письмо"));
    EXPECT_EQ(allOfColumn(&model, 0), expectedLetters);
}

#ifdef FR_POSTGRES_TESTS
INSTANTIATE_TEST_SUITE_P(PostgreSQL, JournalFilterTest, ::testing::Values(TestEngine::PostgreSQL),
                         [](const auto &info) { return std::string(testEngineName(info.param)); });

// A database made with the C locale folds Latin letters only by itself; the view's filter
// still finds Cyrillic in any case.
TEST(PostgresJournalFilterTest, DatabaseWithTheCLocaleStillFoldsEveryAlphabet)
{
    TestJournalDb db(TestEngine::PostgreSQL, QStringLiteral("TEMPLATE template0 LC_COLLATE 'C' LC_CTYPE 'C'"));
    ASSERT_FALSE(db.connectString().isEmpty()) << db.error().toStdString();
    TMainDM dm;
    dm.setConnectionString(db.connectString());
    dm.OpenConnection();
    {
        QSqlQuery q(dm.Database());
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT lower('ПИСЬМО') = 'письмо'")) && q.next());
        EXPECT_FALSE(q.value(0).toBool()) << "the database's own folding would miss Cyrillic";
    }
    insertRows(dm.Database(), mixedAlphabets());
    TJournalModel model(dm.Database());
    for (const auto &[text, expected] : kFilters) {
        model.setFilter(QString::fromUtf8(text));
        EXPECT_EQ(allOfColumn(&model, 0), expected) << text;
    }
}
#else
INSTANTIATE_TEST_SUITE_P(SQLite, JournalFilterTest, ::testing::Values(TestEngine::SQLite),
                         [](const auto &info) { return std::string(testEngineName(info.param)); });

class JournalViewLookTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(db.connectString().isEmpty());
        dm.setConnectionString(db.connectString());
        dm.OpenConnection();
        JournalRow memo{1, "Письмо_поставщику.docx", "Константинопольский К.", "Письмо о поставке\nСрок до 5 марта",
                        "Бухгалтерия\nКанцелярия", 1234567};
        JournalRow plain{2, "a.txt", "Иванов", "Счёт", "Бухгалтерия", 512};
        JournalRow large{3, "archive.zip", "Иванов", "", "", Q_INT64_C(5368709120)};
        insertRows(dm.Database(), {memo, plain, large});
    }

    TestJournalDb db{TestEngine::SQLite};
    TMainDM dm;
};

TEST_F(JournalViewLookTest, NumbersRightAlignedSizesGroupedMemosOnOneLineWithTheirTextAsTooltip)
{
    TJournalView view(dm.Database());
    TJournalModel *m = view.model();
    auto cell = [&](int row, int column, int role = Qt::DisplayRole) { return m->index(row, column).data(role); };
    const QString nbsp(QChar(0x00A0));

    EXPECT_EQ(cell(0, 5).toString(), "1" + nbsp + "234" + nbsp + "567");
    EXPECT_EQ(cell(1, 5).toString(), "512");
    EXPECT_EQ(cell(2, 5).toString(), "5" + nbsp + "368" + nbsp + "709" + nbsp + "120") << "past 32 bits";
    EXPECT_EQ(cell(0, 5, Qt::EditRole).toLongLong(), 1234567) << "the value itself is untouched";
    for (int column : {0, 1, 5})
        EXPECT_EQ(cell(0, column, Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignRight | Qt::AlignVCenter)
            << column;
    EXPECT_EQ(cell(0, 2, Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);

    EXPECT_EQ(cell(0, 9).toString(), "Письмо о поставке; Срок до 5 марта");
    EXPECT_EQ(cell(0, 10).toString(), "Бухгалтерия; Канцелярия");
    for (int column : {9, 10}) {
        const QString tip = cell(0, column, Qt::ToolTipRole).toString();
        const QString whole = cell(0, column, Qt::EditRole).toString();
        EXPECT_TRUE(tip.contains(whole.toHtmlEscaped())) << tip.toStdString();
        EXPECT_TRUE(cell(1, column, Qt::ToolTipRole).isNull()) << "one line needs no tooltip";
    }
    EXPECT_EQ(m->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), "Дата\nсоздания");
    EXPECT_EQ(m->headerData(3, Qt::Horizontal, Qt::ToolTipRole).toString(), "Дата создания");
}

TEST_F(JournalViewLookTest, ColumnsFitA1366PixelScreenWithTheBriefContentsTakingTheRest)
{
    TJournalView view(dm.Database());
    // The size the view takes on a 1366 x 768 screen.
    view.resize(1326, 708);
    view.show();
    QApplication::processEvents();
    QTableView *table = view.table();
    int total = 0, widestOther = 0;
    for (int c = 0; c < view.model()->columnCount(); ++c) {
        total += table->columnWidth(c);
        if (c != 9)
            widestOther = std::max(widestOther, table->columnWidth(c));
        // Titles and the numbers, dates and times are never cut.
        EXPECT_GE(table->columnWidth(c), table->horizontalHeader()->sectionSizeHint(c)) << c;
        if (c == 2 || c == 8 || c == 9 || c == 10)
            continue;
        for (int r = 0; r < view.model()->rowCount(); ++r) {
            const QString text = view.model()->index(r, c).data().toString();
            EXPECT_GT(table->columnWidth(c), table->fontMetrics().horizontalAdvance(text) + 6) << c;
        }
    }
    EXPECT_LE(total, table->viewport()->width());
    EXPECT_EQ(table->horizontalScrollBar()->maximum(), 0) << "no horizontal scrolling";
    EXPECT_GT(table->columnWidth(9), widestOther) << "the brief contents take the spare width";

    // Wider window, wider brief contents; the other columns keep their widths.
    const int brief = table->columnWidth(9), name = table->columnWidth(2);
    view.resize(1500, 708);
    QApplication::processEvents();
    EXPECT_GT(table->columnWidth(9), brief);
    EXPECT_EQ(table->columnWidth(2), name);
    // Once the operator sizes a column, the widths are theirs.
    table->horizontalHeader()->resizeSection(2, name + 40);
    view.resize(1326, 708);
    QApplication::processEvents();
    EXPECT_EQ(table->columnWidth(2), name + 40);
}

TEST_F(JournalViewLookTest, TextCutShortByItsColumnShowsWholeAsATooltip)
{
    TJournalView view(dm.Database());
    view.resize(1326, 708);
    view.show();
    QApplication::processEvents();
    QTableView *table = view.table();
    auto tipAt = [&](int row, int column) {
        // A tooltip goes after a short delay.
        QToolTip::hideText();
        QElapsedTimer wait;
        wait.start();
        while (QToolTip::isVisible() && wait.elapsed() < 2000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        const QRect cell = table->visualRect(view.model()->index(row, column));
        QHelpEvent help(QEvent::ToolTip, cell.center(), table->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(table->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    table->setColumnWidth(2, 60);
    EXPECT_EQ(tipAt(0, 2), "Письмо_поставщику.docx");
    table->setColumnWidth(2, 400);
    EXPECT_EQ(tipAt(0, 2), QString()) << "a name that fits needs no tooltip";
    EXPECT_TRUE(tipAt(0, 9).contains("Срок до 5 марта")) << "memos keep their whole-text tooltip";
    QToolTip::hideText();
}

TEST_F(JournalViewLookTest, TypingInTheFilterRunsItAfterAPause)
{
    TJournalView view(dm.Database());
    view.filterEdit()->setText(QStringLiteral("СЧЁТ"));
    EXPECT_EQ(view.model()->rowCount(), 3) << "not on every key";
    QElapsedTimer timer;
    timer.start();
    while (view.model()->rowCount() != 1 && timer.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(view.model()->filter(), "СЧЁТ");
    EXPECT_EQ(allOfColumn(view.model(), 0), QStringList({"2"}));
}
#endif

} // namespace
