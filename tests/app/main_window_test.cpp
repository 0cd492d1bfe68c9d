#include "app/main_window.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QElapsedTimer>
#include <QThread>
#include <QTreeWidget>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableView>
#include <gtest/gtest.h>

#include "app/about_box.h"
#include "app/journal_view.h"
#include "app/settings_dialog.h"
#include "app/startup.h"
#include "report/eval/errors.h"
#include "report/model/registry.h"
#include "test_helpers.h"

using namespace apptest;

namespace {

QStringList listTexts(const QListWidget *list)
{
    QStringList t;
    for (int i = 0; i < list->count(); ++i)
        t << list->item(i)->text();
    return t;
}

QStringList comboItems(const QComboBox *box)
{
    QStringList t;
    for (int i = 0; i < box->count(); ++i)
        t << box->itemText(i);
    return t;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { savedCurrent = QDir::currentPath(); }
    void TearDown() override { QDir::setCurrent(savedCurrent); }

    QString savedCurrent;
    TTestHome home;
    THooks hooks;
};

TEST_F(MainWindowTest, StartUpRunsEngineDataModuleThenMainWindow)
{
    auto pdfFilters = [] {
        int n = 0;
        for (const TfrExportFilterInfo &e : frFilters())
            n += e.filterMask == QStringLiteral("*.pdf") ? 1 : 0;
        return n;
    };
    QStringList steps;
    TStartupOptions options;
    options.runEventLoop = false;
    options.trace = [&](const QString &step) {
        steps << step;
        if (step == "FMain") {
            EXPECT_TRUE(MainDM) << "the data module exists before the main window";
        }
        if (step == "ready") {
            EXPECT_EQ(pdfFilters(), 1) << "the preview's save offers PDF while the program runs";
        }
    };
    EXPECT_EQ(frRunJournal(options), 0);
    EXPECT_EQ(steps, QStringList({"engine", "MainDM", "FMain", "ready"}));
    EXPECT_TRUE(hooks.messages.empty()) << hooks.texts().join('\n').toStdString();
    EXPECT_FALSE(MainDM) << "the data module goes with the program";
    EXPECT_EQ(pdfFilters(), 0) << "and so does the PDF filter";
}

TEST_F(MainWindowTest, UnreachableDatabaseEndsStartUpWithTheConnectionError)
{
    struct Case {
        const char *connectString;
        const char *expectedInMessage;
    };
    const Case cases[] = {
        {"Provider=SQLite;Data Source=/no/such/folder/journal.db", ""},
        {"", ""},
    };
    for (const Case &c : cases) {
        TIniFile ini = home.ini();
        Cfg::SetConnectString(ini, QString::fromUtf8(c.connectString));
        hooks.messages.clear();
        QStringList steps;
        TStartupOptions options;
        options.runEventLoop = false;
        options.trace = [&](const QString &step) { steps << step; };
        EXPECT_EQ(frRunJournal(options), 0) << c.connectString;
        EXPECT_EQ(steps, QStringList({"engine", "MainDM", "FMain"})) << c.connectString;
        ASSERT_EQ(hooks.messages.size(), 1u) << c.connectString;
        EXPECT_EQ(hooks.messages[0].icon, QMessageBox::Critical);
        EXPECT_FALSE(hooks.messages[0].text.isEmpty());
    }
}

TEST_F(MainWindowTest, CommandLineTakesOnlyAHomeFolder)
{
    EXPECT_EQ(frParseCommandLine({"journal"}).home, QString());
    EXPECT_EQ(frParseCommandLine({"journal", "--home", home.path()}).home, home.path());
    EXPECT_EQ(frParseCommandLine({"journal", "--home=" + home.path()}).home, home.path());
    EXPECT_THROW(frParseCommandLine({"journal", "--home"}), EfrError);
    EXPECT_THROW(frParseCommandLine({"journal", "--home", home.path() + "/missing"}), EfrError);
    EXPECT_THROW(frParseCommandLine({"journal", "--verbose"}), EfrError);
}

TEST_F(MainWindowTest, StoredFolderThatIsGoneFallsBackToHome)
{
    TTestDataModule data;
    for (const QString &stored : {QStringLiteral("c:\\"), home.path() + "/gone", QString()}) {
        TIniFile ini = home.ini();
        if (stored.isEmpty())
            ini.DeleteKey(Cfg::Main, Cfg::KeyCurrentDir);
        else
            Cfg::SetCurrentDir(ini, stored);
        TFMain window;
        EXPECT_EQ(window.currentFolder(), QDir::homePath()) << stored.toStdString();
        EXPECT_EQ(QDir::currentPath(), savedCurrent) << "the process keeps its working directory";
    }
}

TEST_F(MainWindowTest, ExitStoresFolderAndExecutorForTheNextStart)
{
    TTestDataModule data;
    SaveListFile(frUsersListPath(), {QStringLiteral("Иванов"), QStringLiteral("Петров")});
    {
        TFMain window;
        EXPECT_EQ(window.windowTitle(), "Журнал");
        EXPECT_EQ(comboItems(window.executorBox()), QStringList({"Иванов", "Петров"}));
        EXPECT_EQ(window.executor(), QString());
        window.setCurrentFolder(home.folder());
        window.setExecutor(QStringLiteral("Сидоров"));
        window.ALFileExitExecute();
    }
    TIniFile ini = home.ini();
    EXPECT_EQ(Cfg::CurrentDir(ini), QDir(home.folder()).absolutePath());
    EXPECT_EQ(Cfg::Ispoln(ini), "Сидоров");

    TFMain again;
    EXPECT_EQ(again.currentFolder(), QDir(home.folder()).absolutePath());
    EXPECT_EQ(again.executor(), "Сидоров");
    EXPECT_EQ(again.folderTree()->directory(), again.currentFolder());

    // Closing by the close box writes nothing.
    again.setExecutor(QStringLiteral("Кузнецов"));
    again.close();
    EXPECT_EQ(Cfg::Ispoln(ini), "Сидоров");
}

TEST_F(MainWindowTest, FileListShowsTheFolderFilesWithoutHiddenOnes)
{
    TTestDataModule data;
    home.addFile(QStringLiteral("b.txt"));
    home.addFile(QStringLiteral("A.txt"));
    home.addFile(QStringLiteral(".secret"));
    QDir(home.folder()).mkdir(QStringLiteral("sub"));
    TFMain window;
    window.setCurrentFolder(home.folder());
    EXPECT_EQ(listTexts(window.fileList()), QStringList({"A.txt", "b.txt"}));
    EXPECT_EQ(QDir::currentPath(), savedCurrent) << "browsing never moves the working directory";

    // F5 reads the folder again.
    home.addFile(QStringLiteral("c.txt"));
    window.FormKeyUp(Qt::Key_F5, {});
    EXPECT_EQ(listTexts(window.fileList()), QStringList({"A.txt", "b.txt", "c.txt"}));
}

TEST_F(MainWindowTest, OpenUsesTheCurrentItem)
{
    TTestDataModule data;
    home.addFile(QStringLiteral("a.txt"));
    TFMain window;
    window.setCurrentFolder(home.folder());
    // Without a file picked the entries are off, and the handler says what to do.
    auto *open = window.findChild<QAction *>("PUMOpenFile");
    auto *remove = window.findChild<QAction *>("PUMDeleteFiles");
    EXPECT_FALSE(open->isEnabled());
    EXPECT_FALSE(remove->isEnabled());
    try {
        window.PUMOpenFileExecute();
        ADD_FAILURE() << "opened without a file";
    } catch (const EfrError &e) {
        EXPECT_TRUE(e.message().startsWith("Не выбран файл.")) << e.what();
    }
    EXPECT_TRUE(hooks.openedUrls.isEmpty());
    window.fileList()->setCurrentRow(0);
    EXPECT_TRUE(open->isEnabled());
    EXPECT_TRUE(remove->isEnabled());
    window.PUMOpenFileExecute();
    ASSERT_EQ(hooks.openedUrls.size(), 1);
    EXPECT_EQ(hooks.openedUrls[0], QUrl::fromLocalFile(QDir(home.folder()).absolutePath() + "/a.txt"));
}

TEST_F(MainWindowTest, DeleteSendsOnlyTheSelectedFilesThatStillExist)
{
    TTestDataModule data;
    for (const char *name : {"a.txt", "b.txt", "c.txt"})
        home.addFile(QString::fromLatin1(name));
    TFMain window;
    window.setCurrentFolder(home.folder());
    QListWidget *list = window.fileList();

    window.PUMEnableMultiOpExecute();
    EXPECT_TRUE(window.groupMode());
    EXPECT_TRUE(window.findChild<QAction *>("PUMEnableMultiOp")->isChecked());
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::MultiSelection);
    list->item(0)->setSelected(true);
    list->item(2)->setSelected(true);
    QFile::remove(home.folder() + "/c.txt"); // another program was faster

    window.PUMDeleteFilesExecute();
    EXPECT_EQ(hooks.trashed, QStringList({QDir(home.folder()).absolutePath() + "/a.txt"}));
    ASSERT_EQ(hooks.messages.size(), 1u) << "only the confirmation";
    EXPECT_EQ(hooks.messages[0].icon, QMessageBox::Question);
    EXPECT_EQ(listTexts(list), QStringList({"b.txt"}));

    window.PUMEnableMultiOpExecute();
    EXPECT_FALSE(window.groupMode());
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
}

TEST_F(MainWindowTest, DeleteReportsCancelAndFailure)
{
    TTestDataModule data;
    home.addFile(QStringLiteral("a.txt"));
    TFMain window;
    window.setCurrentFolder(home.folder());
    QListWidget *list = window.fileList();

    list->setCurrentRow(0);
    hooks.answerYes = false;
    window.PUMDeleteFilesExecute();
    EXPECT_TRUE(hooks.trashed.isEmpty());
    EXPECT_EQ(hooks.texts().last(), TFMain::deleteAbortedText());
    // The desktop's trash, not Windows' one.
    EXPECT_EQ(TFMain::deleteAbortedText(),
              "Процедура удаления была отменена.\nУдаленные файлы были помещены в Корзину.");

    list->setCurrentRow(0);
    hooks.answerYes = true;
    hooks.trashSucceeds = false;
    window.PUMDeleteFilesExecute();
    EXPECT_TRUE(hooks.texts().last().startsWith("Ошибка удаления файлов:\n«a.txt»")) << hooks.texts().last().toStdString();
    EXPECT_EQ(hooks.messages.back().icon, QMessageBox::Warning);
    EXPECT_EQ(listTexts(list), QStringList({"a.txt"})) << "the list is read again in every case";
}

TEST_F(MainWindowTest, SettingsRefreshTheExecutorListButNotTheTypedName)
{
    TTestDataModule data;
    SaveListFile(frUsersListPath(), {QStringLiteral("Иванов")});
    TFMain window;
    window.setExecutor(QStringLiteral("Гость"));
    hooks.onDialog = [](QDialog &d) {
        auto &settings = dynamic_cast<TFNastr &>(d);
        settings.AddIspClick();
        settings.executors()->editBox()->setText(QStringLiteral("Петров"));
        settings.OKAddIspClick();
        settings.BSaveClick();
        return d.result();
    };
    window.ALOptionsSettingsExecute();
    EXPECT_EQ(hooks.dialogs, QStringList({"FNastr"}));
    EXPECT_EQ(comboItems(window.executorBox()), QStringList({"Иванов", "Петров"}));
    EXPECT_EQ(window.executor(), "Гость");
}

TEST_F(MainWindowTest, ActionsCarryTheirCaptions)
{
    TTestDataModule data;
    TFMain window;
    const std::pair<const char *, const char *> actions[] = {
        {"ALFileStartWork", "Начать обработку"}, {"ALFileShowJournal", "Журнал"},
        {"ALFileExit", "Вы&ход"},                {"ALOptionsSettings", "Н&астройки"},
        {"ALHelpAbout", "&О программе"},        {"PUMOpenFile", "Открыть"},
        {"PUMDeleteFiles", "Удалить файл(ы)"},  {"PUMEnableMultiOp", "Группа"},
    };
    for (const auto &[name, caption] : actions) {
        auto *action = window.findChild<QAction *>(QString::fromLatin1(name));
        ASSERT_TRUE(action) << name;
        EXPECT_EQ(action->text(), QString::fromUtf8(caption)) << name;
    }
    for (const char *name : {"DirectoryListBox1", "DriveComboBox1", "FileListBox1", "CmbBIsp", "BStartWork", "Button1"})
        EXPECT_TRUE(window.findChild<QWidget *>(QString::fromLatin1(name))) << name;
}

TEST_F(MainWindowTest, StartWorkWithATooLongExecutorIsRefusedWithAMessage)
{
    TTestDataModule data;
    TFMain window;
    window.setCurrentFolder(home.folder());
    window.setExecutor(QString(60, QChar(u'x')));
    window.findChild<QAction *>("ALFileStartWork")->trigger();
    ASSERT_EQ(hooks.messages.size(), 1u);
    EXPECT_TRUE(hooks.messages[0].text.contains("50"));
    EXPECT_TRUE(hooks.dialogs.isEmpty()) << "no processing window opens";
}

TEST_F(MainWindowTest, AboutBoxShowsTheBuildVersion)
{
    TAboutBox about;
    EXPECT_TRUE(about.windowTitle().startsWith("О программе "));
    auto *version = about.findChild<QLabel *>("Version");
    ASSERT_TRUE(version);
    EXPECT_EQ(version->text(), QStringLiteral("Версия программы ") + QStringLiteral(FR_VERSION_STRING));
}

TEST_F(MainWindowTest, StartWorkWithABlankExecutorIsRefusedWithAMessage)
{
    TTestDataModule data;
    TFMain window;
    window.setCurrentFolder(home.folder());
    for (const QString &blank : {QString(), QStringLiteral("   ")}) {
        hooks.messages.clear();
        window.setExecutor(blank);
        window.findChild<QAction *>("ALFileStartWork")->trigger();
        ASSERT_EQ(hooks.messages.size(), 1u);
        EXPECT_TRUE(hooks.messages[0].text.startsWith("Не указан текущий исполнитель.")) << hooks.messages[0].text.toStdString();
    }
    EXPECT_TRUE(hooks.dialogs.isEmpty()) << "no processing window opens";
}

// Runs the event loop until the condition holds or the time is up.
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

QStringList childNames(QTreeWidgetItem *item)
{
    QStringList names;
    for (int i = 0; item && i < item->childCount(); ++i)
        names << item->child(i)->text(0);
    return names;
}

TEST_F(MainWindowTest, FileListAndTreeFollowTheFolderWithoutF5)
{
    TTestDataModule data;
    home.addFile(QStringLiteral("a.txt"));
    home.addFile(QStringLiteral("c.txt"));
    TFMain window;
    window.setCurrentFolder(home.folder());
    QListWidget *list = window.fileList();
    list->setCurrentRow(1);
    ASSERT_EQ(list->currentItem()->text(), "c.txt");

    // A command file or another program drops a file in: it shows, the pick stays.
    home.addFile(QStringLiteral("b.txt"));
    EXPECT_TRUE(waitFor([&] { return listTexts(list).contains("b.txt"); })) << listTexts(list).join(',').toStdString();
    EXPECT_EQ(listTexts(list), QStringList({"a.txt", "b.txt", "c.txt"}));
    ASSERT_TRUE(list->currentItem());
    EXPECT_EQ(list->currentItem()->text(), "c.txt");
    EXPECT_TRUE(list->currentItem()->isSelected());

    // Removed elsewhere: gone from the list.
    QFile::remove(home.folder() + "/a.txt");
    EXPECT_TRUE(waitFor([&] { return !listTexts(list).contains("a.txt"); }));

    // A new folder appears under the current one in the tree, and goes again.
    QTreeWidgetItem *current = window.folderTree()->currentItem();
    ASSERT_TRUE(current);
    QDir(home.folder()).mkdir(QStringLiteral("archive"));
    EXPECT_TRUE(waitFor([&] { return childNames(window.folderTree()->currentItem()).contains("archive"); }));
    QDir(home.folder()).rmdir(QStringLiteral("archive"));
    EXPECT_TRUE(waitFor([&] { return !childNames(window.folderTree()->currentItem()).contains("archive"); }));

    // The current folder itself removed: its parent takes over, and the list with it.
    QDir(home.folder()).mkdir(QStringLiteral("today"));
    writeFile(home.folder() + "/today/x.txt", "x");
    window.setCurrentFolder(home.folder() + "/today");
    EXPECT_EQ(listTexts(list), QStringList({"x.txt"}));
    QDir(home.folder() + "/today").removeRecursively();
    const QString parent = QDir(home.folder()).absolutePath();
    EXPECT_TRUE(waitFor([&] { return window.currentFolder() == parent; })) << window.currentFolder().toStdString();
    EXPECT_TRUE(waitFor([&] { return listTexts(list) == QStringList({"b.txt", "c.txt"}); }))
        << listTexts(list).join(',').toStdString();
    EXPECT_FALSE(childNames(window.folderTree()->currentItem()).contains("today"));
    EXPECT_EQ(QDir::currentPath(), savedCurrent);
}

class JournalViewTest : public MainWindowTest {
protected:
    void fillJournal(int rows)
    {
        QSqlDatabase db = data.dm->Database();
        db.transaction();
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO \"Журнал\" (\"NumPP\", \"NameFile\", \"Ispolnitel\", "
                                 "\"BriefContents\", \"ToWhom\") VALUES (?, ?, ?, ?, ?)"));
        // Inserted out of order, so the view's order is its own.
        for (int i = rows; i >= 1; --i) {
            q.addBindValue(i);
            q.addBindValue(QStringLiteral("file%1.txt").arg(i));
            q.addBindValue(i % 2 ? QStringLiteral("Иванов") : QStringLiteral("Петров"));
            q.addBindValue(i == 7 ? QStringLiteral("договор 100%") : QString());
            q.addBindValue(i == 8 ? QStringLiteral("Бухгалтерия") : QString());
            q.exec();
        }
        db.commit();
    }
    QStringList column(QAbstractItemModel *model, int c)
    {
        QStringList t;
        for (int r = 0; r < model->rowCount(); ++r)
            t << model->index(r, c).data().toString();
        return t;
    }

    TTestDataModule data;
};

TEST_F(JournalViewTest, SortedByNumberAndFilteredOverTextFields)
{
    fillJournal(10);
    TJournalView view(data.dm->Database());
    EXPECT_EQ(column(view.model(), 0).mid(0, 3), QStringList({"1", "2", "3"}));
    EXPECT_EQ(view.model()->headerData(2, Qt::Horizontal).toString(), "Имя файла");

    const std::pair<const char *, QStringList> filters[] = {
        {"file1", {"1", "10"}},   // file name
        {"Петров", {"2", "4", "6", "8", "10"}}, // executor
        {"100%", {"7"}},          // brief contents; % is literal
        {"_", {}},                // so is _
        {"Бухгалтерия", {"8"}},   // addressees
        {"  ", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}},
    };
    for (const auto &[text, expected] : filters) {
        view.applyFilter(QString::fromUtf8(text));
        EXPECT_EQ(column(view.model(), 0), expected) << text;
    }
}

TEST_F(JournalViewTest, LargeJournalIsFetchedAsTheViewScrolls)
{
    fillJournal(20000);
    QElapsedTimer timer;
    timer.start();
    TJournalView view(data.dm->Database());
    EXPECT_LT(view.model()->rowCount(), 20000) << "rows are fetched on demand";
    EXPECT_TRUE(view.model()->canFetchMore());
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_EQ(view.model()->index(0, 0).data().toString(), "1");
}

TEST_F(JournalViewTest, MenuEntryOpensTheView)
{
    TFMain window;
    window.ALFileShowJournalExecute();
    EXPECT_EQ(hooks.dialogs, QStringList({"FJournal"}));
}

} // namespace
