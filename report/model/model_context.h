// What value resolution reads from the report objects: the current report's data set,
// dictionary and events, the current page's metrics, the current band's counters, the
// current view's format, and object properties by qualified name. Installed by
// frGlobals at start-up.
#pragma once

#include "report/eval/value_resolution.h"

class TfrModelValueContext : public TfrValueContext {
public:
    QObject *ReportOwner() const override;
    TfrDataDictionary *Dictionary() const override;
    TfrDataset *ReportDataset() const override;
    void OnGetValue(const QString &name, TfrVariant &value) override;
    TfrDocInfo DocInfo() const override;
    bool FinalPass() const override;

    int PosY() const override;
    int LimitY() const override;
    int RightMargin() const override;
    int CrossColumnNo() const override;
    int RecordNo() const override;

    int LineNo() const override;
    int LineThroughNo() const override;
    int CurrentBandType() const override;
    TfrDataset *PageBandDataset(int bandType) const override;

    bool ViewFormat(quint32 &format, QString &formatStr) const override;
    bool ViewHidesZeros() const override;
    int CalcWidth() override;

    bool GetObjectProperty(const QString &name, TfrVariant &value) override;
};
