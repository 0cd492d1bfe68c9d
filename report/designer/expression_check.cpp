// Whether the engine's parser accepts an expression (see the header).
#include "report/designer/expression_check.h"

#include "report/eval/errors.h"
#include "report/eval/parser.h"

namespace {

// A failure already decided by a nested check: passed on as it is.
class CheckFailure : public EfrError {
    using EfrError::EfrError;
};

// The expression part of a bracket group's content: the text before an inline format.
QString expressionPart(const QString &content)
{
    const qsizetype format = content.indexOf(QLatin1String(" #"));
    return format < 0 ? content : content.left(format);
}

// True for an error that depends on the values only: the check's stand-in values are
// empty, so a conversion that fails on the empty text, or a division by zero, says nothing
// about the expression.
bool dependsOnValues(const EfrError &e)
{
    if (dynamic_cast<const EDivByZero *>(&e))
        return true;
    return dynamic_cast<const EConvertError *>(&e) && e.message().startsWith(QLatin1String("''"));
}

class Checker {
public:
    Checker()
    {
        m_parser.NameHandler = TGetPValueEvent::bind<&Checker::name>(this);
        m_parser.FunctionHandler = TFunctionEvent::bind<&Checker::function>(this);
    }

    // Throws CheckFailure with the parser's message when the text is refused.
    void check(const QString &text)
    {
        if (text.trimmed().isEmpty())
            return;
        if (++m_depth > frParserMaxDepth)
            throw CheckFailure(QStringLiteral("Expression nested too deeply"));
        try {
            checkBuiltInArguments(text);
            m_parser.Calc(text);
        } catch (const CheckFailure &) {
            --m_depth;
            throw;
        } catch (const EfrError &e) {
            --m_depth;
            if (dependsOnValues(e))
                return;
            throw CheckFailure(e.message());
        }
        --m_depth;
    }

private:
    void name(const QString &s, TfrVariant &v)
    {
        v = TfrVariant(); // no value
        const QString text = s.trimmed();
        // A name (a variable's may hold blanks: "Sum total") is looked up, not evaluated;
        // a bracket group's content with operators is an expression of its own.
        if (!looksLikeName(text))
            check(expressionPart(text));
    }

    // Outside double quotes no operator, parenthesis, bracket or text literal.
    static bool looksLikeName(const QString &text)
    {
        bool quoted = false;
        for (QChar c : text) {
            if (c == u'"')
                quoted = !quoted;
            else if (!quoted && QStringView(u"+-*/<>=()[]'").contains(c))
                return false;
        }
        return true;
    }

    void function(const QString &, const TfrVariant &p1, const TfrVariant &p2, const TfrVariant &p3, TfrVariant &v)
    {
        v = TfrVariant();
        for (const TfrVariant *p : {&p1, &p2, &p3})
            check(p->toString());
    }

    // The parser evaluates COPY, IF, STRTODATE and STRTOTIME itself, and IF only one of its
    // branches: their arguments are checked here, each one.
    void checkBuiltInArguments(const QString &text)
    {
        static const QStringList builtIns{QStringLiteral("COPY"), QStringLiteral("IF"), QStringLiteral("STRTODATE"),
                                          QStringLiteral("STRTOTIME")};
        QStringList calls;
        TfrFunctionSplitter(builtIns, calls).Split(text);
        for (const QString &call : std::as_const(calls)) {
            int i = int(call.indexOf(QLatin1Char('('))) + 1;
            QString a1, a2, a3;
            TfrParser::Get3Parameters(call, i, a1, a2, a3);
            for (const QString &a : {a1, a2, a3})
                check(a);
        }
    }

    TfrParser m_parser;
    int m_depth = 0;
};

} // namespace

bool frCheckExpression(const QString &expression, QString *message, bool inlineFormat)
{
    try {
        Checker().check(inlineFormat ? expressionPart(expression) : expression);
        return true;
    } catch (const EfrError &e) {
        if (message)
            *message = e.message().isEmpty() ? QStringLiteral("Не закрыта скобка вызова функции") : e.message();
        return false;
    }
}

QString frExpressionMessageText(const QString &message)
{
    static const std::pair<const char *, const char *> kExplained[] = {
        {"Missing operand", "не хватает операнда"},
        {"Missing operator", "не хватает оператора между значениями"},
        {"is not a valid floating point value", "не число"},
        {"is not a valid integer value", "не целое число"},
        {"is not a valid date", "не дата"},
        {"is not a valid time", "не время"},
        {"Could not convert variant", "значение не того типа"},
        {"nested too deeply", "слишком глубокая вложенность"},
        {"too complex", "слишком сложное выражение"},
    };
    for (const auto &[english, russian] : kExplained)
        if (message.contains(QLatin1String(english)))
            return QString::fromUtf8(russian) + QStringLiteral(" (") + message + QLatin1Char(')');
    return message;
}
