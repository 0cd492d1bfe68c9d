#include "report/designer/object_inspector.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "report/designer/color_combo.h"
#include "report/designer/designer_document.h"
#include "report/designer/designer_editors.h"
#include "report/designer/dialog_buttons.h"
#include "report/designer/format_dialog.h"
#include "report/eval/errors.h"
#include "report/eval/globals.h"
#include "report/model/band_view.h"
#include "report/model/geometry.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "report/model/view.h"

namespace {

// How a property's value is edited in its cell.
enum class TfrInlineEdit { None, Text, Integer, Float, Boolean, Enum, Color };
// What the "…" button of a property does.
enum class TfrButtonEdit { None, Model, Font, Restrictions, TextDialog, Script, Designer };

// One listed property of the inspected objects. Holds values only, never the objects:
// they are looked up again when a value is set.
struct TfrPropertyRow {
    QString name;
    QString key; // the name the object reads and writes the value by
    TfrDataTypes kinds;
    TfrInlineEdit edit = TfrInlineEdit::None;
    TfrButtonEdit button = TfrButtonEdit::None;
    bool multiLine = false;
    QStringList enumNames;
    std::vector<TfrVariant> enumValues; // index for index with enumNames
    TfrVariant value;                   // of the first inspected object
    bool differs = false;               // the inspected objects hold different values
    bool readOnly = false;
    QString text;                       // as the cell shows it

    // Same editor: the row can take new values without the grid being rebuilt.
    bool sameShape(const TfrPropertyRow &o) const
    {
        return name == o.name && kinds == o.kinds && edit == o.edit && button == o.button &&
               enumNames == o.enumNames && readOnly == o.readOnly;
    }
};

const QString kFont = QStringLiteral("Font");
const QString kRestrictions = QStringLiteral("Restrictions");

// The engine reads the designer's current page and report while objects list their
// properties (a band offers the other bands of its page); put back what was there.
class TfrDesignContext {
public:
    explicit TfrDesignContext(const TfrDesignerDocument &doc)
        : m_doc(doc), m_report(CurReport), m_page(CurPage), m_mode(DocMode), m_pageOfDoc(holds(doc, CurPage))
    {
        CurReport = &doc.Report();
        CurPage = doc.CurrentPage();
        DocMode = dmDesigning;
    }
    ~TfrDesignContext()
    {
        CurReport = m_report;
        // A page of the document that a cancelled step replaced is gone.
        CurPage = m_pageOfDoc && !holds(m_doc, m_page) ? nullptr : m_page;
        DocMode = m_mode;
    }
    TfrDesignContext(const TfrDesignContext &) = delete;
    TfrDesignContext &operator=(const TfrDesignContext &) = delete;

private:
    static bool holds(const TfrDesignerDocument &doc, const TfrPage *page)
    {
        for (int i = 0; page && i < doc.Report().PageCount(); ++i)
            if (doc.Report().Page(i) == page)
                return true;
        return false;
    }
    const TfrDesignerDocument &m_doc;
    TfrReport *m_report;
    TfrPage *m_page;
    TfrDocMode m_mode;
    bool m_pageOfDoc;
};

QString joinLines(const QString &text)
{
    QString s = text;
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

// Values compared as the user sees them: numbers by value, texts with any line breaks.
bool sameValue(const TfrVariant &a, const TfrVariant &b)
{
    if (a.isEmptyOrNull() || b.isEmptyOrNull())
        return a.isEmptyOrNull() == b.isEmptyOrNull();
    if (a.isString() || b.isString())
        return joinLines(a.toString()) == joinLines(b.toString());
    try {
        if (a.isBoolean() || b.isBoolean())
            return a.toBoolean() == b.toBoolean();
        return a.toReal() == b.toReal();
    } catch (const EfrError &) {
        return a.toString() == b.toString();
    }
}

// A value as an integer for the widgets, 0 when it is none.
qint32 intOf(const TfrVariant &v)
{
    try {
        return v.isEmptyOrNull() ? 0 : v.toInteger();
    } catch (const EfrError &) {
        return 0;
    }
}

QString colorName(qint32 color)
{
    if (color == clNone)
        return QStringLiteral("Прозрачный");
    for (const TfrNamedColor &c : frBasicColors)
        if (c.color == color)
            return QString::fromUtf8(c.name);
    if (quint32(color) & 0x80000000u) {
        const quint32 index = quint32(color) & 0xFF;
        for (int i = 0; i < frColorCount; ++i)
            if (frColors[size_t(i)] == color)
                return frColorNames[size_t(i)];
        return QStringLiteral("clSystem%1").arg(index);
    }
    const QColor q = frQColor(color);
    return q.name(QColor::HexRgb).toUpper();
}

QIcon colorSwatch(qint32 color)
{
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    if (color == clNone) {
        p.setPen(Qt::gray);
        p.drawRect(0, 0, 11, 11);
        p.drawLine(0, 11, 11, 0);
    } else {
        p.fillRect(0, 0, 12, 12, frQColor(color));
        p.setPen(Qt::gray);
        p.drawRect(0, 0, 11, 11);
    }
    return QIcon(pixmap);
}


struct TfrRestrictionName {
    quint16 bit;
    const char *name;
};
const TfrRestrictionName kRestrictionNames[] = {
    {frrfDontEditMemo, "Не изменять текст"},  {frrfDontEditScript, "Не изменять скрипт"},
    {frrfDontEditContents, "Не изменять содержимое"}, {frrfDontModify, "Не изменять свойства"},
    {frrfDontSize, "Не изменять размер"},     {frrfDontMove, "Не перемещать"},
    {frrfDontDelete, "Не удалять"},
};

QString restrictionsText(int bits)
{
    QStringList names;
    for (const TfrRestrictionName &r : kRestrictionNames)
        if (bits & r.bit)
            names.append(QString::fromUtf8(r.name));
    return names.isEmpty() ? QObject::tr("нет") : names.join(QStringLiteral(", "));
}

TfrFont fontOf(TfrObject &object)
{
    TfrFont f;
    f.Name = object.GetPropValue(QStringLiteral("Font.Name")).toString();
    f.Size = intOf(object.GetPropValue(QStringLiteral("Font.Size")));
    f.Style = quint16(intOf(object.GetPropValue(QStringLiteral("Font.Style"))));
    f.Color = intOf(object.GetPropValue(QStringLiteral("Font.Color")));
    return f;
}

QString fontText(const TfrFont &f)
{
    QStringList parts{f.Name, QString::number(f.Size)};
    if (f.Style & 2)
        parts.append(QObject::tr("жирный"));
    if (f.Style & 1)
        parts.append(QObject::tr("курсив"));
    if (f.Style & 4)
        parts.append(QObject::tr("подчёркнутый"));
    if (f.Style & 8)
        parts.append(QObject::tr("зачёркнутый"));
    return parts.join(QStringLiteral(", "));
}

QFont toQFont(const TfrFont &f)
{
    QFont q(f.Name);
    q.setPointSize(std::max(1, int(f.Size)));
    q.setItalic(f.Style & 1);
    q.setBold(f.Style & 2);
    q.setUnderline(f.Style & 4);
    q.setStrikeOut(f.Style & 8);
    return q;
}

void fromQFont(const QFont &q, TfrFont &f)
{
    f.Name = q.family();
    if (q.pointSize() > 0)
        f.Size = q.pointSize();
    f.Style = quint16((q.italic() ? 1 : 0) | (q.bold() ? 2 : 0) | (q.underline() ? 4 : 0) | (q.strikeOut() ? 8 : 0));
}

// Numbers as a user of either decimal separator types them.
bool parseInteger(const QString &text, int &out)
{
    bool ok = false;
    const QString t = text.trimmed();
    out = QLocale().toInt(t, &ok);
    if (!ok)
        out = t.toInt(&ok);
    return ok;
}

bool parseFloat(const QString &text, double &out)
{
    bool ok = false;
    const QString t = text.trimmed();
    out = QLocale().toDouble(t, &ok);
    if (!ok)
        out = QLocale::c().toDouble(t, &ok);
    return ok;
}

QString floatText(double v) { return QLocale().toString(v, 'g', 15); }

// The name rules of the designer: a name scripts and expressions can refer to.
QString nameProblem(const TfrReport &report, const TfrObject &object, const QString &name)
{
    if (name.trimmed().isEmpty())
        return QObject::tr("Имя объекта не может быть пустым.");
    const bool identifier = name.at(0).isLetter() || name.at(0) == QLatin1Char('_');
    bool plain = identifier;
    for (QChar c : name)
        plain = plain && (c.isLetterOrNumber() || c == QLatin1Char('_'));
    if (!plain)
        return QObject::tr("Имя «%1» не годится: оно должно начинаться с буквы и состоять из букв, цифр и знаков "
                           "подчёркивания.").arg(name);
    const TfrView *other = report.FindObject(name);
    if (other && other != &object)
        return QObject::tr("Имя «%1» уже есть в отчёте.").arg(name);
    return QString();
}

// ---- default dialogs ----

bool textDialog(QWidget *parent, const QString &title, QString &text, bool multiLine)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto *layout = new QVBoxLayout(&dialog);
    QPlainTextEdit *lines = nullptr;
    QLineEdit *line = nullptr;
    if (multiLine) {
        lines = new QPlainTextEdit(text, &dialog);
        lines->setLineWrapMode(QPlainTextEdit::NoWrap);
        layout->addWidget(lines);
        dialog.resize(480, 320);
    } else {
        line = new QLineEdit(text, &dialog);
        layout->addWidget(line);
        dialog.resize(360, dialog.sizeHint().height());
    }
    auto *buttons = frDialogButtons(&dialog);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    text = lines ? lines->toPlainText() : line->text();
    return true;
}

bool restrictionsDialog(QWidget *parent, quint16 &bits)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QObject::tr("Ограничения"));
    auto *layout = new QVBoxLayout(&dialog);
    QList<std::pair<QCheckBox *, quint16>> boxes;
    for (const TfrRestrictionName &r : kRestrictionNames) {
        auto *box = new QCheckBox(QString::fromUtf8(r.name), &dialog);
        box->setChecked(bits & r.bit);
        layout->addWidget(box);
        boxes.append({box, r.bit});
    }
    auto *buttons = frDialogButtons(&dialog);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    quint16 next = bits;
    for (const auto &[box, bit] : boxes)
        next = box->isChecked() ? quint16(next | bit) : quint16(next & ~bit);
    bits = next;
    return true;
}

QIcon ellipsisIcon(const QFont &font)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setFont(font);
    p.setPen(QApplication::palette().color(QPalette::ButtonText));
    p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("…"));
    return QIcon(pixmap);
}

} // namespace

// ---- the grid's model: one column of values, the names in the vertical header ----

class TfrPropertyModel : public QAbstractTableModel {
public:
    TfrPropertyModel(TfrObjectInspector::Private &d, QObject *parent) : QAbstractTableModel(parent), m_d(d) {}

    QList<TfrPropertyRow> rows;

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(rows.size()); }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 1; }
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    // Takes the new rows: in place when every row keeps its editor, else (or when asked) a
    // new grid, which closes any open editor; false, and nothing taken, when a new grid is
    // not allowed now.
    bool setRows(QList<TfrPropertyRow> next, bool allowReset, bool forceReset)
    {
        bool sameShape = !forceReset && next.size() == rows.size();
        for (qsizetype i = 0; sameShape && i < next.size(); ++i)
            sameShape = next.at(i).sameShape(rows.at(i));
        if (!sameShape) {
            if (!allowReset)
                return false;
            beginResetModel();
            rows = std::move(next);
            endResetModel();
            return true;
        }
        rows = std::move(next);
        if (!rows.isEmpty())
            emit dataChanged(index(0, 0), index(int(rows.size()) - 1, 0));
        return true;
    }

private:
    TfrObjectInspector::Private &m_d;
};

class TfrPropertyDelegate : public QStyledItemDelegate {
public:
    TfrPropertyDelegate(TfrObjectInspector::Private &d, QObject *parent) : QStyledItemDelegate(parent), m_d(d) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &) const override
    {
        editor->setGeometry(option.rect);
    }
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    TfrObjectInspector::Private &m_d;
};

struct TfrObjectInspector::Private {
    TfrObjectInspector *q = nullptr;
    TfrDesignerDocument *doc = nullptr;
    Dialogs dialogs;
    QComboBox *combo = nullptr;
    QTableView *view = nullptr;
    TfrPropertyModel *model = nullptr;
    QTimer refreshTimer;
    QList<qint32> comboIds; // objectNumber per combo item; -1 for the page
    QStringList comboLabels;
    bool applying = false;  // a value is being set: refreshes wait until it is done
    int committing = 0;     // inside an editor's commit: the grid keeps its rows' editors
    bool refreshPending = false;
    QList<qint64> inspectedIds; // what the grid shows: object identities, pages as -1 - index

    QList<TfrObject *> targets() const
    {
        QList<TfrObject *> list;
        for (TfrView *v : doc->Selection())
            list.append(v);
        if (list.isEmpty() && doc->CurrentPage())
            list.append(doc->CurrentPage());
        return list;
    }

    QList<TfrPropertyRow> buildRows() const;
    void refresh();
    void refreshCombo();
    void message(const QString &text) const
    {
        if (dialogs.message)
            dialogs.message(q, text);
    }
    bool apply(const QList<std::pair<QString, TfrVariant>> &changes, const QString &property);
    // One change through the report's editing operation (and what a page's paper needs).
    void setProperty(TfrObject &object, const QString &name, const TfrVariant &value);
    bool applyText(int row, const QString &text);
    // The "…" of a listed property (by name: the grid may have changed since the click).
    void runButton(const QString &property);
    const TfrPropertyRow *row(const QString &name) const
    {
        for (const TfrPropertyRow &r : std::as_const(model->rows))
            if (r.name.compare(name, Qt::CaseInsensitive) == 0)
                return &r;
        return nullptr;
    }
};

// ---- reading the properties ----

namespace {

// Lines of the script language: they open in the script editor.
bool isScript(const QString &name)
{
    for (const char *script : {"OnBeforePrint", "OnActivate", "Script"})
        if (name.compare(QLatin1String(script), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void classify(TfrPropertyRow &row, const TfrPropRec &rec, TfrObject &first)
{
    const TfrDataTypes k = rec.propertyKinds;
    if (row.name.compare(kFont, Qt::CaseInsensitive) == 0 && first.GetPropRec(QStringLiteral("Font.Name")) &&
        !rec.propertyEditor) {
        row.button = TfrButtonEdit::Font;
        return;
    }
    if (row.name.compare(kRestrictions, Qt::CaseInsensitive) == 0 && !rec.propertyEditor) {
        row.button = TfrButtonEdit::Restrictions;
        return;
    }
    if (k.contains(frdtHasEditor) && !rec.propertyEditor && frHasPropertyEditor(row.name)) {
        row.button = TfrButtonEdit::Designer;
        return;
    }
    if (k.contains(frdtEnum) && rec.enumNameList) {
        if (rec.enumValueList) {
            row.edit = TfrInlineEdit::Enum;
            row.enumNames = *rec.enumNameList;
            row.enumValues = *rec.enumValueList;
            row.enumValues.resize(size_t(row.enumNames.size()));
        } else if (row.value.isString()) {
            // Without values the names are the values (a band's child band), or none.
            row.edit = TfrInlineEdit::Enum;
            row.enumNames = *rec.enumNameList;
            row.enumNames.prepend(QString());
            for (const QString &name : std::as_const(row.enumNames))
                row.enumValues.emplace_back(name);
        }
        // A number without values to go with the names (a printer that lists no paper)
        // cannot be chosen: it is shown as it is.
    } else if (k.contains(frdtColor)) {
        row.edit = TfrInlineEdit::Color;
    } else if (k.contains(frdtBoolean)) {
        row.edit = TfrInlineEdit::Boolean;
    } else if (k.contains(frdtFloat)) {
        row.edit = TfrInlineEdit::Float;
    } else if (k.contains(frdtInteger) || k.contains(frdtSize)) {
        row.edit = TfrInlineEdit::Integer;
    } else if (k.contains(frdtString)) {
        row.edit = TfrInlineEdit::Text;
    }
    if (!k.contains(frdtHasEditor))
        return;
    if (rec.propertyEditor) {
        row.button = TfrButtonEdit::Model;
    } else if (row.value.isString()) {
        // A text without an editor of its own: a plain text dialog, with lines for lists.
        row.button = isScript(row.name) ? TfrButtonEdit::Script : TfrButtonEdit::TextDialog;
        row.multiLine = row.key.compare(QLatin1String("Memo"), Qt::CaseInsensitive) == 0 ||
                        row.value.toString().contains(QLatin1Char('\n'));
    }
}

// The entry of an enumeration that holds the value, or -1. Names that are values match
// exactly.
int enumIndexOf(const TfrPropertyRow &row, const TfrVariant &v)
{
    for (size_t i = 0; i < row.enumValues.size(); ++i) {
        const TfrVariant &e = row.enumValues[i];
        if (v.isString() || e.isString() ? v.toString() == e.toString() : sameValue(e, v))
            return int(i);
    }
    return -1;
}

QString displayText(const TfrPropertyRow &row, TfrObject &first)
{
    if (row.differs)
        return QString();
    const TfrVariant &v = row.value;
    try {
        if (row.button == TfrButtonEdit::Font)
            return fontText(fontOf(first));
        if (row.button == TfrButtonEdit::Restrictions)
            return restrictionsText(v.toInteger());
        if (row.button == TfrButtonEdit::Designer) {
            auto *view = dynamic_cast<TfrView *>(&first);
            if (view && row.name.compare(QLatin1String("DisplayFormat"), Qt::CaseInsensitive) == 0)
                return frDisplayFormatText(quint32(view->formatCode), view->formatText);
            if (auto *memo = dynamic_cast<TfrMemoView *>(&first);
                memo && row.name.compare(QLatin1String("Highlight"), Qt::CaseInsensitive) == 0)
                return memo->highlightCondition;
        }
        switch (row.edit) {
        case TfrInlineEdit::Boolean: return QString();
        case TfrInlineEdit::Color: return colorName(v.toInteger());
        case TfrInlineEdit::Float: return floatText(v.toReal());
        case TfrInlineEdit::Integer: return v.isEmptyOrNull() ? QString() : QString::number(v.toInteger());
        case TfrInlineEdit::Enum: {
            const int i = enumIndexOf(row, v);
            return i >= 0 ? row.enumNames.at(i) : v.toString();
        }
        default: break;
        }
    } catch (const EfrError &) {
        // A value the kind cannot show is shown as it is.
    }
    const QString text = joinLines(v.toString());
    const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'));
    return lineEnd < 0 ? text : text.left(lineEnd) + QStringLiteral(" …");
}

bool restrictsRow(const TfrView &view, const QString &name)
{
    const quint16 r = view.Restrictions;
    auto is = [&name](const char *n) { return name.compare(QLatin1String(n), Qt::CaseInsensitive) == 0; };
    // The restrictions themselves stay editable, or a restricted object could never be freed.
    if (is("Restrictions"))
        return false;
    if (r & frrfDontModify)
        return true;
    if ((r & frrfDontMove) && (is("Left") || is("Top")))
        return true;
    if ((r & frrfDontSize) && (is("Width") || is("Height")))
        return true;
    if ((r & frrfDontEditMemo) && is("Memo"))
        return true;
    if ((r & frrfDontEditScript) && is("OnBeforePrint"))
        return true;
    return false;
}

} // namespace

QList<TfrPropertyRow> TfrObjectInspector::Private::buildRows() const
{
    QList<TfrPropertyRow> rows;
    const QList<TfrObject *> objects = targets();
    if (objects.isEmpty())
        return rows;
    TfrDesignContext context(*doc);
    // Pages and bands list what their state allows (a page's type, the bands beside a
    // band): theirs are defined afresh. The other classes list the same every time.
    for (TfrObject *o : objects) {
        if (dynamic_cast<TfrPage *>(o) || dynamic_cast<TfrBandView *>(o))
            o->DefineProperties();
        else
            o->EnsurePropertiesDefined();
    }
    TfrObject &first = *objects.front();
    const bool several = objects.size() > 1;
    QStringList seen;
    for (int i = 0; i < first.PropCount(); ++i) {
        const TfrPropRec &rec = first.Prop(i);
        if (rec.propertyKinds.bits() == 0 || seen.contains(rec.propertyName, Qt::CaseInsensitive))
            continue;
        if (several && rec.propertyKinds.contains(frdtOneObject))
            continue;
        bool shared = true;
        for (TfrObject *o : objects.mid(1)) {
            // Objects of one class hold the record at the same place.
            const TfrPropRec *other = i < o->PropCount() && o->Prop(i).propertyName == rec.propertyName
                                          ? &o->Prop(i)
                                          : o->GetPropRec(rec.propertyName);
            shared = other && other->propertyKinds == rec.propertyKinds &&
                     bool(other->enumNameList) == bool(rec.enumNameList) &&
                     (!rec.enumNameList || *other->enumNameList == *rec.enumNameList);
            if (!shared)
                break;
        }
        if (!shared)
            continue;
        seen.append(rec.propertyName);
        TfrPropertyRow row;
        row.name = rec.propertyName;
        row.key = row.name;
        row.kinds = rec.propertyKinds;
        // A band lists its event lines under the event's name; they are its Memo.
        if (dynamic_cast<TfrBandView *>(&first) && row.name.compare(QLatin1String("OnBeforePrint"), Qt::CaseInsensitive) == 0)
            row.key = QStringLiteral("Memo");
        row.value = first.GetPropValue(row.key);
        classify(row, rec, first);
        for (TfrObject *o : objects) {
            if (o != &first && !row.differs) {
                if (row.button == TfrButtonEdit::Font)
                    row.differs = !(fontOf(*o) == fontOf(first));
                else
                    row.differs = !sameValue(o->GetPropValue(row.key), row.value);
            }
            if (auto *v = dynamic_cast<TfrView *>(o))
                row.readOnly = row.readOnly || restrictsRow(*v, row.name) || restrictsRow(*v, row.key);
        }
        row.text = displayText(row, first);
        rows.append(std::move(row));
    }
    return rows;
}

void TfrObjectInspector::Private::refresh()
{
    if (applying) {
        refreshPending = true;
        return;
    }
    refreshTimer.stop();
    refreshPending = false;
    QList<qint64> ids;
    for (TfrObject *o : targets()) {
        if (auto *v = dynamic_cast<TfrView *>(o))
            ids.append(v->objectNumber);
        else
            ids.append(-1 - doc->CurrentPageIndex());
    }
    // Other objects: an open editor goes with the old ones, its text is not theirs. An
    // editor that is committing its value must outlive the commit: the new grid comes once
    // the commit is over.
    const bool otherObjects = ids != inspectedIds;
    if (!model->setRows(buildRows(), committing == 0, otherObjects)) {
        refreshTimer.start();
    } else {
        inspectedIds = ids;
        // An open editor the user has not typed into shows the new value.
        const QModelIndex current = view->currentIndex();
        if (QWidget *editor = current.isValid() ? view->indexWidget(current) : nullptr) {
            auto *line = qobject_cast<QLineEdit *>(editor);
            if (!line || !line->isModified())
                view->itemDelegate()->setEditorData(editor, current);
        }
    }
    refreshCombo();
}

void TfrObjectInspector::Private::refreshCombo()
{
    QList<qint32> ids;
    QStringList labels;
    if (TfrPage *page = doc->CurrentPage()) {
        ids.append(-1);
        labels.append(QStringLiteral("%1: TfrPage").arg(page->Name));
        for (const auto &v : page->Objects) {
            ids.append(v->objectNumber);
            labels.append(v->Name + QStringLiteral(": ") + v->ClassName());
        }
    }
    const QSignalBlocker block(combo);
    if (ids != comboIds || labels != comboLabels) {
        combo->clear();
        combo->addItems(labels);
        comboIds = ids;
        comboLabels = labels;
    }
    const QList<TfrView *> &selection = doc->Selection();
    if (selection.size() > 1) {
        combo->setPlaceholderText(TfrObjectInspector::tr("Выбрано объектов: %1").arg(selection.size()));
        combo->setCurrentIndex(-1);
    } else {
        combo->setPlaceholderText(QString());
        combo->setCurrentIndex(int(comboIds.indexOf(selection.isEmpty() ? -1 : selection.front()->objectNumber)));
    }
}

// ---- setting values ----

namespace {

// The paper code of a size of one's own (the printer service's custom size).
constexpr int kOwnPaperSize = 256;

bool isPaperProperty(const QString &name)
{
    for (const char *n : {"Size", "Width", "Height", "Orientation"})
        if (name.compare(QLatin1String(n), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

void TfrObjectInspector::Private::setProperty(TfrObject &object, const QString &name, const TfrVariant &value)
{
    auto *page = dynamic_cast<TfrPage *>(&object);
    if (!page || page->PageType != ptReport || !isPaperProperty(name)) {
        doc->Report().SetProperty(object, name, value);
        return;
    }
    // A report page's paper comes from the printer: a typed width or height makes the paper
    // one of its own, and the page takes what the printer makes of it at once, so the page
    // shows (and the value read back tells) what will print.
    const bool size = name.compare(QLatin1String("Width"), Qt::CaseInsensitive) == 0 ||
                      name.compare(QLatin1String("Height"), Qt::CaseInsensitive) == 0;
    if (size && page->pgSize != kOwnPaperSize)
        doc->Report().SetProperty(*page, QStringLiteral("Size"), TfrVariant(int(kOwnPaperSize)));
    doc->Report().SetProperty(*page, name, value);
    page->ChangePaper(page->pgSize, page->pgWidth, page->pgHeight, page->pgBin, page->pgOr);
}

bool TfrObjectInspector::Private::apply(const QList<std::pair<QString, TfrVariant>> &changes, const QString &property)
{
    const QList<TfrObject *> objects = targets();
    if (objects.isEmpty() || changes.isEmpty())
        return false;
    for (const auto &[name, value] : changes) {
        if (name.compare(QLatin1String("Name"), Qt::CaseInsensitive) != 0)
            continue;
        for (TfrObject *o : objects) {
            if (!dynamic_cast<TfrView *>(o))
                continue;
            const QString problem = nameProblem(doc->Report(), *o, value.toString());
            if (!problem.isEmpty()) {
                message(problem);
                return false;
            }
        }
    }

    QString refusal;
    applying = true;
    {
        TfrDesignContext context(*doc);
        TfrDesignStep step(*doc, TfrObjectInspector::tr("Изменение свойства «%1»").arg(property));
        const bool savedFlag = ErrorFlag;
        const QString savedText = ErrorStr;
        for (TfrObject *o : objects) {
            for (const auto &[name, value] : changes) {
                const TfrVariant old = o->GetPropValue(name);
                ErrorFlag = false;
                ErrorStr.clear();
                try {
                    setProperty(*o, name, value);
                } catch (const EfrError &e) {
                    refusal = e.message();
                } catch (const std::exception &e) {
                    refusal = QString::fromUtf8(e.what());
                }
                if (refusal.isEmpty() && ErrorFlag)
                    refusal = ErrorStr.trimmed().replace(QLatin1Char('\r'), QLatin1Char('\n'));
                // An object that silently keeps its old value refuses too.
                if (refusal.isEmpty() && !old.isEmptyOrNull() && !sameValue(old, value) &&
                    sameValue(o->GetPropValue(name), old))
                    refusal = TfrObjectInspector::tr("Значение «%1» не подходит для свойства «%2».")
                                  .arg(value.toString(), name);
                if (!refusal.isEmpty())
                    break;
            }
            if (!refusal.isEmpty()) {
                if (objects.size() > 1)
                    if (auto *v = dynamic_cast<TfrView *>(o))
                        refusal = v->Name + QStringLiteral(": ") + refusal;
                break;
            }
        }
        ErrorFlag = savedFlag;
        ErrorStr = savedText;
        if (!refusal.isEmpty())
            step.Cancel();
    }
    applying = false;
    refresh();
    if (!refusal.isEmpty())
        message(refusal);
    return refusal.isEmpty();
}

bool TfrObjectInspector::Private::applyText(int rowIndex, const QString &text)
{
    if (rowIndex < 0 || rowIndex >= model->rows.size())
        return false;
    const TfrPropertyRow row = model->rows.at(rowIndex);
    if (!row.differs && text == row.text)
        return true;
    if (row.differs && text.isEmpty())
        return true; // left empty: the objects keep their own values
    TfrVariant value;
    switch (row.edit) {
    case TfrInlineEdit::Integer: {
        int n = 0;
        if (!parseInteger(text, n)) {
            message(TfrObjectInspector::tr("«%1» — не целое число.").arg(text));
            return false;
        }
        value = TfrVariant(n);
        break;
    }
    case TfrInlineEdit::Float: {
        double x = 0;
        if (!parseFloat(text, x)) {
            message(TfrObjectInspector::tr("«%1» — не число.").arg(text));
            return false;
        }
        value = TfrVariant(x);
        break;
    }
    default: value = TfrVariant(text); break;
    }
    if (!row.differs && sameValue(value, row.value))
        return true;
    return apply({{row.key, value}}, row.name);
}

void TfrObjectInspector::Private::runButton(const QString &property)
{
    const TfrPropertyRow *found = this->row(property);
    if (!found)
        return;
    const TfrPropertyRow row = *found;
    const QList<TfrObject *> objects = targets();
    if (objects.isEmpty() || row.readOnly)
        return;
    TfrObject &first = *objects.front();
    switch (row.button) {
    case TfrButtonEdit::Font: {
        TfrFont font = fontOf(first);
        const TfrFont before = font;
        if (!dialogs.font || !dialogs.font(q, font))
            return;
        QList<std::pair<QString, TfrVariant>> changes{
            {QStringLiteral("Font.Name"), TfrVariant(font.Name)},
            {QStringLiteral("Font.Size"), TfrVariant(int(font.Size))},
            {QStringLiteral("Font.Style"), TfrVariant(int(font.Style))},
        };
        if (font.Color != before.Color)
            changes.append({QStringLiteral("Font.Color"), TfrVariant(int(font.Color))});
        apply(changes, row.name);
        return;
    }
    case TfrButtonEdit::Restrictions: {
        quint16 bits = quint16(intOf(row.value));
        if (dialogs.restrictions && dialogs.restrictions(q, bits))
            apply({{row.key, TfrVariant(int(bits))}}, row.name);
        return;
    }
    case TfrButtonEdit::TextDialog: {
        QString text = row.differs ? QString() : joinLines(row.value.toString());
        if (!dialogs.text || !dialogs.text(q, row.name, text, row.multiLine))
            return;
        text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        if (row.differs || !sameValue(TfrVariant(text), row.value))
            apply({{row.key, TfrVariant(text)}}, row.name);
        return;
    }
    case TfrButtonEdit::Script: {
        QStringList lines = row.differs ? QStringList() : joinLines(row.value.toString()).split(QLatin1Char('\n'));
        if (!dialogs.script || !dialogs.script(q, row.name, lines))
            return;
        const QString text = lines.join(QLatin1String("\r\n"));
        if (row.differs || !sameValue(TfrVariant(text), row.value))
            apply({{row.key, TfrVariant(text)}}, row.name);
        return;
    }
    case TfrButtonEdit::Designer: {
        if (dialogs.property)
            dialogs.property(q, row.name);
        refresh();
        return;
    }
    case TfrButtonEdit::Model: {
        first.EnsurePropertiesDefined();
        const TfrPropRec *rec = first.GetPropRec(row.name);
        if (!rec || !rec->propertyEditor)
            return;
        const TfrPropertyEditor editor = rec->propertyEditor;
        // Until a script editor is installed, page scripts open as plain text.
        const auto savedScriptEditor = frPageScriptEditor;
        if (!frPageScriptEditor)
            frPageScriptEditor = [this, &row](QStringList &script) {
                if (dialogs.script)
                    dialogs.script(q, row.name, script);
            };
        QString failure;
        {
            applying = true;
            const auto restore = qScopeGuard([&] {
                frPageScriptEditor = savedScriptEditor;
                applying = false;
            });
            try {
                doc->Edit(TfrObjectInspector::tr("Изменение свойства «%1»").arg(row.name), editor);
            } catch (const EfrError &e) {
                failure = e.message();
            }
        }
        refresh();
        if (!failure.isEmpty())
            message(failure);
        return;
    }
    case TfrButtonEdit::None: return;
    }
}

// ---- model ----

QVariant TfrPropertyModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows.size())
        return {};
    const TfrPropertyRow &row = rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return row.text;
    case Qt::ToolTipRole:
        return row.text.isEmpty() ? row.name : row.name + QStringLiteral(": ") + row.text;
    case Qt::CheckStateRole:
        if (row.edit != TfrInlineEdit::Boolean)
            return {};
        if (row.differs)
            return Qt::PartiallyChecked;
        try {
            return row.value.toBoolean() ? Qt::Checked : Qt::Unchecked;
        } catch (const EfrError &) {
            return Qt::Unchecked;
        }
    case Qt::DecorationRole:
        if (row.edit == TfrInlineEdit::Color && !row.differs)
            return colorSwatch(intOf(row.value));
        return {};
    case Qt::ForegroundRole:
        if (row.readOnly)
            return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        return {};
    default:
        return {};
    }
}

QVariant TfrPropertyModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole)
            return TfrObjectInspector::tr("Значение");
        return {};
    }
    if (section < 0 || section >= rows.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return rows.at(section).name;
    if (role == Qt::ForegroundRole && rows.at(section).readOnly)
        return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
    return {};
}

Qt::ItemFlags TfrPropertyModel::flags(const QModelIndex &index) const
{
    if (!index.isValid() || index.row() >= rows.size())
        return Qt::NoItemFlags;
    const TfrPropertyRow &row = rows.at(index.row());
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (row.readOnly)
        return f;
    if (row.edit == TfrInlineEdit::Boolean)
        return f | Qt::ItemIsUserCheckable;
    if (row.edit != TfrInlineEdit::None || row.button != TfrButtonEdit::None)
        f |= Qt::ItemIsEditable;
    return f;
}

bool TfrPropertyModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= rows.size())
        return false;
    const TfrPropertyRow &row = rows.at(index.row());
    if (row.readOnly || row.edit != TfrInlineEdit::Boolean)
        return false;
    const bool on = value.toInt() == Qt::Checked;
    return m_d.apply({{row.key, TfrVariant(on)}}, row.name);
}

// ---- delegate: an editor per kind ----

QWidget *TfrPropertyDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const
{
    if (index.row() >= m_d.model->rows.size())
        return nullptr;
    const TfrPropertyRow &row = m_d.model->rows.at(index.row());
    if (row.readOnly || row.edit == TfrInlineEdit::Boolean)
        return nullptr;
    if (row.edit == TfrInlineEdit::Enum || row.edit == TfrInlineEdit::Color) {
        auto *combo = new QComboBox(parent);
        combo->setObjectName(row.edit == TfrInlineEdit::Enum ? QStringLiteral("enumEditor") : QStringLiteral("colorEditor"));
        combo->setFrame(false);
        if (row.edit == TfrInlineEdit::Enum) {
            for (int i = 0; i < row.enumNames.size(); ++i)
                combo->addItem(row.enumNames.at(i), i);
        } else {
            for (const TfrNamedColor &c : frBasicColors)
                combo->addItem(colorSwatch(c.color), QString::fromUtf8(c.name), int(c.color));
            combo->addItem(colorSwatch(clNone), colorName(clNone), int(clNone));
            const qint32 current = intOf(row.value);
            if (!row.differs && combo->findData(int(current)) < 0)
                combo->addItem(colorSwatch(current), colorName(current), int(current));
            combo->addItem(TfrObjectInspector::tr("Другой…"), QStringLiteral("other"));
        }
        // A choice is a complete edit: it is taken at once.
        auto *self = const_cast<TfrPropertyDelegate *>(this);
        connect(combo, &QComboBox::activated, self, [self, combo] {
            emit self->commitData(combo);
            emit self->closeEditor(combo);
        });
        return combo;
    }
    auto *line = new QLineEdit(parent);
    line->setObjectName(QStringLiteral("textEditor"));
    line->setFrame(false);
    const bool typed = row.edit == TfrInlineEdit::Text || row.edit == TfrInlineEdit::Integer ||
                       row.edit == TfrInlineEdit::Float;
    line->setReadOnly(!typed);
    if (row.button != TfrButtonEdit::None) {
        auto *action = line->addAction(ellipsisIcon(line->font()), QLineEdit::TrailingPosition);
        action->setObjectName(QStringLiteral("ellipsis"));
        action->setToolTip(TfrObjectInspector::tr("Изменить…"));
        const QString property = row.name;
        TfrObjectInspector::Private *d = &m_d;
        connect(action, &QAction::triggered, line, [d, property] {
            // After the dialog the grid is read again; the editor may be gone by then.
            QTimer::singleShot(0, d->q, [d, property] { d->runButton(property); });
        });
        line->setProperty("buttonOnly", !typed);
    }
    return line;
}

void TfrPropertyDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (index.row() >= m_d.model->rows.size())
        return;
    const TfrPropertyRow &row = m_d.model->rows.at(index.row());
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        int at = -1;
        if (!row.differs) {
            if (row.edit == TfrInlineEdit::Color)
                at = combo->findData(int(intOf(row.value)));
            else
                at = combo->findText(row.text);
        }
        combo->setCurrentIndex(at);
        return;
    }
    if (auto *line = qobject_cast<QLineEdit *>(editor))
        line->setText(row.text);
}

void TfrPropertyDelegate::setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const
{
    const int rowIndex = index.row();
    if (rowIndex >= m_d.model->rows.size())
        return;
    const TfrPropertyRow row = m_d.model->rows.at(rowIndex);
    ++m_d.committing;
    const auto done = qScopeGuard([this] { --m_d.committing; });
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        if (combo->currentIndex() < 0)
            return;
        if (row.edit == TfrInlineEdit::Enum) {
            const int i = combo->currentData().toInt();
            if (i < 0 || size_t(i) >= row.enumValues.size())
                return;
            if (row.differs || enumIndexOf(row, row.value) != i)
                m_d.apply({{row.key, row.enumValues[size_t(i)]}}, row.name);
            return;
        }
        const QVariant data = combo->currentData();
        if (data.typeId() == QMetaType::QString) {
            qint32 color = row.differs ? 0 : intOf(row.value);
            TfrObjectInspector::Private *d = &m_d;
            const QString key = row.key, name = row.name;
            // The colour dialog waits until the combo box has closed.
            QTimer::singleShot(0, d->q, [d, color, key, name]() mutable {
                if (d->dialogs.color && d->dialogs.color(d->q, color))
                    d->apply({{key, TfrVariant(int(color))}}, name);
            });
            return;
        }
        const qint32 color = data.toInt();
        if (row.differs || color != intOf(row.value))
            m_d.apply({{row.key, TfrVariant(int(color))}}, row.name);
        return;
    }
    // Only what the user typed is set: an untouched editor never writes its text back.
    auto *line = qobject_cast<QLineEdit *>(editor);
    if (line && !line->isReadOnly() && line->isModified())
        m_d.applyText(rowIndex, line->text());
}

bool TfrPropertyDelegate::editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                                      const QModelIndex &index)
{
    // A check box cell toggles wherever it is clicked, not just on the box.
    if (event->type() == QEvent::MouseButtonRelease && (index.flags() & Qt::ItemIsUserCheckable) &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        const bool on = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        model->setData(index, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick && (index.flags() & Qt::ItemIsUserCheckable))
        return true;
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

bool TfrPropertyDelegate::eventFilter(QObject *object, QEvent *event)
{
    // In a cell that only has a "…" button, a double click or Enter opens the dialog.
    auto *line = qobject_cast<QLineEdit *>(object);
    if (line && line->property("buttonOnly").toBool()) {
        const bool open = event->type() == QEvent::MouseButtonDblClick ||
                          (event->type() == QEvent::KeyPress &&
                           (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Return ||
                            static_cast<QKeyEvent *>(event)->key() == Qt::Key_Enter));
        if (open && !line->actions().isEmpty()) {
            line->actions().constFirst()->trigger();
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

// ---- the widget ----

TfrObjectInspector::TfrObjectInspector(TfrDesignerDocument &doc, QWidget *parent)
    : QWidget(parent), d(std::make_unique<Private>())
{
    d->q = this;
    d->doc = &doc;
    d->dialogs.message = [](QWidget *parent, const QString &text) {
        QMessageBox::warning(parent, tr("Внимание!"), text);
    };
    d->dialogs.font = [](QWidget *parent, TfrFont &font) {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, toQFont(font), parent, tr("Шрифт"));
        if (ok)
            fromQFont(chosen, font);
        return ok;
    };
    d->dialogs.color = [](QWidget *parent, qint32 &color) {
        const QColor chosen = QColorDialog::getColor(color == clNone ? QColor(Qt::white) : frQColor(color), parent, tr("Цвет"));
        if (!chosen.isValid())
            return false;
        color = frColorValue(chosen);
        return true;
    };
    d->dialogs.text = textDialog;
    d->dialogs.restrictions = restrictionsDialog;
    d->dialogs.script = [](QWidget *parent, const QString &title, QStringList &script) {
        return frEditScript(parent, title, script);
    };
    d->dialogs.property = [this](QWidget *parent, const QString &property) {
        return frEditProperty(parent, *d->doc, property);
    };

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    d->combo = new QComboBox(this);
    d->combo->setObjectName(QStringLiteral("objectCombo"));
    d->combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    d->combo->setMinimumContentsLength(12);
    layout->addWidget(d->combo);

    d->view = new QTableView(this);
    d->view->setObjectName(QStringLiteral("propertyGrid"));
    d->model = new TfrPropertyModel(*d, this);
    d->view->setModel(d->model);
    d->view->setItemDelegate(new TfrPropertyDelegate(*d, d->view));
    d->view->setSelectionBehavior(QAbstractItemView::SelectRows);
    d->view->setSelectionMode(QAbstractItemView::SingleSelection);
    d->view->setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::DoubleClicked |
                             QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    // A click on the row whose editor was just closed opens it again at once.
    connect(d->view, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        if (index.isValid() && !d->view->indexWidget(index) && (index.flags() & Qt::ItemIsEditable))
            d->view->edit(index);
    });
    d->view->setTabKeyNavigation(true);
    d->view->horizontalHeader()->hide();
    d->view->horizontalHeader()->setStretchLastSection(true);
    d->view->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    d->view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    d->view->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    d->view->verticalHeader()->setMaximumWidth(160);
    d->view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    d->view->setWordWrap(false);
    layout->addWidget(d->view, 1);
    setMinimumWidth(200);

    d->refreshTimer.setSingleShot(true);
    d->refreshTimer.setInterval(0);
    connect(&d->refreshTimer, &QTimer::timeout, this, &TfrObjectInspector::Refresh);
    connect(&doc, &TfrDesignerDocument::SelectionChanged, this, &TfrObjectInspector::Refresh);
    connect(&doc, &TfrDesignerDocument::CurrentPageChanged, this, &TfrObjectInspector::Refresh);
    connect(&doc, &TfrDesignerDocument::Changed, this, [this](const TfrChange &change) {
        // A replaced template leaves no view standing: read it again before anything paints.
        if (change.kind == frcReplaced)
            Refresh();
        else
            d->refreshTimer.start();
    });
    connect(d->combo, &QComboBox::activated, this, [this](int index) {
        if (index < 0 || index >= d->comboIds.size())
            return;
        const qint32 id = d->comboIds.at(index);
        TfrPage *page = d->doc->CurrentPage();
        if (!page)
            return;
        if (id < 0) {
            d->doc->ClearSelection();
            return;
        }
        const int at = page->FindObjectByID(id);
        if (at >= 0)
            d->doc->Select(page->Objects[size_t(at)].get());
    });
    Refresh();
}

TfrObjectInspector::~TfrObjectInspector() = default;

TfrObjectInspector::Dialogs &TfrObjectInspector::InspectorDialogs() { return d->dialogs; }

QComboBox *TfrObjectInspector::ObjectCombo() const { return d->combo; }

QAbstractItemView *TfrObjectInspector::PropertyView() const { return d->view; }

QStringList TfrObjectInspector::PropertyNames() const
{
    QStringList names;
    for (const TfrPropertyRow &r : std::as_const(d->model->rows))
        names.append(r.name);
    return names;
}

int TfrObjectInspector::PropertyRow(const QString &name) const
{
    for (qsizetype i = 0; i < d->model->rows.size(); ++i)
        if (d->model->rows.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

QString TfrObjectInspector::ValueText(const QString &name) const
{
    const TfrPropertyRow *r = d->row(name);
    return r ? r->text : QString();
}

bool TfrObjectInspector::IsReadOnly(const QString &name) const
{
    const TfrPropertyRow *r = d->row(name);
    return !r || r->readOnly;
}

bool TfrObjectInspector::SetValue(const QString &name, const TfrVariant &value)
{
    const TfrPropertyRow *r = d->row(name);
    if (!r || r->readOnly)
        return false;
    return d->apply({{r->key, value}}, r->name);
}

void TfrObjectInspector::Refresh() { d->refresh(); }
