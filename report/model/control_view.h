// The two bases of dialog-page controls that add-in classes derive from. The hosted
// platform control lives with the user interface; here it is only referred to.
#pragma once

#include <QObject>

#include "report/model/view.h"

class TfrControl : public TfrView {
public:
    TfrControl();
    QString ClassName() const override { return QStringLiteral("TfrControl"); }

    QObject *hostedControl = nullptr; // the platform control, not owned, not streamed

    void DefineProperties() override;
    // Paints the control's area in the button-face colour; the user interface renders
    // the hosted control itself.
    void Draw(QPainter *canvas) override;
};

// A control without a face of its own (a data set on a dialog page): always 28 × 28.
class TfrNonVisualControl : public TfrControl {
public:
    TfrNonVisualControl();
    QString ClassName() const override { return QStringLiteral("TfrNonVisualControl"); }

    QObject *hostedComponent = nullptr; // not owned
    QStringList nameFixups;

    void DefineProperties() override;
    void SetPropValue(const QString &Name, const TfrVariant &Value) override;
    void Draw(QPainter *canvas) override;
};
