// How a report component shows its pages: ShowReport and ShowPreparedReport through the
// preview window (modal and modeless, with its caption, taking the pages over and
// discarding them on close, remembering its place), and through the embeddable control.
#include <gtest/gtest.h>

#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "report/engine/export_filter.h"
#include "report/eval/ini_file.h"
#include "report/model/band_view.h"
#include "report/print/platform_printers.h"
#include "report/ui/preview.h"
#include "report/ui/preview_form.h"
#include "tests/ui/preview_test_support.h"

using namespace previewtest;

namespace {

// The preview windows open now.
QList<TfrPreviewForm *> openPreviews()
{
    QList<TfrPreviewForm *> forms;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *f = dynamic_cast<TfrPreviewForm *>(w); f && f->isVisible())
            forms << f;
    return forms;
}

// Runs check on the modal preview as soon as it shows, then closes it.
void whenShown(const std::function<void(TfrPreviewForm &)> &check)
{
    QTimer::singleShot(0, [check] {
        const QList<TfrPreviewForm *> forms = openPreviews();
        ASSERT_EQ(forms.size(), 1);
        check(*forms[0]);
        forms[0]->ExitBtnClick();
    });
}

struct Installed {
    Installed()
    {
        saved = frReportUi();
        frInstallPreviewForm();
    }
    ~Installed()
    {
        frReportUi() = saved;
        frFormPositionFile().clear();
    }
    TfrReportUi saved;
};

// A template of one band of `rows` records with the record number.
void addRowsTemplate(TfrReport &report, int rows)
{
    TfrPage *page = report.Page(0);
    auto band = std::make_unique<TfrBandView>();
    band->Name = QStringLiteral("Data");
    band->SetBounds(0, 40, 700, 20);
    band->SetBandType(btMasterData);
    band->formatText = QString::number(rows);
    page->Add(std::move(band));
    auto memo = std::make_unique<TfrMemoView>();
    memo->Name = QStringLiteral("Row");
    memo->SetBounds(20, 40, 200, 20);
    memo->Memo = QStringList{QStringLiteral("Строка [LINE#]")};
    page->Add(std::move(memo));
}

TEST(ShowReport, PreparesAndShowsTheModalPreviewThatDiscardsThePagesOnClose)
{
    Installed ui;
    TReport r;
    addRowsTemplate(r.builder.Report, 120);
    r.builder.Title = u("Журнал принятых файлов");
    int shownPages = 0;
    QString caption;
    whenShown([&](TfrPreviewForm &form) {
        shownPages = form.PageCount();
        caption = form.windowTitle();
        EXPECT_TRUE(form.isModal());
        EXPECT_TRUE(form.isMaximized()) << "no stored place: maximised";
        EXPECT_EQ(r.builder.EMFPages.Count(), 0) << "the window holds the pages";
        EXPECT_EQ(form.Report(), &r.builder);
    });
    r.builder.ShowReport();
    EXPECT_GT(shownPages, 2);
    EXPECT_EQ(caption, u("Предварительный просмотр - Журнал принятых файлов"));
    EXPECT_TRUE(openPreviews().isEmpty());
    EXPECT_EQ(r.builder.EMFPages.Count(), 0) << "closing the preview discards the prepared report";
}

TEST(ShowReport, NoPagesNoWindow)
{
    Installed ui;
    TReport r;
    r.builder.Report.ClearPages(); // an empty template prepares nothing
    bool shown = false;
    QTimer::singleShot(0, [&] { shown = !openPreviews().isEmpty(); });
    r.builder.ShowReport();
    QCoreApplication::processEvents();
    EXPECT_FALSE(shown);
    EXPECT_TRUE(openPreviews().isEmpty());
}

TEST(ShowPreparedReport, AModelessPreviewClosesWithItsReport)
{
    Installed ui;
    auto r = std::make_unique<TReport>();
    r->addPages(3);
    r->builder.ModalPreview = false;
    r->builder.ShowPreparedReport();
    QList<TfrPreviewForm *> forms = openPreviews();
    ASSERT_EQ(forms.size(), 1);
    EXPECT_FALSE(forms[0]->isModal());
    EXPECT_EQ(forms[0]->PageCount(), 3);
    QPointer<TfrPreviewForm> form = forms[0];
    r.reset(); // the component goes: its window closes and forgets it
    processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
}

TEST(ShowPreparedReport, TheWindowComesBackAtItsLastPlace)
{
    Installed ui;
    QTemporaryDir dir;
    frFormPositionFile() = dir.filePath(QStringLiteral("forms.ini"));
    TReport r;
    r.addPages(2);
    QRect placed;
    whenShown([&](TfrPreviewForm &form) {
        form.setWindowState(Qt::WindowNoState);
        form.setGeometry(40, 50, 620, 480);
        processEvents();
        placed = form.geometry();
    });
    r.builder.ShowPreparedReport();
    const TIniFile ini(frFormPositionFile());
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("frPreviewForm"), QStringLiteral("Width"), 0), placed.width());
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("frPreviewForm"), QStringLiteral("Maximized"), true));

    r.addPages(2);
    QRect reopened;
    bool maximized = true;
    whenShown([&](TfrPreviewForm &form) {
        reopened = form.geometry();
        maximized = form.isMaximized();
    });
    r.builder.ShowPreparedReport();
    EXPECT_FALSE(maximized);
    EXPECT_EQ(reopened.size(), placed.size());
}

// One installed "printer": a PDF QPrinter, so page setup has a printer to set up.
class PdfPrinter : public TfrPlatformPrinters {
public:
    QPrinter printer{QPrinter::HighResolution};
    TfrQtPrinterPapers papers;
    PdfPrinter()
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        papers.Load({QPageSize(QPageSize::A4), QPageSize(QPageSize::A5)}, false);
        frSetPlatformPrinters(this);
    }
    ~PdfPrinter() override { frSetPlatformPrinters(nullptr); }
    QStringList PrinterNames() override { return {QStringLiteral("PDF")}; }
    int PrinterIndex() override { return 0; }
    void SetPrinterIndex(int) override {}
    bool GetDeviceMode(TfrDeviceMode &mode) override
    {
        papers.GetDeviceMode(printer, false, mode);
        return true;
    }
    void SetDeviceMode(const TfrDeviceMode &mode) override { papers.SetDeviceMode(printer, mode); }
    TfrDeviceCaps DeviceCaps() override { return TfrQtPrinterPapers::DeviceCaps(printer); }
    std::vector<TfrPaperItem> Papers() override { return papers.Items(); }
    std::vector<TfrBinItem> Bins() override { return {}; }
    bool Printing() override { return false; }
};

TEST(PreviewPageSetup, NewMarginsAndPaperRebuildTheReport)
{
    Installed ui;
    PdfPrinter pdf;
    TReport r;
    addRowsTemplate(r.builder.Report, 60);
    r.builder.PreviewButtons |= pbPageSetup;
    ASSERT_TRUE(r.builder.PrepareReport());
    const int before = r.builder.EMFPages.Count();
    TDialogs dialogs;
    TfrRect asked;
    frPreviewDialogs().pageSetup = [&](QWidget *, TfrRect &margins) {
        asked = margins;
        margins = {2000, 2500, 2000, 2500}; // hundredths of a millimetre
        // The dialog leaves the printer on the paper chosen: A5.
        pdf.printer.setPageSize(QPageSize(QPageSize::A5));
        return true;
    };
    TfrPreviewForm form;
    open(form, r.builder, {800, 600});
    EXPECT_TRUE(form.PageSetupBtn->isVisibleTo(&form));
    EXPECT_TRUE(form.PageSetupBtn->isEnabled());
    form.SetCurPage(2);
    const TfrRect m = (*form.Pages())[0].margins;
    form.PageSetupBtnClick();
    EXPECT_EQ(asked, (TfrRect{m.Left * 500 / 18, m.Top * 500 / 18, m.Right * 500 / 18, m.Bottom * 500 / 18}))
        << "the dialog starts from the first page's margins";
    TfrPage *page = r.builder.Report.Page(0);
    EXPECT_EQ(page->pgMargins, (TfrRect{72, 90, 72, 90})) << "x 18 / 500";
    EXPECT_EQ(page->pgSize, 11) << "A5";
    ASSERT_GT(form.PageCount(), before) << "a smaller sheet holds fewer rows";
    EXPECT_EQ((*form.Pages())[0].margins, (TfrRect{72, 90, 72, 90}));
    EXPECT_EQ(form.CurPage(), 1);
    EXPECT_EQ(r.builder.EMFPages.Count(), 0);

    // Pages read from a file have no template to be rebuilt from: left as they are.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("kept.frp"));
    form.SaveToFile(file);
    form.LoadFromFile(file);
    const int loaded = form.PageCount();
    asked = {};
    form.PageSetupBtnClick();
    EXPECT_EQ(asked, TfrRect{}) << "no dialog";
    EXPECT_EQ(form.PageCount(), loaded);
    form.ConnectBack();
}

TEST(EmbeddedPreview, ShowsTheReportInsideAnotherWindowWithAllItsOperations)
{
    Installed ui;
    TReport r;
    for (int i = 0; i < 5; ++i)
        r.addPage({{QStringLiteral("page %1").arg(i + 1)}});
    QWidget host;
    auto *preview = new TfrPreview(&host);
    preview->setGeometry(0, 0, 600, 500);
    QMenu ownMenu;
    ownMenu.setObjectName(QStringLiteral("ownMenu"));
    preview->PopupMenu = &ownMenu;
    std::vector<int> changes;
    preview->OnPageChanged = [&](TfrPreview *sender, int page) {
        EXPECT_EQ(sender, preview);
        changes.push_back(page);
    };
    r.builder.Preview = preview;
    host.resize(600, 500);
    host.show();
    r.builder.ShowPreparedReport();
    processEvents();
    EXPECT_TRUE(openPreviews().isEmpty()) << "no window of its own";
    EXPECT_EQ(preview->AllPages(), 5);
    EXPECT_EQ(r.builder.EMFPages.Count(), 0);
    TfrPreviewForm &window = *preview->Window();
    EXPECT_EQ(window.PBox->window(), &host) << "the page box sits in the host";
    EXPECT_FALSE(window.ExitBtn->isVisibleTo(window.Panel1));
    EXPECT_EQ(window.WheelFactor, 3);

    preview->SetPage(3);
    EXPECT_EQ(preview->Page(), 3);
    preview->SetPage(0);
    preview->SetPage(6);
    EXPECT_EQ(preview->Page(), 3) << "out of range is ignored";
    preview->Last();
    EXPECT_EQ(preview->Page(), 5);
    preview->Prev();
    preview->First();
    preview->Next();
    EXPECT_EQ(preview->Page(), 2);
    EXPECT_EQ(changes.back(), 2);
    preview->SetZoom(75);
    EXPECT_EQ(preview->Zoom(), 75);
    EXPECT_EQ(window.Mode(), mdNone);
    preview->PageWidth();
    EXPECT_EQ(window.Mode(), mdPageWidth);
    preview->TwoPages();
    EXPECT_EQ(window.PagesPerRow(), 2);
    preview->OnePage();
    EXPECT_EQ(window.Mode(), mdOnePage);

    TDialogs dialogs;
    QMouseEvent right(QEvent::MouseButtonPress, QPointF(50, 50), window.PBox->mapToGlobal(QPointF(50, 50)),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(window.PBox, &right);
    EXPECT_EQ(dialogs.popups, QStringList{QStringLiteral("ownMenu")});

    // An export takes the pages from the control and gives them back.
    QTemporaryDir dir;
    struct Counter : TfrExportFilter {
        void OnBeginPage() override { ++pages; }
        int pages = 0;
    } counter;
    r.builder.ExportTo(counter, dir.filePath(QStringLiteral("out.txt")));
    EXPECT_EQ(counter.pages, 5);
    EXPECT_EQ(preview->AllPages(), 5);
    EXPECT_EQ(r.builder.EMFPages.Count(), 0);

    // Saving and loading a prepared report through the control.
    const QString file = dir.filePath(QStringLiteral("saved.frp"));
    dialogs.fileToSave = file;
    preview->SaveToFile();
    EXPECT_TRUE(QFile::exists(file));
    preview->Clear();
    EXPECT_EQ(preview->AllPages(), 0);
    EXPECT_FALSE(window.PreviewPanel->isVisible());
    preview->LoadFile(file);
    EXPECT_EQ(preview->AllPages(), 5);
    EXPECT_TRUE(window.PreviewPanel->isVisible());
    preview->LoadFile(dir.filePath(QStringLiteral("absent.frp")));
    EXPECT_EQ(preview->AllPages(), 0);

    preview->Disconnect();
    EXPECT_EQ(r.builder.EMFPages.Count(), 0) << "a cleared control has nothing to give back";
    r.builder.Preview = nullptr;
}

TEST(EmbeddedPreview, DisconnectGivesThePagesBackAndDestructionForgetsTheReport)
{
    Installed ui;
    TReport r;
    r.addPages(4);
    auto preview = std::make_unique<TfrPreview>();
    preview->SetScrollBars(ssVertical);
    r.builder.Preview = preview.get();
    r.builder.ShowPreparedReport();
    EXPECT_EQ(preview->AllPages(), 4);
    EXPECT_TRUE(preview->Window()->RPanel->isVisibleTo(preview.get()));
    EXPECT_FALSE(preview->Window()->BPanel->isVisibleTo(preview.get()));
    preview->Disconnect();
    EXPECT_EQ(r.builder.EMFPages.Count(), 4);
    EXPECT_EQ(preview->AllPages(), 0);
    preview.reset();
    EXPECT_EQ(r.builder.Preview, nullptr) << "a destroyed control is no longer the report's preview";
}

} // namespace
