// The print dialog on the test server's printers: its texts, copies and collation, the
// printer choice applied at once and undone on cancel, the refusal of a bad page range,
// and the dialog in front of printing.
#include "print/print_test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "report/ui/print_form.h"

using namespace print_test;

namespace {

// Runs act on the first top-level window of type W once it shows (inside the modal loop
// the caller is about to enter).
template <class W>
void whenShown(std::function<void(W &)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *window = dynamic_cast<W *>(w); window && window->isVisible()) {
                timer->stop();
                timer->deleteLater();
                act(*window);
                return;
            }
    });
    timer->start();
}

class PrintForm : public PrintQueue {
protected:
    void TearDown() override
    {
        frReportUi() = TfrReportUi{};
        frPrinterPropertiesHook = nullptr;
        PrintQueue::TearDown();
    }
};

TEST_F(PrintForm, ControlsAndTheirTexts)
{
    TfrPrintForm form;
    EXPECT_EQ(form.windowTitle(), u("Печать"));
    EXPECT_EQ(form.GroupBox1->title(), u("Принтер"));
    EXPECT_EQ(form.Label4->text(), u("&Имя:"));
    EXPECT_EQ(form.PropButton->text(), u("Свойства..."));
    EXPECT_EQ(form.GroupBox2->title(), u("Страницы"));
    EXPECT_EQ(form.RB1->text(), u("&Все"));
    EXPECT_EQ(form.RB2->text(), u("&Текущая"));
    EXPECT_EQ(form.RB3->text(), u("&Номера:"));
    EXPECT_EQ(form.Label2->text(),
              u("Введите номера и/или диапазоны страниц, разделенные запятыми. Например, 1,3,5-12"));
    EXPECT_EQ(form.GroupBox3->title(), u("Копии"));
    EXPECT_EQ(form.Label1->text(), u("Число &копий:"));
    EXPECT_EQ(form.Label3->text(), u("&Разобрать по копиям"));
    EXPECT_EQ(form.Label5->text(), u("Вывести на &печать:"));
    ASSERT_EQ(form.CB2->count(), 3);
    EXPECT_EQ(form.CB2->itemText(0), u("Все страницы диапазона"));
    EXPECT_EQ(form.CB2->itemText(1), u("Нечетные страницы"));
    EXPECT_EQ(form.CB2->itemText(2), u("Четные страницы"));
    EXPECT_EQ(form.Button1->text(), u("ОК"));
    EXPECT_EQ(form.Button2->text(), u("Отмена"));

    // Initial state: all pages, one collated copy, the whole range, the current printer.
    EXPECT_TRUE(form.RB1->isChecked());
    EXPECT_EQ(form.E1->text(), QStringLiteral("1"));
    EXPECT_TRUE(form.CollateCB->isChecked());
    EXPECT_TRUE(form.PB1->Collated());
    EXPECT_EQ(form.CB2->currentIndex(), 0);
    // The platform's printers, without the virtual one, each with its icon.
    ASSERT_EQ(form.CB1->count(), Prn.VirtualPrinterIndex());
    EXPECT_EQ(form.CB1->currentText(), QStringLiteral("Capture"));
    for (int i = 0; i < form.CB1->count(); ++i)
        EXPECT_FALSE(form.CB1->itemIcon(i).isNull());
}

TEST_F(PrintForm, CopiesNeverGoBelowOneAndTheLabelTogglesCollation)
{
    TfrPrintForm form;
    form.frSpeedButton2->click();
    EXPECT_EQ(form.E1->text(), QStringLiteral("1"));
    form.frSpeedButton1->click();
    form.frSpeedButton1->click();
    EXPECT_EQ(form.E1->text(), QStringLiteral("3"));
    form.frSpeedButton2->click();
    EXPECT_EQ(form.E1->text(), QStringLiteral("2"));
    form.E1->setText(QString());
    form.frSpeedButton2->click();
    EXPECT_EQ(form.E1->text(), QStringLiteral("1"));
    EXPECT_EQ(form.Copies(), 1);

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(form.Label3, &press);
    QApplication::sendEvent(form.Label3, &release);
    EXPECT_FALSE(form.CollateCB->isChecked());
    EXPECT_FALSE(form.PB1->Collated());
    form.CollateCB->click();
    EXPECT_TRUE(form.PB1->Collated());
}

TEST_F(PrintForm, PageNumbersChooseTheirButton)
{
    TfrPrintForm form;
    form.show();
    form.E2->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(form.RB3->isChecked()) << "entering the numbers checks their button";
    form.RB1->setChecked(true);
    form.E2->clearFocus();
    form.RB3->click();
    QApplication::processEvents();
    EXPECT_TRUE(form.E2->hasFocus());
}

TEST_F(PrintForm, ABadPageRangeIsRefusedInTheDialog)
{
    const struct {
        const char *text;
        bool accepted;
    } texts[] = {
        {"1,3,5-12", true}, {" 5 - ", true}, {"7-3", true}, {"", true},    {"1;3", false},
        {"a", false},       {"1--3", false}, {"-", false},  {",", false},  {"1.5", false},
        {"99999999999", false},
    };
    for (const auto &t : texts) {
        QString reason;
        EXPECT_EQ(TfrPrintForm::PageRangeAcceptable(u(t.text), reason), t.accepted) << t.text;
        EXPECT_EQ(reason.isEmpty(), t.accepted) << t.text;
    }

    TfrPrintForm form;
    form.open();
    form.RB3->setChecked(true);
    form.E2->setText(QStringLiteral("1;3"));
    QString shown;
    whenShown<QMessageBox>([&](QMessageBox &box) {
        shown = box.text();
        box.accept();
    });
    form.Button1->click();
    EXPECT_TRUE(shown.contains(u("цифры"))) << shown.toStdString();
    EXPECT_TRUE(form.isVisible()) << "the dialog stays open";

    form.E2->setText(QStringLiteral(" 1, 3 ,5-12"));
    form.Button1->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), int(QDialog::Accepted));
    EXPECT_EQ(form.PageRange(0), QStringLiteral(" 1, 3 ,5-12"));
}

TEST_F(PrintForm, APrinterChosenIsSelectedAtOnceAndCancelUndoesIt)
{
    {
        TfrPrintForm form;
        form.open();
        form.CB1->setCurrentIndex(capture2);
        form.CB1Click(capture2);
        EXPECT_EQ(Prn.PrinterIndex(), capture2);
        EXPECT_EQ(printers->CurrentPrinter(), QStringLiteral("Capture2"));
        form.Button2->click();
        EXPECT_EQ(Prn.PrinterIndex(), capture) << "cancel selects the printer the dialog opened with";
        EXPECT_EQ(printers->CurrentPrinter(), QStringLiteral("Capture"));
    }
    {
        TfrPrintForm form;
        form.open();
        form.CB1Click(capture2);
        form.reject(); // closing the window is a cancel too
        EXPECT_EQ(Prn.PrinterIndex(), capture);
    }
    TfrPrintForm form;
    form.open();
    form.CB1Click(capture2);
    form.Button1->click();
    EXPECT_EQ(Prn.PrinterIndex(), capture2) << "OK keeps the choice";
}

TEST_F(PrintForm, TheDialogInFrontOfPrinting)
{
    frInstallPrintDialog();
    auto report = numberedReport({{false, 6}});
    report->DefaultCopies = 2;
    report->DefaultCollate = false;
    bool rb2Enabled = true;
    QString copies;
    bool collate = true;
    whenShown<TfrPrintForm>([&](TfrPrintForm &form) {
        rb2Enabled = form.RB2->isEnabled();
        copies = form.E1->text();
        collate = form.CollateCB->isChecked();
        form.CB1Click(capture2);
        form.RB3->setChecked(true);
        form.E2->setText(QStringLiteral("2-5"));
        form.CB2->setCurrentIndex(frOdd);
        form.Button1->click();
    });
    report->PrintPreparedReportDlg();
    EXPECT_FALSE(rb2Enabled) << "no current page outside the preview";
    EXPECT_EQ(copies, QStringLiteral("2"));
    EXPECT_FALSE(collate);
    const std::vector<Job> jobs = waitForJobs(startId, 1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].queue, QStringLiteral("Capture2"));
    EXPECT_EQ(pageNumbers(jobs[0].pdf), (std::vector<int>{3, 5}));
    EXPECT_EQ(jobs[0].copies, 2);

    // Cancelled: nothing prints. Without the dialog: the defaults print at once.
    whenShown<TfrPrintForm>([](TfrPrintForm &form) { form.Button2->click(); });
    report->PrintPreparedReportDlg();
    report->ShowPrintDialog = false;
    const int before = lastJobId();
    report->PrintPreparedReportDlg();
    const std::vector<Job> direct = waitForJobs(before, 1);
    ASSERT_EQ(direct.size(), 1u);
    EXPECT_EQ(pageNumbers(direct[0].pdf), sequence(1, 6));
    EXPECT_EQ(direct[0].copies, 2);
    printMarker();
    EXPECT_EQ(jobsBeforeMarker(startId).size(), 2u);
}

TEST_F(PrintForm, PropertiesOpenQtsPrintDialogOnTheChosenPrinter)
{
    frInstallPrintDialog();
    TfrPrintForm form;
    form.open();
    form.CB1->setCurrentIndex(capture2);
    QString printerInDialog;
    whenShown<QPrintDialog>([&](QPrintDialog &dialog) {
        printerInDialog = dialog.printer()->printerName();
        dialog.reject();
    });
    form.PropButton->click();
    EXPECT_EQ(printerInDialog, QStringLiteral("Capture2"));
    EXPECT_EQ(Prn.PrinterIndex(), capture2);
    form.reject();
    EXPECT_EQ(Prn.PrinterIndex(), capture);
}

} // namespace
