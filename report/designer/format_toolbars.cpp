// The text and frame tool bars. Every control sets one property through the report's
// property interface on each selected object that has it (and may be modified), all in one
// step of the document; what the controls show is read back from the selection.
#include "report/designer/format_toolbars.h"

#include "report/designer/color_combo.h"

#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QFontComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <array>
#include <cmath>
#include <optional>

#include "report/designer/designer_document.h"
#include "report/eval/globals.h"
#include "report/model/geometry.h"
#include "report/model/memo_view.h"
#include "report/model/report.h"

namespace {

// ---- the selection and its values --------------------------------------------------------

// The selected objects a control acts on: those that have the property and may be modified.
// A line's frame sides are its direction, so frame sides leave lines alone.
QList<TfrView *> targetsOf(const TfrDesignerDocument &doc, const QString &property, bool sides = false)
{
    QList<TfrView *> result;
    for (TfrView *v : doc.Selection()) {
        if (v->Restrictions & frrfDontModify)
            continue;
        if (sides && v->Typ == otLine)
            continue;
        v->EnsurePropertiesDefined();
        if (v->GetPropRec(property))
            result.append(v);
    }
    return result;
}

std::optional<qint32> commonInt(const QList<TfrView *> &views, const QString &property)
{
    std::optional<qint32> value;
    for (TfrView *v : views) {
        const qint32 x = v->GetPropValue(property).toInteger();
        if (value && *value != x)
            return std::nullopt;
        value = x;
    }
    return value;
}

std::optional<double> commonReal(const QList<TfrView *> &views, const QString &property)
{
    std::optional<double> value;
    for (TfrView *v : views) {
        const double x = v->GetPropValue(property).toReal();
        if (value && *value != x)
            return std::nullopt;
        value = x;
    }
    return value;
}

std::optional<QString> commonText(const QList<TfrView *> &views, const QString &property)
{
    std::optional<QString> value;
    for (TfrView *v : views) {
        const QString x = v->GetPropValue(property).toString();
        if (value && *value != x)
            return std::nullopt;
        value = x;
    }
    return value;
}

// Every view has (value & mask) == bits.
bool allHave(const QList<TfrView *> &views, const QString &property, qint32 mask, qint32 bits)
{
    if (views.isEmpty())
        return false;
    for (TfrView *v : views)
        if ((v->GetPropValue(property).toInteger() & mask) != bits)
            return false;
    return true;
}

// One step: each target takes the value made from its own current one.
void applyEach(TfrDesignerDocument &doc, const QString &caption, const QList<TfrView *> &targets,
               const QString &property, const std::function<TfrVariant(TfrView &)> &value)
{
    if (targets.isEmpty())
        return;
    doc.Edit(caption, [&] {
        for (TfrView *v : targets)
            doc.Report().SetProperty(*v, property, value(*v));
    });
}

// ---- pictures of the buttons ----------------------------------------------------------------

constexpr int kIcon = 16;

QPixmap blank()
{
    QPixmap pm(kIcon, kIcon);
    pm.fill(Qt::transparent);
    return pm;
}

QIcon letterIcon(const QString &letter, quint16 style)
{
    QPixmap pm = blank();
    QPainter p(&pm);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(13);
    f.setBold(style & 2);
    f.setItalic(style & 1);
    f.setUnderline(style & 4);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(QRect(0, 0, kIcon, kIcon), Qt::AlignCenter, letter);
    if (style & 8) // the font's own strike-out is too thin to see at this size
        p.drawLine(2, 8, 13, 8);
    return QIcon(pm);
}

// Four lines of text set left (0), right (1), centre (2) or justified (3).
QIcon alignIcon(int align)
{
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setPen(Qt::black);
    const int lengths[] = {14, 9, 12, 7};
    for (int i = 0; i < 4; ++i) {
        const int len = align == 3 ? 14 : lengths[i];
        const int x = align == 1 ? 15 - len : align == 2 ? (16 - len) / 2 : 1;
        p.drawLine(x, 3 + i * 3, x + len - 1, 3 + i * 3);
    }
    return QIcon(pm);
}

// A box with two lines at its top (0), middle (8) or bottom (16).
QIcon verticalIcon(int position)
{
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setPen(Qt::gray);
    p.drawRect(0, 0, 15, 15);
    p.setPen(Qt::black);
    const int y = position == 0 ? 3 : position == 8 ? 6 : 10;
    p.drawLine(3, y, 12, y);
    p.drawLine(3, y + 2, 12, y + 2);
    return QIcon(pm);
}

QIcon rotateIcon()
{
    QPixmap pm = blank();
    QPainter p(&pm);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(11);
    p.setFont(f);
    p.setPen(Qt::black);
    p.translate(2, 16);
    p.rotate(-90);
    p.drawText(QRect(0, 0, 16, 12), Qt::AlignCenter, QStringLiteral("Аб"));
    return QIcon(pm);
}

QIcon wrapIcon()
{
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setPen(Qt::black);
    p.drawLine(1, 3, 14, 3);
    p.drawLine(1, 7, 11, 7);
    p.drawArc(8, 7, 6, 5, 90 * 16, -180 * 16);
    p.drawLine(11, 12, 5, 12);
    p.drawLine(5, 12, 7, 10);
    p.drawLine(5, 12, 7, 14);
    return QIcon(pm);
}

// A dotted square with the given sides solid (frftRight ... frftTop).
QIcon frameIcon(quint16 sides)
{
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setPen(QPen(Qt::gray, 1, Qt::DotLine));
    p.drawRect(2, 2, 11, 11);
    p.setPen(QPen(Qt::black, 2));
    if (sides & frftTop)
        p.drawLine(2, 2, 13, 2);
    if (sides & frftBottom)
        p.drawLine(2, 13, 13, 13);
    if (sides & frftLeft)
        p.drawLine(2, 2, 2, 13);
    if (sides & frftRight)
        p.drawLine(13, 2, 13, 13);
    return QIcon(pm);
}

// A line of a frame style, for the style list.
QIcon styleIcon(int style)
{
    QPixmap pm(40, kIcon);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    static const Qt::PenStyle pens[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine, Qt::DashDotDotLine};
    if (style == psDouble) {
        p.setPen(Qt::black);
        p.drawLine(1, 6, 38, 6);
        p.drawLine(1, 9, 38, 9);
    } else {
        p.setPen(QPen(Qt::black, 1, pens[std::clamp(style, 0, 4)]));
        p.drawLine(1, 8, 38, 8);
    }
    return QIcon(pm);
}

QIcon swatch(qint32 color)
{
    QPixmap pm(12, 12);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    if (color != clNone)
        p.fillRect(0, 0, 12, 12, frQColor(color));
    p.setPen(Qt::gray);
    p.drawRect(0, 0, 11, 11);
    if (color == clNone)
        p.drawLine(0, 11, 11, 0);
    return QIcon(pm);
}

// ---- colour buttons --------------------------------------------------------------------------


// A button whose picture shows the selection's colour under a sign (none when the colours
// differ) and whose menu chooses one.
class TfrColorButton : public QToolButton {
public:
    TfrColorButton(const QString &objectName, const QString &tip, const QString &sign, bool transparent,
                   std::function<void(qint32)> chosen, QWidget *parent)
        : QToolButton(parent), m_sign(sign), m_chosen(std::move(chosen))
    {
        setObjectName(objectName);
        setToolTip(tip);
        setPopupMode(QToolButton::InstantPopup);
        auto *menu = new QMenu(this);
        menu->setObjectName(objectName + QStringLiteral("_menu"));
        for (const TfrNamedColor &c : frBasicColors)
            addColor(menu, c.color, QString::fromLatin1(c.constant), QString::fromUtf8(c.name));
        if (transparent)
            addColor(menu, clNone, QStringLiteral("clTransparent"), QStringLiteral("Прозрачный"));
        menu->addSeparator();
        QAction *other = menu->addAction(QStringLiteral("Другой…"));
        other->setObjectName(objectName + QStringLiteral("_other"));
        connect(other, &QAction::triggered, this, [this] {
            qint32 color = m_shown.value_or(clBlack);
            if (color == clNone)
                color = clWhite;
            if (frToolBarColorChooser() && frToolBarColorChooser()(window(), color))
                m_chosen(color);
        });
        setMenu(menu);
        Show(std::nullopt);
    }

    // The colour the selection shares, or none.
    void Show(std::optional<qint32> color)
    {
        m_shown = color;
        QPixmap pm = blank();
        QPainter p(&pm);
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(11);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::black);
        if (m_sign.isEmpty()) {
            // A filled box stands for the fill.
            p.setBrush(QBrush(Qt::darkGray, Qt::BDiagPattern));
            p.drawRect(3, 1, 9, 8);
            p.setBrush(Qt::NoBrush);
        } else {
            p.drawText(QRect(0, 0, kIcon, 12), Qt::AlignCenter, m_sign);
        }
        if (color && *color != clNone)
            p.fillRect(1, 12, 14, 4, frQColor(*color));
        else if (color) {
            p.setPen(Qt::gray);
            p.drawRect(1, 12, 13, 3);
        }
        setIcon(QIcon(pm));
    }
    std::optional<qint32> Shown() const { return m_shown; }

private:
    void addColor(QMenu *menu, qint32 color, const QString &constant, const QString &name)
    {
        QAction *a = menu->addAction(swatch(color), name);
        a->setObjectName(objectName() + QLatin1Char('_') + constant);
        connect(a, &QAction::triggered, this, [this, color] { m_chosen(color); });
    }

    QString m_sign;
    std::function<void(qint32)> m_chosen;
    std::optional<qint32> m_shown;
};

QAction *addToggle(QToolBar *bar, const QString &name, const QIcon &icon, const QString &tip)
{
    QAction *a = bar->addAction(icon, tip);
    a->setObjectName(name);
    a->setCheckable(true);
    a->setToolTip(tip);
    if (QWidget *button = bar->widgetForAction(a))
        button->setObjectName(name + QStringLiteral("_button"));
    return a;
}

// Frame widths as the user writes them (decimal comma or point); 0 when it is no width.
double parseWidth(QString text)
{
    text = text.trimmed().replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double w = text.toDouble(&ok);
    return ok && std::isfinite(w) ? w : 0;
}

QString widthText(double w) { return QLocale().toString(w, 'g', 4); }

// Wider than any frame a page needs; a typing slip, not a width.
constexpr double kMaxFrameWidth = 100;

} // namespace

TfrColorChooser &frToolBarColorChooser()
{
    static TfrColorChooser chooser = [](QWidget *parent, qint32 &color) {
        const QColor c = QColorDialog::getColor(frQColor(color), parent, QStringLiteral("Цвет"));
        if (!c.isValid())
            return false;
        color = frColorValue(c);
        return true;
    };
    return chooser;
}

// ---- the text bar -----------------------------------------------------------------------------

namespace {

const QString kFontName = QStringLiteral("Font.Name");
const QString kFontSize = QStringLiteral("Font.Size");
const QString kFontStyle = QStringLiteral("Font.Style");
const QString kFontColor = QStringLiteral("Font.Color");
const QString kAlignment = QStringLiteral("Alignment");
const QString kWordWrap = QStringLiteral("WordWrap");

constexpr int kHorizontalMask = 3;
constexpr int kVerticalMask = frtaMiddle | frtaDown;

} // namespace

struct TfrTextToolBar::Private {
    TfrTextToolBar *q = nullptr;
    TfrDesignerDocument *doc = nullptr;
    QFontComboBox *fontName = nullptr;
    QComboBox *fontSize = nullptr;
    std::array<QAction *, 4> styles{}; // bold, italic, underline, strike-out
    std::array<quint16, 4> styleBits{2, 1, 4, 8};
    std::array<QAction *, 4> horizontal{}; // left, right, centre, justify (the Alignment values)
    std::array<QAction *, 3> vertical{};   // top, middle, bottom
    std::array<int, 3> verticalBits{0, frtaMiddle, frtaDown};
    QAction *rotate = nullptr;
    QAction *wrap = nullptr;
    TfrColorButton *color = nullptr;
    QTimer timer;

    QList<TfrView *> targets(const QString &property) const { return targetsOf(*doc, property); }
    void applyName(const QString &text);
    void applySize(const QString &text);
};

void TfrTextToolBar::Private::applyName(const QString &text)
{
    const QString name = text.trimmed();
    if (name.isEmpty()) {
        q->Refresh();
        return;
    }
    applyEach(*doc, QStringLiteral("Шрифт"), targets(kFontName), kFontName, [&](TfrView &) { return TfrVariant(name); });
    q->Refresh();
}

void TfrTextToolBar::Private::applySize(const QString &text)
{
    bool ok = false;
    const int size = text.trimmed().toInt(&ok);
    if (!ok || size < 1 || size > 999) {
        if (!text.trimmed().isEmpty())
            QToolTip::showText(fontSize->mapToGlobal(QPoint(0, fontSize->height())),
                               QStringLiteral("Размер шрифта — целое число от 1 до 999."), fontSize);
        q->Refresh();
        return;
    }
    applyEach(*doc, QStringLiteral("Размер шрифта"), targets(kFontSize), kFontSize,
              [&](TfrView &) { return TfrVariant(size); });
    q->Refresh();
}

TfrTextToolBar::TfrTextToolBar(TfrDesignerDocument &doc, QWidget *parent)
    : QToolBar(QStringLiteral("Текст"), parent), d(std::make_unique<Private>())
{
    d->q = this;
    d->doc = &doc;
    setObjectName(QStringLiteral("toolbar_text"));

    d->fontName = new QFontComboBox(this);
    d->fontName->setObjectName(QStringLiteral("text_font_name"));
    d->fontName->setToolTip(QStringLiteral("Шрифт"));
    d->fontName->setMaximumWidth(170);
    d->fontName->setInsertPolicy(QComboBox::NoInsert);
    addWidget(d->fontName);
    connect(d->fontName, &QComboBox::activated, this, [this] { d->applyName(d->fontName->currentText()); });
    connect(d->fontName->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { d->applyName(d->fontName->lineEdit()->text()); });

    d->fontSize = new QComboBox(this);
    d->fontSize->setObjectName(QStringLiteral("text_font_size"));
    d->fontSize->setToolTip(QStringLiteral("Размер шрифта"));
    d->fontSize->setEditable(true);
    d->fontSize->setInsertPolicy(QComboBox::NoInsert);
    for (int s : {6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72})
        d->fontSize->addItem(QString::number(s));
    d->fontSize->setMinimumContentsLength(3);
    addWidget(d->fontSize);
    connect(d->fontSize, &QComboBox::activated, this, [this] { d->applySize(d->fontSize->currentText()); });
    connect(d->fontSize->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { d->applySize(d->fontSize->lineEdit()->text()); });

    addSeparator();
    const char *styleNames[] = {"text_bold", "text_italic", "text_underline", "text_strikeout"};
    const char *styleTips[] = {"Полужирный", "Курсив", "Подчёркнутый", "Зачёркнутый"};
    const char *styleLetters[] = {"Ж", "К", "Ч", "З"};
    for (size_t i = 0; i < d->styles.size(); ++i) {
        const quint16 bit = d->styleBits[i];
        QAction *a = addToggle(this, QString::fromLatin1(styleNames[i]),
                               letterIcon(QString::fromUtf8(styleLetters[i]), bit), QString::fromUtf8(styleTips[i]));
        connect(a, &QAction::triggered, this, [this, bit](bool on) {
            applyEach(*d->doc, QStringLiteral("Начертание шрифта"), d->targets(kFontStyle), kFontStyle, [&](TfrView &v) {
                const int style = v.GetPropValue(kFontStyle).toInteger();
                return TfrVariant(on ? style | bit : style & ~bit);
            });
            Refresh();
        });
        d->styles[i] = a;
    }

    addSeparator();
    const char *alignNames[] = {"text_align_left", "text_align_right", "text_align_center", "text_align_justify"};
    const char *alignTips[] = {"По левому краю", "По правому краю", "По центру", "По ширине"};
    for (int h : {0, 2, 1, 3}) {
        QAction *a = addToggle(this, QString::fromLatin1(alignNames[h]), alignIcon(h), QString::fromUtf8(alignTips[h]));
        connect(a, &QAction::triggered, this, [this, h] {
            applyEach(*d->doc, QStringLiteral("Выравнивание"), d->targets(kAlignment), kAlignment, [&](TfrView &v) {
                return TfrVariant((v.GetPropValue(kAlignment).toInteger() & ~kHorizontalMask) | h);
            });
            Refresh();
        });
        d->horizontal[size_t(h)] = a;
    }
    addSeparator();
    const char *verticalNames[] = {"text_valign_top", "text_valign_middle", "text_valign_bottom"};
    const char *verticalTips[] = {"По верхнему краю", "По середине", "По нижнему краю"};
    for (size_t i = 0; i < d->vertical.size(); ++i) {
        const int bits = d->verticalBits[i];
        QAction *a = addToggle(this, QString::fromLatin1(verticalNames[i]), verticalIcon(bits),
                               QString::fromUtf8(verticalTips[i]));
        connect(a, &QAction::triggered, this, [this, bits] {
            applyEach(*d->doc, QStringLiteral("Выравнивание"), d->targets(kAlignment), kAlignment, [&](TfrView &v) {
                return TfrVariant((v.GetPropValue(kAlignment).toInteger() & ~kVerticalMask) | bits);
            });
            Refresh();
        });
        d->vertical[i] = a;
    }
    addSeparator();
    d->rotate = addToggle(this, QStringLiteral("text_rotate"), rotateIcon(), QStringLiteral("Поворот текста на 90°"));
    connect(d->rotate, &QAction::triggered, this, [this](bool on) {
        applyEach(*d->doc, QStringLiteral("Поворот текста"), d->targets(kAlignment), kAlignment, [&](TfrView &v) {
            const int a = v.GetPropValue(kAlignment).toInteger();
            return TfrVariant(on ? a | frtaVertical : a & ~frtaVertical);
        });
        Refresh();
    });
    d->color = new TfrColorButton(QStringLiteral("text_color"), QStringLiteral("Цвет текста"), QStringLiteral("А"),
                                  false, [this](qint32 c) {
                                      applyEach(*d->doc, QStringLiteral("Цвет текста"), d->targets(kFontColor), kFontColor,
                                                [&](TfrView &) { return TfrVariant(int(c)); });
                                      Refresh();
                                  }, this);
    addWidget(d->color);
    d->wrap = addToggle(this, QStringLiteral("text_word_wrap"), wrapIcon(), QStringLiteral("Перенос по словам"));
    connect(d->wrap, &QAction::triggered, this, [this](bool on) {
        applyEach(*d->doc, QStringLiteral("Перенос по словам"), d->targets(kWordWrap), kWordWrap,
                  [&](TfrView &) { return TfrVariant(on); });
        Refresh();
    });

    // Edits send a notice per object and property: one look when the burst is over. Moving
    // and reordering change nothing the bars show (a drag of many objects stays quick).
    d->timer.setSingleShot(true);
    d->timer.setInterval(0);
    connect(&d->timer, &QTimer::timeout, this, &TfrTextToolBar::Refresh);
    connect(&doc, &TfrDesignerDocument::SelectionChanged, this, &TfrTextToolBar::Refresh);
    connect(&doc, &TfrDesignerDocument::Changed, this, [this](const TfrChange &c) {
        if (c.kind != frcObjectMoved && c.kind != frcObjectReordered)
            d->timer.start();
    });
    Refresh();
}

TfrTextToolBar::~TfrTextToolBar() = default;

void TfrTextToolBar::Refresh()
{
    d->timer.stop();
    const QList<TfrView *> named = d->targets(kFontName);
    d->fontName->setEnabled(!named.isEmpty());
    {
        const QSignalBlocker block(d->fontName);
        const std::optional<QString> name = commonText(named, kFontName);
        if (name) {
            const int index = d->fontName->findText(*name, Qt::MatchFixedString);
            d->fontName->setCurrentIndex(index);
            d->fontName->setEditText(*name); // a font this machine lacks still shows its name
        } else {
            d->fontName->setCurrentIndex(-1);
            d->fontName->setEditText(QString());
        }
    }
    const QList<TfrView *> sized = d->targets(kFontSize);
    d->fontSize->setEnabled(!sized.isEmpty());
    {
        const QSignalBlocker block(d->fontSize);
        const std::optional<qint32> size = commonInt(sized, kFontSize);
        d->fontSize->setCurrentIndex(size ? d->fontSize->findText(QString::number(*size)) : -1);
        d->fontSize->setEditText(size ? QString::number(*size) : QString());
    }
    const QList<TfrView *> styled = d->targets(kFontStyle);
    for (size_t i = 0; i < d->styles.size(); ++i) {
        d->styles[i]->setEnabled(!styled.isEmpty());
        d->styles[i]->setChecked(allHave(styled, kFontStyle, d->styleBits[i], d->styleBits[i]));
    }
    const QList<TfrView *> aligned = d->targets(kAlignment);
    for (size_t h = 0; h < d->horizontal.size(); ++h) {
        d->horizontal[h]->setEnabled(!aligned.isEmpty());
        d->horizontal[h]->setChecked(allHave(aligned, kAlignment, kHorizontalMask, int(h)));
    }
    for (size_t i = 0; i < d->vertical.size(); ++i) {
        d->vertical[i]->setEnabled(!aligned.isEmpty());
        d->vertical[i]->setChecked(allHave(aligned, kAlignment, kVerticalMask, d->verticalBits[i]));
    }
    d->rotate->setEnabled(!aligned.isEmpty());
    d->rotate->setChecked(allHave(aligned, kAlignment, frtaVertical, frtaVertical));
    const QList<TfrView *> coloured = d->targets(kFontColor);
    d->color->setEnabled(!coloured.isEmpty());
    d->color->Show(commonInt(coloured, kFontColor));
    const QList<TfrView *> wrapped = d->targets(kWordWrap);
    d->wrap->setEnabled(!wrapped.isEmpty());
    d->wrap->setChecked(!wrapped.isEmpty() && std::all_of(wrapped.begin(), wrapped.end(), [](TfrView *v) {
                            return v->GetPropValue(kWordWrap).toBoolean();
                        }));
}

// ---- the frame bar ----------------------------------------------------------------------------

namespace {

const QString kFrameTyp = QStringLiteral("FrameTyp");
const QString kFrameWidth = QStringLiteral("FrameWidth");
const QString kFrameStyle = QStringLiteral("FrameStyle");
const QString kFrameColor = QStringLiteral("FrameColor");
const QString kFillColor = QStringLiteral("FillColor");

} // namespace

struct TfrFrameToolBar::Private {
    TfrFrameToolBar *q = nullptr;
    TfrDesignerDocument *doc = nullptr;
    std::array<QAction *, 4> sides{}; // top, bottom, left, right
    std::array<quint16, 4> sideBits{frftTop, frftBottom, frftLeft, frftRight};
    QAction *all = nullptr;
    QAction *none = nullptr;
    QComboBox *width = nullptr;
    QComboBox *style = nullptr;
    TfrColorButton *frameColor = nullptr;
    TfrColorButton *fillColor = nullptr;
    QTimer timer;

    QList<TfrView *> targets(const QString &property) const { return targetsOf(*doc, property, property == kFrameTyp); }
    void setSides(quint16 sides)
    {
        applyEach(*doc, QStringLiteral("Рамка"), targets(kFrameTyp), kFrameTyp,
                  [&](TfrView &) { return TfrVariant(int(sides)); });
        q->Refresh();
    }
    void applyWidth(const QString &text);
};

void TfrFrameToolBar::Private::applyWidth(const QString &text)
{
    const double w = parseWidth(text);
    if (w <= 0 || w > kMaxFrameWidth) {
        if (!text.trimmed().isEmpty())
            QToolTip::showText(width->mapToGlobal(QPoint(0, width->height())),
                               QStringLiteral("Толщина рамки — число больше 0 и не больше %1.").arg(widthText(kMaxFrameWidth)),
                               width);
        q->Refresh();
        return;
    }
    applyEach(*doc, QStringLiteral("Толщина рамки"), targets(kFrameWidth), kFrameWidth,
              [&](TfrView &) { return TfrVariant(w); });
    q->Refresh();
}

TfrFrameToolBar::TfrFrameToolBar(TfrDesignerDocument &doc, QWidget *parent)
    : QToolBar(QStringLiteral("Рамка"), parent), d(std::make_unique<Private>())
{
    d->q = this;
    d->doc = &doc;
    setObjectName(QStringLiteral("toolbar_frame"));

    const char *sideNames[] = {"frame_top", "frame_bottom", "frame_left", "frame_right"};
    const char *sideTips[] = {"Линия сверху", "Линия снизу", "Линия слева", "Линия справа"};
    for (size_t i = 0; i < d->sides.size(); ++i) {
        const quint16 bit = d->sideBits[i];
        QAction *a = addToggle(this, QString::fromLatin1(sideNames[i]), frameIcon(bit), QString::fromUtf8(sideTips[i]));
        connect(a, &QAction::triggered, this, [this, bit](bool on) {
            applyEach(*d->doc, QStringLiteral("Рамка"), d->targets(kFrameTyp), kFrameTyp, [&](TfrView &v) {
                const int sides = v.GetPropValue(kFrameTyp).toInteger();
                return TfrVariant(on ? sides | bit : sides & ~bit);
            });
            Refresh();
        });
        d->sides[i] = a;
    }
    d->all = addAction(frameIcon(frftTop | frftBottom | frftLeft | frftRight), QStringLiteral("Все линии"));
    d->all->setObjectName(QStringLiteral("frame_all"));
    connect(d->all, &QAction::triggered, this, [this] { d->setSides(frftTop | frftBottom | frftLeft | frftRight); });
    d->none = addAction(frameIcon(0), QStringLiteral("Без рамки"));
    d->none->setObjectName(QStringLiteral("frame_none"));
    connect(d->none, &QAction::triggered, this, [this] { d->setSides(0); });
    for (QAction *a : {d->all, d->none})
        if (QWidget *button = widgetForAction(a))
            button->setObjectName(a->objectName() + QStringLiteral("_button"));

    addSeparator();
    d->width = new QComboBox(this);
    d->width->setObjectName(QStringLiteral("frame_width"));
    d->width->setToolTip(QStringLiteral("Толщина рамки"));
    d->width->setEditable(true);
    d->width->setInsertPolicy(QComboBox::NoInsert);
    for (double w : {0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0, 10.0})
        d->width->addItem(widthText(w));
    d->width->setMinimumContentsLength(4);
    addWidget(d->width);
    connect(d->width, &QComboBox::activated, this, [this] { d->applyWidth(d->width->currentText()); });
    connect(d->width->lineEdit(), &QLineEdit::returnPressed, this, [this] { d->applyWidth(d->width->lineEdit()->text()); });

    d->style = new QComboBox(this);
    d->style->setObjectName(QStringLiteral("frame_style"));
    d->style->setToolTip(QStringLiteral("Стиль рамки"));
    d->style->setIconSize(QSize(40, kIcon));
    const char *styleNames[] = {"Сплошная", "Штриховая", "Пунктирная", "Штрихпунктирная",
                                "Штрихпунктирная с двумя точками", "Двойная"};
    for (int s = psSolid; s <= psDouble; ++s)
        d->style->addItem(styleIcon(s), QString(), s);
    for (int s = psSolid; s <= psDouble; ++s)
        d->style->setItemData(s, QString::fromUtf8(styleNames[s]), Qt::ToolTipRole);
    addWidget(d->style);
    connect(d->style, &QComboBox::activated, this, [this](int index) {
        if (index < 0)
            return;
        const int s = d->style->itemData(index).toInt();
        applyEach(*d->doc, QStringLiteral("Стиль рамки"), d->targets(kFrameStyle), kFrameStyle,
                  [&](TfrView &) { return TfrVariant(s); });
        Refresh();
    });

    addSeparator();
    d->frameColor = new TfrColorButton(QStringLiteral("frame_color"), QStringLiteral("Цвет рамки"),
                                       QStringLiteral("▢"), false, [this](qint32 c) {
                                           applyEach(*d->doc, QStringLiteral("Цвет рамки"), d->targets(kFrameColor),
                                                     kFrameColor, [&](TfrView &) { return TfrVariant(int(c)); });
                                           Refresh();
                                       }, this);
    addWidget(d->frameColor);
    d->fillColor = new TfrColorButton(QStringLiteral("fill_color"), QStringLiteral("Цвет заливки"),
                                      QString(), true, [this](qint32 c) {
                                          applyEach(*d->doc, QStringLiteral("Цвет заливки"), d->targets(kFillColor),
                                                    kFillColor, [&](TfrView &) { return TfrVariant(int(c)); });
                                          Refresh();
                                      }, this);
    addWidget(d->fillColor);

    d->timer.setSingleShot(true);
    d->timer.setInterval(0);
    connect(&d->timer, &QTimer::timeout, this, &TfrFrameToolBar::Refresh);
    connect(&doc, &TfrDesignerDocument::SelectionChanged, this, &TfrFrameToolBar::Refresh);
    connect(&doc, &TfrDesignerDocument::Changed, this, [this](const TfrChange &c) {
        if (c.kind != frcObjectMoved && c.kind != frcObjectReordered)
            d->timer.start();
    });
    Refresh();
}

TfrFrameToolBar::~TfrFrameToolBar() = default;

void TfrFrameToolBar::Refresh()
{
    d->timer.stop();
    const QList<TfrView *> framed = d->targets(kFrameTyp);
    for (size_t i = 0; i < d->sides.size(); ++i) {
        d->sides[i]->setEnabled(!framed.isEmpty());
        d->sides[i]->setChecked(allHave(framed, kFrameTyp, d->sideBits[i], d->sideBits[i]));
    }
    d->all->setEnabled(!framed.isEmpty());
    d->none->setEnabled(!framed.isEmpty());

    const QList<TfrView *> widths = d->targets(kFrameWidth);
    d->width->setEnabled(!widths.isEmpty());
    {
        const QSignalBlocker block(d->width);
        const std::optional<double> w = commonReal(widths, kFrameWidth);
        d->width->setCurrentIndex(w ? d->width->findText(widthText(*w)) : -1);
        d->width->setEditText(w ? widthText(*w) : QString());
    }
    const QList<TfrView *> styled = d->targets(kFrameStyle);
    d->style->setEnabled(!styled.isEmpty());
    {
        const QSignalBlocker block(d->style);
        const std::optional<qint32> s = commonInt(styled, kFrameStyle);
        d->style->setCurrentIndex(s ? d->style->findData(int(*s)) : -1);
    }
    const QList<TfrView *> frameColored = d->targets(kFrameColor);
    d->frameColor->setEnabled(!frameColored.isEmpty());
    d->frameColor->Show(commonInt(frameColored, kFrameColor));
    const QList<TfrView *> filled = d->targets(kFillColor);
    d->fillColor->setEnabled(!filled.isEmpty());
    d->fillColor->Show(commonInt(filled, kFillColor));
}
