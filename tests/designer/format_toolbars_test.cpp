// The text and frame tool bars on a selection of several objects, driven through their
// buttons, menus and fields: each press is one undo step over every selected object that
// has the property, the template changes accordingly, and the bars show the state after,
// with values the objects differ in shown unset.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>
#include <QWidgetAction>
#include <gtest/gtest.h>

#include "report/designer/designer_canvas.h"
#include "report/designer/designer_document.h"
#include "report/designer/designer_window.h"
#include "report/designer/format_toolbars.h"
#include "report/eval/stream.h"
#include "report/eval/globals.h"
#include "report/model/band_view.h"
#include "report/model/line_view.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/report.h"

namespace {

// Three texts (one italic and centred in the middle, one of 12 points, one bold), a line
// and a band, and both bars over the document.
class ToolBars : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc.Edit(QStringLiteral("setup"), [&] {
            TfrPage &page = *doc.CurrentPage();
            auto band = std::make_unique<TfrBandView>();
            band->Name = QStringLiteral("MasterData1");
            band->SetBandType(btMasterData);
            band->SetBounds(0, 100, 700, 100);
            B1 = page.Add(std::move(band));
            M1 = addMemo(page, QStringLiteral("M1"), 40);
            M1->Font.Style = 1;
            M1->Alignment = frtaMiddle;
            M2 = addMemo(page, QStringLiteral("M2"), 160);
            M2->Font.Size = 12;
            M3 = addMemo(page, QStringLiteral("M3"), 280);
            M3->Font.Style = 2;
            auto line = std::make_unique<TfrLineView>();
            line->Name = QStringLiteral("Line1");
            line->SetBounds(40, 150, 300, 0);
            line->FrameTyp = frftTop;
            L1 = page.Add(std::move(line));
        });
        doc.UndoStack().clear();
        text = std::make_unique<TfrTextToolBar>(doc);
        frame = std::make_unique<TfrFrameToolBar>(doc);
        savedChooser = frToolBarColorChooser();
    }
    void TearDown() override
    {
        frToolBarColorChooser() = savedChooser;
        CurReport = nullptr;
        CurPage = nullptr;
    }

    static TfrMemoView *addMemo(TfrPage &page, const QString &name, int left)
    {
        auto memo = std::make_unique<TfrMemoView>();
        memo->Name = name;
        memo->SetBounds(left, 110, 100, 20);
        memo->Memo = QStringList{name};
        return static_cast<TfrMemoView *>(page.Add(std::move(memo)));
    }

    // Undo replaces every object: the pointers are found again by name.
    void refind()
    {
        M1 = static_cast<TfrMemoView *>(doc.Report().FindObject(QStringLiteral("M1")));
        M2 = static_cast<TfrMemoView *>(doc.Report().FindObject(QStringLiteral("M2")));
        M3 = static_cast<TfrMemoView *>(doc.Report().FindObject(QStringLiteral("M3")));
        L1 = doc.Report().FindObject(QStringLiteral("Line1"));
        B1 = doc.Report().FindObject(QStringLiteral("MasterData1"));
    }
    QList<TfrMemoView *> texts() const { return {M1, M2, M3}; }

    QAction *action(QWidget &bar, const char *name) const
    {
        auto *a = bar.findChild<QAction *>(QString::fromLatin1(name));
        EXPECT_NE(a, nullptr) << name;
        return a;
    }
    template <class W>
    W *widget(QWidget &bar, const char *name) const
    {
        auto *w = bar.findChild<W *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Types into an editable combo box's field and presses Enter, as a person does.
    static void typeInto(QComboBox *combo, const QString &value)
    {
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), value);
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    }
    int steps() const { return doc.UndoStack().count(); }

    TfrDesignerDocument doc;
    TfrMemoView *M1 = nullptr, *M2 = nullptr, *M3 = nullptr;
    TfrView *L1 = nullptr, *B1 = nullptr;
    std::unique_ptr<TfrTextToolBar> text;
    std::unique_ptr<TfrFrameToolBar> frame;
    TfrColorChooser savedChooser;
};

} // namespace

TEST_F(ToolBars, StyleButtonsSetAndClearTheStyleOnEverySelectedTextInOneStep)
{
    doc.SetSelection({M1, M2, M3, B1});
    QAction *bold = action(*text, "text_bold");
    QAction *italic = action(*text, "text_italic");
    EXPECT_TRUE(bold->isEnabled()) << "a band in the selection does not stop the texts";
    EXPECT_FALSE(bold->isChecked()) << "only one of three is bold";
    EXPECT_FALSE(italic->isChecked());

    bold->trigger();
    EXPECT_EQ(steps(), 1);
    EXPECT_EQ(M1->Font.Style, 3) << "bold added, italic kept";
    EXPECT_EQ(M2->Font.Style, 2);
    EXPECT_EQ(M3->Font.Style, 2);
    EXPECT_TRUE(bold->isChecked());

    bold->trigger();
    EXPECT_EQ(steps(), 2);
    for (TfrMemoView *m : texts())
        EXPECT_EQ(m->Font.Style & 2, 0) << m->Name.toStdString();
    EXPECT_EQ(M1->Font.Style, 1);
    EXPECT_FALSE(bold->isChecked());

    for (const char *name : {"text_underline", "text_strikeout"}) {
        action(*text, name)->trigger();
        EXPECT_TRUE(action(*text, name)->isChecked()) << name;
    }
    EXPECT_EQ(M2->Font.Style, 4 | 8);
    EXPECT_EQ(steps(), 4);

    // After undo the bar shows the state the template is back in.
    doc.UndoStack().undo();
    doc.UndoStack().undo();
    doc.UndoStack().undo();
    QApplication::processEvents();
    refind();
    EXPECT_EQ(M2->Font.Style, 2);
    EXPECT_TRUE(bold->isChecked());
    EXPECT_FALSE(action(*text, "text_underline")->isChecked());
}

TEST_F(ToolBars, AlignmentRotationColourAndWordWrapActOnEveryText)
{
    doc.SetSelection({M1, M2, M3});
    QAction *centre = action(*text, "text_align_center");
    QAction *left = action(*text, "text_align_left");
    EXPECT_TRUE(left->isChecked()) << "all three are left-aligned";
    centre->trigger();
    EXPECT_EQ(M1->Alignment, frtaMiddle | frtaCenter) << "the vertical position stays";
    EXPECT_EQ(M2->Alignment, frtaCenter);
    EXPECT_TRUE(centre->isChecked());
    EXPECT_FALSE(left->isChecked());
    action(*text, "text_align_justify")->trigger();
    EXPECT_EQ(M3->Alignment, frtaJustify);

    QAction *middle = action(*text, "text_valign_middle");
    EXPECT_FALSE(middle->isChecked()) << "only M1 is in the middle";
    EXPECT_FALSE(action(*text, "text_valign_top")->isChecked());
    action(*text, "text_valign_bottom")->trigger();
    for (TfrMemoView *m : texts())
        EXPECT_EQ(m->Alignment, frtaDown | frtaJustify) << m->Name.toStdString();
    EXPECT_TRUE(action(*text, "text_valign_bottom")->isChecked());

    QAction *rotate = action(*text, "text_rotate");
    rotate->trigger();
    for (TfrMemoView *m : texts())
        EXPECT_TRUE(m->Alignment & frtaVertical);
    EXPECT_TRUE(rotate->isChecked());
    EXPECT_EQ(steps(), 4);

    // Colours from the button's menu, and any other through the colour dialog.
    action(*text, "text_color_clRed")->trigger();
    for (TfrMemoView *m : texts())
        EXPECT_EQ(m->Font.Color, 0x0000FF);
    frToolBarColorChooser() = [](QWidget *, qint32 &c) {
        c = 0x123456;
        return true;
    };
    action(*text, "text_color_other")->trigger();
    for (TfrMemoView *m : texts())
        EXPECT_EQ(m->Font.Color, 0x123456);
    frToolBarColorChooser() = [](QWidget *, qint32 &) { return false; };
    action(*text, "text_color_other")->trigger();
    EXPECT_EQ(steps(), 6) << "a cancelled colour dialog changes nothing";

    QAction *wrap = action(*text, "text_word_wrap");
    EXPECT_TRUE(wrap->isChecked()) << "new texts wrap";
    wrap->trigger();
    for (TfrMemoView *m : texts())
        EXPECT_EQ(m->Flags & flWordWrap, 0);
    EXPECT_FALSE(wrap->isChecked());
    EXPECT_EQ(steps(), 7);
}

TEST_F(ToolBars, FontNameAndSizeAreTypedIntoTheirFields)
{
    text->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(text.get()));
    doc.SetSelection({M1, M2, M3});
    auto *size = widget<QComboBox>(*text, "text_font_size");
    EXPECT_TRUE(size->currentText().isEmpty()) << "10, 12 and 10 points: no common size";
    typeInto(size, QStringLiteral("14"));
    for (TfrMemoView *m : texts())
        EXPECT_EQ(m->Font.Size, 14);
    EXPECT_EQ(steps(), 1);
    EXPECT_EQ(size->currentText(), QStringLiteral("14"));

    const QByteArray before = doc.Snapshot();
    typeInto(size, QStringLiteral("abc"));
    typeInto(size, QStringLiteral("0"));
    EXPECT_EQ(doc.Snapshot(), before) << "a size that is no size changes nothing";
    EXPECT_EQ(steps(), 1);
    EXPECT_EQ(size->currentText(), QStringLiteral("14")) << "the field shows the size again";

    auto *name = widget<QFontComboBox>(*text, "text_font_name");
    EXPECT_EQ(name->currentText(), QStringLiteral("Arial"));
    typeInto(name, QStringLiteral("Courier New"));
    for (TfrMemoView *m : texts())
        EXPECT_EQ(m->Font.Name, QStringLiteral("Courier New"));
    EXPECT_EQ(steps(), 2);
    doc.SetSelection({M1});
    EXPECT_EQ(name->currentText(), QStringLiteral("Courier New"));
}

TEST_F(ToolBars, FrameSidesAllNoneWidthStyleAndColoursActOnEverySelectedObject)
{
    const QByteArray start = doc.Snapshot();
    doc.SetSelection({M1, M2, L1, B1});
    QAction *top = action(*frame, "frame_top");
    top->trigger();
    EXPECT_EQ(M1->FrameTyp, frftTop);
    EXPECT_EQ(M2->FrameTyp, frftTop);
    EXPECT_EQ(L1->FrameTyp, frftTop) << "a line's sides are its direction";
    EXPECT_EQ(static_cast<TfrBandView *>(B1)->GetBandType(), btMasterData) << "a band keeps its type";
    EXPECT_TRUE(top->isChecked());
    action(*frame, "frame_left")->trigger();
    EXPECT_EQ(M1->FrameTyp, frftTop | frftLeft);

    action(*frame, "frame_all")->trigger();
    EXPECT_EQ(M2->FrameTyp, frftTop | frftLeft | frftBottom | frftRight);
    for (const char *side : {"frame_top", "frame_bottom", "frame_left", "frame_right"})
        EXPECT_TRUE(action(*frame, side)->isChecked()) << side;
    action(*frame, "frame_none")->trigger();
    EXPECT_EQ(M1->FrameTyp, 0);
    EXPECT_FALSE(top->isChecked());
    EXPECT_EQ(steps(), 4);

    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    auto *width = widget<QComboBox>(*frame, "frame_width");
    typeInto(width, QLocale().toString(2.5));
    EXPECT_EQ(M1->FrameWidth, 2.5);
    EXPECT_EQ(M2->FrameWidth, 2.5);
    EXPECT_EQ(L1->FrameWidth, 2.5) << "a line's width is its frame's";
    EXPECT_EQ(width->currentText(), QLocale().toString(2.5));
    EXPECT_EQ(steps(), 5);
    // Widths out of reason are refused.
    typeInto(width, QStringLiteral("150"));
    typeInto(width, QStringLiteral("-1"));
    EXPECT_EQ(M1->FrameWidth, 2.5);
    EXPECT_EQ(steps(), 5);
    // A whole width above 10 reads back from the saved template as itself.
    typeInto(width, QStringLiteral("12"));
    EXPECT_EQ(M1->FrameWidth, 12);
    EXPECT_EQ(steps(), 6);
    {
        TfrReport copy;
        TfrStream stream(doc.Snapshot());
        ASSERT_TRUE(copy.LoadFromStream(stream));
        EXPECT_EQ(copy.FindObject(QStringLiteral("M1"))->FrameWidth, 12);
    }
    doc.UndoStack().undo();
    refind();

    auto *style = widget<QComboBox>(*frame, "frame_style");
    style->setCurrentIndex(psDouble);
    emit style->activated(psDouble);
    EXPECT_EQ(M1->FrameStyle, psDouble);
    EXPECT_EQ(L1->FrameStyle, psDouble);

    action(*frame, "frame_color_clBlue")->trigger();
    EXPECT_EQ(M2->FrameColor, 0xFF0000);
    EXPECT_EQ(L1->FrameColor, 0xFF0000);
    action(*frame, "fill_color_clYellow")->trigger();
    EXPECT_EQ(M1->FillColor, 0x00FFFF);
    action(*frame, "fill_color_clTransparent")->trigger();
    EXPECT_EQ(M1->FillColor, clNone);
    EXPECT_EQ(M2->FillColor, clNone);
    EXPECT_EQ(frame->findChild<QAction *>(QStringLiteral("frame_color_clTransparent")), nullptr)
        << "a frame always has a colour";
    EXPECT_EQ(steps(), 9);

    // Every press was one step: undoing them all gives the template back byte for byte.
    while (doc.UndoStack().canUndo())
        doc.UndoStack().undo();
    EXPECT_EQ(doc.Snapshot(), start);
}

TEST_F(ToolBars, DifferingValuesShowUnsetAndWhatNothingAppliesToIsDisabled)
{
    doc.Edit(QStringLiteral("differ"), [&] {
        doc.Report().SetProperty(*M2, QStringLiteral("FrameWidth"), TfrVariant(2.0));
        doc.Report().SetProperty(*M2, QStringLiteral("FrameStyle"), TfrVariant(int(psDash)));
        doc.Report().SetProperty(*M2, QStringLiteral("FrameTyp"), TfrVariant(int(frftTop)));
    });
    doc.SetSelection({M1, M2});
    EXPECT_TRUE(widget<QComboBox>(*frame, "frame_width")->currentText().isEmpty());
    EXPECT_EQ(widget<QComboBox>(*frame, "frame_style")->currentIndex(), -1);
    EXPECT_FALSE(action(*frame, "frame_top")->isChecked());
    doc.SetSelection({M2});
    EXPECT_EQ(widget<QComboBox>(*frame, "frame_width")->currentText(), QLocale().toString(2.0));
    EXPECT_EQ(widget<QComboBox>(*frame, "frame_style")->currentIndex(), int(psDash));
    EXPECT_TRUE(action(*frame, "frame_top")->isChecked());

    doc.ClearSelection();
    for (const char *name : {"text_bold", "text_align_center", "text_rotate", "text_word_wrap"})
        EXPECT_FALSE(action(*text, name)->isEnabled()) << name;
    for (const char *name : {"frame_top", "frame_all", "frame_none"})
        EXPECT_FALSE(action(*frame, name)->isEnabled()) << name;
    EXPECT_FALSE(widget<QComboBox>(*text, "text_font_size")->isEnabled());
    EXPECT_FALSE(widget<QComboBox>(*frame, "frame_width")->isEnabled());

    // A line has a frame's width and style but no sides and no text.
    doc.SetSelection({L1});
    EXPECT_FALSE(action(*text, "text_bold")->isEnabled());
    EXPECT_FALSE(action(*frame, "frame_top")->isEnabled());
    EXPECT_TRUE(widget<QComboBox>(*frame, "frame_width")->isEnabled());
    // A band has none of these; an object that may not be modified is left alone.
    doc.SetSelection({B1});
    EXPECT_FALSE(widget<QComboBox>(*frame, "frame_width")->isEnabled());
    doc.Edit(QStringLiteral("lock"), [&] {
        doc.Report().SetProperty(*M3, QStringLiteral("Restrictions"), TfrVariant(int(frrfDontModify)));
    });
    refind();
    doc.SetSelection({M3});
    EXPECT_FALSE(action(*text, "text_bold")->isEnabled());
    doc.SetSelection({M1, M3});
    action(*text, "text_underline")->trigger();
    EXPECT_EQ(M1->Font.Style, 1 | 4);
    EXPECT_EQ(M3->Font.Style, 2) << "the locked text keeps its style";
    EXPECT_TRUE(action(*text, "text_underline")->isChecked()) << "the bar shows what it acts on";
}

TEST(ToolBarsInWindow, EveryControlIsNamedAndActsOnTheWindowsSelection)
{
    QTemporaryDir dir;
    frDesignerSettings().settingsFile = dir.filePath(QStringLiteral("designer.ini"));
    frDesignerSettings().recoveryFolder = dir.filePath(QStringLiteral("recovery"));
    {
        TfrDesignerWindow w;
        auto *text = w.findChild<TfrTextToolBar *>(QStringLiteral("toolbar_text"));
        auto *frame = w.findChild<TfrFrameToolBar *>(QStringLiteral("toolbar_frame"));
        ASSERT_NE(text, nullptr);
        ASSERT_NE(frame, nullptr);
        for (QToolBar *bar : {static_cast<QToolBar *>(text), static_cast<QToolBar *>(frame)}) {
            for (QAction *a : bar->actions()) {
                if (!a->isSeparator() && !qobject_cast<QWidgetAction *>(a)) {
                    EXPECT_FALSE(a->objectName().isEmpty()) << a->text().toStdString();
                }
            }
            for (QWidget *c : bar->findChildren<QWidget *>()) {
                if (qobject_cast<QComboBox *>(c) || qobject_cast<QToolButton *>(c)) {
                    EXPECT_FALSE(c->objectName().isEmpty()) << c->metaObject()->className();
                }
            }
        }
        TfrDesignerCanvas &canvas = w.Canvas();
        TfrDesignTool tool;
        tool.objectType = otMemo;
        TfrView *a = canvas.InsertObject(tool, QRect(40, 40, 100, 20));
        TfrView *b = canvas.InsertObject(tool, QRect(40, 80, 100, 20));
        ASSERT_TRUE(a && b);
        w.Document().SetSelection({a, b});
        const int steps = w.Document().UndoStack().count();
        text->findChild<QAction *>(QStringLiteral("text_bold"))->trigger();
        EXPECT_EQ(w.Document().UndoStack().count(), steps + 1);
        for (const char *name : {"Memo1", "Memo2"})
            EXPECT_EQ(static_cast<TfrMemoView *>(w.Document().Report().FindObject(QString::fromLatin1(name)))->Font.Style, 2);
        w.Document().SetSavedState();
    }
    frDesignerSettings() = TfrDesignerSettings{};
    CurReport = nullptr;
    CurPage = nullptr;
}
