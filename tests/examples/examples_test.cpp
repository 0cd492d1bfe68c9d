// The reports under examples/, as a user runs them: the database made from the example's
// data.sql, the shipped template checked against its JSON source, the report prepared into
// PDF by frreport and read back with poppler. The expected figures are computed here from
// the data, so a wrong total in the engine or in a template fails.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <functional>
#include <vector>

#include "testkit/paths.h"
#include "tests/engine/pdf_read.h"

namespace {

QString u(const char *s)
{
    return QString::fromUtf8(s);
}

// The statements of an SQL script: split at semicolons outside quotes, "--" comments dropped.
QStringList sqlStatements(const QString &script)
{
    QStringList statements;
    QString current;
    bool quoted = false;
    for (qsizetype i = 0; i < script.size(); ++i) {
        const QChar c = script[i];
        if (!quoted && c == u'-' && i + 1 < script.size() && script[i + 1] == u'-') {
            while (i < script.size() && script[i] != u'\n')
                ++i;
            current += u'\n';
            continue;
        }
        if (c == u'\'')
            quoted = !quoted; // a doubled quote toggles twice
        if (!quoted && c == u';') {
            if (!current.trimmed().isEmpty())
                statements << current.trimmed();
            current.clear();
            continue;
        }
        current += c;
    }
    if (!current.trimmed().isEmpty())
        statements << current.trimmed();
    return statements;
}

// One line per text line of the page as a reader lays it out, runs of blanks made one space
// (the thousands separator is a no-break space in the PDF).
QStringList layoutLines(const QString &pdf, int page)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
            {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
             QString::number(page), QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        ADD_FAILURE() << "pdftotext failed on " << pdf.toStdString();
        return {};
    }
    QStringList lines;
    for (QString line : QString::fromUtf8(p.readAllStandardOutput()).split(u'\n')) {
        line.replace(QChar(0x00A0), u' ').replace(QChar(0x202F), u' ');
        line = line.simplified();
        if (!line.isEmpty())
            lines << line;
    }
    return lines;
}

// Money as the templates print it: "#,##0.00" with a space between thousands and a decimal comma.
QString money(double value)
{
    const qint64 cents = qRound64(value * 100);
    QString whole = QString::number(cents / 100);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, u' ');
    return whole + u',' + QStringLiteral("%1").arg(cents % 100, 2, 10, QLatin1Char('0'));
}

struct Prepared {
    QSqlDatabase db; // the example's database, for the expected figures
    QString pdf;     // the report
    int pages = 0;
    std::vector<QStringList> lines; // layout lines per page (index 0: page 1)
    QString all;                    // every page's lines, one space between them

    bool has(const QString &text) const { return all.contains(text); }
    qsizetype at(const QString &text) const { return all.indexOf(text); }
    // The first line of the page that contains every one of the texts, or an empty one.
    QString lineWith(int page, const QStringList &texts) const
    {
        for (const QString &l : lines.at(page - 1)) {
            bool all = true;
            for (const QString &t : texts)
                all = all && l.contains(t);
            if (all)
                return l;
        }
        return {};
    }
    QString lineStarting(int page, const QString &text) const
    {
        for (const QString &l : lines.at(page - 1))
            if (l.startsWith(text))
                return l;
        return {};
    }
    QSqlQuery query(const QString &sql) const
    {
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
        return q;
    }
};

struct Example {
    const char *name;
    QStringList dataSets; // NAME=VIEW pairs for --dataset
    int pages;
    std::function<void(const Prepared &)> check;
};

class Examples : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        frreport = testkit::builtPath(QStringLiteral("frreport"));
        ASSERT_TRUE(QFileInfo::exists(frreport)) << "frreport is not built next to the tests";
    }
    void TearDown() override
    {
        for (const QString &c : connections)
            QSqlDatabase::removeDatabase(c);
    }

    QString source(const char *example, const QString &file) const
    {
        return testkit::sourcePath(QStringLiteral("examples/%1/%2").arg(QString::fromUtf8(example), file));
    }

    // frreport as a user on the office's desktop runs it: Russian locale, no display.
    int run(const QStringList &args, QByteArray *err = nullptr)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("ru_RU.UTF-8"));
        p.setProcessEnvironment(env);
        p.start(frreport, args);
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
            return -1;
        if (err)
            *err = p.readAllStandardError();
        return p.exitCode();
    }

    // The database a user makes with examples/make-db.sh, made here without the sqlite3 program.
    QSqlDatabase makeDatabase(const char *example)
    {
        QFile script(source(example, QStringLiteral("data.sql")));
        EXPECT_TRUE(script.open(QIODevice::ReadOnly)) << script.fileName().toStdString();
        const QString connection = QStringLiteral("examples_%1").arg(QString::fromUtf8(example));
        connections << connection;
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(dir.filePath(QStringLiteral("%1.db").arg(QString::fromUtf8(example))));
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        for (const QString &statement : sqlStatements(QString::fromUtf8(script.readAll())))
            EXPECT_TRUE(q.exec(statement)) << statement.toStdString() << ": " << q.lastError().text().toStdString();
        return db;
    }

    Prepared prepare(const Example &e, const QStringList &extra = {})
    {
        Prepared r;
        r.db = makeDatabase(e.name);
        r.pdf = dir.filePath(QStringLiteral("%1.pdf").arg(QString::fromUtf8(e.name)));
        QStringList args{QStringLiteral("prepare"),
                         source(e.name, QStringLiteral("%1.frf").arg(QString::fromUtf8(e.name))),
                         QStringLiteral("--db"), r.db.databaseName()};
        for (const QString &d : e.dataSets)
            args << QStringLiteral("--dataset") << d;
        args << extra << QStringLiteral("--pdf") << r.pdf;
        QByteArray err;
        const int status = run(args, &err);
        EXPECT_EQ(status, 0) << err.toStdString();
        EXPECT_TRUE(err.isEmpty()) << "warnings: " << err.toStdString();
        if (status != 0)
            return r;
        r.pages = pdf_read::pdfPageCount(r.pdf);
        QStringList all;
        for (int p = 1; p <= r.pages; ++p) {
            r.lines.push_back(layoutLines(r.pdf, p));
            all << r.lines.back();
        }
        r.all = all.join(u' ');
        return r;
    }

    QString frreport;
    QTemporaryDir dir;
    QStringList connections;
};

// ---- what each report must show ----

void checkList(const Prepared &r)
{
    // Departments in the order of the report, each with its count and sums, after its name.
    QSqlQuery q = r.query(QStringLiteral("SELECT Dept, COUNT(*), SUM(Qty), SUM(Amount) FROM orders_by_dept "
                                         "GROUP BY Dept ORDER BY Dept"));
    qsizetype after = -1;
    int groups = 0;
    while (q.next()) {
        ++groups;
        const QString name = u("Подразделение: ") + q.value(0).toString();
        SCOPED_TRACE(name.toStdString());
        const QString total = u("Итого по подразделению: заявок %1 %2 %3")
                                  .arg(q.value(1).toInt())
                                  .arg(q.value(2).toInt())
                                  .arg(money(q.value(3).toDouble()));
        EXPECT_GT(r.at(name), after) << "groups in order";
        EXPECT_GT(r.at(total), r.at(name)) << "the group's total after its rows: " << total.toStdString();
        after = r.at(total);
    }
    EXPECT_EQ(groups, 5);
    q = r.query(QStringLiteral("SELECT COUNT(*), SUM(Qty), SUM(Amount), AVG(Amount) FROM orders_by_dept"));
    ASSERT_TRUE(q.next());
    const QString summary =
        u("Всего заявок: %1 %2 %3").arg(q.value(0).toInt()).arg(q.value(1).toInt()).arg(money(q.value(2).toDouble()));
    EXPECT_GT(r.at(summary), after) << summary.toStdString() << "\n" << r.all.toStdString();
    EXPECT_TRUE(r.has(u("Средняя сумма заявки: %1 руб.").arg(money(q.value(3).toDouble()))));
    // The department the page break cut is named again above its rows on the next page.
    EXPECT_TRUE(r.lines.at(1).at(0).startsWith(u("№ Дата Наименование"))) << r.lines.at(1).at(0).toStdString();
    EXPECT_TRUE(r.lines.at(1).at(1).startsWith(u("Подразделение: "))) << r.lines.at(1).at(1).toStdString();
}

void checkInvoice(const Prepared &r)
{
    for (int p = 1; p <= r.pages; ++p)
        EXPECT_FALSE(r.lineWith(p, {u("Страница %1 из %2").arg(p).arg(r.pages)}).isEmpty()) << "page " << p;
    QSqlQuery q = r.query(QStringLiteral("SELECT i.No, strftime('%d.%m.%Y', i.InvDate), COUNT(*), SUM(l.Amount) "
                                         "FROM invoice_list i JOIN invoice_items l ON l.InvoiceNo = i.No "
                                         "GROUP BY i.No ORDER BY i.No"));
    qsizetype after = -1;
    while (q.next()) {
        const QString title = u("Счёт на оплату № %1 от %2").arg(q.value(0).toInt()).arg(q.value(1).toString());
        SCOPED_TRACE(title.toStdString());
        const double total = q.value(3).toDouble();
        EXPECT_GT(r.at(title), after);
        // Only the invoice's own lines: their count and sum, the last running total equal to it.
        const QString words = u("Всего наименований %1, на сумму %2 руб.").arg(q.value(2).toInt()).arg(money(total));
        EXPECT_GT(r.at(words), r.at(title)) << words.toStdString();
        EXPECT_GT(r.at(u("Итого: ") + money(total)), r.at(title));
        EXPECT_GT(r.at(u("В том числе НДС 20 %: ") + money(total * 20 / 120)), r.at(title));
        after = r.at(words);
    }
    // Each invoice starts a page; the long one goes on with the table's header repeated.
    EXPECT_FALSE(r.lineWith(3, {u("Счёт на оплату № 1043")}).isEmpty());
    EXPECT_TRUE(r.lineWith(4, {u("Счёт на оплату")}).isEmpty());
    EXPECT_FALSE(r.lineWith(4, {u("Товар"), u("С начала счёта")}).isEmpty());
    EXPECT_FALSE(r.lineWith(5, {u("Счёт на оплату № 1044")}).isEmpty());
    // The running total of the long invoice's last line, on the continued page.
    q = r.query(QStringLiteral("SELECT SUM(Amount), MAX(LineNo) FROM invoice_items WHERE InvoiceNo = 1043"));
    ASSERT_TRUE(q.next());
    const QString last = r.lineStarting(4, QStringLiteral("%1 ").arg(q.value(1).toInt()));
    EXPECT_TRUE(last.endsWith(u(" ") + money(q.value(0).toDouble()))) << last.toStdString();
}

void checkCrossTab(const Prepared &r)
{
    EXPECT_FALSE(r.lineWith(1, {u("Исполнитель Январь Февраль Март Апрель Май Июнь Всего")}).isEmpty());
    // Every row: the executor, the month cells that have files (empty ones print nothing), the total.
    QSqlQuery rows = r.query(QStringLiteral("SELECT Id, Name FROM executor_rows"));
    int grand = 0;
    while (rows.next()) {
        QStringList expected{rows.value(1).toString()};
        int total = 0;
        for (int month = 1; month <= 6; ++month) {
            QSqlQuery c = r.query(QStringLiteral("SELECT Files FROM file_counts WHERE CellKey = %1")
                                      .arg(rows.value(0).toInt() * 100 + month));
            if (c.next()) {
                expected << c.value(0).toString();
                total += c.value(0).toInt();
            }
        }
        expected << QString::number(total);
        grand += total;
        EXPECT_FALSE(r.lineWith(1, {expected.join(u' ')}).isEmpty()) << expected.join(u' ').toStdString();
    }
    QStringList footer{u("Итого")};
    for (int month = 1; month <= 6; ++month) {
        QSqlQuery c = r.query(QStringLiteral("SELECT COUNT(*) FROM files WHERE strftime('%m', received) = '%1'")
                                  .arg(month, 2, 10, QLatin1Char('0')));
        ASSERT_TRUE(c.next());
        footer << c.value(0).toString();
    }
    footer << QString::number(grand);
    EXPECT_FALSE(r.lineWith(1, {footer.join(u' ')}).isEmpty()) << footer.join(u' ').toStdString();
    EXPECT_FALSE(r.lineWith(1, {u("Всего принято файлов: %1").arg(grand)}).isEmpty());
}

void checkLabels(const Prepared &r)
{
    QSqlQuery q = r.query(QStringLiteral("SELECT Postcode, Organisation FROM labels"));
    QStringList postcodes;
    while (q.next()) {
        postcodes << q.value(0).toString();
        EXPECT_EQ(r.all.count(q.value(0).toString()), 1) << "each label once: " << q.value(0).toString().toStdString();
    }
    ASSERT_EQ(postcodes.size(), 28);
    // Three labels across: records 1-3 share a line, record 4 starts the next row.
    EXPECT_EQ(r.lineWith(1, {postcodes[0]}), postcodes.mid(0, 3).join(u' '));
    EXPECT_EQ(r.lineWith(1, {postcodes[3]}), postcodes.mid(3, 3).join(u' '));
    // A page holds seven rows; the last seven labels go on the second, the last one alone.
    EXPECT_EQ(r.lineWith(1, {postcodes[18]}), postcodes.mid(18, 3).join(u' '));
    EXPECT_EQ(r.lineWith(2, {postcodes[21]}), postcodes.mid(21, 3).join(u' '));
    EXPECT_EQ(r.lineWith(2, {postcodes[27]}), postcodes[27]);
}

void checkSubReports(const Prepared &r)
{
    // Side by side: the captions on one line, left and right of the middle; the first rows of
    // both tables start level.
    EXPECT_FALSE(r.lineWith(1, {u("Сотрудники"), u("Подразделения")}).isEmpty());
    QSqlQuery staff = r.query(QStringLiteral("SELECT Name FROM staff_list"));
    ASSERT_TRUE(staff.next());
    QSqlQuery dept = r.query(QStringLiteral("SELECT Name FROM department_list"));
    ASSERT_TRUE(dept.next());
    const auto words = pdf_read::pdfWords(r.pdf, 1);
    auto box = [&](const QString &word) {
        for (const auto &w : words)
            if (w.text == word)
                return w.box;
        ADD_FAILURE() << "no word " << word.toStdString();
        return QRectF();
    };
    const QRectF left = box(staff.value(0).toString().section(u' ', 0, 0));
    const QRectF right = box(dept.value(0).toString().section(u' ', 0, 0));
    EXPECT_LT(left.right(), 297);
    EXPECT_GT(right.left(), 297);
    EXPECT_NEAR(left.top(), right.top(), 12);
    EXPECT_NEAR(box(u("Сотрудники")).top(), box(u("Подразделения")).top(), 1);
    QSqlQuery n = r.query(QStringLiteral("SELECT (SELECT COUNT(*) FROM staff), (SELECT COUNT(*) FROM departments)"));
    ASSERT_TRUE(n.next());
    EXPECT_TRUE(r.has(u("Всего сотрудников: %1").arg(n.value(0).toInt())));
    EXPECT_TRUE(
        r.has(u("Всего подразделений: %1, сотрудников в штате: %2").arg(n.value(1).toInt()).arg(n.value(0).toInt())));
}

void checkScript(const Prepared &r)
{
    QSqlQuery q = r.query(QStringLiteral(
        "SELECT COUNT(*), SUM(Overdue > 0), SUM(Overdue = 0 AND DoneDate IS NULL), MAX(Overdue) FROM control_list"));
    ASSERT_TRUE(q.next());
    EXPECT_GT(q.value(1).toInt(), 0);
    EXPECT_GT(q.value(2).toInt(), 0);
    EXPECT_TRUE(r.has(u("Всего документов на контроле: %1").arg(q.value(0).toInt())));
    EXPECT_TRUE(
        r.has(u("Из них просрочено: %1, на исполнении в срок: %2").arg(q.value(1).toInt()).arg(q.value(2).toInt())));
    EXPECT_TRUE(r.has(u("Наибольшая просрочка: %1 дн.").arg(q.value(3).toInt())));
    // Each document's line: its state from the band's script; the days only when late.
    q = r.query(QStringLiteral("SELECT RegNo, Overdue, DoneDate IS NULL FROM control_list"));
    while (q.next()) {
        const QString line = r.lineWith(1, {q.value(0).toString() + u' '});
        SCOPED_TRACE(line.toStdString());
        const int overdue = q.value(1).toInt();
        const QString state = overdue > 0 ? u("просрочен") : q.value(2).toBool() ? u("на исполнении") : u("исполнен");
        EXPECT_TRUE(line.endsWith(u(" ") + state));
        const QRegularExpression days(QStringLiteral("\\.\\d{4} (\\d+) \\S+( \\S+)?$"));
        const auto m = days.match(line);
        if (overdue > 0) {
            ASSERT_TRUE(m.hasMatch());
            EXPECT_EQ(m.captured(1).toInt(), overdue);
        } else {
            EXPECT_FALSE(m.hasMatch()) << "a zero is hidden";
        }
    }
}

const std::vector<Example> &examples()
{
    static const std::vector<Example> all{
        {"list", {QStringLiteral("Orders=orders_by_dept")}, 2, checkList},
        // One page per invoice; invoice 1043 (40 lines) needs two.
        {"invoice", {QStringLiteral("Invoices=invoice_list"), QStringLiteral("Lines=invoice_items")}, 5, checkInvoice},
        {"crosstab",
         {QStringLiteral("Cells=file_counts"), QStringLiteral("Executors=executor_rows"),
          QStringLiteral("Months=month_columns")},
         1,
         checkCrossTab},
        {"labels", {QStringLiteral("Addressees=labels")}, 2, checkLabels},
        {"subreports",
         {QStringLiteral("Staff=staff_list"), QStringLiteral("Depts=department_list")},
         1,
         checkSubReports},
        {"script", {QStringLiteral("Docs=control_list")}, 1, checkScript},
    };
    return all;
}

TEST_F(Examples, ShippedTemplatesAreMadeFromTheirJson)
{
    for (const Example &e : examples()) {
        SCOPED_TRACE(e.name);
        const QString made = dir.filePath(QStringLiteral("%1.frf").arg(QString::fromUtf8(e.name)));
        QByteArray err;
        ASSERT_EQ(run({QStringLiteral("make"), source(e.name, QStringLiteral("%1.json").arg(QString::fromUtf8(e.name))),
                       made},
                      &err),
                  0)
            << err.toStdString();
        QFile a(made), b(source(e.name, QStringLiteral("%1.frf").arg(QString::fromUtf8(e.name))));
        ASSERT_TRUE(a.open(QIODevice::ReadOnly));
        ASSERT_TRUE(b.open(QIODevice::ReadOnly)) << "the template is not shipped";
        EXPECT_TRUE(a.readAll() == b.readAll())
            << "examples/" << e.name << "/" << e.name << ".frf differs from frreport make of its JSON";
        EXPECT_TRUE(QFileInfo::exists(source(e.name, QStringLiteral("README.md"))));
    }
}

TEST_F(Examples, EachPreparesIntoPdfWithItsPagesAndFigures)
{
    for (const Example &e : examples()) {
        SCOPED_TRACE(e.name);
        const Prepared r = prepare(e);
        ASSERT_EQ(r.pages, e.pages);
        for (const QSizeF &size : pdf_read::pdfPageSizes(r.pdf)) {
            EXPECT_NEAR(size.width(), 595, 1) << "A4 portrait";
            EXPECT_NEAR(size.height(), 842, 1);
        }
        e.check(r);
    }
}

// The highlight and the hidden zeros are what the prepared page keeps for each text: late
// documents red and bold on pink, documents in time with an empty cell.
TEST_F(Examples, ScriptHighlightsLateDocumentsAndHidesZeros)
{
    const Example &e = examples().back();
    ASSERT_STREQ(e.name, "script");
    Prepared r = prepare(e);
    const QString json = dir.filePath(QStringLiteral("script.json"));
    QStringList args{QStringLiteral("prepare"),   source(e.name, QStringLiteral("script.frf")),
                     QStringLiteral("--db"),      r.db.databaseName(),
                     QStringLiteral("--dataset"), e.dataSets.at(0),
                     QStringLiteral("--json"),    json};
    ASSERT_EQ(run(args), 0);
    QFile f(json);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    std::vector<QJsonObject> cells;
    for (const QJsonValue page : QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("pages")).toArray())
        for (const QJsonValue o : page.toObject().value(QStringLiteral("objects")).toArray())
            if (o.toObject().value(QStringLiteral("name")).toString() == QStringLiteral("DataOverdue"))
                cells.push_back(o.toObject());
    QSqlQuery q = r.query(QStringLiteral("SELECT Overdue FROM control_list"));
    size_t i = 0;
    for (; q.next(); ++i) {
        ASSERT_LT(i, cells.size());
        const int overdue = q.value(0).toInt();
        SCOPED_TRACE(overdue);
        QString text = cells[i].value(QStringLiteral("lines")).toArray().at(0).toString();
        text.remove(QChar(1));
        const QJsonObject font = cells[i].value(QStringLiteral("font")).toObject();
        const bool late = overdue > 0;
        EXPECT_EQ(text, late ? QString::number(overdue) : QString());
        EXPECT_EQ(font.value(QStringLiteral("color")).toInt(), late ? 0x0000FF : 0);
        EXPECT_EQ(font.value(QStringLiteral("style")).toInt(), late ? 2 : 0);
        EXPECT_EQ(cells[i].value(QStringLiteral("fill")).toInt(), late ? 0xD8D8FF : 0x1FFFFFFF);
    }
    EXPECT_EQ(i, cells.size());
}

// The guide's first report, as a reader copies it out of docs/guide.md, made and prepared
// over the list example's data: the guide never shows a template that does not work.
TEST_F(Examples, GuideFirstReportWorksAsWritten)
{
    QFile guide(testkit::sourcePath(QStringLiteral("docs/guide.md")));
    ASSERT_TRUE(guide.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(guide.readAll());
    const auto m = QRegularExpression(QStringLiteral("`first\\.json`:\\s*```json\\n(.*?)```"),
                                      QRegularExpression::DotMatchesEverythingOption)
                       .match(text);
    ASSERT_TRUE(m.hasMatch()) << "no JSON block after \"first.json\" in the guide";
    const QString json = dir.filePath(QStringLiteral("first.json")), frf = dir.filePath(QStringLiteral("first.frf"));
    QFile out(json);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(m.captured(1).toUtf8());
    out.close();
    QByteArray err;
    ASSERT_EQ(run({QStringLiteral("make"), json, frf}, &err), 0) << err.toStdString();

    const QSqlDatabase db = makeDatabase("list");
    const QString pdf = dir.filePath(QStringLiteral("first.pdf"));
    ASSERT_EQ(run({QStringLiteral("prepare"), frf, QStringLiteral("--db"), db.databaseName(),
                   QStringLiteral("--dataset"), QStringLiteral("Orders=orders_by_dept"), QStringLiteral("--pdf"), pdf},
                  &err),
              0)
        << err.toStdString();
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*), SUM(Amount) FROM orders_by_dept")) && q.next());
    QStringList all;
    for (int p = 1; p <= pdf_read::pdfPageCount(pdf); ++p)
        all << layoutLines(pdf, p);
    const QString total = u("Итого: %1 заявок на %2 руб.").arg(q.value(0).toInt()).arg(money(q.value(1).toDouble()));
    EXPECT_TRUE(all.contains(total)) << total.toStdString() << "\n" << all.join(u'\n').toStdString();
    EXPECT_TRUE(text.contains(total)) << "the guide quotes the total it gives";
}

TEST(ExamplesSql, StatementsSplitOutsideQuotesAndComments)
{
    const QStringList s = sqlStatements(u("-- a comment; with a semicolon\nCREATE TABLE t (a TEXT);\n"
                                          "INSERT INTO t VALUES ('x; y');INSERT INTO t VALUES ('it''s');\n-- end"));
    EXPECT_EQ(s, (QStringList{u("CREATE TABLE t (a TEXT)"), u("INSERT INTO t VALUES ('x; y')"),
                              u("INSERT INTO t VALUES ('it''s')")}));
}

} // namespace
