// What a text cell hands the painter: a line is clipped to the cell only when it reaches
// out of it, and the overflow stays clipped on a raster; solid frame sides keep their order.
#include "model_test_support.h"

#include <QImage>

namespace {

class CellOutput : public ModelTest {
protected:
    TfrMemoView *cell(const QString &text, int width, int height)
    {
        TfrMemoView *v = add<TfrMemoView>(QStringLiteral("Cell%1").arg(page->Objects.size() + 1), 100, 50, width,
                                          height);
        v->Memo = QStringList{text};
        v->Flags = 0; // no wrapping: a long line stays one line
        v->FrameTyp = 15;
        return v;
    }
};

TEST_F(CellOutput, ALineIsClippedOnlyWhenItReachesOutOfTheCell)
{
    const struct {
        const char *what;
        const char *text;
        int width, height, alignment;
        bool clipped;
    } rows[] = {
        {"fits", "Канцелярия", 120, 20, frtaLeft, false},
        {"fits, right-aligned", "Канцелярия", 120, 20, frtaRight, false},
        {"fits, centred", "1234", 60, 20, frtaCenter, false},
        {"wider than the cell", "Бухгалтерия, отдел снабжения", 60, 20, frtaLeft, true},
        {"wider, centred", "08.12.2026 14:05", 40, 20, frtaCenter, true},
        {"taller than the cell", "Канцелярия", 120, 8, frtaLeft, true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        TfrMemoView *v = cell(QString::fromUtf8(row.text), row.width, row.height);
        v->Alignment = row.alignment;
        TfrRecordingDevice d;
        drawOn(d, *v);
        ASSERT_FALSE(d.texts.empty());
        for (const TfrRecordedText &t : d.texts) {
            EXPECT_EQ(!t.clip.isEmpty(), row.clipped);
            if (row.clipped) {
                // The clip is the cell's inner box: never wider or taller than the cell.
                EXPECT_GE(t.clip.left(), 100);
                EXPECT_LE(t.clip.right(), 100 + row.width);
                EXPECT_GE(t.clip.top(), 50);
                EXPECT_LE(t.clip.bottom(), 50 + row.height);
            }
        }
    }
}

TEST_F(CellOutput, OverflowingTextLeavesNoInkOutsideItsCell)
{
    TfrMemoView *v = cell(QStringLiteral("ШШШШШШШШШШШШШШШШШШШШ"), 60, 20);
    v->FrameTyp = 0;
    v->Alignment = frtaCenter;
    QImage image(300, 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        v->Draw(&p);
    }
    int inside = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) > 128)
                continue;
            ++inside;
            EXPECT_TRUE(x >= 100 && x < 160 && y >= 50 && y < 70) << "ink at " << x << "," << y;
        }
    EXPECT_GT(inside, 20) << "the part inside the cell is drawn";
}

TEST_F(CellOutput, SolidSidesOfEveryWidthKeepTheirOrderAndPen)
{
    for (const double width : {0.5, 1.0, 3.0}) {
        SCOPED_TRACE(width);
        TfrMemoView *v = cell(QString(), 50, 20);
        v->FrameWidth = width;
        v->FrameColor = 0x0000FF; // red
        TfrRecordingDevice d;
        drawOn(d, *v);
        ASSERT_EQ(d.lines.size(), 4u);
        EXPECT_EQ(d.lines[0].line, QLineF(150, 50, 150, 70)) << "right";
        EXPECT_EQ(d.lines[1].line, QLineF(100, 50, 100, 70)) << "left";
        EXPECT_EQ(d.lines[2].line, QLineF(100, 70, 150, 70)) << "bottom";
        EXPECT_EQ(d.lines[3].line, QLineF(100, 50, 150, 50)) << "top";
        for (const TfrRecordedLine &l : d.lines) {
            EXPECT_EQ(l.pen.color(), QColor(Qt::red));
            EXPECT_EQ(l.pen.width(), frRound(width));
            EXPECT_EQ(l.pen.style(), Qt::SolidLine);
            EXPECT_EQ(l.pen.capStyle(), Qt::SquareCap) << "the ends reach the corners";
        }
    }
}

} // namespace
