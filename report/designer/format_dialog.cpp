// The display-format dialog.
#include "report/designer/format_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QVBoxLayout>

#include "report/designer/designer_document.h"
#include "report/designer/dialog_buttons.h"
#include "report/designer/object_editors_p.h"
#include "report/eval/codec.h"
#include "report/eval/datetime.h"
#include "report/eval/format_settings.h"
#include "report/eval/globals.h"
#include "report/eval/value_resolution.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"

namespace {

enum Category { kText = 0, kNumber = 1, kDate = 2, kTime = 3, kBoolean = 4 };
constexpr int kCustomVariant = 4;
constexpr int kMaxDecimals = 15;

quint32 formatWord(int category, int variant, int decimals, quint32 separator)
{
    return quint32(category) << 24 | quint32(variant) << 16 | quint32(decimals) << 8 | separator;
}

TfrVariant sampleValue(int category)
{
    switch (category) {
    case kNumber: return TfrVariant(TfrFormatDialog::SampleNumber());
    case kDate:
    case kTime: return TfrVariant::fromDateTime(TfrFormatDialog::SampleDateTime());
    default: return TfrVariant(QStringLiteral("Пример текста"));
    }
}

// A boolean format shows both its texts: the one for true, then the one for false.
QString sampleOf(quint32 format, const QString &formatText)
{
    const int category = int((format >> 24) & 0x0F);
    if (category == kBoolean)
        return FormatValue(TfrVariant(true), format, formatText) + QStringLiteral(" / ") +
               FormatValue(TfrVariant(false), format, formatText);
    return FormatValue(sampleValue(category), format, formatText);
}

} // namespace

QString frDisplayFormatText(quint32 format, const QString &formatText)
{
    static const char *const kNames[] = {"", "Число", "Дата", "Время", "Логический"};
    const int category = int((format >> 24) & 0x0F);
    if (category <= kText || category > kBoolean)
        return QString();
    return QString::fromUtf8(kNames[category]) + QStringLiteral(": ") + sampleOf(format, formatText);
}

double TfrFormatDialog::SampleDateTime() { return frEncodeDateTime(2026, 3, 5, 9, 7, 30, 0); }

TfrFormatDialog::TfrFormatDialog(quint32 format, const QString &formatText, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("format_dialog"));
    setWindowTitle(tr("Формат отображения"));
    auto *layout = new QVBoxLayout(this);

    auto *lists = new QGridLayout;
    lists->addWidget(new QLabel(tr("Категория:"), this), 0, 0);
    lists->addWidget(new QLabel(tr("Формат:"), this), 0, 1);
    m_category = new QListWidget(this);
    m_category->setObjectName(QStringLiteral("format_category"));
    m_category->addItems({tr("Текст (без форматирования)"), tr("Число"), tr("Дата"), tr("Время"), tr("Логический")});
    m_category->setMaximumWidth(200);
    lists->addWidget(m_category, 1, 0);
    m_variant = new QListWidget(this);
    m_variant->setObjectName(QStringLiteral("format_variant"));
    lists->addWidget(m_variant, 1, 1);
    lists->setColumnStretch(1, 1);
    layout->addLayout(lists, 1);

    auto *options = new QFormLayout;
    m_custom = new QLineEdit(formatText, this);
    m_custom->setObjectName(QStringLiteral("format_custom"));
    options->addRow(tr("Свой формат:"), m_custom);
    m_decimals = new QSpinBox(this);
    m_decimals->setObjectName(QStringLiteral("format_decimals"));
    m_decimals->setRange(0, kMaxDecimals);
    m_decimals->setValue(std::min(int((format >> 8) & 0xFF), kMaxDecimals));
    options->addRow(tr("Знаков после запятой:"), m_decimals);
    m_separator = new QComboBox(this);
    m_separator->setObjectName(QStringLiteral("format_separator"));
    m_separator->setEditable(true);
    m_separator->addItems({QStringLiteral(","), QStringLiteral(".")});
    const quint32 separator = format & 0xFF;
    m_separator->setEditText(separator ? QString(frCp1251ToChar(uchar(separator))) : QString());
    m_separator->setToolTip(tr("Пусто — разделитель, принятый в системе"));
    options->addRow(tr("Десятичный разделитель:"), m_separator);
    layout->addLayout(options);

    auto *sampleBox = new QGroupBox(tr("Образец"), this);
    auto *sampleLayout = new QVBoxLayout(sampleBox);
    m_sample = new QLabel(sampleBox);
    m_sample->setObjectName(QStringLiteral("format_sample"));
    m_sample->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont big = m_sample->font();
    big.setPointSize(big.pointSize() + 3);
    m_sample->setFont(big);
    sampleLayout->addWidget(m_sample);
    layout->addWidget(sampleBox);

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("format_message"));
    m_message->setStyleSheet(QStringLiteral("color: #c00000;"));
    m_message->setWordWrap(true);
    layout->addWidget(m_message);

    auto *buttons = frDialogButtons(this);
    layout->addWidget(buttons);

    int category = int((format >> 24) & 0x0F);
    if (category > kBoolean)
        category = kText;
    m_category->setCurrentRow(category);
    fillVariants(category, int((format >> 16) & 0xFF));

    connect(m_category, &QListWidget::currentRowChanged, this, [this](int row) {
        fillVariants(row, 0);
        updateControls();
    });
    connect(m_variant, &QListWidget::currentRowChanged, this, &TfrFormatDialog::updateControls);
    connect(m_custom, &QLineEdit::textChanged, this, &TfrFormatDialog::updateControls);
    connect(m_decimals, &QSpinBox::valueChanged, this, &TfrFormatDialog::updateControls);
    connect(m_separator, &QComboBox::currentTextChanged, this, &TfrFormatDialog::updateControls);
    updateControls();
    resize(760, 480);
}

void TfrFormatDialog::fillVariants(int category, int variant)
{
    m_filling = true;
    m_variant->clear();
    auto add = [&](const QString &name, int value) {
        auto *item = new QListWidgetItem(name, m_variant);
        item->setData(Qt::UserRole, value);
    };
    switch (category) {
    case kNumber:
        add(tr("Без разделения разрядов (##0.##)"), 0);
        add(tr("Фиксированное число знаков"), 1);
        add(tr("С разделением разрядов (#,##0.##)"), 2);
        add(tr("С разделением разрядов, фиксированное число знаков"), 3);
        break;
    case kDate:
        for (int i = 0; i < 3; ++i)
            add(frDateFormats[size_t(i)], i);
        add(tr("Длинный формат даты"), 3);
        break;
    case kTime:
        for (int i = 0; i < 4; ++i)
            add(frTimeFormats[size_t(i)], i);
        break;
    case kBoolean:
        for (int i = 0; i < 4; ++i)
            add(frBoolFormats[size_t(i)], i);
        break;
    default: break;
    }
    if (category != kText)
        add(tr("Свой формат"), kCustomVariant);
    // Each standard format with what it makes of the sample.
    for (int i = 0; i < m_variant->count(); ++i) {
        QListWidgetItem *item = m_variant->item(i);
        const int v = item->data(Qt::UserRole).toInt();
        if (v != kCustomVariant)
            item->setText(item->text() + QStringLiteral("   —   ") +
                          sampleOf(formatWord(category, v, m_decimals->value(), separatorCode()), QString()));
    }
    int row = 0;
    for (int i = 0; i < m_variant->count(); ++i)
        if (m_variant->item(i)->data(Qt::UserRole).toInt() == variant)
            row = i;
    m_variant->setCurrentRow(m_variant->count() ? row : -1);
    m_filling = false;
}

quint32 TfrFormatDialog::separatorCode() const
{
    const QString text = m_separator->currentText();
    if (text.size() != 1 || !frIsCp1251Char(text[0]))
        return 0;
    return frCharToCp1251(text[0]);
}

quint32 TfrFormatDialog::Format() const
{
    const int category = std::max(0, m_category->currentRow());
    const QListWidgetItem *item = m_variant->currentItem();
    const int variant = category == kText || !item ? 0 : item->data(Qt::UserRole).toInt();
    return formatWord(category, variant, m_decimals->value(), separatorCode());
}

QString TfrFormatDialog::FormatText() const { return m_custom->text(); }

QString TfrFormatDialog::SampleText() const { return sampleOf(Format(), FormatText()); }

void TfrFormatDialog::updateControls()
{
    if (m_filling)
        return;
    const quint32 format = Format();
    const int category = int(format >> 24);
    const int variant = int((format >> 16) & 0xFF);
    m_variant->setEnabled(category != kText);
    m_custom->setEnabled(variant == kCustomVariant);
    const bool number = category == kNumber;
    m_decimals->setEnabled(number && variant != kCustomVariant);
    m_separator->setEnabled(number);
    // The standard formats' samples follow the decimals and the separator.
    if (number) {
        for (int i = 0; i < m_variant->count(); ++i) {
            QListWidgetItem *item = m_variant->item(i);
            const int v = item->data(Qt::UserRole).toInt();
            if (v == kCustomVariant)
                continue;
            QString text = item->text();
            text = text.left(text.indexOf(QStringLiteral("   —   ")));
            item->setText(text + QStringLiteral("   —   ") +
                          sampleOf(formatWord(category, v, m_decimals->value(), separatorCode()), QString()));
        }
    }
    m_sample->setText(SampleText());
    m_message->clear();
}

void TfrFormatDialog::accept()
{
    const quint32 format = Format();
    const int category = int(format >> 24);
    const int variant = int((format >> 16) & 0xFF);
    const QString separator = m_separator->currentText();
    if (category == kNumber && !separator.isEmpty() && (separator.size() != 1 || !frIsCp1251Char(separator[0]))) {
        m_message->setText(tr("Десятичный разделитель — один символ (или пусто: системный)"));
        m_separator->setFocus();
        return;
    }
    if (category != kText && variant == kCustomVariant && FormatText().trimmed().isEmpty()) {
        m_message->setText(tr("Задайте свой формат или выберите один из списка"));
        m_custom->setFocus();
        return;
    }
    QDialog::accept();
}

bool frEditDisplayFormat(QWidget *parent, TfrDesignerDocument &doc, const QList<TfrView *> &views)
{
    QStringList names;
    for (const TfrView *v : views)
        if (dynamic_cast<const TfrMemoView *>(v))
            names.append(v->Name);
    if (names.isEmpty())
        return false;
    const TfrView *first = doc.CurrentPage()->FindObject(names.first());
    TfrFormatDialog dialog(quint32(first->formatCode), first->formatText, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const qint32 format = qint32(dialog.Format());
    const QString text = dialog.FormatText();
    bool changed = false;
    doc.Edit(TfrFormatDialog::tr("Формат отображения"), [&] {
        for (const QString &name : std::as_const(names)) {
            TfrView *view = doc.CurrentPage()->FindObject(name);
            if (!view || (view->formatCode == format && view->formatText == text))
                continue;
            view->formatCode = format;
            view->formatText = text;
            changed = true;
            frNotifyFieldChanged(doc, *view, QStringLiteral("DisplayFormat"));
        }
    });
    return changed;
}
