// The band data source and picture editors driven through their controls: each changes
// the band or picture as it says, as one undo step; Cancel and OK without a change leave
// nothing; a name that is no data set, or a file that is no picture, is refused with a
// message and nothing changes. A virtual data set chosen in the editor prints that often.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <functional>
#include <gtest/gtest.h>

#include "report/designer/band_picture_editors.h"
#include "report/designer/designer_document.h"
#include "report/designer/designer_editors.h"
#include "report/designer/designer_window.h"
#include "report/engine/prepared_pages.h"
#include "report/engine/report_builder.h"
#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/ui_hooks.h"
#include "report/model/band_view.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/picture_view.h"
#include "report/model/report.h"

namespace {

template <class T>
T *control(QWidget *dialog, const QString &name)
{
    T *w = dialog->findChild<T *>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
}

// A report over an owner with two data sets, a page with a master data band, a detail
// data band, a cross data band and a picture.
class BandAndPictureEditors : public testing::Test {
protected:
    void SetUp() override
    {
        ds1 = new TfrDBDataSet(&owner);
        ds1->setObjectName(QStringLiteral("frDBDataSet1"));
        ds2 = new TfrDBDataSet(&owner);
        ds2->setObjectName(QStringLiteral("frDBDataSet2"));
        report.Owner = &owner;
        doc = std::make_unique<TfrDesignerDocument>(report);
        doc->Edit(QStringLiteral("setup"), [&] {
            TfrPage &page = *doc->CurrentPage();
            addBand(page, QStringLiteral("MasterData1"), btMasterData, 100);
            addBand(page, QStringLiteral("DetailData1"), btDetailData, 160);
            auto cross = std::make_unique<TfrBandView>();
            cross->Name = QStringLiteral("CrossData1");
            cross->SetBandType(btCrossData);
            cross->SetBounds(400, 0, 80, 1000);
            page.Add(std::move(cross));
            auto picture = std::make_unique<TfrPictureView>();
            picture->Name = QStringLiteral("Picture1");
            picture->SetBounds(20, 200, 100, 80);
            page.Add(std::move(picture));
        });
        doc->UndoStack().clear();
        doc->SetSavedState();
        savedMessageBox = frUiHooks().MessageBox;
        frUiHooks().MessageBox = [this](const QString &text, const QString &, int) {
            messages.append(text);
            return 1;
        };
        savedDialogs = frDesignerDialogs();
    }
    void TearDown() override
    {
        frUiHooks().MessageBox = savedMessageBox;
        frDesignerDialogs() = savedDialogs;
        doc.reset();
        CurReport = nullptr;
        CurPage = nullptr;
    }
    static void addBand(TfrPage &page, const QString &name, int type, int top)
    {
        auto band = std::make_unique<TfrBandView>();
        band->Name = name;
        band->SetBandType(type);
        band->SetBounds(0, top, 700, 30);
        page.Add(std::move(band));
    }
    TfrView *object(const QString &name) const { return report.FindObject(name); }
    TfrPictureView *picture() const { return dynamic_cast<TfrPictureView *>(object(QStringLiteral("Picture1"))); }

    // Answers the next modal dialog: set() on it, then OK or Cancel (a refused OK is
    // followed by Cancel, as a person gives up).
    void answer(const std::function<void(QDialog *)> &set, bool accept)
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
    bool editSource(const QString &band, const std::function<void(QDialog *)> &set, bool accept = true)
    {
        answer(set, accept);
        return frEditBandDataSource(nullptr, *doc, band);
    }
    bool editPicture(const std::function<void(QDialog *)> &set, bool accept = true)
    {
        answer(set, accept);
        return frEditPicture(nullptr, *doc, QStringLiteral("Picture1"));
    }
    QString writeImage(const QString &name, const char *format, QSize size, QColor colour)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        const QString file = dir.filePath(name);
        EXPECT_TRUE(image.save(file, format)) << name.toStdString();
        return file;
    }

    QObject owner;
    TfrDBDataSet *ds1 = nullptr, *ds2 = nullptr;
    TfrReport report;
    std::unique_ptr<TfrDesignerDocument> doc;
    QTemporaryDir dir;
    QStringList messages;
    std::function<int(const QString &, const QString &, int)> savedMessageBox;
    TfrDesignerDialogs savedDialogs;
};

} // namespace

TEST_F(BandAndPictureEditors, DataBandTakesADataSetOrAVirtualCountAsOneStepEach)
{
    const QByteArray start = doc->Snapshot();
    ASSERT_TRUE(editSource(QStringLiteral("MasterData1"), [](QDialog *d) {
        auto *list = control<QComboBox>(d, QStringLiteral("dataset"));
        // The report's data sets are offered.
        EXPECT_GE(list->findText(QStringLiteral("frDBDataSet1")), 0);
        EXPECT_GE(list->findText(QStringLiteral("frDBDataSet2")), 0);
        list->setCurrentIndex(list->findText(QStringLiteral("frDBDataSet2")));
        EXPECT_TRUE(control<QRadioButton>(d, QStringLiteral("source_dataset"))->isChecked());
    }));
    EXPECT_EQ(object(QStringLiteral("MasterData1"))->formatText, QStringLiteral("frDBDataSet2"));
    EXPECT_EQ(doc->UndoStack().count(), 1);

    ASSERT_TRUE(editSource(QStringLiteral("MasterData1"), [](QDialog *d) {
        EXPECT_EQ(control<QComboBox>(d, QStringLiteral("dataset"))->currentText(), QStringLiteral("frDBDataSet2"))
            << "the band's own data set is shown";
        control<QSpinBox>(d, QStringLiteral("record_count"))->setValue(5);
        EXPECT_TRUE(control<QRadioButton>(d, QStringLiteral("source_virtual"))->isChecked());
    }));
    EXPECT_EQ(object(QStringLiteral("MasterData1"))->formatText, QStringLiteral("5"));

    ASSERT_TRUE(editSource(QStringLiteral("MasterData1"), [](QDialog *d) {
        EXPECT_EQ(control<QSpinBox>(d, QStringLiteral("record_count"))->value(), 5);
        control<QRadioButton>(d, QStringLiteral("source_none"))->setChecked(true);
    }));
    EXPECT_TRUE(object(QStringLiteral("MasterData1"))->formatText.isEmpty());
    EXPECT_EQ(doc->UndoStack().count(), 3);
    doc->UndoStack().undo();
    doc->UndoStack().undo();
    doc->UndoStack().undo();
    EXPECT_EQ(doc->Snapshot(), start);
}

TEST_F(BandAndPictureEditors, CancelOkWithoutChangeAndBadNamesLeaveTheBandAlone)
{
    const QByteArray start = doc->Snapshot();
    EXPECT_FALSE(editSource(
        QStringLiteral("MasterData1"),
        [](QDialog *d) { control<QSpinBox>(d, QStringLiteral("record_count"))->setValue(7); }, false));
    EXPECT_FALSE(editSource(QStringLiteral("MasterData1"), [](QDialog *) {}));
    EXPECT_EQ(doc->Snapshot(), start);
    EXPECT_TRUE(messages.isEmpty());

    // A typed name that would read as a record count, a list, or nothing at all.
    for (const QString &bad : {QStringLiteral("1Orders"), QStringLiteral("A;B"), QString()}) {
        messages.clear();
        EXPECT_FALSE(editSource(QStringLiteral("MasterData1"), [bad](QDialog *d) {
            auto *list = control<QComboBox>(d, QStringLiteral("dataset"));
            control<QRadioButton>(d, QStringLiteral("source_dataset"))->setChecked(true);
            list->setEditText(bad);
        })) << bad.toStdString();
        EXPECT_EQ(messages.size(), 1) << bad.toStdString();
    }
    EXPECT_EQ(doc->Snapshot(), start);
    EXPECT_EQ(doc->UndoStack().count(), 0);

    // Bands without a data source of their own have no such editor.
    EXPECT_FALSE(frEditBandDataSource(nullptr, *doc, QStringLiteral("Picture1")));
    EXPECT_FALSE(frEditBandDataSource(nullptr, *doc, QStringLiteral("NoSuchBand")));
}

TEST_F(BandAndPictureEditors, CrossBandTakesADataSetPerRowBandAndShowsItAgain)
{
    ASSERT_TRUE(editSource(QStringLiteral("CrossData1"), [](QDialog *d) {
        auto *rows = control<QTableWidget>(d, QStringLiteral("cross_rows"));
        EXPECT_EQ(rows->rowCount(), 2) << "the page's row bands";
        control<QRadioButton>(d, QStringLiteral("source_rows"))->setChecked(true);
        control<QComboBox>(d, QStringLiteral("row_dataset_MasterData1"))->setCurrentText(QStringLiteral("frDBDataSet2"));
        control<QComboBox>(d, QStringLiteral("row_dataset_DetailData1"))->setCurrentText(QStringLiteral("3"));
    }));
    EXPECT_EQ(object(QStringLiteral("CrossData1"))->formatText, QStringLiteral("MasterData1=frDBDataSet2;DetailData1=3;"));

    // Shown again as it was given; OK without a change is no step.
    const int steps = doc->UndoStack().count();
    EXPECT_FALSE(editSource(QStringLiteral("CrossData1"), [](QDialog *d) {
        EXPECT_TRUE(control<QRadioButton>(d, QStringLiteral("source_rows"))->isChecked());
        EXPECT_EQ(control<QComboBox>(d, QStringLiteral("row_dataset_MasterData1"))->currentText(),
                  QStringLiteral("frDBDataSet2"));
    }));
    EXPECT_EQ(doc->UndoStack().count(), steps);

    // Or one data set for the whole cross band, as data bands have.
    ASSERT_TRUE(editSource(QStringLiteral("CrossData1"), [](QDialog *d) {
        control<QComboBox>(d, QStringLiteral("dataset"))->setCurrentText(QStringLiteral("frDBDataSet1"));
    }));
    EXPECT_EQ(object(QStringLiteral("CrossData1"))->formatText, QStringLiteral("frDBDataSet1"));
}

TEST_F(BandAndPictureEditors, AVirtualDataSetChosenInTheEditorPrintsThatManyTimes)
{
    TfrView *title = nullptr;
    doc->Edit(QStringLiteral("text"), [&] {
        // Only the master data band stays.
        TfrPage &page = *doc->CurrentPage();
        for (int i = int(page.Objects.size()) - 1; i >= 0; --i)
            if (page.Objects[size_t(i)]->Name != QStringLiteral("MasterData1"))
                page.Delete(i);
        auto memo = std::make_unique<TfrMemoView>();
        memo->Name = QStringLiteral("Row");
        memo->SetBounds(20, 104, 200, 18);
        memo->Memo = QStringList{QStringLiteral("Запись [LINE#]")};
        title = doc->CurrentPage()->Add(std::move(memo));
    });
    ASSERT_NE(title, nullptr);
    ASSERT_TRUE(editSource(QStringLiteral("MasterData1"),
                           [](QDialog *d) { control<QSpinBox>(d, QStringLiteral("record_count"))->setValue(4); }));
    const QString file = dir.filePath(QStringLiteral("virtual.frf"));
    ASSERT_TRUE(doc->Save(file));

    TfrReportBuilder builder;
    builder.ShowErrorBox = false;
    builder.ShowProgress = false;
    CurReport = &builder.Report;
    ASSERT_TRUE(builder.Report.LoadFromFile(file));
    ASSERT_TRUE(builder.PrepareReport()) << builder.LastError.toStdString();
    QStringList rows;
    for (int p = 0; p < builder.EMFPages.Count(); ++p)
        builder.EMFPages.ForEachObject(p, [&](TfrView &v) {
            const QString t = v.Memo.join(QString());
            if (t.startsWith(QStringLiteral("Запись")))
                rows << t;
        });
    EXPECT_EQ(rows, (QStringList{QStringLiteral("Запись 1"), QStringLiteral("Запись 2"), QStringLiteral("Запись 3"),
                                 QStringLiteral("Запись 4")}));
    CurReport = MasterReport = nullptr;
    CurPage = nullptr;
}

TEST_F(BandAndPictureEditors, PictureLoadsFromAFileWithItsOptionsAsOneStep)
{
    const QString png = writeImage(QStringLiteral("logo.png"), "PNG", QSize(40, 20), Qt::red);
    frDesignerDialogs().openFileName = [png](QWidget *, const QString &, const QString &) { return png; };
    const QByteArray start = doc->Snapshot();
    ASSERT_TRUE(editPicture([](QDialog *d) {
        QTest::mouseClick(control<QPushButton>(d, QStringLiteral("load")), Qt::LeftButton);
        EXPECT_TRUE(control<QLabel>(d, QStringLiteral("picture_info"))->text().contains(QStringLiteral("40 × 20")));
        control<QCheckBox>(d, QStringLiteral("stretched"))->setChecked(false);
        control<QCheckBox>(d, QStringLiteral("center"))->setChecked(true);
        control<QComboBox>(d, QStringLiteral("blob_type"))->setCurrentIndex(btJPG);
    }));
    TfrPictureView *view = picture();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->Picture.kind(), pkBitmap) << "a PNG is kept as a bitmap the template can store";
    EXPECT_EQ(view->Picture.width(), 40);
    EXPECT_EQ(view->Picture.image().pixelColor(5, 5), QColor(Qt::red));
    EXPECT_EQ(view->Flags & flStretched, 0);
    EXPECT_NE(view->Flags & flPictCenter, 0);
    EXPECT_NE(view->Flags & flPictRatio, 0) << "keep aspect was on and stays";
    EXPECT_EQ(view->BlobType, btJPG);
    EXPECT_EQ(doc->UndoStack().count(), 1);

    // The picture travels with the template.
    const QString file = dir.filePath(QStringLiteral("picture.frf"));
    ASSERT_TRUE(doc->Save(file));
    TfrReport reread;
    ASSERT_TRUE(reread.LoadFromFile(file));
    auto *again = dynamic_cast<TfrPictureView *>(reread.FindObject(QStringLiteral("Picture1")));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Picture.height(), 20);

    doc->UndoStack().undo();
    EXPECT_EQ(doc->Snapshot(), start);
    EXPECT_TRUE(picture()->Picture.isEmpty());
}

TEST_F(BandAndPictureEditors, AFileThatIsNoPictureIsRefusedAndClearEmptiesThePicture)
{
    const QString jpeg = writeImage(QStringLiteral("photo.jpg"), "JPEG", QSize(16, 12), Qt::blue);
    QString next = jpeg;
    frDesignerDialogs().openFileName = [&next](QWidget *, const QString &, const QString &) { return next; };
    ASSERT_TRUE(editPicture([](QDialog *d) { QTest::mouseClick(control<QPushButton>(d, QStringLiteral("load")), Qt::LeftButton); }));
    EXPECT_EQ(picture()->Picture.kind(), pkJPEG);
    const QByteArray jpegBytes = picture()->Picture.data();
    EXPECT_EQ(jpegBytes, [&] {
        QFile f(jpeg);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }()) << "a JPEG keeps its own bytes";

    // A text file, even one called .bmp, is not a picture: a message, the picture stays.
    const QString text = dir.filePath(QStringLiteral("notes.bmp"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("это не рисунок\n");
    }
    next = text;
    const QByteArray before = doc->Snapshot();
    EXPECT_FALSE(editPicture([](QDialog *d) {
        QTest::mouseClick(control<QPushButton>(d, QStringLiteral("load")), Qt::LeftButton);
        EXPECT_TRUE(control<QLabel>(d, QStringLiteral("picture_info"))->text().startsWith(QStringLiteral("JPEG")));
    }));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.front().contains(QStringLiteral("не является рисунком"))) << messages.front().toStdString();
    EXPECT_EQ(doc->Snapshot(), before);

    // Cancel after Clear keeps it; OK after Clear empties it.
    EXPECT_FALSE(editPicture([](QDialog *d) { QTest::mouseClick(control<QPushButton>(d, QStringLiteral("clear")), Qt::LeftButton); },
                             false));
    EXPECT_EQ(picture()->Picture.data(), jpegBytes);
    ASSERT_TRUE(editPicture([](QDialog *d) { QTest::mouseClick(control<QPushButton>(d, QStringLiteral("clear")), Qt::LeftButton); }));
    EXPECT_TRUE(picture()->Picture.isEmpty());
}
