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

} // namespace

const std::array<TfrNamedColor, 16> frBasicColors = {{
    {0xFFFFFF, "clWhite", "Белый"},          {0x000000, "clBlack", "Чёрный"},
    {0x000080, "clMaroon", "Тёмно-красный"}, {0x008000, "clGreen", "Зелёный"},
    {0x008080, "clOlive", "Оливковый"},      {0x800000, "clNavy", "Тёмно-синий"},
    {0x800080, "clPurple", "Фиолетовый"},    {0x808000, "clTeal", "Сине-зелёный"},
    {0x808080, "clGray", "Серый"},           {0xC0C0C0, "clSilver", "Серебристый"},
    {0x0000FF, "clRed", "Красный"},          {0x00FF00, "clLime", "Ярко-зелёный"},
    {0x00FFFF, "clYellow", "Жёлтый"},        {0xFF0000, "clBlue", "Синий"},
    {0xFF00FF, "clFuchsia", "Розовый"},      {0xFFFF00, "clAqua", "Голубой"},
}};

qint32 frColorValue(const QColor &c) { return qint32(c.red() | (c.green() << 8) | (c.blue() << 16)); }

TfrColorCombo::TfrColorCombo(bool allowTransparent, QWidget *parent) : QComboBox(parent)
{
    if (allowTransparent)
        addColor(clNone, tr("Прозрачный"));
    for (const TfrNamedColor &c : frBasicColors)
        addColor(c.color, QString::fromUtf8(c.name));
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
    SetColor(frColorValue(picked));
}
