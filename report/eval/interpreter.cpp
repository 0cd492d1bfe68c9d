#include "report/eval/interpreter.h"

#include <vector>

#include "report/eval/data_dictionary.h"
#include "report/eval/function_library.h"
#include "report/eval/value_resolution.h"
#include "report/eval/variables.h"
#include "report/eval/variant_ops.h"

namespace {

constexpr char16_t kCondition = 1;
constexpr char16_t kJump = 2;
constexpr char16_t kCall = 3;
// Jump targets are 16 bits; this one lies beyond every script and so ends it.
constexpr int kEndTarget = 0xFFFF;
constexpr int kMaxLines = 0xFFFF;
constexpr int kMaxLabel = 16;
// Keywords and operators are told apart by this many characters of a word.
constexpr int kWordPrefix = 8;
// Statements and parenthesised expressions nested deeper than this are refused.
constexpr int kMaxNesting = 400;
// A running loop lets window messages through this often, so a cancel can arrive.
constexpr unsigned kMessageInterval = 1024;

bool isLatin(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}
bool isDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }
bool isIdentChar(QChar c) { return isLatin(c) || isDigit(c) || c == u'_' || c == u'.'; }
// What may not follow a keyword: "endDate" is a name, "end." and "end;" are END.
bool continuesWord(QChar c) { return isLatin(c) || isDigit(c) || c == u'_'; }

QString targetText(int line)
{
    QString t(2, QChar(0));
    t[0] = QChar(char16_t(line & 0xFF));
    t[1] = QChar(char16_t((line >> 8) & 0xFF));
    return t;
}

// The target of a jump or condition line; one that cannot be read ends the script.
int readTarget(const QString &line)
{
    if (line.size() < 3)
        return kEndTarget;
    const char16_t lo = line[1].unicode(), hi = line[2].unicode();
    if (lo > 0xFF || hi > 0xFF)
        return kEndTarget;
    return lo | (hi << 8);
}

class ScriptCompiler {
public:
    ScriptCompiler(const QStringList &source, QStringList &out, QStringList &errors)
        : m_out(out), m_errors(errors)
    {
        for (const QString &line : source) {
            QString l = line;
            l.replace(u'\t', u' ');
            m_buf += l;
            m_buf += QChar(13);
        }
        m_source = m_buf;
    }

    void Compile()
    {
        if (!m_buf.isEmpty())
            statement();
        resolveLabels();
        translate();
    }

private:
    // ---- buffer ----
    QChar at(int i) const { return i >= 0 && i < m_buf.size() ? m_buf[i] : QChar(0); }
    int size() const { return int(m_buf.size()); }
    QString text(int from, int to) const { return m_buf.mid(from, std::max(to - from, 0)); }

    bool commentAt(int p) const
    {
        return at(p) == u'{' || (at(p) == u'/' && at(p + 1) == u'/');
    }
    // Blanks out the comment at p. A comment separates words as a blank does, and the
    // positions of the text after it stay those of the source.
    void removeComment(int p)
    {
        int end;
        if (at(p) == u'{') {
            const qsizetype close = m_buf.indexOf(u'}', p + 1);
            end = close < 0 ? size() : int(close) + 1;
        } else {
            const qsizetype cr = m_buf.indexOf(QChar(13), p);
            end = cr < 0 ? size() : int(cr);
        }
        for (int i = p; i < end; ++i)
            m_buf[i] = u' ';
    }
    void skipBlank()
    {
        while (m_cur < size()) {
            if (m_buf[m_cur].unicode() <= ' ')
                ++m_cur;
            else if (commentAt(m_cur))
                removeComment(m_cur);
            else
                break;
        }
    }
    // The start of the next word, upper-cased, without moving: the text up to the next
    // blank, with comments outside quotes and brackets removed; " " at the end of the
    // text. Only the first characters decide which keyword or operator a word is.
    QString peekWord(int &start)
    {
        const int saved = m_cur;
        skipBlank();
        start = m_cur;
        m_cur = saved;
        int end = start, depth = 0;
        bool single = false, dbl = false;
        while (end < size() && end - start < kWordPrefix && m_buf[end].unicode() > ' ') {
            const QChar c = m_buf[end];
            if (!single && !dbl && depth == 0 && commentAt(end)) {
                removeComment(end);
                break;
            }
            if (c == u'\'' && !dbl)
                single = !single;
            else if (c == u'"' && !single)
                dbl = !dbl;
            else if (!single && !dbl && c == u'[')
                ++depth;
            else if (!single && !dbl && c == u']' && depth > 0)
                --depth;
            ++end;
        }
        if (end == start)
            return QStringLiteral(" ");
        return text(start, end).toUpper();
    }
    static bool keyword(const QString &word, QLatin1String kw)
    {
        return word.startsWith(kw) && (word.size() == kw.size() || !continuesWord(word[kw.size()]));
    }
    int identifierEnd(int p) const
    {
        if (!isLatin(at(p)))
            return p;
        while (p < size() && isIdentChar(m_buf[p]))
            ++p;
        return p;
    }

    // ---- output ----
    int addLine(const QString &line, int sourcePos)
    {
        if (m_out.size() >= kMaxLines) {
            addError(sourcePos, QStringLiteral("Script is too long"));
            return -1;
        }
        m_out.append(line);
        m_linePos.push_back(sourcePos);
        return int(m_out.size()) - 1;
    }
    int addCondition(int target, const QString &condition, int sourcePos)
    {
        return addLine(QChar(kCondition) + targetText(target) + condition, sourcePos);
    }
    void setTarget(int line, int target)
    {
        if (line < 0 || line >= m_out.size())
            return;
        QString &l = m_out[line];
        l[1] = QChar(char16_t(target & 0xFF));
        l[2] = QChar(char16_t((target >> 8) & 0xFF));
    }
    int nextLine() const { return int(m_out.size()); }

    // ---- errors ----
    void sourcePosition(int p, int &line, int &column) const
    {
        p = std::min<int>(p, int(m_source.size()));
        line = 1;
        int lineStart = 0;
        for (int i = 0; i < p; ++i)
            if (m_source[i] == QChar(13)) {
                ++line;
                lineStart = i + 1;
            }
        column = p - lineStart + 1;
    }
    void addError(int p, const QString &message)
    {
        m_error = true;
        int line = 0, column = 0;
        sourcePosition(p, line, column);
        m_errors.append(QStringLiteral("Line %1/%2: %3").arg(line).arg(column).arg(message));
    }
    // Ends the compilation without a message (a statement that is none of the forms,
    // such as one starting with a Cyrillic name).
    void stop() { m_error = true; }

    class Nesting {
    public:
        explicit Nesting(ScriptCompiler &c) : m_c(c)
        {
            if (++m_c.m_depth > kMaxNesting && !m_c.m_error)
                m_c.addError(m_c.m_cur, QStringLiteral("Script is nested too deeply"));
        }
        ~Nesting() { --m_c.m_depth; }
        Nesting(const Nesting &) = delete;
        Nesting &operator=(const Nesting &) = delete;

    private:
        ScriptCompiler &m_c;
    };

    // ---- statements ----
    void statement()
    {
        Nesting nesting(*this);
        if (m_error)
            return;
        int start = 0;
        const QString w = peekWord(start);
        if (keyword(w, QLatin1String("BEGIN"))) {
            m_cur = start + 5;
            block();
        } else if (keyword(w, QLatin1String("IF"))) {
            m_cur = start + 2;
            ifStatement();
        } else if (keyword(w, QLatin1String("REPEAT"))) {
            m_cur = start + 6;
            repeatStatement();
        } else if (keyword(w, QLatin1String("WHILE"))) {
            m_cur = start + 5;
            whileStatement();
        } else if (keyword(w, QLatin1String("FOR"))) {
            m_cur = start + 3;
            forStatement();
        } else if (keyword(w, QLatin1String("GOTO"))) {
            m_cur = start + 4;
            gotoStatement();
        } else if (w == u" " || w.startsWith(u';') || keyword(w, QLatin1String("END"))
                   || keyword(w, QLatin1String("UNTIL")) || keyword(w, QLatin1String("ELSE"))) {
            // The empty statement; the word belongs to the enclosing one.
        } else if (isDigit(m_buf[start])) {
            labelStatement(start);
        } else if (isLatin(m_buf[start])) {
            identifierStatement(start);
        } else {
            stop();
        }
    }

    void block()
    {
        while (!m_error) {
            statement();
            if (m_error)
                return;
            m_lastp = m_cur;
            int start = 0;
            const QString w = peekWord(start);
            if (w.startsWith(u';')) {
                m_cur = start + 1;
            } else if (keyword(w, QLatin1String("END"))) {
                m_cur = start + 3;
                return;
            } else {
                addError(m_lastp, QStringLiteral("Need \";\" or \"end\" here"));
            }
        }
    }

    void ifStatement()
    {
        const int from = m_cur;
        expression();
        if (m_error)
            return;
        const int condition = addCondition(kEndTarget, text(from, m_cur), from);
        m_lastp = m_cur;
        int start = 0;
        QString w = peekWord(start);
        if (!keyword(w, QLatin1String("THEN"))) {
            addError(m_lastp, QStringLiteral("Need \"then\" here"));
            return;
        }
        m_cur = start + 4;
        statement();
        if (m_error)
            return;
        w = peekWord(start);
        if (!keyword(w, QLatin1String("ELSE"))) {
            setTarget(condition, nextLine());
            return;
        }
        m_cur = start + 4;
        const int jump = addLine(QChar(kJump) + targetText(kEndTarget), start);
        setTarget(condition, nextLine());
        statement();
        if (m_error)
            return;
        setTarget(jump, nextLine());
    }

    void repeatStatement()
    {
        const int first = nextLine();
        while (!m_error) {
            statement();
            if (m_error)
                return;
            m_lastp = m_cur;
            int start = 0;
            const QString w = peekWord(start);
            if (w.startsWith(u';')) {
                m_cur = start + 1;
            } else if (keyword(w, QLatin1String("UNTIL"))) {
                m_cur = start + 5;
                const int from = m_cur;
                expression();
                if (!m_error)
                    addCondition(first, text(from, m_cur), from);
                return;
            } else {
                addError(m_lastp, QStringLiteral("Need \";\" or \"until\" here"));
            }
        }
    }

    void whileStatement()
    {
        const int from = m_cur;
        expression();
        if (m_error)
            return;
        const int condition = addCondition(kEndTarget, text(from, m_cur), from);
        if (!expectDo())
            return;
        statement();
        if (m_error)
            return;
        addLine(QChar(kJump) + targetText(condition), m_cur);
        setTarget(condition, nextLine());
    }

    bool expectDo()
    {
        m_lastp = m_cur;
        int start = 0;
        const QString w = peekWord(start);
        if (!keyword(w, QLatin1String("DO"))) {
            addError(m_lastp, QStringLiteral("Need \"do\" here"));
            return false;
        }
        m_cur = start + 2;
        return true;
    }

    void forStatement()
    {
        skipBlank();
        const int nameStart = m_cur;
        m_cur = identifierEnd(m_cur);
        const QString name = text(nameStart, m_cur);
        m_lastp = m_cur;
        int start = 0;
        QString w = peekWord(start);
        if (name.isEmpty() || !w.startsWith(QLatin1String(":="))) {
            addError(m_lastp, QStringLiteral("Need \":=\" here"));
            return;
        }
        m_cur = start + 2;
        int from = m_cur;
        expression();
        if (m_error)
            return;
        addLine(name + u' ' + text(from, m_cur), from);
        m_lastp = m_cur;
        w = peekWord(start);
        if (!keyword(w, QLatin1String("TO"))) {
            addError(m_lastp, QStringLiteral("Need \"to\" here"));
            return;
        }
        m_cur = start + 2;
        from = m_cur;
        expression();
        if (m_error)
            return;
        // The bound is evaluated on every round; parentheses keep it one operand.
        const QString bound = text(from, m_cur).trimmed();
        const int condition = addCondition(kEndTarget, name + QStringLiteral(" <= (") + bound + u')', from);
        if (!expectDo())
            return;
        statement();
        if (m_error)
            return;
        addLine(name + u' ' + name + QStringLiteral("+1"), m_cur);
        addLine(QChar(kJump) + targetText(condition), m_cur);
        setTarget(condition, nextLine());
    }

    void gotoStatement()
    {
        m_lastp = m_cur;
        skipBlank();
        int end = m_cur;
        while (isDigit(at(end)))
            ++end;
        if (end == m_cur) {
            addError(m_lastp, QStringLiteral("\"goto\" label must be a number"));
            return;
        }
        const QString label = text(m_cur, end).left(kMaxLabel);
        const int line = addLine(QChar(kJump) + label, m_cur);
        if (line >= 0)
            m_gotos.push_back({line, m_cur});
        m_cur = end;
    }

    void labelStatement(int start)
    {
        int end = start;
        while (isDigit(at(end)))
            ++end;
        if (at(end) != u':') {
            stop();
            return;
        }
        const QString label = text(start, end).left(kMaxLabel);
        bool known = false;
        for (const Label &l : m_labels)
            known = known || l.name == label;
        if (!known)
            m_labels.push_back({label, nextLine()});
        m_cur = end + 1;
        statement();
    }

    void identifierStatement(int start)
    {
        m_cur = start;
        const int nameEnd = identifierEnd(start);
        const QString name = text(start, nameEnd);
        if (at(nameEnd) == u'(') {
            // A call with arguments (or any expression that starts with one).
            expression();
            if (!m_error)
                addLine(QChar(kCall) + text(start, m_cur), start);
            return;
        }
        m_cur = nameEnd;
        QString index;
        const bool indexed = at(m_cur) == u'[';
        if (indexed) {
            ++m_cur;
            const int from = m_cur;
            expression();
            if (m_error)
                return;
            index = text(from, m_cur).trimmed();
            if (!closeWith(u']', QStringLiteral("Need \"]\" here")))
                return;
        }
        m_lastp = m_cur;
        int wordStart = 0;
        const QString w = peekWord(wordStart);
        if (w.startsWith(QLatin1String(":="))) {
            m_cur = wordStart + 2;
            const int from = m_cur;
            expression();
            if (m_error)
                return;
            const QString value = text(from, m_cur);
            if (indexed)
                addLine(QChar(kCall) + QStringLiteral("SETARRAY(") + name + QStringLiteral(", ") + index
                         + QStringLiteral(", ") + value.trimmed() + u')',
                     from);
            else
                addLine(name + u' ' + value, from);
            return;
        }
        if (!indexed && (w.startsWith(u';') || keyword(w, QLatin1String("END")) || keyword(w, QLatin1String("ELSE")))) {
            // A procedure without arguments: "exit" becomes "exit(0)".
            addLine(QChar(kCall) + name + QStringLiteral("(0)"), start);
            return;
        }
        addError(m_lastp, QStringLiteral("Need \":=\" here"));
    }

    // ---- expressions: only their extent is found here ----
    void expression()
    {
        Nesting nesting(*this);
        if (m_error)
            return;
        simpleExpression();
        if (m_error)
            return;
        int start = 0;
        const QString w = peekWord(start);
        static const QLatin1String kComparisons[] = {QLatin1String(">="), QLatin1String("<="), QLatin1String("<>"),
                                                     QLatin1String("<"), QLatin1String("="), QLatin1String(">")};
        for (const QLatin1String op : kComparisons) {
            if (w.startsWith(op)) {
                m_cur = start + int(op.size());
                simpleExpression();
                return;
            }
        }
    }

    void simpleExpression()
    {
        while (!m_error) {
            term();
            if (m_error)
                return;
            int start = 0;
            const QString w = peekWord(start);
            if (w.startsWith(u'+') || w.startsWith(u'-'))
                m_cur = start + 1;
            else if (keyword(w, QLatin1String("OR")))
                m_cur = start + 2;
            else
                return;
        }
    }

    void term()
    {
        while (!m_error) {
            factor();
            if (m_error)
                return;
            int start = 0;
            const QString w = peekWord(start);
            if (w.startsWith(u'*') || w.startsWith(u'/'))
                m_cur = start + 1;
            else if (keyword(w, QLatin1String("AND")) || keyword(w, QLatin1String("MOD")))
                m_cur = start + 3;
            else
                return;
        }
    }

    bool closeWith(QChar c, const QString &message)
    {
        const int before = m_cur;
        skipBlank();
        if (at(m_cur) != c) {
            addError(before, message);
            return false;
        }
        ++m_cur;
        return true;
    }

    // End (exclusive) of the bracket group at p, or -1 when it is not closed. Brackets in
    // quotes do not count.
    int bracketEnd(int p) const
    {
        int depth = 0;
        bool single = false, dbl = false;
        for (int i = p; i < size(); ++i) {
            const QChar c = m_buf[i];
            if (c == u'"' && !single)
                dbl = !dbl;
            else if (c == u'\'' && !dbl)
                single = !single;
            else if (!single && !dbl && c == u'[')
                ++depth;
            else if (!single && !dbl && c == u']' && --depth == 0)
                return i + 1;
        }
        return -1;
    }

    void factor()
    {
        Nesting nesting(*this);
        if (m_error)
            return;
        skipBlank();
        const QChar c = at(m_cur);
        if (c == u'(') {
            ++m_cur;
            expression();
            if (!m_error)
                closeWith(u')', QStringLiteral("Need \")\" here"));
        } else if (c == u'[') {
            const int end = bracketEnd(m_cur);
            if (end < 0) {
                addError(m_cur, QStringLiteral("Need \"]\" here"));
                return;
            }
            m_cur = end;
        } else if (c == u'+' || c == u'-') {
            ++m_cur;
            expression();
        } else if (isLatin(c)) {
            const int end = identifierEnd(m_cur);
            if (text(m_cur, end).compare(QLatin1String("NOT"), Qt::CaseInsensitive) == 0) {
                m_cur = end;
                expression();
                return;
            }
            m_cur = end;
            if (at(m_cur) == u'[') {
                ++m_cur;
                expression();
                if (!m_error)
                    closeWith(u']', QStringLiteral("Need \"]\" here"));
            } else if (at(m_cur) == u'(') {
                ++m_cur;
                arguments();
            }
        } else if (isDigit(c)) {
            int end = m_cur;
            while (isDigit(at(end)))
                ++end;
            if (at(end) == u'.') {
                ++end;
                while (isDigit(at(end)))
                    ++end;
            }
            m_cur = end;
        } else if (c == u'\'') {
            int p = m_cur + 1;
            while (p < size()) {
                if (m_buf[p] != u'\'') {
                    ++p;
                } else if (at(p + 1) == u'\'') {
                    p += 2;
                } else {
                    ++p;
                    break;
                }
            }
            m_cur = std::min(p, size());
        }
        // Anything else is an empty operand; the enclosing statement reports what follows.
    }

    void arguments()
    {
        while (!m_error) {
            expression();
            if (m_error)
                return;
            const int before = m_cur;
            skipBlank();
            if (at(m_cur) == u',') {
                ++m_cur;
            } else if (at(m_cur) == u')') {
                ++m_cur;
                return;
            } else {
                addError(before, QStringLiteral("Need \",\" or \")\" here"));
            }
        }
    }

    // ---- after the statement ----
    void resolveLabels()
    {
        for (const Goto &g : m_gotos) {
            if (g.line >= m_out.size())
                continue;
            const QString label = m_out[g.line].mid(1);
            int target = -1;
            for (const Label &l : m_labels)
                if (l.name == label) {
                    target = l.line;
                    break;
                }
            if (target < 0) {
                // A jump to nowhere ends the script rather than landing on a line by chance.
                int line = 0, column = 0;
                sourcePosition(g.sourcePos, line, column);
                m_errors.append(QStringLiteral("Line %1/%2: Label \"%3\" is not defined").arg(line).arg(column).arg(label));
                target = kEndTarget;
            }
            m_out[g.line] = QChar(kJump) + targetText(target);
        }
    }

    void translate()
    {
        for (int i = 0; i < m_out.size(); ++i) {
            const QString line = m_out[i];
            if (line.isEmpty() || line[0] == QChar(kJump))
                continue;
            try {
                if (line[0] == QChar(kCondition)) {
                    m_out[i] = line.left(3) + frParser->Str2OPZ(line.mid(3));
                } else if (line[0] == QChar(kCall)) {
                    m_out[i] = line.left(1) + frParser->Str2OPZ(line.mid(1));
                } else {
                    const qsizetype space = line.indexOf(u' ');
                    m_out[i] = line.left(space) + u' ' + frParser->Str2OPZ(line.mid(space + 1));
                }
            } catch (const EfrError &e) {
                // The line cannot run; the script ends before it.
                int l = 0, column = 0;
                sourcePosition(m_linePos[size_t(i)], l, column);
                const QString message = e.message().isEmpty() ? QStringLiteral("Invalid expression") : e.message();
                m_errors.append(QStringLiteral("Line %1/%2: %3").arg(l).arg(column).arg(message));
                while (m_out.size() > i)
                    m_out.removeLast();
                return;
            }
        }
    }

    struct Label {
        QString name;
        int line;
    };
    struct Goto {
        int line;
        int sourcePos;
    };

    QString m_buf;    // the source, comments blanked out as they are met
    QString m_source; // the source as written, for error positions
    int m_cur = 0;
    int m_lastp = 0;
    int m_depth = 0;
    bool m_error = false;
    std::vector<Label> m_labels;
    std::vector<Goto> m_gotos;
    std::vector<int> m_linePos;
    QStringList &m_out;
    QStringList &m_errors;
};

bool isExitCall(QStringView expression)
{
    return expression.compare(QLatin1String("EXIT(0)"), Qt::CaseInsensitive) == 0;
}

} // namespace

// ---- TfrInterpretator ----

TfrInterpretator::TfrInterpretator()
{
    m_parser.NameHandler = TGetPValueEvent(
        [](void *self, const QString &s, TfrVariant &v) { static_cast<TfrInterpretator *>(self)->GetValue(s, v); },
        this);
    m_parser.FunctionHandler = TFunctionEvent(
        [](void *self, const QString &name, const TfrVariant &p1, const TfrVariant &p2, const TfrVariant &p3,
           TfrVariant &val) { static_cast<TfrInterpretator *>(self)->DoFunction(name, p1, p2, p3, val); },
        this);
}

TfrInterpretator::~TfrInterpretator() = default;

void TfrInterpretator::GetValue(const QString &Name, TfrVariant &Value) { Q_UNUSED(Name) Q_UNUSED(Value) }

void TfrInterpretator::SetValue(const QString &Name, const TfrVariant &Value) { Q_UNUSED(Name) Q_UNUSED(Value) }

void TfrInterpretator::DoFunction(const QString &Name, const TfrVariant &p1, const TfrVariant &p2,
                                  const TfrVariant &p3, TfrVariant &val)
{
    Q_UNUSED(Name) Q_UNUSED(p1) Q_UNUSED(p2) Q_UNUSED(p3) Q_UNUSED(val)
}

void TfrInterpretator::PrepareScript(const QStringList &MemoFrom, QStringList &MemoTo, QStringList &MemoErr)
{
    const QStringList source = MemoFrom; // MemoTo may be MemoFrom
    MemoTo.clear();
    MemoErr.clear();
    ScriptCompiler compiler(source, MemoTo, MemoErr);
    compiler.Compile();
}

void TfrInterpretator::DoScript(const QStringList &Memo)
{
    TfrRunContext &ctx = frRunContext();
    const int count = int(Memo.size());
    unsigned rounds = 0;
    int i = 0;
    while (i < count) {
        const QString &line = Memo[i];
        int next = i + 1;
        if (line.isEmpty()) {
            i = next;
            continue;
        }
        switch (line[0].unicode()) {
        case kCondition: {
            const TfrVariant condition = m_parser.CalcOPZ(line.mid(3));
            if (frVarEquals(condition, TfrVariant(0)))
                next = readTarget(line);
            break;
        }
        case kJump:
            next = readTarget(line);
            break;
        case kCall:
            if (isExitCall(QStringView(line).mid(1)))
                return;
            m_parser.CalcOPZ(line.mid(1));
            break;
        default: {
            const qsizetype space = line.indexOf(u' ');
            const QString name = space < 0 ? line : line.left(space);
            SetValue(name, m_parser.CalcOPZ(space < 0 ? QString() : line.mid(space + 1)));
            break;
        }
        }
        if (next <= i) {
            // A loop goes round: a terminated report (the progress window's cancel) ends it.
            if (++rounds % kMessageInterval == 0)
                ctx.ProcessMessages();
            if (ctx.Terminated())
                return;
        }
        i = next;
    }
}

void TfrInterpretator::SplitExpressions(const QStringList &Memo, const QStringList &MatchFuncs,
                                        QStringList &SplitTo, TfrFunctionSplitter::VariableLookup variables)
{
    TfrFunctionSplitter splitter(MatchFuncs, SplitTo, std::move(variables));
    for (const QString &line : Memo)
        if (const auto expression = frCompiledLineExpression(line))
            splitter.Split(*expression);
}

std::optional<QString> frCompiledLineExpression(const QString &line)
{
    if (line.isEmpty())
        return std::nullopt;
    switch (line[0].unicode()) {
    case kCondition:
        return line.mid(3);
    case kJump:
        return std::nullopt;
    case kCall:
        return line.mid(1);
    default: {
        const qsizetype space = line.indexOf(u' ');
        if (space < 0)
            return std::nullopt;
        return line.mid(space + 1);
    }
    }
}

// ---- TInterpretator ----

void TInterpretator::GetValue(const QString &Name, TfrVariant &Value) { GetVariableValue(Name, Value); }

void TInterpretator::SetValue(const QString &Name, const TfrVariant &Value) { frAssignValue(Name, Value); }

void TInterpretator::DoFunction(const QString &Name, const TfrVariant &p1, const TfrVariant &p2,
                                const TfrVariant &p3, TfrVariant &val)
{
    OnGetParsFunction(Name, p1, p2, p3, val);
}

namespace {
TInterpretator g_interpretator;
} // namespace

TfrInterpretator *frInterpretator = &g_interpretator;

void frAssignValue(const QString &name, const TfrVariant &value)
{
    TfrVariables &variables = frVariables();
    if (variables.Contains(name)) {
        variables.SetVariable(name, value);
        return;
    }
    if (TfrDataDictionary *dictionary = frValueContext().Dictionary(); dictionary && dictionary->IsVariable(name)) {
        dictionary->VarList.SetVariable(name, value);
        return;
    }
    TfrRunContext &ctx = frRunContext();
    if (name.compare(QLatin1String("MODALRESULT"), Qt::CaseInsensitive) == 0) {
        ctx.SetModalResult(value.toInteger());
    } else if (name.compare(QLatin1String("CURY"), Qt::CaseInsensitive) == 0) {
        ctx.SetCurY(value.toInteger());
    } else if (name.compare(QLatin1String("PROGRESS"), Qt::CaseInsensitive) == 0) {
        ctx.ShowProgress(value.toString());
        ctx.ProcessMessages();
    } else if (!ctx.SetObjectProperty(name, value)) {
        variables.SetVariable(name, value);
    }
}
