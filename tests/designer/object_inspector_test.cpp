// The object inspector driven as a person does: click a property's row, type into the
// editor that opens, press Enter or Tab; then the template is checked. Runs under the
// Russian locale users have (decimal comma).
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <gtest/gtest.h>

#include "report/designer/designer_document.h"
#include "report/designer/memo_editor.h"
#include "report/designer/object_inspector.h"
#include "report/model/band_view.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/report.h"

namespace {

// QTest::keyClicks passes Latin-1 only; Russian text goes as the key events' own text.
void typeText(QWidget *widget, const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

class ObjectInspector : public testing::Test {
protected:
    void SetUp() override
    {
        m_savedLocale = QLocale();
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        doc.Edit(QStringLiteral("setup"), [&] {
            TfrPage &page = *doc.CurrentPage();
            auto band = std::make_unique<TfrBandView>();
            band->Name = QStringLiteral("MasterData1");
            band->SetBandType(btMasterData);
            band->SetBounds(0, 100, 700, 40);
            page.Add(std::move(band));
            addMemo(QStringLiteral("Memo1"), 10, 110);
            addMemo(QStringLiteral("Memo2"), 50, 110);
        });
        doc.SetSavedState();
        inspector = std::make_unique<TfrObjectInspector>(doc);
        inspector->InspectorDialogs().message = [this](QWidget *, const QString &text) { messages.append(text); };
        inspector->resize(280, 700);
        inspector->show();
        inspector->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(inspector.get()));
        view = inspector->PropertyView();
    }
    void TearDown() override
    {
        inspector.reset();
        QLocale::setDefault(m_savedLocale);
    }

    void addMemo(const QString &name, int left, int top)
    {
        auto memo = std::make_unique<TfrMemoView>();
        memo->Name = name;
        memo->SetBounds(left, top, 80, 18);
        memo->Memo = QStringList{name};
        doc.CurrentPage()->Add(std::move(memo));
    }
    TfrView *object(const QString &name) const { return doc.CurrentPage()->FindObject(name); }

    QModelIndex cell(const QString &property) const
    {
        const int row = inspector->PropertyRow(property);
        EXPECT_GE(row, 0) << property.toStdString() << " is not listed";
        return view->model()->index(row, 0);
    }
    void clickRow(const QString &property)
    {
        const QModelIndex index = cell(property);
        view->scrollTo(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }
    // Clicks the row and types the text into the editor that opened, then presses key.
    void type(const QString &property, const QString &text, Qt::Key key = Qt::Key_Return)
    {
        clickRow(property);
        auto *editor = qobject_cast<QLineEdit *>(view->indexWidget(cell(property)));
        ASSERT_NE(editor, nullptr) << "no text editor on " << property.toStdString();
        EXPECT_EQ(QApplication::focusWidget(), editor);
        editor->selectAll();
        typeText(editor, text);
        QTest::keyClick(editor, key);
        // Enter hands the value over once the editor has seen the key.
        QApplication::processEvents();
    }
    // Opens the row's "…" and lets the queued dialog run.
    void pressEllipsis(const QString &property)
    {
        clickRow(property);
        auto *editor = qobject_cast<QLineEdit *>(view->indexWidget(cell(property)));
        ASSERT_NE(editor, nullptr);
        ASSERT_FALSE(editor->actions().isEmpty()) << property.toStdString() << " has no button";
        editor->actions().constFirst()->trigger();
        QApplication::processEvents();
    }
    int steps() const { return doc.UndoStack().count(); }

    TfrDesignerDocument doc;
    std::unique_ptr<TfrObjectInspector> inspector;
    QAbstractItemView *view = nullptr;
    QStringList messages;

private:
    QLocale m_savedLocale;
};

} // namespace

TEST_F(ObjectInspector, EditsOneObjectWithAnEditorPerKind)
{
    doc.Select(object(QStringLiteral("Memo1")));
    EXPECT_EQ(inspector->ObjectCombo()->currentText(), QStringLiteral("Memo1: TfrMemoView"));
    // In the order the object defines them, only those with a kind.
    const QStringList names = inspector->PropertyNames();
    ASSERT_GE(names.size(), 5);
    EXPECT_EQ(names.mid(0, 5), (QStringList{"Name", "Left", "Top", "Width", "Height"}));
    EXPECT_FALSE(names.contains(QStringLiteral("Flags")));
    EXPECT_FALSE(names.contains(QStringLiteral("Font.Name")));

    const int before = steps();
    type(QStringLiteral("Left"), QStringLiteral("120"));
    EXPECT_EQ(object(QStringLiteral("Memo1"))->Left, 120);
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Left")), QStringLiteral("120"));
    // Tab takes the value and moves on to the next property's editor.
    type(QStringLiteral("Top"), QStringLiteral("115"), Qt::Key_Tab);
    EXPECT_EQ(object(QStringLiteral("Memo1"))->Top, 115);
    EXPECT_EQ(view->currentIndex().row(), inspector->PropertyRow(QStringLiteral("Width")));
    EXPECT_NE(qobject_cast<QLineEdit *>(view->indexWidget(cell(QStringLiteral("Width")))), nullptr);
    EXPECT_EQ(steps(), before + 2) << "one step per edit";

    // A float shown with a decimal comma reads back as the same number; a point works too.
    type(QStringLiteral("FrameWidth"), QStringLiteral("1,5"));
    EXPECT_DOUBLE_EQ(object(QStringLiteral("Memo1"))->FrameWidth, 1.5);
    EXPECT_EQ(inspector->ValueText(QStringLiteral("FrameWidth")), QStringLiteral("1,5"));
    type(QStringLiteral("FrameWidth"), QStringLiteral("2.25"));
    EXPECT_DOUBLE_EQ(object(QStringLiteral("Memo1"))->FrameWidth, 2.25);
    // Pressing Enter on an unchanged value leaves no step.
    const int unchanged = steps();
    type(QStringLiteral("FrameWidth"), QStringLiteral("2,25"));
    EXPECT_EQ(steps(), unchanged);

    // A check box toggles with a click on its row.
    const bool wrap = object(QStringLiteral("Memo1"))->Flags & flWordWrap;
    clickRow(QStringLiteral("WordWrap"));
    EXPECT_EQ(bool(object(QStringLiteral("Memo1"))->Flags & flWordWrap), !wrap);

    // Renaming shows in the object combo box.
    type(QStringLiteral("Name"), QStringLiteral("Итого"));
    ASSERT_NE(object(QStringLiteral("Итого")), nullptr);
    EXPECT_EQ(inspector->ObjectCombo()->currentText(), QStringLiteral("Итого: TfrMemoView"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
}

TEST_F(ObjectInspector, EditsSeveralObjectsAtOnce)
{
    TfrView *m1 = object(QStringLiteral("Memo1"));
    TfrView *m2 = object(QStringLiteral("Memo2"));
    doc.SetSelection({m1, m2});
    EXPECT_EQ(inspector->ObjectCombo()->currentIndex(), -1);
    EXPECT_EQ(inspector->ObjectCombo()->placeholderText(), QStringLiteral("Выбрано объектов: 2"));
    const QStringList names = inspector->PropertyNames();
    EXPECT_FALSE(names.contains(QStringLiteral("Name"))) << "a name belongs to one object";
    EXPECT_FALSE(names.contains(QStringLiteral("Memo")));
    EXPECT_TRUE(names.contains(QStringLiteral("WordWrap")));
    // A value that differs shows empty; a shared one shows.
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Left")), QString());
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Top")), QStringLiteral("110"));

    const int before = steps();
    type(QStringLiteral("Left"), QStringLiteral("70"));
    EXPECT_EQ(m1->Left, 70);
    EXPECT_EQ(m2->Left, 70);
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Left")), QStringLiteral("70"));
    ASSERT_EQ(steps(), before + 1);

    // One undo sets all back, and the grid shows them differing again.
    doc.UndoStack().undo();
    EXPECT_EQ(object(QStringLiteral("Memo1"))->Left, 10);
    EXPECT_EQ(object(QStringLiteral("Memo2"))->Left, 50);
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Left")), QString());

    // A check box that differs shows half checked; a click sets all.
    doc.Edit(QStringLiteral("unwrap"), [&] {
        doc.Report().SetProperty(*object(QStringLiteral("Memo2")), QStringLiteral("WordWrap"), TfrVariant(false));
    });
    QApplication::processEvents();
    EXPECT_EQ(view->model()->data(cell(QStringLiteral("WordWrap")), Qt::CheckStateRole).toInt(), Qt::PartiallyChecked);
    const int beforeWrap = steps();
    clickRow(QStringLiteral("WordWrap"));
    EXPECT_TRUE(object(QStringLiteral("Memo1"))->Flags & flWordWrap);
    EXPECT_TRUE(object(QStringLiteral("Memo2"))->Flags & flWordWrap);
    EXPECT_EQ(steps(), beforeWrap + 1);
    EXPECT_EQ(view->model()->data(cell(QStringLiteral("WordWrap")), Qt::CheckStateRole).toInt(), Qt::Checked);

    // A memo and a band share only what both have.
    doc.SetSelection({object(QStringLiteral("Memo1")), object(QStringLiteral("MasterData1"))});
    const QStringList mixed = inspector->PropertyNames();
    EXPECT_TRUE(mixed.contains(QStringLiteral("Top")));
    EXPECT_TRUE(mixed.contains(QStringLiteral("Visible")));
    EXPECT_FALSE(mixed.contains(QStringLiteral("WordWrap")));
    EXPECT_FALSE(mixed.contains(QStringLiteral("FrameColor")));
    EXPECT_FALSE(mixed.contains(QStringLiteral("Columns")));
}

TEST_F(ObjectInspector, EnumerationsAndColoursChooseFromTheirLists)
{
    doc.Select(object(QStringLiteral("Memo1")));
    clickRow(QStringLiteral("FrameStyle"));
    auto *styles = qobject_cast<QComboBox *>(view->indexWidget(cell(QStringLiteral("FrameStyle"))));
    ASSERT_NE(styles, nullptr);
    EXPECT_EQ(styles->currentText(), QStringLiteral("psSolid"));
    QTest::keyClick(styles, Qt::Key_Down);
    EXPECT_EQ(object(QStringLiteral("Memo1"))->FrameStyle, psDash);
    EXPECT_EQ(inspector->ValueText(QStringLiteral("FrameStyle")), QStringLiteral("psDash"));

    // A colour, then back to none by its name.
    ASSERT_TRUE(inspector->SetValue(QStringLiteral("FillColor"), TfrVariant(int(0x0000FF))));
    EXPECT_EQ(inspector->ValueText(QStringLiteral("FillColor")), QStringLiteral("Красный"));
    clickRow(QStringLiteral("FillColor"));
    auto *colours = qobject_cast<QComboBox *>(view->indexWidget(cell(QStringLiteral("FillColor"))));
    ASSERT_NE(colours, nullptr);
    typeText(colours, QStringLiteral("Пр"));
    EXPECT_EQ(object(QStringLiteral("Memo1"))->FillColor, clNone);
    EXPECT_EQ(inspector->ValueText(QStringLiteral("FillColor")), QStringLiteral("Прозрачный"));

    // Any other colour comes from the colour dialog.
    inspector->InspectorDialogs().color = [](QWidget *, qint32 &color) {
        color = 0x336699;
        return true;
    };
    clickRow(QStringLiteral("FrameColor"));
    colours = qobject_cast<QComboBox *>(view->indexWidget(cell(QStringLiteral("FrameColor"))));
    ASSERT_NE(colours, nullptr);
    typeText(colours, QStringLiteral("Друг"));
    QApplication::processEvents();
    EXPECT_EQ(object(QStringLiteral("Memo1"))->FrameColor, 0x336699);
    EXPECT_EQ(inspector->ValueText(QStringLiteral("FrameColor")), QStringLiteral("#996633"));
}

TEST_F(ObjectInspector, ARefusedValueKeepsTheOldOneAndSaysWhy)
{
    doc.Select(object(QStringLiteral("Memo2")));
    const QByteArray before = doc.Snapshot();
    const int stepsBefore = steps();

    // The designer's own rules: names are unique and usable in expressions.
    type(QStringLiteral("Name"), QStringLiteral("memo1"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.last().contains(QStringLiteral("memo1"))) << messages.last().toStdString();
    EXPECT_EQ(object(QStringLiteral("Memo2"))->Name, QStringLiteral("Memo2"));
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Name")), QStringLiteral("Memo2"));
    type(QStringLiteral("Name"), QStringLiteral("Итог 2"));
    EXPECT_EQ(messages.size(), 2);
    type(QStringLiteral("Left"), QStringLiteral("сорок"));
    EXPECT_EQ(messages.size(), 3);

    // The object's own refusal: its message, and the step leaves nothing behind.
    EXPECT_FALSE(inspector->SetValue(QStringLiteral("Top"), TfrVariant(QStringLiteral("abc"))));
    ASSERT_EQ(messages.size(), 4);
    EXPECT_TRUE(messages.last().contains(QStringLiteral("Integer"))) << messages.last().toStdString();
    // A value the object cannot hold and silently drops.
    EXPECT_FALSE(inspector->SetValue(QStringLiteral("Restrictions"), TfrVariant(0x10000)));
    EXPECT_EQ(messages.size(), 5);

    EXPECT_EQ(doc.Snapshot(), before);
    EXPECT_EQ(steps(), stepsBefore);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Top")), QStringLiteral("110"));
}

TEST_F(ObjectInspector, UndoAndRedoRefreshTheGrid)
{
    doc.Select(object(QStringLiteral("Memo1")));
    type(QStringLiteral("Width"), QStringLiteral("200"));
    ASSERT_EQ(inspector->ValueText(QStringLiteral("Width")), QStringLiteral("200"));
    // Undo replaces every view: the grid shows the restored object without being asked.
    doc.UndoStack().undo();
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Width")), QStringLiteral("80"));
    EXPECT_EQ(view->model()->data(cell(QStringLiteral("Width"))).toString(), QStringLiteral("80"));
    EXPECT_EQ(inspector->ObjectCombo()->currentText(), QStringLiteral("Memo1: TfrMemoView"));
    doc.UndoStack().redo();
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Width")), QStringLiteral("200"));
    // And the editor writes to the restored object, not the one undo threw away.
    type(QStringLiteral("Height"), QStringLiteral("30"));
    EXPECT_EQ(object(QStringLiteral("Memo1"))->Height, 30);

    // A change from elsewhere (the canvas) shows once the events have run, also in an open
    // editor nobody has typed into; that editor never writes its old text back.
    clickRow(QStringLiteral("Left"));
    auto *editor = qobject_cast<QLineEdit *>(view->indexWidget(cell(QStringLiteral("Left"))));
    ASSERT_NE(editor, nullptr);
    TfrView *memo = object(QStringLiteral("Memo1"));
    doc.Edit(QStringLiteral("move"), [&] { doc.Report().SetObjectBounds(*memo, 44, memo->Top, memo->Width, memo->Height); });
    QApplication::processEvents();
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Left")), QStringLiteral("44"));
    EXPECT_EQ(editor->text(), QStringLiteral("44"));
    doc.UndoStack().undo();
    clickRow(QStringLiteral("Top"));
    QApplication::processEvents();
    EXPECT_EQ(object(QStringLiteral("Memo1"))->Left, 10);
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Left")), QStringLiteral("10"));
}

TEST_F(ObjectInspector, RestrictedObjectsAreReadOnly)
{
    doc.Edit(QStringLiteral("restrict"), [&] {
        doc.Report().SetProperty(*object(QStringLiteral("Memo1")), QStringLiteral("Restrictions"), TfrVariant(int(frrfDontModify)));
        doc.Report().SetProperty(*object(QStringLiteral("Memo2")), QStringLiteral("Restrictions"), TfrVariant(int(frrfDontMove)));
    });
    doc.Select(object(QStringLiteral("Memo1")));
    EXPECT_TRUE(inspector->IsReadOnly(QStringLiteral("Left")));
    EXPECT_TRUE(inspector->IsReadOnly(QStringLiteral("WordWrap")));
    EXPECT_FALSE(inspector->IsReadOnly(QStringLiteral("Restrictions"))) << "or it could never be freed";
    const QByteArray before = doc.Snapshot();
    clickRow(QStringLiteral("Left"));
    EXPECT_EQ(view->indexWidget(cell(QStringLiteral("Left"))), nullptr);
    QTest::keyClicks(view, QStringLiteral("5"));
    QTest::keyClick(view, Qt::Key_Return);
    clickRow(QStringLiteral("WordWrap"));
    EXPECT_FALSE(inspector->SetValue(QStringLiteral("Top"), TfrVariant(1)));
    EXPECT_EQ(doc.Snapshot(), before);

    // Don't move: only the position is fixed.
    doc.Select(object(QStringLiteral("Memo2")));
    EXPECT_TRUE(inspector->IsReadOnly(QStringLiteral("Left")));
    EXPECT_TRUE(inspector->IsReadOnly(QStringLiteral("Top")));
    EXPECT_FALSE(inspector->IsReadOnly(QStringLiteral("Width")));
    type(QStringLiteral("Width"), QStringLiteral("90"));
    EXPECT_EQ(object(QStringLiteral("Memo2"))->Width, 90);
}

TEST_F(ObjectInspector, WithNothingSelectedShowsThePageAndTheComboSelects)
{
    doc.ClearSelection();
    EXPECT_EQ(inspector->ObjectCombo()->currentIndex(), 0);
    EXPECT_TRUE(inspector->ObjectCombo()->currentText().endsWith(QStringLiteral(": TfrPage")));
    const QStringList names = inspector->PropertyNames();
    EXPECT_TRUE(names.contains(QStringLiteral("Orientation")));
    EXPECT_TRUE(names.contains(QStringLiteral("LeftMargin")));
    type(QStringLiteral("LeftMargin"), QStringLiteral("40"));
    EXPECT_EQ(doc.CurrentPage()->pgMargins.Left, 40);

    // The paper follows at once: landscape swaps the sides, a typed width is a paper of its own.
    const int portraitWidth = doc.CurrentPage()->PrnInfo.Pgw;
    clickRow(QStringLiteral("Orientation"));
    auto *orientation = qobject_cast<QComboBox *>(view->indexWidget(cell(QStringLiteral("Orientation"))));
    ASSERT_NE(orientation, nullptr);
    QTest::keyClick(orientation, Qt::Key_Down);
    EXPECT_EQ(doc.CurrentPage()->pgOr, 1);
    EXPECT_GT(doc.CurrentPage()->PrnInfo.Pgw, portraitWidth);
    type(QStringLiteral("Height"), QStringLiteral("100"));
    EXPECT_EQ(doc.CurrentPage()->pgSize, 256);
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Height")), QStringLiteral("100"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();

    // Choosing an object by its name selects it.
    QComboBox *combo = inspector->ObjectCombo();
    const int at = combo->findText(QStringLiteral("Memo2: TfrMemoView"));
    ASSERT_GT(at, 0);
    combo->setFocus();
    for (int i = combo->currentIndex(); i < at; ++i)
        QTest::keyClick(combo, Qt::Key_Down);
    ASSERT_EQ(doc.Selection().size(), 1);
    EXPECT_EQ(doc.Selection().front()->Name, QStringLiteral("Memo2"));
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Left")), QStringLiteral("50"));
}

TEST_F(ObjectInspector, DialogPropertiesFontTextAndRestrictions)
{
    doc.Select(object(QStringLiteral("Memo1")));
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Font")), QStringLiteral("Arial, 10"));
    inspector->InspectorDialogs().font = [](QWidget *, TfrFont &font) {
        font.Name = QStringLiteral("Times New Roman");
        font.Size = 14;
        font.Style = 2;
        return true;
    };
    int before = steps();
    pressEllipsis(QStringLiteral("Font"));
    auto *memo = static_cast<TfrMemoView *>(object(QStringLiteral("Memo1")));
    EXPECT_EQ(memo->Font.Name, QStringLiteral("Times New Roman"));
    EXPECT_EQ(memo->Font.Size, 14);
    EXPECT_EQ(memo->Font.Style, 2);
    EXPECT_EQ(steps(), before + 1) << "the font is one step";
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Font")), QStringLiteral("Times New Roman, 14, жирный"));

    // The text lines open in the text editor.
    QString shown;
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto *editor = qobject_cast<TfrMemoEditor *>(QApplication::activeModalWidget());
        if (!editor)
            return;
        answer.stop();
        auto *lines = editor->findChild<QPlainTextEdit *>(QStringLiteral("memo_lines"));
        ASSERT_NE(lines, nullptr);
        shown = lines->toPlainText();
        lines->setPlainText(QStringLiteral("Первая\nВторая"));
        editor->accept();
    });
    answer.start();
    pressEllipsis(QStringLiteral("Memo"));
    EXPECT_FALSE(answer.isActive()) << "the text editor did not open";
    EXPECT_EQ(shown, QStringLiteral("Memo1"));
    EXPECT_EQ(object(QStringLiteral("Memo1"))->Memo, (QStringList{"Первая", "Вторая"}));

    // A band's event lines are its Memo, edited in the script editor.
    inspector->InspectorDialogs().script = [](QWidget *, const QString &, QStringList &script) {
        script = QStringList{QStringLiteral("Первая"), QStringLiteral("Вторая")};
        return true;
    };
    doc.Select(object(QStringLiteral("MasterData1")));
    pressEllipsis(QStringLiteral("OnBeforePrint"));
    EXPECT_EQ(object(QStringLiteral("MasterData1"))->Memo, (QStringList{"Первая", "Вторая"}));
    EXPECT_EQ(inspector->ValueText(QStringLiteral("OnBeforePrint")), QStringLiteral("Первая …"));

    doc.Select(object(QStringLiteral("Memo1")));
    inspector->InspectorDialogs().restrictions = [](QWidget *, quint16 &bits) {
        bits = frrfDontDelete | frrfDontSize;
        return true;
    };
    // Enter on a cell that only has the button opens its dialog too.
    clickRow(QStringLiteral("Restrictions"));
    ASSERT_NE(view->indexWidget(cell(QStringLiteral("Restrictions"))), nullptr);
    QTest::keyClick(view->indexWidget(cell(QStringLiteral("Restrictions"))), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(object(QStringLiteral("Memo1"))->Restrictions, frrfDontDelete | frrfDontSize);
    EXPECT_EQ(inspector->ValueText(QStringLiteral("Restrictions")), QStringLiteral("Не изменять размер, Не удалять"));
    EXPECT_TRUE(inspector->IsReadOnly(QStringLiteral("Width")));

    // A cancelled dialog changes nothing.
    before = steps();
    inspector->InspectorDialogs().font = [](QWidget *, TfrFont &) { return false; };
    pressEllipsis(QStringLiteral("Font"));
    EXPECT_EQ(steps(), before);
}
