#include "report/ui/print_form.h"

#include <QApplication>
#include <QBitmap>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintEngine>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <vector>

#include "report/eval/errors.h"
#include "report/eval/strings.h"
#include "report/print/page_range.h"
#include "report/print/platform_printers.h"
#include "report/print/printer.h"

namespace {

constexpr int kMaxCopies = 9999;
constexpr int kIconSize = 16;
constexpr int kPrinterTextOffset = 24;

// The pictures are drawn on their transparent colour, which a mask then removes.
QPixmap masked(QImage image, QColor transparent)
{
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setMask(QBitmap::fromImage(image.createMaskFromColor(transparent.rgb(), Qt::MaskInColor)));
    return pixmap;
}

QPixmap printerIcon()
{
    static const QPixmap icon = [] {
        const QColor transparent(0x80, 0x80, 0x00); // 0x008080 as the platform writes it
        QImage image(kIconSize, kIconSize, QImage::Format_RGB32);
        image.fill(transparent);
        QPainter p(&image);
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawRect(4, 1, 7, 5);            // the sheet going in
        p.setBrush(QColor(0xC0, 0xC0, 0xC0));
        p.drawRect(1, 6, 13, 6);           // the body
        p.setBrush(Qt::white);
        p.drawRect(4, 10, 7, 4);           // the sheet coming out
        p.fillRect(11, 8, 2, 1, Qt::green); // the lamp
        return masked(image, transparent);
    }();
    return icon;
}

// A sheet with its page number.
void drawSheet(QPainter &p, int x, int y, int w, int h, int number)
{
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(x, y, w - 1, h - 1);
    QFont font = p.font();
    font.setPixelSize(10);
    p.setFont(font);
    p.drawText(QRect(x, y, w, h), Qt::AlignCenter, QString::number(number));
}

const QColor kPictureTransparent(0xC0, 0xC0, 0xC0);

QPixmap collatedPicture()
{
    static const QPixmap picture = [] {
        QImage image(74, 53, QImage::Format_RGB32);
        image.fill(kPictureTransparent);
        QPainter p(&image);
        // Two copies, each a stack of pages 1, 2, 3 in order.
        for (int copy = 0; copy < 2; ++copy)
            for (int page = 3; page >= 1; --page)
                drawSheet(p, copy * 38 + (page - 1) * 6, (3 - page) * 6 + 12, 20, 26, page);
        return masked(image, kPictureTransparent);
    }();
    return picture;
}

QPixmap uncollatedPicture()
{
    static const QPixmap picture = [] {
        QImage image(92, 40, QImage::Format_RGB32);
        image.fill(kPictureTransparent);
        QPainter p(&image);
        // Three stacks: both copies of page 1, then of page 2, then of page 3.
        for (int page = 1; page <= 3; ++page)
            for (int copy = 1; copy >= 0; --copy)
                drawSheet(p, (page - 1) * 31 + copy * 6, (1 - copy) * 6 + 6, 20, 26, page);
        return masked(image, kPictureTransparent);
    }();
    return picture;
}

} // namespace

// ---- TfrCollatePicture ----

TfrCollatePicture::TfrCollatePicture(QWidget *parent) : QWidget(parent) { setFixedSize(92, 53); }

void TfrCollatePicture::SetCollated(bool collated)
{
    if (collated == m_collated)
        return;
    m_collated = collated;
    update();
}

void TfrCollatePicture::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (m_collated)
        p.drawPixmap(8, 0, collatedPicture());
    else
        p.drawPixmap(0, 8, uncollatedPicture());
}

// ---- TfrPrinterItemDelegate ----

void TfrPrinterItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                   const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    opt.icon = QIcon();
    QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    const QRect r = option.rect;
    painter->drawPixmap(r.left() + 2, r.top() + (r.height() - kIconSize) / 2, printerIcon());
    painter->save();
    painter->setPen(opt.palette.color(QPalette::Normal, (option.state & QStyle::State_Selected)
                                                            ? QPalette::HighlightedText
                                                            : QPalette::Text));
    painter->drawText(r.adjusted(kPrinterTextOffset, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
    painter->restore();
}

QSize TfrPrinterItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), kIconSize + 2));
    return size;
}

// ---- TfrPrintForm ----

TfrPrintForm::TfrPrintForm(QWidget *parent) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    GroupBox1 = new QGroupBox(this);
    Label4 = new QLabel(GroupBox1);
    CB1 = new QComboBox(GroupBox1);
    CB1->setItemDelegate(new TfrPrinterItemDelegate(CB1));
    CB1->setIconSize(QSize(kIconSize, kIconSize));
    CB1->setMinimumWidth(260);
    Label4->setBuddy(CB1);
    PropButton = new QPushButton(GroupBox1);
    auto *printerRow = new QHBoxLayout(GroupBox1);
    printerRow->addWidget(Label4);
    printerRow->addWidget(CB1, 1);
    printerRow->addWidget(PropButton);

    GroupBox2 = new QGroupBox(this);
    RB1 = new QRadioButton(GroupBox2);
    RB2 = new QRadioButton(GroupBox2);
    RB3 = new QRadioButton(GroupBox2);
    E2 = new QLineEdit(GroupBox2);
    Label2 = new QLabel(GroupBox2);
    Label2->setWordWrap(true);
    auto *pages = new QGridLayout(GroupBox2);
    pages->addWidget(RB1, 0, 0, 1, 2);
    pages->addWidget(RB2, 1, 0, 1, 2);
    pages->addWidget(RB3, 2, 0);
    pages->addWidget(E2, 2, 1);
    pages->addWidget(Label2, 3, 0, 1, 2);
    pages->setRowStretch(4, 1);

    GroupBox3 = new QGroupBox(this);
    Label1 = new QLabel(GroupBox3);
    E1 = new QLineEdit(GroupBox3);
    E1->setValidator(new QIntValidator(1, kMaxCopies, E1));
    E1->setMaximumWidth(60);
    Label1->setBuddy(E1);
    frSpeedButton1 = new QToolButton(GroupBox3);
    frSpeedButton1->setText(QStringLiteral("+"));
    frSpeedButton2 = new QToolButton(GroupBox3);
    frSpeedButton2->setText(QStringLiteral("-"));
    CollateCB = new QCheckBox(GroupBox3);
    Label3 = new QLabel(GroupBox3);
    Label3->setBuddy(CollateCB);
    PB1 = new TfrCollatePicture(GroupBox3);
    auto *copies = new QGridLayout(GroupBox3);
    auto *copiesRow = new QHBoxLayout;
    copiesRow->setSpacing(2);
    copiesRow->addWidget(E1);
    copiesRow->addWidget(frSpeedButton1);
    copiesRow->addWidget(frSpeedButton2);
    copiesRow->addStretch(1);
    copies->addWidget(Label1, 0, 0);
    copies->addLayout(copiesRow, 0, 1);
    auto *collateRow = new QHBoxLayout;
    collateRow->addWidget(CollateCB);
    collateRow->addWidget(Label3, 1);
    copies->addWidget(PB1, 1, 0);
    copies->addLayout(collateRow, 1, 1);
    copies->setRowStretch(2, 1);

    auto *middle = new QHBoxLayout;
    middle->addWidget(GroupBox2, 1);
    middle->addWidget(GroupBox3);

    Label5 = new QLabel(this);
    CB2 = new QComboBox(this);
    Label5->setBuddy(CB2);
    Button1 = new QPushButton(this);
    Button1->setDefault(true);
    Button2 = new QPushButton(this);
    auto *bottom = new QHBoxLayout;
    bottom->setSpacing(0);
    bottom->addWidget(Label5);
    bottom->addSpacing(11);
    bottom->addWidget(CB2);
    bottom->addStretch(1);
    bottom->addWidget(Button1);
    bottom->addSpacing(6);
    bottom->addWidget(Button2);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addLayout(middle);
    layout->addLayout(bottom);

    connect(CB1, &QComboBox::activated, this, &TfrPrintForm::CB1Click);
    connect(PropButton, &QPushButton::clicked, this, &TfrPrintForm::PropButtonClick);
    connect(E2, &QLineEdit::textEdited, this, &TfrPrintForm::E2Click);
    E2->installEventFilter(this);
    connect(RB3, &QRadioButton::clicked, this, &TfrPrintForm::RB3Click);
    connect(frSpeedButton1, &QToolButton::clicked, this, &TfrPrintForm::frSpeedButton1Click);
    connect(frSpeedButton2, &QToolButton::clicked, this, &TfrPrintForm::frSpeedButton2Click);
    Label3->installEventFilter(this);
    connect(CollateCB, &QCheckBox::toggled, this, &TfrPrintForm::CollateCBClick);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    FormCreate();
}

void TfrPrintForm::FormCreate()
{
    Localize();
    // The platform's printers only: the virtual printer cannot print.
    m_filling = true;
    CB1->clear();
    for (int i = 0; i < Prn.VirtualPrinterIndex(); ++i)
        CB1->addItem(QIcon(printerIcon()), Prn.Printers().at(i));
    m_rememberedPrinter = Prn.PrinterIndex();
    int current = Prn.PrinterIndex();
    if (Prn.IsVirtual()) {
        // Printing takes the print system's current printer then.
        TfrPlatformPrinters *platform = Prn.Platform();
        current = platform ? platform->PrinterIndex() : -1;
        if (current < 0 && CB1->count() > 0)
            current = 0;
    }
    CB1->setCurrentIndex(current);
    m_filling = false;
    PropButton->setEnabled(CB1->count() > 0);

    RB1->setChecked(true);
    E1->setText(QStringLiteral("1"));
    CollateCB->setChecked(true);
    PB1->SetCollated(true);
    CB2->setCurrentIndex(0);
}

void TfrPrintForm::Localize()
{
    setWindowTitle(frLoadStr(53040));
    GroupBox1->setTitle(frLoadStr(53041));
    PropButton->setText(frLoadStr(53042));
    GroupBox3->setTitle(frLoadStr(53043));
    GroupBox2->setTitle(frLoadStr(53044));
    RB1->setText(frLoadStr(53045));
    RB2->setText(frLoadStr(53046));
    RB3->setText(frLoadStr(53047));
    Label2->setText(frLoadStr(53048));
    Label4->setText(frLoadStr(53049));
    Label1->setText(frLoadStr(53050));
    Label3->setText(frLoadStr(53051));
    Label5->setText(frLoadStr(53052));
    const int pagesIndex = CB2->currentIndex();
    CB2->clear();
    CB2->addItems({frLoadStr(53053), frLoadStr(53054), frLoadStr(53055)});
    CB2->setCurrentIndex(pagesIndex < 0 ? 0 : pagesIndex);
    Button1->setText(frLoadStr(55000));
    Button2->setText(frLoadStr(55001));
}

int TfrPrintForm::CB2Index() const { return CB2->currentIndex(); }

int TfrPrintForm::Copies() const
{
    bool ok = false;
    const int n = E1->text().trimmed().toInt(&ok);
    return ok && n >= 1 ? n : 1;
}

void TfrPrintForm::SetCopies(int copies) { E1->setText(QString::number(qBound(1, copies, kMaxCopies))); }

QString TfrPrintForm::PageRange(int currentPage) const
{
    if (RB1->isChecked())
        return QString();
    if (RB2->isChecked() && RB2->isEnabled())
        return QString::number(currentPage);
    return E2->text();
}

bool TfrPrintForm::PageRangeAcceptable(const QString &text, QString &reason)
{
    const QString example = QStringLiteral("Например: 1,3,5-12");
    const TfrPageRange range = TfrPageRange::FromText(text);
    if (range.Problem() == TfrPageRange::BadCharacter) {
        reason = QStringLiteral("Номера страниц могут содержать только цифры, знаки \"-\" и \",\" и пробелы. ") + example;
        return false;
    }
    if (!range.IsValid()) {
        reason = QStringLiteral("Номера страниц указаны неверно: \"%1\". Введите номера и/или диапазоны страниц, "
                                "разделенные запятыми. ")
                     .arg(text.trimmed()) +
                 example;
        return false;
    }
    return true;
}

void TfrPrintForm::showRangeError(const QString &reason)
{
    QMessageBox box(QMessageBox::Warning, frLoadStr(53040), reason, QMessageBox::Ok, this);
    box.exec();
    RB3->setChecked(true);
    E2->setFocus();
    E2->selectAll();
}

void TfrPrintForm::done(int result)
{
    if (result == QDialog::Accepted && RB3->isChecked()) {
        QString reason;
        if (!PageRangeAcceptable(E2->text(), reason)) {
            showRangeError(reason);
            return;
        }
    }
    if (result != QDialog::Accepted && Prn.PrinterIndex() != m_rememberedPrinter) {
        try {
            Prn.SetPrinterIndex(m_rememberedPrinter);
        } catch (const std::exception &) {
            // The printer it opened with is gone; Prn has fallen back on its own.
        }
    }
    QDialog::done(result);
}

void TfrPrintForm::CB1Click(int index)
{
    if (m_filling || index < 0 || index == Prn.PrinterIndex())
        return;
    try {
        Prn.SetPrinterIndex(index);
    } catch (const std::exception &) {
        QMessageBox::critical(this, frLoadStr(55206), frLoadStr(55210));
        m_filling = true;
        CB1->setCurrentIndex(Prn.IsVirtual() ? -1 : Prn.PrinterIndex());
        m_filling = false;
    }
}

void TfrPrintForm::PropButtonClick()
{
    const int index = CB1->currentIndex();
    if (index >= 0 && index != Prn.PrinterIndex())
        CB1Click(index);
    Prn.PropertiesDlg();
}

void TfrPrintForm::E2Click() { RB3->setChecked(true); }

void TfrPrintForm::RB3Click() { E2->setFocus(); }

void TfrPrintForm::frSpeedButton1Click() { SetCopies(Copies() + 1); }

void TfrPrintForm::frSpeedButton2Click() { SetCopies(Copies() < 2 ? 1 : Copies() - 1); }

void TfrPrintForm::Label3Click() { CollateCB->toggle(); }

void TfrPrintForm::CollateCBClick() { PB1->SetCollated(CollateCB->isChecked()); }

bool TfrPrintForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label3 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        Label3Click();
        return true;
    }
    if (watched == E2 && event->type() == QEvent::FocusIn)
        E2Click();
    return QDialog::eventFilter(watched, event);
}

// ---- the hooks ----

bool frShowPrintDialog(TfrPrintSettings &settings, int currentPage, QWidget *parent)
{
    TfrPrintForm form(parent ? parent : QApplication::activeWindow());
    form.RB2->setEnabled(currentPage > 0);
    form.SetCopies(settings.copies);
    form.CollateCB->setChecked(settings.collate);
    if (form.exec() != QDialog::Accepted)
        return false;
    settings.range = form.PageRange(currentPage);
    settings.copies = form.Copies();
    settings.collate = form.CollateCB->isChecked();
    settings.printPages = form.PrintPages();
    return true;
}

bool frQtPrinterProperties(TfrPlatformPrinters &platform)
{
    auto *qt = dynamic_cast<TfrQtPlatformPrinters *>(&platform);
    if (!qt || qt->CurrentPrinter().isEmpty())
        return false;
    QPrinter &printer = qt->Printer();
    // Qt's dialog can switch printers; this dialog is about the current one only.
    const QString name = printer.printerName();
    const QPageLayout layout = printer.pageLayout();
    const QPrinter::DuplexMode duplex = printer.duplex();
    const QPrinter::ColorMode color = printer.colorMode();
    const QPrinter::PaperSource source = printer.paperSource();
    constexpr auto kCupsOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);
    const QVariant cupsOptions = printer.printEngine()->property(kCupsOptions);

    QPrintDialog dialog(&printer, QApplication::activeWindow());
    dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (printer.printerName() == name)
        return true;
    printer.setPrinterName(name);
    printer.setPageLayout(layout);
    printer.setDuplex(duplex);
    printer.setColorMode(color);
    printer.setPaperSource(source);
    printer.printEngine()->setProperty(kCupsOptions, cupsOptions);
    return false;
}

void frInstallPrintDialog()
{
    frReportUi().printDialog = [](TfrReportBuilder &, TfrPrintSettings &settings) {
        return frShowPrintDialog(settings, settings.currentPage);
    };
    frPrinterPropertiesHook = frQtPrinterProperties;
}
