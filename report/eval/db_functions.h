// The database function library: FIELDISNULL(reference).
#pragma once

#include "report/eval/function_library.h"

class TDatabaseFunctionLibrary : public TfrFunctionLibrary {
public:
    TDatabaseFunctionLibrary();
    QString ClassName() const override { return QStringLiteral("TDatabaseFunctionLibrary"); }
    void DoFunction(int FNo, const TfrVariant &p1, const TfrVariant &p2, const TfrVariant &p3,
                    TfrVariant &val) override;
};

// Whether the field a reference names is null in the current record; true also when the
// reference names no data set. A reference without a data set part uses the default data
// set when useDefaultDataSet is set, else none.
bool frFieldIsNull(const QString &reference, bool useDefaultDataSet);
