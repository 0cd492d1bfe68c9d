// The dictionary, the report options and the script editor over the designer window at the operators' screen
// size (1366x768): each dialog fits the screen and shows what it should (the script editor
// with a syntax error found, the cursor on its line). The pictures are written to
// $FR_DESIGNER_SHOTS when it is set, for a person to look at.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "screen_shots.h"

#include "report/designer/designer_document.h"
#include "report/designer/designer_window.h"
#include "report/designer/dictionary_dialog.h"
#include "report/designer/report_options_dialog.h"
#include "report/designer/script_dialog.h"
#include "report/designer/script_editor.h"
#include "report/eval/data_dictionary.h"
#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/table_cursor.h"
#include "report/model/report.h"
#include "testkit/paths.h"

namespace {

// The window with the dialog centred over it, as the screen shows them.
QImage over(QWidget &window, QWidget &dialog)
{
    QImage image = window.grab().toImage();
    QPainter p(&image);
    const QImage top = dialog.grab().toImage();
    const QPoint at((image.width() - top.width()) / 2, (image.height() - top.height()) / 2);
    p.drawImage(at, top);
    p.setPen(QColor(0x60, 0x60, 0x60));
    p.drawRect(QRect(at, top.size()).adjusted(-1, -1, 0, 0));
    return image;
}

class ReportDialogScreens : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        frDesignerSettings().settingsFile = dir.filePath(QStringLiteral("designer.ini"));
        frDesignerSettings().recoveryFolder = dir.filePath(QStringLiteral("recovery"));
        window = std::make_unique<TfrDesignerWindow>();
        window->setGeometry(0, 0, 1366, 768);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        ASSERT_TRUE(window->OpenFile(testkit::builtPath(QStringLiteral("Reports/J001.frf"))));
    }
    void TearDown() override
    {
        window->Document().SetSavedState();
        window.reset();
        frDesignerSettings() = TfrDesignerSettings{};
        CurReport = nullptr;
        CurPage = nullptr;
    }
    QTemporaryDir dir;
    std::unique_ptr<TfrDesignerWindow> window;
};

} // namespace

TEST_F(ReportDialogScreens, DictionaryAt1366x768)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("dictionary_screen"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    ASSERT_TRUE(db.open());
    QSqlQuery(db).exec(QStringLiteral("CREATE TABLE Files (Num INTEGER, Name TEXT, Received TEXT, Size INTEGER)"));
    {
        QObject owner;
        auto *cursor = new TfrTableCursor(&owner);
        cursor->setObjectName(QStringLiteral("Files"));
        cursor->setDatabase(db);
        cursor->setTableName(QStringLiteral("Files"));
        cursor->Open();
        auto *dataSet = new TfrDBDataSet(&owner);
        dataSet->setObjectName(QStringLiteral("frDBDataSet1"));
        dataSet->SetDataSet(cursor);
        TfrReport &report = window->Document().Report();
        report.Owner = &owner;
        window->Document().Edit(QStringLiteral("variables"), [&] {
            TfrVariables &vars = report.Dictionary().VarList;
            vars.SetVariable(QStringLiteral(" Итоги"), TfrVariant(QString()));
            vars.SetVariable(QStringLiteral("FileSize"), TfrVariant(QStringLiteral("Files.\"Size\"")));
            vars.SetVariable(QStringLiteral("SizeKb"), TfrVariant(QStringLiteral("[FileSize] / 1024")));
            vars.SetVariable(QStringLiteral(" Шапка"), TfrVariant(QString()));
            vars.SetVariable(QStringLiteral("Office"), TfrVariant(QStringLiteral("'Отдел приёма'")));
            vars.SetVariable(QStringLiteral("Printed"), TfrVariant(QString()));
        });
        {
            TfrDictionaryDialog dialog(report, window.get());
            dialog.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
            EXPECT_LE(dialog.width(), 1366);
            EXPECT_LE(dialog.frameGeometry().height(), 768);
            auto *tree = dialog.findChild<QTreeWidget *>(QStringLiteral("variables_tree"));
            tree->setCurrentItem(tree->findItems(QStringLiteral("FileSize"), Qt::MatchExactly | Qt::MatchRecursive).front());
            QApplication::processEvents();
            const QImage shot = over(*window, dialog);
            EXPECT_GT(colourCount(shot, 3), 20);
            keep(shot, "i24-dictionary.png");
        }
        report.Owner = nullptr;
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("dictionary_screen"));
}

TEST_F(ReportDialogScreens, ScriptEditorWithASyntaxErrorAt1366x768)
{
    const QStringList script{
        QStringLiteral("begin"),
        QStringLiteral("  { hide empty sums }"),
        QStringLiteral("  if [Files.\"Size\"] = 0 then"),
        QStringLiteral("    MemoSize.Visible := False"),
        QStringLiteral("  else"),
        QStringLiteral("    MemoSize.Visible := True;"),
        QStringLiteral("  Total := Total + [Files.\"Size\"]"),
        QStringLiteral("  Count := Count + 1;"),
        QStringLiteral("  if Count > 100 then PROGRESS := 'Строк: ' + Count // progress"),
        QStringLiteral("end"),
    };
    TfrScriptDialog dialog(QStringLiteral("страница Page1"), script, window.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_LE(dialog.frameGeometry().width(), 1366);
    EXPECT_LE(dialog.frameGeometry().height(), 768);
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("check_button")), Qt::LeftButton);
    EXPECT_EQ(dialog.Editor()->CursorLine(), 6) << "the statement before has no \";\"";
    QApplication::processEvents();
    const QImage shot = over(*window, dialog);
    EXPECT_GT(colourCount(shot, 3), 20);
    keep(shot, "i24-script-editor.png");
}

TEST_F(ReportDialogScreens, ReportOptionsAt1366x768)
{
    TfrReportOptionsDialog dialog(window->Document().Report(), window.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_LE(dialog.frameGeometry().width(), 1366);
    EXPECT_LE(dialog.frameGeometry().height(), 768);
    QApplication::processEvents();
    const QImage shot = over(*window, dialog);
    EXPECT_GT(colourCount(shot, 3), 20);
    keep(shot, "i24-report-options.png");
}
