// The expression language: translation of infix text into a postfix string and the
// evaluation of that string, plus the scanning functions the rest of the engine uses to
// find names, literals, bracket groups and function calls inside text.
//
// Postfix string (kept by scripts and band conditions between translation and use):
//
//   operand   its source text and one space: "12.5 ", "PAGE# ", "'it''s' ", "[T."Sum"] ",
//             "Arr[2] "
//   call      name and the whole parenthesised argument text, no space: "COPY(s, 1, 3)"
//   operator  one character, see TfrOperator
//
// Positions in all functions here are 1-based character indexes.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

#include "report/eval/variant.h"

// A callback that costs nothing to call: a plain function and the context it was bound
// to. Binding never allocates; whoever binds keeps the context alive.
template <class Signature> class TfrCallback;

template <class R, class... Args> class TfrCallback<R(Args...)> {
public:
    using Function = R (*)(void *context, Args...);

    TfrCallback() = default;
    TfrCallback(Function function, void *context) : m_function(function), m_context(context) {}

    // TfrCallback<...>::bind<&TfrReport::GetVariableValue>(report)
    template <auto Method, class T> static TfrCallback bind(T *object)
    {
        return TfrCallback(
            [](void *context, Args... args) -> R {
                return (static_cast<T *>(context)->*Method)(std::forward<Args>(args)...);
            },
            object);
    }
    // A callable object (a lambda kept in a variable, a functor member) that outlives
    // the callback.
    template <class F> static TfrCallback ref(F &callable)
    {
        return TfrCallback(
            [](void *context, Args... args) -> R {
                return (*static_cast<F *>(context))(std::forward<Args>(args)...);
            },
            &callable);
    }

    explicit operator bool() const { return m_function != nullptr; }
    R operator()(Args... args) const { return m_function(m_context, std::forward<Args>(args)...); }

private:
    Function m_function = nullptr;
    void *m_context = nullptr;
};

// (name, value): resolves a name or the content of a bracket group; value comes in null.
using TGetPValueEvent = TfrCallback<void(const QString &s, TfrVariant &v)>;
// (upper-cased name, the three argument texts as strings, result): any call other than
// the built-ins; the result comes in null.
using TFunctionEvent = TfrCallback<void(const QString &Name, const TfrVariant &p1,
                                        const TfrVariant &p2, const TfrVariant &p3,
                                        TfrVariant &Val)>;

// Operator characters of the postfix string. The values are stored in compiled scripts
// and conditions, so they never change. Byte 13 doubles as carriage return, which the
// translation drops from the source, so in postfix text it always means MOD.
namespace TfrOperator {
inline constexpr char16_t GreaterEqual = 1;
inline constexpr char16_t LessEqual = 2;
inline constexpr char16_t NotEqual = 3;
inline constexpr char16_t Or = 4;
inline constexpr char16_t And = 5;
inline constexpr char16_t Int = 6;
inline constexpr char16_t Frac = 7;
inline constexpr char16_t UnaryMinus = 9;
inline constexpr char16_t UnaryPlus = 10;
inline constexpr char16_t Str = 11;
inline constexpr char16_t Not = 12;
inline constexpr char16_t Mod = 13;
inline constexpr char16_t Round = 14;
// The others are written as themselves: * / + - < = > and ( on the operator stack.
} // namespace TfrOperator

// Binding priority of an operator character; a smaller number binds tighter. Characters
// that are no operator give -1.
int frOperatorPriority(char16_t op);

// Operand slots of one evaluation.
inline constexpr int frParserStackSize = 32;
// Nested evaluations (built-in arguments, handlers calling Calc again) allowed at once.
inline constexpr int frParserMaxDepth = 200;

class TfrParser {
public:
    TGetPValueEvent NameHandler;
    TFunctionEvent FunctionHandler;

    // CalcOPZ(Str2OPZ(s)).
    TfrVariant Calc(const QString &s) const;
    QString Str2OPZ(const QString &s) const;
    TfrVariant CalcOPZ(const QString &s) const;

    // A name from position i, after skipping characters up to the space code; i is left
    // on the stop character. Double-quoted parts may hold stop characters.
    static QString GetIdentify(const QString &s, int &i);
    // The quoted literal at i, quotes included; i is left after the closing quote.
    static QString GetString(const QString &s, int &i);
    // The argument texts of the call whose "(" is at i; i is left after the ")". A call
    // without its ")" raises EfrError with an empty message.
    static void Get3Parameters(const QString &s, int &i, QString &s1, QString &s2, QString &s3);
};

// The shared parser of the engine; always valid.
extern TfrParser *frParser;

// The bracket group whose "[" is at i: returns the text between the outermost brackets,
// i is the opening and j the closing position. Brackets inside quotes do not count.
QString GetBrackedVariable(const QString &s, int &i, int &j);

// Finds the calls of given functions inside expressions, following bracket groups and
// variables into their texts. Variables are reached through a lookup that answers the
// value text of a variable, or nothing for a name that is no variable.
class TfrFunctionSplitter {
public:
    using VariableLookup = std::function<std::optional<QString>(const QString &name)>;

    TfrFunctionSplitter(const QStringList &SearchNames, QStringList &Results,
                        VariableLookup variables = {});

    // Appends to Results the text of every call of a function in SearchNames, innermost
    // first.
    void Split(const QString &s);

private:
    void split(const QString &s, int depth);
    std::optional<QString> variable(const QString &name) const;

    const QStringList &m_searchNames;
    QStringList &m_results;
    VariableLookup m_variables;
    QStringList m_expanding; // variables being followed, so a circular one ends
};
