// The run window as an operator meets it on a small screen: it fits, grows, keeps its size,
// leaves on Esc; sizes are grouped; an empty run uses up no number; files registered
// before are shown before the run is saved again.
#include "app/processing_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "app/cursor_model.h"
#include "app/journal_run.h"
#include "app/number_input.h"
#include "report/ui/preview_form.h"
#include "test_helpers.h"

using namespace apptest;

namespace {

const QDate kToday(2024, 2, 1);

class RunWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedPositions = frFormPositionFile();
        frFormPositionFile() = home.path() + QStringLiteral("/forms.ini");
    }
    void TearDown() override { frFormPositionFile() = savedPositions; }

    TWorkInputs inputs() { return {QStringLiteral("Иванов"), home.folder(), fixedClock(kToday)}; }
    void addFiles(int count)
    {
        for (int i = 1; i <= count; ++i)
            home.addFile(QStringLiteral("Сопроводительное_письмо_к_договору_поставки_оборудования_№%1.pdf").arg(i),
                         QByteArray(i * 100, 'x'));
    }
    // The operator's answer to the question before saving a run registered before.
    void answerSave(bool save)
    {
        frAppUiHooks().message = [this, save](const TMessageRequest &r) {
            hooks.messages.push_back(r);
            if (r.buttons & QMessageBox::Save)
                return save ? QMessageBox::Save : QMessageBox::Cancel;
            return QMessageBox::Ok;
        };
    }

    QString savedPositions;
    TTestHome home;
    TTestDataModule data;
    THooks hooks;
};

// Every control of the window lies inside it and inside the screen's free area.
void expectReachable(TFWork &work)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(work.frameGeometry().width(), area.width());
    EXPECT_LE(work.frameGeometry().height(), area.height());
    for (const char *name : {"BPrint", "BCancel", "BSaveWork", "BAddPol", "LBPol", "DBMemo1", "DBMemo2", "DBGrid1"}) {
        auto *w = work.findChild<QWidget *>(QString::fromLatin1(name));
        ASSERT_TRUE(w) << name;
        const QRect inWindow(w->mapTo(&work, QPoint(0, 0)), w->size());
        EXPECT_TRUE(work.rect().contains(inWindow)) << name;
        EXPECT_TRUE(w->isVisible()) << name;
        EXPECT_GT(w->width(), 0) << name;
    }
}

TEST_F(RunWindowTest, ThirtyFilesFitTheScreenAndTheWindowGrowsWithTheGridTakingTheRoom)
{
    addFiles(30);
    TFWork work(inputs());
    work.show();
    QCoreApplication::processEvents();
    // The offscreen screen is 800 by 600: smaller than any screen an operator has.
    expectReachable(work);
    EXPECT_TRUE(work.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_LT(work.minimumWidth(), work.maximumWidth()) << "resizable";

    const int gridHeight = work.grid()->height();
    const int listHeight = work.findChild<QListWidget *>("LBPol")->height();
    work.resize(work.width(), work.height() + 200);
    QCoreApplication::processEvents();
    EXPECT_GE(work.grid()->height() - gridHeight, 100) << "the grid takes most of the room";
    EXPECT_LE(work.findChild<QListWidget *>("LBPol")->height() - listHeight, 100);
    work.BCancelClick();
}

TEST_F(RunWindowTest, TheWindowKeepsItsSizeForTheNextRunCutToTheScreen)
{
    addFiles(3);
    {
        TFWork work(inputs());
        work.show();
        QCoreApplication::processEvents();
        work.resize(700, 500);
        QCoreApplication::processEvents();
        work.BCancelClick();
    }
    const TIniFile forms(frFormPositionFile());
    EXPECT_EQ(forms.ReadInteger(QStringLiteral("FWork"), QStringLiteral("Width"), 0), 700);
    EXPECT_EQ(forms.ReadInteger(QStringLiteral("FWork"), QStringLiteral("Height"), 0), 500);
    {
        TFWork work(inputs());
        EXPECT_EQ(work.size(), QSize(700, 500));
    }
    {
        // Kept on a larger display: cut down to this one.
        TIniFile wide(frFormPositionFile());
        wide.WriteInteger(QStringLiteral("FWork"), QStringLiteral("Width"), 1459);
        wide.WriteInteger(QStringLiteral("FWork"), QStringLiteral("Height"), 1000);
        TFWork work(inputs());
        work.show();
        QCoreApplication::processEvents();
        expectReachable(work);
        work.BCancelClick();
    }
}

TEST_F(RunWindowTest, EscLeavesLikeTheCloseBoxAskingWhenThereAreEdits)
{
    addFiles(2);
    {
        TFWork work(inputs());
        work.show();
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&work, &esc);
        EXPECT_EQ(work.result(), QDialog::Rejected);
        EXPECT_FALSE(work.isVisible());
        EXPECT_TRUE(hooks.messages.empty()) << "nothing to lose, nothing asked";
    }
    {
        TFWork work(inputs());
        work.show();
        data.dm->ADOTable()->Edit();
        data.dm->ADOTable()->SetFieldValue(QStringLiteral("BriefContents"), TfrVariant(QStringLiteral("Письмо")));
        data.dm->ADOTable()->Post();
        hooks.answerYes = false;
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&work, &esc);
        ASSERT_EQ(hooks.messages.size(), 1u);
        EXPECT_EQ(hooks.messages[0].defaultButton, QMessageBox::No);
        EXPECT_TRUE(work.isVisible()) << "No keeps the run on screen";
        hooks.answerYes = true;
        QCoreApplication::sendEvent(&work, &esc);
        EXPECT_FALSE(work.isVisible());
    }
}

TEST_F(RunWindowTest, SizesAreGroupedAndTheAddresseeListIsSpelledRight)
{
    home.addFile(QStringLiteral("archive.7z"), QByteArray(7500000, 'a'));
    TFWork work(inputs());
    TfrCursorModel *model = work.grid()->cursorModel();
    // Grouped as the journal view groups them, with a space that never breaks.
    EXPECT_EQ(model->data(model->index(0, 5), Qt::DisplayRole).toString(), QStringLiteral("7\u00a0500\u00a0000"));
    EXPECT_EQ(model->data(model->index(0, 5), Qt::EditRole).toString(), "7500000") << "typed as digits";
    QStringList labels;
    for (const QLabel *label : work.findChildren<QLabel *>())
        labels << label->text();
    EXPECT_TRUE(labels.contains("Список получателей")) << labels.join(" | ").toStdString();
}

TEST_F(RunWindowTest, AnEmptyRunSavesNothingKeepsTheNumberingAndSaysSo)
{
    TIniFile ini = home.ini();
    Cfg::SetNextNumJrnEdt(ini, 8);
    Cfg::SetNextNumReisEdt(ini, 3);
    Cfg::SetWorkDate(ini, kToday.addDays(-2));
    const QByteArray config = readFile(frConfigPath());
    TFWork work(inputs());
    work.BSaveWorkClick();
    EXPECT_EQ(readFile(frConfigPath()), config) << "run counter, journal number and work date unchanged";
    EXPECT_EQ(data.journalCount(), 0);
    ASSERT_EQ(hooks.messages.size(), 1u);
    EXPECT_EQ(hooks.messages[0].text, TFWork::emptyRunText());
    EXPECT_EQ(work.result(), QDialog::Rejected);

    // A run whose every row the operator deleted is empty as well.
    home.addFile(QStringLiteral("a.txt"));
    TFWork second(inputs());
    data.dm->ADOTable()->First();
    data.dm->ADOTable()->Delete();
    second.BSaveWorkClick();
    EXPECT_EQ(readFile(frConfigPath()), config);
    EXPECT_EQ(data.journalCount(), 0);
}

TEST_F(RunWindowTest, FilesRegisteredBeforeAreShownWithTheirNumbersBeforeSaving)
{
    home.addFile(QStringLiteral("Ёлки.odt"), "ёлки");
    home.addFile(QStringLiteral("Ромашка.xlsx"), "ромашка");
    TIniFile ini = home.ini();
    Cfg::SetNextNumJrnEdt(ini, 1);
    {
        TFWork first(inputs());
        first.BSaveWorkClick();
        ASSERT_EQ(first.result(), QDialog::Accepted);
    }
    EXPECT_TRUE(hooks.messages.empty()) << "a first run asks nothing";
    // One file changed since (another size): only the other one is the same file.
    home.addFile(QStringLiteral("Ромашка.xlsx"), "ромашка, вторая редакция");
    home.addFile(QStringLiteral("new.txt"), "new");

    answerSave(false);
    {
        TFWork again(inputs());
        again.BSaveWorkClick();
        ASSERT_EQ(hooks.messages.size(), 1u);
        const TMessageRequest &question = hooks.messages[0];
        EXPECT_TRUE(question.text.contains("уже зарегистрирован")) << question.text.toStdString();
        // Ё sorts after Р without regard to case: Ромашка got № 1, Ёлки № 2.
        EXPECT_TRUE(question.text.contains("«Ёлки.odt» — № 2")) << question.text.toStdString();
        EXPECT_FALSE(question.text.contains("Ромашка")) << "a changed file is a new file";
        EXPECT_EQ(question.defaultButton, QMessageBox::Cancel);
        EXPECT_NE(again.result(), QDialog::Accepted) << "back to the run";
        EXPECT_EQ(data.journalCount(), 2);
        EXPECT_EQ(Cfg::NextNumJrnEdt(ini), 3);

        answerSave(true);
        again.BSaveWorkClick();
        EXPECT_EQ(again.result(), QDialog::Accepted);
        EXPECT_EQ(data.journalCount(), 5);
    }
    // The journal: 1 Ромашка (old), 2 Ёлки, 3 new.txt, 4 Ромашка, 5 Ёлки. Registered twice
    // now: both numbers are named, in run order.
    TFWork third(inputs());
    const QList<TJournalDuplicate> found = FindJournalDuplicates(*data.dm);
    ASSERT_EQ(found.size(), 3);
    EXPECT_EQ(found[0].NameFile, "new.txt");
    EXPECT_EQ(found[0].journalNumbers, QList<qint64>({3}));
    EXPECT_EQ(found[1].journalNumbers, QList<qint64>({4}));
    EXPECT_EQ(found[2].NameFile, "Ёлки.odt");
    EXPECT_EQ(found[2].journalNumbers, QList<qint64>({2, 5}));
    EXPECT_EQ(found[2].runNumPP, 8);
    EXPECT_TRUE(JournalDuplicatesText(found).contains("«Ёлки.odt» — № 2, 5"));
}

TEST_F(RunWindowTest, TheListOfFilesRegisteredBeforeStaysShort)
{
    QList<TJournalDuplicate> many;
    for (int i = 0; i < 30; ++i)
        many.append({QStringLiteral("f%1.txt").arg(i), i + 100, {i + 1}});
    const QString text = JournalDuplicatesText(many);
    EXPECT_LE(text.count(u'\n'), 18) << "the buttons stay on a 768-pixel screen";
    EXPECT_TRUE(text.contains("(30)"));
    EXPECT_TRUE(text.contains("и ещё 18"));
}

} // namespace
