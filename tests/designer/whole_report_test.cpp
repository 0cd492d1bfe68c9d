// A whole report made only through the designer's widgets, the way a person makes it: bands
// from the Вставка menu, the data band's source in its editor, fields dragged from the data
// tree, the group's condition in the inspector, totals typed in the text editor, a highlight
// and a display format through their dialogs, saved with Сохранить как… — then prepared over
// a table into the expected pages.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "dialog_answers.h"
#include "report/designer/band_picture_editors.h"
#include "report/designer/data_tree.h"
#include "report/designer/designer_canvas.h"
#include "report/designer/designer_document.h"
#include "report/designer/designer_window.h"
#include "report/designer/format_dialog.h"
#include "report/designer/highlight_dialog.h"
#include "report/designer/memo_editor.h"
#include "report/designer/object_inspector.h"
#include "report/engine/prepared_pages.h"
#include "report/engine/report_builder.h"
#include "report/eval/db_dataset.h"
#include "report/eval/format_settings.h"
#include "report/eval/globals.h"
#include "report/eval/table_cursor.h"
#include "report/model/band_view.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/report.h"

namespace {

// Three groups of goods, in the order the report groups them.
struct Row {
    const char *group;
    const char *name;
    int amount;
};
const Row kRows[] = {
    {"Бумага", "Бумага офисная", 100}, {"Бумага", "Бумага для заметок", 300}, {"Бумага", "Бумага цветная", 200},
    {"Картон", "Картон белый", 400},   {"Картон", "Картон серый", 150},       {"Плёнка", "Плёнка для ламинирования", 50},
    {"Плёнка", "Плёнка стретч", 600},  {"Плёнка", "Плёнка пузырчатая", 250},  {"Плёнка", "Плёнка упаковочная", 350},
};

class WholeReport : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        frDesignerSettings().settingsFile = dir.filePath(QStringLiteral("designer.ini"));
        frDesignerSettings().recoveryFolder = dir.filePath(QStringLiteral("recovery"));
        savedDialogs = frDesignerDialogs();
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("whole_report"));
        db.setDatabaseName(QStringLiteral(":memory:"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE Goods (Grp VARCHAR(20), Name VARCHAR(40), Amount INTEGER)")));
        for (const Row &r : kRows)
            ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO Goods VALUES ('%1', '%2', %3)")
                                   .arg(QString::fromUtf8(r.group), QString::fromUtf8(r.name))
                                   .arg(r.amount)));
        cursor = new TfrTableCursor(&owner);
        cursor->setDatabase(db);
        cursor->setTableName(QStringLiteral("Goods"));
        cursor->Open();
        dataSet = new TfrDBDataSet(&owner);
        dataSet->setObjectName(QStringLiteral("frDBDataSet1"));
        dataSet->SetDataSet(cursor);
    }
    void TearDown() override
    {
        frDesignerDialogs() = savedDialogs;
        frDesignerSettings() = TfrDesignerSettings{};
        CurReport = MasterReport = nullptr;
        CurPage = nullptr;
        delete dataSet;
        delete cursor;
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("whole_report"));
    }

    QTemporaryDir dir;
    QSqlDatabase db;
    QObject owner;
    TfrTableCursor *cursor = nullptr;
    TfrDBDataSet *dataSet = nullptr;
    TfrDesignerDialogs savedDialogs;
};

TfrView *bandOf(TfrDesignerDocument &doc, int type)
{
    for (const auto &v : doc.CurrentPage()->Objects)
        if (v->Typ == otBand && int(v->FrameTyp) == type)
            return v.get();
    return nullptr;
}

TfrView *textSaying(TfrDesignerDocument &doc, const QString &text)
{
    for (const auto &v : doc.CurrentPage()->Objects)
        if (v->Typ == otMemo && v->Memo.join(QLatin1Char('\n')) == text)
            return v.get();
    return nullptr;
}

// A field of the data tree dragged onto the canvas and let go at a design point.
void dropField(TfrDataTree &tree, TfrDesignerCanvas &canvas, const QString &field, QPointF at)
{
    QTreeWidgetItem *item = tree.ItemAt({QStringLiteral("Наборы данных"), QStringLiteral("frDBDataSet1"), field});
    ASSERT_NE(item, nullptr) << field.toStdString();
    std::unique_ptr<QMimeData> mime = tree.DragData(item);
    ASSERT_NE(mime, nullptr);
    const QPoint pos = canvas.ToWidget(at).toPoint();
    QDragEnterEvent enter(pos, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&canvas, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDragMoveEvent move(pos, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&canvas, &move);
    QDropEvent drop(QPointF(pos), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&canvas, &drop);
    ASSERT_TRUE(drop.isAccepted()) << field.toStdString();
}

void dragOn(QWidget *w, QPoint from, QPoint to)
{
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(w, (from + to) / 2);
    QTest::mouseMove(w, to);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, to);
}

} // namespace

TEST_F(WholeReport, AGroupedListWithTotalsHighlightAndFormatMadeThroughTheWidgetsPrintsAsExpected)
{
    TfrFormatSettingsScope russian(TfrFormatSettings::russian());
    const QString file = dir.filePath(QStringLiteral("goods.frf"));
    frDesignerDialogs().saveFileName = [&file](QWidget *, const QString &, const QString &, const QString &) {
        return file;
    };
    {
        TfrReport report;
        report.Owner = &owner;
        TfrDesignerWindow w(report, false);
        w.resize(1366, 768);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        TfrDesignerDocument &doc = w.Document();
        TfrDesignerCanvas &canvas = w.Canvas();
        auto *tree = w.findChild<TfrDataTree *>(QStringLiteral("data_tree_panel"));
        ASSERT_NE(tree, nullptr);

        // Bands from the Вставка menu: they take their places by type.
        for (int type : {btMasterData, btGroupHeader, btGroupFooter})
            w.Action(QStringLiteral("insert_band_%1").arg(type))->trigger();
        ASSERT_TRUE(bandOf(doc, btMasterData) && bandOf(doc, btGroupHeader) && bandOf(doc, btGroupFooter));
        // New objects are named by the model's rule: the data band is "Band…", and COUNT names it.
        const QString dataBand = bandOf(doc, btMasterData)->Name;
        EXPECT_LT(bandOf(doc, btGroupHeader)->Top, bandOf(doc, btMasterData)->Top);
        EXPECT_LT(bandOf(doc, btMasterData)->Top, bandOf(doc, btGroupFooter)->Top);

        // The data band's source: a double-click on its caption opens its editor.
        auto answer = whenOpen<TfrBandDataSourceDialog>([](TfrBandDataSourceDialog *d) {
            auto *list = child<QComboBox>(d, "dataset");
            list->setCurrentIndex(list->findText(QStringLiteral("frDBDataSet1")));
            d->accept();
        });
        const QRect caption = canvas.CaptionRect(*bandOf(doc, btMasterData));
        QTest::mouseDClick(&canvas, Qt::LeftButton, Qt::NoModifier, canvas.ToWidget(QPointF(caption.center())).toPoint());
        EXPECT_FALSE(answer->isActive()) << "the data source editor did not open";
        ASSERT_EQ(static_cast<TfrBandView *>(bandOf(doc, btMasterData))->formatText, QStringLiteral("frDBDataSet1"));

        // The group's condition, typed in the inspector with the group header selected.
        doc.Select(bandOf(doc, btGroupHeader));
        ASSERT_TRUE(w.Inspector().SetValue(QStringLiteral("Condition"), TfrVariant(QStringLiteral("[frDBDataSet1.\"Grp\"]"))));

        // Fields from the data tree: the group on its header, name and amount on the data band.
        tree->Refresh();
        const int left = doc.CurrentPage()->LeftMargin();
        dropField(*tree, canvas, QStringLiteral("Grp"), QPointF(left + 8, bandOf(doc, btGroupHeader)->Top + 2));
        dropField(*tree, canvas, QStringLiteral("Name"), QPointF(left + 8, bandOf(doc, btMasterData)->Top + 2));
        dropField(*tree, canvas, QStringLiteral("Amount"), QPointF(left + 400, bandOf(doc, btMasterData)->Top + 2));
        TfrView *name = textSaying(doc, QStringLiteral("[frDBDataSet1.\"Name\"]"));
        TfrView *amount = textSaying(doc, QStringLiteral("[frDBDataSet1.\"Amount\"]"));
        ASSERT_TRUE(name && amount && textSaying(doc, QStringLiteral("[frDBDataSet1.\"Grp\"]")));
        const QString nameName = name->Name, amountName = amount->Name;

        // The totals: a text drawn on the group footer, its lines typed in the text editor.
        w.Action(QStringLiteral("tool_memo"))->trigger();
        const QRect footer = canvas.DesignRect(*bandOf(doc, btGroupFooter));
        dragOn(&canvas, canvas.ToWidget(QPointF(left + 8, footer.top() + 2)).toPoint(),
               canvas.ToWidget(QPointF(left + 500, footer.top() + 20)).toPoint());
        ASSERT_EQ(doc.Selection().size(), 1);
        TfrView *total = doc.Selection().front();
        answer = whenOpen<TfrMemoEditor>([&dataBand](TfrMemoEditor *e) {
            child<QPlainTextEdit>(e, "memo_lines")->setPlainText(
                QStringLiteral("Итого: [SUM([frDBDataSet1.\"Amount\"])], позиций: [COUNT(%1)]").arg(dataBand));
            clickOk(e);
        });
        QTest::mouseDClick(&canvas, Qt::LeftButton, Qt::NoModifier, canvas.WidgetRect(*total).center());
        EXPECT_FALSE(answer->isActive()) << "the text editor did not open";

        // A highlight on the name (bold over 250) and a number format on the amount, both
        // through the inspector's "…".
        doc.Select(doc.Report().FindObject(nameName));
        answer = whenOpen<TfrHighlightDialog>([](TfrHighlightDialog *d) {
            typeInto(child<QLineEdit>(d, "highlight_condition"), QStringLiteral("[frDBDataSet1.\"Amount\"] > 250"));
            child<QCheckBox>(d, "style_bold")->setChecked(true);
            clickOk(d);
        });
        pressEllipsis(w.Inspector(), QStringLiteral("Highlight"));
        EXPECT_FALSE(answer->isActive()) << "the highlight dialog did not open";
        doc.Select(doc.Report().FindObject(amountName));
        answer = whenOpen<TfrFormatDialog>([](TfrFormatDialog *d) {
            child<QListWidget>(d, "format_category")->setCurrentRow(1); // number
            child<QListWidget>(d, "format_variant")->setCurrentRow(3);  // thousands, fixed decimals
            child<QSpinBox>(d, "format_decimals")->setValue(2);
            clickOk(d);
        });
        pressEllipsis(w.Inspector(), QStringLiteral("DisplayFormat"));
        EXPECT_FALSE(answer->isActive()) << "the format dialog did not open";

        w.Action(QStringLiteral("action_save_as"))->trigger();
        ASSERT_TRUE(QFileInfo::exists(file));
        EXPECT_FALSE(doc.IsModified());
    }

    // Prepared over the table.
    TfrReportBuilder builder;
    builder.ShowErrorBox = false;
    builder.ShowProgress = false;
    builder.Report.Owner = &owner;
    builder.Report.Dataset = dataSet;
    CurReport = &builder.Report;
    ASSERT_TRUE(builder.Report.LoadFromFile(file));
    ASSERT_TRUE(builder.PrepareReport()) << builder.LastError.toStdString();
    ASSERT_EQ(builder.EMFPages.Count(), 1);
    QStringList printed;
    builder.EMFPages.ForEachObject(0, [&](TfrView &v) {
        auto *m = dynamic_cast<TfrMemoView *>(&v);
        if (!m)
            return;
        const bool bold = m->Font.Style & 2;
        printed << m->Memo.join(QString()) + (bold ? QStringLiteral(" *") : QString());
    });
    const QStringList expected{
        QStringLiteral("Бумага"),
        QStringLiteral("Бумага офисная"), QStringLiteral("100,00"),
        QStringLiteral("Бумага для заметок *"), QStringLiteral("300,00"),
        QStringLiteral("Бумага цветная"), QStringLiteral("200,00"),
        QStringLiteral("Итого: 600, позиций: 3"),
        QStringLiteral("Картон"),
        QStringLiteral("Картон белый *"), QStringLiteral("400,00"),
        QStringLiteral("Картон серый"), QStringLiteral("150,00"),
        QStringLiteral("Итого: 550, позиций: 2"),
        QStringLiteral("Плёнка"),
        QStringLiteral("Плёнка для ламинирования"), QStringLiteral("50,00"),
        QStringLiteral("Плёнка стретч *"), QStringLiteral("600,00"),
        QStringLiteral("Плёнка пузырчатая"), QStringLiteral("250,00"),
        QStringLiteral("Плёнка упаковочная *"), QStringLiteral("350,00"),
        QStringLiteral("Итого: 1250, позиций: 4"),
    };
    EXPECT_EQ(printed.join(QLatin1Char('|')).toStdString(), expected.join(QLatin1Char('|')).toStdString());
}
