// Printing a run: "Печать" in the processing window loads Reports/J001.frf into the data
// module's report and shows the run in the preview, forward or backward; the cursor is back
// on Temp afterwards; an empty run and a missing template.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QPushButton>
#include <QSqlQuery>
#include <QTimer>
#include <functional>
#include <map>

#include "app/processing_window.h"
#include "report/engine/prepare.h"
#include "report/eval/db_dataset.h"
#include "report/eval/errors.h"
#include "report/model/fr_globals.h"
#include "report/model/memo_view.h"
#include "report/model/report.h"
#include "report/model/text_layout.h"
#include "report/model/view.h"
#include "report/ui/preview_form.h"
#include "test_helpers.h"

using namespace apptest;

namespace {

const QDate kToday(2024, 2, 1);

QList<TfrPreviewForm *> openPreviews()
{
    QList<TfrPreviewForm *> forms;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *f = dynamic_cast<TfrPreviewForm *>(w); f && f->isVisible())
            forms << f;
    return forms;
}

// What the preview showed of a print.
struct Shown {
    int windows = 0;
    int pages = 0;
    QString caption;
    QStringList files;   // DataNameFile of every page, in page order
    QStringList numbers; // DataNumPP likewise
    QStringList titles;
};

QStringList textsNamed(TfrEMFPages &pages, const QString &name)
{
    QStringList texts;
    for (int i = 0; i < pages.Count(); ++i)
        pages.ForEachObject(i, [&](TfrView &v) {
            if (v.Name == name)
                // Prepared lines end with the engine's mark of a line already laid out.
                texts << v.Memo.join(QLatin1Char(' ')).remove(QChar(1)).trimmed();
        });
    return texts;
}

class JournalPrintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedUi = frReportUi();
        frInstallPreviewForm();
        // The journal template the build makes, as the program folder carries it.
        const QString built = QCoreApplication::applicationDirPath() + QStringLiteral("/Reports/J001.frf");
        ASSERT_TRUE(QFile::exists(built)) << "build the journal template first (target fr_journal_template)";
        QFile::copy(built, home.path() + QStringLiteral("/Reports/J001.frf"));
    }
    void TearDown() override { frReportUi() = savedUi; }

    // Presses "Печать" and records what the preview showed before closing it.
    Shown print(TFWork &work)
    {
        Shown shown;
        QTimer::singleShot(0, [&] {
            const QList<TfrPreviewForm *> forms = openPreviews();
            shown.windows = int(forms.size());
            if (forms.isEmpty())
                return;
            TfrPreviewForm &form = *forms[0];
            shown.pages = form.PageCount();
            shown.caption = form.windowTitle();
            shown.files = textsNamed(*form.Pages(), QStringLiteral("DataNameFile"));
            shown.numbers = textsNamed(*form.Pages(), QStringLiteral("DataNumPP"));
            shown.titles = textsNamed(*form.Pages(), QStringLiteral("Title"));
            form.ExitBtnClick();
        });
        work.findChild<QPushButton *>(QStringLiteral("BPrint"))->click();
        return shown;
    }
    TWorkInputs inputs() { return {QStringLiteral("Иванов"), home.folder(), fixedClock(kToday)}; }
    TfrTableCursor &table() { return *data.dm->ADOTable(); }

    TTestHome home;
    TTestDataModule data;
    THooks hooks;
    TfrReportUi savedUi;
};

TEST_F(JournalPrintTest, TheDataModuleCarriesTheJournalReport)
{
    TfrReportBuilder &r = data.dm->frReport1();
    EXPECT_EQ(r.Name, QStringLiteral("frReport1"));
    EXPECT_EQ(r.Title, QStringLiteral("Журнал принятых файлов"));
    EXPECT_EQ(r.InitialZoom, pzOnePage);
    EXPECT_EQ(r.PreviewButtons, unsigned(pbZoom | pbSave | pbPrint | pbFind | pbHelp | pbExit));
    EXPECT_TRUE(r.GrayedButtons);
    EXPECT_TRUE(r.RebuildPrinter);
    EXPECT_TRUE(r.UseDefaultDataSetName);
    EXPECT_EQ(r.Report.PageCount(), 0) << "the template stored with the module is empty";
    ASSERT_NE(data.dm->frDBDataSet1(), nullptr);
    EXPECT_EQ(r.Report.Dataset, data.dm->frDBDataSet1());
    EXPECT_EQ(data.dm->frDBDataSet1()->objectName(), QStringLiteral("frDBDataSet1"));
    EXPECT_EQ(data.dm->frDBDataSet1()->DataSet(), data.dm->ADOTable());
    EXPECT_EQ(r.Report.Owner, data.dm.get()) << "templates find frDBDataSet1 among the module's components";
}

TEST_F(JournalPrintTest, ForwardAndBackwardShowTheRunInOppositeOrders)
{
    for (const char *name : {"a.txt", "b.doc", "c.pdf", "d.xls", "e.zip"})
        home.addFile(QString::fromLatin1(name));
    TFWork work(inputs());
    EXPECT_TRUE(work.findChild<QPushButton *>(QStringLiteral("BPrint"))->isEnabled());

    const Shown forward = print(work);
    ASSERT_EQ(forward.windows, 1);
    EXPECT_EQ(forward.caption, QStringLiteral("Предварительный просмотр - Журнал принятых файлов"));
    EXPECT_EQ(forward.files, QStringList({"a.txt", "b.doc", "c.pdf", "d.xls", "e.zip"}));
    EXPECT_EQ(forward.numbers, QStringList({"1", "2", "3", "4", "5"}));
    EXPECT_EQ(table().tableName(), TempTableName);

    TIniFile ini = home.ini();
    Cfg::SetBackwardOrder(ini, true);
    table().setRecNo(3); // wherever the operator was
    const Shown backward = print(work);
    ASSERT_EQ(backward.windows, 1);
    EXPECT_EQ(backward.files, QStringList({"e.zip", "d.xls", "c.pdf", "b.doc", "a.txt"}));
    EXPECT_EQ(backward.numbers, QStringList({"5", "4", "3", "2", "1"}));
    EXPECT_EQ(table().tableName(), TempTableName) << "back on Temp";
    EXPECT_TRUE(table().Active());
    EXPECT_EQ(table().RecNo(), 1) << "on its first row";
    EXPECT_EQ(table().RecordCount(), 5);
    EXPECT_TRUE(hooks.messages.empty());
}

TEST_F(JournalPrintTest, AnEmptyRunShowsTheTemplateWithoutDataRows)
{
    TFWork work(inputs());
    const Shown shown = print(work);
    ASSERT_EQ(shown.windows, 1);
    EXPECT_EQ(shown.pages, 1);
    EXPECT_TRUE(shown.files.isEmpty());
    EXPECT_TRUE(shown.numbers.isEmpty());
    EXPECT_EQ(shown.titles.size(), 1) << "the title prints all the same";

    TIniFile ini = home.ini();
    Cfg::SetBackwardOrder(ini, true);
    const Shown backward = print(work);
    EXPECT_EQ(backward.windows, 1);
    EXPECT_TRUE(backward.files.isEmpty());
    EXPECT_EQ(table().tableName(), TempTableName);
}

TEST_F(JournalPrintTest, WhatTheOperatorIsTypingIsPrinted)
{
    home.addFile(QStringLiteral("a.txt"));
    TFWork work(inputs());
    table().Edit();
    table().SetFieldValue(QStringLiteral("BriefContents"), TfrVariant(QStringLiteral("Договор поставки")));
    const Shown shown = print(work);
    ASSERT_EQ(shown.windows, 1);
    EXPECT_EQ(table().state(), TfrTableCursor::dsBrowse);
    EXPECT_EQ(table().FieldValue(QStringLiteral("BriefContents")).toString(), QStringLiteral("Договор поставки"));
}

TEST_F(JournalPrintTest, AMissingTemplateIsNotAnError)
{
    QFile::remove(home.path() + QStringLiteral("/Reports/J001.frf"));
    home.addFile(QStringLiteral("a.txt"));
    TFWork work(inputs());
    const Shown shown = print(work);
    EXPECT_EQ(shown.windows, 0) << "nothing loaded, nothing prepared, no preview";
    EXPECT_TRUE(hooks.messages.empty());
    EXPECT_EQ(table().tableName(), TempTableName);
    EXPECT_TRUE(table().Active());
}

TEST_F(JournalPrintTest, ABackwardPrintThatFailsLeavesTheCursorOnTemp)
{
    home.addFile(QStringLiteral("a.txt"));
    home.addFile(QStringLiteral("b.txt"));
    TFWork work(inputs());
    {
        // The backward view is gone: opening it fails and the error reaches the operator.
        QSqlQuery q(data.dm->Database());
        ASSERT_TRUE(q.exec(QStringLiteral("DROP VIEW temp.\"Temp_p\"")));
    }
    EXPECT_THROW(data.dm->PrintJournal(true), EfrError);
    EXPECT_EQ(table().tableName(), TempTableName);
    EXPECT_TRUE(table().Active());
    EXPECT_EQ(table().RecordCount(), 2);
}

// What the journal's template made of its longest realistic values: each object's lines
// as laid out, and whether each line fits its object at its font.
struct LaidOut {
    QStringList lines;
    bool fits = true;
    QString tooWide;
    TfrFont font;
    int room = 0;
    // Whether a text would fit on one line of the object.
    bool holds(const QString &text) const
    {
        return TfrFontMetrics(font, int(std::lround(font.Size * 96.0 / 72))).width(text) <= room;
    }
};

std::map<QString, std::vector<LaidOut>> layoutOf(TfrEMFPages &pages)
{
    std::map<QString, std::vector<LaidOut>> objects;
    for (int i = 0; i < pages.Count(); ++i)
        pages.ForEachObject(i, [&](TfrView &v) {
            auto *memo = dynamic_cast<TfrMemoView *>(&v);
            if (!memo)
                return;
            LaidOut out;
            out.font = memo->Font;
            out.room = memo->Width - 2 * memo->GapX;
            const TfrFontMetrics metrics(memo->Font, int(std::lround(memo->Font.Size * 96.0 / 72)));
            // A text the band did not stretch is stored as written and wraps as it is drawn.
            QStringList stored = memo->Memo;
            if (!stored.join(QString()).contains(QChar(1)) && (memo->Flags & flWordWrap)) {
                memo->expandedMemo = stored;
                memo->WrapMemo();
                stored = SMemo();
            }
            for (QString line : stored) {
                line.remove(QChar(1));
                out.lines << line;
                if (metrics.width(line) > memo->Width - 2 * memo->GapX) {
                    out.fits = false;
                    out.tooWide = line;
                }
            }
            objects[v.Name].push_back(out);
        });
    return objects;
}

TEST_F(JournalPrintTest, FileNamesPrintAsTheyAreAndEveryColumnFitsItsLongestValue)
{
    const QStringList names = {QStringLiteral("Ёлки.odt"), QStringLiteral("Ромашка.xlsx"),
                               QStringLiteral("Сопроводительное_письмо_к_договору_поставки_оборудования_№125.pdf")};
    for (const QString &name : names)
        home.addFile(name);
    TFWork work(inputs());
    // The longest values the journal's fields take.
    for (int row = 0; row < table().RowCount(); ++row) {
        table().setRecNo(row + 1);
        table().Edit();
        table().SetFieldValue(QStringLiteral("NumPP"), TfrVariant(qint64(999999999)));
        table().SetFieldValue(QStringLiteral("NumReis"), TfrVariant(99999));
        table().SetFieldValue(QStringLiteral("Size"), TfrVariant(qint64(999999999999)));
        table().SetFieldValue(QStringLiteral("DateCreateFile"), TfrVariant(QStringLiteral("28.12.26")));
        table().SetFieldValue(QStringLiteral("TimeCreateFile"), TfrVariant(QStringLiteral("23:59")));
        table().SetFieldValue(QStringLiteral("DateProcesFile"), TfrVariant(QStringLiteral("08.12.26")));
        table().SetFieldValue(QStringLiteral("TimeProcesFile"), TfrVariant(QStringLiteral("20:48")));
        table().SetFieldValue(QStringLiteral("Ispolnitel"),
                              TfrVariant(QStringLiteral("Константинопольская-Щербакова Александра В.")));
        table().SetFieldValue(QStringLiteral("BriefContents"),
                              TfrVariant(QStringLiteral("Сопроводительное письмо к договору поставки оборудования")));
        table().SetFieldValue(QStringLiteral("ToWhom"), TfrVariant(QStringLiteral("Бухгалтерия\nКанцелярия")));
        table().Post();
    }
    std::map<QString, std::vector<LaidOut>> laid;
    QTimer::singleShot(0, [&] {
        const QList<TfrPreviewForm *> forms = openPreviews();
        if (forms.isEmpty())
            return;
        laid = layoutOf(*forms[0]->Pages());
        forms[0]->ExitBtnClick();
    });
    work.findChild<QPushButton *>(QStringLiteral("BPrint"))->click();
    ASSERT_EQ(laid["DataNameFile"].size(), size_t(names.size()));

    // A file name is data: nothing added, nothing lost, wherever the line is full.
    QStringList printed;
    int wrapped = 0;
    for (const LaidOut &o : laid["DataNameFile"]) {
        printed << o.lines.join(QString());
        wrapped += o.lines.size() > 1 ? 1 : 0;
    }
    printed.sort();
    QStringList expected = names;
    expected.sort();
    EXPECT_EQ(printed, expected);
    EXPECT_EQ(wrapped, 1) << "the long name wraps";
    // Neither the executor nor the addressees hyphenate (a break at a blank drops only the
    // blank); the brief contents may.
    for (const LaidOut &o : laid["DataIspolnitel"])
        EXPECT_EQ(o.lines.join(QString()).remove(u' '), QStringLiteral("Константинопольская-ЩербаковаАлександраВ."))
            << o.lines.join(u'|').toStdString();
    for (const LaidOut &o : laid["DataToWhom"])
        EXPECT_EQ(o.lines, QStringList({"Бухгалтерия", "Канцелярия"}));

    // One line each, and it fits: no "8.12.202".
    for (const char *name : {"DataNumPP", "DataNumReis", "DataSize", "DataDateCreateFile", "DataTimeCreateFile",
                             "DataDateProcesFile", "DataTimeProcesFile"}) {
        ASSERT_EQ(laid[QString::fromLatin1(name)].size(), size_t(names.size())) << name;
        for (const LaidOut &o : laid[QString::fromLatin1(name)]) {
            EXPECT_EQ(o.lines.size(), 1) << name;
            EXPECT_TRUE(o.fits) << name << ": " << o.tooWide.toStdString();
        }
    }
    // A date with the whole year fits as well.
    EXPECT_TRUE(laid["DataDateCreateFile"].front().holds(QStringLiteral("28.12.2026")));
    EXPECT_TRUE(laid["DataDateProcesFile"].front().holds(QStringLiteral("08.12.2026")));
    // Every line of every text fits its column, and a heading breaks only between words.
    for (const auto &[name, objects] : laid)
        for (const LaidOut &o : objects)
            EXPECT_TRUE(o.fits) << name.toStdString() << ": " << o.tooWide.toStdString();
    const std::map<QString, QString> headings = {
        {"HeadNumPP", "№ п/п"}, {"HeadNumReis", "№ рейса"}, {"HeadNameFile", "Имя файла"},
        {"HeadDateCreateFile", "Дата файла"}, {"HeadTimeCreateFile", "Время файла"}, {"HeadSize", "Размер, байт"},
        {"HeadDateProcesFile", "Дата обработки"}, {"HeadTimeProcesFile", "Время обработки"},
        {"HeadIspolnitel", "Исполнитель"}, {"HeadBriefContents", "Краткое содержание"}, {"HeadToWhom", "Кому"}};
    for (const auto &[name, text] : headings) {
        ASSERT_FALSE(laid[name].empty()) << name.toStdString();
        EXPECT_EQ(laid[name].front().lines.join(u' '), text) << laid[name].front().lines.join(u'|').toStdString();
    }
}

} // namespace
