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

#include "app/processing_window.h"
#include "report/engine/prepare.h"
#include "report/eval/db_dataset.h"
#include "report/eval/errors.h"
#include "report/model/report.h"
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

} // namespace
