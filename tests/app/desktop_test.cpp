// The program among the desktop's services: the trash, Qt's Russian texts, and where
// message boxes open.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>

#include "app/desktop_trash.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "test_helpers.h"

using namespace apptest;

namespace {

// Sets an environment variable (or removes it) for the life of the object.
class TEnvScope {
public:
    TEnvScope(const char *name, const std::optional<QString> &value) : m_name(name)
    {
        if (qEnvironmentVariableIsSet(name))
            m_saved = qEnvironmentVariable(name);
        if (value)
            qputenv(name, value->toLocal8Bit());
        else
            qunsetenv(name);
    }
    ~TEnvScope()
    {
        if (m_saved)
            qputenv(m_name, m_saved->toLocal8Bit());
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    std::optional<QString> m_saved;
};

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

class TrashTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedCurrent = QDir::currentPath();
        // The real trash, not the tests' stand-in.
        frAppUiHooks().moveToTrash = nullptr;
    }
    void TearDown() override { QDir::setCurrent(savedCurrent); }

    QString savedCurrent;
    TTestHome home;
    THooks hooks;
    QTemporaryDir freshHome; // a new account: no ~/.local/share yet
    TEnvScope homeVar{"HOME", freshHome.path()};
    TEnvScope dataVar{"XDG_DATA_HOME", std::nullopt};
};

TEST_F(TrashTest, DeletedFileGoesToANewHomeTrashAndNothingIntoTheFolder)
{
    TTestDataModule data;
    home.addFile(QStringLiteral("a.txt"), "letter");
    home.addFile(QStringLiteral("b.txt"));
    // Even started from inside the incoming folder, nothing may land there.
    QDir::setCurrent(home.folder());
    TFMain window;
    window.setCurrentFolder(home.folder());
    window.fileList()->setCurrentRow(0);
    ASSERT_EQ(window.fileList()->currentItem()->text(), "a.txt");

    window.PUMDeleteFilesExecute();

    const QString trash = freshHome.path() + "/.local/share/Trash";
    EXPECT_EQ(readFile(trash + "/files/a.txt"), "letter");
    EXPECT_TRUE(QFileInfo::exists(trash + "/info/a.txt.trashinfo"));
    EXPECT_EQ(QFileInfo(trash).permissions() & (QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther
                                                 | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup),
              QFileDevice::Permissions()) << "the trash is the owner's alone";
    EXPECT_EQ(entries(home.folder()), QStringList({"b.txt"})) << "no files/ or info/ in the incoming folder";
    ASSERT_EQ(hooks.messages.size(), 1u) << hooks.texts().join('\n').toStdString();
    EXPECT_EQ(hooks.messages[0].icon, QMessageBox::Question) << "only the confirmation";
    EXPECT_EQ(window.fileList()->count(), 1);
}

TEST_F(TrashTest, TrashThatCannotBeMadeIsADeleteError)
{
    TTestDataModule data;
    home.addFile(QStringLiteral("a.txt"));
    // A home below a plain file: no folder can be made there, not even by root.
    writeFile(freshHome.path() + "/plain", "x");
    TEnvScope brokenHome("HOME", freshHome.path() + "/plain/home");
    QDir::setCurrent(home.folder());
    TFMain window;
    window.setCurrentFolder(home.folder());
    window.fileList()->setCurrentRow(0);

    window.PUMDeleteFilesExecute();

    // The warning names the file and says why.
    EXPECT_EQ(hooks.messages.back().icon, QMessageBox::Warning);
    EXPECT_TRUE(hooks.texts().last().startsWith(TFMain::deleteErrorText()));
    EXPECT_TRUE(hooks.texts().last().contains("«a.txt»: не удалось создать Корзину")) << hooks.texts().last().toStdString();
    EXPECT_EQ(entries(home.folder()), QStringList({"a.txt"})) << "the file stays and nothing is added";
}

TEST_F(TrashTest, ATrashInsideTheFolderIsNeverUsed)
{
    home.addFile(QStringLiteral("a.txt"), "keep me");
    QString where = QStringLiteral("unchanged");
    {
        // The data folder inside the incoming folder: refused before anything is made.
        TEnvScope data("XDG_DATA_HOME", home.folder() + "/share");
        EXPECT_FALSE(frMoveFileToTrash(home.folder() + "/a.txt", &where));
        EXPECT_EQ(entries(home.folder()), QStringList({"a.txt"}));
    }
    {
        // Reached through a link from outside: the file lands in the folder, and is put
        // back; the trash folders made there go again, the operator's own folder stays.
        QDir(home.folder()).mkdir(QStringLiteral("share"));
        ASSERT_TRUE(QFile::link(home.folder() + "/share", freshHome.path() + "/data"));
        TEnvScope data("XDG_DATA_HOME", freshHome.path() + "/data");
        EXPECT_FALSE(frMoveFileToTrash(home.folder() + "/a.txt", &where));
        EXPECT_EQ(where, QString());
        EXPECT_EQ(readFile(home.folder() + "/a.txt"), "keep me");
        EXPECT_EQ(entries(home.folder()), QStringList({"a.txt", "share"}));
        EXPECT_EQ(entries(home.folder() + "/share"), QStringList());
    }
    EXPECT_FALSE(frMoveFileToTrash(home.folder() + "/missing.txt"));
}

TEST(QtTranslationsTest, StartUpSpeaksRussianInQtsOwnButtons)
{
    TTestHome home;
    THooks hooks;
    TStartupOptions options;
    options.runEventLoop = false;
    EXPECT_EQ(frRunJournal(options), 0);
    EXPECT_TRUE(hooks.messages.empty()) << hooks.texts().join('\n').toStdString();

    const std::pair<QDialogButtonBox::StandardButton, const char *> buttons[] = {
        {QDialogButtonBox::Yes, "Да"},
        {QDialogButtonBox::No, "Нет"},
        {QDialogButtonBox::Cancel, "Отмена"},
        {QDialogButtonBox::Ok, "OK"},
    };
    QDialogButtonBox box(QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Cancel | QDialogButtonBox::Ok);
    for (const auto &[button, text] : buttons)
        EXPECT_EQ(box.button(button)->text().remove(u'&'), QString::fromUtf8(text));
    QMessageBox question(QMessageBox::Question, QStringLiteral("Удаление файла"), QStringLiteral("?"),
                         QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(question.button(QMessageBox::Yes)->text().remove(u'&'), "Да");
    EXPECT_EQ(question.button(QMessageBox::No)->text().remove(u'&'), "Нет");
}

TEST(MessageBoxPlacementTest, BoxesOpenCentredOverTheWindowTheyBelongTo)
{
    THooks hooks;
    frAppUiHooks().message = nullptr; // the real box
    QWidget window;
    window.setGeometry(120, 90, 520, 380); // within the test screen
    window.show();
    QDialog notShownYet(&window); // a dialog still being built, as a run warning it

    EXPECT_EQ(frMessageOwner(&notShownYet), &window);
    EXPECT_EQ(frMessageOwner(&window), &window);

    QRect placed;
    QTimer::singleShot(0, [&] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            placed = box->frameGeometry();
            static_cast<QMessageBox *>(box)->done(QMessageBox::Ok);
        }
    });
    frWarning(&notShownYet, QStringLiteral("Текущая дата меньше даты последней обработки."));
    ASSERT_TRUE(placed.isValid());
    const QPoint offset = placed.center() - window.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 4) << "box at " << placed.x() << "," << placed.y() << " " << placed.width() << "x"
                                           << placed.height() << " window " << window.frameGeometry().x() << ","
                                           << window.frameGeometry().y();
}

} // namespace
