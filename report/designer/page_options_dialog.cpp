#include "report/designer/page_options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "report/designer/designer_document.h"
#include "report/designer/designer_editors.h"
#include "report/designer/dialog_buttons.h"
#include "report/designer/page_editors_p.h"
#include "report/eval/strings.h"
#include "report/eval/ui_hooks.h"
#include "report/model/page.h"
#include "report/model/paper.h"
#include "report/model/report.h"

namespace {

constexpr double kMmPerInch = 25.4;
const char *const kMarginNames[4] = {"LeftMargin", "TopMargin", "RightMargin", "BottomMargin"};
const char *const kMarginObjects[4] = {"margin_left", "margin_top", "margin_right", "margin_bottom"};
const char *const kMarginLabels[4] = {"Левое:", "Верхнее:", "Правое:", "Нижнее:"};

// The portrait size of a paper the virtual printer's table knows; false for others.
bool tableSize(int code, int &width, int &height)
{
    for (const TPaperInfo &p : frPaperInfo)
        if (p.code == code && p.width > 0) {
            width = p.width;
            height = p.height;
            return true;
        }
    return false;
}

QDoubleSpinBox *mmBox(QWidget *parent, const char *name, double min, double max)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setDecimals(1);
    box->setRange(min, max);
    box->setSingleStep(1);
    box->setSuffix(QStringLiteral(" мм"));
    return box;
}

double round1(double v) { return std::round(v * 10) / 10; }

} // namespace

double frPixelsToMm(int pixels) { return round1(pixels * kMmPerInch / frDesignPixelsPerInch); }

int frMmToPixels(double mm) { return int(std::lround(mm * frDesignPixelsPerInch / kMmPerInch)); }

TfrPageOptionsDialog::TfrPageOptionsDialog(const TfrPage &page, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PageOptions"));
    setWindowTitle(QStringLiteral("Параметры страницы"));

    m_start.paperSize = page.pgSize;
    m_start.paperWidth = page.pgWidth;
    m_start.paperHeight = page.pgHeight;
    m_start.orientation = page.pgOr == 1 ? 1 : 0;
    m_start.margins[0] = page.pgMargins.Left;
    m_start.margins[1] = page.pgMargins.Top;
    m_start.margins[2] = page.pgMargins.Right;
    m_start.margins[3] = page.pgMargins.Bottom;
    m_start.columns = std::max(1, int(page.Columns));
    m_start.columnGap = page.ColGap;
    m_start.printToPrevPage = page.PrintToPrevPage;
    m_start.stretchToPrintable = !page.applyMargins;
    m_printableLeft = page.PrnInfo.Ofx;
    m_printableRight = std::max(0, page.PrnInfo.Pgw - page.PrnInfo.Ofx - page.PrnInfo.Pw);

    // ---- paper ----
    auto *paperBox = new QGroupBox(QStringLiteral("Бумага"), this);
    m_paper = new QComboBox(paperBox);
    m_paper->setObjectName(QStringLiteral("paper_size"));
    const TfrPaperService &service = frPaper();
    bool hasCustom = false;
    for (int i = 0; i < service.PaperCount(); ++i) {
        const int code = service.PaperCodes()[size_t(i)];
        m_paper->addItem(i < service.PaperNames().size() ? service.PaperNames().at(i) : QString::number(code), code);
        hasCustom = hasCustom || code == frCustomPaperSize;
    }
    // A size of one's own is always offered: a printer that refuses it gets it as its own size.
    if (!hasCustom)
        m_paper->addItem(frLoadStr(55074), frCustomPaperSize);
    int current = m_paper->findData(page.pgSize);
    if (current < 0) // a paper this printer does not know: shown as a size of its own
        current = m_paper->findData(frCustomPaperSize);
    m_paper->setCurrentIndex(current);
    m_paper->setMaxVisibleItems(20);

    m_width = mmBox(paperBox, "paper_width", 10, 5000);
    m_height = mmBox(paperBox, "paper_height", 10, 5000);
    m_width->setValue(page.pgWidth / 10.0);
    m_height->setValue(page.pgHeight / 10.0);
    m_portrait = new QRadioButton(QStringLiteral("Книжная"), paperBox);
    m_portrait->setObjectName(QStringLiteral("orientation_portrait"));
    m_landscape = new QRadioButton(QStringLiteral("Альбомная"), paperBox);
    m_landscape->setObjectName(QStringLiteral("orientation_landscape"));
    (m_start.orientation == 1 ? m_landscape : m_portrait)->setChecked(true);

    auto *paperForm = new QFormLayout(paperBox);
    paperForm->addRow(QStringLiteral("Размер:"), m_paper);
    auto *sizeRow = new QHBoxLayout;
    sizeRow->addWidget(new QLabel(QStringLiteral("Ширина:"), paperBox));
    sizeRow->addWidget(m_width);
    sizeRow->addSpacing(12);
    sizeRow->addWidget(new QLabel(QStringLiteral("Высота:"), paperBox));
    sizeRow->addWidget(m_height);
    sizeRow->addStretch();
    paperForm->addRow(sizeRow);
    auto *orientationRow = new QHBoxLayout;
    orientationRow->addWidget(m_portrait);
    orientationRow->addWidget(m_landscape);
    orientationRow->addStretch();
    paperForm->addRow(QStringLiteral("Ориентация:"), orientationRow);

    // ---- margins ----
    auto *marginBox = new QGroupBox(QStringLiteral("Поля"), this);
    auto *marginGrid = new QGridLayout(marginBox);
    for (int i = 0; i < 4; ++i) {
        m_margins[i] = mmBox(marginBox, kMarginObjects[i], 0, 1000);
        m_margins[i]->setValue(frPixelsToMm(m_start.margins[i]));
        marginGrid->addWidget(new QLabel(QString::fromUtf8(kMarginLabels[i]), marginBox), i / 2, (i % 2) * 2);
        marginGrid->addWidget(m_margins[i], i / 2, (i % 2) * 2 + 1);
    }
    m_printable = new QLabel(marginBox);
    m_printable->setWordWrap(true);
    m_printable->setText(QStringLiteral("Поле 0 — граница области печати принтера (слева %1 мм, справа %2 мм).")
                             .arg(QLocale().toString(frPixelsToMm(m_printableLeft), 'f', 1),
                                  QLocale().toString(frPixelsToMm(m_printableRight), 'f', 1)));
    marginGrid->addWidget(m_printable, 2, 0, 1, 4);
    m_stretch = new QCheckBox(QStringLiteral("Весь лист без полей (не учитывать поля и область печати)"), marginBox);
    m_stretch->setObjectName(QStringLiteral("stretch_to_printable"));
    m_stretch->setChecked(m_start.stretchToPrintable);
    marginGrid->addWidget(m_stretch, 3, 0, 1, 4);

    // ---- columns ----
    auto *columnBox = new QGroupBox(QStringLiteral("Колонки"), this);
    m_columns = new QSpinBox(columnBox);
    m_columns->setObjectName(QStringLiteral("columns"));
    m_columns->setRange(1, 100);
    m_columns->setValue(m_start.columns);
    m_columnWidth = mmBox(columnBox, "column_width", 0, 5000);
    m_columnGap = mmBox(columnBox, "column_gap", 0, 1000);
    m_columnGap->setValue(frPixelsToMm(m_start.columnGap));
    auto *columnForm = new QFormLayout(columnBox);
    columnForm->addRow(QStringLiteral("Число колонок:"), m_columns);
    columnForm->addRow(QStringLiteral("Ширина колонки:"), m_columnWidth);
    columnForm->addRow(QStringLiteral("Промежуток:"), m_columnGap);
    auto *columnNote = new QLabel(QStringLiteral("Ширина колонки делит место между полями; её изменение меняет промежуток."),
                                  columnBox);
    columnNote->setWordWrap(true);
    columnForm->addRow(columnNote);

    m_prevPage = new QCheckBox(QStringLiteral("Печатать на предыдущей странице"), this);
    m_prevPage->setObjectName(QStringLiteral("print_to_prev_page"));
    m_prevPage->setChecked(m_start.printToPrevPage);

    auto *buttons = frDialogButtons(this);

    auto *columnsRow = new QHBoxLayout;
    columnsRow->addWidget(marginBox, 3);
    columnsRow->addWidget(columnBox, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(paperBox);
    layout->addLayout(columnsRow);
    layout->addWidget(m_prevPage);
    layout->addStretch();
    layout->addWidget(buttons);

    connect(m_paper, &QComboBox::currentIndexChanged, this, [this] { paperChosen(); });
    connect(m_portrait, &QRadioButton::toggled, this, [this] { orientationChosen(); });
    connect(m_columns, &QSpinBox::valueChanged, this, [this] { updateColumnWidth(); });
    connect(m_columnGap, &QDoubleSpinBox::valueChanged, this, [this] { updateColumnWidth(); });
    connect(m_columnWidth, &QDoubleSpinBox::valueChanged, this, [this] { columnWidthEdited(); });
    connect(m_width, &QDoubleSpinBox::valueChanged, this, [this] { updateColumnWidth(); });
    connect(m_stretch, &QCheckBox::toggled, this, [this] { updateColumnWidth(); });
    for (QDoubleSpinBox *m : m_margins)
        connect(m, &QDoubleSpinBox::valueChanged, this, [this] { updateColumnWidth(); });
    const bool custom = m_paper->currentData().toInt() == frCustomPaperSize;
    m_width->setEnabled(custom);
    m_height->setEnabled(custom);
    updateColumnWidth();
}

void TfrPageOptionsDialog::paperChosen()
{
    const int code = m_paper->currentData().toInt();
    const bool custom = code == frCustomPaperSize;
    m_width->setEnabled(custom);
    m_height->setEnabled(custom);
    int w = 0, h = 0;
    if (custom || !tableSize(code, w, h))
        return; // a size of one's own starts from what is shown
    if (m_landscape->isChecked())
        std::swap(w, h);
    m_width->setValue(w / 10.0);
    m_height->setValue(h / 10.0);
}

void TfrPageOptionsDialog::orientationChosen()
{
    // The sheet turns: what was its width becomes its height.
    const bool landscape = m_landscape->isChecked();
    const double w = m_width->value(), h = m_height->value();
    if ((landscape && w < h) || (!landscape && w > h)) {
        m_width->setValue(h);
        m_height->setValue(w);
    }
}

double TfrPageOptionsDialog::usableWidthMm() const
{
    const double paper = m_width->value();
    if (m_stretch->isChecked())
        return paper;
    const double left = m_margins[0]->value() > 0 ? m_margins[0]->value() : frPixelsToMm(m_printableLeft);
    const double right = m_margins[2]->value() > 0 ? m_margins[2]->value() : frPixelsToMm(m_printableRight);
    return paper - left - right;
}

void TfrPageOptionsDialog::updateColumnWidth()
{
    const int n = m_columns->value();
    m_columnWidth->setEnabled(n > 1);
    m_columnGap->setEnabled(n > 1);
    const QSignalBlocker block(m_columnWidth);
    m_columnWidth->setValue(std::max(0.0, round1((usableWidthMm() - (n - 1) * m_columnGap->value()) / n)));
}

void TfrPageOptionsDialog::columnWidthEdited()
{
    const int n = m_columns->value();
    if (n < 2)
        return;
    const double gap = std::max(0.0, (usableWidthMm() - n * m_columnWidth->value()) / (n - 1));
    const QSignalBlocker block(m_columnGap);
    m_columnGap->setValue(round1(gap));
}

TfrPageOptions TfrPageOptionsDialog::Options() const
{
    TfrPageOptions o = m_start;
    // A value the user left alone keeps its exact pixels (millimetres are rounded for show).
    auto pixels = [](const QDoubleSpinBox *box, int start) {
        return qFuzzyCompare(box->value() + 1, frPixelsToMm(start) + 1) ? start : frMmToPixels(box->value());
    };
    o.paperSize = m_paper->currentData().toInt();
    o.orientation = m_landscape->isChecked() ? 1 : 0;
    auto tenths = [](const QDoubleSpinBox *box, int start) {
        return qFuzzyCompare(box->value() + 1, start / 10.0 + 1) ? start : int(std::lround(box->value() * 10));
    };
    o.paperWidth = tenths(m_width, m_start.paperWidth);
    o.paperHeight = tenths(m_height, m_start.paperHeight);
    for (int i = 0; i < 4; ++i)
        o.margins[i] = pixels(m_margins[i], m_start.margins[i]);
    o.columns = m_columns->value();
    o.columnGap = pixels(m_columnGap, m_start.columnGap);
    o.printToPrevPage = m_prevPage->isChecked();
    o.stretchToPrintable = m_stretch->isChecked();
    return o;
}

QString TfrPageOptionsDialog::Check() const
{
    const double w = m_width->value(), h = m_height->value();
    const double usableHeight = h - m_margins[1]->value() - m_margins[3]->value();
    if (!m_stretch->isChecked() && (usableWidthMm() < 10 || usableHeight < 10))
        return QStringLiteral("Поля не оставляют места на листе %1 × %2 мм: между полями должно остаться "
                              "не меньше 10 мм по ширине и по высоте.")
            .arg(QLocale().toString(w, 'f', 1), QLocale().toString(h, 'f', 1));
    const int n = m_columns->value();
    if (n > 1 && (usableWidthMm() - (n - 1) * m_columnGap->value()) / n < 5)
        return QStringLiteral("%1 колонок с промежутком %2 мм не помещаются на странице: колонка должна быть "
                              "не уже 5 мм.")
            .arg(n)
            .arg(QLocale().toString(m_columnGap->value(), 'f', 1));
    return QString();
}

void TfrPageOptionsDialog::accept()
{
    const QString why = Check();
    if (!why.isEmpty()) {
        frMessageBox(why, windowTitle(), kFrMbIconWarning);
        return;
    }
    QDialog::accept();
}

bool TfrPageOptionsDialog::Apply(TfrDesignerDocument &doc, TfrPage &page) const
{
    const TfrPageOptions o = Options();
    TfrReport &report = doc.Report();
    return frCommitStep(doc, QStringLiteral("Параметры страницы"), [&] {
        const bool custom = o.paperSize == frCustomPaperSize;
        const bool paperChanged = o.paperSize != m_start.paperSize || o.orientation != m_start.orientation ||
                                  (custom && (o.paperWidth != m_start.paperWidth || o.paperHeight != m_start.paperHeight));
        if (paperChanged) {
            int w = o.paperWidth, h = o.paperHeight;
            if (!custom && !tableSize(o.paperSize, w, h)) {
                w = o.paperWidth;
                h = o.paperHeight;
            }
            page.ChangePaper(o.paperSize, w, h, page.pgBin, o.orientation);
            TfrChange change;
            change.kind = frcProperty;
            change.page = &page;
            change.object = &page;
            change.property = QStringLiteral("Size");
            change.pageIndex = doc.CurrentPageIndex();
            report.NotifyChange(change);
        }
        for (int i = 0; i < 4; ++i)
            if (o.margins[i] != m_start.margins[i])
                report.SetProperty(page, QLatin1String(kMarginNames[i]), TfrVariant(o.margins[i]));
        if (o.columns != m_start.columns)
            report.SetProperty(page, QStringLiteral("Columns"), TfrVariant(o.columns));
        if (o.columnGap != m_start.columnGap)
            report.SetProperty(page, QStringLiteral("ColumnGap"), TfrVariant(o.columnGap));
        if (o.printToPrevPage != m_start.printToPrevPage)
            report.SetProperty(page, QStringLiteral("PrintToPrevPage"), TfrVariant(o.printToPrevPage));
        if (o.stretchToPrintable != m_start.stretchToPrintable)
            report.SetProperty(page, QStringLiteral("StretchToPrintable"), TfrVariant(o.stretchToPrintable));
    });
}

bool frEditPageOptions(QWidget *parent, TfrDesignerDocument &doc)
{
    TfrPage *page = doc.CurrentPage();
    if (!page || page->PageType != ptReport)
        return false;
    TfrPageOptionsDialog dialog(*page, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return dialog.Apply(doc, *page);
}
