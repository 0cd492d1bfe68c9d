// The alignment commands on a fixed selection: where each command puts every object,
// what restriction bits keep in place, and that every command is one undo step.
#include <QRect>
#include <QUndoStack>
#include <gtest/gtest.h>

#include "report/designer/alignment.h"
#include "report/designer/designer_document.h"
#include "report/model/band_view.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/report.h"

namespace {

// A master data band (20, 100) 700 x 60 and three texts in it, selected A, B, C.
struct AlignFixture {
    TfrDesignerDocument doc;
    TfrView *band = nullptr;
    TfrView *a = nullptr, *b = nullptr, *c = nullptr;

    AlignFixture()
    {
        doc.Edit(QStringLiteral("setup"), [&] {
            TfrPage &page = *doc.CurrentPage();
            auto bandView = std::make_unique<TfrBandView>();
            bandView->Name = QStringLiteral("MasterData1");
            bandView->SetBandType(btMasterData);
            bandView->SetBounds(20, 100, 700, 60);
            band = page.Add(std::move(bandView));
            a = add(QStringLiteral("A"), QRect(40, 110, 100, 20));
            b = add(QStringLiteral("B"), QRect(200, 120, 60, 30));
            c = add(QStringLiteral("C"), QRect(300, 130, 80, 25));
        });
        doc.SetSelection({a, b, c});
    }
    TfrView *add(const QString &name, const QRect &r)
    {
        auto memo = std::make_unique<TfrMemoView>();
        memo->Name = name;
        memo->SetBounds(r.x(), r.y(), r.width(), r.height());
        return doc.CurrentPage()->Add(std::move(memo));
    }
    static QRect rect(const TfrView *v) { return QRect(v->Left, v->Top, v->Width, v->Height); }
};

std::string show(const QRect &r)
{
    return QStringLiteral("(%1, %2, %3 x %4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

} // namespace

TEST(Alignment, EachCommandPutsTheObjectsWhereExpected)
{
    const QRect A(40, 110, 100, 20), B(200, 120, 60, 30), C(300, 130, 80, 25);
    struct Row {
        TfrAlignCommand command;
        QRect a, b, c;
    };
    const Row rows[] = {
        {TfrAlignCommand::Lefts, A, {40, 120, 60, 30}, {40, 130, 80, 25}},
        {TfrAlignCommand::Centres, A, {60, 120, 60, 30}, {50, 130, 80, 25}},
        {TfrAlignCommand::Rights, A, {80, 120, 60, 30}, {60, 130, 80, 25}},
        {TfrAlignCommand::Tops, A, {200, 110, 60, 30}, {300, 110, 80, 25}},
        // Half of an odd difference rounds toward the top, as it does for wider objects.
        {TfrAlignCommand::Middles, A, {200, 105, 60, 30}, {300, 107, 80, 25}},
        {TfrAlignCommand::Bottoms, A, {200, 100, 60, 30}, {300, 105, 80, 25}},
        {TfrAlignCommand::SameWidth, A, {200, 120, 100, 30}, {300, 130, 100, 25}},
        {TfrAlignCommand::SameHeight, A, {200, 120, 60, 20}, {300, 130, 80, 20}},
        // Outermost stay; 340 px of span, 240 of objects: gaps of 50.
        {TfrAlignCommand::SpaceAcross, A, {190, 120, 60, 30}, C},
        // Overlapping objects get equal (negative) gaps too.
        {TfrAlignCommand::SpaceDown, A, {200, 115, 60, 30}, C},
        // The block 40..380 moves to the middle of the band 20..720.
        {TfrAlignCommand::CentreInBandAcross, {200, 110, 100, 20}, {360, 120, 60, 30}, {460, 130, 80, 25}},
        // The block 110..155 moves to the middle of the band 100..160.
        {TfrAlignCommand::CentreInBandDown, {40, 107, 100, 20}, {200, 117, 60, 30}, {300, 127, 80, 25}},
        {TfrAlignCommand::ToGrid, {40, 112, 100, 20}, {200, 120, 60, 30}, {304, 128, 80, 25}},
    };
    for (const Row &row : rows) {
        AlignFixture f;
        const QByteArray before = f.doc.Snapshot();
        const int steps = f.doc.UndoStack().count();
        const std::string name = frAlignCommandText(row.command).toStdString();
        ASSERT_TRUE(frAlignSelection(f.doc, row.command, 8)) << name;
        EXPECT_EQ(show(AlignFixture::rect(f.a)), show(row.a)) << name;
        EXPECT_EQ(show(AlignFixture::rect(f.b)), show(row.b)) << name;
        EXPECT_EQ(show(AlignFixture::rect(f.c)), show(row.c)) << name;
        EXPECT_EQ(show(AlignFixture::rect(f.band)), show(QRect(20, 100, 700, 60))) << name << ": bands stay";
        // One step, and undoing it gives the template back.
        EXPECT_EQ(f.doc.UndoStack().count(), steps + 1) << name;
        EXPECT_EQ(f.doc.UndoStack().text(steps), frAlignCommandText(row.command)) << name;
        f.doc.UndoStack().undo();
        EXPECT_EQ(f.doc.Snapshot(), before) << name;
        // The selection survives the undo, by name, with A still first.
        ASSERT_EQ(f.doc.Selection().size(), 3) << name;
        EXPECT_EQ(f.doc.Selection().front()->Name, QStringLiteral("A")) << name;
    }
}

TEST(Alignment, RestrictedObjectsStayAndTheRestStillAlign)
{
    {
        AlignFixture f;
        f.b->Restrictions = frrfDontMove;
        f.c->Restrictions = frrfDontSize;
        ASSERT_TRUE(frAlignSelection(f.doc, TfrAlignCommand::Lefts, 8));
        EXPECT_EQ(f.b->Left, 200);
        EXPECT_EQ(f.c->Left, 40);
        ASSERT_TRUE(frAlignSelection(f.doc, TfrAlignCommand::SameWidth, 8));
        EXPECT_EQ(f.b->Width, 100);
        EXPECT_EQ(f.c->Width, 80);
    }
    {
        // A reference that may not move still serves as the reference.
        AlignFixture f;
        f.a->Restrictions = frrfDontMove | frrfDontSize;
        ASSERT_TRUE(frAlignSelection(f.doc, TfrAlignCommand::Rights, 8));
        EXPECT_EQ(f.b->Left + f.b->Width, 140);
        EXPECT_EQ(f.c->Left + f.c->Width, 140);
        ASSERT_TRUE(frAlignSelection(f.doc, TfrAlignCommand::ToGrid, 8));
        EXPECT_EQ(f.a->Top, 110) << "a fixed object is not snapped";
    }
    {
        // Nothing that may change: the command does not apply and leaves no step.
        AlignFixture f;
        f.b->Restrictions = frrfDontMove;
        f.c->Restrictions = frrfDontMove;
        const int steps = f.doc.UndoStack().count();
        EXPECT_FALSE(frAlignSelection(f.doc, TfrAlignCommand::Tops, 8));
        EXPECT_FALSE(frAlignSelection(f.doc, TfrAlignCommand::SpaceAcross, 8)) << "the middle one may not move";
        EXPECT_TRUE(frAlignSelection(f.doc, TfrAlignCommand::SameHeight, 8)) << "sizing is not moving";
        EXPECT_EQ(f.doc.UndoStack().count(), steps + 1);
    }
}

TEST(Alignment, TooFewObjectsOrNoGridDoNotApply)
{
    AlignFixture f;
    const int steps = f.doc.UndoStack().count();
    f.doc.SetSelection({f.a, f.b});
    EXPECT_FALSE(frAlignSelection(f.doc, TfrAlignCommand::SpaceAcross, 8));
    EXPECT_FALSE(frAlignSelection(f.doc, TfrAlignCommand::SpaceDown, 8));
    // A band counts for nothing: it is never aligned.
    f.doc.SetSelection({f.band, f.a});
    EXPECT_FALSE(frAlignSelection(f.doc, TfrAlignCommand::Lefts, 8));
    EXPECT_FALSE(frAlignSelection(f.doc, TfrAlignCommand::ToGrid, 0));
    f.doc.ClearSelection();
    EXPECT_FALSE(frAlignSelection(f.doc, TfrAlignCommand::CentreInBandAcross, 8));
    EXPECT_EQ(f.doc.UndoStack().count(), steps);
    EXPECT_EQ(f.band->Left, 20);

    // Already aligned: the command applies but changes nothing, so no step is left.
    f.doc.SetSelection({f.a, f.b});
    ASSERT_TRUE(frAlignSelection(f.doc, TfrAlignCommand::Lefts, 8));
    ASSERT_TRUE(frAlignSelection(f.doc, TfrAlignCommand::Lefts, 8));
    EXPECT_EQ(f.doc.UndoStack().count(), steps + 1);
}

TEST(Alignment, CentringInTheBandLeavesObjectsOutsideBandsAlone)
{
    AlignFixture f;
    TfrView *outside = nullptr;
    f.doc.Edit(QStringLiteral("add"), [&] { outside = f.add(QStringLiteral("D"), QRect(10, 400, 50, 20)); });
    f.doc.SetSelection({outside, f.b});
    ASSERT_TRUE(frAlignSelection(f.doc, TfrAlignCommand::CentreInBandAcross, 8));
    EXPECT_EQ(AlignFixture::rect(outside), QRect(10, 400, 50, 20));
    EXPECT_EQ(f.b->Left, 20 + (700 - 60) / 2);
    f.doc.SetSelection({outside});
    EXPECT_FALSE(frAlignSelection(f.doc, TfrAlignCommand::CentreInBandDown, 8));
}
