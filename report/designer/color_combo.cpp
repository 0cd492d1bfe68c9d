// The colour combo box of the designer's dialogs.
#include "report/designer/color_combo.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

#include "report/model/geometry.h"

namespace {

constexpr int kOtherColor = -1; // the "Другой…" entry's data

QIcon swatch(qint32 color)
{
    QPixmap pixmap(14, 14);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setPen(Qt::gray);
    if (color == clNone) {
        p.drawRect(0, 0, 13, 13);
        p.drawLine(0, 13, 13, 0);
    } else {
        p.fillRect(0, 0, 14, 14, frQColor(color));
        p.drawRect(0, 0, 13, 13);
    }
    return QIcon(pixmap);
}

qint32 fromQColor(const QColor &c) { return qint32(c.red() | (c.green() << 8) | (c.blue() << 16)); }

} // namespace

TfrColorCombo::TfrColorCombo(bool allowTransparent, QWidget *parent) : QComboBox(parent)
{
    if (allowTransparent)
        addColor(clNone, tr("Прозрачный"));
    static const std::pair<qint32, const char *> kStandard[] = {
        {0x000000, "Чёрный"},     {0x000080, "Тёмно-красный"}, {0x008000, "Зелёный"},
        {0x008080, "Оливковый"},  {0x800000, "Тёмно-синий"},   {0x800080, "Фиолетовый"},
        {0x808000, "Сине-зелёный"}, {0x808080, "Серый"},        {0xC0C0C0, "Серебристый"},
        {0x0000FF, "Красный"},    {0x00FF00, "Лаймовый"},      {0x00FFFF, "Жёлтый"},
        {0xFF0000, "Синий"},      {0xFF00FF, "Фуксия"},        {0xFFFF00, "Голубой"},
        {0xFFFFFF, "Белый"},
    };
    for (const auto &[color, name] : kStandard)
        addColor(color, QString::fromUtf8(name));
    addItem(tr("Другой…"), QVariant(kOtherColor));
    connect(this, &QComboBox::activated, this, &TfrColorCombo::chosen);
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && itemData(index).toInt() != kOtherColor) {
            m_last = index;
            emit ColorChanged(Color());
        }
    });
}

int TfrColorCombo::addColor(qint32 color, const QString &name)
{
    const int at = count() > 0 && itemData(count() - 1).toInt() == kOtherColor ? count() - 1 : count();
    insertItem(at, swatch(color), name, QVariant(color));
    return at;
}

qint32 TfrColorCombo::Color() const
{
    const QVariant data = itemData(m_last);
    return data.isValid() ? data.toInt() : clBlack;
}

void TfrColorCombo::SetColor(qint32 color)
{
    int index = findData(QVariant(color));
    if (index < 0 || color == kOtherColor)
        index = addColor(color, frQColor(color).name().toUpper());
    setCurrentIndex(index);
    m_last = index;
}

void TfrColorCombo::chosen(int index)
{
    if (itemData(index).toInt() != kOtherColor)
        return;
    const qint32 current = Color();
    const QColor picked = QColorDialog::getColor(current == clNone ? QColor(Qt::white) : frQColor(current), this, tr("Цвет"));
    if (!picked.isValid()) {
        setCurrentIndex(m_last);
        return;
    }
    SetColor(fromQColor(picked));
}
