// The data tree over a real SQLite table and the fields it drags onto the page: what the
// tree lists (data sets and fields, the dictionary, system variables, functions with their
// descriptions), what it inserts and drags, how it follows the document, and what a drop
// on the canvas makes (the text, its size and band, the header with Ctrl, a refusal
// outside the bands).
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMimeData>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUndoStack>
#include <gtest/gtest.h>

#include "screen_shots.h"

#include "report/designer/band_layout.h"
#include "report/designer/data_tree.h"
#include "report/designer/designer_canvas.h"
#include "report/designer/designer_document.h"
#include "report/designer/designer_window.h"
#include "report/engine/function_dispatch.h"
#include "report/eval/data_dictionary.h"
#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/table_cursor.h"
#include "report/model/band_view.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/report.h"

namespace {

const QString kSets = QStringLiteral("Наборы данных");

// A report over an owner that offers: "Orders" (a report data set over an open table),
// "Rates" (a closed table), "Broken" (a closed cursor over a table that does not exist),
// "Loose" (a report data set bound to nothing) and "Events" (records the program makes).
// Its page has a master header and master data band over Orders, a detail data band over a
// data set nobody offers, and a page footer.
class DataTreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        frInstallFunctionDispatch();
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("data_tree_test"));
        db.setDatabaseName(QStringLiteral(":memory:"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral(
            "CREATE TABLE Orders (Id INTEGER PRIMARY KEY, Dept VARCHAR(40), Amount NUMERIC, Made DATE)")));
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO Orders VALUES (1, 'Бухгалтерия', 10.5, '2026-01-02')")));
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE Rates (Code VARCHAR(3), Rate NUMERIC)")));

        auto cursor = [&](const char *name, const char *table) {
            auto *c = new TfrTableCursor(&owner);
            c->setObjectName(QString::fromLatin1(name));
            c->setDatabase(db);
            c->setTableName(QString::fromLatin1(table));
            return c;
        };
        orders = cursor("OrdersTable", "Orders");
        orders->Open();
        rates = cursor("Rates", "Rates");
        cursor("Broken", "NoSuchTable");
        auto *set = new TfrDBDataSet(&owner);
        set->setObjectName(QStringLiteral("Orders"));
        set->SetDataSet(orders);
        auto *loose = new TfrDBDataSet(&owner);
        loose->setObjectName(QStringLiteral("Loose"));
        auto *events = new TfrUserDataset(&owner);
        events->setObjectName(QStringLiteral("Events"));

        report.Owner = &owner;
        TfrPage *page = report.AddPage();
        header = addBand(*page, QStringLiteral("MasterHeader1"), btMasterHeader, 100, 40, {});
        data = addBand(*page, QStringLiteral("MasterData1"), btMasterData, 160, 40, QStringLiteral("Orders"));
        detail = addBand(*page, QStringLiteral("DetailData1"), btDetailData, 220, 40, QStringLiteral("Missing"));
        footer = addBand(*page, QStringLiteral("PageFooter1"), btPageFooter, 600, 40, {});
        report.Dictionary().VarList.SetVariable(QStringLiteral(" Итоги"), TfrVariant(QString()));
        report.Dictionary().VarList.SetVariable(QStringLiteral("Total"), TfrVariant(QStringLiteral("[Orders.\"Amount\"] * 2")));
        doc = std::make_unique<TfrDesignerDocument>(report);
    }
    void TearDown() override
    {
        doc.reset();
        CurReport = nullptr;
        CurPage = nullptr;
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("data_tree_test"));
    }

    static TfrBandView *addBand(TfrPage &page, const QString &name, int type, int top, int height, const QString &source)
    {
        auto band = std::make_unique<TfrBandView>();
        band->Name = name;
        band->SetBandType(type);
        band->SetBounds(0, top, 700, height);
        band->formatText = source;
        return static_cast<TfrBandView *>(page.Add(std::move(band)));
    }

    // Undo replaces every object of the template: the bands are found again by name.
    void refindBands()
    {
        auto band = [&](const char *name) {
            return static_cast<TfrBandView *>(report.FindObject(QString::fromLatin1(name)));
        };
        header = band("MasterHeader1");
        data = band("MasterData1");
        detail = band("DetailData1");
        footer = band("PageFooter1");
    }

    static QStringList childTexts(const QTreeWidgetItem *item)
    {
        QStringList texts;
        for (int i = 0; item && i < item->childCount(); ++i)
            texts << item->child(i)->text(0);
        return texts;
    }

    QObject owner;
    QSqlDatabase db;
    TfrTableCursor *orders = nullptr;
    TfrTableCursor *rates = nullptr;
    TfrReport report;
    TfrBandView *header = nullptr, *data = nullptr, *detail = nullptr, *footer = nullptr;
    std::unique_ptr<TfrDesignerDocument> doc;
};

} // namespace

TEST_F(DataTreeTest, ListsDataSetsWithFieldsTheDictionarySystemVariablesAndFunctions)
{
    TfrDataTree tree(*doc);
    QTreeWidget *w = tree.Tree();
    QStringList groups;
    for (int i = 0; i < w->topLevelItemCount(); ++i)
        groups << w->topLevelItem(i)->text(0);
    EXPECT_EQ(groups, (QStringList{kSets, QStringLiteral("Словарь"), QStringLiteral("Системные переменные"),
                                   QStringLiteral("Функции")}));

    // The report data set over the table stands for the table: it is not listed twice.
    const QStringList sets = childTexts(tree.ItemAt({kSets}));
    EXPECT_TRUE(sets.contains(QStringLiteral("Orders"))) << sets.join(u',').toStdString();
    EXPECT_FALSE(sets.contains(QStringLiteral("OrdersTable"))) << sets.join(u',').toStdString();
    EXPECT_TRUE(sets.contains(QStringLiteral("Rates")));
    // A data set whose records the program makes has no fields to offer.
    QTreeWidgetItem *events = tree.ItemAt({kSets, QStringLiteral("Events")});
    ASSERT_NE(events, nullptr);
    EXPECT_EQ(events->childCount(), 0);
    w->setCurrentItem(events);
    EXPECT_TRUE(tree.CurrentDescription().contains(QStringLiteral("без полей")));
    EXPECT_EQ(childTexts(tree.ItemAt({kSets, QStringLiteral("Orders")})),
              (QStringList{QStringLiteral("Id"), QStringLiteral("Dept"), QStringLiteral("Amount"), QStringLiteral("Made")}));
    QTreeWidgetItem *dept = tree.ItemAt({kSets, QStringLiteral("Orders"), QStringLiteral("Dept")});
    ASSERT_NE(dept, nullptr);
    w->setCurrentItem(dept);
    EXPECT_EQ(tree.CurrentInsertText(), QStringLiteral("Orders.\"Dept\""));
    EXPECT_TRUE(tree.CurrentDescription().contains(QStringLiteral("String(40)"))) << tree.CurrentDescription().toStdString();

    // A data set a band names that nobody offers: greyed, with a note naming the band.
    QTreeWidgetItem *missing = tree.ItemAt({kSets, QStringLiteral("Missing (не найден)")});
    ASSERT_NE(missing, nullptr) << sets.join(u',').toStdString();
    EXPECT_EQ(missing->foreground(0).color(), QApplication::palette().color(QPalette::Disabled, QPalette::Text));
    w->setCurrentItem(missing);
    EXPECT_TRUE(tree.CurrentDescription().contains(QStringLiteral("DetailData1")));
    EXPECT_TRUE(tree.CurrentInsertText().isEmpty());
    EXPECT_EQ(tree.DragData(missing), nullptr);

    // The dictionary's categories and variables.
    QTreeWidgetItem *total = tree.ItemAt({QStringLiteral("Словарь"), QStringLiteral("Итоги"), QStringLiteral("Total")});
    ASSERT_NE(total, nullptr);
    w->setCurrentItem(total);
    EXPECT_EQ(tree.CurrentInsertText(), QStringLiteral("Total"));
    EXPECT_TRUE(tree.CurrentDescription().contains(QStringLiteral("[Orders.\"Amount\"] * 2")));

    const QStringList system = childTexts(tree.ItemAt({QStringLiteral("Системные переменные")}));
    for (const char *name : {"PAGE#", "TOTALPAGES", "DATE", "TIME", "LINE#", "LINETHROUGH#", "COLUMN#", "CURRENT#"})
        EXPECT_TRUE(system.contains(QString::fromLatin1(name))) << name;

    // Functions by category; the description shows under the tree.
    const QStringList categories = childTexts(tree.ItemAt({QStringLiteral("Функции")}));
    for (const char *cat : {"Агрегатные", "Строковые", "Дата и время", "Базы данных"})
        EXPECT_TRUE(categories.contains(QString::fromUtf8(cat))) << cat;
    QTreeWidgetItem *sum = tree.ItemAt({QStringLiteral("Функции"), QStringLiteral("Агрегатные"), QStringLiteral("SUM")});
    ASSERT_NE(sum, nullptr);
    w->setCurrentItem(sum);
    EXPECT_TRUE(tree.CurrentDescription().startsWith(QStringLiteral("SUM(<Выражение> [,ИмяБэнда [,1]])\n")));
    EXPECT_TRUE(tree.CurrentDescription().contains(QStringLiteral("Вычисляет сумму")));
    EXPECT_EQ(tree.DescriptionLabel()->text(), tree.CurrentDescription());
    // Optional arguments would read as expressions inside a text: the call leaves them out.
    EXPECT_EQ(tree.CurrentInsertText(), QStringLiteral("SUM(<Выражение>)"));
    w->setCurrentItem(tree.ItemAt({QStringLiteral("Функции"), QStringLiteral("Строковые"), QStringLiteral("COPY")}));
    EXPECT_EQ(tree.CurrentInsertText(), QStringLiteral("COPY(<Строка>, <Позиция>, <Длина>)"));
    w->setCurrentItem(tree.ItemAt({QStringLiteral("Функции"), QStringLiteral("Агрегатные")}));
    EXPECT_TRUE(tree.CurrentInsertText().isEmpty()) << "a category inserts nothing";
    EXPECT_TRUE(tree.DescriptionLabel()->text().isEmpty());
}

TEST_F(DataTreeTest, ClosedDataSetsShowTheirFieldsWhenOpenedAndFailuresAsText)
{
    TfrDataTree tree(*doc);
    // A closed table is not read until someone opens it: that reads the whole table.
    QTreeWidgetItem *ratesItem = tree.ItemAt({kSets, QStringLiteral("Rates")});
    ASSERT_NE(ratesItem, nullptr);
    EXPECT_FALSE(rates->Active());
    ratesItem->setExpanded(true);
    EXPECT_EQ(childTexts(tree.ItemAt({kSets, QStringLiteral("Rates")})), (QStringList{QStringLiteral("Code"), QStringLiteral("Rate")}));
    EXPECT_FALSE(rates->Active()) << "the table is left closed, as the program had it";

    QTreeWidgetItem *broken = tree.ItemAt({kSets, QStringLiteral("Broken")});
    ASSERT_NE(broken, nullptr);
    broken->setExpanded(true);
    broken = tree.ItemAt({kSets, QStringLiteral("Broken")});
    ASSERT_EQ(broken->childCount(), 1);
    EXPECT_TRUE(broken->child(0)->text(0).startsWith(QStringLiteral("Поля недоступны: "))) << broken->child(0)->text(0).toStdString();
    EXPECT_GT(broken->child(0)->text(0).size(), QStringLiteral("Поля недоступны: ").size()) << "the reason is given";
    EXPECT_EQ(tree.DragData(broken->child(0)), nullptr);

    QTreeWidgetItem *loose = tree.ItemAt({kSets, QStringLiteral("Loose")});
    ASSERT_NE(loose, nullptr);
    ASSERT_EQ(loose->childCount(), 1);
    EXPECT_EQ(loose->child(0)->text(0), QStringLiteral("Поля недоступны: Набор данных не связан с таблицей."));

    // Reading the same again changes nothing: the failure is not retried behind the user's back.
    const int builds = tree.BuildCount();
    tree.Refresh();
    EXPECT_EQ(tree.BuildCount(), builds);
}

TEST_F(DataTreeTest, InsertsByDoubleClickAndEnterAndDragsFieldsAndVariables)
{
    TfrDataTree tree(*doc);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    QTreeWidget *w = tree.Tree();
    QSignalSpy inserted(&tree, &TfrDataTree::InsertRequested);

    QTreeWidgetItem *dept = tree.ItemAt({kSets, QStringLiteral("Orders"), QStringLiteral("Dept")});
    ASSERT_NE(dept, nullptr);
    w->setCurrentItem(dept);
    w->setFocus();
    QTest::keyClick(w, Qt::Key_Return);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.takeFirst().at(0).toString(), QStringLiteral("Orders.\"Dept\""));

    // A group opens with Enter; it inserts nothing.
    QTreeWidgetItem *functions = tree.ItemAt({QStringLiteral("Функции")});
    w->setCurrentItem(functions);
    QTest::keyClick(w, Qt::Key_Return);
    EXPECT_EQ(inserted.count(), 0);

    QTreeWidgetItem *upper = tree.ItemAt({QStringLiteral("Функции"), QStringLiteral("Строковые"), QStringLiteral("UPPERCASE")});
    ASSERT_NE(upper, nullptr);
    functions->setExpanded(true);
    upper->parent()->setExpanded(true);
    w->scrollToItem(upper);
    QApplication::processEvents();
    const QRect r = w->visualItemRect(upper);
    QTest::mouseClick(w->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    QTest::mouseDClick(w->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.takeFirst().at(0).toString(), QStringLiteral("UPPERCASE(<Строка>)"));

    // Fields and variables drag their expression, plain text gets it in brackets.
    std::unique_ptr<QMimeData> field = tree.DragData(dept);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(QString::fromUtf8(field->data(QString::fromLatin1(kFrFieldMimeType))), QStringLiteral("Orders.\"Dept\""));
    EXPECT_EQ(field->text(), QStringLiteral("[Orders.\"Dept\"]"));
    std::unique_ptr<QMimeData> variable =
        tree.DragData(tree.ItemAt({QStringLiteral("Словарь"), QStringLiteral("Итоги"), QStringLiteral("Total")}));
    ASSERT_NE(variable, nullptr);
    EXPECT_EQ(variable->text(), QStringLiteral("[Total]"));
    EXPECT_EQ(tree.DragData(upper), nullptr) << "a function call is inserted, not dropped";
    EXPECT_EQ(tree.DragData(tree.ItemAt({kSets, QStringLiteral("Orders")})), nullptr);
}

TEST_F(DataTreeTest, FollowsTheDocumentAndStaysAsItIsWhenNothingChanged)
{
    TfrDataTree tree(*doc);
    QTreeWidgetItem *ordersItem = tree.ItemAt({kSets, QStringLiteral("Orders")});
    ordersItem->setExpanded(true);
    const int builds = tree.BuildCount();
    tree.Refresh();
    EXPECT_EQ(tree.BuildCount(), builds);
    EXPECT_EQ(tree.ItemAt({kSets, QStringLiteral("Orders")}), ordersItem) << "nothing changed: the items stay";

    // A variable added in a step of the document shows once the step is over.
    doc->Edit(QStringLiteral("Словарь"), [&] {
        report.Dictionary().VarList.SetVariable(QStringLiteral("Count"), TfrVariant(QStringLiteral("COUNT(MasterData1)")));
    });
    QApplication::processEvents();
    EXPECT_NE(tree.ItemAt({QStringLiteral("Словарь"), QStringLiteral("Итоги"), QStringLiteral("Count")}), nullptr);
    EXPECT_TRUE(tree.ItemAt({kSets, QStringLiteral("Orders")})->isExpanded()) << "what was open stays open";

    // A band that names another data set: the tree shows it missing; undo takes it back.
    doc->Edit(QStringLiteral("Источник"), [&] {
        report.SetProperty(*report.FindObject(QStringLiteral("MasterData1")), QStringLiteral("DataSource"),
                           TfrVariant(QStringLiteral("Archive")));
    });
    QApplication::processEvents();
    EXPECT_NE(tree.ItemAt({kSets, QStringLiteral("Archive (не найден)")}), nullptr);
    doc->UndoStack().undo();
    doc->UndoStack().undo();
    QApplication::processEvents();
    EXPECT_EQ(tree.ItemAt({kSets, QStringLiteral("Archive (не найден)")}), nullptr);
    EXPECT_EQ(tree.ItemAt({QStringLiteral("Словарь"), QStringLiteral("Итоги"), QStringLiteral("Count")}), nullptr);
}

// ---- dropping on the canvas ------------------------------------------------------------------

namespace {

class DropTest : public DataTreeTest {
protected:
    void SetUp() override
    {
        DataTreeTest::SetUp();
        tree = std::make_unique<TfrDataTree>(*doc);
        canvas = std::make_unique<TfrDesignerCanvas>(*doc);
        canvas->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(canvas.get()));
    }
    void TearDown() override
    {
        canvas.reset();
        tree.reset();
        DataTreeTest::TearDown();
    }

    // What a person's drag from the tree delivers: enter, move and drop at a design point.
    // Whether the canvas accepted the move over that point goes to moveAccepted.
    void dropAt(const QStringList &path, QPointF design, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        std::unique_ptr<QMimeData> mime = tree->DragData(tree->ItemAt(path));
        ASSERT_NE(mime, nullptr);
        const QPointF pos = canvas->ToWidget(design);
        QDragEnterEvent enter(pos.toPoint(), Qt::CopyAction | Qt::MoveAction, mime.get(), Qt::LeftButton, mods);
        QApplication::sendEvent(canvas.get(), &enter);
        ASSERT_TRUE(enter.isAccepted()) << "the canvas takes fields";
        QDragMoveEvent move(pos.toPoint(), Qt::CopyAction | Qt::MoveAction, mime.get(), Qt::LeftButton, mods);
        QApplication::sendEvent(canvas.get(), &move);
        moveAccepted = move.isAccepted();
        QDropEvent drop(pos, Qt::CopyAction | Qt::MoveAction, mime.get(), Qt::LeftButton, mods);
        drop.setDropAction(Qt::MoveAction);
        QApplication::sendEvent(canvas.get(), &drop);
        dropAction = drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
    }

    QList<TfrMemoView *> memos() const
    {
        QList<TfrMemoView *> list;
        for (const auto &v : doc->CurrentPage()->Objects)
            if (v->Typ == otMemo)
                list.append(static_cast<TfrMemoView *>(v.get()));
        return list;
    }

    std::unique_ptr<TfrDataTree> tree;
    std::unique_ptr<TfrDesignerCanvas> canvas;
    bool moveAccepted = false;
    Qt::DropAction dropAction = Qt::IgnoreAction;
};

QStringList ordersField(const char *name) { return {kSets, QStringLiteral("Orders"), QString::fromLatin1(name)}; }

} // namespace

TEST_F(DropTest, AFieldOnADataBandBecomesItsBracketedTextOfAFittingSize)
{
    TfrPage &page = *doc->CurrentPage();
    const int steps = doc->UndoStack().count();
    dropAt(ordersField("Dept"), QPointF(page.LeftMargin() + 41, data->Top + 9));
    EXPECT_TRUE(moveAccepted);
    EXPECT_EQ(dropAction, Qt::CopyAction) << "a move would take the field out of the tree";
    ASSERT_EQ(memos().size(), 1);
    TfrMemoView *made = memos().front();
    EXPECT_EQ(made->Memo, QStringList{QStringLiteral("[Orders.\"Dept\"]")});
    EXPECT_EQ(frBandOf(page, *made), data) << "it lands in the band under the point";
    EXPECT_EQ(made->Name, QStringLiteral("Memo1"));
    EXPECT_EQ(doc->Selection(), QList<TfrView *>{made});
    EXPECT_EQ(doc->UndoStack().count(), steps + 1);
    // On the grid (4), one line of the default font high.
    EXPECT_EQ(made->Left % 4, 0);
    EXPECT_EQ(made->Top % 4, 0);
    EXPECT_EQ(made->Left, (page.LeftMargin() + 41 + 2) / 4 * 4);
    EXPECT_EQ(made->Top, data->Top + 8);
    EXPECT_GE(made->Height, made->MinHeight());
    EXPECT_LT(made->Height, 2 * made->MinHeight());
    const int deptWidth = made->Width;

    // A 40-character text field is wider than a whole number, and each is wider than its name.
    dropAt(ordersField("Id"), QPointF(page.LeftMargin() + 300, data->Top + 8));
    ASSERT_EQ(memos().size(), 2);
    TfrMemoView *id = memos().back();
    EXPECT_EQ(id->Name, QStringLiteral("Memo2"));
    EXPECT_LT(id->Width, deptWidth);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    EXPECT_GT(id->Width, QFontMetrics(font).horizontalAdvance(QStringLiteral("Id")));

    // Near the right margin and the band's bottom it stays inside both.
    dropAt(ordersField("Dept"), QPointF(page.RightMargin() - 5, data->Top + data->Height - 2));
    TfrMemoView *edge = memos().back();
    EXPECT_LE(edge->Left + edge->Width, page.RightMargin());
    EXPECT_LE(edge->Top + edge->Height, data->Top + data->Height);
    EXPECT_EQ(frBandOf(page, *edge), data);

    // On a band's caption strip the field goes to the top of that band.
    const QRect caption = canvas->CaptionRect(*detail);
    dropAt(ordersField("Made"), QPointF(caption.center()));
    EXPECT_TRUE(moveAccepted);
    TfrMemoView *onCaption = memos().back();
    EXPECT_EQ(onCaption->Memo, QStringList{QStringLiteral("[Orders.\"Made\"]")});
    EXPECT_EQ(frBandOf(page, *onCaption), detail);
    EXPECT_EQ(onCaption->Top, detail->Top);

    // Undo takes a drop back whole.
    doc->UndoStack().undo();
    EXPECT_EQ(memos().size(), 3);
}

TEST_F(DropTest, WithCtrlTheHeaderBandGetsTheFieldsNameInOneStep)
{
    TfrPage &page = *doc->CurrentPage();
    const QByteArray before = doc->Snapshot();
    dropAt(ordersField("Amount"), QPointF(page.LeftMargin() + 120, data->Top + 4), Qt::ControlModifier);
    ASSERT_EQ(memos().size(), 2);
    TfrMemoView *field = memos().front();
    TfrMemoView *caption = memos().back();
    EXPECT_EQ(field->Memo, QStringList{QStringLiteral("[Orders.\"Amount\"]")});
    EXPECT_EQ(caption->Memo, QStringList{QStringLiteral("Amount")}) << "the name, not an expression";
    EXPECT_EQ(frBandOf(page, *caption), header);
    EXPECT_EQ(caption->Left, field->Left);
    EXPECT_EQ(caption->Width, field->Width);
    EXPECT_NE(caption->Name, field->Name);
    EXPECT_EQ(doc->Selection(), QList<TfrView *>{field});
    doc->UndoStack().undo();
    EXPECT_EQ(doc->Snapshot(), before) << "one step took both";
    refindBands();

    // A band without a header band gets the field alone, and the status bar says why.
    QSignalSpy status(canvas.get(), &TfrDesignerCanvas::StatusMessage);
    dropAt(ordersField("Amount"), QPointF(page.LeftMargin() + 120, detail->Top + 4), Qt::ControlModifier);
    ASSERT_EQ(memos().size(), 1);
    EXPECT_EQ(frBandOf(page, *memos().front()), detail);
    EXPECT_EQ(status.count(), 1);

    // A variable drops as [Name], its header is the name.
    dropAt({QStringLiteral("Словарь"), QStringLiteral("Итоги"), QStringLiteral("Total")},
           QPointF(page.LeftMargin() + 400, data->Top + 4), Qt::ControlModifier);
    ASSERT_EQ(memos().size(), 3);
    EXPECT_EQ(memos()[1]->Memo, QStringList{QStringLiteral("[Total]")});
    EXPECT_EQ(memos()[2]->Memo, QStringList{QStringLiteral("Total")});
    EXPECT_EQ(frBandOf(page, *memos()[2]), header);
}

TEST_F(DropTest, OutsideEveryBandNothingChangesAndTheStatusBarSaysWhy)
{
    TfrPage &page = *doc->CurrentPage();
    QSignalSpy status(canvas.get(), &TfrDesignerCanvas::StatusMessage);
    const QByteArray before = doc->Snapshot();
    const int steps = doc->UndoStack().count();
    dropAt(ordersField("Dept"), QPointF(page.LeftMargin() + 40, 400));
    EXPECT_FALSE(moveAccepted) << "the pointer shows the drop would be refused";
    EXPECT_EQ(dropAction, Qt::IgnoreAction);
    EXPECT_TRUE(memos().isEmpty());
    EXPECT_EQ(doc->Snapshot(), before);
    EXPECT_EQ(doc->UndoStack().count(), steps);
    ASSERT_EQ(status.count(), 1);
    EXPECT_TRUE(status.front().at(0).toString().contains(QStringLiteral("полос")));

    // Whatever else is dragged over the page is not taken.
    QMimeData other;
    other.setText(QStringLiteral("[Orders.\"Dept\"]"));
    const QPoint pos = canvas->ToWidget(QPointF(page.LeftMargin() + 40, data->Top + 8)).toPoint();
    QDragEnterEvent enter(pos, Qt::CopyAction, &other, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(canvas.get(), &enter);
    EXPECT_FALSE(enter.isAccepted());
}

// The designer at the operators' screen size with the data tree showing a data set's fields
// and a function's description. The picture goes to $FR_DESIGNER_SHOTS when it is set.
TEST_F(DataTreeTest, TheWindowShowsFieldsAndAFunctionsDescriptionAt1366x768)
{
    doc.reset(); // the window's own document edits the report
    QTemporaryDir dir;
    frDesignerSettings().settingsFile = dir.filePath(QStringLiteral("designer.ini"));
    frDesignerSettings().recoveryFolder = dir.filePath(QStringLiteral("recovery"));
    {
        TfrDesignerWindow w(report, false);
        w.setGeometry(0, 0, 1366, 768);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        auto *tree = w.findChild<TfrDataTree *>(QStringLiteral("data_tree_panel"));
        ASSERT_NE(tree, nullptr);
        auto *dock = w.findChild<QDockWidget *>(QStringLiteral("dock_data_tree"));
        ASSERT_NE(dock, nullptr);
        dock->show();
        dock->raise();
        TfrDesignerCanvas &canvas = w.Canvas();
        TfrPage &page = *w.Document().CurrentPage();
        TfrView *band = w.Document().Report().FindObject(QStringLiteral("MasterData1"));
        ASSERT_NE(band, nullptr);
        const int top = band->Top + 8;
        int x = page.LeftMargin();
        for (const char *field : {"Id", "Dept", "Amount", "Made"}) {
            TfrView *made = canvas.DropField(frFieldExpression(QStringLiteral("Orders"), QString::fromLatin1(field)),
                                             QPointF(x, top), true);
            ASSERT_NE(made, nullptr) << field;
            x = made->Left + made->Width + 8;
        }
        QTreeWidgetItem *orders = tree->ItemAt({kSets, QStringLiteral("Orders")});
        ASSERT_NE(orders, nullptr);
        orders->setExpanded(true);
        tree->ItemAt({QStringLiteral("Функции")})->setExpanded(true);
        QTreeWidgetItem *sum = tree->ItemAt({QStringLiteral("Функции"), QStringLiteral("Агрегатные"), QStringLiteral("SUM")});
        ASSERT_NE(sum, nullptr);
        tree->Tree()->setCurrentItem(sum);
        if (auto *inspector = w.findChild<QDockWidget *>(QStringLiteral("dock_inspector")))
            w.resizeDocks({inspector, dock}, {220, 480}, Qt::Vertical);
        QApplication::processEvents();
        tree->Tree()->scrollToItem(tree->ItemAt({kSets}), QAbstractItemView::PositionAtTop);
        QApplication::processEvents();
        EXPECT_TRUE(tree->isVisible());
        EXPECT_TRUE(tree->DescriptionLabel()->text().contains(QStringLiteral("Вычисляет сумму")));
        EXPECT_GE(tree->DescriptionLabel()->height(), tree->DescriptionLabel()->fontMetrics().lineSpacing() * 3)
            << "the description has room for a few lines";
        const QImage shot = w.grab().toImage();
        keep(shot, "i24-data-tree.png");
        w.Document().SetSavedState();
    }
    frDesignerSettings() = TfrDesignerSettings{};
}
