// The script language of pages, bands and objects: begin/end blocks, assignments, if,
// repeat, while, for, goto and calls, compiled into one-line commands and run.
//
// Compiled script, one command per line, addressed by 0-based line number (line numbers
// are 16 bits, low byte first):
// | first char | layout                            | when run                                |
// |------------|-----------------------------------|-----------------------------------------|
// | 1          | 1, target (2), postfix condition  | condition = 0: go to target, else next  |
// | 2          | 2, target (2)                     | go to target                            |
// | 3          | 3, postfix expression             | evaluate for its effect; EXIT(0) stops  |
// | other      | name, one space, postfix          | evaluate and assign to name (SetValue)  |
// A jump beyond the last line ends the script. Stored scripts keep these forms.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "report/eval/parser.h"

class TfrInterpretator {
public:
    TfrInterpretator();
    virtual ~TfrInterpretator();
    TfrInterpretator(const TfrInterpretator &) = delete;
    TfrInterpretator &operator=(const TfrInterpretator &) = delete;

    // The base versions do nothing (names and calls stay null, assignments are dropped).
    virtual void GetValue(const QString &Name, TfrVariant &Value);
    virtual void SetValue(const QString &Name, const TfrVariant &Value);
    virtual void DoFunction(const QString &Name, const TfrVariant &p1, const TfrVariant &p2,
                            const TfrVariant &p3, TfrVariant &val);

    // Compiles MemoFrom into MemoTo (which may be the same list); both lists are cleared
    // first. Compile errors never raise: each adds "Line L/C: message" to MemoErr (L and C
    // 1-based in the source, comments counted) and stops compiling; MemoTo keeps the
    // lines produced so far.
    virtual void PrepareScript(const QStringList &MemoFrom, QStringList &MemoTo, QStringList &MemoErr);
    // Runs a compiled script from line 0. Errors of evaluation and assignment propagate.
    // A loop ends once the run context reports the report as terminated.
    virtual void DoScript(const QStringList &Memo);

    // Runs a function splitter over the expression of every compiled line.
    void SplitExpressions(const QStringList &Memo, const QStringList &MatchFuncs, QStringList &SplitTo,
                          TfrFunctionSplitter::VariableLookup variables = {});

    TfrParser &Parser() { return m_parser; }

private:
    TfrParser m_parser;
};

// The engine's interpreter: names resolve as in text objects (GetVariableValue), calls
// go to the report's function dispatcher, assignments follow frAssignValue.
class TInterpretator : public TfrInterpretator {
public:
    void GetValue(const QString &Name, TfrVariant &Value) override;
    void SetValue(const QString &Name, const TfrVariant &Value) override;
    void DoFunction(const QString &Name, const TfrVariant &p1, const TfrVariant &p2,
                    const TfrVariant &p3, TfrVariant &val) override;
};

// The shared interpreter of the engine; always valid.
extern TfrInterpretator *frInterpretator;

// The assignment rules of scripts, names compared without regard to case:
//   1. an entry of frVariables gets the value;
//   2. a dictionary variable or field (IsVariable) is stored in the dictionary's VarList;
//   3. MODALRESULT sets the dialog page's modal result;
//   4. CURY sets the page's print position;
//   5. PROGRESS shows the value's text in the progress window;
//   6. an object property the name addresses is set; failing that, the name becomes an
//      entry of frVariables.
void frAssignValue(const QString &name, const TfrVariant &value);

// The expression of a compiled line as the aggregate collector scans it: the condition
// of a type-1 line, the expression of a type-3 line, the text after the name of an
// assignment; nothing for a jump.
std::optional<QString> frCompiledLineExpression(const QString &line);
