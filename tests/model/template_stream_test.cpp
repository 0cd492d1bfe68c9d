// The template stream: what a save writes, what a load makes of current, older and hostile
// streams, and where templates are kept (files, template files, form data, database
// records).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <functional>
#include <memory>

#include "model_test_support.h"
#include "report/eval/data_dictionary.h"
#include "report/eval/strings.h"
#include "report/eval/table_cursor.h"
#include "report/eval/ui_hooks.h"
#include "report/model/band_view.h"
#include "report/model/line_view.h"
#include "report/model/pages.h"
#include "report/model/paper.h"
#include "report/model/picture_view.h"
#include "report/model/registry.h"
#include "report/model/subreport_view.h"
#include "report/model/template_json.h"
#include "report/model/template_limits.h"
#include "template_test_support.h"
#include "testkit/paths.h"

namespace {

using namespace template_test;

// An add-in class with a record part of its own.
class TestAddIn : public TfrView {
public:
    TestAddIn() { nameStem = QStringLiteral("AddIn"); }
    QString ClassName() const override { return QStringLiteral("TfrTestAddIn"); }
    void Draw(QPainter *) override {}
    void SaveToStream(TfrStream &s) override
    {
        TfrView::SaveToStream(s);
        frWriteInteger(s, Extra);
    }
    void LoadFromStream(TfrStream &s) override
    {
        TfrView::LoadFromStream(s);
        Extra = frReadInteger(s);
    }
    qint32 Extra = 0;
};

const TfrViewClass kTestAddInClass{QStringLiteral("TfrTestAddIn"), [] { return std::make_unique<TestAddIn>(); }};

struct Message {
    QString text, caption;
    int flags;
};

class TemplateStreamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        frGlobals();
        frUiHooks().MessageBox = [this](const QString &text, const QString &caption, int flags) {
            messages.push_back({text, caption, flags});
            return 1;
        };
        frPasswordQuery() = nullptr;
        ErrorFlag = false;
        ErrorStr.clear();
    }
    void TearDown() override
    {
        frUiHooks().MessageBox = nullptr;
        frPasswordQuery() = nullptr;
        frUnRegisterObject(&kTestAddInClass);
        CurView = nullptr;
        CurBand = nullptr;
        CurPage = nullptr;
        CurReport = nullptr;
        DocMode = dmDesigning;
        ErrorFlag = false;
        ErrorStr.clear();
        frVersion = 25;
    }

    static QByteArray save(TfrReport &r)
    {
        TfrStream s;
        r.SaveToStream(s);
        return s.data();
    }
    static bool load(TfrReport &r, const QByteArray &bytes)
    {
        TfrStream s(bytes);
        return r.LoadFromStream(s);
    }
    bool formatErrorShown() const
    {
        return messages.size() == 1 && messages[0].text == u("Неверный FRF формат") && messages[0].caption == u("Ошибка") &&
               messages[0].flags == 16;
    }
    static bool isOneEmptyPage(const TfrReport &r)
    {
        return r.Pages.GetCount() == 1 && r.Pages[0]->Objects.empty() && r.Dictionary().VarList.GetCount() == 0;
    }

    std::vector<Message> messages;
};

// Where the dictionary block starts: its marker byte and the marker word -2.
qsizetype dictionaryStart(const QByteArray &stream) { return stream.lastIndexOf(QByteArray::fromHex("FEFEFF")); }

// ---- writing ----------------------------------------------------------------------------

TEST_F(TemplateStreamTest, EmptyReportWritesTheBareLayout)
{
    TfrReport r;
    r.DocInfo.created = 1.5;
    const QByteArray b = save(r);
    const QByteArray expected = QByteArray::fromHex("19"     // version 25
                                                    "0000"   // default printer
                                                    "0000"   // double pass
                                                    "01000100" // printer: the virtual printer mark
                                                    "FE"     // dictionary
                                                    "FEFF" "00000000" "00000000" "00000000"
                                                    "FC"     // end marker
                                                    "0000" "0000" "0000" "0000" "0000" "0000" "0000"
                                                    "0000"   // password
                                                    "58"     // generator 88
                                                    "00");   // not protected
    ASSERT_EQ(b.size(), expected.size() + 16);
    EXPECT_EQ(b.left(expected.size()).toHex(), expected.toHex());
    TfrStream tail(b.mid(expected.size()));
    EXPECT_EQ(frReadDouble(tail), 1.5);
    EXPECT_GT(frReadDouble(tail), 40000.0) << "the last change is stamped with the time of the save";
}

TEST_F(TemplateStreamTest, PasswordIsStoredAsUpperCaseHex)
{
    TfrReport r;
    r.docPassword = u("aЯ");
    const QByteArray b = save(r);
    // Before the generator byte, the protection byte and the two dates.
    const QByteArray block = b.mid(b.size() - 18 - 6, 6);
    EXPECT_EQ(block, QByteArray::fromHex("0400") + QByteArray("61DF"));

    TfrReport back;
    ASSERT_TRUE(load(back, b));
    EXPECT_EQ(back.docPassword, u("aЯ"));
}

TEST_F(TemplateStreamTest, EveryObjectKindAndFieldSurvivesSaveAndLoad)
{
    TfrReport r;
    fillEverything(r);
    r.StampLastChange = false;
    const QByteArray first = save(r);

    TfrReport back;
    ASSERT_TRUE(load(back, first));
    EXPECT_TRUE(messages.empty());
    back.StampLastChange = false;
    EXPECT_EQ(save(back).toHex(), first.toHex());

    // Stamping only changes the last eight bytes.
    TfrReport stamped;
    ASSERT_TRUE(load(stamped, first));
    const QByteArray restamped = save(stamped);
    EXPECT_EQ(restamped.chopped(8), first.chopped(8));

    ASSERT_EQ(back.Pages.GetCount(), 2);
    TfrPage *page = back.Pages[0];
    EXPECT_EQ(page->Name, u("Главная"));
    EXPECT_EQ(page->pgOr, poLandscape);
    EXPECT_EQ(page->pgWidth, 2970);
    EXPECT_EQ(page->scriptLines.size(), 3);
    ASSERT_EQ(page->Objects.size(), 7u);
    auto *memo = dynamic_cast<TfrMemoView *>(page->Objects[1].get());
    ASSERT_TRUE(memo);
    EXPECT_EQ(memo->Memo.value(2), u("Строка с кириллицей"));
    EXPECT_EQ(memo->Font.Name, u("Times New Roman"));
    EXPECT_EQ(memo->FrameWidth, 1.5);
    EXPECT_EQ(memo->BandAlign, baRest);
    EXPECT_FALSE(memo->Visible);
    auto *band = dynamic_cast<TfrBandView *>(page->Objects[0].get());
    ASSERT_TRUE(band);
    EXPECT_EQ(band->Master, u("Other"));
    auto *bitmap = dynamic_cast<TfrPictureView *>(page->Objects[2].get());
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->Picture.kind(), pkBitmap);
    EXPECT_EQ(bitmap->Picture.width(), 5);
    EXPECT_EQ(back.Pages[1]->PageType, ptDialog);
    EXPECT_EQ(back.Pages[1]->Caption, u("Параметры"));
    EXPECT_EQ(back.Dictionary().VarList.GetCount(), 2);
    EXPECT_EQ(back.DocInfo.name, u("Журнал"));
    EXPECT_EQ(back.docPassword, u("Пароль1"));
    EXPECT_TRUE(back.DoublePassReport);
}

TEST_F(TemplateStreamTest, AddInObjectsRoundTripWhenTheirClassIsRegistered)
{
    frRegisterObject(&kTestAddInClass, QImage(), QString());
    TfrReport r;
    CurReport = &r;
    auto *addIn = place<TestAddIn>(r.Pages.Add(), "AddIn1", 1, 2, 3, 4);
    addIn->Typ = otAddIn;
    addIn->Extra = 4242;
    r.StampLastChange = false;
    const QByteArray first = save(r);

    TfrReport back;
    ASSERT_TRUE(load(back, first));
    ASSERT_EQ(back.Pages[0]->Objects.size(), 1u);
    auto *loaded = dynamic_cast<TestAddIn *>(back.Pages[0]->Objects[0].get());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->Extra, 4242);
    back.StampLastChange = false;
    EXPECT_EQ(save(back), first);
}

TEST_F(TemplateStreamTest, PageNumbersOfObjectsHaveEightBits)
{
    TfrReport r;
    CurReport = &r;
    for (int i = 0; i < 257; ++i)
        r.Pages.Add();
    place<TfrMemoView>(r.Pages[256], "OnTheLastPage", 0, 0, 10, 10);
    TfrReport back;
    ASSERT_TRUE(load(back, save(r)));
    ASSERT_EQ(back.Pages.GetCount(), 257);
    EXPECT_EQ(back.Pages[0]->Objects.size(), 1u) << "page 256 is written as page 0";
    EXPECT_TRUE(back.Pages[256]->Objects.empty());
}

// ---- older streams ----------------------------------------------------------------------

// The pages block of an older stream: one page, objects as given, an empty dictionary.
RecordBuilder &oldPageRecord(RecordBuilder &b, int version)
{
    b.integer(9).integer(2100).integer(2970);           // size, width, height
    b.integer(0).integer(0).integer(0).integer(0).byte(0); // margins, portrait
    if (version < 23)
        b.integer(0).word(0);                            // six bytes of the old layout
    return b.word(0).word(0xFFFF).integer(0).integer(0); // prev page, margins, columns, gap
}

RecordBuilder &oldCommonPart(RecordBuilder &b, int version, const char *name, quint16 flags, int left)
{
    if (version == 23)
        b.str(u(name));
    b.integer(left).integer(10).integer(100).integer(20).word(flags).word(15);
    b.integer(1).integer(0).word(0).integer(clNone).integer(0x200);
    if (version < 23)
        b.str22(QString()).list22({u("text of ") + u(name)});
    else
        b.str(QString()).list({u("text of ") + u(name)}).list({}).word(0xFFFF);
    return b;
}

RecordBuilder &oldMemoPart(RecordBuilder &b, int version)
{
    if (version < 23)
        b.str22(u("Arial"));
    else
        b.str(u("Arial"));
    b.integer(10).word(2).integer(0).integer(0).word(0); // size, bold, colour, alignment, charset 0
    b.word(0).integer(0).integer(0);
    return version < 23 ? b.str22(QString()) : b.str(QString());
}

QByteArray oldStream(int version, bool withVersionByte = true)
{
    RecordBuilder b;
    if (withVersionByte)
        b.byte(version);
    b.word(0).word(0);
    if (version < 23)
        b.str22(u("Some printer"));
    else
        b.str(u("Some printer"));
    b.byte(255);
    oldPageRecord(b, version);
    for (int i = 0; i < 2; ++i) {
        b.byte(otMemo).byte(0);
        oldCommonPart(b, version, i == 0 ? "First" : "Second", 1, 10 + 200 * i);
        oldMemoPart(b, version);
    }
    b.byte(otBand).byte(0);
    oldCommonPart(b, version, "Band", 48, 0);
    b.byte(254).word(0xFFFE).integer(0).integer(0).integer(0).byte(252);
    return b.stream().data();
}

TEST_F(TemplateStreamTest, OlderVersionsReadAsTheyWereWritten)
{
    struct Row {
        int version;
        bool versionByte;
        bool namesGenerated;
        bool wordWrapAdded;
    } rows[] = {
        {21, true, true, true},
        {21, false, true, true}, // no version byte at all
        {22, true, true, false},
        {23, true, false, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << "version " << row.version << (row.versionByte ? "" : " without version byte"));
        messages.clear();
        TfrReport r;
        ASSERT_TRUE(load(r, oldStream(row.version, row.versionByte)));
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(frVersion, row.version);
        ASSERT_EQ(r.Pages.GetCount(), 1);
        TfrPage *page = r.Pages[0];
        EXPECT_EQ(page->Name, u("Page1")) << "old pages get generated names";
        EXPECT_EQ(page->pgBin, 0xFFFF);
        ASSERT_EQ(page->Objects.size(), 3u);
        auto *first = dynamic_cast<TfrMemoView *>(page->Objects[0].get());
        auto *second = dynamic_cast<TfrMemoView *>(page->Objects[1].get());
        ASSERT_TRUE(first && second);
        EXPECT_EQ(first->Name, row.namesGenerated ? u("Memo1") : u("First"));
        EXPECT_EQ(second->Name, row.namesGenerated ? u("Memo2") : u("Second"));
        EXPECT_EQ(page->Objects[2]->Name, row.namesGenerated ? u("Band1") : u("Band"));
        EXPECT_EQ(second->Left, 210);
        EXPECT_EQ(second->Memo, QStringList{u("text of Second")});
        EXPECT_EQ(bool(first->Flags & flWordWrap), row.wordWrapAdded);
        EXPECT_EQ(first->Font.Style, 2);
        EXPECT_EQ(first->Font.Charset, row.version < 23 ? frCharset : 0);
        // Fields that came with version 24 keep their defaults.
        EXPECT_EQ(first->GapX, 2);
        EXPECT_EQ(first->GapY, 1);
        EXPECT_EQ(first->BandAlign, baNone);
        EXPECT_EQ(first->LineSpacing, 2);
        EXPECT_EQ(r.PrinterName, u("Some printer"));
    }
}

// ---- hostile and broken streams ---------------------------------------------------------

TEST_F(TemplateStreamTest, NewerVersionIsRefusedAndTheTemplateInMemoryStays)
{
    TfrReport r;
    fillEverything(r);
    QByteArray b = save(r);
    b[0] = char(26);
    EXPECT_FALSE(load(r, b));
    EXPECT_TRUE(formatErrorShown());
    EXPECT_EQ(r.Pages.GetCount(), 2);
    EXPECT_EQ(r.Pages[0]->Objects.size(), 7u);
    EXPECT_EQ(r.Dictionary().VarList.GetCount(), 2) << "not even the dictionary is touched";
}

TEST_F(TemplateStreamTest, UnexpectedFrameByteResetsToOneEmptyPage)
{
    TfrReport r;
    fillEverything(r);
    const QByteArray good = save(r);
    // Where the first object frame starts: the byte after the last page record.
    TfrReport pagesOnly;
    fillEverything(pagesOnly);
    for (TfrPage *p : pagesOnly.Pages)
        p->Clear();
    const qsizetype frameStart = dictionaryStart(save(pagesOnly));
    ASSERT_EQ(good.at(frameStart), char(otBand));

    for (int byte : {11, 100, 251}) {
        SCOPED_TRACE(byte);
        messages.clear();
        QByteArray bad = good;
        bad[frameStart] = char(byte);
        TfrReport target;
        fillEverything(target);
        EXPECT_FALSE(load(target, bad));
        EXPECT_TRUE(formatErrorShown());
        EXPECT_TRUE(isOneEmptyPage(target));
    }
}

TEST_F(TemplateStreamTest, EndPositionsThatGoBackOrPastTheEndAreFatal)
{
    TfrReport r;
    CurReport = &r;
    place<TfrMemoView>(r.Pages.Add(), "Memo1", 0, 0, 10, 10);
    const QByteArray good = save(r);
    TfrReport empty;
    empty.Pages.Add();
    const qsizetype frameStart = dictionaryStart(save(empty));
    ASSERT_EQ(good.at(frameStart), char(otMemo));

    for (qint32 end : {qint32(frameStart), qint32(frameStart + 2), qint32(good.size() + 1), -1}) {
        SCOPED_TRACE(end);
        messages.clear();
        QByteArray bad = good;
        qToLittleEndian(end, bad.data() + frameStart + 2);
        TfrReport target;
        EXPECT_FALSE(load(target, bad));
        EXPECT_TRUE(formatErrorShown());
        EXPECT_TRUE(isOneEmptyPage(target));
    }
}

TEST_F(TemplateStreamTest, ObjectThatFailsToLoadIsSkippedThroughItsEndPosition)
{
    TfrReport r;
    CurReport = &r;
    TfrPage *page = r.Pages.Add();
    place<TfrMemoView>(page, "Before", 0, 0, 10, 10);
    place<TfrPictureView>(page, "Broken", 0, 0, 10, 10)->Picture.setImage(pkBitmap, smallImage());
    place<TfrMemoView>(page, "After", 0, 0, 10, 10);
    QByteArray b = save(r);
    const qsizetype bmp = b.indexOf("BM");
    ASSERT_GT(bmp, 0);
    b.replace(bmp, 2, "XX");

    TfrReport back;
    EXPECT_TRUE(load(back, b));
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(back.Pages[0]->Objects.size(), 2u);
    EXPECT_EQ(back.Pages[0]->Objects[0]->Name, u("Before"));
    EXPECT_EQ(back.Pages[0]->Objects[1]->Name, u("After"));
}

// A version 25 stream written frame by frame.
class FrameWriter {
public:
    FrameWriter()
    {
        frWriteByte(s, 25);
        frWriteWordBool(s, false);
        frWriteWordBool(s, false);
        frWriteString(s, QString(QChar(1)));
        TfrReport owner;
        TfrPage page(&owner, 9, 2100, 2970, -1, poPortrait);
        frWriteByte(s, 255);
        page.SaveToStream(s);
    }
    // An object frame: type, class name, page byte, end position, then the record.
    void frame(int typ, const QString &className, int pageByte, TfrView &view, int trailing = 0)
    {
        frWriteByte(s, quint8(typ));
        if (typ == otAddIn)
            frWriteString(s, className);
        frWriteByte(s, quint8(pageByte));
        const qsizetype placeholder = s.position();
        frWriteInteger(s, 0);
        view.SaveToStream(s);
        for (int i = 0; i < trailing; ++i)
            frWriteByte(s, 0xAB);
        const qsizetype end = s.position();
        s.seek(placeholder);
        frWriteInteger(s, qint32(end));
        s.seek(end);
    }
    void raw(quint8 byte) { frWriteByte(s, byte); }
    QByteArray finish()
    {
        frWriteByte(s, 254);
        TfrDataDictionary().SaveToStream(s);
        return s.data();
    }

    TfrStream s;
};

TEST_F(TemplateStreamTest, AddInClassNamesFromOtherBuildsAreMapped)
{
    FrameWriter w;
    TfrMemoView framed;
    framed.Name = u("Framed");
    framed.Memo = {u("was a framed memo")};
    w.frame(otAddIn, u("TfrFramedMemoView"), 0, framed, 8);
    TfrMemoView lookup;
    lookup.Name = u("Lookup");
    w.frame(otAddIn, u("TFRBDELOOKUPCONTROL"), 0, lookup);
    TfrMemoView orphan;
    orphan.Name = u("Orphan");
    w.frame(otMemo, QString(), 7, orphan); // a page that does not exist
    TfrMemoView last;
    last.Name = u("Last");
    w.frame(otMemo, QString(), 0, last);

    TfrReport r;
    r.DocInfo.name = u("kept from before?");
    EXPECT_TRUE(load(r, w.finish()));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, u("Ошибка"));
    EXPECT_EQ(messages[0].text, u("Report contains the following non-plugged components:\rTfrDBLookupControl\r"
                                  "You must include these components into your project."));
    ASSERT_EQ(r.Pages[0]->Objects.size(), 2u);
    auto *memo = dynamic_cast<TfrMemoView *>(r.Pages[0]->Objects[0].get());
    ASSERT_TRUE(memo);
    EXPECT_EQ(memo->Typ, otMemo);
    EXPECT_EQ(memo->Memo, QStringList{u("was a framed memo")});
    EXPECT_EQ(r.Pages[0]->Objects[1]->Name, u("Last"));
    EXPECT_TRUE(r.DocInfo.name.isEmpty()) << "a stream without attributes clears them";
}

TEST_F(TemplateStreamTest, MissingAddInClassStillReadsAttributesAndAsksThePassword)
{
    frRegisterObject(&kTestAddInClass, QImage(), QString());
    TfrReport r;
    CurReport = &r;
    TfrPage *page = r.Pages.Add();
    auto *addIn = place<TestAddIn>(page, "AddIn1", 0, 0, 10, 10);
    addIn->Typ = otAddIn;
    place<TfrMemoView>(page, "Memo1", 0, 0, 10, 10);
    r.DocInfo.author = u("someone");
    r.docPassword = u("secret");
    r.docPasswordProtected = true;
    QTemporaryDir dir;
    const QString file = dir.filePath(u("addin.frf"));
    r.SaveToFile(file);
    frUnRegisterObject(&kTestAddInClass);

    int asked = 0;
    frPasswordQuery() = [&](QString &entered) {
        ++asked;
        entered = u("secret");
        return true;
    };
    TfrReport back;
    ASSERT_TRUE(back.LoadFromFile(file));
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(u("\rTfrTestAddIn\r")));
    ASSERT_EQ(back.Pages[0]->Objects.size(), 1u);
    EXPECT_EQ(back.Pages[0]->Objects[0]->Name, u("Memo1"));
    EXPECT_EQ(back.DocInfo.author, u("someone"));
}

TEST_F(TemplateStreamTest, DataManagerMarkerEndsTheTemplate)
{
    FrameWriter w;
    TfrMemoView memo;
    memo.Name = u("Memo1");
    w.frame(otMemo, QString(), 0, memo);
    w.raw(254);
    TfrDataDictionary().SaveToStream(w.s);
    w.raw(253);
    w.raw(0x99); // the data manager's own data, unreadable here
    TfrReport r;
    EXPECT_TRUE(load(r, w.s.data()));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(r.Pages[0]->Objects.size(), 1u);
}

TEST_F(TemplateStreamTest, EmptyStreamLoadsNothing)
{
    TfrReport r;
    fillEverything(r);
    EXPECT_TRUE(load(r, QByteArray()));
    EXPECT_EQ(r.Pages.GetCount(), 2);
    EXPECT_EQ(r.Dictionary().VarList.GetCount(), 0);
    EXPECT_TRUE(messages.empty());
}

// Every prefix of a real template either loads or is refused with the format message and
// leaves one empty page; nothing crashes or reads out of bounds.
void checkEveryTruncation(const QByteArray &full, std::vector<Message> &messages)
{
    int refused = 0;
    for (qsizetype n = 1; n < full.size(); ++n) {
        messages.clear();
        TfrReport r;
        TfrStream s(full.left(n));
        const bool loaded = r.LoadFromStream(s);
        if (loaded) {
            ASSERT_TRUE(messages.empty()) << "prefix " << n;
            continue;
        }
        ++refused;
        ASSERT_EQ(messages.size(), 1u) << "prefix " << n;
        ASSERT_EQ(messages[0].text, u("Неверный FRF формат")) << "prefix " << n;
        ASSERT_EQ(r.Pages.GetCount(), 1) << "prefix " << n;
        ASSERT_TRUE(r.Pages[0]->Objects.empty()) << "prefix " << n;
    }
    EXPECT_GT(refused, full.size() / 2) << "most prefixes lose a part a template cannot do without";
}

TEST_F(TemplateStreamTest, EveryTruncationOfTheJournalTemplateIsHandled)
{
    QFile json(testkit::sourcePath(QStringLiteral("data/Reports/J001.json")));
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    TfrReport r;
    frTemplateFromJson(r, json.readAll());
    checkEveryTruncation(save(r), messages);
}

TEST_F(TemplateStreamTest, EveryTruncationOfAFullTemplateIsHandled)
{
    TfrReport r;
    fillEverything(r);
    checkEveryTruncation(save(r), messages);
}

// ---- passwords ----------------------------------------------------------------------------

TEST_F(TemplateStreamTest, ProtectedTemplateFromAFileAsksForThePassword)
{
    TfrReport r;
    fillEverything(r);
    r.docPassword = u("Сезам");
    r.docPasswordProtected = true;
    QTemporaryDir dir;
    const QString file = dir.filePath(u("protected.frf"));
    r.SaveToFile(file);

    struct Row {
        const char *what;
        bool hook;
        bool confirm;
        const char *entered;
        bool opens;
    } rows[] = {
        {"right password", true, true, "Сезам", true},
        {"wrong case", true, true, "сезам", false},
        {"cancelled", true, false, "Сезам", false},
        {"no dialog installed", false, false, "", false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        messages.clear();
        int asked = 0;
        if (row.hook) {
            frPasswordQuery() = [&](QString &entered) {
                ++asked;
                entered = u(row.entered);
                return row.confirm;
            };
        } else {
            frPasswordQuery() = nullptr;
        }
        TfrReport back;
        ASSERT_TRUE(back.LoadFromFile(file));
        EXPECT_EQ(asked, row.hook ? 1 : 0);
        EXPECT_TRUE(messages.empty()) << "a refused password shows nothing";
        if (row.opens) {
            EXPECT_EQ(back.Pages.GetCount(), 2);
            EXPECT_EQ(back.templateFileName, file);
        } else {
            EXPECT_TRUE(isOneEmptyPage(back));
            EXPECT_EQ(back.templateFileName, u("Untitled"));
            EXPECT_TRUE(back.docPassword.isEmpty());
            EXPECT_FALSE(back.docPasswordProtected);
        }
    }

    // From memory nobody is asked.
    int asked = 0;
    frPasswordQuery() = [&](QString &) {
        ++asked;
        return false;
    };
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    TfrReport fromMemory;
    EXPECT_TRUE(load(fromMemory, f.readAll()));
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(fromMemory.Pages.GetCount(), 2);
}

// ---- where templates are kept -------------------------------------------------------------

TEST_F(TemplateStreamTest, FilesLoadOnlyWhenTheyExist)
{
    QTemporaryDir dir;
    TfrReport r;
    fillEverything(r);
    EXPECT_FALSE(r.LoadFromFile(dir.filePath(u("missing.frf"))));
    EXPECT_FALSE(r.LoadFromFile(dir.path())) << "a folder is not a template";
    EXPECT_EQ(r.Pages.GetCount(), 2);
    EXPECT_EQ(r.templateFileName, u("Untitled"));

    const QString file = dir.filePath(u("t.frf"));
    r.SaveToFile(file);
    TfrReport back;
    EXPECT_TRUE(back.LoadFromFile(file));
    EXPECT_EQ(back.templateFileName, file);
    EXPECT_EQ(back.Pages[0]->Objects.size(), 7u);

    // A corrupt file is reported and keeps no file name, so saving cannot overwrite it.
    QFile corrupt(dir.filePath(u("corrupt.frf")));
    ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly));
    corrupt.write(QByteArray::fromHex("19000000000100") + QByteArray(1, char(77)));
    corrupt.close();
    TfrReport other;
    EXPECT_TRUE(other.LoadFromFile(corrupt.fileName()));
    EXPECT_TRUE(formatErrorShown());
    EXPECT_EQ(other.templateFileName, u("Untitled"));
}

TEST_F(TemplateStreamTest, TemplateFileKeepsDescriptionPictureAndPages)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u("t.frt"));
    TfrReport r;
    fillEverything(r);
    r.SaveTemplate(file, {u("Журнал"), u("второй строкой")}, smallImage());

    TfrReport target;
    QStringList description;
    QImage bitmap(1, 1, QImage::Format_RGB32);
    target.LoadTemplate(file, description, bitmap, false);
    EXPECT_EQ(description, (QStringList{u("Журнал"), u("второй строкой")}));
    EXPECT_EQ(bitmap.size(), QSize(5, 3));
    EXPECT_EQ(bitmap.pixel(1, 1), qRgb(0, 0, 255));
    EXPECT_EQ(target.Pages.GetCount(), 0) << "reading the description leaves the report alone";

    QStringList unused;
    target.LoadTemplate(file, unused, bitmap, true);
    ASSERT_EQ(target.Pages.GetCount(), 2);
    EXPECT_EQ(target.Pages[0]->Objects.size(), 7u);
    EXPECT_TRUE(target.DoublePassReport);

    const QString plain = dir.filePath(u("plain.frt"));
    r.SaveTemplate(plain, {}, QImage());
    target.LoadTemplate(plain, description, bitmap, false);
    EXPECT_TRUE(description.isEmpty());
    EXPECT_TRUE(bitmap.isNull());
}

TEST_F(TemplateStreamTest, FormDataCarriesTheTemplateOnlyWhenStoredInTheForm)
{
    TfrReport r;
    fillEverything(r);
    r.StoreInDFM = true;
    TfrStream form;
    r.WriteReportForm(form);
    form.seek(0);
    TfrReport back;
    back.StoreInDFM = true;
    back.ReadReportForm(form);
    EXPECT_EQ(back.Pages.GetCount(), 0) << "the template loads when the component has loaded";
    back.Loaded();
    EXPECT_EQ(back.Pages.GetCount(), 2);

    // What the journal's data module stores: the version alone.
    TfrStream bare(QByteArray::fromHex("19000000"));
    TfrReport module;
    module.ReadReportForm(bare);
    module.Loaded();
    EXPECT_EQ(module.Pages.GetCount(), 0);
    TfrStream written;
    module.WriteReportForm(written);
    EXPECT_EQ(written.data(), QByteArray::fromHex("19000000"));
}

TEST_F(TemplateStreamTest, DatabaseRecordsHoldTemplatesByNumber)
{
    const QString connection = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(QStringLiteral(":memory:"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(u("CREATE TABLE templates (DocN INTEGER, Body BLOB)")));
        ASSERT_TRUE(q.exec(u("INSERT INTO templates VALUES (1, NULL)")));
        TfrTableCursor cursor;
        cursor.setDatabase(db);
        cursor.setTableName(u("templates"));
        cursor.Open();

        TfrReport r;
        fillEverything(r);
        r.StampLastChange = false;
        const QByteArray bytes = save(r);
        r.SaveToDB(cursor, 7);
        r.SaveToDB(cursor, 7); // the same record again, not a second one
        EXPECT_EQ(cursor.RecordCount(), 2);

        TfrReport back;
        EXPECT_FALSE(back.LoadFromDB(cursor, 8));
        EXPECT_EQ(back.Pages.GetCount(), 0);
        EXPECT_TRUE(back.LoadFromDB(cursor, 7));
        back.StampLastChange = false;
        EXPECT_EQ(save(back), bytes) << "every byte survives the blob field";

        cursor.Close();
        cursor.Open();
        TfrReport reopened;
        EXPECT_TRUE(reopened.LoadFromDB(cursor, 7));
        EXPECT_EQ(reopened.Pages.GetCount(), 2);
        cursor.Close();
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

TEST_F(TemplateStreamTest, MissingResourceIsAnError)
{
    TfrReport r;
    EXPECT_THROW(r.LoadFromResourceName(u("no/such/template.frf")), EfrError);
    EXPECT_THROW(r.LoadFromResourceID(12345), EfrError);
}

} // namespace

// ---- values no page can hold ------------------------------------------------------------

// A value far beyond any page (a gap of 8 million pixels, a font of 15 million points) is
// refused by the loader with its message naming the object and the value; the limit itself
// still loads. The same limits hold for a description in JSON.
TEST_F(TemplateStreamTest, ValuesNoPageCanHoldAreRefusedWithTheLoadersMessage)
{
    struct Case {
        const char *property;
        qint64 limit;
        std::function<void(TfrReport &, qint64)> set;
    };
    auto memo = [](TfrReport &r) { return static_cast<TfrMemoView *>(r.Pages[0]->FindObject(u("Memo1"))); };
    auto band = [](TfrReport &r) { return static_cast<TfrBandView *>(r.Pages[0]->FindObject(u("MasterData1"))); };
    const std::vector<Case> cases = {
        {"GapY", frMaxTemplateGap, [&](TfrReport &r, qint64 v) { memo(r)->GapY = int(v); }},
        {"GapX", frMaxTemplateGap, [&](TfrReport &r, qint64 v) { memo(r)->GapX = int(v); }},
        {"Font.Size", frMaxTemplateFontSize, [&](TfrReport &r, qint64 v) { memo(r)->Font.Size = int(v); }},
        {"LineSpacing", frMaxTemplateGap, [&](TfrReport &r, qint64 v) { memo(r)->LineSpacing = qint32(v); }},
        {"Height", frMaxTemplateExtent, [&](TfrReport &r, qint64 v) { memo(r)->Height = int(v); }},
        {"Top", frMaxTemplateExtent, [&](TfrReport &r, qint64 v) { band(r)->Top = int(-v); }},
        {"Columns", frMaxTemplateColumns, [&](TfrReport &r, qint64 v) { band(r)->Columns = qint32(v); }},
        {"ColumnGap", frMaxTemplateExtent, [&](TfrReport &r, qint64 v) { band(r)->ColumnGap = qint32(v); }},
        {"Margins.Bottom", frMaxTemplateExtent, [](TfrReport &r, qint64 v) { r.Pages[0]->pgMargins.Bottom = int(v); }},
        {"ColGap", frMaxTemplateExtent, [](TfrReport &r, qint64 v) { r.Pages[0]->ColGap = qint32(v); }},
    };
    for (const Case &c : cases) {
        for (qint64 value : {c.limit, c.limit + 1, qint64(8388609)}) {
            SCOPED_TRACE(std::string(c.property) + " = " + std::to_string(value));
            messages.clear();
            TfrReport made;
            template_test::fillEverything(made);
            c.set(made, value);
            const QByteArray bytes = save(made);
            const QByteArray json = frTemplateToJson(made);

            TfrReport r;
            const bool loaded = load(r, bytes);
            TfrReport fromJson;
            QString jsonError;
            try {
                frTemplateFromJson(fromJson, json);
            } catch (const EfrError &e) {
                jsonError = e.message();
            }
            if (value <= c.limit) {
                EXPECT_TRUE(loaded);
                EXPECT_TRUE(messages.empty());
                EXPECT_TRUE(jsonError.isEmpty()) << jsonError.toStdString();
                continue;
            }
            EXPECT_FALSE(loaded);
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_TRUE(messages[0].text.startsWith(u("Неверный FRF формат\r"))) << messages[0].text.toStdString();
            EXPECT_TRUE(messages[0].text.contains(QLatin1String(c.property))) << messages[0].text.toStdString();
            EXPECT_TRUE(messages[0].text.contains(QString::number(value)));
            EXPECT_TRUE(isOneEmptyPage(r));
            EXPECT_TRUE(jsonError.contains(QLatin1String(c.property))) << jsonError.toStdString();
        }
    }
}

// An empty file is no template; an empty stream from memory (a form resource) still loads
// as nothing, leaving the report as it was.
TEST_F(TemplateStreamTest, AnEmptyFileIsNoTemplate)
{
    QTemporaryDir dir;
    const QString empty = dir.filePath(u("empty.frf"));
    {
        QFile f(empty);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    TfrReport r;
    TfrStream fromFile = TfrStream::fromFile(empty);
    EXPECT_FALSE(r.LoadFromStream(fromFile));
    EXPECT_TRUE(formatErrorShown());

    messages.clear();
    TfrReport fromMemory;
    EXPECT_TRUE(load(fromMemory, QByteArray()));
    EXPECT_TRUE(messages.empty());
}
