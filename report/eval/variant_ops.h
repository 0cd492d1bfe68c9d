// The value rules of the expression language: arithmetic, logic and comparison over
// every pair of variant kinds. The parser applies them to its operands; the script
// interpreter and the aggregates use the same functions so a value behaves alike
// wherever it is combined.
//
// Errors: null in arithmetic or in an ordering comparison raises EVariantError
// "Invalid variant operation"; text that cannot become a number raises the variant
// conversion error of TfrVariant; MOD by zero raises EDivByZero "Division by zero".
#pragma once

#include "report/eval/variant.h"

TfrVariant frVarAdd(const TfrVariant &a, const TfrVariant &b);
TfrVariant frVarSub(const TfrVariant &a, const TfrVariant &b);
TfrVariant frVarMul(const TfrVariant &a, const TfrVariant &b);
// The language's "/": a divisor equal to 0 yields the integer 0, otherwise a real
// quotient (empty / empty stays empty).
TfrVariant frVarDiv(const TfrVariant &a, const TfrVariant &b);
TfrVariant frVarMod(const TfrVariant &a, const TfrVariant &b);
// Bitwise on integers, logical on booleans (and on a string with a boolean).
TfrVariant frVarAnd(const TfrVariant &a, const TfrVariant &b);
TfrVariant frVarOr(const TfrVariant &a, const TfrVariant &b);
// Unary minus.
TfrVariant frVarNeg(const TfrVariant &a);

enum class TfrCompareOp { Less, LessEqual, Equal, NotEqual, GreaterEqual, Greater };

// Whether "a op b" holds. Null is equal only to null; ordering a null raises. Empty is
// below every other value; strings compare byte by byte by their Windows-1251 codes.
bool frVarCompare(const TfrVariant &a, const TfrVariant &b, TfrCompareOp op);
inline bool frVarEquals(const TfrVariant &a, const TfrVariant &b)
{
    return frVarCompare(a, b, TfrCompareOp::Equal);
}
