// The "Инспектор объектов" dock's contents: a combo box naming the selected object (and
// selecting by name), and the selection's properties in the order the object defines them,
// each with an editor of its kind. Several selected objects show the properties they share;
// a value that differs shows empty, and setting it sets all. Each edit is one step of the
// document; a value an object refuses shows the object's message and keeps the old one.
//
// With nothing selected the inspector shows the current page's properties. It keeps no
// pointers to views between refreshes: what it inspects is read from the document again
// whenever the selection or the template changes (undo replaces every view).
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

class QAbstractItemView;
class QComboBox;
class TfrDesignerDocument;
class TfrVariant;
struct TfrFont;

class TfrObjectInspector : public QWidget {
    Q_OBJECT
public:
    explicit TfrObjectInspector(TfrDesignerDocument &doc, QWidget *parent = nullptr);
    ~TfrObjectInspector() override;

    // The inspector's dialogs and messages. Each has a working default; tests replace them so
    // nothing waits for a person.
    struct Dialogs {
        // A refused value or a name that cannot be used.
        std::function<void(QWidget *parent, const QString &text)> message;
        // True and the chosen font when accepted.
        std::function<bool(QWidget *parent, TfrFont &font)> font;
        // True and the chosen colour (0x00BBGGRR) when accepted.
        std::function<bool(QWidget *parent, qint32 &color)> color;
        // A text property; multiLine for text lists (Memo, scripts).
        std::function<bool(QWidget *parent, const QString &title, QString &text, bool multiLine)> text;
        // The restriction bits (frrf...).
        std::function<bool(QWidget *parent, quint16 &restrictions)> restrictions;
        // Script lines (a band's or page's events): the script editor.
        std::function<bool(QWidget *parent, const QString &title, QStringList &script)> script;
        // A property with an editor of the designer's own (display format, highlight, …) on
        // the inspected objects; true when it changed them.
        std::function<bool(QWidget *parent, const QString &property)> property;
    };
    Dialogs &InspectorDialogs();

    QComboBox *ObjectCombo() const;
    QAbstractItemView *PropertyView() const;

    // The listed properties, in order.
    QStringList PropertyNames() const;
    // Row of a listed property (name ignoring case), or -1.
    int PropertyRow(const QString &name) const;
    // The value as the grid shows it; empty where the inspected objects differ.
    QString ValueText(const QString &name) const;
    bool IsReadOnly(const QString &name) const;
    // Sets the property on every inspected object in one step, exactly as an edit in the
    // grid does (refusals included); false when it was refused.
    bool SetValue(const QString &name, const TfrVariant &value);

public slots:
    // Reads the inspected objects and their values from the document again.
    void Refresh();

private:
    struct Private;
    std::unique_ptr<Private> d;
    friend class TfrPropertyModel;
    friend class TfrPropertyDelegate;
};
