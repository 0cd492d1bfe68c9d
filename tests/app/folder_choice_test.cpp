// What the main window tells the operator about the folder: a stored folder that is
// missing, a chosen folder that disappears, a run refused on a folder nobody chose; the
// folder and the executor kept as soon as they change; the reasons of a failed delete; the
// file dialog and the connection dialog in Russian and whole.
#include "app/main_window.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFontMetrics>
#include <QListWidget>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/connection_dialog.h"
#include "report/ui/preview_form.h"
#include "test_helpers.h"

using namespace apptest;

namespace {

bool waitFor(const std::function<bool()> &condition, int ms = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return true;
}

class FolderChoiceTest : public ::testing::Test {
protected:
    QString stored() { return Cfg::CurrentDir(home.ini()); }
    // Whether "Начать обработку" opened the run window.
    bool runStarted(TFMain &window)
    {
        const qsizetype before = hooks.dialogs.size();
        window.ALFileStartWorkExecute();
        return hooks.dialogs.size() > before && hooks.dialogs.last() == "FWork";
    }

    TTestHome home;
    TTestDataModule data;
    THooks hooks;
};

TEST_F(FolderChoiceTest, AStoredFolderThatIsMissingIsToldAndNoRunStartsOnTheFallback)
{
    const QString missing = home.path() + "/gone";
    TIniFile ini = home.ini();
    Cfg::SetCurrentDir(ini, missing);
    Cfg::SetIspoln(ini, QStringLiteral("Иванов"));
    TFMain window;
    EXPECT_TRUE(window.folderChosenByProgram());
    EXPECT_TRUE(hooks.messages.empty()) << "said once the window is on the screen";
    window.show();
    ASSERT_TRUE(waitFor([&] { return !hooks.messages.empty(); }));
    EXPECT_EQ(hooks.messages[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(hooks.messages[0].text.contains(missing)) << hooks.messages[0].text.toStdString();
    EXPECT_TRUE(hooks.messages[0].text.contains(QDir::homePath())) << hooks.messages[0].text.toStdString();

    EXPECT_FALSE(runStarted(window)) << "the home folder was not the operator's choice";
    EXPECT_TRUE(hooks.messages.back().text.contains("Обработка не начата"));
    EXPECT_EQ(stored(), missing) << "the fallback does not replace the stored folder";

    window.setCurrentFolder(home.folder());
    EXPECT_FALSE(window.folderChosenByProgram());
    EXPECT_EQ(stored(), QDir(home.folder()).absolutePath()) << "kept at once";
    EXPECT_TRUE(runStarted(window));
}

TEST_F(FolderChoiceTest, AFirstStartOpensTheHomeFolderWithoutAWarning)
{
    ASSERT_FALSE(Cfg::HasCurrentDir(home.ini())) << "a fresh configuration stores no folder";
    TFMain window;
    window.show();
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(hooks.messages.empty()) << "nothing the operator chose was replaced";
    EXPECT_EQ(window.currentFolder(), QDir::homePath());
    EXPECT_FALSE(window.folderChosenByProgram());
}

TEST_F(FolderChoiceTest, AChosenFolderThatDisappearsIsToldAndItsParentIsNotRunUnchosen)
{
    TIniFile ini = home.ini();
    Cfg::SetIspoln(ini, QStringLiteral("Иванов"));
    const QString today = home.folder() + "/today";
    QDir(home.folder()).mkdir(QStringLiteral("today"));
    home.addFile(QStringLiteral("parent.txt"));
    TFMain window;
    window.setCurrentFolder(today);
    window.show();
    QCoreApplication::processEvents();
    hooks.messages.clear();

    QDir(today).removeRecursively();
    ASSERT_TRUE(waitFor([&] { return window.currentFolder() == QDir(home.folder()).absolutePath(); }));
    ASSERT_TRUE(waitFor([&] { return !hooks.messages.empty(); }));
    EXPECT_TRUE(hooks.messages[0].text.contains(today)) << hooks.messages[0].text.toStdString();
    EXPECT_EQ(hooks.messages[0].icon, QMessageBox::Warning);
    EXPECT_EQ(stored(), QDir(today).absolutePath()) << "the parent was not chosen";

    EXPECT_FALSE(runStarted(window)) << "the parent's files are not registered unasked";
    EXPECT_EQ(data.journalCount(), 0);

    // The operator picks the parent in the tree: now it is their choice.
    QTreeWidget *tree = window.folderTree();
    emit tree->itemClicked(tree->currentItem(), 0);
    EXPECT_FALSE(window.folderChosenByProgram());
    EXPECT_EQ(stored(), QDir(home.folder()).absolutePath());
    EXPECT_TRUE(runStarted(window));
}

TEST_F(FolderChoiceTest, AFolderGoneBeforeTheTreeNoticedRefusesTheRunNamingIt)
{
    TIniFile ini = home.ini();
    Cfg::SetIspoln(ini, QStringLiteral("Иванов"));
    const QString today = home.folder() + "/today";
    QDir(home.folder()).mkdir(QStringLiteral("today"));
    TFMain window;
    window.setCurrentFolder(today);
    QDir(today).removeRecursively();
    // No events processed: the tree still shows the folder.
    window.ALFileStartWorkExecute();
    ASSERT_FALSE(hooks.messages.empty());
    EXPECT_TRUE(hooks.messages.back().text.contains(QDir(today).absolutePath())) << hooks.messages.back().text.toStdString();
    EXPECT_FALSE(hooks.dialogs.contains("FWork"));
}

TEST_F(FolderChoiceTest, TheFolderAndTheExecutorAreKeptAsSoonAsTheyChange)
{
    TFMain window;
    window.setCurrentFolder(home.folder());
    EXPECT_EQ(stored(), QDir(home.folder()).absolutePath());

    window.executorBox()->setEditText(QStringLiteral("Петрова"));
    // Written a moment after typing stops, without "Выход".
    EXPECT_TRUE(waitFor([&] { return Cfg::Ispoln(home.ini()) == "Петрова"; }));
    {
        // Typed just before the window goes: kept all the same.
        TFMain closing;
        closing.executorBox()->setEditText(QStringLiteral("Сидоров"));
    }
    EXPECT_EQ(Cfg::Ispoln(home.ini()), "Сидоров");
}

TEST_F(FolderChoiceTest, AFailedDeleteNamesTheFileAndWhy)
{
    home.addFile(QStringLiteral("a.txt"));
    home.addFile(QStringLiteral("b.txt"));
    TFMain window;
    window.setCurrentFolder(home.folder());
    window.PUMEnableMultiOpExecute();
    window.fileList()->item(0)->setSelected(true);
    window.fileList()->item(1)->setSelected(true);
    // The real trash, with a home under a plain file: no trash can be made.
    frAppUiHooks().moveToTrash = nullptr;
    writeFile(home.path() + "/plain", "x");
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + "/plain/share"));
    window.PUMDeleteFilesExecute();
    qputenv("XDG_DATA_HOME", savedData);
    if (savedData.isEmpty())
        qunsetenv("XDG_DATA_HOME");

    const TMessageRequest &error = hooks.messages.back();
    EXPECT_EQ(error.icon, QMessageBox::Warning);
    EXPECT_TRUE(error.text.startsWith(TFMain::deleteErrorText())) << error.text.toStdString();
    EXPECT_TRUE(error.text.contains("«a.txt»")) << error.text.toStdString();
    EXPECT_TRUE(error.text.contains("«b.txt»")) << error.text.toStdString();
    EXPECT_TRUE(error.text.contains("Корзину")) << error.text.toStdString();
    EXPECT_TRUE(QFile::exists(home.folder() + "/a.txt"));
}

TEST_F(FolderChoiceTest, TheFileDialogSpeaksRussianAndOpensWhereTheOperatorLastWas)
{
    frSetLastFileDialogFolder(home.folder());
    {
        // No folder from the caller: the last one, not the program's folder.
        const auto dialog = frMakeOpenFileDialog(nullptr, "Командный файл", QString(), {"Все файлы (*)"});
        EXPECT_EQ(QDir(dialog->directory()).absolutePath(), QDir(home.folder()).absolutePath());
        EXPECT_EQ(dialog->labelText(QFileDialog::LookIn), "Папка:");
        EXPECT_EQ(dialog->labelText(QFileDialog::FileName), "Имя файла:");
        EXPECT_EQ(dialog->labelText(QFileDialog::FileType), "Тип файлов:");
        EXPECT_EQ(dialog->labelText(QFileDialog::Accept), "Открыть");
        EXPECT_EQ(dialog->labelText(QFileDialog::Reject), "Отмена");
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
        ASSERT_TRUE(dialog->iconProvider());
        EXPECT_EQ(dialog->iconProvider()->type(QFileInfo(home.folder())), "Папка");
        EXPECT_EQ(dialog->iconProvider()->type(QFileInfo(home.path() + "/config.ini")), "Файл ini");
    }
    {
        // A folder that exists wins; one that does not falls back again.
        const auto there = frMakeOpenFileDialog(nullptr, "x", home.path(), {});
        EXPECT_EQ(QDir(there->directory()).absolutePath(), QDir(home.path()).absolutePath());
        const auto gone = frMakeOpenFileDialog(nullptr, "x", home.path() + "/gone", {});
        EXPECT_EQ(QDir(gone->directory()).absolutePath(), QDir(home.folder()).absolutePath());
    }
    frSetLastFileDialogFolder(QString());
    const auto fresh = frMakeOpenFileDialog(nullptr, "x", QString(), {});
    EXPECT_EQ(QDir(fresh->directory()).absolutePath(), QDir::homePath());
}

TEST_F(FolderChoiceTest, ThePreviewSavesThroughTheSameDialogWhereTheOperatorLastWas)
{
    const TfrPreviewDialogs saved = frPreviewDialogs();
    frInstallFileDialogs();
    frSetLastFileDialogFolder(home.folder());
    QString seenFolder, seenAccept, seenType;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        seenFolder = QDir(dialog->directory()).absolutePath();
        seenAccept = dialog->labelText(QFileDialog::Accept);
        seenType = dialog->selectedNameFilter();
        dialog->selectNameFilter(QStringLiteral("Файл PDF (*.pdf)"));
        dialog->selectFile(home.path() + QStringLiteral("/journal.pdf"));
        static_cast<QDialog *>(dialog)->accept();
    });
    int index = 2;
    const QString chosen = frPreviewDialogs().saveFileName(
        nullptr, QStringLiteral("Отчет (*.frp)|*.frp|Книга Excel (*.xlsx)|*.xlsx|Файл PDF (*.pdf)|*.pdf"), index);
    frPreviewDialogs() = saved;
    EXPECT_EQ(seenFolder, QDir(home.folder()).absolutePath()) << "not the program's folder";
    EXPECT_EQ(seenAccept, "Сохранить");
    EXPECT_EQ(seenType, "Книга Excel (*.xlsx)") << "the preselected format";
    EXPECT_EQ(chosen, home.path() + QStringLiteral("/journal.pdf"));
    EXPECT_EQ(index, 3);
    EXPECT_EQ(frLastFileDialogFolder(), QDir(home.path()).absolutePath()) << "the next dialog opens there";
    frSetLastFileDialogFolder(QString());
}

TEST_F(FolderChoiceTest, TheConnectionDialogIsWideEnoughForItsTitle)
{
    TConnectionDialog dialog(QStringLiteral("Provider=SQLite;Data Source=journal.db"));
    dialog.show();
    QCoreApplication::processEvents();
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    EXPECT_GE(dialog.width(), QFontMetrics(titleFont).horizontalAdvance(dialog.windowTitle()) + 120)
        << "the title bar's buttons take room beside the title";
}

} // namespace
