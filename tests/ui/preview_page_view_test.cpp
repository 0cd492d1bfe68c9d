// The preview's page view on its own: which page and point lie under the pointer, what its
// owner is told, and what it paints and keeps unpacked.
#include <QImage>
#include <QMouseEvent>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include "preview_test_support.h"
#include "report/ui/preview_page_view.h"

using namespace previewtest;

namespace {

// Three pages of 400 x 600 page units at half size, side by side with 10 pixels between
// them, as the layout would put them.
class PageViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        report.addPages(3, 400, 600);
        TfrEMFPages &pages = report.builder.EMFPages;
        for (int i = 0; i < pages.Count(); ++i) {
            const int left = 10 + i * 210;
            pages[i].displayRect = {left, 10, left + 200, 310};
        }
        view.resize(500, 400);
        view.SetPages(&pages);
        view.SetZoom(0.5);
    }

    TReport report;
    TfrPreviewPageView view;
};

TEST_F(PageViewTest, HitTestFindsThePageAndThePointOnIt)
{
    struct Row {
        const char *what;
        QPoint offset, at;
        int page;
        QPoint point;
    };
    const Row rows[] = {
        {"corner of the first page", {0, 0}, {10, 10}, 0, {0, 0}},
        {"inside the second page", {0, 0}, {230, 60}, 1, {20, 100}},
        {"a pixel is two page units at half size", {0, 0}, {11, 11}, 0, {2, 2}},
        {"last pixel of the first page", {0, 0}, {209, 309}, 0, {398, 598}},
        {"the gap between pages", {0, 0}, {215, 60}, -1, {}},
        {"above the pages", {0, 0}, {100, 5}, -1, {}},
        {"scrolled left: the third page moved under the pointer", {-210, 0}, {230, 60}, 2, {20, 100}},
        {"scrolled down", {0, -100}, {20, 20}, 0, {20, 220}},
        {"scrolled past the pages", {0, -400}, {20, 20}, -1, {}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        view.SetOffset(r.offset);
        const TfrPageHit hit = view.HitTest(r.at);
        EXPECT_EQ(hit.page, r.page);
        if (r.page >= 0) {
            EXPECT_EQ(hit.point, r.point);
            EXPECT_TRUE(view.PageRect(r.page).contains(r.at));
        }
    }

    TfrPreviewPageView empty;
    EXPECT_EQ(empty.HitTest(QPoint(20, 20)).page, -1) << "no pages, no hit";
}

TEST_F(PageViewTest, TheOwnerIsToldWhatHappenedAndWhere)
{
    QStringList told;
    auto record = [&](const char *what) {
        return [&told, what](QMouseEvent &event, const TfrPageHit &hit) {
            told.append(QStringLiteral("%1 %2 page %3 at %4,%5")
                            .arg(QString::fromLatin1(what))
                            .arg(event.button() == Qt::RightButton  ? QStringLiteral("right")
                                 : event.button() == Qt::LeftButton ? QStringLiteral("left")
                                                                    : QStringLiteral("none"))
                            .arg(hit.page)
                            .arg(hit.point.x())
                            .arg(hit.point.y()));
        };
    };
    view.OnPress = record("press");
    view.OnPointerMove = record("move");
    view.OnDoubleClick = record("double");
    view.OnRelease = [&](QMouseEvent &) { told.append(QStringLiteral("release")); };
    view.OnWheel = [&](int steps) { told.append(QStringLiteral("wheel %1").arg(steps)); };

    const QPointF onSecond(230, 60), between(215, 60);
    auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButton button) {
        QMouseEvent event(type, at, view.mapToGlobal(at), button, button, Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
    };
    send(QEvent::MouseButtonPress, onSecond, Qt::LeftButton);
    send(QEvent::MouseMove, between, Qt::NoButton);
    send(QEvent::MouseButtonRelease, between, Qt::LeftButton);
    send(QEvent::MouseButtonDblClick, onSecond, Qt::LeftButton);
    send(QEvent::MouseButtonPress, between, Qt::RightButton);
    for (int delta : {240, 60, -120}) {
        QWheelEvent wheel(onSecond, view.mapToGlobal(onSecond), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &wheel);
    }
    EXPECT_EQ(told, (QStringList{u("press left page 1 at 20,100"), u("move none page -1 at 0,0"), u("release"),
                                 u("double left page 1 at 20,100"), u("press right page -1 at 0,0"), u("wheel 2"),
                                 u("wheel -1")}))
        << "a part of a notch is not a step";
}

TEST_F(PageViewTest, PaintsThePagesInViewAndReleasesTheRest)
{
    TfrEMFPages &pages = report.builder.EMFPages;
    view.SetOffset(QPoint(-120, 0)); // the first page half out on the left, the third cut on the right
    const QImage shot = view.grab().toImage();

    EXPECT_EQ(shot.pixelColor(300, 5), QColor(0x80, 0x80, 0x80)) << "grey above the pages";
    EXPECT_EQ(shot.pixelColor(95, 100), QColor(0x80, 0x80, 0x80)) << "grey between the pages";
    EXPECT_EQ(shot.pixelColor(100, 10), QColor(Qt::black)) << "the second page's frame";
    EXPECT_EQ(shot.pixelColor(150, 290), QColor(Qt::white)) << "paper";
    EXPECT_EQ(shot.pixelColor(300, 310), QColor(Qt::black)) << "the shadow under the page";

    // Whatever is partly on screen stays unpacked; pages out of view are released.
    EXPECT_TRUE(pages[0].keepUnpacked);
    EXPECT_TRUE(pages[1].keepUnpacked);
    EXPECT_TRUE(pages[2].keepUnpacked);
    view.SetOffset(QPoint(0, -400));
    view.grab();
    for (int i = 0; i < pages.Count(); ++i)
        EXPECT_FALSE(pages[i].keepUnpacked) << "page " << i << " is scrolled out of view";
}

TEST_F(PageViewTest, TheSearchHitIsInvertedAndScrollingMovesThePages)
{
    view.SetHighlight(0, QRectF(100, 100, 80, 40)); // 40 x 20 pixels from (60, 60)
    QImage shot = view.grab().toImage();
    EXPECT_EQ(shot.pixelColor(70, 70), QColor(Qt::black)) << "white paper inverted";
    EXPECT_EQ(shot.pixelColor(110, 90), QColor(Qt::white)) << "outside the hit";

    view.SetHighlight(-1, QRectF(100, 100, 80, 40));
    shot = view.grab().toImage();
    EXPECT_EQ(shot.pixelColor(70, 70), QColor(Qt::white)) << "no hit, nothing inverted";

    view.ScrollTo(QPoint(-50, -5));
    EXPECT_EQ(view.Offset(), QPoint(-50, -5));
    EXPECT_EQ(view.PageRect(1), QRect(170, 5, 200, 300));
    EXPECT_EQ(view.HitTest(QPoint(170, 5)).page, 1);
}

} // namespace
