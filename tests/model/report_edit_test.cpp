// What an editor on top of the model relies on: a copy of a template that is the same
// template and shares nothing with it, and one notice per change.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <set>

#include "report/eval/data_dictionary.h"
#include "report/eval/globals.h"
#include "report/eval/stream.h"
#include "report/eval/ui_hooks.h"
#include "report/model/change_notice.h"
#include "report/model/fr_globals.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/paper.h"
#include "report/model/report.h"
#include "template_test_support.h"

namespace {

using namespace template_test;

QByteArray savedBytes(TfrReport &r)
{
    const bool stamp = r.StampLastChange;
    r.StampLastChange = false;
    TfrStream s;
    r.SaveToStream(s);
    r.StampLastChange = stamp;
    return s.data();
}

struct Recorder : TfrChangeListener {
    void ReportChanged(const TfrChange &change) override { changes.push_back(change); }
    std::vector<TfrChange> changes;
};

class ReportEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        frGlobals();
        frUiHooks().MessageBox = [this](const QString &text, const QString &, int) {
            messages.push_back(text);
            return 1;
        };
        fillEverything(source);
        source.StampLastChange = false;
        CurReport = nullptr;
        CurPage = nullptr;
    }
    void TearDown() override
    {
        frUiHooks().MessageBox = nullptr;
        CurView = nullptr;
        CurBand = nullptr;
        CurPage = nullptr;
        CurReport = MasterReport = nullptr;
        DocMode = dmDesigning;
        ErrorFlag = false;
        ErrorStr.clear();
        frVersion = 25;
    }

    TfrReport source;
    std::vector<QString> messages;
};

TEST_F(ReportEditTest, CopySavesToTheSameBytesAndSharesNothing)
{
    const QByteArray before = savedBytes(source);
    std::set<const void *> sourceParts;
    std::set<qint32> sourceIds;
    for (TfrPage *p : source.Pages) {
        sourceParts.insert(p);
        for (const auto &v : p->Objects) {
            sourceParts.insert(v.get());
            sourceIds.insert(v->objectNumber);
        }
    }
    const TfrView *firstObject = source.Page(0)->Objects.front().get();

    std::unique_ptr<TfrReport> copy = source.Clone();
    EXPECT_EQ(savedBytes(*copy).toHex(), before.toHex());
    EXPECT_EQ(savedBytes(source).toHex(), before.toHex());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(source.Page(0)->Objects.front().get(), firstObject);

    ASSERT_EQ(copy->PageCount(), source.PageCount());
    EXPECT_NE(&copy->Dictionary(), &source.Dictionary());
    EXPECT_EQ(copy->Dictionary().VarList.GetCount(), source.Dictionary().VarList.GetCount());
    for (TfrPage *p : copy->Pages) {
        EXPECT_EQ(p->Report, copy.get());
        EXPECT_FALSE(sourceParts.count(p));
        for (const auto &v : p->Objects) {
            EXPECT_FALSE(sourceParts.count(v.get())) << v->Name.toStdString();
            EXPECT_FALSE(sourceIds.count(v->objectNumber)) << v->Name.toStdString();
        }
    }

    // A change of the copy stays in the copy, and the other way round.
    copy->FindObject(QStringLiteral("Memo1"))->Memo = QStringList{QStringLiteral("changed")};
    source.Page(0)->Delete(0);
    EXPECT_EQ(source.FindObject(QStringLiteral("Memo1"))->Memo.value(2), u("Строка с кириллицей"));
    EXPECT_TRUE(copy->FindObject(QStringLiteral("MasterData1")));
    EXPECT_EQ(copy->DocInfo.name, u("Журнал"));
    EXPECT_EQ(copy->docPassword, u("Пароль1"));
}

TEST_F(ReportEditTest, CopyLeavesTheProcessStateAsItWas)
{
    TfrReport other;
    TfrPage *otherPage = other.AddPage();
    CurReport = &other;
    MasterReport = &other;
    CurPage = otherPage;
    DocMode = dmPrinting;
    frVersion = 22;
    ErrorFlag = true;
    ErrorStr = QStringLiteral("earlier\r");
    PageNo = 7;
    // The printer's paper is what the last page asked for; the copy's pages ask again.
    frPaper().SetPrinterInfo(11, 1480, 2100, -1, poPortrait, false);
    const int paper = frPaper().curPaper, width = frPaper().curWidth, height = frPaper().curHeight;
    const TPrinterOrientation orientation = frPaper().curOrientation;

    TfrReport copy;
    copy.Assign(source);

    EXPECT_EQ(CurReport, &other);
    EXPECT_EQ(MasterReport, &other);
    EXPECT_EQ(CurPage, otherPage);
    EXPECT_EQ(DocMode, dmPrinting);
    EXPECT_EQ(frVersion, 22);
    EXPECT_TRUE(ErrorFlag);
    EXPECT_EQ(ErrorStr, QStringLiteral("earlier\r"));
    EXPECT_EQ(PageNo, 7);
    EXPECT_EQ(frPaper().curPaper, paper);
    EXPECT_EQ(frPaper().curWidth, width);
    EXPECT_EQ(frPaper().curHeight, height);
    EXPECT_EQ(frPaper().curOrientation, orientation);
    // The copy's pages have the paper the source's pages have.
    EXPECT_EQ(copy.Page(0)->pgOr, source.Page(0)->pgOr);
    EXPECT_EQ(copy.Page(0)->PrnInfo.Pgw, source.Page(0)->PrnInfo.Pgw);
    PageNo = 0;
}

TEST_F(ReportEditTest, EachKindOfChangeReachesTheListenerOnce)
{
    Recorder rec;
    source.SetChangeListener(&rec);
    TfrPage *page = source.Page(0);
    auto *memo = dynamic_cast<TfrMemoView *>(source.FindObject(QStringLiteral("Memo1")));
    ASSERT_TRUE(memo);
    const qint32 memoId = memo->objectNumber;
    const int memoIndex = page->FindObjectByID(memoId);

    struct Step {
        const char *what;
        std::function<void()> change;
        TfrChangeKind kind;
    };
    TfrView *added = nullptr;
    qint32 addedId = 0;
    const std::vector<Step> steps = {
        {"property", [&] { source.SetProperty(*memo, QStringLiteral("Left"), TfrVariant(90)); }, frcProperty},
        {"page property", [&] { source.SetProperty(*page, QStringLiteral("Name"), TfrVariant(QStringLiteral("P"))); },
         frcProperty},
        {"bounds", [&] { source.SetObjectBounds(*memo, 1, 2, 3, 4); }, frcObjectMoved},
        {"insert",
         [&] {
             added = place<TfrMemoView>(page, "New1", 0, 0, 10, 10);
             addedId = added->objectNumber;
         },
         frcObjectInserted},
        {"order", [&] { page->MoveObject(int(page->Objects.size()) - 1, 0); }, frcObjectReordered},
        {"delete", [&] { page->Delete(0); }, frcObjectDeleted},
        {"page add", [&] { source.Pages.Add(); }, frcPageAdded},
        {"page move", [&] { source.Pages.Move(2, 0); }, frcPageMoved},
        {"page remove", [&] { source.Pages.Delete(0); }, frcPageRemoved},
        {"clear", [&] { source.Clear(); }, frcReplaced},
    };
    for (const Step &step : steps) {
        rec.changes.clear();
        step.change();
        ASSERT_EQ(rec.changes.size(), 1u) << step.what;
        EXPECT_EQ(rec.changes[0].kind, step.kind) << step.what;
        const TfrChange &c = rec.changes[0];
        const std::string what = step.what;
        if (what == "property") {
            EXPECT_EQ(c.object, memo);
            EXPECT_EQ(c.property, QStringLiteral("Left"));
            EXPECT_EQ(c.page, page);
            EXPECT_EQ(c.pageIndex, 0);
            EXPECT_EQ(c.index, memoIndex);
            EXPECT_EQ(memo->Left, 90);
        } else if (what == "bounds") {
            EXPECT_EQ(c.objectNumber, memoId);
            EXPECT_EQ(memo->Height, 4);
        } else if (what == "insert") {
            EXPECT_EQ(c.object, added);
            EXPECT_EQ(c.index, int(page->Objects.size()) - 1);
        } else if (what == "order") {
            EXPECT_EQ(c.object, added);
            EXPECT_EQ(c.index, 0);
            EXPECT_EQ(page->Objects[0].get(), added);
        } else if (what == "delete") {
            EXPECT_EQ(c.object, nullptr);
            EXPECT_EQ(c.objectNumber, addedId);
            EXPECT_EQ(page->FindObjectByID(addedId), -1);
        } else if (what == "page move") {
            EXPECT_EQ(c.fromIndex, 2);
            EXPECT_EQ(c.pageIndex, 0);
        } else if (what == "page remove") {
            EXPECT_EQ(c.page, nullptr);
            EXPECT_EQ(c.pageIndex, 0);
        }
    }
    source.SetChangeListener(nullptr);
}

TEST_F(ReportEditTest, LoadingAndCopyingTellOneReplacementAndQuietTellsNothing)
{
    TfrStream stream;
    source.SaveToStream(stream);
    TfrReport target;
    Recorder rec;
    target.SetChangeListener(&rec);

    stream.seek(0);
    ASSERT_TRUE(target.LoadFromStream(stream));
    ASSERT_EQ(rec.changes.size(), 1u);
    EXPECT_EQ(rec.changes[0].kind, frcReplaced);

    rec.changes.clear();
    target.Assign(source);
    ASSERT_EQ(rec.changes.size(), 1u);
    EXPECT_EQ(rec.changes[0].kind, frcReplaced);
    EXPECT_EQ(target.ChangeListener(), &rec);

    // A template file's pages replace the template's.
    QTemporaryDir dir;
    const QString frt = dir.filePath(QStringLiteral("t.frt"));
    source.SaveTemplate(frt, {QStringLiteral("description")}, QImage());
    rec.changes.clear();
    QStringList description;
    QImage picture;
    target.LoadTemplate(frt, description, picture, true);
    ASSERT_EQ(rec.changes.size(), 1u);
    EXPECT_EQ(rec.changes[0].kind, frcReplaced);
    EXPECT_EQ(target.PageCount(), source.PageCount());

    // A newer version is refused before anything changes: nothing to tell.
    rec.changes.clear();
    TfrStream newer(QByteArray(1, char(26)));
    EXPECT_FALSE(target.LoadFromStream(newer));
    EXPECT_TRUE(rec.changes.empty());

    {
        TfrQuietChanges quiet(target);
        target.Pages.Add();
        target.Page(0)->Delete(0);
        target.SetProperty(*target.Page(0), QStringLiteral("Name"), TfrVariant(QStringLiteral("Q")));
    }
    EXPECT_TRUE(rec.changes.empty());
    target.Pages.Add();
    EXPECT_EQ(rec.changes.size(), 1u);
}

} // namespace

namespace {

TEST_F(ReportEditTest, ObjectsCloneThroughTheirRecordsAndKeepTheirOwn)
{
    TfrPage *page = source.Page(0);
    for (const auto &original : page->Objects) {
        TfrView &v = *original;
        v.inPreparedPage = false;
        TfrStream before;
        v.SaveToStream(before);
        frVersion = 21;
        std::unique_ptr<TfrView> copy = v.Clone();
        ASSERT_TRUE(copy) << v.Name.toStdString();
        EXPECT_EQ(frVersion, 21) << v.Name.toStdString();
        EXPECT_NE(copy->objectNumber, v.objectNumber);
        EXPECT_EQ(copy->Name, v.Name);
        EXPECT_EQ(copy->ClassName(), v.ClassName());
        frVersion = 25;
        TfrStream after, copied;
        v.SaveToStream(after);
        copy->SaveToStream(copied);
        EXPECT_EQ(after.data().toHex(), before.data().toHex()) << v.Name.toStdString();
        EXPECT_EQ(copied.data().toHex(), before.data().toHex()) << v.Name.toStdString();
    }
    // A view of a prepared page clones as the template object it came from and stays prepared.
    TfrView &memo = *source.FindObject(QStringLiteral("Memo1"));
    memo.inPreparedPage = true;
    std::unique_ptr<TfrView> copy = memo.Clone();
    EXPECT_TRUE(memo.inPreparedPage);
    EXPECT_FALSE(copy->inPreparedPage);
    EXPECT_EQ(copy->scriptLines, memo.scriptLines);
    memo.inPreparedPage = false;
}

} // namespace
