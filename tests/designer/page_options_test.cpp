// "Параметры страницы…" driven through its controls: the paper goes to the page through
// ChangePaper (its geometry follows), margins, columns and the page flags change as the
// dialog says, as one undo step; Cancel, or OK without a change, leaves the template as it
// was; values that leave no page are refused with a message. Under the Russian locale.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QUndoStack>
#include <functional>
#include <gtest/gtest.h>

#include "report/designer/designer_document.h"
#include "report/designer/designer_editors.h"
#include "report/designer/designer_window.h"
#include "report/designer/page_options_dialog.h"
#include "report/eval/globals.h"
#include "report/eval/ui_hooks.h"
#include "report/model/page.h"
#include "report/model/paper.h"
#include "report/model/report.h"

namespace {

class PageOptions : public testing::Test {
protected:
    void SetUp() override
    {
        savedLocale = QLocale();
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        savedMessageBox = frUiHooks().MessageBox;
        frUiHooks().MessageBox = [this](const QString &text, const QString &, int) {
            messages.append(text);
            return 1;
        };
        doc.SetSavedState();
    }
    void TearDown() override
    {
        frUiHooks().MessageBox = savedMessageBox;
        QLocale::setDefault(savedLocale);
        CurReport = nullptr;
        CurPage = nullptr;
    }
    TfrPage &page() { return *doc.CurrentPage(); }
    template <class T>
    static T *control(QWidget *dialog, const char *name)
    {
        T *w = dialog->findChild<T *>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Runs the dialog as the window does, with set() acting on it before OK or Cancel.
    bool runDialog(const std::function<void(QDialog *)> &set, bool accept)
    {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            seen = true;
            set(dialog);
            accept ? dialog->accept() : dialog->reject();
            // A refused OK leaves the dialog open: close it as a person would.
            if (dialog->isVisible())
                dialog->reject();
        });
        const bool changed = frEditPageOptions(nullptr, doc);
        EXPECT_TRUE(seen);
        return changed;
    }
    static void setPaper(QDialog *d, int code)
    {
        auto *paper = control<QComboBox>(d, "paper_size");
        const int i = paper->findData(code);
        ASSERT_GE(i, 0) << code;
        paper->setCurrentIndex(i);
    }

    TfrDesignerDocument doc;
    QStringList messages;
    QLocale savedLocale;
    std::function<int(const QString &, const QString &, int)> savedMessageBox;
};

} // namespace

TEST_F(PageOptions, ShowsThePageInMillimetresWithADecimalComma)
{
    page().pgMargins.Left = 72; // 20 mm
    TfrPageOptionsDialog dialog(page());
    EXPECT_EQ(control<QComboBox>(&dialog, "paper_size")->currentData().toInt(), 9);
    EXPECT_EQ(control<QDoubleSpinBox>(&dialog, "paper_width")->text(), QStringLiteral("210,0 мм"));
    EXPECT_EQ(control<QDoubleSpinBox>(&dialog, "paper_height")->text(), QStringLiteral("297,0 мм"));
    EXPECT_FALSE(control<QDoubleSpinBox>(&dialog, "paper_width")->isEnabled()) << "a printer's paper has its size";
    EXPECT_TRUE(control<QRadioButton>(&dialog, "orientation_portrait")->isChecked());
    EXPECT_EQ(control<QDoubleSpinBox>(&dialog, "margin_left")->text(), QStringLiteral("20,0 мм"));
    EXPECT_EQ(control<QSpinBox>(&dialog, "columns")->value(), 1);
    // The paper list is the printer's, with a size of one's own.
    auto *paper = control<QComboBox>(&dialog, "paper_size");
    EXPECT_EQ(paper->count(), frPaper().PaperCount());
    EXPECT_GE(paper->findData(frCustomPaperSize), 0);
}

TEST_F(PageOptions, OkAppliesPaperMarginsColumnsAndFlagsAsOneStepThatUndoes)
{
    const QByteArray before = doc.Snapshot();
    const bool changed = runDialog(
        [](QDialog *d) {
            setPaper(d, 11); // A5
            control<QRadioButton>(d, "orientation_landscape")->setChecked(true);
            // The sheet turned: A5 landscape is 210 × 148 mm.
            EXPECT_DOUBLE_EQ(control<QDoubleSpinBox>(d, "paper_width")->value(), 210.0);
            EXPECT_DOUBLE_EQ(control<QDoubleSpinBox>(d, "paper_height")->value(), 148.0);
            control<QDoubleSpinBox>(d, "margin_left")->setValue(20);
            control<QDoubleSpinBox>(d, "margin_top")->setValue(10.5);
            control<QSpinBox>(d, "columns")->setValue(2);
            control<QDoubleSpinBox>(d, "column_gap")->setValue(5);
            control<QCheckBox>(d, "print_to_prev_page")->setChecked(true);
        },
        true);
    ASSERT_TRUE(changed);
    EXPECT_EQ(page().pgSize, 11);
    EXPECT_EQ(page().pgOr, 1);
    EXPECT_EQ(page().pgWidth, 2100);
    EXPECT_EQ(page().pgHeight, 1480);
    // ChangePaper ran: the page's geometry is the new paper's.
    EXPECT_EQ(page().PrnInfo.Pgw, frTenthsMmToPixels(2100));
    EXPECT_EQ(page().PrnInfo.Pgh, frTenthsMmToPixels(1480));
    EXPECT_EQ(page().pgMargins.Left, frMmToPixels(20));
    EXPECT_EQ(page().pgMargins.Top, frMmToPixels(10.5));
    EXPECT_EQ(page().pgMargins.Right, 0) << "untouched margins stay";
    EXPECT_EQ(page().Columns, 2);
    EXPECT_EQ(page().ColGap, frMmToPixels(5));
    EXPECT_TRUE(page().PrintToPrevPage);
    EXPECT_TRUE(page().applyMargins);
    EXPECT_EQ(doc.UndoStack().count(), 1);
    EXPECT_TRUE(doc.IsModified());

    doc.UndoStack().undo();
    EXPECT_EQ(doc.Snapshot(), before) << "undo gives the template back byte for byte";
    EXPECT_EQ(page().pgSize, 9);
    EXPECT_EQ(page().PrnInfo.Pgw, frTenthsMmToPixels(2100));
    EXPECT_EQ(page().PrnInfo.Pgh, frTenthsMmToPixels(2970));
}

TEST_F(PageOptions, CancelAndOkWithoutAChangeLeaveNoTrace)
{
    // Pixels that millimetres with one decimal do not hit exactly.
    doc.Edit(QStringLiteral("setup"), [&] {
        doc.Report().SetProperty(page(), QStringLiteral("LeftMargin"), TfrVariant(37));
        doc.Report().SetProperty(page(), QStringLiteral("RightMargin"), TfrVariant(19));
    });
    doc.UndoStack().clear();
    doc.SetSavedState();
    const QByteArray before = doc.Snapshot();
    EXPECT_FALSE(runDialog(
        [](QDialog *d) {
            setPaper(d, 8);
            control<QDoubleSpinBox>(d, "margin_bottom")->setValue(30);
            control<QCheckBox>(d, "stretch_to_printable")->setChecked(true);
        },
        false));
    EXPECT_EQ(doc.Snapshot(), before);
    EXPECT_FALSE(runDialog([](QDialog *) {}, true));
    EXPECT_EQ(doc.Snapshot(), before) << "shown millimetres are rounded; an untouched margin keeps its pixels";
    EXPECT_EQ(doc.UndoStack().count(), 0);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
}

TEST_F(PageOptions, SizeOfOnesOwnAndThePrintableArea)
{
    ASSERT_TRUE(runDialog(
        [](QDialog *d) {
            setPaper(d, frCustomPaperSize);
            auto *w = control<QDoubleSpinBox>(d, "paper_width");
            EXPECT_TRUE(w->isEnabled());
            w->setValue(100.5);
            control<QDoubleSpinBox>(d, "paper_height")->setValue(150);
            control<QCheckBox>(d, "stretch_to_printable")->setChecked(true);
        },
        true));
    EXPECT_EQ(page().pgSize, frCustomPaperSize);
    EXPECT_EQ(page().pgWidth, 1005);
    EXPECT_EQ(page().pgHeight, 1500);
    EXPECT_EQ(page().PrnInfo.Pgw, frTenthsMmToPixels(1005));
    EXPECT_FALSE(page().applyMargins);
    EXPECT_TRUE(page().GetPropValue(QStringLiteral("StretchToPrintable")).toBoolean());
    EXPECT_EQ(page().LeftMargin(), 0) << "the page covers the whole sheet";

    // And back to a printer's paper through the dialog: the printable area applies again.
    ASSERT_TRUE(runDialog(
        [](QDialog *d) {
            setPaper(d, 9);
            control<QCheckBox>(d, "stretch_to_printable")->setChecked(false);
        },
        true));
    EXPECT_EQ(page().pgSize, 9);
    EXPECT_EQ(page().pgWidth, 2100);
    EXPECT_TRUE(page().applyMargins);
    EXPECT_EQ(page().LeftMargin(), page().PrnInfo.Ofx) << "margin 0 is the printable-area edge";
    EXPECT_EQ(doc.UndoStack().count(), 2);
}

TEST_F(PageOptions, ColumnWidthAndGapFollowEachOther)
{
    TfrPageOptionsDialog dialog(page());
    auto *columns = control<QSpinBox>(&dialog, "columns");
    auto *width = control<QDoubleSpinBox>(&dialog, "column_width");
    auto *gap = control<QDoubleSpinBox>(&dialog, "column_gap");
    EXPECT_FALSE(width->isEnabled()) << "one column has no width of its own";
    control<QDoubleSpinBox>(&dialog, "margin_left")->setValue(20);
    control<QDoubleSpinBox>(&dialog, "margin_right")->setValue(10);
    columns->setValue(3);
    gap->setValue(6);
    // 210 − 20 − 10 = 180 mm for three columns and two gaps.
    EXPECT_DOUBLE_EQ(width->value(), 56.0);
    width->setValue(50);
    EXPECT_DOUBLE_EQ(gap->value(), 15.0);
    EXPECT_EQ(dialog.Options().columnGap, frMmToPixels(15));
    EXPECT_TRUE(dialog.Check().isEmpty());
}

TEST_F(PageOptions, ValuesThatLeaveNoPageAreRefusedWithAMessage)
{
    const QByteArray before = doc.Snapshot();
    EXPECT_FALSE(runDialog(
        [](QDialog *d) {
            control<QDoubleSpinBox>(d, "margin_left")->setValue(120);
            control<QDoubleSpinBox>(d, "margin_right")->setValue(90);
        },
        true));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.front().contains(QStringLiteral("Поля не оставляют места"))) << messages.front().toStdString();
    EXPECT_TRUE(messages.front().contains(QStringLiteral("210,0"))) << "sizes in the user's notation";
    EXPECT_EQ(doc.Snapshot(), before);

    messages.clear();
    EXPECT_FALSE(runDialog(
        [](QDialog *d) {
            control<QSpinBox>(d, "columns")->setValue(40);
            control<QDoubleSpinBox>(d, "column_gap")->setValue(10);
        },
        true));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.front().contains(QStringLiteral("не помещаются"))) << messages.front().toStdString();
    EXPECT_EQ(doc.Snapshot(), before);
    EXPECT_EQ(doc.UndoStack().count(), 0);
}

TEST_F(PageOptions, TheWindowsMenuItemOpensItOnTheCurrentPage)
{
    QTemporaryDir dir;
    frDesignerSettings().settingsFile = dir.filePath(QStringLiteral("designer.ini"));
    frDesignerSettings().recoveryFolder = dir.filePath(QStringLiteral("recovery"));
    {
        TfrDesignerWindow w;
        TfrDesignerDocument &wdoc = w.Document();
        QTimer::singleShot(0, [] {
            auto *dialog = qobject_cast<TfrPageOptionsDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            control<QRadioButton>(dialog, "orientation_landscape")->setChecked(true);
            dialog->accept();
        });
        w.Action(QStringLiteral("action_page_setup"))->trigger();
        EXPECT_EQ(wdoc.CurrentPage()->pgOr, 1);
        EXPECT_GT(wdoc.CurrentPage()->PrnInfo.Pgw, wdoc.CurrentPage()->PrnInfo.Pgh);
        EXPECT_TRUE(wdoc.IsModified());
        wdoc.SetSavedState();
    }
    frDesignerSettings() = TfrDesignerSettings{};
}
