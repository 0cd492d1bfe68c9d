#include "app/processing_window.h"

#include <QLineEdit>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QToolButton>
#include <QPushButton>
#include <QSqlQuery>
#include <QValidator>
#include <functional>
#include <gtest/gtest.h>

#include "app/cursor_model.h"
#include "report/eval/errors.h"
#include "test_helpers.h"

using namespace apptest;

namespace {

const QDate kToday(2024, 2, 1);

class ProcessingWindowTest : public ::testing::Test {
protected:
    TWorkInputs inputs(const QString &executor = QStringLiteral("Иванов"), QDate today = kToday)
    {
        return {executor, home.folder(), fixedClock(today)};
    }
    TfrTableCursor &temp() { return *data.dm->ADOTable(); }
    QStringList tempColumn(const QString &field)
    {
        QStringList values;
        for (int row = 0; row < temp().RowCount(); ++row)
            values << temp().RowValue(row, temp().FieldIndex(field)).toString();
        return values;
    }
    bool tempExists()
    {
        QSqlQuery q(data.dm->Database());
        return q.exec(QStringLiteral("SELECT COUNT(*) FROM temp.\"Temp\""));
    }

    TTestHome home;
    TTestDataModule data;
    THooks hooks;
};

TEST_F(ProcessingWindowTest, ThreeFilesAreNumberedFromTheStoredNumberAndSaveAdvancesIt)
{
    home.addFile(QStringLiteral("b.txt"));
    home.addFile(QStringLiteral("A.doc"), "12345");
    home.addFile(QStringLiteral("c.pdf"));
    home.addFile(QStringLiteral(".hidden"));
    QDir(home.folder()).mkdir(QStringLiteral("sub"));
    TIniFile ini = home.ini();
    Cfg::SetNextNumJrnEdt(ini, 10);
    Cfg::SetNextNumReisEdt(ini, 4);
    Cfg::SetWorkDate(ini, kToday);

    {
        TFWork work(inputs());
        EXPECT_EQ(work.runNumber(), 4);
        EXPECT_EQ(tempColumn("NumPP"), QStringList({"10", "11", "12"}));
        EXPECT_EQ(tempColumn("NameFile"), QStringList({"A.doc", "b.txt", "c.pdf"}));
        EXPECT_EQ(tempColumn("NumReis"), QStringList({"4", "4", "4"}));
        EXPECT_EQ(tempColumn("Size").first(), "5");
        EXPECT_EQ(tempColumn("DateProcesFile").first(), "01.02.24");
        EXPECT_EQ(tempColumn("TimeProcesFile").first(), "10:30");
        EXPECT_EQ(tempColumn("Ispolnitel").last(), "Иванов");

        // The grid shows the rows under the titles of the form.
        TfrCursorModel *model = work.grid()->cursorModel();
        ASSERT_EQ(model->rowCount(), 3);
        EXPECT_EQ(model->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "Имя файла");
        EXPECT_EQ(model->data(model->index(1, 2), Qt::DisplayRole).toString(), "b.txt");

        // A row the operator deletes leaves a gap; the numbering still moves past it.
        temp().setRecNo(2);
        temp().Delete();
        work.BSaveWorkClick();
        EXPECT_EQ(work.result(), QDialog::Accepted);
    }
    EXPECT_EQ(data.journalColumn("NumPP"), QStringList({"10", "12"}));
    EXPECT_EQ(Cfg::NextNumJrnEdt(ini), 13);
    EXPECT_EQ(Cfg::NextNumReisEdt(ini), 5);
    EXPECT_EQ(Cfg::WorkDate(ini), kToday);
    EXPECT_FALSE(tempExists()) << "Temp is dropped when the window goes";
    EXPECT_TRUE(hooks.messages.empty());
}

TEST_F(ProcessingWindowTest, RunNumberFollowsTheDateRule)
{
    struct Case {
        const char *name;
        QDate workDate; // invalid: key absent
        QDate today;
        int expectedRun;
        bool warned;
    };
    const Case cases[] = {
        {"same day continues", kToday, kToday, 7, false},
        {"next day starts at 1", QDate(2024, 1, 31), kToday, 1, false},
        {"month end to first", QDate(2024, 1, 31), QDate(2024, 2, 1), 1, false},
        {"year end to first", QDate(2023, 12, 31), QDate(2024, 1, 1), 1, false},
        {"no work date means yesterday", QDate(), kToday, 1, false},
        {"clock behind the work date", QDate(2024, 2, 5), kToday, 7, true},
    };
    for (const Case &c : cases) {
        TIniFile ini = home.ini();
        ini.DeleteKey(Cfg::Journal, Cfg::KeyWorkDate);
        if (c.workDate.isValid())
            Cfg::SetWorkDate(ini, c.workDate);
        Cfg::SetNextNumReisEdt(ini, 7);
        hooks.messages.clear();
        TFWork work(inputs(QStringLiteral("Петров"), c.today));
        EXPECT_EQ(work.runNumber(), c.expectedRun) << c.name;
        ASSERT_EQ(hooks.messages.size(), c.warned ? 1u : 0u) << c.name;
        if (c.warned) {
            EXPECT_EQ(hooks.messages[0].text, TFWork::dateWarningText());
            EXPECT_EQ(hooks.messages[0].caption, "Внимание!");
            EXPECT_EQ(hooks.messages[0].icon, QMessageBox::Warning);
        }
    }
    EXPECT_TRUE(TFWork::dateWarningText().startsWith("Текущая дата меньше даты последней обработки.\n"));
}

TEST_F(ProcessingWindowTest, TwoRunsOnOneDayThenANewDay)
{
    TIniFile ini = home.ini();
    Cfg::SetNextNumReisEdt(ini, 3);
    for (int expected : {1, 2}) {
        home.addFile(QStringLiteral("run%1.txt").arg(expected));
        TFWork work(inputs(QStringLiteral("Петров"), QDate(2024, 1, 31)));
        EXPECT_EQ(work.runNumber(), expected);
        work.BSaveWorkClick();
    }
    TFWork nextDay(inputs(QStringLiteral("Петров"), QDate(2024, 2, 1)));
    EXPECT_EQ(nextDay.runNumber(), 1);
    EXPECT_EQ(data.journalColumn("NumReis"), QStringList({"1", "2", "2"}));
}

TEST_F(ProcessingWindowTest, CancelLeavesJournalAndSettingsUnchanged)
{
    home.addFile(QStringLiteral("a.txt"));
    TIniFile ini = home.ini();
    Cfg::SetNextNumJrnEdt(ini, 5);
    const QByteArray config = readFile(frConfigPath());
    {
        TFWork work(inputs());
        work.BCancelClick();
        EXPECT_EQ(work.result(), QDialog::Rejected);
    }
    EXPECT_EQ(readFile(frConfigPath()), config);
    EXPECT_EQ(data.journalCount(), 0);
    EXPECT_FALSE(tempExists());
}

TEST_F(ProcessingWindowTest, EmptyFolderKeepsTheRunNumber)
{
    TIniFile ini = home.ini();
    Cfg::SetNextNumJrnEdt(ini, 8);
    Cfg::SetNextNumReisEdt(ini, 2);
    Cfg::SetWorkDate(ini, kToday);
    TFWork work(inputs());
    EXPECT_EQ(temp().RowCount(), 0);
    work.BSaveWorkClick();
    // Nothing saved uses up no run number: the journal keeps no hole.
    EXPECT_EQ(Cfg::NextNumJrnEdt(ini), 8);
    EXPECT_EQ(Cfg::NextNumReisEdt(ini), 2);
    EXPECT_EQ(Cfg::WorkDate(ini), kToday);
}

TEST_F(ProcessingWindowTest, AddresseeButtonAppendsLines)
{
    SaveListFile(frReceptListPath(), {QStringLiteral("Бухгалтерия"), QStringLiteral("Канцелярия")});
    home.addFile(QStringLiteral("a.txt"));
    TFWork work(inputs());
    auto *list = work.findChild<QListWidget *>("LBPol");
    ASSERT_TRUE(list);
    ASSERT_EQ(list->count(), 2);

    // Without a selection "+" is off; called anyway it says what to do and adds nothing.
    auto *add = work.findChild<QPushButton *>("BAddPol");
    EXPECT_FALSE(add->isEnabled());
    try {
        work.BAddPolClick();
        ADD_FAILURE() << "added without an addressee";
    } catch (const EfrError &e) {
        EXPECT_EQ(e.message(), TFWork::noAddresseeText());
    }
    EXPECT_EQ(temp().state(), TfrTableCursor::dsBrowse) << "the row is not left in edit mode";
    EXPECT_EQ(temp().FieldValue(QStringLiteral("ToWhom")).toString(), QString());

    list->setCurrentRow(0);
    EXPECT_TRUE(add->isEnabled());
    work.BAddPolClick();
    list->setCurrentRow(1);
    work.BAddPolClick();
    EXPECT_EQ(temp().FieldValue(QStringLiteral("ToWhom")).toString(), "Бухгалтерия\nКанцелярия");
    EXPECT_EQ(temp().state(), TfrTableCursor::dsBrowse);
    EXPECT_EQ(work.findChild<QPlainTextEdit *>("DBMemo2")->toPlainText(), "Бухгалтерия\nКанцелярия");
}

TEST_F(ProcessingWindowTest, SaveKeepsWhatTheOperatorIsStillTyping)
{
    home.addFile(QStringLiteral("a.txt"));
    home.addFile(QStringLiteral("b.txt"));
    {
        TFWork work(inputs());
        work.show();
        // On the second row: a memo typed into and a cell editor still open, neither posted.
        TfrDBGrid *grid = work.grid();
        const QModelIndex cell = grid->model()->index(1, 8);
        grid->setCurrentIndex(cell);
        ASSERT_EQ(temp().CurrentRow(), 1);
        work.findChild<QPlainTextEdit *>("DBMemo1")->setPlainText(QStringLiteral("Письмо о поставке"));
        EXPECT_EQ(temp().state(), TfrTableCursor::dsEdit);
        grid->edit(cell);
        auto *editor = qobject_cast<QLineEdit *>(grid->indexWidget(cell));
        ASSERT_TRUE(editor);
        editor->setText(QStringLiteral("Сидоров"));
        work.findChild<QPushButton *>("BSaveWork")->click();
        EXPECT_TRUE(hooks.messages.empty()) << hooks.texts().join('\n').toStdString();
    }
    EXPECT_EQ(data.journalColumn("BriefContents"), QStringList({"", "Письмо о поставке"}));
    EXPECT_EQ(data.journalColumn("Ispolnitel"), QStringList({"Иванов", "Сидоров"}));
}

TEST_F(ProcessingWindowTest, GridRowsAreDeletedOnlyWhenConfirmedAndEmptyAppendsAreDropped)
{
    home.addFile(QStringLiteral("a.txt"));
    home.addFile(QStringLiteral("b.txt"));
    {
        TFWork work(inputs());
        work.show();
        auto *navigator = work.findChild<TfrDBNavigator *>("DBNavigator1");
        ASSERT_TRUE(navigator);
        EXPECT_EQ(navigator->button(TfrDBNavigator::nbDelete)->toolTip(), "Удалить запись");

        hooks.answerYes = false;
        navigator->BtnClick(TfrDBNavigator::nbDelete);
        EXPECT_EQ(temp().RowCount(), 2);
        hooks.answerYes = true;
        navigator->BtnClick(TfrDBNavigator::nbLast);
        navigator->BtnClick(TfrDBNavigator::nbDelete);
        EXPECT_EQ(tempColumn("NameFile"), QStringList({"a.txt"}));

        // Down on the last row appends a row; untouched, it never reaches the journal.
        TfrDBGrid *grid = work.grid();
        grid->setFocus();
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QCoreApplication::sendEvent(grid, &down);
        EXPECT_EQ(temp().state(), TfrTableCursor::dsInsert);
        work.BSaveWorkClick();
    }
    EXPECT_EQ(data.journalColumn("NameFile"), QStringList({"a.txt"}));
    EXPECT_EQ(hooks.messages.size(), 2u) << "one question per delete";
}

TEST_F(ProcessingWindowTest, ExecutorLongerThanTheFieldIsRefusedBeforeTheRun)
{
    home.addFile(QStringLiteral("a.txt"));
    TIniFile ini = home.ini();
    Cfg::SetRunBatFile(ini, true);
    Cfg::SetPathBatFile(ini, QStringLiteral("touch '%1/ran'").arg(home.path()));
    const QString tooLong(51, QChar(u'Я'));
    try {
        TFWork work(inputs(tooLong));
        FAIL() << "a 51-character executor was accepted";
    } catch (const EfrError &e) {
        EXPECT_TRUE(e.message().contains("50")) << e.what();
    }
    EXPECT_FALSE(QFile::exists(home.path() + "/ran")) << "nothing runs for a refused executor";
    EXPECT_FALSE(tempExists());

    const QString longest(50, QChar(u'Я'));
    TFWork work(inputs(longest));
    EXPECT_EQ(tempColumn("Ispolnitel"), QStringList({longest}));
}

TEST_F(ProcessingWindowTest, BlankExecutorIsRefusedBeforeTheRun)
{
    home.addFile(QStringLiteral("a.txt"));
    TIniFile ini = home.ini();
    Cfg::SetRunBatFile(ini, true);
    Cfg::SetPathBatFile(ini, QStringLiteral("touch '%1/ran'").arg(home.path()));
    for (const QString &blank : {QString(), QStringLiteral(" \t ")}) {
        try {
            TFWork work(inputs(blank));
            ADD_FAILURE() << "a run started without an executor";
        } catch (const EfrError &e) {
            EXPECT_EQ(e.message(), TFWork::blankExecutorText());
        }
    }
    EXPECT_FALSE(QFile::exists(home.path() + "/ran"));
    EXPECT_FALSE(tempExists());
}

TEST_F(ProcessingWindowTest, CancelAsksOnlyWhenTheRunWasEdited)
{
    SaveListFile(frReceptListPath(), {QStringLiteral("Бухгалтерия")});
    home.addFile(QStringLiteral("a.txt"));
    home.addFile(QStringLiteral("b.txt"));
    struct Case {
        const char *name;
        std::function<void(TFWork &)> edit;
        bool asks;
    };
    const Case cases[] = {
        {"untouched", [](TFWork &) {}, false},
        {"brief contents typed",
         [](TFWork &w) { w.findChild<QPlainTextEdit *>("DBMemo1")->setPlainText(QStringLiteral("Письмо")); }, true},
        {"addressees typed",
         [](TFWork &w) { w.findChild<QPlainTextEdit *>("DBMemo2")->setPlainText(QStringLiteral("Канцелярия")); }, true},
        {"addressee added with +",
         [](TFWork &w) {
             w.findChild<QListWidget *>("LBPol")->setCurrentRow(0);
             w.BAddPolClick();
         },
         true},
        {"row deleted",
         [this](TFWork &) {
             temp().setRecNo(1);
             temp().Delete();
         },
         true},
        {"typed text back out",
         [](TFWork &w) {
             auto *memo = w.findChild<QPlainTextEdit *>("DBMemo1");
             memo->setPlainText(QStringLiteral("x"));
             memo->setPlainText(QString());
         },
         false},
        {"cell editor with typing",
         [](TFWork &w) {
             const QModelIndex cell = w.grid()->model()->index(0, 2);
             w.grid()->setCurrentIndex(cell);
             w.grid()->edit(cell);
             qobject_cast<QLineEdit *>(w.grid()->indexWidget(cell))->setText(QStringLiteral("c.txt"));
         },
         true},
        {"empty row appended by the grid",
         [this](TFWork &w) {
             w.grid()->setFocus();
             temp().Last();
             QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
             QCoreApplication::sendEvent(w.grid(), &down);
             ASSERT_EQ(temp().state(), TfrTableCursor::dsInsert);
         },
         false},
    };
    for (const Case &c : cases) {
        TFWork work(inputs());
        work.show();
        c.edit(work);
        EXPECT_EQ(work.runEdited(), c.asks) << c.name;

        hooks.messages.clear();
        hooks.answerYes = false;
        work.BCancelClick();
        if (!c.asks) {
            EXPECT_TRUE(hooks.messages.empty()) << c.name;
            EXPECT_FALSE(work.isVisible()) << c.name << ": closes at once";
            continue;
        }
        ASSERT_EQ(hooks.messages.size(), 1u) << c.name;
        EXPECT_EQ(hooks.messages[0].text, TFWork::discardQuestionText());
        EXPECT_EQ(hooks.messages[0].defaultButton, QMessageBox::No) << "Enter keeps the work";
        EXPECT_TRUE(work.isVisible()) << c.name << ": No keeps the window";

        // The close box asks the same; Yes throws the work away.
        hooks.answerYes = true;
        work.close();
        EXPECT_EQ(hooks.messages.size(), 2u) << c.name;
        EXPECT_FALSE(work.isVisible()) << c.name;
        EXPECT_EQ(work.result(), QDialog::Rejected);
    }
    EXPECT_EQ(data.journalCount(), 0);
}

TEST_F(ProcessingWindowTest, NumericCellsTakeDigitsWithinTheirRange)
{
    home.addFile(QStringLiteral("a.txt"), "12345");
    TFWork work(inputs());
    work.show();
    TfrDBGrid *grid = work.grid();
    struct Case {
        int column;
        const char *text;
        QValidator::State state;
    };
    const Case cases[] = {
        {5, "двенадцать", QValidator::Invalid}, {5, "12a", QValidator::Invalid},
        {5, "-3", QValidator::Invalid},         {5, "1 024", QValidator::Invalid},
        {5, "0", QValidator::Acceptable},       {5, "999999999999999", QValidator::Acceptable},
        {5, "1000000000000000", QValidator::Invalid}, {5, "", QValidator::Intermediate},
        {0, "0", QValidator::Intermediate},     {0, "999999999", QValidator::Acceptable},
        {0, "99999999999", QValidator::Invalid}, {1, "99999", QValidator::Acceptable},
        {1, "100000", QValidator::Invalid},     {1, "-3", QValidator::Invalid},
    };
    for (const Case &c : cases) {
        const QModelIndex cell = grid->model()->index(0, c.column);
        grid->setCurrentIndex(cell);
        grid->edit(cell);
        auto *editor = qobject_cast<QLineEdit *>(grid->indexWidget(cell));
        ASSERT_TRUE(editor && editor->validator()) << c.column;
        QString text = QString::fromUtf8(c.text);
        int pos = 0;
        EXPECT_EQ(editor->validator()->validate(text, pos), c.state) << c.column << " \"" << c.text << '"';
        grid->cancelOpenEditor();
    }
    // Text cells hold no more than their field.
    const QModelIndex executor = grid->model()->index(0, 8);
    grid->setCurrentIndex(executor);
    grid->edit(executor);
    EXPECT_EQ(qobject_cast<QLineEdit *>(grid->indexWidget(executor))->maxLength(), 50);
    grid->cancelOpenEditor();

    // A value that gets past the editor is refused in Russian, naming the column.
    const QModelIndex size = grid->model()->index(0, 5);
    EXPECT_FALSE(grid->model()->setData(size, QStringLiteral("двенадцать"), Qt::EditRole));
    ASSERT_EQ(hooks.messages.size(), 1u);
    EXPECT_TRUE(hooks.messages[0].text.startsWith("В столбце «Размер» допускается только целое число от 0 до"))
        << hooks.messages[0].text.toStdString();
    EXPECT_EQ(tempColumn("Size"), QStringList({"5"}));
    EXPECT_TRUE(grid->model()->setData(size, QStringLiteral("2048"), Qt::EditRole));
    EXPECT_EQ(tempColumn("Size"), QStringList({"2048"}));
}

TEST_F(ProcessingWindowTest, CommandFileRunsInTheIncomingFolderWithoutMovingTheProgram)
{
    const QString before = QDir::currentPath();
    TIniFile ini = home.ini();
    Cfg::SetRunBatFile(ini, true);
    Cfg::SetPathBatFile(ini, QStringLiteral("pwd > made-here.txt"));
    TFWork work(inputs());
    EXPECT_EQ(tempColumn("NameFile"), QStringList({"made-here.txt"}));
    EXPECT_EQ(readFile(home.folder() + "/made-here.txt").trimmed(), QDir(home.folder()).canonicalPath().toUtf8());
    EXPECT_EQ(QDir::currentPath(), before);
}

TEST_F(ProcessingWindowTest, JournalNumbersPastSixteenBits)
{
    home.addFile(QStringLiteral("a.txt"));
    home.addFile(QStringLiteral("b.txt"));
    TIniFile ini = home.ini();
    Cfg::SetNextNumJrnEdt(ini, 32767);
    {
        TFWork work(inputs());
        work.BSaveWorkClick();
    }
    EXPECT_EQ(data.journalColumn("NumPP"), QStringList({"32767", "32768"}));
    EXPECT_EQ(Cfg::NextNumJrnEdt(ini), 32769);

    Cfg::SetNextNumJrnEdt(ini, Q_INT64_C(4294967296));
    TFWork work(inputs());
    EXPECT_EQ(tempColumn("NumPP"), QStringList({"4294967296", "4294967297"}));
    EXPECT_EQ(work.nextJournalNumber(), Q_INT64_C(4294967298));
}

TEST_F(ProcessingWindowTest, CommandFileRunsToTheEndBeforeTheFolderIsRead)
{
    TIniFile ini = home.ini();
    Cfg::SetRunBatFile(ini, true);
    Cfg::SetPathBatFile(ini, QStringLiteral("sleep 0.3; echo made > '%1/made.txt'").arg(home.folder()));
    {
        TFWork work(inputs());
        EXPECT_EQ(tempColumn("NameFile"), QStringList({"made.txt"}));
    }
    // Off, the command is not run; a command that cannot run is not reported.
    Cfg::SetRunBatFile(ini, false);
    QFile::remove(home.folder() + "/made.txt");
    {
        TFWork work(inputs());
        EXPECT_EQ(temp().RowCount(), 0);
    }
    Cfg::SetRunBatFile(ini, true);
    Cfg::SetPathBatFile(ini, QStringLiteral("/no/such/program"));
    TFWork work(inputs());
    EXPECT_TRUE(hooks.messages.empty());
}

TEST_F(ProcessingWindowTest, FailedSaveKeepsTheNumberingAndTheWindow)
{
    home.addFile(QStringLiteral("a.txt"));
    const QByteArray config = readFile(frConfigPath());
    TFWork work(inputs());
    QSqlQuery(data.dm->Database()).exec(QStringLiteral("DROP TABLE \"Журнал\""));
    work.findChild<QPushButton *>("BSaveWork")->click();
    ASSERT_EQ(hooks.messages.size(), 1u);
    EXPECT_EQ(hooks.messages[0].icon, QMessageBox::Critical);
    EXPECT_NE(work.result(), QDialog::Accepted);
    EXPECT_EQ(readFile(frConfigPath()), config);
    EXPECT_EQ(temp().RowCount(), 1) << "the run stays on screen for another try";
}

TEST_F(ProcessingWindowTest, PrintIsPresentAndOn)
{
    TFWork work(inputs());
    auto *print = work.findChild<QPushButton *>("BPrint");
    ASSERT_TRUE(print);
    EXPECT_EQ(print->text(), "Печать");
    EXPECT_TRUE(print->isEnabled()) << "the run prints through the report engine";
    EXPECT_EQ(work.windowTitle(), "FWork");
}

} // namespace
