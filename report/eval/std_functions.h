// The standard function library: aggregates, date parts, formatting, text functions,
// the input and message boxes, and the larger and smaller of two values.
//
// Function numbers (the position in the name list):
//   0 AVG        1 COUNT      2 DAYOF      3 FORMATDATETIME  4 FORMATFLOAT
//   5 FORMATTEXT 6 INPUT      7 LENGTH     8 LOWERCASE       9 MAX
//  10 MAXNUM    11 MESSAGEBOX 12 MIN      13 MINNUM         14 MONTHOF
//  15 NAMECASE  16 POS        17 SUM      18 TRIM           19 UPPERCASE
//  20 YEAROF
// Every argument arrives as text and is evaluated with the shared parser; texts are the
// values' text forms, dates and numbers their real values.
#pragma once

#include "report/eval/function_library.h"

class TfrStdFunctionLibrary : public TfrFunctionLibrary {
public:
    TfrStdFunctionLibrary();
    QString ClassName() const override { return QStringLiteral("TfrStdFunctionLibrary"); }
    void DoFunction(int FNo, const TfrVariant &p1, const TfrVariant &p2, const TfrVariant &p3,
                    TfrVariant &val) override;
};

// Text without leading and trailing blanks and control characters.
QString frTrimText(const QString &text);
// Lower case with the first character in upper case.
QString frNameCase(const QString &text);
