// A colour chosen from the report's standard colours (and "Другой…" for any other), with
// "Прозрачный" first when the colour may be none. Colours are the template's 0x00BBGGRR.
#pragma once

#include <QComboBox>
#include <array>

// A colour of the engine's colour table, with its constant's name and its Russian name.
struct TfrNamedColor {
    qint32 color; // 0x00BBGGRR
    const char *constant;
    const char *name;
};
// The sixteen basic colours, in the order of the engine's colour table.
extern const std::array<TfrNamedColor, 16> frBasicColors;
// The template's 0x00BBGGRR of a colour.
qint32 frColorValue(const QColor &c);

class TfrColorCombo : public QComboBox {
    Q_OBJECT
public:
    explicit TfrColorCombo(bool allowTransparent, QWidget *parent = nullptr);

    qint32 Color() const;
    // A colour that is not listed is added before "Другой…".
    void SetColor(qint32 color);

signals:
    void ColorChanged(qint32 color);

private:
    int addColor(qint32 color, const QString &name);
    void chosen(int index);
    int m_last = 0;
};
