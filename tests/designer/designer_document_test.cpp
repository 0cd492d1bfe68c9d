// The designer's document: the undo path gives back the bytes it started from, files are
// opened and saved without loss, and the selection never holds an object that is gone.
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUndoStack>
#include <gtest/gtest.h>

#include "report/designer/band_layout.h"
#include "report/designer/designer_document.h"
#include "report/model/band_view.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "testkit/paths.h"

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TfrView *addMemo(TfrPage &page, const QString &name, int left, int top)
{
    auto memo = std::make_unique<TfrMemoView>();
    memo->Name = name;
    memo->Left = left;
    memo->Top = top;
    memo->Width = 80;
    memo->Height = 18;
    memo->Memo = QStringList{name};
    return page.Add(std::move(memo));
}

} // namespace

TEST(DesignerDocument, UnchangedJournalTemplateSavesTheSameBytes)
{
    const QString source = testkit::builtPath(QStringLiteral("Reports/J001.frf"));
    QTemporaryDir dir;
    TfrDesignerDocument doc;
    QString error;
    ASSERT_TRUE(doc.Open(source, &error)) << error.toStdString();
    EXPECT_FALSE(doc.IsModified());
    const QString target = dir.filePath(QStringLiteral("J001.frf"));
    ASSERT_TRUE(doc.Save(target, &error)) << error.toStdString();
    EXPECT_EQ(fileBytes(target), fileBytes(source));
    EXPECT_EQ(doc.FileName(), target);
}

TEST(DesignerDocument, EditsUndoToTheOpenedBytesAndRedoAgain)
{
    const QString source = testkit::builtPath(QStringLiteral("Reports/J001.frf"));
    TfrDesignerDocument doc;
    ASSERT_TRUE(doc.Open(source));
    const QByteArray opened = doc.Snapshot();
    TfrPage &page = *doc.CurrentPage();
    ASSERT_FALSE(page.Objects.empty());
    TfrView *first = page.Objects.front().get();
    const QString firstName = first->Name;
    doc.Select(first);

    QSignalSpy modified(&doc, &TfrDesignerDocument::ModifiedChanged);
    doc.Edit(QStringLiteral("move"), [&] { doc.Report().SetObjectBounds(*first, first->Left + 8, first->Top, first->Width, first->Height); });
    doc.Edit(QStringLiteral("add"), [&] { addMemo(page, QStringLiteral("MemoNew"), 10, 10); });
    doc.Edit(QStringLiteral("nothing"), [] {});
    EXPECT_EQ(doc.UndoStack().count(), 2);
    EXPECT_TRUE(doc.IsModified());
    ASSERT_EQ(modified.count(), 1);
    const QByteArray edited = doc.Snapshot();

    doc.UndoStack().undo();
    doc.UndoStack().undo();
    EXPECT_EQ(doc.Snapshot(), opened);
    EXPECT_FALSE(doc.IsModified());
    // The selection follows the restored template by name.
    ASSERT_EQ(doc.Selection().size(), 1);
    EXPECT_EQ(doc.Selection().front()->Name, firstName);

    doc.UndoStack().redo();
    doc.UndoStack().redo();
    EXPECT_EQ(doc.Snapshot(), edited);
}

TEST(DesignerDocument, CancelledStepAndNestedStepsLeaveOneOrNoTrace)
{
    TfrDesignerDocument doc;
    const QByteArray empty = doc.Snapshot();
    {
        TfrDesignStep step(doc, QStringLiteral("cancelled"));
        addMemo(*doc.CurrentPage(), QStringLiteral("Memo1"), 0, 0);
        step.Cancel();
    }
    EXPECT_EQ(doc.Snapshot(), empty);
    EXPECT_EQ(doc.UndoStack().count(), 0);

    doc.BeginStep(QStringLiteral("outer"));
    addMemo(*doc.CurrentPage(), QStringLiteral("Memo1"), 0, 0);
    doc.Edit(QStringLiteral("inner"), [&] { addMemo(*doc.CurrentPage(), QStringLiteral("Memo2"), 0, 40); });
    doc.EndStep();
    EXPECT_EQ(doc.UndoStack().count(), 1);
    EXPECT_EQ(doc.UndoStack().undoText(), QStringLiteral("outer"));
}

TEST(DesignerDocument, DeletedObjectsLeaveTheSelection)
{
    TfrDesignerDocument doc;
    TfrPage &page = *doc.CurrentPage();
    doc.Edit(QStringLiteral("add"), [&] {
        addMemo(page, QStringLiteral("Memo1"), 0, 0);
        addMemo(page, QStringLiteral("Memo2"), 0, 40);
    });
    doc.SetSelection({page.Objects[0].get(), page.Objects[1].get()});
    TfrView *kept = page.Objects[1].get();
    doc.Edit(QStringLiteral("delete"), [&] { page.Delete(0); });
    ASSERT_EQ(doc.Selection().size(), 1);
    EXPECT_EQ(doc.Selection().front(), kept);
}

TEST(DesignerDocument, RefusedFilesLeaveTheReportAndFailedSavesTheOldFile)
{
    QTemporaryDir dir;
    TfrDesignerDocument doc;
    doc.Edit(QStringLiteral("add"), [&] { addMemo(*doc.CurrentPage(), QStringLiteral("Memo1"), 0, 0); });
    const QByteArray before = doc.Snapshot();

    QString error;
    EXPECT_FALSE(doc.Open(dir.filePath(QStringLiteral("missing.frf")), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("не найден")));
    const QString junk = dir.filePath(QStringLiteral("junk.frf"));
    {
        QFile f(junk);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is not a template at all");
    }
    error.clear();
    EXPECT_FALSE(doc.Open(junk, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(doc.Snapshot(), before);
    EXPECT_TRUE(doc.IsModified());

    // A target in a folder that does not exist cannot be written; nothing else changes.
    error.clear();
    EXPECT_FALSE(doc.Save(dir.filePath(QStringLiteral("no/such/folder/a.frf")), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(doc.FileName().isEmpty());
}

TEST(BandLayout, ObjectsBelongToTheBandTheEngineGivesThem)
{
    TfrDesignerDocument doc;
    TfrPage &page = *doc.CurrentPage();
    auto band = [&](int type, int top, int height) {
        auto b = std::make_unique<TfrBandView>();
        b->SetBandType(type);
        b->Top = top;
        b->Height = height;
        b->Width = 700;
        return static_cast<TfrBandView *>(page.Add(std::move(b)));
    };
    TfrBandView *data = band(btMasterData, 100, 40);
    TfrBandView *title = band(btReportTitle, 20, 80);
    TfrView *inData = addMemo(page, QStringLiteral("A"), 10, 110);
    // On the shared edge both bands hold the top; the title's type comes first.
    TfrView *onEdge = addMemo(page, QStringLiteral("B"), 10, 100);
    TfrView *outside = addMemo(page, QStringLiteral("C"), 10, 500);
    EXPECT_EQ(frBandOf(page, *inData), data);
    EXPECT_EQ(frBandOf(page, *onEdge), title);
    EXPECT_EQ(frBandOf(page, *outside), nullptr);
    EXPECT_EQ(frObjectsOfBand(page, *data), QList<TfrView *>{inData});
    EXPECT_EQ(frBandAt(page, QPoint(5, 120)), data);
}
