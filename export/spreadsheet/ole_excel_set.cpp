#include "export/spreadsheet/ole_excel_set.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "report/eval/format_settings.h"
#include "report/eval/number_format.h"
#include "report/eval/strings.h"
#include "report/print/page_range.h"

namespace {

template <class W> W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

TfrOLEExcelSetExec &frOLEExcelSetExec()
{
    static TfrOLEExcelSetExec exec;
    return exec;
}

TfrOLEExcelSet::TfrOLEExcelSet(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frOLEExcelSet"));

    GroupPageSettings = named(new QGroupBox(this), "GroupPageSettings");
    TopM = named(new QLabel(GroupPageSettings), "TopM");
    LeftM = named(new QLabel(GroupPageSettings), "LeftM");
    ScX = named(new QLabel(GroupPageSettings), "ScX");
    ScY = named(new QLabel(GroupPageSettings), "ScY");
    E_TMargin = named(new QLineEdit(QStringLiteral("0"), GroupPageSettings), "E_TMargin");
    E_LMargin = named(new QLineEdit(QStringLiteral("0"), GroupPageSettings), "E_LMargin");
    E_ScaleX = named(new QLineEdit(QStringLiteral("100"), GroupPageSettings), "E_ScaleX");
    E_ScaleY = named(new QLineEdit(QStringLiteral("100"), GroupPageSettings), "E_ScaleY");
    auto *settings = new QGridLayout(GroupPageSettings);
    settings->addWidget(TopM, 0, 0);
    settings->addWidget(E_TMargin, 0, 1);
    settings->addWidget(LeftM, 1, 0);
    settings->addWidget(E_LMargin, 1, 1);
    settings->addWidget(ScX, 0, 2);
    settings->addWidget(E_ScaleX, 0, 3);
    settings->addWidget(new QLabel(QStringLiteral("%"), GroupPageSettings), 0, 4);
    settings->addWidget(ScY, 1, 2);
    settings->addWidget(E_ScaleY, 1, 3);
    settings->addWidget(new QLabel(QStringLiteral("%"), GroupPageSettings), 1, 4);

    GroupPageRange = named(new QGroupBox(this), "GroupPageRange");
    Pages = named(new QLabel(GroupPageRange), "Pages");
    E_Range = named(new QLineEdit(GroupPageRange), "E_Range");
    Pages->setBuddy(E_Range);
    Descr = named(new QLabel(GroupPageRange), "Descr");
    Descr->setWordWrap(true);
    auto *rangeLayout = new QGridLayout(GroupPageRange);
    rangeLayout->addWidget(Pages, 0, 0);
    rangeLayout->addWidget(E_Range, 0, 1);
    rangeLayout->addWidget(Descr, 1, 0, 1, 2);

    GroupCellProp = named(new QGroupBox(this), "GroupCellProp");
    Better = named(new QPushButton(GroupCellProp), "Better");
    Faster = named(new QPushButton(GroupCellProp), "Faster");
    Better->setAutoDefault(false);
    Faster->setAutoDefault(false);
    CB_Merged = named(new QCheckBox(GroupCellProp), "CB_Merged");
    CB_WrapWords = named(new QCheckBox(GroupCellProp), "CB_WrapWords");
    CB_FillColor = named(new QCheckBox(GroupCellProp), "CB_FillColor");
    CB_Borders = named(new QCheckBox(GroupCellProp), "CB_Borders");
    CB_Align = named(new QCheckBox(GroupCellProp), "CB_Align");
    CB_PageBreaks = named(new QCheckBox(GroupCellProp), "CB_PageBreaks");
    CB_FontName = named(new QCheckBox(GroupCellProp), "CB_FontName");
    CB_FontSize = named(new QCheckBox(GroupCellProp), "CB_FontSize");
    CB_FontStyle = named(new QCheckBox(GroupCellProp), "CB_FontStyle");
    CB_FontColor = named(new QCheckBox(GroupCellProp), "CB_FontColor");
    CB_Pictures = named(new QCheckBox(GroupCellProp), "CB_Pictures");
    CB_OpenExcel = named(new QCheckBox(GroupCellProp), "CB_OpenExcel");
    auto *quality = new QGridLayout(GroupCellProp);
    quality->addWidget(Better, 0, 0);
    quality->addWidget(Faster, 0, 1);
    QCheckBox *const boxes[] = {CB_Merged, CB_FontName, CB_Align, CB_FontSize, CB_FillColor, CB_FontStyle,
                                CB_Borders, CB_FontColor, CB_WrapWords, CB_Pictures, CB_PageBreaks};
    for (int i = 0; i < 11; ++i)
        quality->addWidget(boxes[i], 1 + i / 2, i % 2);
    quality->addWidget(CB_OpenExcel, 7, 0, 1, 2);

    OK = named(new QPushButton(this), "OK");
    Cancel = named(new QPushButton(this), "Cancel");
    OK->setDefault(true);
    connect(OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Better, &QPushButton::clicked, this, &TfrOLEExcelSet::BetterClick);
    connect(Faster, &QPushButton::clicked, this, &TfrOLEExcelSet::FasterClick);

    auto *left = new QVBoxLayout;
    left->addWidget(GroupPageSettings);
    left->addWidget(GroupPageRange);
    left->addStretch();
    auto *columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addWidget(GroupCellProp);
    Hint = named(new QLabel(this), "Hint");
    Hint->setWordWrap(true);
    Hint->setStyleSheet(QStringLiteral("color: #c00000;"));
    Hint->hide();
    for (QLineEdit *edit : {E_TMargin, E_LMargin, E_ScaleX, E_ScaleY, E_Range})
        connect(edit, &QLineEdit::textEdited, Hint, &QLabel::hide);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Hint, 1);
    buttons->addStretch();
    buttons->addWidget(OK);
    buttons->addWidget(Cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);

    resize(567, 195);
    FormCreate();
    OK->setFocus();
}

void TfrOLEExcelSet::FormCreate() { Localize(); }

void TfrOLEExcelSet::Localize()
{
    setWindowTitle(frLoadStr(54844));
    GroupPageSettings->setTitle(frLoadStr(54845));
    TopM->setText(frLoadStr(54846));
    LeftM->setText(frLoadStr(54847));
    ScX->setText(frLoadStr(54848));
    ScY->setText(frLoadStr(54849));
    GroupPageRange->setTitle(frLoadStr(53044));
    Pages->setText(frLoadStr(53047));
    Descr->setText(frLoadStr(53048));
    GroupCellProp->setTitle(frLoadStr(54850));
    Better->setText(frLoadStr(54861));
    Faster->setText(frLoadStr(54862));
    CB_Merged->setText(frLoadStr(54851));
    CB_WrapWords->setText(frLoadStr(54855));
    CB_FillColor->setText(frLoadStr(54853));
    CB_Borders->setText(frLoadStr(54854));
    CB_Align->setText(frLoadStr(54852));
    CB_PageBreaks->setText(frLoadStr(54860));
    CB_FontName->setText(frLoadStr(54856));
    CB_FontSize->setText(frLoadStr(54857));
    CB_FontStyle->setText(frLoadStr(54858));
    CB_FontColor->setText(frLoadStr(54859));
    CB_Pictures->setText(frLoadStr(54863));
    CB_OpenExcel->setText(frLoadStr(54864));
    OK->setText(frLoadStr(55000));
    Cancel->setText(frLoadStr(55001));
}

QLineEdit *TfrOLEExcelSet::InvalidField(QString &problem) const
{
    auto caption = [](const QLabel *label) { return label->text().remove(u'&').remove(u':').trimmed(); };
    for (QLineEdit *edit : {E_ScaleX, E_ScaleY}) {
        bool ok = true;
        qint32 percent = 0;
        try {
            percent = frStrToInt(edit->text());
        } catch (const std::exception &) {
            ok = false;
        }
        if (!ok || percent < 1) {
            problem = QStringLiteral("«%1»: введите целое число процентов не меньше 1, например 100.")
                          .arg(caption(edit == E_ScaleX ? ScX : ScY));
            return edit;
        }
    }
    for (QLineEdit *edit : {E_TMargin, E_LMargin}) {
        double value = 0;
        if (!frTryStrToFloat(edit->text(), value, frFormatSettings())) {
            problem = QStringLiteral("«%1»: введите число, например 0 или 1").arg(caption(edit == E_TMargin ? TopM : LeftM))
                    + frFormatSettings().decimalSeparator + QStringLiteral("5.");
            return edit;
        }
    }
    if (!TfrPageRange::FromText(E_Range->text()).IsValid()) {
        problem = QStringLiteral("«%1»: введите номера и/или диапазоны страниц через запятую, например 1,3,5-12, "
                                 "или оставьте поле пустым для всех страниц.")
                      .arg(caption(Pages));
        return E_Range;
    }
    return nullptr;
}

void TfrOLEExcelSet::done(int result)
{
    if (result == QDialog::Accepted) {
        QString problem;
        if (QLineEdit *field = InvalidField(problem)) {
            Hint->setText(problem);
            Hint->show();
            field->setFocus();
            field->selectAll();
            return;
        }
    }
    Hint->hide();
    QDialog::done(result);
}

void TfrOLEExcelSet::BetterClick()
{
    for (QCheckBox *b : {CB_Merged, CB_WrapWords, CB_FillColor, CB_Borders, CB_Align, CB_PageBreaks, CB_FontName,
                         CB_FontSize, CB_FontStyle, CB_FontColor, CB_Pictures})
        b->setChecked(true);
}

void TfrOLEExcelSet::FasterClick()
{
    for (QCheckBox *b : {CB_Merged, CB_WrapWords, CB_PageBreaks})
        b->setChecked(true);
    for (QCheckBox *b :
         {CB_FillColor, CB_Borders, CB_Align, CB_FontName, CB_FontSize, CB_FontStyle, CB_FontColor, CB_Pictures})
        b->setChecked(false);
}
