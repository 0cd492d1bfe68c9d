// A reference to the page that holds a sub-report's bands.
#pragma once

#include "report/model/view.h"

class TfrSubReportView : public TfrView {
public:
    TfrSubReportView();
    QString ClassName() const override { return QStringLiteral("TfrSubReportView"); }

    qint32 subPageIndex = 0; // zero-based index of the page in the report's page list

    void Draw(QPainter *canvas) override;
    void LoadFromStream(TfrStream &Stream) override;
    void SaveToStream(TfrStream &Stream) override;
};
