// A line: horizontal when it is wider than high, else vertical; drawn with the frame pen.
#pragma once

#include "report/model/view.h"

class TfrLineView : public TfrStretcheable {
public:
    TfrLineView();
    QString ClassName() const override { return QStringLiteral("TfrLineView"); }

    void DefineProperties() override;
    // Makes the line horizontal (Height 0, top side) or vertical (Width 0, left side) for good.
    void Draw(QPainter *canvas) override;
    void StreamOut(TfrStream &Stream) override;
    QRegion GetClipRgn(TfrRgnType RegionType) override;
    int CalcHeight() override { return Height; }
    int MinHeight() override { return 1; }
    int LostSpace() override { return 0; }
};
