// Where the preview puts its pages: the zoom of each mode, pages per row, centring, rows and
// scroll ranges, computed without a window.
#include <gtest/gtest.h>

#include <vector>

#include "report/model/geometry.h"
#include "report/ui/preview_layout.h"

namespace {

TfrPreviewLayout arrange(TfrScaleMode mode, double zoom, QSize box, const std::vector<QSize> &papers, int current = 0)
{
    TfrPreviewLayout layout;
    layout.Arrange(mode, zoom, box, int(papers.size()), current, [&papers](int i) { return papers[size_t(i)]; });
    return layout;
}

std::vector<QSize> same(int count, QSize paper) { return std::vector<QSize>(size_t(count), paper); }

TEST(PreviewLayoutArithmetic, ZoomAndPagesPerRowOfEachMode)
{
    const struct {
        const char *what;
        TfrScaleMode mode;
        double zoom;
        double expectedZoom;
        int perRow;
    } rows[] = {
        {"whole page: (box height - 20) / paper height", mdOnePage, 1, (600.0 - 20) / 1040, 1},
        {"page width: (box width - 20) / paper width", mdPageWidth, 1, (800.0 - 20) / 740, 1},
        {"two pages side by side", mdTwoPages, 1, (800.0 - 30) / 1480, 2},
        {"fixed zoom: 10 + 2 x (370 + 10) fits", mdNone, 0.5, 0.5, 2},
        {"fixed zoom of nothing still shows something", mdNone, 0, 0.01, 3},
        {"fixed zoom below nothing too", mdNone, -2, 0.01, 3},
    };
    for (const auto &row : rows) {
        const TfrPreviewLayout l = arrange(row.mode, row.zoom, {800, 600}, same(3, {740, 1040}));
        EXPECT_DOUBLE_EQ(l.Zoom(), row.expectedZoom) << row.what;
        EXPECT_EQ(l.PagesPerRow(), row.perRow) << row.what;
    }
}

TEST(PreviewLayoutArithmetic, WholePageIsCentredOnePerRow)
{
    const TfrPreviewLayout l = arrange(mdOnePage, 1, {800, 600}, same(2, {740, 1040}));
    const int w = frRound(740 * l.Zoom()), h = frRound(1040 * l.Zoom());
    EXPECT_EQ(h, 580);
    EXPECT_EQ(l.PageRect(0), QRect((800 - w) / 2, 10, w, h));
    EXPECT_EQ(l.PageRect(1).top(), 10 + h + 10);
    EXPECT_EQ(l.VerticalRange(), (10 + h + 10 + h) - 600 + 10);
    EXPECT_EQ(l.HorizontalRange(), 0);
}

TEST(PreviewLayoutArithmetic, PagesPerRowFollowTheBoxWidth)
{
    const std::vector<QSize> papers = same(7, {200, 300});
    // 10 + 3 x (200 + 10) = 640: three fit exactly.
    TfrPreviewLayout l = arrange(mdNone, 1, {640, 400}, papers);
    ASSERT_EQ(l.PagesPerRow(), 3);
    EXPECT_EQ(l.PageRect(0), QRect(10, 10, 200, 300));
    EXPECT_EQ(l.PageRect(2), QRect(430, 10, 200, 300));
    EXPECT_EQ(l.PageRect(3), QRect(10, 320, 200, 300));
    EXPECT_EQ(l.PageRect(6), QRect(10, 630, 200, 300));
    EXPECT_EQ(l.HorizontalRange(), 0);

    l = arrange(mdNone, 1, {639, 400}, papers);
    EXPECT_EQ(l.PagesPerRow(), 2);
    EXPECT_EQ(l.PageRect(2), QRect(10, 320, 200, 300));
    EXPECT_EQ(l.PageRect(6), QRect(10, 940, 200, 300));
    EXPECT_EQ(l.VerticalRange(), 1240 - 400 + 10);

    l = arrange(mdNone, 1, {420, 400}, papers); // one page per row: centred
    EXPECT_EQ(l.PagesPerRow(), 1);
    EXPECT_EQ(l.PageRect(0).left(), 110);

    l = arrange(mdNone, 1, {150, 400}, papers); // wider than the box: from the left, scrolling
    EXPECT_EQ(l.PagesPerRow(), 1);
    EXPECT_EQ(l.PageRect(0).left(), 10);
    EXPECT_EQ(l.HorizontalRange(), 210 - 150 + 10);
}

TEST(PreviewLayoutArithmetic, MixedPapersAndTheCurrentPage)
{
    // A landscape page among portrait ones: the row is as high as its highest page, and the
    // current page's paper sets the zoom of page width.
    const std::vector<QSize> papers = {{200, 300}, {300, 200}, {200, 300}};
    TfrPreviewLayout l = arrange(mdNone, 1, {1000, 400}, papers);
    EXPECT_EQ(l.PagesPerRow(), 3);
    EXPECT_EQ(l.PageRect(1), QRect(220, 10, 300, 200));
    EXPECT_EQ(l.PageRect(2).left(), 530);
    EXPECT_EQ(l.VerticalRange(), 0);

    l = arrange(mdPageWidth, 1, {320, 400}, papers, 1);
    EXPECT_DOUBLE_EQ(l.Zoom(), 300.0 / 300);
    l = arrange(mdPageWidth, 1, {320, 400}, papers, 7); // out of range: the last page
    EXPECT_DOUBLE_EQ(l.Zoom(), 300.0 / 200);

    l = arrange(mdOnePage, 1, {320, 400}, {});
    EXPECT_EQ(l.PagesPerRow(), 1);
    EXPECT_EQ(l.VerticalRange(), 0);
}

} // namespace
