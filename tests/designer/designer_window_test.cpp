// The designer's window as a person uses it: actions found by their names, files opened and
// saved through the window, the clipboard between two windows, recovery after a crash, the
// report's designer hooks and the preview of a copy.
#include <QApplication>
#include <QClipboard>
#include <QSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QDockWidget>
#include <QFile>
#include <QImage>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QUndoStack>
#include <deque>
#include <gtest/gtest.h>

#include "report/designer/data_tree.h"
#include "report/designer/designer_canvas.h"
#include "report/designer/designer_document.h"
#include "report/designer/designer_window.h"
#include "report/engine/prepare.h"
#include "report/engine/prepared_pages.h"
#include "report/engine/report_builder.h"
#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/table_cursor.h"
#include "report/eval/ui_hooks.h"
#include "report/model/band_view.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "report/model/subreport_view.h"
#include "report/ui/preview_form.h"
#include "report/designer/settings_dialog.h"
#include "testkit/paths.h"
#include "tool_run.h"

namespace {

constexpr int kYes = 6, kNo = 7, kCancel = 2;

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TfrView *addMemo(TfrPage &page, const QString &name, int left, int top, const QString &text)
{
    auto memo = std::make_unique<TfrMemoView>();
    memo->Name = name;
    memo->SetBounds(left, top, 120, 18);
    memo->Memo = QStringList{text};
    return page.Add(std::move(memo));
}

// Settings, recovery files and questions of one test: temporary folders, and answers given
// in order (a question nobody expected is answered Отмена and recorded).
class DesignerWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        frDesignerSettings().settingsFile = dir.filePath(QStringLiteral("designer.ini"));
        frDesignerSettings().recoveryFolder = dir.filePath(QStringLiteral("recovery"));
        frDesignerSettings().recoveryIntervalMs = 60000;
        savedMessageBox = frUiHooks().MessageBox;
        frUiHooks().MessageBox = [this](const QString &text, const QString &, int) {
            asked.append(text);
            if (answers.empty())
                return kCancel;
            const int a = answers.front();
            answers.pop_front();
            return a;
        };
        savedDialogs = frDesignerDialogs();
        frDesignerDialogs().openFileName = [](QWidget *, const QString &, const QString &) { return QString(); };
        frDesignerDialogs().saveFileName = [](QWidget *, const QString &, const QString &, const QString &) {
            return QString();
        };
        journal = testkit::builtPath(QStringLiteral("Reports/J001.frf"));
        ASSERT_TRUE(QFileInfo::exists(journal)) << "the journal template is built next to the tests";
    }
    void TearDown() override
    {
        frUiHooks().MessageBox = savedMessageBox;
        frDesignerDialogs() = savedDialogs;
        frDesignerSettings() = TfrDesignerSettings{};
        CurReport = nullptr;
        CurPage = nullptr;
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    QString copyOfJournal(const QString &name = QStringLiteral("J001.frf")) const
    {
        const QString target = path(name);
        QFile::remove(target);
        EXPECT_TRUE(QFile::copy(journal, target));
        return target;
    }
    // A memo edited the way the inspector edits it: one step through the property interface.
    static void renameFirstText(TfrDesignerDocument &doc, const QString &text)
    {
        for (const auto &v : doc.CurrentPage()->Objects)
            if (v->Typ == otMemo) {
                TfrView *view = v.get();
                doc.Edit(QStringLiteral("Текст"),
                         [&] { doc.Report().SetProperty(*view, QStringLiteral("Memo"), TfrVariant(text)); });
                return;
            }
    }

    QTemporaryDir dir;
    QString journal;
    std::deque<int> answers;
    QStringList asked;
    std::function<int(const QString &, const QString &, int)> savedMessageBox;
    TfrDesignerDialogs savedDialogs;
};

} // namespace

TEST_F(DesignerWindow, MenusBarsDocksAndActionsAreThereByName)
{
    TfrDesignerWindow w;
    QStringList menus;
    for (QAction *a : w.menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus.join(QLatin1Char(',')),
              QStringLiteral("Файл,Правка,Вид,Вставка,Отчёт,Сервис"));

    const char *ids[] = {"action_new", "action_open", "action_save", "action_save_as", "action_preview",
                         "action_exit", "action_undo", "action_redo", "action_cut", "action_copy", "action_paste",
                         "action_delete", "action_select_all", "action_bring_to_front", "action_send_to_back",
                         "action_show_grid", "action_align_to_grid", "zoom_25", "zoom_100", "zoom_400",
                         "zoom_page_width", "zoom_whole_page", "action_add_page", "action_delete_page",
                         "action_data_dictionary", "action_report_options", "action_report_script",
                         "action_settings", "action_new_from_template", "action_save_as_template",
                         "action_page_setup", "action_rulers", "tool_select", "tool_memo", "tool_band", "tool_picture",
                         "tool_subreport", "tool_line", "insert_object_memo", "insert_object_picture",
                         "insert_object_subreport", "insert_object_line", "align_lefts", "align_centres",
                         "align_rights", "align_tops", "align_middles", "align_bottoms", "align_same_width",
                         "align_same_height", "align_space_across", "align_space_down",
                         "align_centre_band_across", "align_centre_band_down", "align_to_grid",
                         "view_dock_inspector", "view_dock_structure", "units_mm", "units_px"};
    for (const char *id : ids)
        EXPECT_NE(w.Action(QString::fromLatin1(id)), nullptr) << id;
    for (int type = btReportTitle; type <= btChild; ++type)
        EXPECT_NE(w.Action(QStringLiteral("insert_band_%1").arg(type)), nullptr) << "band type " << type;

    // The usual keys.
    EXPECT_EQ(w.Action(QStringLiteral("action_preview"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    EXPECT_EQ(w.Action(QStringLiteral("action_save_as"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    EXPECT_TRUE(w.Action(QStringLiteral("action_redo"))->shortcuts().contains(QKeySequence(QStringLiteral("Ctrl+Y"))));
    EXPECT_TRUE(
        w.Action(QStringLiteral("action_redo"))->shortcuts().contains(QKeySequence(QStringLiteral("Ctrl+Shift+Z"))));
    EXPECT_EQ(w.Action(QStringLiteral("action_delete"))->shortcut(), QKeySequence(Qt::Key_Delete));

    for (const char *id : {"toolbar_standard", "toolbar_objects", "toolbar_alignment"}) {
        auto *bar = w.findChild<QToolBar *>(QString::fromLatin1(id));
        ASSERT_NE(bar, nullptr) << id;
        EXPECT_TRUE(bar->isMovable() && bar->isFloatable()) << id;
    }
    EXPECT_EQ(w.findChild<QToolBar *>(QStringLiteral("toolbar_objects"))->orientation(), Qt::Vertical);
    EXPECT_EQ(w.findChild<QDockWidget *>(QStringLiteral("dock_inspector"))->windowTitle(),
              QStringLiteral("Инспектор объектов"));
    EXPECT_EQ(w.findChild<QDockWidget *>(QStringLiteral("dock_structure"))->windowTitle(),
              QStringLiteral("Структура отчёта"));
    // Everything fits the screens people have.
    EXPECT_LE(w.minimumSizeHint().width(), 1366);
    EXPECT_LE(w.minimumSizeHint().height(), 768);
    EXPECT_LE(w.width(), 1366);
    EXPECT_LE(w.height(), 768);
}

TEST_F(DesignerWindow, TitleNamesTheFileAndMarksChanges)
{
    TfrDesignerWindow w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Без имени — Дизайнер отчётов"));
    ASSERT_TRUE(w.OpenFile(copyOfJournal()));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("J001.frf — Дизайнер отчётов"));
    renameFirstText(w.Document(), QStringLiteral("changed"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("J001.frf* — Дизайнер отчётов"));
    w.Action(QStringLiteral("action_undo"))->trigger();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("J001.frf — Дизайнер отчётов"));
    EXPECT_FALSE(w.Action(QStringLiteral("action_undo"))->isEnabled());
    w.Action(QStringLiteral("action_redo"))->trigger();
    EXPECT_TRUE(w.Document().IsModified());
    EXPECT_TRUE(asked.isEmpty()) << asked.join(QLatin1Char('\n')).toStdString();
}

TEST_F(DesignerWindow, TemplatesOpenAndSaveByteIdenticalAndUndoAllTheWayGivesTheOpenedBytes)
{
    // The journal, the summary, and a template made here.
    const QString made = path(QStringLiteral("made.frf"));
    {
        TfrDesignerDocument doc;
        doc.Edit(QStringLiteral("add"), [&] {
            auto band = std::make_unique<TfrBandView>();
            band->Name = QStringLiteral("Band1");
            band->SetBounds(0, 40, 700, 30);
            band->SetBandType(btReportTitle);
            doc.CurrentPage()->Add(std::move(band));
            addMemo(*doc.CurrentPage(), QStringLiteral("Memo1"), 20, 44, QStringLiteral("Заголовок"));
        });
        ASSERT_TRUE(doc.Save(made));
    }
    const QString sources[] = {copyOfJournal(), testkit::builtPath(QStringLiteral("Reports/S001.frf")), made};
    for (const QString &source : sources) {
        SCOPED_TRACE(source.toStdString());
        TfrDesignerWindow w;
        ASSERT_TRUE(w.OpenFile(source));
        const QString same = path(QStringLiteral("same.frf"));
        ASSERT_TRUE(w.SaveFileAs(same));
        EXPECT_EQ(fileBytes(same), fileBytes(source));

        // Edits of every kind the window makes, then undo until there is nothing left.
        ASSERT_TRUE(w.OpenFile(source));
        renameFirstText(w.Document(), QStringLiteral("changed"));
        w.Action(QStringLiteral("action_add_page"))->trigger();
        EXPECT_EQ(w.PageTabs().count(), 2);
        EXPECT_EQ(w.Document().CurrentPageIndex(), 1);
        w.PageTabs().setCurrentIndex(0);
        w.Document().SetSelection({w.Document().CurrentPage()->Objects.front().get()});
        w.Action(QStringLiteral("action_copy"))->trigger();
        w.Action(QStringLiteral("action_paste"))->trigger();
        w.Action(QStringLiteral("action_cut"))->trigger();
        answers = {kYes};
        w.PageTabs().setCurrentIndex(1);
        w.Action(QStringLiteral("action_delete_page"))->trigger();
        EXPECT_EQ(w.Document().Report().PageCount(), 1);
        EXPECT_TRUE(w.Document().IsModified());
        int steps = 0;
        while (w.Action(QStringLiteral("action_undo"))->isEnabled() && steps < 100) {
            w.Action(QStringLiteral("action_undo"))->trigger();
            ++steps;
        }
        EXPECT_EQ(steps, 5);
        EXPECT_FALSE(w.Document().IsModified());
        const QByteArray opened = fileBytes(source);
        ASSERT_TRUE(w.SaveFileAs(same));
        EXPECT_EQ(fileBytes(same), opened);
    }
}

// The shipped examples are the designer's to change: each opens, saves byte for byte, and
// an edit undone saves the same bytes again.
TEST_F(DesignerWindow, ShippedExamplesOpenAndSaveByteIdentical)
{
    const QDir examples(testkit::sourcePath(QStringLiteral("examples")));
    int seen = 0;
    for (const QString &name : examples.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString source = examples.filePath(name + QLatin1Char('/') + name + QStringLiteral(".frf"));
        if (!QFileInfo::exists(source))
            continue;
        SCOPED_TRACE(source.toStdString());
        ++seen;
        TfrDesignerWindow w;
        ASSERT_TRUE(w.OpenFile(source));
        const QString same = path(QStringLiteral("same.frf"));
        ASSERT_TRUE(w.SaveFileAs(same));
        EXPECT_EQ(fileBytes(same), fileBytes(source));
        ASSERT_TRUE(w.OpenFile(source));
        renameFirstText(w.Document(), QStringLiteral("changed"));
        w.Action(QStringLiteral("action_undo"))->trigger();
        EXPECT_FALSE(w.Document().IsModified());
        ASSERT_TRUE(w.SaveFileAs(same));
        EXPECT_EQ(fileBytes(same), fileBytes(source));
    }
    EXPECT_EQ(seen, 6);
}

TEST_F(DesignerWindow, FilesThatCannotBeOpenedSayWhyAndLeaveTheReport)
{
    TfrDesignerWindow w;
    ASSERT_TRUE(w.OpenFile(copyOfJournal()));
    renameFirstText(w.Document(), QStringLiteral("kept"));
    const QByteArray before = w.Document().Snapshot();

    const QString truncated = path(QStringLiteral("truncated.frf"));
    {
        QFile f(truncated);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(fileBytes(journal).left(300));
    }
    const QString notTemplate = path(QStringLiteral("text.frf"));
    {
        QFile f(notTemplate);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Это просто текст.");
    }
    for (const QString &bad : {truncated, notTemplate, path(QStringLiteral("missing.frf"))}) {
        SCOPED_TRACE(bad.toStdString());
        asked.clear();
        // First the question about the unsaved edit (Нет), then the loader's message.
        answers = {kNo, 1};
        EXPECT_FALSE(w.OpenFile(bad));
        ASSERT_EQ(asked.size(), 2);
        EXPECT_EQ(asked[0], QStringLiteral("Сохранить изменения?"));
        EXPECT_TRUE(asked[1].contains(QFileInfo(bad).fileName())) << asked[1].toStdString();
        EXPECT_EQ(w.Document().Snapshot(), before);
        EXPECT_EQ(w.windowTitle(), QStringLiteral("J001.frf* — Дизайнер отчётов"));
    }
    // Отмена leaves everything without even trying.
    asked.clear();
    answers = {kCancel};
    EXPECT_FALSE(w.OpenFile(journal));
    EXPECT_EQ(asked.size(), 1);
    EXPECT_EQ(w.Document().Snapshot(), before);
}

TEST_F(DesignerWindow, AFailedSaveKeepsTheOldFileAndTheModifiedMark)
{
    // A name so long that the temporary file beside it cannot be made, even for root.
    const QString target = copyOfJournal(QString(250, QLatin1Char('j')) + QStringLiteral(".frf"));
    const QByteArray old = fileBytes(target);
    ASSERT_FALSE(old.isEmpty());
    TfrDesignerWindow w;
    ASSERT_TRUE(w.OpenFile(target));
    renameFirstText(w.Document(), QStringLiteral("not saved"));
    answers = {1};
    EXPECT_FALSE(w.SaveFile());
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].startsWith(QStringLiteral("Не удалось сохранить"))) << asked[0].toStdString();
    EXPECT_EQ(fileBytes(target), old);
    EXPECT_TRUE(w.Document().IsModified());
    EXPECT_TRUE(w.windowTitle().contains(QLatin1Char('*')));
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("*.frf.*")}, QDir::Files).isEmpty())
        << "no temporary file is left behind";
}

TEST_F(DesignerWindow, ClosingWhileModifiedAsksAndOnlyYesOrNoClose)
{
    const QString file = copyOfJournal();
    const QByteArray old = fileBytes(file);
    {
        TfrDesignerWindow w;
        w.show();
        ASSERT_TRUE(w.OpenFile(file));
        renameFirstText(w.Document(), QStringLiteral("saved on close"));
        answers = {kCancel};
        EXPECT_FALSE(w.close());
        EXPECT_TRUE(w.isVisible());
        answers = {kNo};
        EXPECT_TRUE(w.close());
        EXPECT_EQ(fileBytes(file), old);
    }
    {
        TfrDesignerWindow w;
        w.show();
        ASSERT_TRUE(w.OpenFile(file));
        renameFirstText(w.Document(), QStringLiteral("saved on close"));
        asked.clear();
        answers = {kYes};
        EXPECT_TRUE(w.close());
        EXPECT_EQ(asked, QStringList{QStringLiteral("Сохранить изменения?")});
    }
    TfrDesignerDocument reread;
    ASSERT_TRUE(reread.Open(file));
    bool found = false;
    for (const auto &v : reread.CurrentPage()->Objects)
        found = found || v->Memo == QStringList{QStringLiteral("saved on close")};
    EXPECT_TRUE(found);
    // New asks too.
    TfrDesignerWindow w;
    ASSERT_TRUE(w.OpenFile(file));
    renameFirstText(w.Document(), QStringLiteral("x"));
    asked.clear();
    answers = {kCancel};
    w.Action(QStringLiteral("action_new"))->trigger();
    EXPECT_EQ(asked.size(), 1);
    EXPECT_EQ(w.Document().FileName(), file);
    answers = {kNo};
    w.Action(QStringLiteral("action_new"))->trigger();
    EXPECT_TRUE(w.Document().FileName().isEmpty());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Без имени — Дизайнер отчётов"));
}

TEST_F(DesignerWindow, CutCopyAndPasteWithinAndBetweenTwoWindows)
{
    TfrDesignerWindow a, b;
    ASSERT_TRUE(a.OpenFile(copyOfJournal()));
    TfrPage &pageA = *a.Document().CurrentPage();
    QList<TfrView *> texts;
    for (const auto &v : pageA.Objects)
        if (v->Typ == otMemo && texts.size() < 2)
            texts.append(v.get());
    ASSERT_EQ(texts.size(), 2);
    const QString name0 = texts[0]->Name, name1 = texts[1]->Name;
    const QStringList memo0 = texts[0]->Memo;
    const QPoint at0(texts[0]->Left, texts[0]->Top), at1(texts[1]->Left, texts[1]->Top);
    a.Document().SetSelection(texts);
    a.Action(QStringLiteral("action_copy"))->trigger();
    const QMimeData *data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat(QStringLiteral("application/x-fr-report-objects")));
    EXPECT_TRUE(data->text().contains(memo0.join(QLatin1Char('\n'))));
    EXPECT_TRUE(a.Action(QStringLiteral("action_paste"))->isEnabled());

    // Into the same report: new names, offset from the originals, selected, one step.
    const size_t countA = pageA.Objects.size();
    const int stepsA = a.Document().UndoStack().count();
    a.Action(QStringLiteral("action_paste"))->trigger();
    ASSERT_EQ(pageA.Objects.size(), countA + 2);
    EXPECT_EQ(a.Document().UndoStack().count(), stepsA + 1);
    ASSERT_EQ(a.Document().Selection().size(), 2);
    TfrView *p0 = a.Document().Selection()[0];
    TfrView *p1 = a.Document().Selection()[1];
    EXPECT_NE(p0->Name.compare(name0, Qt::CaseInsensitive), 0);
    EXPECT_NE(p1->Name.compare(name1, Qt::CaseInsensitive), 0);
    EXPECT_NE(p0->Name.compare(p1->Name, Qt::CaseInsensitive), 0);
    EXPECT_TRUE(p0->Name.startsWith(QStringLiteral("Memo")));
    EXPECT_EQ(a.Document().Report().FindObject(p0->Name), p0) << "the name is unique in the report";
    EXPECT_EQ(QPoint(p0->Left, p0->Top), at0 + QPoint(8, 8));
    EXPECT_EQ(QPoint(p1->Left, p1->Top), at1 + QPoint(8, 8));
    EXPECT_EQ(p0->Memo, memo0);

    // Into another window's report.
    ASSERT_TRUE(b.Document().CurrentPage()->Objects.empty());
    b.Action(QStringLiteral("action_paste"))->trigger();
    TfrPage &pageB = *b.Document().CurrentPage();
    ASSERT_EQ(pageB.Objects.size(), 2u);
    EXPECT_EQ(pageB.Objects[0]->Name, QStringLiteral("Memo1"));
    EXPECT_EQ(pageB.Objects[1]->Name, QStringLiteral("Memo2"));
    EXPECT_EQ(pageB.Objects[0]->Memo, memo0);
    EXPECT_TRUE(b.Document().IsModified());
    EXPECT_FALSE(a.Document().Report().FindObject(QStringLiteral("Memo1")) == pageB.Objects[0].get());

    // At a point: the group's top-left lands there.
    b.Document().Paste(QApplication::clipboard()->mimeData(), QPoint(100, 200));
    ASSERT_EQ(b.Document().Selection().size(), 2);
    const int left = std::min(b.Document().Selection()[0]->Left, b.Document().Selection()[1]->Left);
    const int top = std::min(b.Document().Selection()[0]->Top, b.Document().Selection()[1]->Top);
    EXPECT_EQ(QPoint(left, top), QPoint(100, 200));

    // Cut takes the originals away in one step; undo brings them back by name.
    a.Document().SetSelection({a.Document().Report().FindObject(name0)});
    const int before = a.Document().UndoStack().count();
    a.Action(QStringLiteral("action_cut"))->trigger();
    EXPECT_EQ(a.Document().Report().FindObject(name0), nullptr);
    EXPECT_EQ(a.Document().UndoStack().count(), before + 1);
    a.Action(QStringLiteral("action_undo"))->trigger();
    EXPECT_NE(a.Document().Report().FindObject(name0), nullptr);

    // An object that may not be deleted is copied by cut but stays.
    TfrView *kept = a.Document().Report().FindObject(name1);
    kept->Restrictions = frrfDontDelete;
    a.Document().SetSelection({kept});
    a.Action(QStringLiteral("action_cut"))->trigger();
    EXPECT_EQ(a.Document().Report().FindObject(name1), kept);
    EXPECT_TRUE(QApplication::clipboard()->mimeData()->hasFormat(TfrDesignerDocument::ClipboardMimeType()));

    // Plain text on the clipboard is not ours to paste.
    QApplication::clipboard()->setText(QStringLiteral("just text"));
    EXPECT_FALSE(a.Action(QStringLiteral("action_paste"))->isEnabled());
    EXPECT_EQ(a.Document().Paste(QApplication::clipboard()->mimeData()), 0);
}

TEST_F(DesignerWindow, RecoveryFileIsWrittenWhileModifiedAndOfferedAfterACrash)
{
    frDesignerSettings().recoveryIntervalMs = 20;
    const QString file = copyOfJournal();
    QByteArray edited;
    QString leftBehind;
    {
        TfrDesignerWindow w;
        ASSERT_TRUE(w.OpenFile(file));
        // Unmodified: nothing is written.
        QTest::qWait(80);
        EXPECT_FALSE(QFileInfo::exists(w.RecoveryFile()));
        renameFirstText(w.Document(), QStringLiteral("not yet saved"));
        edited = w.Document().Snapshot();
        EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(w.RecoveryFile()); }, 2000));
        // A process that died leaves its file behind: the same file under a process id
        // that runs no more.
        leftBehind = QDir(frDesignerSettings().recoveryFolder).filePath(QStringLiteral("recovery-999999-1.frf"));
        ASSERT_TRUE(QFile::copy(w.RecoveryFile(), leftBehind));
        ASSERT_TRUE(QFile::copy(w.RecoveryFile() + QStringLiteral(".source"), leftBehind + QStringLiteral(".source")));
        // Saving takes the window's own recovery file away.
        ASSERT_TRUE(w.SaveFile());
        EXPECT_FALSE(QFileInfo::exists(w.RecoveryFile()));
    }
    // Put the saved file back as it was, so the restored template differs from the file.
    QFile::remove(file);
    ASSERT_TRUE(QFile::copy(journal, file));

    frDesignerSettings().recoveryIntervalMs = 60000;
    {
        TfrDesignerWindow w;
        answers = {kYes};
        ASSERT_TRUE(w.OfferRecovery());
        ASSERT_EQ(asked.size(), 1);
        EXPECT_TRUE(asked[0].contains(QStringLiteral("Восстановить"))) << asked[0].toStdString();
        EXPECT_TRUE(asked[0].contains(file)) << asked[0].toStdString();
        EXPECT_EQ(w.Document().Snapshot(), edited);
        EXPECT_TRUE(w.Document().IsModified());
        EXPECT_EQ(w.Document().FileName(), file);
        EXPECT_EQ(w.windowTitle(), QStringLiteral("J001.frf* — Дизайнер отчётов"));
        EXPECT_FALSE(QFileInfo::exists(leftBehind));
        // Saving writes the restored template to the original file.
        ASSERT_TRUE(w.SaveFile());
        TfrDesignerDocument reread;
        ASSERT_TRUE(reread.Open(file));
        bool found = false;
        for (const auto &v : reread.CurrentPage()->Objects)
            found = found || v->Memo == QStringList{QStringLiteral("not yet saved")};
        EXPECT_TRUE(found);
    }
    // Nothing left: nothing offered.
    asked.clear();
    TfrDesignerWindow w;
    EXPECT_FALSE(w.OfferRecovery());
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_TRUE(QDir(frDesignerSettings().recoveryFolder).entryList(QDir::Files).isEmpty());
}

TEST_F(DesignerWindow, PagesTabsAndTheStructureTreeFollowEachOther)
{
    TfrDesignerWindow w;
    ASSERT_TRUE(w.OpenFile(copyOfJournal()));
    QTreeWidget &tree = w.Structure();
    w.RefreshStructure();
    ASSERT_EQ(tree.topLevelItemCount(), 1);
    QTreeWidgetItem *pageItem = tree.topLevelItem(0);
    // Bands first under the page, their objects under them.
    ASSERT_GT(pageItem->childCount(), 0);
    QTreeWidgetItem *bandItem = nullptr;
    for (int i = 0; i < pageItem->childCount() && !bandItem; ++i)
        if (pageItem->child(i)->childCount() > 0)
            bandItem = pageItem->child(i);
    ASSERT_NE(bandItem, nullptr);
    QTreeWidgetItem *objectItem = bandItem->child(0);

    // Selecting in the tree selects on the page.
    tree.setCurrentItem(objectItem);
    ASSERT_EQ(w.Document().Selection().size(), 1);
    EXPECT_EQ(w.Document().Selection().front()->Name, objectItem->text(0));
    EXPECT_TRUE(w.SelectionText().contains(objectItem->text(0)));
    // And the other way round.
    TfrView *other = w.Document().Report().FindObject(bandItem->text(0).section(QLatin1Char(':'), 0, 0));
    ASSERT_NE(other, nullptr);
    w.Document().Select(other);
    ASSERT_EQ(tree.selectedItems().size(), 1);
    EXPECT_EQ(tree.selectedItems().front(), bandItem);

    w.Action(QStringLiteral("action_add_page"))->trigger();
    w.RefreshStructure();
    EXPECT_EQ(tree.topLevelItemCount(), 2);
    EXPECT_EQ(w.PageTabs().count(), 2);
    EXPECT_EQ(w.PageTabs().currentIndex(), 1);
    EXPECT_EQ(w.PageTabs().tabText(1), w.Document().Report().Page(1)->Name);
    w.PageTabs().setCurrentIndex(0);
    EXPECT_EQ(w.Document().CurrentPageIndex(), 0);
    answers = {kNo};
    w.Action(QStringLiteral("action_delete_page"))->trigger();
    EXPECT_EQ(w.PageTabs().count(), 2);
    answers = {kYes};
    w.Action(QStringLiteral("action_delete_page"))->trigger();
    EXPECT_EQ(w.PageTabs().count(), 1);
    EXPECT_FALSE(w.Action(QStringLiteral("action_delete_page"))->isEnabled());
    w.Action(QStringLiteral("action_undo"))->trigger();
    EXPECT_EQ(w.PageTabs().count(), 2);
}

TEST_F(DesignerWindow, StatusBarShowsPositionAndSizeInTheChosenUnits)
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    TfrDesignerWindow w;
    TfrView *memo = nullptr;
    w.Document().Edit(QStringLiteral("add"), [&] {
        memo = addMemo(*w.Document().CurrentPage(), QStringLiteral("Memo1"), 0, 0, QStringLiteral("x"));
    });
    // 91.6 design pixels to the inch: 361 px is 100,1 mm.
    w.Document().Edit(QStringLiteral("move"), [&] { w.Document().Report().SetObjectBounds(*memo, 361, 0, 180, 18); });
    w.Document().Select(w.Document().Report().FindObject(QStringLiteral("Memo1")));
    EXPECT_TRUE(w.SelectionText().contains(QStringLiteral("100,1 мм"))) << w.SelectionText().toStdString();
    w.Action(QStringLiteral("units_px"))->trigger();
    EXPECT_EQ(w.Units(), 3);
    EXPECT_TRUE(w.SelectionText().contains(QStringLiteral("361 пикс"))) << w.SelectionText().toStdString();
    w.Action(QStringLiteral("units_cm"))->trigger();
    EXPECT_TRUE(w.SelectionText().contains(QStringLiteral("10,01 см"))) << w.SelectionText().toStdString();
    emit w.Canvas().PointerMoved(QPointF(0, 91.6256157635468));
    EXPECT_TRUE(w.PointerText().contains(QStringLiteral("2,54 см"))) << w.PointerText().toStdString();
    QLocale::setDefault(QLocale::c());
}

TEST_F(DesignerWindow, LayoutZoomGridUnitsAndRecentFilesComeBackButNotAnOversizedLayout)
{
    const QString file = copyOfJournal();
    {
        TfrDesignerWindow w;
        w.show();
        ASSERT_TRUE(w.OpenFile(file));
        w.Action(QStringLiteral("zoom_150"))->trigger();
        w.Action(QStringLiteral("units_cm"))->trigger();
        w.Action(QStringLiteral("action_show_grid"))->setChecked(false);
        w.findChild<QToolBar *>(QStringLiteral("toolbar_alignment"))->hide();
        EXPECT_EQ(w.Canvas().Zoom(), 150);
        ASSERT_TRUE(w.close());
    }
    {
        TfrDesignerWindow w;
        w.show();
        EXPECT_EQ(w.Canvas().Zoom(), 150);
        EXPECT_EQ(w.Units(), 1);
        EXPECT_FALSE(w.Canvas().ShowGrid());
        EXPECT_FALSE(w.Action(QStringLiteral("action_show_grid"))->isChecked());
        EXPECT_TRUE(w.findChild<QToolBar *>(QStringLiteral("toolbar_alignment"))->isHidden());
        EXPECT_EQ(w.RecentFiles(), QStringList{QFileInfo(file).absoluteFilePath()});
        QAction *recent = w.Action(QStringLiteral("recent_0"));
        ASSERT_NE(recent, nullptr);
        recent->trigger();
        EXPECT_EQ(w.Document().FileName(), file);
        // A layout from a larger screen.
        w.resize(4000, 3000);
        QSettings(frDesignerSettings().settingsFile, QSettings::IniFormat)
            .setValue(QStringLiteral("Designer/geometry"), w.saveGeometry());
    }
    TfrDesignerWindow w;
    const QRect avail = w.screen()->availableGeometry();
    EXPECT_LE(w.width(), avail.width());
    EXPECT_LE(w.height(), avail.height());
}

TEST_F(DesignerWindow, PreviewShowsACopyAndLeavesTheDesignerAsItWas)
{
    TfrDesignerWindow w;
    TfrDesignerDocument &doc = w.Document();
    doc.Edit(QStringLiteral("add"), [&] {
        addMemo(*doc.CurrentPage(), QStringLiteral("Memo1"), 20, 20, QStringLiteral("Привет"));
        addMemo(*doc.CurrentPage(), QStringLiteral("Memo2"), 20, 60, QStringLiteral("[PAGE#]"));
    });
    TfrView *first = doc.CurrentPage()->Objects.front().get();
    doc.Select(first);
    const QByteArray before = doc.Snapshot();
    const int steps = doc.UndoStack().count();
    const int index = doc.UndoStack().index();

    auto saved = frReportUi().showPreview;
    QStringList shown;
    frReportUi().showPreview = [&shown, &doc](TfrReportBuilder &builder, const QString &) {
        EXPECT_NE(&builder.Report, &doc.Report()) << "a copy is previewed";
        builder.EMFPages.ForEachObject(0, [&shown](TfrView &v) { shown << v.Memo.join(QString()); });
    };
    w.Action(QStringLiteral("action_preview"))->trigger();
    frReportUi().showPreview = saved;

    EXPECT_EQ(shown, (QStringList{QStringLiteral("Привет"), QStringLiteral("1")}));
    EXPECT_EQ(doc.Snapshot(), before);
    EXPECT_EQ(doc.CurrentPage()->Objects.front().get(), first) << "the designer's objects are the same objects";
    ASSERT_EQ(doc.Selection().size(), 1);
    EXPECT_EQ(doc.Selection().front(), first);
    EXPECT_EQ(doc.UndoStack().count(), steps);
    EXPECT_EQ(doc.UndoStack().index(), index);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(asked.isEmpty()) << asked.join(QLatin1Char('\n')).toStdString();
}

namespace {

// Runs fn on the designer window once it is shown modally.
void whenDesignerShows(const std::function<void(TfrDesignerWindow &)> &fn)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, fn] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            auto *w = qobject_cast<TfrDesignerWindow *>(top);
            if (w && w->isVisible()) {
                timer->stop();
                timer->deleteLater();
                fn(*w);
                return;
            }
        }
    });
    timer->start();
}

} // namespace

TEST_F(DesignerWindow, DesignReportOpensTheDesignerModallyAndAnswersItsResult)
{
    TfrReportBuilder builder;
    frDesignerClass() = {};
    EXPECT_EQ(builder.DesignReport(), 2) << "without a designer";
    EXPECT_EQ(builder.Report.PageCount(), 1) << "an empty page is added";

    frInstallDesigner();
    ASSERT_TRUE(builder.Report.LoadFromFile(journal));
    const std::unique_ptr<TfrReport> original = builder.Report.Clone();
    auto snapshot = [](TfrReport &r) {
        TfrDesignerDocument d(r);
        return d.Snapshot();
    };
    const QByteArray start = snapshot(*original);

    // Changed, then Да on closing: kept, 1.
    whenDesignerShows([this](TfrDesignerWindow &w) {
        EXPECT_TRUE(w.isModal());
        renameFirstText(w.Document(), QStringLiteral("kept"));
        answers = {kYes};
        w.close();
    });
    EXPECT_EQ(builder.DesignReport(), 1);
    EXPECT_NE(snapshot(builder.Report), start);
    EXPECT_EQ(builder.Report.ChangeListener(), nullptr) << "the designer lets go of the report";

    // Changed, then Нет: put back, 2.
    builder.Report.Assign(*original);
    whenDesignerShows([this](TfrDesignerWindow &w) {
        renameFirstText(w.Document(), QStringLiteral("dropped"));
        answers = {kNo};
        w.close();
    });
    EXPECT_EQ(builder.DesignReport(), 2);
    EXPECT_EQ(snapshot(builder.Report), start);

    // Nothing changed: 2, nothing asked.
    asked.clear();
    whenDesignerShows([](TfrDesignerWindow &w) { w.close(); });
    EXPECT_EQ(builder.DesignReport(), 2);
    EXPECT_TRUE(asked.isEmpty());
    frDesignerClass() = {};
    frEditPreparedPageHook() = {};
}

TEST_F(DesignerWindow, EditPreparedReportRepacksThePageWhenKeptAndRestoresTheTemplate)
{
    TfrReportBuilder builder;
    builder.ShowErrorBox = false;
    CurReport = &builder.Report;
    TfrPage *page = builder.Report.AddPage();
    addMemo(*page, QStringLiteral("Memo1"), 20, 20, QStringLiteral("Страница [PAGE#]"));
    ASSERT_TRUE(builder.PrepareReport());
    ASSERT_EQ(builder.EMFPages.Count(), 1);
    const QByteArray templateBefore = TfrDesignerDocument(builder.Report).Snapshot();
    auto pageTexts = [&builder] {
        QStringList texts;
        builder.EMFPages.ForEachObject(0, [&texts](TfrView &v) { texts << v.Memo.join(QString()); });
        return texts;
    };
    ASSERT_EQ(pageTexts(), QStringList{QStringLiteral("Страница 1")});

    frDesignerClass() = {};
    builder.EditPreparedReport(0);
    EXPECT_EQ(pageTexts(), QStringList{QStringLiteral("Страница 1")}) << "nothing without a designer";

    frInstallDesigner();
    ASSERT_TRUE(bool(frEditPreparedPageHook())) << "the preview's edit items show with a designer";
    for (const int answer : {kNo, kYes}) {
        SCOPED_TRACE(answer);
        whenDesignerShows([this, answer](TfrDesignerWindow &w) {
            EXPECT_EQ(w.Document().Report().PageCount(), 1);
            EXPECT_FALSE(w.Action(QStringLiteral("action_add_page"))->isEnabled());
            renameFirstText(w.Document(), answer == kYes ? QStringLiteral("Исправлено") : QStringLiteral("Брошено"));
            asked.clear();
            answers = {answer};
            w.close();
            EXPECT_TRUE(asked.isEmpty()) << "the designer itself asks nothing";
        });
        builder.EditPreparedReport(0);
        ASSERT_EQ(asked.size(), 1);
        EXPECT_EQ(asked[0], QStringLiteral("Сохранить изменения?"));
        EXPECT_EQ(pageTexts(),
                  QStringList{answer == kYes ? QStringLiteral("Исправлено") : QStringLiteral("Страница 1")});
        EXPECT_EQ(TfrDesignerDocument(builder.Report).Snapshot(), templateBefore) << "the template is back";
    }
    frDesignerClass() = {};
    frEditPreparedPageHook() = {};
}

TEST(DesignerProgram, HelpAndABadCommandLineNeedNoDisplay)
{
    const QString program = testkit::builtPath(QStringLiteral("frdesigner"));
    ASSERT_TRUE(QFileInfo::exists(program)) << "frdesigner is built next to the tests";
    const TToolResult help = frRunTool(program, {QStringLiteral("--help")}, 30000);
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(QString::fromUtf8(help.out).contains(QStringLiteral("frdesigner [ФАЙЛ.frf | ФАЙЛ.frt]")))
        << help.out.toStdString();
    const TToolResult bad = frRunTool(program, {QStringLiteral("a.frf"), QStringLiteral("b.frf")}, 30000);
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.out.isEmpty());
    EXPECT_TRUE(QString::fromUtf8(bad.err).contains(QStringLiteral("Использование")));
    EXPECT_EQ(frRunTool(program, {QStringLiteral("--frobnicate")}, 30000).status, 1);
}

namespace {

// Press, a few moves as a hand makes them, release.
void dragOn(QWidget *w, QPoint from, QPoint to)
{
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, from);
    for (int i = 1; i <= 4; ++i) {
        const QPoint pos = from + (to - from) * i / 4;
        QMouseEvent e(QEvent::MouseMove, QPointF(pos), w->mapToGlobal(QPointF(pos)), Qt::NoButton, Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, to);
}

} // namespace

TEST_F(DesignerWindow, AReportMadeInTheDesignerPreparesOverATable)
{
    QString nextText;
    frDesignerDialogs().editText = [&nextText](QWidget *, QString &text) {
        text = nextText;
        return true;
    };
    const QString file = path(QStringLiteral("made.frf"));
    {
        TfrDesignerWindow w;
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        TfrDesignerDocument &doc = w.Document();
        TfrDesignerCanvas &canvas = w.Canvas();
        TfrPage &page = *doc.CurrentPage();
        w.Action(QStringLiteral("insert_band_%1").arg(btReportTitle))->trigger();
        w.Action(QStringLiteral("insert_band_%1").arg(btMasterData))->trigger();
        w.Action(QStringLiteral("insert_band_%1").arg(btPageFooter))->trigger();
        ASSERT_TRUE(asked.isEmpty()) << asked.join(QLatin1Char('\n')).toStdString();
        auto band = [&page](int type) -> TfrView * {
            for (const auto &v : page.Objects)
                if (v->Typ == otBand && int(v->FrameTyp) == type)
                    return v.get();
            return nullptr;
        };
        TfrView *title = band(btReportTitle), *data = band(btMasterData), *footer = band(btPageFooter);
        ASSERT_TRUE(title && data && footer);
        const QString dataName = data->Name;
        // The data source as the inspector sets it (its own editor comes later).
        doc.Edit(QStringLiteral("DataSource"), [&] {
            doc.Report().SetProperty(*data, QStringLiteral("DataSource"), TfrVariant(QStringLiteral("frDBDataSet1")));
        });

        // A text: the tool, a rectangle dragged on the band, a double-click for its lines.
        auto text = [&](const QString &bandName, int left, int width, const QString &lines) {
            TfrView *b = doc.Report().FindObject(bandName);
            EXPECT_NE(b, nullptr);
            if (!b)
                return;
            w.Action(QStringLiteral("tool_memo"))->trigger();
            const QRect r = canvas.DesignRect(*b);
            const int top = r.top() + 4;
            const QPoint from = canvas.ToWidget(QPointF(r.left() + left, top)).toPoint();
            const QPoint to = canvas.ToWidget(QPointF(r.left() + left + width, top + 16)).toPoint();
            dragOn(&canvas, from, to);
            EXPECT_TRUE(w.Action(QStringLiteral("tool_select"))->isChecked()) << "the tool goes back to select";
            ASSERT_EQ(doc.Selection().size(), 1);
            TfrView *made = doc.Selection().front();
            nextText = lines;
            QTest::mouseDClick(&canvas, Qt::LeftButton, Qt::NoModifier, canvas.WidgetRect(*made).center());
        };
        text(title->Name, 20, 300, QStringLiteral("Список строк"));
        text(dataName, 20, 100, QStringLiteral("[frDBDataSet1.\"Num\"]"));
        text(dataName, 140, 200, QStringLiteral("[frDBDataSet1.\"Name\"]"));
        text(dataName, 360, 120, QStringLiteral("[frDBDataSet1.\"Amount\"]"));
        text(footer->Name, 300, 100, QStringLiteral("Стр. [PAGE#]"));
        ASSERT_TRUE(w.SaveFileAs(file));
        EXPECT_TRUE(asked.isEmpty()) << asked.join(QLatin1Char('\n')).toStdString();
    }

    // Over a table of 120 rows.
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("made_in_designer"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    ASSERT_TRUE(db.open());
    {
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE Rows (Num INTEGER, Name TEXT, Amount INTEGER)")));
        for (int i = 1; i <= 120; ++i)
            ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO Rows VALUES (%1, 'Строка %1', %2)").arg(i).arg(i * 10)));
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
        const int pages = builder.EMFPages.Count();
        ASSERT_GE(pages, 2) << "120 rows do not fit one page";
        QStringList rows, titles, footers;
        for (int p = 0; p < pages; ++p) {
            builder.EMFPages.ForEachObject(p, [&](TfrView &v) {
                const QString t = v.Memo.join(QString());
                if (t.startsWith(QStringLiteral("Стр. ")))
                    footers << QStringLiteral("%1:%2").arg(p + 1).arg(t);
                else if (t == QStringLiteral("Список строк"))
                    titles << QString::number(p + 1);
                else if (t.startsWith(QStringLiteral("Строка ")))
                    rows << t;
            });
        }
        EXPECT_EQ(titles, QStringList{QStringLiteral("1")}) << "the title prints once, on the first page";
        ASSERT_EQ(rows.size(), 120);
        EXPECT_EQ(rows.front(), QStringLiteral("Строка 1"));
        EXPECT_EQ(rows.back(), QStringLiteral("Строка 120"));
        QStringList expectedFooters;
        for (int p = 1; p <= pages; ++p)
            expectedFooters << QStringLiteral("%1:Стр. %1").arg(p);
        EXPECT_EQ(footers, expectedFooters);
        CurReport = MasterReport = nullptr;
        CurPage = nullptr;
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("made_in_designer"));
}

TEST_F(DesignerWindow, AlignmentBarAndInsertMenuWorkOnTheCanvasAndTheSelection)
{
    TfrDesignerWindow w;
    TfrDesignerDocument &doc = w.Document();
    QList<TfrView *> views;
    doc.Edit(QStringLiteral("add"), [&] {
        views << addMemo(*doc.CurrentPage(), QStringLiteral("Memo1"), 40, 40, QStringLiteral("a"));
        views << addMemo(*doc.CurrentPage(), QStringLiteral("Memo2"), 80, 100, QStringLiteral("b"));
        views << addMemo(*doc.CurrentPage(), QStringLiteral("Memo3"), 60, 160, QStringLiteral("c"));
    });
    doc.SetSelection(views);
    const int steps = doc.UndoStack().count();
    w.Action(QStringLiteral("align_lefts"))->trigger();
    EXPECT_EQ(doc.UndoStack().count(), steps + 1) << "one step";
    for (const QString &name : {QStringLiteral("Memo1"), QStringLiteral("Memo2"), QStringLiteral("Memo3")})
        EXPECT_EQ(doc.Report().FindObject(name)->Left, 40) << name.toStdString();
    w.Action(QStringLiteral("action_undo"))->trigger();
    EXPECT_EQ(doc.Report().FindObject(QStringLiteral("Memo2"))->Left, 80);

    // Every object type of the Вставка menu chooses the canvas's tool; select takes it back.
    const std::pair<const char *, int> tools[] = {
        {"insert_object_memo", otMemo}, {"insert_object_picture", otPicture},
        {"insert_object_subreport", otSubReport}, {"insert_object_line", otLine}};
    for (const auto &[id, type] : tools) {
        w.Action(QString::fromLatin1(id))->trigger();
        EXPECT_EQ(w.Canvas().Tool().objectType, type) << id;
    }
    w.Action(QStringLiteral("tool_select"))->trigger();
    EXPECT_EQ(w.Canvas().Tool().objectType, -1);

    // And every band type places a band (the once-per-page ones refuse a second).
    for (int type = btReportTitle; type <= btChild; ++type)
        w.Action(QStringLiteral("insert_band_%1").arg(type))->trigger();
    int bands = 0;
    for (const auto &v : doc.CurrentPage()->Objects)
        bands += v->Typ == otBand;
    EXPECT_EQ(bands, btChild + 1);
    asked.clear();
    w.Action(QStringLiteral("insert_band_%1").arg(btPageHeader))->trigger();
    EXPECT_EQ(asked.size(), 1) << "a second page header is refused with a message";
}

TEST_F(DesignerWindow, PasteOverThePageLandsAtThePointer)
{
    TfrDesignerWindow w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    TfrDesignerDocument &doc = w.Document();
    doc.Edit(QStringLiteral("add"), [&] {
        addMemo(*doc.CurrentPage(), QStringLiteral("Memo1"), 40, 40, QStringLiteral("a"));
    });
    doc.Select(doc.Report().FindObject(QStringLiteral("Memo1")));
    w.Action(QStringLiteral("action_copy"))->trigger();

    TfrDesignerCanvas &canvas = w.Canvas();
    const QPoint over = canvas.ToWidget(QPointF(200, 300)).toPoint();
    QCursor::setPos(canvas.mapToGlobal(over));
    QTest::mouseMove(&canvas, over);
    w.Action(QStringLiteral("action_paste"))->trigger();
    ASSERT_EQ(doc.Selection().size(), 1);
    EXPECT_EQ(QPoint(doc.Selection().front()->Left, doc.Selection().front()->Top), QPoint(200, 300));

    // Away from the page: offset from the original.
    QCursor::setPos(w.mapToGlobal(QPoint(w.width() - 5, 5)));
    doc.Select(doc.Report().FindObject(QStringLiteral("Memo1")));
    w.Action(QStringLiteral("action_paste"))->trigger();
    ASSERT_EQ(doc.Selection().size(), 1);
    EXPECT_EQ(QPoint(doc.Selection().front()->Left, doc.Selection().front()->Top), QPoint(48, 48));
}

TEST_F(DesignerWindow, ATemplateFileOpensAsANewReportMadeFromIt)
{
    const QString frt = path(QStringLiteral("journal.frt"));
    {
        TfrReport r;
        CurReport = &r;
        ASSERT_TRUE(r.LoadFromFile(journal));
        r.SaveTemplate(frt, {QStringLiteral("Журнал")}, QImage());
    }
    TfrDesignerWindow w;
    ASSERT_TRUE(w.OpenFile(frt));
    EXPECT_TRUE(w.Document().FileName().isEmpty()) << "saving asks for a report file's name";
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Без имени — Дизайнер отчётов"));
    EXPECT_NE(w.Document().Report().FindObject(QStringLiteral("DataNumPP")), nullptr);
    EXPECT_TRUE(w.RecentFiles().isEmpty());
    QString asked;
    frDesignerDialogs().saveFileName = [&](QWidget *, const QString &caption, const QString &, const QString &) {
        asked = caption;
        return path(QStringLiteral("from_template.frf"));
    };
    ASSERT_TRUE(w.SaveFile());
    EXPECT_FALSE(asked.isEmpty());
    EXPECT_EQ(w.Document().FileName(), path(QStringLiteral("from_template.frf")));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("from_template.frf — Дизайнер отчётов"));
}

TEST_F(DesignerWindow, RulersShowAndHideAndKeepTheirChoice)
{
    {
        TfrDesignerWindow w;
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        auto *top = w.findChild<QWidget *>(QStringLiteral("ruler_top"));
        auto *left = w.findChild<QWidget *>(QStringLiteral("ruler_left"));
        ASSERT_TRUE(top && left);
        EXPECT_TRUE(w.Action(QStringLiteral("action_rulers"))->isChecked());
        EXPECT_TRUE(top->isVisible() && left->isVisible());
        // The ruler's zero is the paper's left edge.
        const QPoint paperLeft = w.Canvas().mapToGlobal(w.Canvas().ToWidget(QPointF(0, 0)).toPoint());
        EXPECT_GE(top->mapFromGlobal(paperLeft).x(), 0);
        w.Action(QStringLiteral("action_rulers"))->trigger();
        EXPECT_FALSE(top->isVisible() || left->isVisible());
        ASSERT_TRUE(w.close());
    }
    TfrDesignerWindow w;
    w.show();
    EXPECT_FALSE(w.Action(QStringLiteral("action_rulers"))->isChecked());
    EXPECT_FALSE(w.findChild<QWidget *>(QStringLiteral("ruler_top"))->isVisible());
}

// "Сервис → Настройки…" changes the grid, snapping, guides and units as the dialog says;
// Cancel changes nothing.
TEST_F(DesignerWindow, SettingsDialogAppliesWhatItSaysAndCancelNothing)
{
    TfrDesignerWindow w;
    auto answer = [](bool accept) {
        QTimer::singleShot(0, [accept] {
            auto *dialog = qobject_cast<TfrDesignerSettingsDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->findChild<QSpinBox *>(QStringLiteral("grid_size"))->setValue(10);
            dialog->findChild<QCheckBox *>(QStringLiteral("show_grid"))->setChecked(false);
            dialog->findChild<QCheckBox *>(QStringLiteral("align_to_grid"))->setChecked(false);
            dialog->findChild<QCheckBox *>(QStringLiteral("show_guides"))->setChecked(false);
            dialog->findChild<QComboBox *>(QStringLiteral("units"))->setCurrentIndex(1);
            accept ? dialog->accept() : dialog->reject();
        });
    };
    const int grid = w.Canvas().GridSize();
    answer(false);
    w.Action(QStringLiteral("action_settings"))->trigger();
    EXPECT_EQ(w.Canvas().GridSize(), grid);
    EXPECT_TRUE(w.Canvas().ShowGrid());
    EXPECT_EQ(w.Units(), 0);

    answer(true);
    w.Action(QStringLiteral("action_settings"))->trigger();
    EXPECT_EQ(w.Canvas().GridSize(), 10);
    EXPECT_FALSE(w.Canvas().ShowGrid());
    EXPECT_FALSE(w.Canvas().AlignToGrid());
    EXPECT_FALSE(w.Canvas().ShowGuides());
    EXPECT_FALSE(w.Action(QStringLiteral("action_show_grid"))->isChecked());
    EXPECT_EQ(w.Units(), 1);
    EXPECT_TRUE(w.Action(QStringLiteral("units_cm"))->isChecked());
}

TEST_F(DesignerWindow, DoubleClickInTheDataTreeInsertsIntoTheSelectedText)
{
    TfrDesignerWindow w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    TfrDesignerDocument &doc = w.Document();
    TfrView *memo = nullptr;
    doc.Edit(QStringLiteral("add"), [&] { memo = addMemo(*doc.CurrentPage(), QStringLiteral("Memo1"), 40, 40, QStringLiteral("Стр. ")); });
    auto *tree = w.findChild<TfrDataTree *>(QStringLiteral("data_tree_panel"));
    ASSERT_NE(tree, nullptr);
    QTreeWidgetItem *page = tree->ItemAt({QStringLiteral("Системные переменные"), QStringLiteral("PAGE#")});
    ASSERT_NE(page, nullptr);

    // Nothing selected: nothing changes, the status bar says why.
    doc.SetSelection({});
    const int steps = doc.UndoStack().count();
    emit tree->Tree()->itemDoubleClicked(page, 0);
    EXPECT_EQ(doc.UndoStack().count(), steps);

    doc.Select(memo);
    emit tree->Tree()->itemDoubleClicked(page, 0);
    EXPECT_EQ(doc.UndoStack().count(), steps + 1) << "one step";
    EXPECT_EQ(doc.Report().FindObject(QStringLiteral("Memo1"))->Memo, QStringList{QStringLiteral("Стр. [PAGE#]")});
}

TEST_F(DesignerWindow, DoubleClickOnASubReportGoesToItsPage)
{
    TfrDesignerWindow w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    TfrDesignerDocument &doc = w.Document();
    TfrDesignerCanvas &canvas = w.Canvas();
    w.Action(QStringLiteral("tool_subreport"))->trigger();
    const TfrPage &page = *doc.CurrentPage();
    QTest::mouseClick(&canvas, Qt::LeftButton, Qt::NoModifier,
                      canvas.ToWidget(QPointF(page.LeftMargin() + 40, page.TopMargin() + 40)).toPoint());
    ASSERT_EQ(doc.Selection().size(), 1);
    TfrView *sub = doc.Selection().front();
    ASSERT_EQ(sub->Typ, otSubReport);
    const int target = static_cast<TfrSubReportView *>(sub)->subPageIndex;
    ASSERT_NE(target, doc.CurrentPageIndex());
    const int steps = doc.UndoStack().count();
    QTest::mouseDClick(&canvas, Qt::LeftButton, Qt::NoModifier, canvas.WidgetRect(*sub).center());
    EXPECT_EQ(doc.CurrentPageIndex(), target);
    EXPECT_EQ(w.PageTabs().currentIndex(), target);
    EXPECT_EQ(doc.UndoStack().count(), steps) << "going to a page changes nothing";
}
