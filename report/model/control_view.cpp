#include "report/model/control_view.h"

#include <QPainter>

TfrControl::TfrControl()
{
    Typ = otAddIn;
    FillColor = clBtnFace;
    FrameTyp = 0;
}

void TfrControl::DefineProperties()
{
    ClearPropList();
    AddProperty(QStringLiteral("Name"), {frdtString, frdtOneObject});
    AddProperty(QStringLiteral("Left"), {frdtSize});
    AddProperty(QStringLiteral("Top"), {frdtSize});
    AddProperty(QStringLiteral("Width"), {frdtSize});
    AddProperty(QStringLiteral("Height"), {frdtSize});
    AddProperty(QStringLiteral("Visible"), {frdtBoolean});
    AddProperty(QStringLiteral("Restrictions"), {frdtHasEditor});
}

void TfrControl::Draw(QPainter *canvas)
{
    BeginDraw(canvas);
    if (Canvas && !DisableDrawing)
        Canvas->fillRect(QRect(Left, Top, Width, Height), frQColor(FillColor));
}

TfrNonVisualControl::TfrNonVisualControl()
{
    Width = Height = 28;
}

void TfrNonVisualControl::DefineProperties()
{
    ClearPropList();
    AddProperty(QStringLiteral("Name"), {frdtString, frdtOneObject});
    AddProperty(QStringLiteral("Restrictions"), {frdtHasEditor});
}

void TfrNonVisualControl::SetPropValue(const QString &AName, const TfrVariant &Value)
{
    TfrControl::SetPropValue(AName, Value);
    const QString n = AName.toUpper();
    if (n == QLatin1String("NAME") && hostedComponent)
        hostedComponent->setObjectName(Name);
}

void TfrNonVisualControl::Draw(QPainter *canvas)
{
    Width = Height = 28;
    BeginDraw(canvas);
    CalcGaps();
    if (Canvas && !DisableDrawing) {
        const QRect r = innerRect.toQRect();
        Canvas->fillRect(QRect(Left, Top, Width, Height), frQColor(clBtnFace));
        Canvas->setPen(frQColor(clBtnHighlight));
        Canvas->drawLine(r.topLeft(), r.topRight());
        Canvas->drawLine(r.topLeft(), r.bottomLeft());
        Canvas->setPen(frQColor(clBtnShadow));
        Canvas->drawLine(r.bottomLeft(), r.bottomRight());
        Canvas->drawLine(r.topRight(), r.bottomRight());
    }
    RestoreCoord();
}
