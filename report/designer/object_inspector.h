// The "Инспектор объектов" dock's contents: a combo box naming the selected object (and
// selecting by name), and the selection's properties in the order the object defines them,
// each with an editor of its kind. Several selected objects show the properties they share;
// a value that differs shows empty, and setting it sets all. Each edit is one step of the
// document; a value an object refuses shows the object's message and keeps the old one.
#pragma once

#include <QWidget>
#include <memory>

class TfrDesignerDocument;

class TfrObjectInspector : public QWidget {
    Q_OBJECT
public:
    explicit TfrObjectInspector(TfrDesignerDocument &doc, QWidget *parent = nullptr);
    ~TfrObjectInspector() override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
