// The print dialog: printer, page range, copies and collation, odd or even pages.
//
// Choosing a printer selects it in Prn at once; leaving the dialog any way but OK selects
// the printer it opened with again. OK is refused, with a message, while the page-number
// text is not a list of numbers and ranges ("1,3,5-12"), so a bad range never reaches
// printing.
#pragma once

#include <QDialog>
#include <QStyledItemDelegate>

#include "report/engine/prepare.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class TfrPlatformPrinters;

// The picture of collated or uncollated copies.
class TfrCollatePicture : public QWidget {
public:
    explicit TfrCollatePicture(QWidget *parent = nullptr);
    void SetCollated(bool collated);
    bool Collated() const { return m_collated; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_collated = true;
};

// Printer entries: the printer icon, the name 24 pixels to its right.
class TfrPrinterItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

class TfrPrintForm : public QDialog {
public:
    explicit TfrPrintForm(QWidget *parent = nullptr);

    QGroupBox *GroupBox1 = nullptr; // "Принтер"
    QLabel *Label4 = nullptr;
    QComboBox *CB1 = nullptr;       // the platform's printers
    QPushButton *PropButton = nullptr;
    QGroupBox *GroupBox2 = nullptr; // "Страницы"
    QRadioButton *RB1 = nullptr;    // all pages
    QRadioButton *RB2 = nullptr;    // the current page
    QRadioButton *RB3 = nullptr;    // page numbers
    QLineEdit *E2 = nullptr;        // the page-number text
    QLabel *Label2 = nullptr;
    QGroupBox *GroupBox3 = nullptr; // "Копии"
    QLabel *Label1 = nullptr;
    QLineEdit *E1 = nullptr;        // number of copies
    QToolButton *frSpeedButton1 = nullptr; // +1
    QToolButton *frSpeedButton2 = nullptr; // -1
    QCheckBox *CollateCB = nullptr;
    QLabel *Label3 = nullptr;
    TfrCollatePicture *PB1 = nullptr;
    QLabel *Label5 = nullptr;
    QComboBox *CB2 = nullptr;       // TfrPrintPages by item index
    QPushButton *Button1 = nullptr; // OK
    QPushButton *Button2 = nullptr; // cancel

    void Localize();

    int Copies() const;
    void SetCopies(int copies);
    // The page-range text of the choice: empty for all pages, the current page's number,
    // or E2's text.
    QString PageRange(int currentPage) const;
    TfrPrintPages PrintPages() const { return TfrPrintPages(qBound(0, CB2Index(), 2)); }

    // Index in Prn's printer list of the printer the dialog opened with.
    int RememberedPrinter() const { return m_rememberedPrinter; }

    // OK only with a valid page-number text; anything else restores the printer.
    void done(int result) override;

    // The page-number text is acceptable; otherwise reason says why.
    static bool PageRangeAcceptable(const QString &text, QString &reason);

    void CB1Click(int index);
    void PropButtonClick();
    void E2Click();
    void RB3Click();
    void frSpeedButton1Click();
    void frSpeedButton2Click();
    void Label3Click();
    void CollateCBClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    int CB2Index() const;
    void showRangeError(const QString &reason);

    int m_rememberedPrinter = -1;
    bool m_filling = false;
};

// Shows the print dialog over settings (copies and collation in, everything out); true on
// OK. currentPage 0 disables "current page".
bool frShowPrintDialog(TfrPrintSettings &settings, int currentPage = 0, QWidget *parent = nullptr);

// The printer properties of a Qt printer: Qt's print dialog on the current printer. A
// printer switched inside that dialog is switched back and the change is dropped.
bool frQtPrinterProperties(TfrPlatformPrinters &platform);

// Installs the print dialog as the report components' print dialog and Qt's print dialog
// as the printer properties dialog.
void frInstallPrintDialog();
