// Templates as a person meets them: "Сохранить как шаблон…" writes an .frt with a
// description and a picture of the first page; "Новый из шаблона…" lists the folder's
// templates with their descriptions and pictures and opens the chosen one as a new
// untitled report; the three starting templates the program ships open in the designer and
// prepare over a test table into the pages they promise.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <functional>
#include <gtest/gtest.h>

#include "screen_shots.h"

#include "report/designer/designer_document.h"
#include "report/designer/designer_editors.h"
#include "report/designer/designer_window.h"
#include "report/designer/templates_dialog.h"
#include "report/engine/prepared_pages.h"
#include "report/engine/report_builder.h"
#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/table_cursor.h"
#include "report/eval/ui_hooks.h"
#include "report/model/band_view.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/picture_view.h"
#include "report/model/report.h"

namespace {

template <class T>
T *control(QWidget *dialog, const char *name)
{
    T *w = dialog->findChild<T *>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

int rowOf(QListWidget *list, const QString &title)
{
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text() == title)
            return i;
    return -1;
}

class Templates : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        frDesignerSettings().settingsFile = dir.filePath(QStringLiteral("designer.ini"));
        frDesignerSettings().recoveryFolder = dir.filePath(QStringLiteral("recovery"));
        savedMessageBox = frUiHooks().MessageBox;
        frUiHooks().MessageBox = [this](const QString &text, const QString &, int) {
            messages.append(text);
            return 7; // "Нет" to any question about unsaved changes
        };
        savedDialogs = frDesignerDialogs();
        QDir(dir.path()).mkpath(QStringLiteral("mine"));
        mine = dir.filePath(QStringLiteral("mine"));
    }
    void TearDown() override
    {
        frUiHooks().MessageBox = savedMessageBox;
        frDesignerDialogs() = savedDialogs;
        frDesignerSettings() = TfrDesignerSettings{};
        CurReport = MasterReport = nullptr;
        CurPage = nullptr;
    }
    void useFolder(const QString &folder)
    {
        QSettings settings(frDesignerSettings().settingsFile, QSettings::IniFormat);
        settings.setValue(QLatin1String(kFrTemplatesFolderKey), folder);
    }
    static void answer(const std::function<void(QDialog *)> &set, bool accept)
    {
        QTimer::singleShot(0, [set, accept] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            set(dialog);
            accept ? dialog->accept() : dialog->reject();
            if (dialog->isVisible())
                dialog->reject();
        });
    }
    static void addText(TfrDesignerDocument &doc, const QString &name, int top, const QString &text)
    {
        doc.Edit(QStringLiteral("text"), [&] {
            auto memo = std::make_unique<TfrMemoView>();
            memo->Name = name;
            memo->SetBounds(80, top, 300, 24);
            memo->FrameTyp = 15;
            memo->Memo = QStringList{text};
            doc.CurrentPage()->Add(std::move(memo));
        });
    }

    QTemporaryDir dir;
    QString mine;
    QStringList messages;
    std::function<int(const QString &, const QString &, int)> savedMessageBox;
    TfrDesignerDialogs savedDialogs;
};

} // namespace

TEST_F(Templates, FolderIsTheSettingThenTheInstalledThenTheBuildsCopy)
{
    const QString built = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("templates"));
    EXPECT_EQ(frTemplatesFolder(), built) << "uninstalled, the copy next to the programs";
    for (const char *name : {"list.frt", "groups.frt", "master_detail.frt"})
        EXPECT_TRUE(QFileInfo::exists(QDir(built).filePath(QLatin1String(name)))) << name;
    useFolder(mine);
    EXPECT_EQ(frTemplatesFolder(), QDir(mine).absolutePath());
    useFolder(dir.filePath(QStringLiteral("gone")));
    EXPECT_EQ(frTemplatesFolder(), built) << "a folder that is not there is passed over";
}

TEST_F(Templates, SavedTemplateShowsItsDescriptionAndPictureAndOpensAsANewUntitledReport)
{
    useFolder(mine);
    const QString target = QDir(mine).filePath(QStringLiteral("Акт.frt"));
    frDesignerDialogs().saveFileName = [target](QWidget *, const QString &, const QString &filter, const QString &) {
        EXPECT_TRUE(filter.contains(QStringLiteral("*.frt")));
        return target;
    };
    QByteArray saved;
    {
        TfrDesignerWindow w;
        TfrDesignerDocument &doc = w.Document();
        addText(doc, QStringLiteral("Heading"), 60, QStringLiteral("Акт приёма-передачи"));
        addText(doc, QStringLiteral("Body"), 100, QStringLiteral("Передано: [COUNT]"));
        doc.SetSavedState();
        saved = doc.Snapshot();
        const int steps = doc.UndoStack().count();
        answer(
            [](QDialog *d) {
                QTest::mouseClick(control<QPushButton>(d, "browse"), Qt::LeftButton);
                control<QPlainTextEdit>(d, "description")
                    ->setPlainText(QStringLiteral("Акт приёма-передачи\nДва текста в рамке.\n"));
                EXPECT_FALSE(control<QLabel>(d, "preview")->pixmap().isNull());
            },
            true);
        w.Action(QStringLiteral("action_save_as_template"))->trigger();
        EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(doc.Snapshot(), saved) << "saving a template changes nothing";
        EXPECT_FALSE(doc.IsModified());
        EXPECT_EQ(doc.UndoStack().count(), steps);
    }
    ASSERT_TRUE(QFileInfo::exists(target));
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral(".part")));
    const TfrTemplateInfo info = frReadTemplateInfo(target);
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(info.description, (QStringList{QStringLiteral("Акт приёма-передачи"), QStringLiteral("Два текста в рамке.")}));
    ASSERT_FALSE(info.picture.isNull());
    EXPECT_EQ(info.picture.width(), 240);
    EXPECT_GT(info.picture.height(), info.picture.width()) << "an A4 portrait sheet";
    EXPECT_GT(colourCount(info.picture), 8) << "the page is drawn, not blank";

    TfrDesignerWindow w;
    TfrDesignerDocument &doc = w.Document();
    answer(
        [](QDialog *d) {
            auto *list = control<QListWidget>(d, "templates");
            EXPECT_EQ(list->item(0)->text(), QStringLiteral("Пустой отчёт"));
            const int row = rowOf(list, QStringLiteral("Акт приёма-передачи"));
            ASSERT_GE(row, 0);
            EXPECT_FALSE(list->item(row)->icon().isNull());
            list->setCurrentRow(row);
            EXPECT_EQ(control<QLabel>(d, "description")->text(),
                      QStringLiteral("Акт приёма-передачи\nДва текста в рамке."));
            EXPECT_FALSE(control<QLabel>(d, "preview")->pixmap().isNull());
        },
        true);
    w.Action(QStringLiteral("action_new_from_template"))->trigger();
    EXPECT_TRUE(doc.FileName().isEmpty()) << "a report made from a template has no file yet";
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(w.windowTitle().contains(QStringLiteral("Без имени"))) << w.windowTitle().toStdString();
    const TfrView *heading = doc.Report().FindObject(QStringLiteral("Heading"));
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(heading->Memo, QStringList{QStringLiteral("Акт приёма-передачи")});
    ASSERT_NE(doc.Report().FindObject(QStringLiteral("Body")), nullptr);
}

TEST_F(Templates, ChooserCancelKeepsTheReportAndTheEmptyReportStartsAfresh)
{
    useFolder(mine);
    TfrDesignerWindow w;
    TfrDesignerDocument &doc = w.Document();
    addText(doc, QStringLiteral("Keep"), 60, QStringLiteral("остаётся"));
    doc.SetSavedState();
    const QByteArray before = doc.Snapshot();
    answer([](QDialog *d) { control<QListWidget>(d, "templates")->setCurrentRow(0); }, false);
    w.Action(QStringLiteral("action_new_from_template"))->trigger();
    EXPECT_EQ(doc.Snapshot(), before);

    answer(
        [](QDialog *d) {
            auto *list = control<QListWidget>(d, "templates");
            EXPECT_EQ(list->count(), 1) << "an empty folder offers the empty report only";
            list->setCurrentRow(0);
            EXPECT_FALSE(control<QLabel>(d, "description")->text().isEmpty());
        },
        true);
    w.Action(QStringLiteral("action_new_from_template"))->trigger();
    ASSERT_EQ(doc.Report().PageCount(), 1);
    EXPECT_TRUE(doc.CurrentPage()->Objects.empty());
    EXPECT_TRUE(doc.FileName().isEmpty());
}

TEST_F(Templates, AFileThatIsNoTemplateIsListedButCannotBeChosen)
{
    {
        QFile f(QDir(mine).filePath(QStringLiteral("broken.frt")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\x05\x00", 2); // a description cut short
    }
    TfrTemplateChooser chooser(mine);
    ASSERT_EQ(chooser.List()->count(), 2);
    QListWidgetItem *broken = chooser.List()->item(1);
    EXPECT_TRUE(broken->text().contains(QStringLiteral("не читается"))) << broken->text().toStdString();
    EXPECT_FALSE(broken->flags() & Qt::ItemIsEnabled);
    EXPECT_TRUE(chooser.FileName().isEmpty());
}

TEST_F(Templates, SaveAsTemplateRefusesAMissingFolderAndCancelWritesNothing)
{
    TfrDesignerDocument doc;
    answer([](QDialog *d) { control<QLineEdit>(d, "file_name")->clear(); }, true);
    EXPECT_FALSE(frSaveAsTemplate(nullptr, doc));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.front().contains(QStringLiteral("имя файла")));

    messages.clear();
    const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/t.frt"));
    answer([nowhere](QDialog *d) { control<QLineEdit>(d, "file_name")->setText(nowhere); }, true);
    EXPECT_FALSE(frSaveAsTemplate(nullptr, doc));
    EXPECT_EQ(messages.size(), 1);

    const QString file = QDir(mine).filePath(QStringLiteral("later"));
    answer([file](QDialog *d) { control<QLineEdit>(d, "file_name")->setText(file); }, false);
    EXPECT_FALSE(frSaveAsTemplate(nullptr, doc));
    EXPECT_TRUE(QDir(mine).entryList(QDir::Files).isEmpty());

    answer([file](QDialog *d) { control<QLineEdit>(d, "file_name")->setText(file); }, true);
    EXPECT_TRUE(frSaveAsTemplate(nullptr, doc));
    EXPECT_TRUE(QFileInfo::exists(file + QStringLiteral(".frt"))) << "the extension is added";
}

// ---- the shipped templates ---------------------------------------------------------------

namespace {

// The texts of the prepared pages, page by page, in output order.
QStringList preparedTexts(const QString &templateFile, QObject &owner)
{
    TfrReportBuilder builder;
    builder.ShowErrorBox = false;
    builder.ShowProgress = false;
    builder.Report.Owner = &owner;
    CurReport = &builder.Report;
    QStringList description;
    QImage picture;
    builder.Report.LoadTemplate(templateFile, description, picture, true);
    EXPECT_TRUE(builder.PrepareReport()) << builder.LastError.toStdString();
    QStringList texts;
    for (int p = 0; p < builder.EMFPages.Count(); ++p)
        builder.EMFPages.ForEachObject(p, [&](TfrView &v) {
            const QString t = v.Memo.join(QLatin1Char(' ')).trimmed();
            if (!t.isEmpty())
                texts << t;
        });
    CurReport = MasterReport = nullptr;
    CurPage = nullptr;
    return texts;
}

TfrDBDataSet *dataSet(QObject &owner, QSqlDatabase &db, const QString &table, const QString &name)
{
    auto *cursor = new TfrTableCursor(&owner);
    cursor->setDatabase(db);
    cursor->setTableName(table);
    cursor->Open();
    auto *ds = new TfrDBDataSet(&owner);
    ds->setObjectName(name);
    ds->SetDataSet(cursor);
    return ds;
}

class ShippedTemplates : public Templates {
protected:
    void SetUp() override
    {
        Templates::SetUp();
        folder = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("templates"));
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("shipped_templates"));
        db.setDatabaseName(QStringLiteral(":memory:"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        for (const char *sql : {
                 "CREATE TABLE Items (Name TEXT, Amount NUMERIC(10,2), Category TEXT)",
                 "INSERT INTO Items VALUES ('Бумага', 100.5, 'Канцелярия')",
                 "INSERT INTO Items VALUES ('Ручки', 20, 'Канцелярия')",
                 "INSERT INTO Items VALUES ('Картридж', 300, 'Техника')",
                 "INSERT INTO Items VALUES ('Мышь', 50, 'Техника')",
                 "INSERT INTO Items VALUES ('Клавиатура', 70, 'Техника')",
                 "CREATE TABLE Docs (Number INTEGER, Date DATE, Customer TEXT)",
                 "INSERT INTO Docs VALUES (1, '2026-02-01', 'ООО Ромашка')",
                 "INSERT INTO Docs VALUES (2, '2026-02-03', 'АО Василёк')",
                 "CREATE TABLE Lines (DocNumber INTEGER, Item TEXT, Quantity INTEGER, Price NUMERIC(10,2), "
                 "Amount NUMERIC(10,2))",
                 "INSERT INTO Lines VALUES (1, 'Стол', 2, 100, 200)",
                 "INSERT INTO Lines VALUES (2, 'Стул', 4, 25, 100)",
                 "INSERT INTO Lines VALUES (1, 'Шкаф', 1, 300, 300)",
             })
            ASSERT_TRUE(q.exec(QString::fromUtf8(sql))) << sql << q.lastError().text().toStdString();
    }
    void TearDown() override
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("shipped_templates"));
        Templates::TearDown();
    }
    QString file(const char *name) const { return QDir(folder).filePath(QLatin1String(name)); }

    QString folder;
    QSqlDatabase db;
};

} // namespace

TEST_F(ShippedTemplates, AreListedWithDescriptionsAndPicturesAndOpenInTheDesigner)
{
    TfrTemplateChooser chooser(folder);
    QStringList titles;
    for (int i = 1; i < chooser.List()->count(); ++i)
        titles << chooser.List()->item(i)->text();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Список с группами и итогами"), QStringLiteral("Простой список"),
                                   QStringLiteral("Документ «главный — подчинённый»")}));
    for (const TfrTemplateInfo &info : chooser.Templates()) {
        SCOPED_TRACE(info.fileName.toStdString());
        EXPECT_TRUE(info.ok);
        EXPECT_GE(info.description.size(), 2);
        ASSERT_FALSE(info.picture.isNull());
        EXPECT_GT(colourCount(info.picture), 8);
        TfrDesignerDocument doc;
        QString error;
        ASSERT_TRUE(doc.Open(info.fileName, &error)) << error.toStdString();
        EXPECT_TRUE(doc.FileName().isEmpty());
        EXPECT_NE(doc.Report().FindObject(QStringLiteral("MasterData1")), nullptr);
    }
}

TEST_F(ShippedTemplates, PlainListPreparesOneRowPerRecordAndATotal)
{
    QObject owner;
    dataSet(owner, db, QStringLiteral("Items"), QStringLiteral("frDBDataSet1"));
    const QStringList texts = preparedTexts(file("list.frt"), owner);
    ASSERT_FALSE(texts.isEmpty());
    EXPECT_EQ(texts.front(), QStringLiteral("Список"));
    for (const char *name : {"Бумага", "Ручки", "Картридж", "Мышь", "Клавиатура"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(name))) << name;
    EXPECT_TRUE(texts.contains(QStringLiteral("100,50"))) << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("Всего записей: 5"))) << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("540,50"))) << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("Страница 1")));
}

TEST_F(ShippedTemplates, GroupsPrepareWithAHeaderAndTotalsPerGroup)
{
    QObject owner;
    dataSet(owner, db, QStringLiteral("Items"), QStringLiteral("frDBDataSet1"));
    const QStringList texts = preparedTexts(file("groups.frt"), owner);
    const QString all = texts.join(QLatin1Char('|'));
    const QStringList expected = {QStringLiteral("Группа: Канцелярия"), QStringLiteral("Бумага"), QStringLiteral("Ручки"),
                                  QStringLiteral("Итого по группе: записей 2"), QStringLiteral("120,50"),
                                  QStringLiteral("Группа: Техника"), QStringLiteral("Картридж"),
                                  QStringLiteral("Итого по группе: записей 3"), QStringLiteral("420,00"),
                                  QStringLiteral("Всего записей: 5"), QStringLiteral("540,50")};
    // In this order, other texts (numbers, amounts) between them.
    qsizetype from = 0;
    for (const QString &e : expected) {
        const qsizetype at = texts.indexOf(e, from);
        ASSERT_GE(at, from) << e.toStdString() << " in " << all.toStdString();
        from = at + 1;
    }
}

TEST_F(ShippedTemplates, MasterDetailPrintsEachDocumentWithItsOwnLines)
{
    QObject owner;
    dataSet(owner, db, QStringLiteral("Docs"), QStringLiteral("frDBDataSet1"));
    dataSet(owner, db, QStringLiteral("Lines"), QStringLiteral("frDBDataSet2"));
    const QStringList texts = preparedTexts(file("master_detail.frt"), owner);
    const QString all = texts.join(QLatin1Char('|'));
    const QStringList expected = {QStringLiteral("Документ № 1 от 01.02.2026, ООО Ромашка"), QStringLiteral("Стол"),
                                  QStringLiteral("Шкаф"), QStringLiteral("500,00"),
                                  QStringLiteral("Документ № 2 от 03.02.2026, АО Василёк"), QStringLiteral("Стул"),
                                  QStringLiteral("100,00")};
    qsizetype from = 0;
    for (const QString &e : expected) {
        const qsizetype at = texts.indexOf(e, from);
        ASSERT_GE(at, from) << e.toStdString() << " in " << all.toStdString();
        from = at + 1;
    }
    EXPECT_EQ(texts.count(QStringLiteral("Стол")), 1) << "a line prints under its own document only: " << all.toStdString();
    EXPECT_EQ(texts.count(QStringLiteral("Стул")), 1) << all.toStdString();
}

// ---- at the operators' screen size -----------------------------------------------------------

namespace {

// The whole screen while a dialog is up, for a person to look at ($FR_DESIGNER_SHOTS).
void keepScreen(QWidget *dialog, const char *name)
{
    if (shotsFolder().isEmpty())
        return;
    QApplication::processEvents();
    QTest::qWait(200);
    QImage shot = QApplication::primaryScreen()->grabWindow(0).toImage();
    if (shot.isNull() || colourCount(shot.scaled(200, 120)) < 4) // offscreen: the dialog alone
        shot = dialog->grab().toImage();
    keep(shot, name);
}

} // namespace

TEST_F(ShippedTemplates, DialogsFitTheOperatorsScreenOverATemplate)
{
    const QSize screen(1366, 768);
    TfrDesignerWindow w;
    w.setGeometry(0, 0, screen.width(), screen.height());
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_TRUE(w.OpenFile(file("master_detail.frt")));
    auto check = [&](const char *shot, const std::function<void(QDialog *)> &set = {}) {
        QTimer::singleShot(0, [&, shot, set] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr) << shot;
            if (set)
                set(dialog);
            const QSize size = dialog->frameGeometry().size().expandedTo(dialog->sizeHint());
            EXPECT_LE(size.width(), screen.width()) << shot;
            EXPECT_LE(size.height(), screen.height() - 40) << shot << ": a task bar stays visible";
            keepScreen(dialog, shot);
            dialog->reject();
        });
    };
    const QByteArray before = w.Document().Snapshot();
    check("i24-page-options.png");
    w.Action(QStringLiteral("action_page_setup"))->trigger();
    check("i24-template-chooser.png", [this](QDialog *d) {
        auto *list = control<QListWidget>(d, "templates");
        list->setCurrentRow(rowOf(list, QStringLiteral("Список с группами и итогами")));
    });
    w.Action(QStringLiteral("action_new_from_template"))->trigger();
    check("i24-band-data-source.png");
    frEditBandDataSource(&w, w.Document(), QStringLiteral("DetailData1"));
    check("i24-save-as-template.png", [](QDialog *d) {
        control<QPlainTextEdit>(d, "description")
            ->setPlainText(QStringLiteral("Счета с позициями\nДокументы и их строки с итогом по документу."));
    });
    w.Action(QStringLiteral("action_save_as_template"))->trigger();
    EXPECT_EQ(w.Document().Snapshot(), before) << "looking changes nothing";

    // The picture editor on a picture showing the template's own preview.
    w.Document().Edit(QStringLiteral("picture"), [&] {
        auto picture = std::make_unique<TfrPictureView>();
        picture->Name = QStringLiteral("Logo");
        picture->SetBounds(560, 40, 150, 40);
        picture->Picture.setImage(pkBitmap, frReadTemplateInfo(file("groups.frt")).picture);
        w.Document().CurrentPage()->Add(std::move(picture));
    });
    check("i24-picture-editor.png");
    EXPECT_FALSE(frEditPicture(&w, w.Document(), QStringLiteral("Logo")));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
}
