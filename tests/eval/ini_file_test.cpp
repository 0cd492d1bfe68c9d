#include "report/eval/ini_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "report/eval/codec.h"
#include "report/eval/datetime.h"
#include "report/eval/errors.h"

namespace {

class IniFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("config.ini")); }

    void writeBytes(const QByteArray &bytes) const
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray readBytes() const
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(IniFileTest, MissingFileReadsDefaultsAndFirstWriteCreatesIt)
{
    TIniFile ini(path());
    EXPECT_EQ(ini.ReadString("Main", "CurrentDir", "c:\\"), QStringLiteral("c:\\"));
    EXPECT_EQ(ini.ReadInteger("Journal", "NextNumJrnEdt", 1), 1);
    EXPECT_TRUE(ini.ReadBool("Nastr", "RunBatFile", true));
    EXPECT_EQ(ini.ReadDate("Journal", "WorkDate", 42.0), 42.0);
    EXPECT_FALSE(QFile::exists(path()));

    ini.WriteString("Main", "Ispoln", "Иванов");
    EXPECT_EQ(readBytes(), QByteArray("[Main]\r\nIspoln=") + frToCp1251(u"Иванов") + "\r\n");
}

TEST_F(IniFileTest, ValuesFollowTheProfileRules)
{
    writeBytes("; settings\r\n"
               "orphan=before any section\r\n"
               "[Main]\r\n"
               "  Key1  =  spaced value  \r\n"
               "quoted=\"a;b\"\r\n"
               "single='x'\r\n"
               "half=\"open\r\n"
               "dup=first\r\n"
               "dup=second\r\n"
               "noequals\r\n"
               "empty=\r\n"
               "[main]\r\n"
               "late=in a second section of the same name\r\n"
               "[Other]\r\n"
               "Key1=other\r\n");
    TIniFile ini(path());
    struct Row { const char *section, *key, *expected; } rows[] = {
        {"MAIN", "key1", "spaced value"},
        {"Main", "quoted", "a;b"},
        {"Main", "single", "x"},
        {"Main", "half", "\"open"},
        {"Main", "dup", "first"},
        {"Main", "noequals", "<default>"},
        {"Main", "empty", ""},
        {"Main", "late", "<default>"}, // only the first section of a name is read
        {"Main", "orphan", "<default>"},
        {"Other", "KEY1", "other"},
        {"Missing", "Key1", "<default>"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(ini.ReadString(r.section, r.key, "<default>"), QString::fromUtf8(r.expected))
            << r.section << "/" << r.key;
}

TEST_F(IniFileTest, IntegersBooleansAndDates)
{
    writeBytes("[S]\nletters=abc\nneg=-17\nplus=+5\nbig=99999999999\nhex=$1F\nspace=1 2\n"
               "zero=0\ntwo=2\ndate=05.02.2024\nbaddate=31.02.2024\nword=yes\n");
    TIniFile ini(path());
    struct Row { const char *key; int asInt; bool asBool; } rows[] = {
        {"letters", 7, true}, {"neg", -17, true}, {"plus", 5, true}, {"big", 7, true},
        {"hex", 7, true}, {"space", 7, true}, {"zero", 0, false}, {"two", 2, true},
        {"word", 7, true}, {"absent", 7, true},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(ini.ReadInteger("S", r.key, 7), r.asInt) << r.key;
        EXPECT_EQ(ini.ReadBool("S", r.key, true), r.asBool) << r.key;
    }
    EXPECT_EQ(ini.ReadInt64("S", "big", 0), Q_INT64_C(99999999999));
    EXPECT_EQ(ini.ReadBool("S", "zero", true), false);
    EXPECT_EQ(ini.ReadDate("S", "date", 0), frEncodeDate(2024, 2, 5));
    EXPECT_EQ(ini.ReadDate("S", "baddate", -1), -1);
    EXPECT_EQ(ini.ReadDate("S", "letters", -1), -1);
}

TEST_F(IniFileTest, WritesKeepOtherLinesAndAreSeenByOtherHandles)
{
    writeBytes("; keep me\n[Main]\nCurrentDir=/old\n\n[Journal]\nNextNumJrnEdt=5\n");
    TIniFile a(path());
    TIniFile b(path());
    a.WriteString("main", "currentdir", "/new");
    a.WriteInteger("Main", "Extra", 3);
    a.WriteBool("Nastr", "RunBatFile", true);
    a.WriteDate("Journal", "WorkDate", frEncodeDateTime(2024, 3, 9, 15, 30, 0, 0));

    EXPECT_EQ(b.ReadString("Main", "CurrentDir", ""), QStringLiteral("/new"));
    EXPECT_EQ(b.ReadInteger("Main", "Extra", 0), 3);
    EXPECT_TRUE(b.ReadBool("Nastr", "RunBatFile", false));
    EXPECT_EQ(b.ReadDate("Journal", "WorkDate", 0), frEncodeDate(2024, 3, 9));
    // The file's own line breaks are kept; new keys go after their section's last key.
    EXPECT_EQ(readBytes(), QByteArray("; keep me\n[Main]\ncurrentdir=/new\nExtra=3\n\n[Journal]\n"
                                      "NextNumJrnEdt=5\nWorkDate=09.03.2024\n\n[Nastr]\nRunBatFile=1\n"));
}

TEST_F(IniFileTest, ValueWithLineBreakCannotInjectKeys)
{
    TIniFile ini(path());
    ini.WriteString("Nastr", "PathBatFile", "run.sh\r\n[Journal]\r\nNextNumJrnEdt=999");
    EXPECT_EQ(ini.ReadString("Journal", "NextNumJrnEdt", "none"), QStringLiteral("none"));
    EXPECT_EQ(ini.ReadString("Nastr", "PathBatFile", ""), QStringLiteral("run.sh  [Journal]  NextNumJrnEdt=999"));
}

TEST_F(IniFileTest, Cp1251AndSectionHousekeeping)
{
    writeBytes(frToCp1251(u"[Main]\r\nIspoln=Петров П. П.\r\nA=1\r\n[B]\r\nx=1\r\n"));
    TIniFile ini(path());
    EXPECT_EQ(ini.ReadString("Main", "Ispoln", ""), QStringLiteral("Петров П. П."));
    EXPECT_EQ(ini.ReadSections(), QStringList({"Main", "B"}));
    EXPECT_EQ(ini.ReadSection("main"), QStringList({"Ispoln", "A"}));
    EXPECT_TRUE(ini.ValueExists("MAIN", "a"));
    ini.DeleteKey("Main", "A");
    EXPECT_FALSE(ini.ValueExists("Main", "A"));
    ini.EraseSection("b");
    EXPECT_FALSE(ini.SectionExists("B"));
    EXPECT_EQ(readBytes(), frToCp1251(u"[Main]\r\nIspoln=Петров П. П.\r\n"));
}

TEST_F(IniFileTest, WriteFailureNamesTheFile)
{
    TIniFile ini(dir.filePath(QStringLiteral("missing/config.ini")));
    try {
        ini.WriteString("Main", "CurrentDir", "/x");
        FAIL() << "no error";
    } catch (const EfrError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("missing/config.ini"))) << e.what();
    }
}

} // namespace
