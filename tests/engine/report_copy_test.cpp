// An editor previews a copy of its template: its own objects stay the same objects, and
// neither template's listener hears anything of the preparation.
#include <gtest/gtest.h>

#include "prepare_test_support.h"
#include "report/eval/stream.h"
#include "report/model/change_notice.h"

namespace {

using namespace prepare_test;

struct Recorder : TfrChangeListener {
    void ReportChanged(const TfrChange &change) override { changes.push_back(change); }
    std::vector<TfrChange> changes;
};

QByteArray savedBytes(TfrReport &r)
{
    r.StampLastChange = false;
    TfrStream s;
    r.SaveToStream(s);
    return s.data();
}

TEST(ReportCopyTest, ObjectIdentitiesSurviveAPreviewOfACopy)
{
    Template t;
    t.band("Title", btReportTitle, 20, 30);
    TfrMemoView *memo = t.memo("Memo1", 20, 22, 200, 20, "[1+2] on [PAGE#]");
    // A script that changes the template while pages are prepared.
    memo->scriptLines = {QStringLiteral("Memo1.Left := 300;")};
    Recorder designer;
    t.report.SetChangeListener(&designer);
    const QByteArray before = savedBytes(t.report);
    const qint32 id = memo->objectNumber;

    std::unique_ptr<TfrReport> copy = t.report.Clone();
    ASSERT_EQ(designer.changes.size(), 0u);
    Recorder copyListener;
    copy->SetChangeListener(&copyListener);
    TfrReportBuilder preview(*copy);
    preview.ShowErrorBox = false;
    ASSERT_TRUE(preview.PrepareReport()) << preview.LastError.toStdString();
    const std::vector<PageObjs> pages = readPages(preview.EMFPages);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(textsOf(pages[0], u("Memo1")), std::vector<QString>{u("3 on 1")});
    EXPECT_EQ(find(pages[0], u("Memo1"))->left, 300);

    // The designer's objects are the objects it had, unchanged.
    EXPECT_EQ(t.report.Page(0), t.page);
    EXPECT_EQ(t.report.FindObject(u("Memo1")), memo);
    EXPECT_EQ(memo->objectNumber, id);
    EXPECT_EQ(memo->Left, 20);
    EXPECT_EQ(savedBytes(t.report).toHex(), before.toHex());
    EXPECT_TRUE(designer.changes.empty());
    EXPECT_TRUE(copyListener.changes.empty());

    // A second preview of a fresh copy gives the same pages.
    std::unique_ptr<TfrReport> second = t.report.Clone();
    TfrReportBuilder again(*second);
    again.ShowErrorBox = false;
    ASSERT_TRUE(again.PrepareReport());
    EXPECT_EQ(readPages(again.EMFPages).size(), 1u);
    EXPECT_EQ(t.report.FindObject(u("Memo1")), memo);
    t.report.SetChangeListener(nullptr);
}

} // namespace
