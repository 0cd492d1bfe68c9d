#include "report/eval/parser.h"

#include <QVarLengthArray>
#include <array>
#include <cmath>

#include "report/eval/date_format.h"
#include "report/eval/number_format.h"
#include "report/eval/variant_ops.h"

namespace {

TfrParser frParserInstance;

// Scanning works on 0-based positions; the public functions translate.

bool isNameStop(char16_t c)
{
    switch (c) {
    case 13: case ' ': case '(': case ')': case '*': case '+': case '-': case '/':
    case '<': case '=': case '>': case '[':
        return true;
    default:
        return false;
    }
}

bool isAsciiDigit(char16_t c) { return c >= '0' && c <= '9'; }

bool startsNumber(QStringView t)
{
    return !t.isEmpty() && (isAsciiDigit(t[0].unicode()) || t[0] == u'.' || t[0] == u',');
}

// Keywords and TRUE/FALSE are ASCII; comparing them in ASCII keeps exotic case
// mappings (dotless i and the like) from turning names into operators.
bool equalsAsciiNoCase(QStringView t, const char *word)
{
    qsizetype k = 0;
    for (; word[k]; ++k) {
        if (k >= t.size())
            return false;
        char16_t c = t[k].unicode();
        if (c >= 'a' && c <= 'z')
            c = char16_t(c - 'a' + 'A');
        if (c != char16_t(word[k]))
            return false;
    }
    return k == t.size();
}

struct Span {
    int start = 0;
    int end = 0;
    int size() const { return end - start; }
};

Span scanIdentify(QStringView s, int &pos)
{
    const int n = int(s.size());
    while (pos < n && s[pos].unicode() <= ' ')
        ++pos;
    const Span span{pos, pos};
    int quotes = 0;
    for (;;) {
        while (pos < n && !isNameStop(s[pos].unicode())) {
            if (s[pos] == u'"')
                ++quotes;
            ++pos;
        }
        // Inside double quotes a stop character belongs to the name (Table1."Sum total").
        if ((quotes & 1) && pos < n - 1) {
            ++pos;
            continue;
        }
        break;
    }
    return {span.start, pos};
}

// pos on the opening quote; leaves pos after the literal. closed tells whether a
// closing quote was found.
Span scanString(QStringView s, int &pos, bool &closed)
{
    const int n = int(s.size());
    const int start = pos++;
    closed = false;
    for (;;) {
        while (pos < n && s[pos] != u'\'')
            ++pos;
        if (pos >= n)
            break;
        if (pos + 1 < n && s[pos + 1] == u'\'') {
            pos += 2;
            continue;
        }
        ++pos;
        closed = true;
        break;
    }
    return {start, pos};
}

// The bracket group at i: sets j to its closing position and returns the content span.
Span scanBracket(QStringView s, int i, int &j)
{
    const int n = int(s.size());
    j = i;
    if (i < 0 || i >= n || s[i] != u'[')
        return {i, i};
    int depth = 0;
    bool inSingle = false, inDouble = false;
    for (;;) {
        const char16_t c = s[j].unicode();
        if (!inSingle && !inDouble) {
            if (c == '[')
                ++depth;
            else if (c == ']')
                --depth;
        }
        if (!inSingle && c == '"')
            inDouble = !inDouble;
        if (!inDouble && c == '\'')
            inSingle = !inSingle;
        if (depth == 0 || j >= n - 1)
            break;
        ++j;
    }
    return {i + 1, std::max(i + 1, j)};
}

// pos on "(": the argument spans, pos left after ")".
void scanParameters(QStringView s, int &pos, Span args[3])
{
    const int n = int(s.size());
    int depth = 1, number = 1, start = pos + 1;
    bool inQuotes = false;
    int k = pos;
    for (;;) {
        ++k;
        if (k >= n)
            break;
        const char16_t c = s[k].unicode();
        if (c == '\'') {
            inQuotes = !inQuotes;
            continue;
        }
        if (inQuotes)
            continue;
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (--depth == 0)
                break;
        } else if (c == ',' && depth == 1) {
            // More than three arguments keep overwriting the second.
            args[number == 1 ? 0 : 1] = {start, k};
            ++number;
            start = k + 1;
        }
    }
    if (depth != 0)
        throw EfrError(QString());
    if (number <= 3)
        args[number - 1] = {start, k};
    pos = k + 1;
}

QString textOf(const QString &s, Span span)
{
    return span.size() > 0 ? s.mid(span.start, span.size()) : QString();
}

int priorityOf(char16_t op)
{
    switch (op) {
    case TfrOperator::Int: case TfrOperator::Frac: case TfrOperator::Str: case TfrOperator::Round:
        return 0;
    case TfrOperator::Or: case TfrOperator::And: case TfrOperator::Not: case TfrOperator::Mod:
    case '*': case '/':
        return 1;
    case TfrOperator::UnaryMinus: case TfrOperator::UnaryPlus: case '+': case '-':
        return 2;
    case TfrOperator::GreaterEqual: case TfrOperator::LessEqual: case TfrOperator::NotEqual:
    case '<': case '=': case '>':
        return 3;
    case '(':
        return 5;
    default:
        return -1;
    }
}

struct Keyword {
    const char *word;
    char16_t op;
};
constexpr std::array<Keyword, 8> kKeywords = {{
    {"INT", TfrOperator::Int}, {"FRAC", TfrOperator::Frac}, {"ROUND", TfrOperator::Round},
    {"OR", TfrOperator::Or}, {"AND", TfrOperator::And}, {"NOT", TfrOperator::Not},
    {"STR", TfrOperator::Str}, {"MOD", TfrOperator::Mod},
}};

// Nested evaluations of this thread, over every parser: handlers may evaluate through
// another parser instance, and an endless chain must end in an error, not in a crashed
// stack.
thread_local int tEvaluationDepth = 0;

class DepthGuard {
public:
    DepthGuard()
    {
        if (tEvaluationDepth >= frParserMaxDepth)
            throw EfrError(QStringLiteral("Expression nested too deeply"));
        ++tEvaluationDepth;
    }
    ~DepthGuard() { --tEvaluationDepth; }
    DepthGuard(const DepthGuard &) = delete;
    DepthGuard &operator=(const DepthGuard &) = delete;
};

// A number literal; points and commas both stand for the decimal separator. Short
// plain literals are read directly (exactly, as the full conversion would) so that
// evaluating stored postfix text does not allocate.
double numberLiteral(QStringView t)
{
    static constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    qint64 mantissa = 0;
    int digits = 0, decimals = 0;
    bool separator = false, plain = true;
    for (QChar ch : t) {
        const char16_t c = ch.unicode();
        if (isAsciiDigit(c) && digits < 15) {
            mantissa = mantissa * 10 + (c - '0');
            ++digits;
            decimals += separator;
        } else if ((c == '.' || c == ',') && !separator) {
            separator = true;
        } else {
            plain = false;
            break;
        }
    }
    if (plain && digits > 0)
        return double(mantissa) / kPow10[decimals];

    const TfrFormatSettings &fs = frFormatSettings();
    QString text = t.toString();
    for (QChar &ch : text) {
        if (ch == u'.' || ch == u',')
            ch = fs.decimalSeparator;
    }
    return frStrToFloat(text, fs);
}

// Substring from a 1-based start, as the classic Copy: a start before 1 counts from 1.
QString copyText(const QString &s, qint64 start, qint64 count)
{
    if (start < 1)
        start = 1;
    if (count <= 0 || start > s.size())
        return QString();
    return s.mid(qsizetype(start - 1), qsizetype(std::min<qint64>(count, s.size() - start + 1)));
}

double roundHalfEven(double v)
{
    return std::nearbyint(v); // the default rounding mode rounds halves to even
}

// INT and FRAC forgive the last digits of a value that is an integer but for rounding
// noise (2.9999999999999 is 3).
double snapToInteger(double v)
{
    const double r = roundHalfEven(v);
    return std::fabs(v - r) < 1e-10 ? r : v;
}

class Evaluator {
public:
    Evaluator(const TfrParser &parser, const QString &s) : m_parser(parser), m_s(s) {}
    TfrVariant run();

private:
    // The operand stack: slots 0..sp-1 hold operands; slot 0 starts as the integer 0,
    // the result of an expression without operands.
    TfrVariant &top() { return m_stack[m_sp - 1]; }
    TfrVariant &below() { return m_stack[m_sp - 2]; }
    void need(int count) const
    {
        if (m_sp < count)
            throw EfrError(QStringLiteral("Missing operand in expression"));
    }
    TfrVariant &newSlot()
    {
        if (m_sp >= frParserStackSize)
            throw EfrError(QStringLiteral("Expression too complex: more than %1 operands")
                               .arg(frParserStackSize));
        return m_stack[m_sp];
    }
    void pushed() { ++m_sp; }
    template <class F> void binary(F op)
    {
        need(2);
        below() = op(below(), top());
        --m_sp;
    }
    void compare(TfrCompareOp op)
    {
        need(2);
        below() = TfrVariant(int(frVarCompare(below(), top(), op)));
        --m_sp;
    }
    void operand(int &pos);
    void call(const QString &name, int &pos);

    const TfrParser &m_parser;
    // A shared copy: a handler may replace the stored text it came from.
    const QString m_s;
    std::array<TfrVariant, frParserStackSize> m_stack;
    int m_sp = 0;
};

TfrVariant Evaluator::run()
{
    m_stack[0] = TfrVariant(0);
    const int n = int(m_s.size());
    int pos = 0;
    while (pos < n) {
        const char16_t c = m_s[pos].unicode();
        switch (c) {
        case ' ':
        case TfrOperator::UnaryPlus:
            break;
        case '+': binary(frVarAdd); break;
        case '-': binary(frVarSub); break;
        case '*': binary(frVarMul); break;
        case '/': binary(frVarDiv); break;
        case TfrOperator::Mod: binary(frVarMod); break;
        case TfrOperator::And: binary(frVarAnd); break;
        case TfrOperator::Or: binary(frVarOr); break;
        case '>': compare(TfrCompareOp::Greater); break;
        case '<': compare(TfrCompareOp::Less); break;
        case '=': compare(TfrCompareOp::Equal); break;
        case TfrOperator::NotEqual: compare(TfrCompareOp::NotEqual); break;
        case TfrOperator::GreaterEqual: compare(TfrCompareOp::GreaterEqual); break;
        case TfrOperator::LessEqual: compare(TfrCompareOp::LessEqual); break;
        case TfrOperator::Not:
            need(1);
            top() = TfrVariant(int(frVarEquals(top(), TfrVariant(0))));
            break;
        case TfrOperator::UnaryMinus:
            need(1);
            top() = frVarNeg(top());
            break;
        case TfrOperator::Int:
            need(1);
            top() = TfrVariant(std::trunc(snapToInteger(top().toReal())));
            break;
        case TfrOperator::Frac: {
            need(1);
            const double v = snapToInteger(top().toReal());
            top() = TfrVariant(v - std::trunc(v));
            break;
        }
        case TfrOperator::Round:
            need(1);
            top() = TfrVariant(roundHalfEven(top().toReal()));
            break;
        case TfrOperator::Str:
            need(1);
            top() = top().isNull() ? TfrVariant(QString()) : TfrVariant(top().toString());
            break;
        default:
            operand(pos);
            continue;
        }
        ++pos;
    }
    // Values with no operator between them ("1 2 3", "1 div 0") are no expression: the
    // result would quietly be the first of them.
    if (m_sp > 1)
        throw EfrError(QStringLiteral("Missing operator in expression"));
    return std::move(m_stack[0]);
}

void Evaluator::operand(int &pos)
{
    const QStringView s(m_s);
    const int n = int(s.size());
    const char16_t first = s[pos].unicode();

    if (first == '[') {
        int j = 0;
        const Span content = scanBracket(s, pos, j);
        TfrVariant &slot = newSlot();
        slot = TfrVariant::null();
        if (m_parser.NameHandler)
            m_parser.NameHandler(textOf(m_s, content), slot);
        pushed();
        pos = j + 1;
    } else if (first == '\'') {
        bool closed = false;
        const Span literal = scanString(s, pos, closed);
        QString text = textOf(m_s, {literal.start + 1, literal.end - (closed ? 1 : 0)});
        text.replace(QStringLiteral("''"), QStringLiteral("'"));
        newSlot() = TfrVariant(std::move(text));
        pushed();
    } else {
        const int start = pos;
        const Span name = scanIdentify(s, pos);
        const QStringView text = s.mid(name.start, name.size());
        const char16_t next = pos < n ? s[pos].unicode() : 0;
        if (text.isEmpty() && next != '(') {
            // Nothing but control characters, or a stray character a name cannot start
            // with: no operand.
            pos = std::max(pos, start + 1);
            return;
        }
        if (startsNumber(text)) {
            newSlot() = TfrVariant(numberLiteral(text));
            pushed();
        } else if (equalsAsciiNoCase(text, "TRUE") || equalsAsciiNoCase(text, "FALSE")) {
            newSlot() = TfrVariant(equalsAsciiNoCase(text, "TRUE"));
            pushed();
        } else if (next == '[') {
            // Arr[i] is the call GETARRAY(Arr, i).
            int j = 0;
            const Span index = scanBracket(s, pos, j);
            TfrVariant &slot = newSlot();
            QString expression = QStringLiteral("GETARRAY(");
            expression.append(text).append(u", ").append(s.mid(index.start, index.size())).append(u')');
            slot = m_parser.Calc(expression);
            pushed();
            pos = j + 1;
        } else if (next == '(') {
            call(text.toString().toUpper(), pos);
        } else {
            TfrVariant &slot = newSlot();
            slot = TfrVariant::null();
            if (m_parser.NameHandler)
                m_parser.NameHandler(text.toString().toUpper(), slot);
            pushed();
        }
    }
    // An operand ends with one space.
    if (pos < n && s[pos] == u' ')
        ++pos;
}

void Evaluator::call(const QString &name, int &pos)
{
    Span args[3];
    scanParameters(m_s, pos, args);
    TfrVariant &slot = newSlot();
    const QString p1 = textOf(m_s, args[0]), p2 = textOf(m_s, args[1]), p3 = textOf(m_s, args[2]);
    if (name == u"COPY") {
        const QString text = m_parser.Calc(p1).toString();
        const qint32 start = frStrToInt(m_parser.Calc(p2).toString());
        const qint32 count = frStrToInt(m_parser.Calc(p3).toString());
        slot = TfrVariant(copyText(text, start, count));
    } else if (name == u"IF") {
        const double condition = frStrToFloat(m_parser.Calc(p1).toString());
        slot = m_parser.Calc(std::trunc(condition) != 0 ? p2 : p3);
    } else if (name == u"STRTODATE") {
        slot = TfrVariant::fromDateTime(frStrToDate(m_parser.Calc(p1).toString()));
    } else if (name == u"STRTOTIME") {
        slot = TfrVariant::fromDateTime(frStrToTime(m_parser.Calc(p1).toString()));
    } else {
        slot = TfrVariant::null();
        if (m_parser.FunctionHandler)
            m_parser.FunctionHandler(name, TfrVariant(p1), TfrVariant(p2), TfrVariant(p3), slot);
    }
    pushed();
}

} // namespace

TfrParser *frParser = &frParserInstance;

int frOperatorPriority(char16_t op)
{
    return priorityOf(op);
}

TfrVariant TfrParser::Calc(const QString &s) const
{
    return CalcOPZ(Str2OPZ(s));
}

QString TfrParser::Str2OPZ(const QString &s) const
{
    QString out;
    out.reserve(s.size() + 8);
    // The operator stack, its top at the back.
    QVarLengthArray<char16_t, 32> ops;
    bool operandSeen = false;

    auto stackOperator = [&](char16_t c) {
        const int priority = priorityOf(c);
        if (!ops.isEmpty() && priority >= priorityOf(ops.back())) {
            out += QChar(ops.back());
            ops.pop_back();
            while (!ops.isEmpty() && priority >= priorityOf(ops.back())) {
                out += QChar(ops.back());
                ops.pop_back();
            }
        }
        ops.push_back(c);
        operandSeen = false;
    };

    const QStringView src(s);
    const int n = int(src.size());
    int pos = 0;
    while (pos < n) {
        const char16_t c = src[pos].unicode();
        switch (c) {
        case 13:
        case ' ':
            ++pos;
            continue;
        case '(':
            ops.push_back('(');
            operandSeen = false;
            ++pos;
            continue;
        case ')': {
            qsizetype k = ops.size() - 1;
            while (k >= 0 && ops[k] != '(')
                --k;
            if (k >= 0) {
                while (ops.size() - 1 > k) {
                    out += QChar(ops.back());
                    ops.pop_back();
                }
                ops.pop_back();
            }
            ++pos;
            continue;
        }
        case ';':
            pos = n;
            continue;
        case '*': case '+': case '-': case '/': case '<': case '=': case '>': {
            const char16_t next = pos + 1 < n ? src[pos + 1].unicode() : 0;
            char16_t op = c;
            if (c == '<' && next == '>') {
                op = TfrOperator::NotEqual;
                ++pos;
            } else if (c == '>' && next == '=') {
                op = TfrOperator::GreaterEqual;
                ++pos;
            } else if (c == '<' && next == '=') {
                op = TfrOperator::LessEqual;
                ++pos;
            } else if (!operandSeen && c == '-') {
                op = TfrOperator::UnaryMinus;
            } else if (!operandSeen && c == '+') {
                op = TfrOperator::UnaryPlus;
            }
            stackOperator(op);
            ++pos;
            continue;
        }
        default:
            break;
        }

        // An operand.
        QString text;
        int first = pos;
        if (c == '%') {
            text = src.mid(pos, std::min(2, n - pos)).toString();
            pos = std::min(pos + 2, n);
        }
        if (pos < n && src[pos] == u'\'') {
            bool closed = false;
            const Span literal = scanString(src, pos, closed);
            text += src.mid(literal.start, literal.size());
        } else if (pos < n && src[pos] == u'[') {
            int j = 0;
            const Span content = scanBracket(src, pos, j);
            text.append(u'[').append(src.mid(content.start, content.size())).append(u']');
            pos = j + 1;
        } else {
            const Span name = scanIdentify(src, pos);
            if (text.isEmpty())
                first = name.start;
            text += src.mid(name.start, name.size());
            if (pos < n && src[pos] == u'[') {
                int j = 0;
                const Span content = scanBracket(src, pos, j);
                text.append(u'[').append(src.mid(content.start, content.size())).append(u']');
                pos = j + 1;
            }
        }
        if (text.isEmpty())
            continue; // only control characters: they separate, like spaces

        if (startsNumber(text)) {
            out += text;
            out += u' ';
            operandSeen = true;
            continue;
        }
        const Keyword *keyword = nullptr;
        for (const Keyword &k : kKeywords) {
            if (equalsAsciiNoCase(text, k.word)) {
                keyword = &k;
                break;
            }
        }
        if (keyword) {
            stackOperator(keyword->op);
            continue;
        }
        if (pos < n && src[pos] == u'(') {
            Span args[3];
            scanParameters(src, pos, args);
            out += src.mid(first, pos - first);
        } else {
            out += text;
            out += u' ';
        }
        operandSeen = true;
    }
    while (!ops.isEmpty()) {
        out += QChar(ops.back());
        ops.pop_back();
    }
    return out;
}

TfrVariant TfrParser::CalcOPZ(const QString &s) const
{
    DepthGuard depth;
    Evaluator evaluator(*this, s);
    return evaluator.run();
}

QString TfrParser::GetIdentify(const QString &s, int &i)
{
    int pos = std::max(i - 1, 0);
    const Span name = scanIdentify(s, pos);
    i = pos + 1;
    return textOf(s, name);
}

QString TfrParser::GetString(const QString &s, int &i)
{
    int pos = std::max(i - 1, 0);
    if (pos >= s.size()) {
        i = pos + 1;
        return QString();
    }
    bool closed = false;
    const Span literal = scanString(s, pos, closed);
    i = pos + 1;
    return textOf(s, literal);
}

void TfrParser::Get3Parameters(const QString &s, int &i, QString &s1, QString &s2, QString &s3)
{
    int pos = std::max(i - 1, 0);
    Span args[3];
    scanParameters(s, pos, args);
    s1 = textOf(s, args[0]);
    s2 = textOf(s, args[1]);
    s3 = textOf(s, args[2]);
    i = pos + 1;
}

QString GetBrackedVariable(const QString &s, int &i, int &j)
{
    if (s.isEmpty() || i < 1 || i > s.size()) {
        j = i;
        return QString();
    }
    int end = 0;
    const Span content = scanBracket(s, i - 1, end);
    j = end + 1;
    return textOf(s, content);
}

// --- Function splitter ------------------------------------------------------------------

namespace {

// Blanks in the classic sense: every character up to the space code.
QString trimBlanks(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= ' ')
        ++b;
    while (e > b && s[e - 1].unicode() <= ' ')
        --e;
    return (b == 0 && e == s.size()) ? s : s.mid(b, e - b);
}

bool continuesAfterName(char16_t c)
{
    switch (c) {
    case 13: case ' ': case '*': case '+': case '-': case '/': case '<': case '=': case '>':
        return true;
    default:
        return false;
    }
}

} // namespace

TfrFunctionSplitter::TfrFunctionSplitter(const QStringList &SearchNames, QStringList &Results,
                                         VariableLookup variables)
    : m_searchNames(SearchNames), m_results(Results), m_variables(std::move(variables))
{
}

void TfrFunctionSplitter::Split(const QString &s)
{
    m_expanding.clear();
    split(s, 0);
}

std::optional<QString> TfrFunctionSplitter::variable(const QString &name) const
{
    if (name.isEmpty() || !m_variables)
        return std::nullopt;
    return m_variables(name);
}

void TfrFunctionSplitter::split(const QString &text, int depth)
{
    if (depth > frParserMaxDepth)
        throw EfrError(QStringLiteral("Expression nested too deeply"));
    const QString s = trimBlanks(text);
    if (s.isEmpty() || s[0] == u'\'')
        return;

    // A variable's text is followed once per chain, so one that refers to itself ends.
    auto followVariable = [&](const QString &name, const QString &value) {
        if (m_expanding.contains(name, Qt::CaseInsensitive))
            return;
        m_expanding.append(name);
        try {
            split(value, depth + 1);
        } catch (...) {
            m_expanding.removeLast();
            throw;
        }
        m_expanding.removeLast();
    };

    const int n = int(s.size());
    int i = 0;
    while (i < n) {
        if (s[i] == u'[') {
            int j = 0;
            const QString content = textOf(s, scanBracket(s, i, j));
            if (const auto value = variable(content))
                followVariable(content, *value);
            else
                split(content, depth + 1);
            i = j + 1;
            continue;
        }
        int pos = i;
        const QString name = textOf(s, scanIdentify(s, pos));
        if (pos < n && s[pos] == u'(') {
            Span args[3];
            scanParameters(s, pos, args);
            for (const Span &arg : args)
                split(textOf(s, arg), depth + 1);
            if (m_searchNames.contains(name, Qt::CaseInsensitive))
                m_results.append(s.mid(i, pos - i));
            i = pos;
            continue;
        }
        if (const auto value = variable(name)) {
            followVariable(name, *value);
            i = pos;
        } else if (pos < n && continuesAfterName(s[pos].unicode())) {
            i = pos + 1;
        } else if (name.isEmpty()) {
            return;
        } else {
            i = pos;
        }
    }
}
