// The journal for a period: the quick choices' dates, the period, executor, run and text
// choices over the journal (rows and count checked against the same choice made here in
// C++), the indexes a journal gets on opening, and the prints of the rows found and of
// their summary, read back from the preview. This file builds twice: into test_app for
// SQLite and, with FR_POSTGRES_TESTS, into test_app_pg for the PostgreSQL test server.
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/journal_selection.h"
#include "app/journal_view.h"
#include "app/main_dm.h"
#include "db_test_support.h"
#include "report/engine/prepare.h"
#include "report/model/view.h"
#include "report/ui/preview_form.h"
#include "test_helpers.h"

using namespace apptest;

namespace {

// ---------------------------------------------------------------------------------------
// Quick choices

#ifndef FR_POSTGRES_TESTS
TEST(QuickPeriodTest, WholeCalendarPeriodsAroundMonthQuarterAndYearEnds)
{
    struct Case {
        QDate today;
        TQuickPeriod choice;
        QDate from, to;
    };
    const Case cases[] = {
        {QDate(2026, 3, 31), TQuickPeriod::Today, QDate(2026, 3, 31), QDate(2026, 3, 31)},
        {QDate(2026, 3, 31), TQuickPeriod::ThisMonth, QDate(2026, 3, 1), QDate(2026, 3, 31)},
        {QDate(2026, 4, 1), TQuickPeriod::ThisMonth, QDate(2026, 4, 1), QDate(2026, 4, 30)},
        {QDate(2024, 2, 29), TQuickPeriod::ThisMonth, QDate(2024, 2, 1), QDate(2024, 2, 29)},
        {QDate(2026, 3, 31), TQuickPeriod::LastMonth, QDate(2026, 2, 1), QDate(2026, 2, 28)},
        {QDate(2026, 1, 1), TQuickPeriod::LastMonth, QDate(2025, 12, 1), QDate(2025, 12, 31)},
        {QDate(2024, 3, 31), TQuickPeriod::LastMonth, QDate(2024, 2, 1), QDate(2024, 2, 29)},
        {QDate(2026, 3, 31), TQuickPeriod::ThisQuarter, QDate(2026, 1, 1), QDate(2026, 3, 31)},
        {QDate(2026, 4, 1), TQuickPeriod::ThisQuarter, QDate(2026, 4, 1), QDate(2026, 6, 30)},
        {QDate(2026, 9, 30), TQuickPeriod::ThisQuarter, QDate(2026, 7, 1), QDate(2026, 9, 30)},
        {QDate(2026, 10, 1), TQuickPeriod::ThisQuarter, QDate(2026, 10, 1), QDate(2026, 12, 31)},
        {QDate(2026, 12, 31), TQuickPeriod::ThisYear, QDate(2026, 1, 1), QDate(2026, 12, 31)},
        {QDate(2027, 1, 1), TQuickPeriod::ThisYear, QDate(2027, 1, 1), QDate(2027, 12, 31)},
        // Weeks run Monday to Sunday, also across a year's end.
        {QDate(2026, 1, 1), TQuickPeriod::ThisWeek, QDate(2025, 12, 29), QDate(2026, 1, 4)},
        {QDate(2026, 3, 30), TQuickPeriod::ThisWeek, QDate(2026, 3, 30), QDate(2026, 4, 5)},
        {QDate(2026, 4, 5), TQuickPeriod::ThisWeek, QDate(2026, 3, 30), QDate(2026, 4, 5)},
    };
    for (const Case &c : cases) {
        const auto [from, to] = QuickPeriodDates(c.choice, c.today);
        EXPECT_EQ(from, c.from) << QuickPeriodName(c.choice).toStdString() << " on " << c.today.toString().toStdString();
        EXPECT_EQ(to, c.to) << QuickPeriodName(c.choice).toStdString() << " on " << c.today.toString().toStdString();
    }
    TJournalSelection s;
    EXPECT_EQ(s.periodText(), QString());
    s.from = QDate(2026, 3, 1);
    EXPECT_EQ(s.periodText(), QStringLiteral("с 01.03.2026"));
    s.to = QDate(2026, 3, 31);
    EXPECT_EQ(s.periodText(), QStringLiteral("01.03.2026 – 31.03.2026"));
    s.from = {};
    EXPECT_EQ(s.periodText(), QStringLiteral("по 31.03.2026"));
}
#endif

// ---------------------------------------------------------------------------------------
// A journal spread over month, quarter and year ends

struct Row {
    QVariant numPP; // null for a row without a journal number
    QDate processed;
    QString executor;
    int run = 0;
    QString name;
    QString brief;
    QString toWhom;
};

const QDate kDays[] = {
    QDate(2025, 12, 31), QDate(2026, 1, 1), QDate(2026, 2, 28), QDate(2026, 3, 1), QDate(2026, 3, 15),
    QDate(2026, 3, 31), QDate(2026, 4, 1), QDate(2026, 6, 30), QDate(2026, 7, 1), QDate(2026, 9, 30),
    QDate(2026, 10, 1), QDate(2026, 12, 31), QDate(2027, 1, 1),
};
const char *const kExecutors[] = {"Иванов И. И.", "Петрова А. В.", "Д'Артаньян Ш.", ""};
const char *const kAddressees[] = {"Канцелярия", "Бухгалтерия\nКанцелярия", "", "Бухгалтерия\r\nБухгалтерия\r\nДиректор"};

QList<Row> journalRows()
{
    QList<Row> rows;
    const int days = int(std::size(kDays));
    for (int i = 0; i < days * 4; ++i) {
        Row r;
        // Journal numbers out of date order, as after a renumbering.
        r.numPP = qlonglong((i * 17) % (days * 4) + 1);
        r.processed = kDays[(i * 5) % days];
        r.executor = QString::fromUtf8(kExecutors[i % 4]);
        r.run = i / 3 + 1;
        r.name = i % 6 == 0 ? QStringLiteral("ИФНС_%1.pdf").arg(i) : QStringLiteral("file_%1:n.pdf").arg(i);
        r.brief = i % 5 == 0 ? QStringLiteral("Требование налоговой инспекции") : QStringLiteral("Письмо");
        r.toWhom = QString::fromUtf8(kAddressees[(i / 2) % 4]);
        rows << r;
    }
    Row unnumbered{QVariant(QMetaType::fromType<qlonglong>()), QDate(2026, 3, 20), QStringLiteral("Иванов И. И."), 99,
                   QStringLiteral("без_номера.pdf"), QStringLiteral("Письмо"), QStringLiteral("Директор")};
    rows << unnumbered;
    return rows;
}

void insertRows(QSqlDatabase db, const QList<Row> &rows)
{
    ASSERT_TRUE(db.transaction());
    QSqlQuery q(db);
    ASSERT_TRUE(q.prepare(QStringLiteral(
        "INSERT INTO \"Журнал\" (\"NumPP\", \"NumReis\", \"NameFile\", \"DateCreateFile\", \"TimeCreateFile\", \"Size\", "
        "\"DateProcesFile\", \"TimeProcesFile\", \"Ispolnitel\", \"BriefContents\", \"ToWhom\") "
        "VALUES (?, ?, ?, '01.01.26', '09:00', 100, ?, '10:00', ?, ?, ?)")));
    for (const Row &r : rows) {
        q.addBindValue(r.numPP);
        q.addBindValue(r.run);
        q.addBindValue(r.name);
        q.addBindValue(r.processed.toString(QStringLiteral("dd.MM.yy")));
        q.addBindValue(r.executor);
        q.addBindValue(r.brief);
        q.addBindValue(r.toWhom);
        ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
    }
    ASSERT_TRUE(db.commit());
}

// The same choice made here, row by row.
bool chosen(const Row &r, const TJournalSelection &s)
{
    if (s.from.isValid() && r.processed < s.from)
        return false;
    if (s.to.isValid() && r.processed > s.to)
        return false;
    if (!s.executor.isEmpty() && r.executor != s.executor)
        return false;
    if (s.runFrom > 0 && r.run < s.runFrom)
        return false;
    if (s.runTo > 0 && r.run > s.runTo)
        return false;
    const QString text = s.text.trimmed().toLower();
    return text.isEmpty()
        || QStringList{r.name, r.executor, r.brief, r.toWhom}.join(QChar(1)).toLower().contains(text);
}

// File names of the chosen rows in journal order: by number, unnumbered last.
QStringList expectedNames(const QList<Row> &rows, const TJournalSelection &s, bool backward = false)
{
    QList<Row> found;
    for (const Row &r : rows)
        if (chosen(r, s))
            found << r;
    std::stable_sort(found.begin(), found.end(), [](const Row &a, const Row &b) {
        if (a.numPP.isNull() != b.numPP.isNull())
            return b.numPP.isNull();
        return !a.numPP.isNull() && a.numPP.toLongLong() < b.numPP.toLongLong();
    });
    QStringList names;
    for (const Row &r : found)
        names << r.name;
    if (backward)
        std::reverse(names.begin(), names.end());
    return names;
}

QStringList modelNames(TJournalModel &model)
{
    while (model.canFetchMore({}))
        model.fetchMore({});
    QStringList names;
    for (int r = 0; r < model.rowCount(); ++r)
        names << model.index(r, 2).data().toString();
    return names;
}

TJournalSelection period(QDate from, QDate to)
{
    TJournalSelection s;
    s.from = from;
    s.to = to;
    return s;
}

// What a preview showed, by object name, page after page.
struct Shown {
    int windows = 0;
    QMap<QString, QStringList> texts;
    QStringList operator[](const char *name) const { return texts.value(QString::fromLatin1(name)); }
};

// Waits for the preview the print opens (preparation may run its own event loop first),
// records its pages and closes it.
Shown capturePreview(const std::function<void()> &print)
{
    Shown shown;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *form = dynamic_cast<TfrPreviewForm *>(w);
            if (!form || !form->isVisible())
                continue;
            poll.stop();
            ++shown.windows;
            TfrEMFPages &pages = *form->Pages();
            for (int i = 0; i < pages.Count(); ++i)
                pages.ForEachObject(i, [&](TfrView &v) {
                    // Prepared lines carry the engine's mark of a line laid out.
                    shown.texts[v.Name] << v.Memo.join(QLatin1Char(' ')).remove(QChar(1)).trimmed();
                });
            form->ExitBtnClick();
            return;
        }
    });
    poll.start();
    print();
    poll.stop();
    return shown;
}

class JournalPeriodTest : public ::testing::TestWithParam<TestEngine> {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(db.connectString().isEmpty()) << db.error().toStdString();
        savedUi = frReportUi();
        frInstallPreviewForm();
        for (const char *name : {"J001.frf", "S001.frf"}) {
            const QString built = QCoreApplication::applicationDirPath() + QStringLiteral("/Reports/") + QLatin1String(name);
            ASSERT_TRUE(QFile::exists(built)) << "build the templates first (target fr_journal_template)";
            QFile::copy(built, home.path() + QStringLiteral("/Reports/") + QLatin1String(name));
        }
        dm.setConnectionString(db.connectString());
        dm.OpenConnection();
        insertRows(dm.Database(), rows);
    }
    void TearDown() override { frReportUi() = savedUi; }

    TestJournalDb db{GetParam()};
    TTestHome home;
    THooks hooks;
    TMainDM dm;
    TfrReportUi savedUi;
    const QList<Row> rows = journalRows();
};

TEST_P(JournalPeriodTest, PeriodExecutorRunsAndTextCombine)
{
    TJournalModel model(dm.Database());
    const QString collate = JournalFoldingCollation(dm.Database());
    QList<TJournalSelection> selections;
    selections << TJournalSelection{} << period(QDate(2026, 3, 1), QDate(2026, 3, 31))
               << period(QDate(2026, 1, 1), QDate(2026, 3, 31)) << period(QDate(2025, 12, 31), QDate(2025, 12, 31))
               << period(QDate(2026, 12, 31), QDate(2027, 1, 1)) << period(QDate(2026, 4, 1), {})
               << period({}, QDate(2026, 3, 31)) << period(QDate(2030, 1, 1), QDate(2030, 12, 31));
    const int periods = int(selections.size());
    for (int p = 0; p < periods; ++p)
        for (const char *executor : {"Иванов И. И.", "Д'Артаньян Ш."})
            for (const char *text : {"", "ифнс", "ТРЕБОВАНИЕ", ":n", "'", "бухгалтерия"}) {
                TJournalSelection s = selections[p];
                s.executor = QString::fromUtf8(executor);
                s.text = QString::fromUtf8(text);
                selections << s;
                s.runFrom = 5;
                s.runTo = 12;
                selections << s;
            }
    for (int runFrom : {0, 3, 17})
        for (int runTo : {0, 3, 10}) {
            TJournalSelection s;
            s.runFrom = runFrom;
            s.runTo = runTo;
            selections << s;
        }
    for (const TJournalSelection &s : selections) {
        const std::string what = QStringLiteral("period %1, executor %2, runs %3-%4, text \"%5\"")
                                     .arg(s.periodText(), s.executor).arg(s.runFrom).arg(s.runTo).arg(s.text).toStdString();
        const QStringList expected = expectedNames(rows, s);
        model.setSelection(s);
        EXPECT_EQ(model.countRows(), expected.size()) << what << " (counted before the last page)";
        EXPECT_EQ(modelNames(model), expected) << what;
        EXPECT_EQ(CountJournalRows(dm.Database(), s, collate), expected.size()) << what;
    }
    EXPECT_EQ(JournalExecutors(dm.Database()),
              QStringList({QStringLiteral("Д'Артаньян Ш."), QStringLiteral("Иванов И. И."), QStringLiteral("Петрова А. В.")}));
}

TEST_P(JournalPeriodTest, APeriodOfSeveralPagesGivesEveryRowOnceInNumberOrder)
{
    // Numbers repeat and run against the order of insertion; the period's index finds
    // the rows, the pages follow the numbers.
    QList<Row> many;
    const int n = TJournalModel::kPageRows * 2 + 41;
    for (int i = 0; i < n; ++i)
        many << Row{qlonglong((i * 7919) % (n / 2) + 1000), QDate(2026, 5, 1 + i % 31), QStringLiteral("Петрова А. В."),
                    7, QStringLiteral("май_%1.pdf").arg(i), QStringLiteral("Письмо"), QStringLiteral("Канцелярия")};
    insertRows(dm.Database(), many);
    QList<Row> all = rows;
    all << many;
    TJournalModel model(dm.Database());
    for (const QString &executor : {QString(), QStringLiteral("Петрова А. В.")}) {
        TJournalSelection may = period(QDate(2026, 5, 1), QDate(2026, 5, 31));
        may.executor = executor;
        model.setSelection(may);
        EXPECT_EQ(model.rowCount(), TJournalModel::kPageRows);
        const QStringList names = modelNames(model);
        EXPECT_EQ(names.size(), n);
        EXPECT_EQ(names, expectedNames(all, may));
    }
}

TEST_P(JournalPeriodTest, QuickChoicesFindTheirDaysAroundPeriodEnds)
{
    TJournalModel model(dm.Database());
    for (const QDate today : {QDate(2026, 3, 31), QDate(2026, 4, 1), QDate(2026, 1, 1), QDate(2025, 12, 31),
                              QDate(2026, 12, 31), QDate(2027, 1, 1), QDate(2026, 7, 1)})
        for (int c = 0; c < QuickPeriodCount; ++c) {
            const auto [from, to] = QuickPeriodDates(TQuickPeriod(c), today);
            const TJournalSelection s = period(from, to);
            model.setSelection(s);
            EXPECT_EQ(modelNames(model), expectedNames(rows, s))
                << QuickPeriodName(TQuickPeriod(c)).toStdString() << " on " << today.toString(Qt::ISODate).toStdString();
        }
}

TEST_P(JournalPeriodTest, AJournalWithoutThePeriodIndexesGetsThemWithItsColumnsUnchanged)
{
    QSqlDatabase conn = dm.Database();
    QStringList columnsBefore;
    {
        const QSqlRecord rec = conn.record(JournalTableName);
        for (int i = 0; i < rec.count(); ++i)
            columnsBefore << rec.fieldName(i);
        QSqlQuery q(conn);
        ASSERT_TRUE(q.exec(QStringLiteral("DROP INDEX \"Журнал_DateProces\"")));
        ASSERT_TRUE(q.exec(QStringLiteral("DROP INDEX \"Журнал_Ispolnitel\"")));
    }
    dm.CloseConnection();
    dm.OpenConnection();
    conn = dm.Database();
    QStringList indexes;
    QSqlQuery q(conn);
    ASSERT_TRUE(q.exec(GetParam() == TestEngine::PostgreSQL
                           ? QStringLiteral("SELECT indexname FROM pg_indexes WHERE tablename = 'Журнал' ORDER BY 1")
                           : QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = 'Журнал' "
                                            "AND name NOT LIKE 'sqlite_%' ORDER BY 1")));
    while (q.next())
        indexes << q.value(0).toString();
    EXPECT_TRUE(indexes.contains(QStringLiteral("Журнал_DateProces"))) << indexes.join(u',').toStdString();
    EXPECT_TRUE(indexes.contains(QStringLiteral("Журнал_Ispolnitel"))) << indexes.join(u',').toStdString();
    QStringList columnsAfter;
    const QSqlRecord rec = conn.record(JournalTableName);
    for (int i = 0; i < rec.count(); ++i)
        columnsAfter << rec.fieldName(i);
    EXPECT_EQ(columnsAfter, columnsBefore);

    // The period's and the executor's queries go through them.
    TJournalSelection s = period(QDate(2026, 3, 1), QDate(2026, 3, 31));
    const QString collate = JournalFoldingCollation(conn);
    QSqlQuery plan(conn);
    if (GetParam() == TestEngine::PostgreSQL) {
        ASSERT_TRUE(plan.exec(QStringLiteral("SET enable_seqscan = off")));
    }
    for (int pass = 0; pass < 2; ++pass) {
        const QString sql = QStringLiteral("SELECT COUNT(*) FROM \"Журнал\" WHERE %1").arg(JournalCondition(conn, s, collate));
        ASSERT_TRUE(plan.exec((GetParam() == TestEngine::PostgreSQL ? QStringLiteral("EXPLAIN ") : QStringLiteral("EXPLAIN QUERY PLAN "))
                              + sql)) << plan.lastError().text().toStdString();
        QString text;
        while (plan.next())
            text += plan.value(plan.record().count() - 1).toString() + u'\n';
        EXPECT_TRUE(text.contains(pass == 0 ? QStringLiteral("Журнал_DateProces") : QStringLiteral("Журнал_Ispolnitel")))
            << text.toStdString();
        s.executor = QStringLiteral("Иванов И. И.");
    }
}

TEST_P(JournalPeriodTest, APeriodPrintsTitledInJournalOrderWithItsTotal)
{
    const TJournalSelection march = period(QDate(2026, 3, 1), QDate(2026, 3, 31));
    const QStringList expected = expectedNames(rows, march);
    ASSERT_GE(expected.size(), 10);
    dm.ADOTable()->setTableName(JournalTableName);
    for (const bool backward : {false, true}) {
        const Shown shown = capturePreview([&] { dm.PrintJournalSelection(march, backward); });
        ASSERT_EQ(shown.windows, 1);
        EXPECT_EQ(shown["Title"], QStringList{QStringLiteral("Журнал принятых файлов за 01.03.2026 – 31.03.2026")});
        EXPECT_EQ(shown["DataNameFile"], expectedNames(rows, march, backward));
        EXPECT_EQ(shown["Total"], QStringList{QStringLiteral("Всего за период: %1").arg(expected.size())});
        EXPECT_EQ(dm.ADOTable()->tableName(), JournalTableName) << "the cursor's table is back";
        EXPECT_FALSE(dm.ADOTable()->Active());
    }
    // Executor and text narrow the print too.
    TJournalSelection narrow = march;
    narrow.executor = QStringLiteral("Иванов И. И.");
    narrow.text = QStringLiteral("письмо");
    const Shown shown = capturePreview([&] { dm.PrintJournalSelection(narrow, false); });
    EXPECT_EQ(shown["DataNameFile"], expectedNames(rows, narrow));
    EXPECT_EQ(shown["Total"], QStringList{QStringLiteral("Всего за период: %1").arg(expectedNames(rows, narrow).size())});
    EXPECT_TRUE(hooks.messages.empty());
}

TEST_P(JournalPeriodTest, AnEmptyPeriodPrintsTheTemplateWithNoRowsAndATotalOfNought)
{
    const Shown shown = capturePreview([&] { dm.PrintJournalSelection(period(QDate(2030, 1, 1), QDate(2030, 1, 31)), false); });
    ASSERT_EQ(shown.windows, 1);
    EXPECT_EQ(shown["Title"], QStringList{QStringLiteral("Журнал принятых файлов за 01.01.2030 – 31.01.2030")});
    EXPECT_TRUE(shown["DataNameFile"].isEmpty());
    EXPECT_EQ(shown["Total"], QStringList{QStringLiteral("Всего за период: 0")});

    const Shown summary = capturePreview([&] { dm.PrintJournalSummary(period(QDate(2030, 1, 1), QDate(2030, 1, 31))); });
    ASSERT_EQ(summary.windows, 1);
    EXPECT_TRUE(summary["DataName"].isEmpty());
    EXPECT_EQ(summary["Total"], QStringList{QStringLiteral("Всего файлов за период: 0")});
}

TEST_P(JournalPeriodTest, TheSummaryCountsFilesPerExecutorAndPerAddressee)
{
    const TJournalSelection q1 = period(QDate(2026, 1, 1), QDate(2026, 3, 31));
    // Counted here: one file per executor, one per distinct addressee line of a file.
    QMap<QString, int> executors, addressees;
    int files = 0;
    for (const Row &r : rows) {
        if (!chosen(r, q1))
            continue;
        ++files;
        ++executors[r.executor.isEmpty() ? QStringLiteral("(не указан)") : r.executor];
        QStringList names;
        for (const QString &line : r.toWhom.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts))
            if (!names.contains(line.trimmed()))
                names << line.trimmed();
        if (names.isEmpty())
            names << QStringLiteral("(не указан)");
        for (const QString &n : names)
            ++addressees[n];
    }
    ASSERT_GT(files, 0);
    int addresseeTotal = 0;
    for (int n : addressees)
        addresseeTotal += n;

    const Shown shown = capturePreview([&] { dm.PrintJournalSummary(q1); });
    ASSERT_EQ(shown.windows, 1);
    EXPECT_EQ(shown["Title"], QStringList{QStringLiteral("Сводка по журналу принятых файлов за 01.01.2026 – 31.03.2026")});
    EXPECT_EQ(shown["SectionTitle"], QStringList({QStringLiteral("По исполнителям"), QStringLiteral("По адресатам")}));
    const QStringList names = shown["DataName"];
    const QStringList counts = shown["DataFiles"];
    ASSERT_EQ(names.size(), counts.size());
    ASSERT_EQ(names.size(), executors.size() + addressees.size());
    QMap<QString, int> printedExecutors, printedAddressees;
    for (int i = 0; i < names.size(); ++i)
        (i < executors.size() ? printedExecutors : printedAddressees)[names[i]] = counts[i].toInt();
    EXPECT_EQ(printedExecutors, executors);
    EXPECT_EQ(printedAddressees, addressees);
    EXPECT_EQ(names.last(), QStringLiteral("(не указан)")) << "the unnamed entry comes last";
    EXPECT_EQ(shown["FootFiles"], QStringList({QString::number(files), QString::number(addresseeTotal)}));
    EXPECT_EQ(shown["Total"], QStringList{QStringLiteral("Всего файлов за период: %1").arg(files)});
    EXPECT_TRUE(hooks.messages.empty());
}

#ifdef FR_POSTGRES_TESTS
INSTANTIATE_TEST_SUITE_P(PostgreSQL, JournalPeriodTest, ::testing::Values(TestEngine::PostgreSQL),
                         [](const auto &info) { return std::string(testEngineName(info.param)); });
#else
INSTANTIATE_TEST_SUITE_P(SQLite, JournalPeriodTest, ::testing::Values(TestEngine::SQLite),
                         [](const auto &info) { return std::string(testEngineName(info.param)); });

// The view's controls (engine-free): a quick choice sets the dates, the count shows under
// the table, "Печать" prints what the controls choose in the order of the settings.
TEST(JournalPeriodViewTest, AMonthChosenInTheViewIsCountedAndPrinted)
{
    TTestHome home;
    THooks hooks;
    TTestDataModule data;
    const TfrReportUi savedUi = frReportUi();
    frInstallPreviewForm();
    QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/Reports/J001.frf"),
                home.path() + QStringLiteral("/Reports/J001.frf"));
    const QList<Row> rows = journalRows();
    insertRows(data.dm->Database(), rows);

    TJournalView view(data.dm->Database());
    EXPECT_EQ(view.countLabel()->text(), QStringLiteral("Найдено записей: %1").arg(rows.size()));
    EXPECT_FALSE(view.fromEdit()->isEnabled()) << "the whole journal has no dates";
    view.setToday(QDate(2026, 3, 31));
    view.periodChoice()->setCurrentIndex(TJournalView::indexOf(TQuickPeriod::ThisMonth));
    EXPECT_EQ(view.fromEdit()->date(), QDate(2026, 3, 1));
    EXPECT_EQ(view.toEdit()->date(), QDate(2026, 3, 31));
    view.executorChoice()->setCurrentText(QStringLiteral("Иванов И. И."));
    view.applySelection();
    QCoreApplication::processEvents();
    TJournalSelection s = period(QDate(2026, 3, 1), QDate(2026, 3, 31));
    s.executor = QStringLiteral("Иванов И. И.");
    const QStringList expected = expectedNames(rows, s);
    EXPECT_EQ(modelNames(*view.model()), expected);
    EXPECT_EQ(view.countLabel()->text(), QStringLiteral("Найдено записей: %1").arg(expected.size()));

    // A date typed by hand is a period of one's own.
    view.fromEdit()->setDate(QDate(2026, 3, 2));
    EXPECT_EQ(view.periodChoice()->currentIndex(), TJournalView::TypedPeriod);
    view.fromEdit()->setDate(QDate(2026, 3, 1));

    TIniFile ini = home.ini();
    Cfg::SetBackwardOrder(ini, true);
    const Shown shown = capturePreview([&] { view.findChild<QPushButton *>(QStringLiteral("BPrint"))->click(); });
    ASSERT_EQ(shown.windows, 1);
    EXPECT_EQ(shown["DataNameFile"], expectedNames(rows, s, true)) << "backward, as the settings say";
    EXPECT_TRUE(hooks.messages.empty());
    frReportUi() = savedUi;
}
#endif

} // namespace
