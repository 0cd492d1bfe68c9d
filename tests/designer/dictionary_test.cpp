// The data dictionary dialog driven through its controls: categories and variables are
// added, renamed, moved and deleted, values are given as an expression the parser checks,
// a data field from the report's data sets, or nothing; OK is one step that survives a
// save and a load, Cancel changes nothing, bad names and expressions are refused.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUndoStack>
#include <deque>
#include <gtest/gtest.h>

#include "report/designer/designer_document.h"
#include "report/designer/designer_editors.h"
#include "report/designer/dictionary_dialog.h"
#include "report/eval/data_dictionary.h"
#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/stream.h"
#include "report/eval/table_cursor.h"
#include "report/eval/ui_hooks.h"
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

using Entries = QList<QPair<QString, QString>>;

Entries entriesOf(const TfrVariables &vars)
{
    Entries e;
    for (int i = 0; i < vars.GetCount(); ++i)
        e.append({vars.GetName(i), vars.GetValue(i).toString()});
    return e;
}

std::string show(const Entries &e)
{
    QStringList parts;
    for (const auto &[n, v] : e)
        parts << QStringLiteral("'%1'='%2'").arg(n, v);
    return parts.join(QStringLiteral(", ")).toStdString();
}

// A report over a table "Rows" (Num, Name, Amount) through the cursor Table1 and the
// report data set frDBDataSet1; its dictionary holds one category with two variables.
class Dictionary : public testing::Test {
protected:
    void SetUp() override
    {
        savedBox = frUiHooks().MessageBox;
        frUiHooks().MessageBox = [this](const QString &text, const QString &, int) {
            asked.append(text);
            return 1;
        };
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("dictionary_test"));
        db.setDatabaseName(QStringLiteral(":memory:"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE Rows (Num INTEGER, Name TEXT, Amount INTEGER)")));
        cursor = new TfrTableCursor(&owner);
        cursor->setObjectName(QStringLiteral("Table1"));
        cursor->setDatabase(db);
        cursor->setTableName(QStringLiteral("Rows"));
        cursor->Open();
        auto *dataSet = new TfrDBDataSet(&owner);
        dataSet->setObjectName(QStringLiteral("frDBDataSet1"));
        dataSet->SetDataSet(cursor);
        doc.Report().Owner = &owner;
        doc.Edit(QStringLiteral("setup"), [&] {
            TfrVariables &vars = doc.Report().Dictionary().VarList;
            vars.SetVariable(QStringLiteral(" Итоги"), TfrVariant(QString()));
            vars.SetVariable(QStringLiteral("Total"), TfrVariant(QStringLiteral("Table1.\"Amount\"")));
            vars.SetVariable(QStringLiteral("Double"), TfrVariant(QStringLiteral("[Table1.\"Amount\"] * 2")));
        });
        doc.SetSavedState();
    }
    void TearDown() override
    {
        frUiHooks().MessageBox = savedBox;
        CurReport = nullptr;
        qDeleteAll(owner.children());
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("dictionary_test"));
    }

    template <class T>
    static T *control(QWidget *dialog, const char *name)
    {
        T *w = dialog->findChild<T *>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static void click(QWidget *dialog, const char *name)
    {
        if (auto *b = control<QPushButton>(dialog, name))
            QTest::mouseClick(b, Qt::LeftButton);
    }
    static QTreeWidgetItem *find(QTreeWidget *tree, const QString &name)
    {
        const QList<QTreeWidgetItem *> found = tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.front();
    }
    // Types a name into the tree's open editor and presses Enter, as after "Переименовать".
    static void typeName(QTreeWidget *tree, const QString &name)
    {
        QLineEdit *editor = nullptr;
        for (QLineEdit *e : tree->viewport()->findChildren<QLineEdit *>())
            if (e->isVisible())
                editor = e;
        ASSERT_NE(editor, nullptr) << "no name editor open";
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Backspace);
        typeText(editor, name);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents(); // the view commits a typed name from its queue
    }
    // Runs fn on the modal dictionary dialog that frEditDataDictionary opens.
    bool runDialog(std::function<void(TfrDictionaryDialog &)> fn)
    {
        QTimer::singleShot(0, [fn] {
            auto *dialog = qobject_cast<TfrDictionaryDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            fn(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        return frEditDataDictionary(nullptr, doc);
    }

    QObject owner;
    TfrTableCursor *cursor = nullptr;
    QSqlDatabase db;
    TfrDesignerDocument doc;
    QStringList asked;
    std::function<int(const QString &, const QString &, int)> savedBox;
};

} // namespace

// Everything the dialog offers, done through its controls, lands in the dictionary as one
// step, in order, and comes back after a save and a load; undo puts the old one back.
TEST_F(Dictionary, EditsWhatItSaysInOneStep)
{
    const QByteArray start = doc.Snapshot();
    const int steps = doc.UndoStack().count();
    const bool changed = runDialog([this](TfrDictionaryDialog &d) {
        auto *tree = control<QTreeWidget>(&d, "variables_tree");
        // What the dictionary holds is shown: a field as data set + field, an expression as text.
        ASSERT_EQ(tree->topLevelItemCount(), 1);
        EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("Итоги"));
        tree->setCurrentItem(find(tree, QStringLiteral("Total")));
        EXPECT_TRUE(control<QRadioButton>(&d, "value_field")->isChecked());
        EXPECT_EQ(control<QComboBox>(&d, "dataset_combo")->currentText(), QStringLiteral("Table1"));
        EXPECT_EQ(control<QComboBox>(&d, "field_combo")->currentText(), QStringLiteral("Amount"));
        tree->setCurrentItem(find(tree, QStringLiteral("Double")));
        EXPECT_TRUE(control<QRadioButton>(&d, "value_expression")->isChecked());
        EXPECT_EQ(control<QLineEdit>(&d, "expression_edit")->text(), QStringLiteral("[Table1.\"Amount\"] * 2"));
        // The report's data sets: the cursor and the report data set.
        auto *sets = control<QListWidget>(&d, "datasets_list");
        QStringList listed;
        for (int i = 0; i < sets->count(); ++i)
            listed << sets->item(i)->text();
        EXPECT_TRUE(listed.contains(QStringLiteral("Table1"))) << listed.join(QLatin1Char(',')).toStdString();
        EXPECT_TRUE(listed.contains(QStringLiteral("frDBDataSet1"))) << listed.join(QLatin1Char(',')).toStdString();

        // A new category, named as it is made.
        click(&d, "add_category");
        typeName(tree, QStringLiteral("Прочее"));
        ASSERT_NE(find(tree, QStringLiteral("Прочее")), nullptr);
        // A variable in it with an expression: a wrong one shows the parser's message and
        // OK refuses it; corrected, it is taken.
        click(&d, "add_variable");
        typeName(tree, QStringLiteral("Flag"));
        QTreeWidgetItem *flag = find(tree, QStringLiteral("Flag"));
        ASSERT_NE(flag, nullptr);
        EXPECT_EQ(flag->parent(), find(tree, QStringLiteral("Прочее")));
        tree->setCurrentItem(flag);
        QTest::mouseClick(control<QRadioButton>(&d, "value_expression"), Qt::LeftButton);
        auto *expression = control<QLineEdit>(&d, "expression_edit");
        expression->setFocus();
        QTest::keyClicks(expression, QStringLiteral("1 +"));
        EXPECT_FALSE(control<QLabel>(&d, "value_message")->text().isEmpty()) << "the parser's message shows";
        d.accept();
        ASSERT_TRUE(d.isVisible()) << "an expression the parser refuses is not accepted";
        ASSERT_EQ(asked.size(), 1);
        EXPECT_TRUE(asked[0].contains(QStringLiteral("Flag"))) << asked[0].toStdString();
        QTest::keyClicks(expression, QStringLiteral(" 2"));
        EXPECT_TRUE(control<QLabel>(&d, "value_message")->text().isEmpty());
        // A variable bound to a field chosen from the lists.
        click(&d, "add_variable");
        typeName(tree, QStringLiteral("Who"));
        tree->setCurrentItem(find(tree, QStringLiteral("Who")));
        QTest::mouseClick(control<QRadioButton>(&d, "value_field"), Qt::LeftButton);
        control<QComboBox>(&d, "dataset_combo")->setCurrentText(QStringLiteral("Table1"));
        auto *fields = control<QComboBox>(&d, "field_combo");
        EXPECT_EQ(fields->count(), 3) << "the fields of Table1";
        fields->setCurrentIndex(fields->findText(QStringLiteral("Name")));
        // An empty one.
        click(&d, "add_variable");
        typeName(tree, QStringLiteral("Nothing"));
        // Delete "Double", rename "Total", move the new category to the top, "Nothing" up.
        tree->setCurrentItem(find(tree, QStringLiteral("Double")));
        click(&d, "delete");
        tree->setCurrentItem(find(tree, QStringLiteral("Total")));
        click(&d, "rename");
        typeName(tree, QStringLiteral("Sum"));
        tree->setCurrentItem(find(tree, QStringLiteral("Прочее")));
        click(&d, "move_up");
        tree->setCurrentItem(find(tree, QStringLiteral("Nothing")));
        click(&d, "move_up");
        d.accept();
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_TRUE(changed);
    const Entries expected{{QStringLiteral(" Прочее"), QString()},
                           {QStringLiteral("Flag"), QStringLiteral("1 + 2")},
                           {QStringLiteral("Nothing"), QString()},
                           {QStringLiteral("Who"), QStringLiteral("Table1.\"Name\"")},
                           {QStringLiteral(" Итоги"), QString()},
                           {QStringLiteral("Sum"), QStringLiteral("Table1.\"Amount\"")}};
    EXPECT_EQ(entriesOf(doc.Report().Dictionary().VarList), expected)
        << show(entriesOf(doc.Report().Dictionary().VarList));
    EXPECT_EQ(doc.UndoStack().count(), steps + 1);

    // Saved and read back.
    TfrReport copy;
    {
        const QByteArray bytes = doc.Snapshot();
        TfrStream stream(bytes);
        ASSERT_TRUE(copy.LoadFromStream(stream));
    }
    EXPECT_EQ(entriesOf(copy.Dictionary().VarList), expected) << show(entriesOf(copy.Dictionary().VarList));
    // The field variable resolves to the field.
    CurReport = &doc.Report();
    EXPECT_TRUE(doc.Report().Dictionary().IsVariable(QStringLiteral("Who")));
    ASSERT_NE(doc.Report().Dictionary().FindCacheItem(QStringLiteral("Who")), nullptr);
    EXPECT_EQ(doc.Report().Dictionary().FindCacheItem(QStringLiteral("Who"))->DataField, QStringLiteral("Name"));

    doc.UndoStack().undo();
    EXPECT_EQ(doc.Snapshot(), start);
}

// Empty and repeated names are refused with a message and the old name stays; a name
// differing only in case counts as the same.
TEST_F(Dictionary, RefusesEmptyAndDuplicateNames)
{
    TfrDictionaryDialog d(doc.Report());
    d.show();
    auto *tree = control<QTreeWidget>(&d, "variables_tree");
    struct Row {
        const char *item;
        QString typed;
        const char *message;
    };
    const Row rows[] = {
        {"Total", QStringLiteral("   "), "пуст"},
        {"Total", QStringLiteral("double"), "уже есть"},
        {"Итоги", QString(), "пуст"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.item);
        asked.clear();
        tree->setCurrentItem(find(tree, QString::fromUtf8(r.item)));
        click(&d, "rename");
        typeName(tree, r.typed);
        ASSERT_EQ(asked.size(), 1);
        EXPECT_TRUE(asked[0].contains(QString::fromUtf8(r.message))) << asked[0].toStdString();
        EXPECT_NE(find(tree, QString::fromUtf8(r.item)), nullptr) << "the old name stays";
    }
    // A second category of an existing name.
    asked.clear();
    d.AddCategory();
    typeName(tree, QStringLiteral("итоги"));
    EXPECT_EQ(asked.size(), 1);
    // A field variable without a field is not accepted.
    asked.clear();
    tree->setCurrentItem(find(tree, QStringLiteral("Total")));
    QTest::mouseClick(control<QRadioButton>(&d, "value_field"), Qt::LeftButton);
    control<QComboBox>(&d, "dataset_combo")->setCurrentText(QStringLiteral("NoSuchSet"));
    control<QComboBox>(&d, "field_combo")->setEditText(QString());
    d.accept();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(asked.size(), 1);
    EXPECT_EQ(d.Entries().size(), 4) << "renames refused, one category added";
}

// Cancel after changes, and OK without one, leave the template and the history as they
// were; variables without a category come back under one, so reading the template again
// does not turn them into categories.
TEST_F(Dictionary, CancelChangesNothingAndVariablesKeepACategory)
{
    const QByteArray start = doc.Snapshot();
    const int steps = doc.UndoStack().count();
    EXPECT_FALSE(runDialog([](TfrDictionaryDialog &d) {
        d.AddVariable();
        d.findChild<QTreeWidget *>(QStringLiteral("variables_tree"))->setFocus();
        d.DeleteCurrent();
        d.DeleteCurrent();
        d.reject();
    }));
    EXPECT_EQ(doc.Snapshot(), start);
    EXPECT_FALSE(runDialog([](TfrDictionaryDialog &d) { d.accept(); })) << "OK without a change";
    EXPECT_EQ(doc.UndoStack().count(), steps);
    EXPECT_EQ(doc.Snapshot(), start);

    doc.Edit(QStringLiteral("loose"), [&] {
        TfrVariables &vars = doc.Report().Dictionary().VarList;
        vars.Clear();
        vars.SetVariable(QStringLiteral("Loose"), TfrVariant(QStringLiteral("1")));
    });
    EXPECT_TRUE(runDialog([](TfrDictionaryDialog &d) { d.accept(); }));
    const Entries entries = entriesOf(doc.Report().Dictionary().VarList);
    ASSERT_EQ(entries.size(), 2) << show(entries);
    EXPECT_TRUE(entries[0].first.startsWith(QLatin1Char(' ')));
    EXPECT_EQ(entries[1], qMakePair(QStringLiteral("Loose"), QStringLiteral("1")));
    TfrReport copy;
    const QByteArray bytes = doc.Snapshot();
    TfrStream stream(bytes);
    ASSERT_TRUE(copy.LoadFromStream(stream));
    EXPECT_EQ(entriesOf(copy.Dictionary().VarList), entries);
}

// An expression is checked as it is typed: how it is written counts, not what its values
// would do with data (a name's value, a division by zero).
TEST_F(Dictionary, ExpressionCheckShowsTheParsersMessage)
{
    struct Row {
        QString expression;
        bool accepted;
    };
    const Row rows[] = {
        {QStringLiteral("[Table1.\"Amount\"] * 2"), true},
        {QStringLiteral("IIF([Total] > 0, 'есть', 'нет')"), true},
        {QStringLiteral("[Name] * 2"), true},
        {QStringLiteral("'a' * 2"), false}, // a literal of the wrong kind fails for any data
        {QStringLiteral("1 / 0"), true},
        {QStringLiteral("SUM([Table1.\"Amount\"])"), true},
        {QStringLiteral("1 +"), false},
        {QStringLiteral("1 2"), false},
        {QStringLiteral("(1 + 2"), false},
        {QStringLiteral("   "), false},
    };
    TfrDictionaryDialog d(doc.Report());
    d.show();
    auto *tree = control<QTreeWidget>(&d, "variables_tree");
    tree->setCurrentItem(find(tree, QStringLiteral("Double")));
    auto *edit = control<QLineEdit>(&d, "expression_edit");
    auto *message = control<QLabel>(&d, "value_message");
    for (const Row &r : rows) {
        SCOPED_TRACE(r.expression.toStdString());
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        typeText(edit, r.expression);
        EXPECT_EQ(message->text().isEmpty(), r.accepted) << message->text().toStdString();
        asked.clear();
        d.accept();
        EXPECT_EQ(d.isVisible(), !r.accepted);
        EXPECT_EQ(asked.size(), r.accepted ? 0 : 1);
        if (!r.accepted && !asked.isEmpty())
            EXPECT_TRUE(asked[0].contains(message->text())) << "the same message on OK";
        d.show();
    }
}
