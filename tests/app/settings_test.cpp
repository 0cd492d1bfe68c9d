#include "app/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "report/eval/codec.h"
#include "report/eval/errors.h"

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { frSetAppFolder(home.path()); }
    void TearDown() override { frSetAppFolder(QString()); }

    void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
        f.write(bytes);
    }
    QByteArray readFile(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir home;
};

TEST_F(SettingsTest, PathsComeFromTheProgramFolder)
{
    const QString root = QDir(home.path()).absolutePath() + u'/';
    EXPECT_EQ(frAppFolder(), root);
    EXPECT_EQ(frConfigPath(), root + "config.ini");
    EXPECT_EQ(frUsersListPath(), root + "Reports/users.txt");
    EXPECT_EQ(frReceptListPath(), root + "Reports/recept.txt");
    EXPECT_EQ(frJournalTemplatePath(), root + "Reports/J001.frf");

    // The current directory follows the operator's browsing and must not matter.
    const QString saved = QDir::currentPath();
    QDir::setCurrent(QDir::tempPath());
    EXPECT_EQ(frConfigPath(), root + "config.ini");
    QDir::setCurrent(saved);

    frSetAppFolder(QString());
    EXPECT_EQ(frAppFolder(), QCoreApplication::applicationDirPath() + u'/');
}

TEST_F(SettingsTest, NoConfigFileMeansDefaults)
{
    const TIniFile ini(frConfigPath());
    const QDate today(2024, 3, 1);
    EXPECT_EQ(Cfg::CurrentDir(ini), QStringLiteral("c:\\"));
    EXPECT_EQ(Cfg::Ispoln(ini), QString());
    EXPECT_EQ(Cfg::ConnectString(ini), QString());
    EXPECT_FALSE(Cfg::BackwardOrder(ini));
    EXPECT_FALSE(Cfg::RunBatFile(ini));
    EXPECT_EQ(Cfg::PathBatFile(ini), QString());
    EXPECT_EQ(Cfg::ActPageInd(ini), 0);
    EXPECT_EQ(Cfg::NextNumJrnEdt(ini), 1);
    EXPECT_EQ(Cfg::NextNumReisEdt(ini), 1);
    // Yesterday, across a month end and a leap day.
    EXPECT_EQ(Cfg::WorkDate(ini, today), QDate(2024, 2, 29));
    EXPECT_EQ(Cfg::WorkDate(ini), QDate::currentDate().addDays(-1));
    EXPECT_FALSE(QFile::exists(frConfigPath()));
}

TEST_F(SettingsTest, MalformedValuesReadAsDefaults)
{
    writeFile(frConfigPath(), "[Journal]\r\nNextNumJrnEdt=abc\r\nNextNumReisEdt=12x\r\nWorkDate=tomorrow\r\n"
                              "[Nastr]\r\nBackwardOrder=yes\r\nRunBatFile=7\r\nActPageInd=2\r\n");
    const TIniFile ini(frConfigPath());
    EXPECT_EQ(Cfg::NextNumJrnEdt(ini), 1);
    EXPECT_EQ(Cfg::NextNumReisEdt(ini), 1);
    EXPECT_EQ(Cfg::WorkDate(ini, QDate(2024, 1, 1)), QDate(2023, 12, 31));
    EXPECT_FALSE(Cfg::BackwardOrder(ini));
    EXPECT_TRUE(Cfg::RunBatFile(ini));
    EXPECT_EQ(Cfg::ActPageInd(ini), 2);
}

TEST_F(SettingsTest, WrittenValuesReadBack)
{
    TIniFile ini(frConfigPath());
    Cfg::SetConnectString(ini, "Provider=SQLite;Data Source=journal.db");
    Cfg::SetNextNumJrnEdt(ini, Q_INT64_C(5000000000));
    Cfg::SetNextNumReisEdt(ini, 4);
    Cfg::SetWorkDate(ini, QDate(2024, 1, 31));
    Cfg::SetBackwardOrder(ini, true);
    const TIniFile other(frConfigPath());
    EXPECT_EQ(Cfg::ConnectString(other), QStringLiteral("Provider=SQLite;Data Source=journal.db"));
    EXPECT_EQ(Cfg::NextNumJrnEdt(other), Q_INT64_C(5000000000));
    EXPECT_EQ(Cfg::NextNumReisEdt(other), 4);
    EXPECT_EQ(Cfg::WorkDate(other, QDate(2024, 2, 1)), QDate(2024, 1, 31));
    EXPECT_TRUE(Cfg::BackwardOrder(other));
    EXPECT_TRUE(readFile(frConfigPath()).contains("WorkDate=31.01.2024\r\n"));
}

TEST_F(SettingsTest, ListFileLines)
{
    QDir(home.path()).mkpath("Reports");
    struct Row { const char *name; QByteArray bytes; QStringList expected; } rows[] = {
        {"CR LF", "a\r\nb\r\n", {"a", "b"}},
        {"LF", "a\nb\n", {"a", "b"}},
        {"CR", "a\rb\r", {"a", "b"}},
        {"mixed", "a\rb\nc\r\nd", {"a", "b", "c", "d"}},
        {"no final break", "a\r\nb", {"a", "b"}},
        {"empty lines are entries", "a\r\n\r\n\nb\r\n", {"a", "", "", "b"}},
        {"spaces kept", "  a b  \r\n\t\r\n", {"  a b  ", "\t"}},
        {"one break", "\r\n", {""}},
        {"empty file", "", {}},
        {"cp1251", frToCp1251(u"Иванов И. И.\r\nЁлкина\r\n"), {"Иванов И. И.", "Ёлкина"}},
    };
    for (const Row &r : rows) {
        writeFile(frUsersListPath(), r.bytes);
        QStringList list = {"stale"};
        EXPECT_TRUE(LoadListFile(frUsersListPath(), list)) << r.name;
        EXPECT_EQ(list, r.expected) << r.name;
    }
}

TEST_F(SettingsTest, ListFilesSaveWholeAndFailClearly)
{
    QStringList list = {"kept"};
    EXPECT_FALSE(LoadListFile(frUsersListPath(), list)); // absent: unchanged
    EXPECT_EQ(list, QStringList({"kept"}));

    // The Reports folder is never created.
    try {
        SaveListFile(frUsersListPath(), {"x"});
        FAIL() << "no error";
    } catch (const EfrError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("users.txt"))) << e.what();
    }
    EXPECT_FALSE(QDir(home.path()).exists("Reports"));

    QDir(home.path()).mkpath("Reports");
    SaveListFile(frReceptListPath(), {"Бухгалтерия", "", " отдел ", "日本"});
    EXPECT_EQ(readFile(frReceptListPath()), frToCp1251(u"Бухгалтерия\r\n\r\n отдел \r\n??\r\n"));
    QStringList back;
    ASSERT_TRUE(LoadListFile(frReceptListPath(), back));
    EXPECT_EQ(back, QStringList({"Бухгалтерия", "", " отдел ", "??"}));

    // Writing an empty list is the caller's choice; the file then holds nothing.
    SaveListFile(frReceptListPath(), {});
    EXPECT_EQ(readFile(frReceptListPath()), QByteArray());
}

} // namespace

// Where the program keeps its files without --home: beside a portable program, in the
// user's folder for an installed one, seeded once with the shipped files and never
// overwriting what the operator changed.
TEST(DataFolder, PortableCopyInstalledProgramAndSeedingOnlyWhatIsMissing)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString bin = root.filePath(QStringLiteral("usr/bin"));
    const QString shipped = root.filePath(QStringLiteral("usr/share/journal"));
    const QString user = root.filePath(QStringLiteral("home/.local/share/journal"));
    ASSERT_TRUE(QDir().mkpath(bin));
    ASSERT_TRUE(QDir().mkpath(shipped + QStringLiteral("/Reports")));
    auto write = [](const QString &path, const QByteArray &bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    auto read = [](const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    write(shipped + QStringLiteral("/config.ini"), "[Main]\r\nshipped=1\r\n");
    write(shipped + QStringLiteral("/Reports/users.txt"), "Иванов\r\n");
    write(shipped + QStringLiteral("/Reports/J001.frf"), "template");
    QFile::setPermissions(shipped + QStringLiteral("/Reports/users.txt"), QFile::ReadOwner | QFile::ReadOther);

    // Installed: nothing beside the program, shipped files under share/.
    QString error;
    EXPECT_EQ(frChooseDataFolder(bin, user, shipped, &error), user) << error.toStdString();
    EXPECT_EQ(read(user + QStringLiteral("/config.ini")), QByteArray("[Main]\r\nshipped=1\r\n"));
    EXPECT_EQ(read(user + QStringLiteral("/Reports/J001.frf")), QByteArray("template"));
    EXPECT_TRUE(QFileInfo(user + QStringLiteral("/Reports/users.txt")).permissions() & QFile::WriteOwner);
    EXPECT_FALSE(QFileInfo::exists(bin + QStringLiteral("/config.ini")));

    // The next start keeps what the operator changed and adds only what is new.
    write(user + QStringLiteral("/config.ini"), "[Main]\r\nmine=1\r\n");
    QFile::remove(user + QStringLiteral("/Reports/J001.frf"));
    EXPECT_EQ(frChooseDataFolder(bin, user, shipped), user);
    EXPECT_EQ(read(user + QStringLiteral("/config.ini")), QByteArray("[Main]\r\nmine=1\r\n"));
    EXPECT_EQ(read(user + QStringLiteral("/Reports/J001.frf")), QByteArray("template"));

    // Portable: the settings beside the program win, nothing is copied anywhere.
    const QString portable = root.filePath(QStringLiteral("portable"));
    ASSERT_TRUE(QDir().mkpath(portable));
    write(portable + QStringLiteral("/config.ini"), "[Main]\r\n");
    const QString otherUser = root.filePath(QStringLiteral("other"));
    EXPECT_EQ(frChooseDataFolder(portable, otherUser, shipped), portable);
    EXPECT_FALSE(QFileInfo::exists(otherUser));
    // A bare program folder with nothing shipped keeps its files beside itself as before.
    const QString bare = root.filePath(QStringLiteral("bare"));
    ASSERT_TRUE(QDir().mkpath(bare));
    EXPECT_EQ(frChooseDataFolder(bare, otherUser, root.filePath(QStringLiteral("none"))), bare);

    // A user folder that cannot be made is told, not ignored.
    write(root.filePath(QStringLiteral("file")), "x");
    error.clear();
    EXPECT_TRUE(frChooseDataFolder(bin, root.filePath(QStringLiteral("file/journal")), shipped, &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
}
