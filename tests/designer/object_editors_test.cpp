// The object editors driven through their controls: the text editor (opened by a
// double-click on the page), the expression builder, the highlight and the display-format
// dialogs (opened by the inspector's "…"). Each checks the template afterwards; Cancel must
// leave the template's bytes and the undo history as they were.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QScopeGuard>
#include <QUndoStack>
#include <functional>
#include <gtest/gtest.h>

#include "dialog_answers.h"
#include "report/designer/color_combo.h"
#include "report/designer/designer_canvas.h"
#include "report/designer/designer_document.h"
#include "report/designer/designer_editors.h"
#include "report/designer/designer_window.h"
#include "report/designer/expression_builder.h"
#include "report/designer/expression_check.h"
#include "report/designer/format_dialog.h"
#include "report/designer/highlight_dialog.h"
#include "report/designer/memo_editor.h"
#include "report/designer/object_inspector.h"
#include "report/designer/script_editor.h"
#include "report/engine/prepared_pages.h"
#include "report/engine/report_builder.h"
#include "report/eval/db_dataset.h"
#include "report/eval/format_settings.h"
#include "report/eval/globals.h"
#include "report/eval/table_cursor.h"
#include "report/model/band_view.h"
#include "report/model/geometry.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/report.h"

namespace {

// ---- the parser's check ----

TEST(ExpressionCheck, AcceptsWhatTheParserEvaluatesAndRefusesWithItsMessage)
{
    struct Row {
        const char *expression;
        bool accepted;
        const char *message; // a part of the parser's message
    };
    const Row rows[] = {
        {"2 + 3 * 4", true, ""},
        {"[Table1.\"Sum\"] * 2", true, ""},
        {"IF([Amount] > 0, 'да', 'нет')", true, ""},
        {"COPY([Name], 1, 3)", true, ""},             // values unknown to the check: no reason to refuse
        {"STRTODATE([Day])", true, ""},
        {"SUM([Amount], MasterData1)", true, ""},
        {"10 MOD [Count]", true, ""},                 // a division by a value the data decides
        {"[Sum total] + 1", true, ""},
        {"'It''s' + [x]", true, ""},
        {"(a = 1) or (b = 2)", true, ""},
        {"2 +", false, "Missing operand"},
        {"* 3", false, "Missing operand"},
        {"1 2", false, "Missing operator"},
        {"SUM([Amount]", false, "скобка"},            // a call without ")"
        {"(2 + 3", false, "скобка"},
        {"1.2.3 + 1", false, "is not a valid floating point value"},
        {"IF([x] > 0, 'a', 1 +)", false, "Missing operand"}, // the branch IF would not take
        {"COPY('abc', 'x', 1)", false, "'x'"},        // a literal that is no number
        {"SUM([Amount] +) / 2", false, "Missing operand"},   // an argument of a catalogue function
        {"[[a] +] * 2", false, "Missing operand"},    // a bracket group's content
        {"'abc' * 2", false, "convert"},
    };
    for (const Row &row : rows) {
        QString message;
        const bool ok = frCheckExpression(QString::fromUtf8(row.expression), &message);
        EXPECT_EQ(ok, row.accepted) << row.expression << ": " << message.toStdString();
        if (!row.accepted) {
            EXPECT_TRUE(message.contains(QString::fromUtf8(row.message)))
                << row.expression << ": " << message.toStdString();
        }
    }
    // An inline format belongs to the text, not to the expression.
    EXPECT_TRUE(frCheckExpression(QStringLiteral("[Sum] #N0.2"), nullptr, true));
}

// ---- a document with two text objects on a data band ----

class ObjectEditors : public testing::Test {
protected:
    void SetUp() override
    {
        doc.Edit(QStringLiteral("setup"), [&] {
            TfrPage &page = *doc.CurrentPage();
            auto band = std::make_unique<TfrBandView>();
            band->Name = QStringLiteral("MasterData1");
            band->SetBandType(btMasterData);
            band->SetBounds(0, 100, 700, 40);
            page.Add(std::move(band));
            for (const auto &[name, left] : {std::pair{"Memo1", 10}, std::pair{"Memo2", 200}}) {
                auto memo = std::make_unique<TfrMemoView>();
                memo->Name = QString::fromLatin1(name);
                memo->SetBounds(left, 110, 150, 18);
                memo->Memo = QStringList{QStringLiteral("[Amount]")};
                page.Add(std::move(memo));
            }
        });
        doc.UndoStack().clear();
        doc.SetSavedState();
    }
    TfrMemoView *memo(const char *name) const
    {
        return dynamic_cast<TfrMemoView *>(doc.CurrentPage()->FindObject(QString::fromLatin1(name)));
    }
    int steps() const { return doc.UndoStack().count(); }

    // The inspector's "…" of a property, as a person presses it.
    TfrDesignerDocument doc;
};

// ---- expression builder ----

TEST_F(ObjectEditors, BuilderRefusesWhatTheParserRefusesAndShowsItsMessage)
{
    TfrExpressionBuilder builder(&doc);
    builder.show();
    auto *edit = child<QLineEdit>(&builder, "expression_edit");
    auto *message = child<QLabel>(&builder, "check_message");
    ASSERT_TRUE(edit && message);

    typeInto(edit, QStringLiteral("[Amount]"));
    child<QToolButton>(&builder, "op_plus")->click();
    EXPECT_EQ(edit->text(), QStringLiteral("[Amount] + "));
    clickOk(&builder);
    EXPECT_TRUE(builder.isVisible()) << "an expression the parser refuses cannot be accepted";
    EXPECT_NE(builder.result(), QDialog::Accepted);
    EXPECT_TRUE(message->text().contains(QStringLiteral("Missing operand"))) << message->text().toStdString();

    // Editing clears the verdict; "Проверить" gives it again.
    edit->end(false);
    typeInto(edit, QStringLiteral("[Amount] + 1,5 * (2"));
    EXPECT_TRUE(message->text().isEmpty());
    child<QPushButton>(&builder, "check_button")->click();
    EXPECT_TRUE(message->text().contains(QStringLiteral("скобка"))) << message->text().toStdString();
    EXPECT_TRUE(builder.isVisible());

    child<QToolButton>(&builder, "op_close")->click();
    child<QPushButton>(&builder, "check_button")->click();
    EXPECT_EQ(message->text(), QStringLiteral("Выражение правильное"));
    clickOk(&builder);
    EXPECT_EQ(builder.result(), QDialog::Accepted);
    EXPECT_EQ(builder.Expression(), QStringLiteral("[Amount] + 1,5 * (2)"));

    // An inline format belongs in a text's brackets only.
    typeInto(edit, QStringLiteral("[Amount] #N0.2"));
    EXPECT_FALSE(builder.Check());
    builder.SetInlineFormatAllowed(true);
    EXPECT_TRUE(builder.Check());

    // An empty expression is no expression; an empty condition is no condition.
    TfrExpressionBuilder empty(&doc);
    empty.show();
    clickOk(&empty);
    EXPECT_TRUE(empty.isVisible());
    empty.SetEmptyAllowed(true);
    clickOk(&empty);
    EXPECT_EQ(empty.result(), QDialog::Accepted);
}

TEST_F(ObjectEditors, BuilderEntryGivesTheExpressionOnOkOnly)
{
    QString expression = QStringLiteral("1");
    auto answer = whenOpen<TfrExpressionBuilder>([](TfrExpressionBuilder *b) {
        typeInto(b->findChild<QLineEdit *>(QStringLiteral("expression_edit")), QStringLiteral("PAGE# > 1"));
        clickCancel(b);
    });
    EXPECT_FALSE(frBuildExpression(nullptr, doc, expression));
    EXPECT_EQ(expression, QStringLiteral("1"));

    answer = whenOpen<TfrExpressionBuilder>([](TfrExpressionBuilder *b) {
        typeInto(b->findChild<QLineEdit *>(QStringLiteral("expression_edit")), QStringLiteral("PAGE# > 1"));
        clickOk(b);
    });
    EXPECT_TRUE(frBuildExpression(nullptr, doc.Report(), expression)) << "also without a document";
    EXPECT_EQ(expression, QStringLiteral("PAGE# > 1"));
}

// ---- text editor ----

TEST_F(ObjectEditors, DoubleClickOpensTheTextEditorWhoseOkIsOneStepAndCancelNothing)
{
    QTemporaryDir dir;
    frDesignerSettings().settingsFile = dir.filePath(QStringLiteral("designer.ini"));
    frDesignerSettings().recoveryFolder = dir.filePath(QStringLiteral("recovery"));
    const auto restore = qScopeGuard([] { frDesignerSettings() = TfrDesignerSettings{}; });
    TfrDesignerWindow w;
    TfrDesignerDocument &wdoc = w.Document();
    wdoc.Edit(QStringLiteral("setup"), [&] {
        auto band = std::make_unique<TfrBandView>();
        band->Name = QStringLiteral("MasterData1");
        band->SetBandType(btMasterData);
        band->SetBounds(0, 100, 700, 40);
        wdoc.CurrentPage()->Add(std::move(band));
        auto memo = std::make_unique<TfrMemoView>();
        memo->Name = QStringLiteral("Memo1");
        memo->SetBounds(20, 110, 200, 18);
        memo->Memo = QStringList{QStringLiteral("Итого:")};
        wdoc.CurrentPage()->Add(std::move(memo));
    });
    w.resize(1200, 700);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    TfrDesignerCanvas &canvas = w.Canvas();
    TfrView *target = wdoc.CurrentPage()->FindObject(QStringLiteral("Memo1"));
    const QPoint at = canvas.WidgetRect(*target).center();
    const QByteArray before = wdoc.Snapshot();
    const int stepsBefore = wdoc.UndoStack().count();

    // Cancel after typing: nothing changes.
    auto answer = whenOpen<TfrMemoEditor>([](TfrMemoEditor *e) {
        child<QPlainTextEdit>(e, "memo_lines")->setPlainText(QStringLiteral("другое"));
        clickCancel(e);
    });
    QTest::mouseDClick(&canvas, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_FALSE(answer->isActive()) << "the text editor did not open";
    EXPECT_EQ(wdoc.Snapshot(), before);
    EXPECT_EQ(wdoc.UndoStack().count(), stepsBefore);

    // OK (Ctrl+Enter: Enter is a new line) without a change leaves no step.
    answer = whenOpen<TfrMemoEditor>([](TfrMemoEditor *e) {
        auto *lines = child<QPlainTextEdit>(e, "memo_lines");
        QTest::keyClick(lines, Qt::Key_Return, Qt::ControlModifier);
        if (e->isVisible()) {
            ADD_FAILURE() << "Ctrl+Enter did not take OK";
            clickOk(e);
        }
    });
    QTest::mouseDClick(&canvas, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_FALSE(answer->isActive());
    EXPECT_EQ(wdoc.UndoStack().count(), stepsBefore);

    // The lines get an expression from the builder at the cursor, the script tab a script.
    answer = whenOpen<TfrMemoEditor>([](TfrMemoEditor *e) {
        auto *lines = child<QPlainTextEdit>(e, "memo_lines");
        lines->moveCursor(QTextCursor::End);
        lines->insertPlainText(QStringLiteral(" "));
        auto builder = whenOpen<TfrExpressionBuilder>([](TfrExpressionBuilder *b) {
            auto *edit = b->findChild<QLineEdit *>(QStringLiteral("expression_edit"));
            typeInto(edit, QStringLiteral("SUM([Amount]"));
            clickOk(b); // refused: the call is not closed
            EXPECT_TRUE(b->isVisible());
            edit->end(false);
            typeInto(edit, QStringLiteral("SUM([Amount])"));
            clickOk(b);
        });
        child<QPushButton>(e, "insert_expression")->click();
        EXPECT_FALSE(builder->isActive()) << "the expression builder did not open";
        auto *tabs = child<QTabWidget>(e, "memo_tabs");
        EXPECT_EQ(tabs->tabText(1), QStringLiteral("Скрипт"));
        tabs->setCurrentIndex(1);
        auto *script = child<QWidget>(e, "memo_script");
        static_cast<TfrScriptEditor *>(script)->SetLines(
            {QStringLiteral("if [Amount] > 0 then"), QStringLiteral("  Memo1.Visible := True")});
        clickOk(e);
    });
    QTest::mouseDClick(&canvas, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_FALSE(answer->isActive());
    target = wdoc.CurrentPage()->FindObject(QStringLiteral("Memo1"));
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->Memo, QStringList{QStringLiteral("Итого: [SUM([Amount])]")});
    EXPECT_EQ(target->scriptLines,
              (QStringList{QStringLiteral("if [Amount] > 0 then"), QStringLiteral("  Memo1.Visible := True")}));
    EXPECT_EQ(wdoc.UndoStack().count(), stepsBefore + 1) << "lines and script are one step";
    wdoc.UndoStack().undo();
    EXPECT_EQ(wdoc.Snapshot(), before);
}

TEST_F(ObjectEditors, TextEditorRespectsTheRestrictionBits)
{
    doc.Edit(QStringLiteral("lock"), [&] {
        doc.Report().SetProperty(*memo("Memo1"), QStringLiteral("Restrictions"), TfrVariant(int(frrfDontEditMemo)));
        doc.Report().SetProperty(*memo("Memo2"), QStringLiteral("Restrictions"), TfrVariant(int(frrfDontEditScript)));
    });
    auto answer = whenOpen<TfrMemoEditor>([](TfrMemoEditor *e) {
        auto *lines = child<QPlainTextEdit>(e, "memo_lines");
        EXPECT_TRUE(lines->isReadOnly());
        EXPECT_FALSE(child<QPushButton>(e, "insert_field")->isEnabled());
        EXPECT_FALSE(child<QPushButton>(e, "insert_expression")->isEnabled());
        e->InsertText(QStringLiteral("[x]")); // refused as typing is
        lines->setPlainText(QStringLiteral("forced"));
        static_cast<TfrScriptEditor *>(child<QWidget>(e, "memo_script"))->SetLines({QStringLiteral("x := 1")});
        clickOk(e);
    });
    EXPECT_TRUE(frEditObject(nullptr, doc, QStringLiteral("Memo1")));
    EXPECT_EQ(memo("Memo1")->Memo, QStringList{QStringLiteral("[Amount]")}) << "locked lines stay";
    EXPECT_EQ(memo("Memo1")->scriptLines, QStringList{QStringLiteral("x := 1")});

    answer = whenOpen<TfrMemoEditor>([](TfrMemoEditor *e) {
        EXPECT_FALSE(child<QWidget>(e, "memo_script")->isEnabled());
        static_cast<TfrScriptEditor *>(child<QWidget>(e, "memo_script"))->SetLines({QStringLiteral("y := 2")});
        clickOk(e);
    });
    EXPECT_FALSE(frEditObject(nullptr, doc, QStringLiteral("Memo2"))) << "nothing it may change changed";
    EXPECT_TRUE(memo("Memo2")->scriptLines.isEmpty());

    // Objects without an editor of their own answer false at once.
    EXPECT_FALSE(frEditObject(nullptr, doc, QStringLiteral("NoSuchObject")));
}

// ---- highlight ----

TEST_F(ObjectEditors, HighlightFromTheInspectorSetsEverySelectedTextAsOneStep)
{
    TfrObjectInspector inspector(doc);
    inspector.resize(280, 700);
    inspector.show();
    doc.SetSelection({memo("Memo1"), memo("Memo2")});
    const QByteArray before = doc.Snapshot();

    // Cancel after changing everything: nothing changes.
    auto answer = whenOpen<TfrHighlightDialog>([](TfrHighlightDialog *d) {
        typeInto(child<QLineEdit>(d, "highlight_condition"), QStringLiteral("[Amount] > 100"));
        child<QCheckBox>(d, "style_italic")->setChecked(true);
        clickCancel(d);
    });
    pressEllipsis(inspector, QStringLiteral("Highlight"));
    EXPECT_FALSE(answer->isActive()) << "the highlight dialog did not open";
    EXPECT_EQ(doc.Snapshot(), before);
    EXPECT_EQ(steps(), 0);

    answer = whenOpen<TfrHighlightDialog>([](TfrHighlightDialog *d) {
        auto *sample = child<QLabel>(d, "highlight_sample");
        EXPECT_TRUE(sample->font().bold()) << "a new text's highlight is bold";
        // A condition the parser refuses keeps the dialog open with the parser's message.
        typeInto(child<QLineEdit>(d, "highlight_condition"), QStringLiteral("[Amount] >"));
        clickOk(d);
        EXPECT_TRUE(d->isVisible());
        EXPECT_TRUE(child<QLabel>(d, "condition_message")->text().contains(QStringLiteral("Missing operand")));

        // "…" opens the builder on the condition.
        auto builder = whenOpen<TfrExpressionBuilder>([](TfrExpressionBuilder *b) {
            auto *edit = b->findChild<QLineEdit *>(QStringLiteral("expression_edit"));
            EXPECT_EQ(edit->text(), QStringLiteral("[Amount] >"));
            typeInto(edit, QStringLiteral("[Amount] > 100"));
            clickOk(b);
        });
        child<QToolButton>(d, "condition_builder")->click();
        EXPECT_FALSE(builder->isActive());
        EXPECT_EQ(child<QLineEdit>(d, "highlight_condition")->text(), QStringLiteral("[Amount] > 100"));

        // The sample follows the controls.
        child<QCheckBox>(d, "style_bold")->setChecked(false);
        child<QCheckBox>(d, "style_italic")->setChecked(true);
        child<QCheckBox>(d, "style_strikeout")->setChecked(true);
        auto *fontColor = child<TfrColorCombo>(d, "font_color");
        fontColor->setCurrentIndex(fontColor->findData(QVariant(int(0x0000FF))));
        auto *fill = child<TfrColorCombo>(d, "fill_color");
        EXPECT_EQ(fill->itemText(0), QStringLiteral("Прозрачный"));
        fill->setCurrentIndex(fill->findData(QVariant(int(0x00FFFF))));
        EXPECT_FALSE(sample->font().bold());
        EXPECT_TRUE(sample->font().italic());
        EXPECT_TRUE(sample->font().strikeOut());
        EXPECT_EQ(sample->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        EXPECT_EQ(sample->palette().color(QPalette::Window), QColor(255, 255, 0));
        clickOk(d);
    });
    pressEllipsis(inspector, QStringLiteral("Highlight"));
    EXPECT_FALSE(answer->isActive());
    for (const char *name : {"Memo1", "Memo2"}) {
        EXPECT_EQ(memo(name)->highlightCondition, QStringLiteral("[Amount] > 100")) << name;
        EXPECT_EQ(memo(name)->Highlight.FontStyle, 1 | 8) << name;
        EXPECT_EQ(memo(name)->Highlight.FontColor, 0x0000FF) << name;
        EXPECT_EQ(memo(name)->Highlight.FillColor, 0x00FFFF) << name;
    }
    EXPECT_EQ(steps(), 1);
    EXPECT_EQ(inspector.ValueText(QStringLiteral("Highlight")), QStringLiteral("[Amount] > 100"));

    // Transparent fill, and an empty condition switches the highlight off.
    answer = whenOpen<TfrHighlightDialog>([](TfrHighlightDialog *d) {
        child<TfrColorCombo>(d, "fill_color")->setCurrentIndex(0);
        typeInto(child<QLineEdit>(d, "highlight_condition"), QString());
        clickOk(d);
    });
    pressEllipsis(inspector, QStringLiteral("Highlight"));
    EXPECT_TRUE(memo("Memo2")->highlightCondition.isEmpty());
    EXPECT_EQ(memo("Memo2")->Highlight.FillColor, clNone);
    EXPECT_EQ(steps(), 2);
    doc.UndoStack().undo();
    doc.UndoStack().undo();
    EXPECT_EQ(doc.Snapshot(), before);
}

TEST_F(ObjectEditors, ColourComboTakesAnyColourThroughTheColourDialog)
{
    TfrColorCombo combo(true);
    combo.show();
    EXPECT_EQ(combo.Color(), clNone) << "transparent comes first";
    combo.SetColor(0x123456); // not a standard colour: listed for itself
    EXPECT_EQ(combo.Color(), 0x123456);
    QList<qint32> changes;
    QObject::connect(&combo, &TfrColorCombo::ColorChanged, [&](qint32 c) { changes.append(c); });

    // "Другой…" asks the colour dialog; Cancel keeps the colour.
    const int other = combo.count() - 1;
    EXPECT_EQ(combo.itemText(other), QStringLiteral("Другой…"));
    auto answer = whenOpen<QColorDialog>([](QColorDialog *d) { d->reject(); });
    combo.setCurrentIndex(other);
    emit combo.activated(other);
    EXPECT_FALSE(answer->isActive()) << "the colour dialog did not open";
    EXPECT_EQ(combo.Color(), 0x123456);
    EXPECT_NE(combo.currentIndex(), other);

    answer = whenOpen<QColorDialog>([](QColorDialog *d) {
        d->setCurrentColor(QColor(0x10, 0x20, 0x30));
        d->accept();
    });
    combo.setCurrentIndex(other);
    emit combo.activated(other);
    EXPECT_EQ(combo.Color(), 0x302010) << "colours are 0x00BBGGRR";
    EXPECT_EQ(changes.last(), 0x302010);
}

// ---- display format ----

TEST_F(ObjectEditors, FormatSampleIsTheEnginesFormattingOfTheControls)
{
    TfrFormatSettingsScope russian(TfrFormatSettings::russian());
    TfrFormatDialog d(quint32(memo("Memo1")->formatCode), QString());
    d.show();
    auto *category = child<QListWidget>(&d, "format_category");
    auto *variant = child<QListWidget>(&d, "format_variant");
    auto *decimals = child<QSpinBox>(&d, "format_decimals");
    auto *separator = child<QComboBox>(&d, "format_separator");
    auto *custom = child<QLineEdit>(&d, "format_custom");
    auto *sample = child<QLabel>(&d, "format_sample");
    EXPECT_EQ(category->currentRow(), 0);
    EXPECT_EQ(sample->text(), QStringLiteral("Пример текста"));
    EXPECT_FALSE(variant->isEnabled());
    EXPECT_EQ(separator->currentText(), QStringLiteral(",")) << "a new text's separator is the user's";

    struct Row {
        int category, variantRow, decimals;
        const char *separator, *custom, *sample;
    };
    const Row rows[] = {
        {1, 0, 2, ",", "", "1234,57"},
        {1, 0, 0, ",", "", "1235"},
        {1, 1, 3, ",", "", "1234,568"},
        {1, 1, 2, ".", "", "1234.57"},
        {1, 4, 2, ",", "0.0", "1234,6"},
        {2, 0, 2, ",", "", "05.03.26"},
        {2, 1, 2, ",", "", "05.03.2026"},
        {2, 4, 2, ",", "yyyy-mm-dd", "2026-03-05"},
        {3, 0, 2, ",", "", "09:07:30"},
        {3, 3, 2, ",", "", "9:07"},
        {4, 1, 2, ",", "", "Да / Нет"},
        {4, 4, 2, ",", "нет;есть", "есть / нет"},
    };
    for (const Row &row : rows) {
        category->setCurrentRow(row.category);
        variant->setCurrentRow(row.variantRow);
        decimals->setValue(row.decimals);
        separator->setEditText(QString::fromLatin1(row.separator));
        custom->setText(QString::fromUtf8(row.custom));
        EXPECT_EQ(sample->text(), QString::fromUtf8(row.sample))
            << "category " << row.category << " variant " << row.variantRow;
        EXPECT_EQ(custom->isEnabled(), row.variantRow == 4);
        EXPECT_EQ(separator->isEnabled(), row.category == 1);
    }
    // A separator of two characters is refused with a message.
    category->setCurrentRow(1);
    separator->setEditText(QStringLiteral(",,"));
    clickOk(&d);
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(child<QLabel>(&d, "format_message")->text().isEmpty());
    // A format of one's own must be given.
    separator->setEditText(QStringLiteral(","));
    variant->setCurrentRow(4);
    custom->clear();
    clickOk(&d);
    EXPECT_TRUE(d.isVisible());
}

TEST_F(ObjectEditors, FormatFromTheInspectorSetsEverySelectedTextAsOneStep)
{
    TfrObjectInspector inspector(doc);
    inspector.resize(280, 700);
    inspector.show();
    doc.SetSelection({memo("Memo1"), memo("Memo2")});
    const QByteArray before = doc.Snapshot();

    auto answer = whenOpen<TfrFormatDialog>([](TfrFormatDialog *d) {
        child<QListWidget>(d, "format_category")->setCurrentRow(2);
        clickCancel(d);
    });
    pressEllipsis(inspector, QStringLiteral("DisplayFormat"));
    EXPECT_FALSE(answer->isActive()) << "the format dialog did not open";
    EXPECT_EQ(doc.Snapshot(), before);
    EXPECT_EQ(steps(), 0);

    answer = whenOpen<TfrFormatDialog>([](TfrFormatDialog *d) { clickOk(d); });
    pressEllipsis(inspector, QStringLiteral("DisplayFormat"));
    EXPECT_EQ(steps(), 0) << "OK without a change leaves no step";

    answer = whenOpen<TfrFormatDialog>([](TfrFormatDialog *d) {
        child<QListWidget>(d, "format_category")->setCurrentRow(1);
        child<QListWidget>(d, "format_variant")->setCurrentRow(3);
        child<QSpinBox>(d, "format_decimals")->setValue(2);
        child<QComboBox>(d, "format_separator")->setEditText(QStringLiteral("."));
        clickOk(d);
    });
    pressEllipsis(inspector, QStringLiteral("DisplayFormat"));
    const qint32 expected = (1 << 24) | (3 << 16) | (2 << 8) | '.';
    EXPECT_EQ(memo("Memo1")->formatCode, expected);
    EXPECT_EQ(memo("Memo2")->formatCode, expected);
    EXPECT_EQ(steps(), 1);
    const QString shown = inspector.ValueText(QStringLiteral("DisplayFormat"));
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Число: ")) && shown.endsWith(QStringLiteral(".57"))) << shown.toStdString();

    // The dialog opens on what the text has.
    answer = whenOpen<TfrFormatDialog>([](TfrFormatDialog *d) {
        EXPECT_EQ(child<QListWidget>(d, "format_category")->currentRow(), 1);
        EXPECT_EQ(child<QListWidget>(d, "format_variant")->currentRow(), 3);
        EXPECT_EQ(child<QComboBox>(d, "format_separator")->currentText(), QStringLiteral("."));
        child<QListWidget>(d, "format_category")->setCurrentRow(4);
        child<QListWidget>(d, "format_variant")->setCurrentRow(4);
        child<QLineEdit>(d, "format_custom")->setText(QStringLiteral("нет;да"));
        clickOk(d);
    });
    pressEllipsis(inspector, QStringLiteral("DisplayFormat"));
    EXPECT_EQ((memo("Memo2")->formatCode >> 16) & 0xFFF, (4 << 8) | 4);
    EXPECT_EQ(memo("Memo2")->formatText, QStringLiteral("нет;да"));
    EXPECT_EQ(steps(), 2);
}

// ---- what the dialogs set is what the report prints ----

TEST_F(ObjectEditors, FormatAndHighlightSetThroughTheDialogsShowInThePreparedPages)
{
    TfrFormatSettingsScope russian(TfrFormatSettings::russian());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("made.frf"));
    doc.Edit(QStringLiteral("bind"), [&] {
        TfrView *band = doc.CurrentPage()->FindObject(QStringLiteral("MasterData1"));
        doc.Report().SetProperty(*band, QStringLiteral("DataSource"), TfrVariant(QStringLiteral("frDBDataSet1")));
        doc.Report().SetProperty(*memo("Memo1"), QStringLiteral("Memo"), TfrVariant(QStringLiteral("[frDBDataSet1.\"Name\"]")));
        doc.Report().SetProperty(*memo("Memo2"), QStringLiteral("Memo"), TfrVariant(QStringLiteral("[frDBDataSet1.\"Amount\"]")));
    });

    doc.Select(memo("Memo2"));
    auto answer = whenOpen<TfrFormatDialog>([](TfrFormatDialog *d) {
        child<QListWidget>(d, "format_category")->setCurrentRow(1);
        child<QListWidget>(d, "format_variant")->setCurrentRow(3); // thousands, fixed decimals
        child<QSpinBox>(d, "format_decimals")->setValue(2);
        clickOk(d);
    });
    EXPECT_TRUE(frEditProperty(nullptr, doc, QStringLiteral("DisplayFormat")));
    doc.SetSelection({memo("Memo1"), memo("Memo2")});
    answer = whenOpen<TfrHighlightDialog>([](TfrHighlightDialog *d) {
        typeInto(child<QLineEdit>(d, "highlight_condition"), QStringLiteral("[frDBDataSet1.\"Amount\"] > 2500"));
        auto *color = child<TfrColorCombo>(d, "font_color");
        color->setCurrentIndex(color->findData(QVariant(int(0x0000FF))));
        clickOk(d);
    });
    EXPECT_TRUE(frEditProperty(nullptr, doc, QStringLiteral("Highlight")));
    QString error;
    ASSERT_TRUE(doc.Save(file, &error)) << error.toStdString();

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("object_editors"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    ASSERT_TRUE(db.open());
    {
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE Rows (Name TEXT, Amount REAL)")));
        for (int i = 1; i <= 4; ++i)
            ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO Rows VALUES ('Строка %1', %2)").arg(i).arg(i * 1000.5)));
    }
    {
        QObject owner;
        auto *cursor = new TfrTableCursor(&owner);
        cursor->setDatabase(db);
        cursor->setTableName(QStringLiteral("Rows"));
        cursor->Open();
        auto *dataSet = new TfrDBDataSet(&owner);
        dataSet->setObjectName(QStringLiteral("frDBDataSet1"));
        dataSet->SetDataSet(cursor);
        TfrReportBuilder builder;
        builder.ShowErrorBox = false;
        builder.ShowProgress = false;
        builder.Report.Owner = &owner;
        builder.Report.Dataset = dataSet;
        CurReport = &builder.Report;
        ASSERT_TRUE(builder.Report.LoadFromFile(file));
        ASSERT_TRUE(builder.PrepareReport()) << builder.LastError.toStdString();
        QStringList shown;
        builder.EMFPages.ForEachObject(0, [&](TfrView &v) {
            auto *m = dynamic_cast<TfrMemoView *>(&v);
            if (!m)
                return;
            const bool red = m->Font.Color == 0x0000FF && (m->Font.Style & 2);
            shown << m->Memo.join(QString()) + (red ? QStringLiteral(" !") : QString());
        });
        const QChar group = frFormatSettings().thousandSeparator;
        EXPECT_EQ(shown, (QStringList{QStringLiteral("Строка 1"), QStringLiteral("1") + group + QStringLiteral("000,50"),
                                      QStringLiteral("Строка 2"), QStringLiteral("2") + group + QStringLiteral("001,00"),
                                      QStringLiteral("Строка 3 !"), QStringLiteral("3") + group + QStringLiteral("001,50 !"),
                                      QStringLiteral("Строка 4 !"), QStringLiteral("4") + group + QStringLiteral("002,00 !")}));
        CurReport = MasterReport = nullptr;
        CurPage = nullptr;
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("object_editors"));
}

} // namespace
