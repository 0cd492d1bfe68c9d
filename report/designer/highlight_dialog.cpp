// The highlight dialog.
#include "report/designer/highlight_dialog.h"

#include <algorithm>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "report/designer/color_combo.h"
#include "report/designer/designer_document.h"
#include "report/designer/dialog_buttons.h"
#include "report/designer/expression_builder.h"
#include "report/designer/expression_check.h"
#include "report/designer/object_editors_p.h"
#include "report/model/geometry.h"
#include "report/model/page.h"
#include "report/model/report.h"

namespace {

// Stream style bits.
constexpr quint16 kItalic = 1, kBold = 2, kUnderline = 4, kStrikeOut = 8;

QList<TfrMemoView *> memosOf(const QList<TfrView *> &views)
{
    QList<TfrMemoView *> memos;
    for (TfrView *v : views)
        if (auto *memo = dynamic_cast<TfrMemoView *>(v))
            memos.append(memo);
    return memos;
}

bool sameAttributes(const TfrHighlightAttr &a, const TfrHighlightAttr &b)
{
    return a.FontStyle == b.FontStyle && a.FontColor == b.FontColor && a.FillColor == b.FillColor;
}

} // namespace

TfrHighlightDialog::TfrHighlightDialog(TfrDesignerDocument &doc, const TfrMemoView &memo, QWidget *parent)
    : QDialog(parent), m_doc(doc), m_font(memo.Font)
{
    setObjectName(QStringLiteral("highlight_dialog"));
    setWindowTitle(tr("Выделение"));
    auto *layout = new QVBoxLayout(this);

    layout->addWidget(new QLabel(tr("Условие (пустое — без выделения):"), this));
    auto *conditionRow = new QHBoxLayout;
    m_condition = new QLineEdit(memo.highlightCondition, this);
    m_condition->setObjectName(QStringLiteral("highlight_condition"));
    conditionRow->addWidget(m_condition, 1);
    auto *builder = new QToolButton(this);
    builder->setObjectName(QStringLiteral("condition_builder"));
    builder->setText(QStringLiteral("…"));
    builder->setToolTip(tr("Построитель выражений"));
    conditionRow->addWidget(builder);
    layout->addLayout(conditionRow);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("condition_message"));
    m_message->setWordWrap(true);
    m_message->setStyleSheet(QStringLiteral("color: #c00000;"));
    layout->addWidget(m_message);

    auto *style = new QGroupBox(tr("Шрифт"), this);
    auto *styleLayout = new QFormLayout(style);
    auto *styles = new QHBoxLayout;
    auto check = [&](const char *name, const QString &caption, quint16 bit) {
        auto *box = new QCheckBox(caption, style);
        box->setObjectName(QString::fromLatin1(name));
        box->setChecked(memo.Highlight.FontStyle & bit);
        styles->addWidget(box);
        connect(box, &QCheckBox::toggled, this, &TfrHighlightDialog::updateSample);
        return box;
    };
    m_bold = check("style_bold", tr("Жирный"), kBold);
    m_italic = check("style_italic", tr("Курсив"), kItalic);
    m_underline = check("style_underline", tr("Подчёркнутый"), kUnderline);
    m_strikeOut = check("style_strikeout", tr("Зачёркнутый"), kStrikeOut);
    styleLayout->addRow(tr("Начертание:"), styles);
    m_fontColor = new TfrColorCombo(false, style);
    m_fontColor->setObjectName(QStringLiteral("font_color"));
    m_fontColor->SetColor(memo.Highlight.FontColor);
    styleLayout->addRow(tr("Цвет шрифта:"), m_fontColor);
    m_fillColor = new TfrColorCombo(true, style);
    m_fillColor->setObjectName(QStringLiteral("fill_color"));
    m_fillColor->SetColor(memo.Highlight.FillColor);
    styleLayout->addRow(tr("Цвет заливки:"), m_fillColor);
    layout->addWidget(style);
    connect(m_fontColor, &TfrColorCombo::ColorChanged, this, &TfrHighlightDialog::updateSample);
    connect(m_fillColor, &TfrColorCombo::ColorChanged, this, &TfrHighlightDialog::updateSample);

    auto *sampleBox = new QGroupBox(tr("Образец"), this);
    auto *sampleLayout = new QVBoxLayout(sampleBox);
    m_sample = new QLabel(tr("АаБбВв 123,45"), sampleBox);
    m_sample->setObjectName(QStringLiteral("highlight_sample"));
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setMinimumHeight(56);
    m_sample->setFrameShape(QFrame::Box);
    m_sample->setAutoFillBackground(true);
    sampleLayout->addWidget(m_sample);
    layout->addWidget(sampleBox);

    auto *buttons = frDialogButtons(this);
    layout->addWidget(buttons);

    connect(builder, &QToolButton::clicked, this, [this] {
        QString condition = Condition();
        if (frBuildCondition(this, m_doc, condition)) {
            m_condition->setText(condition);
            m_message->clear();
        }
    });
    connect(m_condition, &QLineEdit::textEdited, m_message, &QLabel::clear);
    updateSample();
    resize(520, 0);
}

QString TfrHighlightDialog::Condition() const { return m_condition->text().trimmed(); }

TfrHighlightAttr TfrHighlightDialog::Attributes() const
{
    TfrHighlightAttr a;
    a.FontStyle = quint16((m_bold->isChecked() ? kBold : 0) | (m_italic->isChecked() ? kItalic : 0) |
                          (m_underline->isChecked() ? kUnderline : 0) | (m_strikeOut->isChecked() ? kStrikeOut : 0));
    a.FontColor = m_fontColor->Color();
    a.FillColor = m_fillColor->Color();
    return a;
}

void TfrHighlightDialog::updateSample()
{
    const TfrHighlightAttr a = Attributes();
    QFont font(m_font.Name);
    font.setPointSize(std::clamp(int(m_font.Size), 6, 28));
    font.setBold(a.FontStyle & kBold);
    font.setItalic(a.FontStyle & kItalic);
    font.setUnderline(a.FontStyle & kUnderline);
    font.setStrikeOut(a.FontStyle & kStrikeOut);
    m_sample->setFont(font);
    QPalette palette = m_sample->palette();
    palette.setColor(QPalette::WindowText, frQColor(a.FontColor));
    palette.setColor(QPalette::Window, a.FillColor == clNone ? QColor(Qt::white) : frQColor(a.FillColor));
    m_sample->setPalette(palette);
}

void TfrHighlightDialog::accept()
{
    const QString condition = Condition();
    QString message;
    if (!condition.isEmpty() && !frCheckExpression(condition, &message)) {
        m_message->setText(tr("Ошибка в условии: %1").arg(frExpressionMessageText(message)));
        m_condition->setFocus();
        return;
    }
    QDialog::accept();
}

bool frEditHighlight(QWidget *parent, TfrDesignerDocument &doc, const QList<TfrView *> &views)
{
    const QList<TfrMemoView *> memos = memosOf(views);
    if (memos.isEmpty())
        return false;
    QStringList names;
    for (const TfrMemoView *m : memos)
        names.append(m->Name);
    TfrHighlightDialog dialog(doc, *memos.first(), parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QString condition = dialog.Condition();
    const TfrHighlightAttr attributes = dialog.Attributes();
    bool changed = false;
    doc.Edit(TfrHighlightDialog::tr("Выделение"), [&] {
        for (const QString &name : std::as_const(names)) {
            auto *memo = dynamic_cast<TfrMemoView *>(doc.CurrentPage()->FindObject(name));
            if (!memo || (memo->highlightCondition == condition && sameAttributes(memo->Highlight, attributes)))
                continue;
            memo->highlightCondition = condition;
            memo->Highlight = attributes;
            changed = true;
            frNotifyFieldChanged(doc, *memo, QStringLiteral("Highlight"));
        }
    });
    return changed;
}
