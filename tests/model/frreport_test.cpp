// Template descriptions in JSON, the journal template built from one, and the frreport
// program that dumps and makes templates.
#include "tool_run.h"
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "report/eval/errors.h"
#include "report/eval/stream.h"
#include "report/eval/ui_hooks.h"
#include "report/model/fr_globals.h"
#include "report/model/template_json.h"
#include "testkit/paths.h"
#include "template_test_support.h"

namespace {

using namespace template_test;

QString sourceFile(const char *relative) { return testkit::sourcePath(QString::fromLatin1(relative)); }

QByteArray readFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class TemplateJsonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        frGlobals();
        frUiHooks().MessageBox = [this](const QString &text, const QString &, int) {
            messages.append(text);
            return 1;
        };
    }
    void TearDown() override
    {
        frUiHooks().MessageBox = nullptr;
        CurPage = nullptr;
        CurReport = nullptr;
        frVersion = 25;
    }

    // Saved with the description's own last-change date, then loaded back.
    static void saveAndLoad(TfrReport &from, TfrReport &to)
    {
        from.StampLastChange = false;
        TfrStream s;
        from.SaveToStream(s);
        s.seek(0);
        ASSERT_TRUE(to.LoadFromStream(s));
    }
    static QByteArray bytes(TfrReport &r)
    {
        r.StampLastChange = false;
        TfrStream s;
        r.SaveToStream(s);
        return s.data();
    }

    QStringList messages;
};

TEST_F(TemplateJsonTest, DescriptionOfAMadeTemplateIsTheDescription)
{
    TfrReport original;
    fillEverything(original);
    TfrReport loaded;
    saveAndLoad(original, loaded);
    const QByteArray described = frTemplateToJson(loaded);

    TfrReport made;
    frTemplateFromJson(made, described);
    EXPECT_EQ(QString::fromUtf8(frTemplateToJson(made)), QString::fromUtf8(described));
    EXPECT_EQ(bytes(made), bytes(loaded)) << "the description holds every stored byte";

    // And once more through a file, as frreport does.
    TfrReport again;
    saveAndLoad(made, again);
    EXPECT_EQ(QString::fromUtf8(frTemplateToJson(again)), QString::fromUtf8(described));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(TemplateJsonTest, DescriptionNamesFieldsByTheirProperties)
{
    TfrReport original;
    fillEverything(original);
    const QJsonObject root = QJsonDocument::fromJson(frTemplateToJson(original)).object();
    const QJsonObject page = root[u("Pages")].toArray()[0].toObject();
    EXPECT_EQ(page[u("Orientation")].toString(), u("poLandscape"));
    EXPECT_EQ(page[u("StretchToPrintable")].toBool(), true);
    const QJsonArray objects = page[u("Objects")].toArray();
    const QJsonObject band = objects[0].toObject();
    EXPECT_EQ(band[u("Type")].toString(), u("otBand"));
    EXPECT_EQ(band[u("BandType")].toString(), u("btMasterData"));
    EXPECT_EQ(band[u("DataSource")].toString(), u("frDBDataSet1"));
    const QJsonObject memo = objects[1].toObject();
    EXPECT_EQ(memo[u("FillColor")].toString(), u("clBtnFace"));
    EXPECT_EQ(memo[u("FrameColor")].toString(), u("0x00112233"));
    EXPECT_EQ(memo[u("FrameStyle")].toString(), u("psDashDot"));
    EXPECT_EQ(memo[u("Font")].toObject()[u("Name")].toString(), u("Times New Roman"));
    EXPECT_EQ(memo[u("Memo")].toArray()[2].toString(), u("Строка с кириллицей"));
    EXPECT_EQ(objects[2].toObject()[u("Picture")].toObject()[u("Kind")].toString(), u("pkBitmap"));
    EXPECT_EQ(root[u("Dictionary")].toObject()[u("Variables")].toArray()[1].toArray()[1].toString(),
              u("frDBDataSet1.\"NumPP\""));
}

TEST_F(TemplateJsonTest, FaultsNameTheirPlace)
{
    struct Row {
        const char *json;
        const char *error;
    } rows[] = {
        {"{", "invalid JSON at offset"},
        {"[]", "the description is not a JSON object"},
        {R"({"Pagez": []})", "Pagez: unknown field"},
        {R"({"Pages": [{"Objects": [{"Type": "otMemo", "Font": {"Size": "big"}}]}]})",
         "Pages[0].Objects[0].Font.Size: expected an integer"},
        {R"({"Pages": [{"Objects": [{"Type": "otMemo", "Flags": 70000}]}]})",
         "Pages[0].Objects[0].Flags: 70000 is out of range 0..65535"},
        {R"({"Pages": [{"Objects": [{"Type": "otMemo", "FillColor": "clPink"}]}]})",
         "Pages[0].Objects[0].FillColor: not a colour: \"clPink\""},
        {R"({"Pages": [{"Objects": [{"Type": "otBand", "BandType": "btMaster"}]}]})",
         "Pages[0].Objects[0].BandType: \"btMaster\" is none of btReportTitle"},
        {R"({"Pages": [{"Objects": [{"Type": "otMemo", "DataSource": "x"}]}]})",
         "Pages[0].Objects[0].DataSource: unknown field"},
        {R"({"Pages": [{"Objects": [{"Name": "x"}]}]})", "Pages[0].Objects[0].Type: missing"},
        {R"({"Pages": [{"Objects": [{"Type": "otAddIn", "ClassName": "TfrNothing"}]}]})",
         "Pages[0].Objects[0].ClassName: no registered class \"TfrNothing\""},
        {R"({"Pages": [{"Objects": [{"Type": 7}]}]})", "Pages[0].Objects[0].Type: no object type 7"},
        {R"({"Pages": [{"Objects": [{"Type": "otPicture", "Picture": {"Kind": "pkBitmap", "Data": "!!"}}]}]})",
         "Pages[0].Objects[0].Picture.Data: not base64"},
        {R"({"Pages": [{"Objects": [{"Type": "otPicture", "Picture": {"Kind": "pkBitmap", "Data": "AAAA"}}]}]})",
         "Pages[0].Objects[0].Picture.Data: Bitmap image is not valid"},
        {R"({"Pages": [{"Dialog": {"Caption": 5}}]})", "Pages[0].Dialog.Caption: expected a string"},
        {R"({"Dictionary": {"Variables": [["a"]]}})", "Dictionary.Variables[0]: expected [name, value]"},
        {R"({"Attributes": {"Created": "today"}})", "Attributes.Created: expected a number"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.json);
        TfrReport r;
        fillEverything(r);
        try {
            frTemplateFromJson(r, QByteArray(row.json));
            ADD_FAILURE() << "accepted";
        } catch (const EfrError &e) {
            EXPECT_TRUE(e.message().startsWith(QString::fromUtf8(row.error))) << e.message().toStdString();
        }
        EXPECT_EQ(r.Pages.GetCount(), 0) << "a failed description leaves an empty report";
    }
}

TEST_F(TemplateJsonTest, LeftOutFieldsKeepTheDefaultsOfNewObjects)
{
    TfrReport r;
    frTemplateFromJson(r, R"({"Pages": [{"Objects": [{"Type": "otMemo"}, {"Type": "otBand"}, {"Type": "otMemo"}]}]})");
    ASSERT_EQ(r.Pages.GetCount(), 1);
    TfrPage *page = r.Pages[0];
    EXPECT_EQ(page->Name, u("Page1"));
    EXPECT_EQ(page->pgSize, 9);
    ASSERT_EQ(page->Objects.size(), 3u);
    EXPECT_EQ(page->Objects[0]->Name, u("Memo1"));
    EXPECT_EQ(page->Objects[1]->Name, u("Band1"));
    EXPECT_EQ(page->Objects[2]->Name, u("Memo2"));
    EXPECT_EQ(page->Objects[0]->Flags, flStretched | flWordWrap);
    EXPECT_EQ(page->Objects[1]->Flags, flBandOnFirstPage | flBandOnLastPage);
    EXPECT_EQ(r.DocInfo.lastChange, 0.0) << "a made template does not carry the time it was made";
}

// ---- the journal template ---------------------------------------------------------------

class JournalTemplateTest : public TemplateJsonTest {
protected:
    void SetUp() override
    {
        TemplateJsonTest::SetUp();
        const QByteArray json = readFile(sourceFile("data/Reports/J001.json"));
        ASSERT_FALSE(json.isEmpty());
        frTemplateFromJson(made, json);
        saveAndLoad(made, report);
        ASSERT_EQ(report.Pages.GetCount(), 1);
        page = report.Pages[0];
    }
    TfrView *object(const char *name) const { return page->FindObject(u(name)); }
    QList<TfrView *> objectsOfBand(int bandType) const
    {
        const TfrView *band = nullptr;
        for (const auto &v : page->Objects)
            if (v->Typ == otBand && v->FrameTyp == bandType)
                band = v.get();
        QList<TfrView *> result;
        if (!band)
            return result;
        for (const auto &v : page->Objects)
            if (v->Typ != otBand && v->Top >= band->Top && v->Top < band->Top + band->Height)
                result.append(v.get());
        return result;
    }

    TfrReport made, report;
    TfrPage *page = nullptr;
};

TEST_F(JournalTemplateTest, IsALandscapeA4TwoPassReport)
{
    EXPECT_EQ(page->pgSize, 9);
    EXPECT_EQ(page->pgOr, poLandscape);
    EXPECT_EQ(page->pgWidth, 2970);
    EXPECT_EQ(page->pgHeight, 2100);
    EXPECT_TRUE(report.DoublePassReport) << "the footer needs TOTALPAGES";
    EXPECT_EQ(report.DocInfo.name, u("Журнал принятых файлов"));
    // Everything lies within the margins.
    for (const auto &v : page->Objects) {
        if (v->Typ == otBand)
            continue;
        SCOPED_TRACE(v->Name.toStdString());
        EXPECT_GE(v->Left, page->LeftMargin());
        EXPECT_LE(v->Left + v->Width, page->RightMargin());
        EXPECT_LE(v->Top + v->Height, page->BottomMargin());
    }
}

TEST_F(JournalTemplateTest, HasTitleColumnTitlesRowsAndPageNumbers)
{
    const auto *title = dynamic_cast<TfrMemoView *>(object("Title"));
    ASSERT_TRUE(title);
    EXPECT_EQ(title->Memo, QStringList{u("Журнал принятых файлов")});
    ASSERT_TRUE(object("TitleDate"));
    EXPECT_TRUE(object("TitleDate")->Memo.join(u(" ")).contains(u("[DATE]")));

    const QStringList fields = {u("NumPP"), u("NumReis"), u("NameFile"), u("DateCreateFile"), u("TimeCreateFile"),
                                u("Size"), u("DateProcesFile"), u("TimeProcesFile"), u("Ispolnitel"),
                                u("BriefContents"), u("ToWhom")};
    const QList<TfrView *> header = objectsOfBand(btPageHeader);
    const QList<TfrView *> row = objectsOfBand(btMasterData);
    ASSERT_EQ(header.size(), fields.size());
    ASSERT_EQ(row.size(), fields.size());
    for (qsizetype i = 0; i < fields.size(); ++i) {
        SCOPED_TRACE(fields[i].toStdString());
        EXPECT_EQ(row[i]->Memo, QStringList{u("[frDBDataSet1.\"") + fields[i] + u("\"]")});
        EXPECT_EQ(row[i]->FrameTyp, 15) << "a framed grid";
        EXPECT_TRUE(row[i]->Flags & flStretched) << "cells grow with the row";
        EXPECT_EQ(header[i]->Left, row[i]->Left) << "titles stand over their columns";
        EXPECT_EQ(header[i]->Width, row[i]->Width);
        if (i > 0) {
            EXPECT_EQ(row[i]->Left, row[i - 1]->Left + row[i - 1]->Width) << "no gaps between the cells";
        }
    }
    for (const char *wrapped : {"DataBriefContents", "DataToWhom", "DataNameFile"})
        EXPECT_TRUE(object(wrapped)->Flags & flWordWrap) << wrapped;

    const auto *band = dynamic_cast<TfrBandView *>(object("MasterData1"));
    ASSERT_TRUE(band);
    EXPECT_EQ(band->formatText, u("frDBDataSet1"));
    EXPECT_TRUE(band->Flags & flStretched);
    EXPECT_TRUE(object("PageHeader1")->Flags & flBandOnFirstPage) << "the titles are on the first page too";

    const QList<TfrView *> footer = objectsOfBand(btPageFooter);
    ASSERT_EQ(footer.size(), 1);
    EXPECT_EQ(footer[0]->Memo, QStringList{u("Стр. [PAGE#] из [TOTALPAGES]")});
}

TEST_F(JournalTemplateTest, DescriptionIsStable)
{
    const QByteArray described = frTemplateToJson(report);
    TfrReport again;
    frTemplateFromJson(again, described);
    TfrReport loaded;
    saveAndLoad(again, loaded);
    EXPECT_EQ(QString::fromUtf8(frTemplateToJson(loaded)), QString::fromUtf8(described));
    EXPECT_EQ(bytes(made), bytes(loaded)) << "the build writes the same bytes every time";
}

// ---- the program ------------------------------------------------------------------------

struct ToolRun {
    int status = -1;
    QByteArray out, err;
};

class FrreportTool : public TemplateJsonTest {
protected:
    void SetUp() override
    {
        TemplateJsonTest::SetUp();
        program = QCoreApplication::applicationDirPath() + QStringLiteral("/frreport");
        ASSERT_TRUE(QFileInfo::exists(program)) << "frreport is not built next to the tests";
        ASSERT_TRUE(dir.isValid());
    }
    ToolRun run(const QStringList &arguments)
    {
        const TToolResult r = frRunTool(program, arguments);
        return {r.status, r.out, r.err};
    }
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    void write(const QString &name, const QByteArray &data) const
    {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    }

    QString program;
    QTemporaryDir dir;
};

TEST_F(FrreportTool, MakeThenDumpGivesTheDescriptionBack)
{
    TfrReport original;
    fillEverything(original);
    TfrReport loaded;
    saveAndLoad(original, loaded);
    const QByteArray described = frTemplateToJson(loaded);
    write(path("t.json"), described);

    const ToolRun made = run({u("make"), path("t.json"), path("t.frf")});
    ASSERT_EQ(made.status, 0) << made.err.toStdString();
    const ToolRun dumped = run({u("dump"), path("t.frf")});
    ASSERT_EQ(dumped.status, 0) << dumped.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(dumped.out), QString::fromUtf8(described));
    EXPECT_EQ(readFile(path("t.frf")), bytes(loaded));
}

TEST_F(FrreportTool, ProtectedTemplatesNeedThePassword)
{
    write(path("p.json"), R"({"Pages": [{}], "Attributes": {"Password": "Сезам", "PasswordProtected": true}})");
    ASSERT_EQ(run({u("make"), path("p.json"), path("p.frf")}).status, 0);
    const ToolRun opened = run({u("dump"), u("--password"), u("Сезам"), path("p.frf")});
    EXPECT_EQ(opened.status, 0);
    EXPECT_EQ(QJsonDocument::fromJson(opened.out)[u("Attributes")][u("Password")].toString(), u("Сезам"));
    const ToolRun withoutPassword = run({u("dump"), path("p.frf")});
    EXPECT_EQ(withoutPassword.status, 1);
    EXPECT_TRUE(withoutPassword.out.isEmpty());
    EXPECT_TRUE(withoutPassword.err.contains("give --password"));
    const ToolRun wrong = run({u("dump"), u("--password"), u("сезам"), path("p.frf")});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_TRUE(wrong.err.contains("wrong password"));
}

TEST_F(FrreportTool, FailuresAndUsage)
{
    write(path("bad.frf"), QByteArray::fromHex("1A"));
    write(path("bad.json"), R"({"Pages": 5})");
    struct Row {
        QStringList arguments;
        int status;
        const char *message;
    } rows[] = {
        {{}, 2, "usage:"},
        {{u("frobnicate")}, 2, "usage:"},
        {{u("dump")}, 2, "usage: frreport dump"},
        {{u("make"), path("bad.json")}, 2, "usage: frreport make"},
        {{u("dump"), path("missing.frf")}, 1, "no such file"},
        {{u("dump"), path("bad.frf")}, 1, "Ошибка: Неверный FRF формат"},
        {{u("make"), path("bad.json"), path("out.frf")}, 1, "Pages: expected an array"},
        {{u("make"), path("missing.json"), path("out.frf")}, 1, "missing.json"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.arguments.join(u(" ")).toStdString());
        const ToolRun r = run(row.arguments);
        EXPECT_EQ(r.status, row.status);
        EXPECT_TRUE(QString::fromUtf8(r.err).contains(QString::fromUtf8(row.message))) << r.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(path("out.frf")));
}

} // namespace
