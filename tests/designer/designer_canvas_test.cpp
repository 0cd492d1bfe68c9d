// The canvas driven as a person drives it: mouse and keys at positions taken from the
// objects' geometry, then the template checked.
#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>
#include <gtest/gtest.h>

#include "report/designer/band_layout.h"
#include "report/designer/designer_canvas.h"
#include "report/designer/designer_document.h"
#include "report/eval/ui_hooks.h"
#include "report/model/band_view.h"
#include "report/model/line_view.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "report/model/subreport_view.h"
#include "testkit/paths.h"

namespace {

// Records the engine's message boxes instead of showing them.
class MessageRecorder {
public:
    MessageRecorder() : m_saved(frUiHooks().MessageBox)
    {
        frUiHooks().MessageBox = [this](const QString &text, const QString &, int) {
            messages.append(text);
            return 1;
        };
    }
    ~MessageRecorder() { frUiHooks().MessageBox = m_saved; }
    QStringList messages;

private:
    std::function<int(const QString &, const QString &, int)> m_saved;
};

class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        canvas = std::make_unique<TfrDesignerCanvas>(doc);
        canvas->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(canvas.get()));
    }

    TfrPage &page() { return *doc.CurrentPage(); }

    TfrView *addMemo(const QString &name, int left, int top, int width = 80, int height = 20)
    {
        TfrView *added = nullptr;
        doc.Edit(QStringLiteral("add"), [&] {
            auto memo = std::make_unique<TfrMemoView>();
            memo->Name = name;
            memo->SetBounds(left, top, width, height);
            memo->Memo = QStringList{name};
            added = page().Add(std::move(memo));
        });
        return added;
    }

    TfrBandView *addBand(const QString &name, int type, int top, int height)
    {
        TfrView *added = nullptr;
        doc.Edit(QStringLiteral("band"), [&] {
            auto band = std::make_unique<TfrBandView>();
            band->Name = name;
            band->SetBandType(type);
            band->SetBounds(0, top, 700, height);
            added = page().Add(std::move(band));
        });
        return static_cast<TfrBandView *>(added);
    }

    QPoint at(QPointF design) const { return canvas->ToWidget(design).toPoint(); }
    QPoint centre(const TfrView &v) const { return canvas->WidgetRect(v).center(); }

    // A move with modifiers, which QTest's mouseMove cannot carry.
    void moveTo(QPoint pos, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QMouseEvent e(QEvent::MouseMove, QPointF(pos), canvas->mapToGlobal(QPointF(pos)), Qt::NoButton,
                      Qt::LeftButton, mods);
        QApplication::sendEvent(canvas.get(), &e);
    }

    // Press, move in a few steps (as a hand does), release.
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::mousePress(canvas.get(), Qt::LeftButton, mods, from);
        for (int i = 1; i <= 4; ++i)
            moveTo(from + (to - from) * i / 4, mods);
        QTest::mouseRelease(canvas.get(), Qt::LeftButton, mods, to);
    }

    static QRect bounds(const TfrView &v) { return {v.Left, v.Top, v.Width, v.Height}; }

    TfrDesignerDocument doc;
    std::unique_ptr<TfrDesignerCanvas> canvas;
};

} // namespace

TEST_F(CanvasTest, InsertsEachObjectTypeWithAUniqueNameInTheBandUnderIt)
{
    TfrBandView *data = addBand(QStringLiteral("Band1"), btMasterData, 100, 200);
    addMemo(QStringLiteral("memo1"), 400, 400); // names compare without case
    QSignalSpy finished(canvas.get(), &TfrDesignerCanvas::ToolFinished);
    const int pagesBefore = doc.Report().PageCount();

    struct Row {
        int type;
        QString name;
    };
    const Row rows[] = {{otMemo, QStringLiteral("Memo2")},
                        {otPicture, QStringLiteral("Picture1")},
                        {otSubReport, QStringLiteral("SubReport1")},
                        {otLine, QStringLiteral("Line1")}};
    int x = 21;
    for (const Row &row : rows) {
        TfrDesignTool tool;
        tool.objectType = row.type;
        canvas->SetTool(tool);
        const int undo = doc.UndoStack().count();
        QTest::mouseClick(canvas.get(), Qt::LeftButton, {}, at(QPointF(x, 131)));
        TfrView *v = page().FindObject(row.name);
        ASSERT_NE(v, nullptr) << row.name.toStdString();
        EXPECT_EQ(v->Typ, row.type);
        // Clicked at (x, 131): the top-left lands on the grid.
        EXPECT_EQ(v->Left % 4, 0) << row.name.toStdString();
        EXPECT_EQ(v->Top, 132) << row.name.toStdString();
        EXPECT_GT(std::max(v->Width, v->Height), 0);
        EXPECT_EQ(frBandOf(page(), *v), data) << row.name.toStdString();
        EXPECT_EQ(doc.Selection(), QList<TfrView *>{v});
        EXPECT_EQ(doc.UndoStack().count(), undo + 1);
        EXPECT_EQ(canvas->Tool().objectType, -1);
        x += 120;
    }
    EXPECT_EQ(finished.count(), 4);
    // The sub-report brought a page for its bands.
    EXPECT_EQ(doc.Report().PageCount(), pagesBefore + 1);
    auto *sub = static_cast<TfrSubReportView *>(page().FindObject(QStringLiteral("SubReport1")));
    EXPECT_EQ(sub->subPageIndex, pagesBefore);
    EXPECT_FALSE(doc.Report().Page(sub->subPageIndex)->Name.isEmpty());
    // A click makes a horizontal line.
    TfrView *line = page().FindObject(QStringLiteral("Line1"));
    EXPECT_EQ(line->Height, 0);
    EXPECT_EQ(line->FrameTyp, frftTop);

    // Dragging a rectangle gives the object that rectangle (on the grid).
    TfrDesignTool memo;
    memo.objectType = otMemo;
    canvas->SetTool(memo);
    drag(at(QPointF(40, 200)), at(QPointF(161, 239)));
    TfrView *dragged = page().FindObject(QStringLiteral("Memo3"));
    ASSERT_NE(dragged, nullptr);
    EXPECT_EQ(bounds(*dragged), QRect(40, 200, 120, 40));

    // A line dragged downwards stands upright.
    TfrDesignTool lineTool;
    lineTool.objectType = otLine;
    canvas->SetTool(lineTool);
    drag(at(QPointF(600, 120)), at(QPointF(603, 280)));
    TfrView *upright = page().FindObject(QStringLiteral("Line2"));
    ASSERT_NE(upright, nullptr);
    EXPECT_EQ(upright->Width, 0);
    EXPECT_EQ(upright->Height, 160);
    EXPECT_EQ(upright->FrameTyp, frftLeft);
}

TEST_F(CanvasTest, BandsStackInTheirOrderWithoutOverlapAndOncePerPageTypesAreRefused)
{
    MessageRecorder messages;
    // A data band with an object first; bands inserted above it push it down.
    ASSERT_TRUE(canvas->InsertBand(btMasterData));
    TfrView *data = doc.Selection().front();
    TfrView *memo = addMemo(QStringLiteral("Field"), 20, data->Top + 10);
    const int memoOffset = memo->Top - data->Top;

    const int types[] = {btReportTitle, btPageHeader, btColumnHeader, btMasterHeader, btGroupHeader, btDetailHeader,
                         btDetailData, btSubDetailHeader, btSubDetailData, btSubDetailFooter, btDetailFooter,
                         btGroupFooter, btMasterFooter, btReportSummary, btColumnFooter, btPageFooter, btOverlay,
                         btCrossHeader, btCrossData, btCrossFooter};
    for (int type : types) {
        const int undo = doc.UndoStack().count();
        ASSERT_TRUE(canvas->InsertBand(type)) << type;
        EXPECT_EQ(doc.UndoStack().count(), undo + 1) << type;
        ASSERT_EQ(doc.Selection().size(), 1);
        EXPECT_EQ(doc.Selection().front()->FrameTyp, type);
        EXPECT_TRUE(doc.Selection().front()->Name.startsWith(QStringLiteral("Band")));
    }
    // A child band follows the selected band and becomes its child.
    TfrView *title = nullptr;
    for (TfrBandView *b : frPageBands(page()))
        if (b->GetBandType() == btReportTitle)
            title = b;
    ASSERT_NE(title, nullptr);
    doc.Select(title);
    ASSERT_TRUE(canvas->InsertBand(btChild));
    TfrView *child = doc.Selection().front();
    EXPECT_EQ(static_cast<TfrBandView *>(title)->ChildBand, child->Name);
    EXPECT_GE(child->Top, title->Top + title->Height + 20);
    EXPECT_LT(child->Top, title->Top + title->Height + 24);
    EXPECT_TRUE(messages.messages.isEmpty());

    // The object kept its place in its band.
    EXPECT_EQ(memo->Top - data->Top, memoOffset);
    EXPECT_EQ(frBandOf(page(), *memo), data);

    // From the top down: the order of types, and no band over another or its caption.
    QList<TfrBandView *> bands;
    for (TfrBandView *b : frPageBands(page()))
        if (!frIsCrossBand(b->GetBandType()))
            bands.append(b);
    std::sort(bands.begin(), bands.end(), [](auto *a, auto *b) { return a->Top < b->Top; });
    const QList<int> expected = {btReportTitle, btChild, btPageHeader, btColumnHeader, btMasterHeader, btGroupHeader,
                                 btMasterData, btDetailHeader, btDetailData, btSubDetailHeader, btSubDetailData,
                                 btSubDetailFooter, btDetailFooter, btGroupFooter, btMasterFooter, btReportSummary,
                                 btColumnFooter, btPageFooter, btOverlay};
    QList<int> order;
    for (qsizetype i = 0; i < bands.size(); ++i) {
        order.append(bands[i]->GetBandType());
        if (i > 0) {
            EXPECT_GE(bands[i]->Top, bands[i - 1]->Top + bands[i - 1]->Height + 18) << bands[i]->Name.toStdString();
        }
    }
    EXPECT_EQ(order, expected);
    // Cross bands side by side, spanning the page's height.
    QList<TfrBandView *> cross;
    for (TfrBandView *b : frPageBands(page()))
        if (frIsCrossBand(b->GetBandType()))
            cross.append(b);
    ASSERT_EQ(cross.size(), 3);
    std::sort(cross.begin(), cross.end(), [](auto *a, auto *b) { return a->Left < b->Left; });
    EXPECT_EQ(cross[0]->GetBandType(), btCrossHeader);
    EXPECT_EQ(cross[2]->GetBandType(), btCrossFooter);
    EXPECT_GE(cross[1]->Left, cross[0]->Left + cross[0]->Width);

    // A second page header (or title, or cross data band) is refused with a message.
    QSignalSpy status(canvas.get(), &TfrDesignerCanvas::StatusMessage);
    const size_t count = page().Objects.size();
    const int undo = doc.UndoStack().count();
    for (int type : {btPageHeader, btReportTitle, btPageFooter, btOverlay, btCrossData}) {
        EXPECT_FALSE(canvas->InsertBand(type)) << type;
    }
    EXPECT_EQ(messages.messages.size(), 5);
    EXPECT_TRUE(messages.messages.front().contains(QStringLiteral("Заголовок страницы")));
    EXPECT_EQ(status.count(), 5);
    EXPECT_EQ(page().Objects.size(), count);
    EXPECT_EQ(doc.UndoStack().count(), undo);
    // Data bands may repeat.
    EXPECT_TRUE(canvas->InsertBand(btMasterData));
}

TEST_F(CanvasTest, BandToolAndCaptionsNameTypeAndDataSource)
{
    TfrDesignTool tool;
    tool.objectType = otBand;
    tool.bandType = btMasterData;
    canvas->SetTool(tool);
    QTest::mouseClick(canvas.get(), Qt::LeftButton, {}, at(QPointF(200, 300)));
    ASSERT_EQ(doc.Selection().size(), 1);
    TfrView *band = doc.Selection().front();
    EXPECT_EQ(band->FrameTyp, btMasterData);
    EXPECT_EQ(canvas->Tool().objectType, -1);
    doc.Edit(QStringLiteral("source"), [&] { doc.Report().SetProperty(*band, QStringLiteral("DataSource"), TfrVariant(QStringLiteral("frDBDataSet1"))); });
    EXPECT_EQ(frDesignerBandCaption(*band), QStringLiteral("Данные 1 уровня: frDBDataSet1"));
    // The caption strip sits above the band and selects it.
    doc.ClearSelection();
    const QRect caption = canvas->CaptionRect(*band);
    EXPECT_EQ(caption.bottom() + 1, band->Top);
    QTest::mouseClick(canvas.get(), Qt::LeftButton, {}, at(caption.center()));
    EXPECT_EQ(doc.Selection(), QList<TfrView *>{band});
}

TEST_F(CanvasTest, DraggingMovesOnTheGridInOneStepAndAltMovesFreely)
{
    TfrView *memo = addMemo(QStringLiteral("Memo1"), 40, 40);
    canvas->SetShowGuides(false);
    const QByteArray before = doc.Snapshot();
    const int undo = doc.UndoStack().count();
    drag(centre(*memo), centre(*memo) + QPoint(13, 7));
    EXPECT_EQ(bounds(*memo), QRect(52, 48, 80, 20));
    EXPECT_EQ(doc.UndoStack().count(), undo + 1);
    doc.UndoStack().undo();
    memo = page().FindObject(QStringLiteral("Memo1"));
    EXPECT_EQ(doc.Snapshot(), before);

    drag(centre(*memo), centre(*memo) + QPoint(13, 7), Qt::AltModifier);
    EXPECT_EQ(bounds(*memo), QRect(53, 47, 80, 20));

    // A click without a move changes nothing and leaves no step.
    const int steps = doc.UndoStack().count();
    QTest::mouseClick(canvas.get(), Qt::LeftButton, {}, centre(*memo));
    EXPECT_EQ(doc.UndoStack().count(), steps);

    // At 200 % the pointer moves twice as far for the same distance on the page.
    canvas->SetZoom(200);
    EXPECT_EQ(canvas->Zoom(), 200);
    EXPECT_EQ(canvas->ToDesign(canvas->ToWidget(QPointF(123, 45))), QPointF(123, 45));
    canvas->SetAlignToGrid(false);
    drag(centre(*memo), centre(*memo) + QPoint(20, 40));
    EXPECT_EQ(bounds(*memo), QRect(63, 67, 80, 20));
}

TEST_F(CanvasTest, GuidesShowAndSnapWhenEdgesLineUp)
{
    TfrView *anchor = addMemo(QStringLiteral("Anchor"), 101, 203, 80, 20);
    TfrView *memo = addMemo(QStringLiteral("Moving"), 40, 40, 60, 20);
    canvas->SetAlignToGrid(false);
    // The moving left edge comes within three pixels of the anchor's left edge.
    const QPoint from = centre(*memo);
    const QPoint to = from + QPoint(101 - 40 + 3, 100);
    QTest::mousePress(canvas.get(), Qt::LeftButton, {}, from);
    moveTo(from + QPoint(10, 10));
    moveTo(to);
    EXPECT_EQ(memo->Left, 101);
    const QList<QLineF> guides = canvas->Guides();
    ASSERT_FALSE(guides.isEmpty());
    EXPECT_TRUE(std::any_of(guides.begin(), guides.end(), [](const QLineF &l) { return l.x1() == 101 && l.x2() == 101; }));
    QTest::mouseRelease(canvas.get(), Qt::LeftButton, {}, to);
    EXPECT_TRUE(canvas->Guides().isEmpty());
    EXPECT_EQ(memo->Left, 101);

    // Centres line up too; Alt suspends the guides.
    const QPoint c = centre(*memo);
    drag(c, c + QPoint(0, 400) + QPoint((anchor->Left + 40) - (memo->Left + 30) + 2, 0));
    EXPECT_EQ(memo->Left + memo->Width / 2, anchor->Left + anchor->Width / 2);
    const int left = memo->Left;
    drag(centre(*memo), centre(*memo) + QPoint(2, 0), Qt::AltModifier);
    EXPECT_EQ(memo->Left, left + 2);
}

TEST_F(CanvasTest, HandlesResizeAndLineEndsStretch)
{
    TfrView *memo = addMemo(QStringLiteral("Memo1"), 40, 40, 80, 20);
    QTest::mouseClick(canvas.get(), Qt::LeftButton, {}, centre(*memo));
    ASSERT_EQ(doc.Selection(), QList<TfrView *>{memo});
    const int undo = doc.UndoStack().count();
    // Bottom-right handle, then the left one.
    const QRect r = canvas->WidgetRect(*memo);
    drag(r.topLeft() + QPoint(r.width(), r.height()), r.topLeft() + QPoint(r.width() + 21, r.height() + 9));
    EXPECT_EQ(bounds(*memo), QRect(40, 40, 100, 28));
    EXPECT_EQ(doc.UndoStack().count(), undo + 1);
    const QRect r2 = canvas->WidgetRect(*memo);
    drag(QPoint(r2.left(), r2.center().y()), QPoint(r2.left() + 200, r2.center().y()));
    // Dragged past the right edge it stops a pixel short.
    EXPECT_EQ(memo->Left + memo->Width, 140);
    EXPECT_EQ(memo->Width, 1);

    TfrView *line = nullptr;
    doc.Edit(QStringLiteral("line"), [&] {
        auto l = std::make_unique<TfrLineView>();
        l->Name = QStringLiteral("Line1");
        l->SetBounds(40, 300, 100, 0);
        l->FrameTyp = frftTop;
        line = page().Add(std::move(l));
    });
    doc.Select(line);
    const QPoint end = at(QPointF(140, 300));
    drag(end, end + QPoint(40, 1));
    EXPECT_EQ(bounds(*line), QRect(40, 300, 140, 0));
    // Pulled far down, the line turns upright from its start.
    const QPoint end2 = at(QPointF(180, 300));
    drag(end2, at(QPointF(44, 420)));
    EXPECT_EQ(bounds(*line), QRect(40, 300, 0, 120));
    EXPECT_EQ(line->FrameTyp, frftLeft);
}

TEST_F(CanvasTest, KeysMoveResizeSelectAndStep)
{
    TfrView *a = addMemo(QStringLiteral("A"), 40, 40);
    TfrView *b = addMemo(QStringLiteral("B"), 40, 100);
    TfrView *c = addMemo(QStringLiteral("C"), 40, 160);
    canvas->setFocus();
    doc.Select(a);
    const int undo = doc.UndoStack().count();
    QTest::keyClick(canvas.get(), Qt::Key_Right);
    QTest::keyClick(canvas.get(), Qt::Key_Down);
    EXPECT_EQ(bounds(*a), QRect(41, 41, 80, 20));
    QTest::keyClick(canvas.get(), Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(a->Left, 37);
    QTest::keyClick(canvas.get(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(canvas.get(), Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(bounds(*a), QRect(37, 41, 81, 19));
    EXPECT_EQ(doc.UndoStack().count(), undo + 5);

    QTest::keyClick(canvas.get(), Qt::Key_Tab);
    EXPECT_EQ(doc.Selection(), QList<TfrView *>{b});
    QTest::keyClick(canvas.get(), Qt::Key_Tab);
    QTest::keyClick(canvas.get(), Qt::Key_Tab);
    EXPECT_EQ(doc.Selection(), QList<TfrView *>{a});
    QTest::keyClick(canvas.get(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(doc.Selection(), QList<TfrView *>{c});

    QTest::keyClick(canvas.get(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(doc.Selection().size(), 3);
    // A group moves together.
    QTest::keyClick(canvas.get(), Qt::Key_Down);
    EXPECT_EQ(b->Top, 101);
    EXPECT_EQ(c->Top, 161);
    QTest::keyClick(canvas.get(), Qt::Key_Escape);
    EXPECT_TRUE(doc.Selection().isEmpty());
}

TEST_F(CanvasTest, ShiftClickTogglesAndTheRubberBandSelectsWhatItTouches)
{
    addBand(QStringLiteral("Band1"), btMasterData, 30, 400);
    TfrView *a = addMemo(QStringLiteral("A"), 40, 40);
    TfrView *b = addMemo(QStringLiteral("B"), 200, 40);
    TfrView *c = addMemo(QStringLiteral("C"), 40, 200);
    QTest::mouseClick(canvas.get(), Qt::LeftButton, {}, centre(*a));
    QTest::mouseClick(canvas.get(), Qt::LeftButton, Qt::ShiftModifier, centre(*b));
    EXPECT_EQ(doc.Selection(), (QList<TfrView *>{a, b}));
    QTest::mouseClick(canvas.get(), Qt::LeftButton, Qt::ShiftModifier, centre(*a));
    EXPECT_EQ(doc.Selection(), QList<TfrView *>{b});

    // From empty paper inside the band, across A and C but short of B.
    drag(at(QPointF(20, 35)), at(QPointF(60, 205)));
    EXPECT_EQ(doc.Selection().size(), 2);
    EXPECT_TRUE(doc.IsSelected(a));
    EXPECT_TRUE(doc.IsSelected(c));
    EXPECT_FALSE(doc.IsSelected(b));
    // Dragging the group moves both, one step.
    const int undo = doc.UndoStack().count();
    drag(centre(*a), centre(*a) + QPoint(8, 0));
    EXPECT_EQ(a->Left, 48);
    EXPECT_EQ(c->Left, 48);
    EXPECT_EQ(b->Left, 200);
    EXPECT_EQ(doc.UndoStack().count(), undo + 1);
    // A click on empty paper clears.
    QTest::mouseClick(canvas.get(), Qt::LeftButton, {}, at(QPointF(500, 300)));
    EXPECT_TRUE(doc.Selection().isEmpty());
}

TEST_F(CanvasTest, RestrictionBitsRefuseTheirGestures)
{
    TfrView *fixed = addMemo(QStringLiteral("Fixed"), 40, 40);
    doc.Edit(QStringLiteral("lock"), [&] {
        doc.Report().SetProperty(*fixed, QStringLiteral("Restrictions"),
                                 TfrVariant(int(frrfDontMove | frrfDontSize | frrfDontDelete | frrfDontModify)));
    });
    ASSERT_EQ(fixed->Restrictions, frrfDontMove | frrfDontSize | frrfDontDelete | frrfDontModify);
    QSignalSpy status(canvas.get(), &TfrDesignerCanvas::StatusMessage);
    int edits = 0;
    QObject::connect(canvas.get(), &TfrDesignerCanvas::EditRequested, [&] { ++edits; });
    const QByteArray before = doc.Snapshot();
    const int undo = doc.UndoStack().count();

    drag(centre(*fixed), centre(*fixed) + QPoint(40, 40));
    EXPECT_EQ(canvas->cursor().shape(), Qt::ForbiddenCursor);
    const QRect r = canvas->WidgetRect(*fixed);
    drag(r.topLeft() + QPoint(r.width(), r.height()), r.topLeft() + QPoint(r.width() + 30, r.height() + 30));
    canvas->setFocus();
    QTest::keyClick(canvas.get(), Qt::Key_Right);
    QTest::keyClick(canvas.get(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(canvas.get(), Qt::Key_Delete);
    QTest::mouseDClick(canvas.get(), Qt::LeftButton, {}, centre(*fixed));
    QTest::keyClick(canvas.get(), Qt::Key_Return);

    EXPECT_EQ(doc.Snapshot(), before);
    EXPECT_EQ(doc.UndoStack().count(), undo);
    EXPECT_EQ(edits, 0);
    EXPECT_GE(status.count(), 7);
    EXPECT_TRUE(status.first().first().toString().contains(QStringLiteral("Fixed")));

    // Its own menu entries are there but cannot be used.
    std::unique_ptr<QMenu> menu(canvas->CreateContextMenu(nullptr));
    QAction *wrap = menu->findChild<QAction *>(QStringLiteral("popupWordWrap"));
    ASSERT_NE(wrap, nullptr);
    EXPECT_FALSE(wrap->isEnabled());

    // Deleting it with another object takes only the other one.
    TfrView *free = addMemo(QStringLiteral("Free"), 40, 100);
    doc.SetSelection({fixed, free});
    canvas->DeleteSelection();
    EXPECT_NE(page().FindObject(QStringLiteral("Fixed")), nullptr);
    EXPECT_EQ(page().FindObject(QStringLiteral("Free")), nullptr);
}

TEST_F(CanvasTest, DraggingABandCarriesItsObjectsInOneStep)
{
    TfrBandView *title = addBand(QStringLiteral("Title"), btReportTitle, 40, 60);
    TfrBandView *data = addBand(QStringLiteral("Data"), btMasterData, 140, 40);
    TfrView *inTitle = addMemo(QStringLiteral("InTitle"), 20, 50);
    TfrView *inData = addMemo(QStringLiteral("InData"), 20, 150);
    const int undo = doc.UndoStack().count();
    const QPoint caption = at(canvas->CaptionRect(*data).center());
    drag(caption, caption + QPoint(30, 41));
    // Across the page a band does not move; down it goes with its object, on the grid.
    EXPECT_EQ(data->Left, 0);
    EXPECT_EQ(data->Top, 180);
    EXPECT_EQ(inData->Top, 190);
    EXPECT_EQ(inData->Left, 20);
    EXPECT_EQ(title->Top, 40);
    EXPECT_EQ(inTitle->Top, 50);
    EXPECT_EQ(doc.UndoStack().count(), undo + 1);
    EXPECT_EQ(frBandOf(page(), *inData), data);

    // An object that may not move holds its band in place.
    doc.Edit(QStringLiteral("lock"), [&] { doc.Report().SetProperty(*inData, QStringLiteral("Restrictions"), TfrVariant(int(frrfDontMove))); });
    const QPoint caption2 = at(canvas->CaptionRect(*data).center());
    drag(caption2, caption2 + QPoint(0, 40));
    EXPECT_EQ(data->Top, 180);
    EXPECT_EQ(inData->Top, 190);

    // The band grows at its bottom handle.
    doc.Select(data);
    const QRect r = canvas->WidgetRect(*data);
    const QPoint handle(r.center().x(), r.top() + r.height());
    drag(handle, handle + QPoint(0, 20));
    EXPECT_EQ(data->Height, 60);
    EXPECT_EQ(data->Top, 180);
}

TEST_F(CanvasTest, DeleteBringToFrontAndSendToBack)
{
    TfrView *a = addMemo(QStringLiteral("A"), 40, 40);
    TfrView *b = addMemo(QStringLiteral("B"), 60, 50);
    TfrView *c = addMemo(QStringLiteral("C"), 80, 60);
    auto order = [&] {
        QStringList names;
        for (const auto &v : page().Objects)
            names.append(v->Name);
        return names.join(QLatin1Char(','));
    };
    doc.SetSelection({b, a});
    canvas->BringToFront();
    EXPECT_EQ(order(), QStringLiteral("C,A,B"));
    doc.Select(c);
    canvas->BringToFront();
    EXPECT_EQ(order(), QStringLiteral("A,B,C"));
    // Where they overlap, a click takes the one in front.
    QTest::mouseClick(canvas.get(), Qt::LeftButton, {}, at(QPointF(85, 65)));
    EXPECT_EQ(doc.Selection(), QList<TfrView *>{c});
    canvas->SendToBack();
    EXPECT_EQ(order(), QStringLiteral("C,A,B"));
    QTest::mouseClick(canvas.get(), Qt::LeftButton, {}, at(QPointF(85, 65)));
    EXPECT_EQ(doc.Selection(), QList<TfrView *>{b});

    canvas->setFocus();
    const int undo = doc.UndoStack().count();
    QTest::keyClick(canvas.get(), Qt::Key_Delete);
    EXPECT_EQ(order(), QStringLiteral("C,A"));
    EXPECT_TRUE(doc.Selection().isEmpty());
    EXPECT_EQ(doc.UndoStack().count(), undo + 1);
    doc.UndoStack().undo();
    EXPECT_EQ(order(), QStringLiteral("C,A,B"));

    // A deleted band takes its objects along.
    TfrBandView *band = addBand(QStringLiteral("Band1"), btMasterData, 300, 60);
    addMemo(QStringLiteral("Inside"), 20, 310);
    doc.Select(band);
    canvas->DeleteSelection();
    EXPECT_EQ(page().FindObject(QStringLiteral("Band1")), nullptr);
    EXPECT_EQ(page().FindObject(QStringLiteral("Inside")), nullptr);
}

TEST_F(CanvasTest, ContextMenuFlagsApplyToTheWholeSelectionAndEditIsRequested)
{
    TfrView *a = addMemo(QStringLiteral("A"), 40, 40);
    TfrView *b = addMemo(QStringLiteral("B"), 40, 100);
    doc.SetSelection({a, b});
    std::unique_ptr<QMenu> menu(canvas->CreateContextMenu(nullptr));
    QAction *wrap = menu->findChild<QAction *>(QStringLiteral("popupWordWrap"));
    QAction *zeros = menu->findChild<QAction *>(QStringLiteral("popupHideZeros"));
    ASSERT_NE(wrap, nullptr);
    ASSERT_NE(zeros, nullptr);
    EXPECT_TRUE(wrap->isChecked()); // a new text wraps
    const int undo = doc.UndoStack().count();
    zeros->trigger();
    EXPECT_TRUE(a->Flags & flHideZeros);
    EXPECT_TRUE(b->Flags & flHideZeros);
    EXPECT_EQ(doc.UndoStack().count(), undo + 1);
    // Hyphenation only makes sense while words wrap.
    EXPECT_TRUE(menu->findChild<QAction *>(QStringLiteral("popupWordBreak"))->isEnabled());
    wrap->trigger();
    EXPECT_FALSE(a->Flags & flWordWrap);
    std::unique_ptr<QMenu> unwrapped(canvas->CreateContextMenu(nullptr));
    EXPECT_FALSE(unwrapped->findChild<QAction *>(QStringLiteral("popupWordWrap"))->isChecked());
    EXPECT_FALSE(unwrapped->findChild<QAction *>(QStringLiteral("popupWordBreak"))->isEnabled());
    // The window's own actions follow the object's entries.
    QAction cut(QStringLiteral("Вырезать"));
    canvas->SetCommonActions({&cut, nullptr});
    std::unique_ptr<QMenu> menu2(canvas->CreateContextMenu(nullptr));
    EXPECT_TRUE(menu2->actions().contains(&cut));

    // A band offers the flags its type has.
    TfrBandView *footer = addBand(QStringLiteral("Footer"), btPageFooter, 600, 40);
    doc.Select(footer);
    std::unique_ptr<QMenu> bandMenu(canvas->CreateContextMenu(nullptr));
    EXPECT_NE(bandMenu->findChild<QAction *>(QStringLiteral("popupOnLastPage")), nullptr);
    EXPECT_EQ(bandMenu->findChild<QAction *>(QStringLiteral("popupRepeatHeader")), nullptr);

    QList<TfrView *> edit;
    QObject::connect(canvas.get(), &TfrDesignerCanvas::EditRequested, [&](TfrView *v) { edit.append(v); });
    QTest::mouseDClick(canvas.get(), Qt::LeftButton, {}, centre(*b));
    EXPECT_EQ(edit, QList<TfrView *>{b});
    doc.Select(a);
    canvas->setFocus();
    QTest::keyClick(canvas.get(), Qt::Key_Return);
    EXPECT_EQ(edit, (QList<TfrView *>{b, a}));
}

TEST_F(CanvasTest, DrawingTheJournalTemplateLeavesItAsItWas)
{
    ASSERT_TRUE(doc.Open(testkit::builtPath(QStringLiteral("Reports/J001.frf"))));
    const QByteArray before = doc.Snapshot();
    canvas->SetZoom(100);
    doc.SetSelection({page().Objects.back().get()});
    const QImage shot = canvas->grab().toImage();
    EXPECT_EQ(shot.size(), canvas->size());
    EXPECT_EQ(doc.Snapshot(), before);
    EXPECT_FALSE(doc.IsModified());
    // The widget follows the page at the zoom.
    const QSize at100 = canvas->size();
    canvas->SetZoom(50);
    EXPECT_NEAR(canvas->width() - 48, (at100.width() - 48) / 2, 1);
    canvas->SetZoom(1000);
    EXPECT_EQ(canvas->Zoom(), 400);
    EXPECT_GE(canvas->PageWidthZoom(QSize(400, 300)), 25);
}

TEST_F(CanvasTest, TheKeptPageLayerMatchesAFreshDrawingAfterEdits)
{
    addBand(QStringLiteral("Band1"), btMasterData, 40, 200);
    TfrView *a = addMemo(QStringLiteral("A"), 40, 60);
    TfrView *b = addMemo(QStringLiteral("B"), 200, 60);
    auto sameAsFresh = [&] {
        const QImage kept = canvas->grab().toImage();
        TfrDesignerCanvas fresh(doc);
        fresh.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&fresh));
        return kept == fresh.grab().toImage();
    };
    (void)canvas->grab(); // the layer is drawn and kept
    // Changes through every path: an inspector-like property, a drag, keys, undo.
    doc.Edit(QStringLiteral("left"), [&] { doc.Report().SetProperty(*a, QStringLiteral("Left"), TfrVariant(300)); });
    doc.Edit(QStringLiteral("text"), [&] { doc.Report().SetProperty(*b, QStringLiteral("Memo"), TfrVariant(QStringLiteral("Другой текст"))); });
    EXPECT_TRUE(sameAsFresh());
    drag(centre(*b), centre(*b) + QPoint(40, 80));
    canvas->setFocus();
    QTest::keyClick(canvas.get(), Qt::Key_Up, Qt::ControlModifier);
    EXPECT_TRUE(sameAsFresh());
    doc.UndoStack().undo();
    doc.Select(page().FindObject(QStringLiteral("A")));
    EXPECT_TRUE(sameAsFresh());
    // A setting the views read while they draw, outside the document: Redraw takes it.
    ShowBandTitles = false;
    canvas->Redraw();
    const bool redrawn = sameAsFresh();
    ShowBandTitles = true;
    EXPECT_TRUE(redrawn);
}
