// frcalc: evaluates expressions of the report engine's expression language.
//
//   frcalc [--var NAME=EXPR]... [--postfix] [--] EXPR...
//
// One line per expression: the kind of the value and its text form, or "error: " and
// the message. Names given with --var are expressions themselves, evaluated when used;
// any other name or function is left unresolved and yields null. --postfix prints the
// translated form instead. Control characters in the output (the operator bytes of
// the postfix form among them) are written as \xNN so every result stays on one line.
#include <QCoreApplication>
#include <QHash>
#include <QStringList>
#include <cstdio>

#include "report/eval/parser.h"

namespace {

const char *kindText(const TfrVariant &v)
{
    switch (v.kind()) {
    case TfrVariant::vkEmpty: return "empty";
    case TfrVariant::vkNull: return "null";
    case TfrVariant::vkBoolean: return "boolean";
    case TfrVariant::vkShortInt:
    case TfrVariant::vkSmallInt:
    case TfrVariant::vkInteger: return "integer";
    case TfrVariant::vkInt64: return "int64";
    case TfrVariant::vkDouble: return "real";
    case TfrVariant::vkCurrency: return "currency";
    case TfrVariant::vkDate: return "datetime";
    case TfrVariant::vkString: return "string";
    }
    return "?";
}

QString escaped(const QString &s)
{
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("\\x") + QString::number(c.unicode(), 16).rightJustified(2, u'0').toUpper();
        else
            out += c;
    }
    return out;
}

void printLine(const QString &line)
{
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fputc('\n', stdout);
}

int usage()
{
    std::fputs("usage: frcalc [--var NAME=EXPR]... [--postfix] [--] EXPR...\n", stderr);
    return 2;
}

struct Variables {
    QHash<QString, QString> expressions; // upper-cased name -> expression

    void resolve(const QString &name, TfrVariant &value)
    {
        const auto it = expressions.constFind(name.toUpper());
        if (it != expressions.constEnd())
            value = frParser->Calc(it.value());
    }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();

    Variables variables;
    bool postfix = false;
    QStringList expressions;
    bool options = true;
    for (qsizetype k = 0; k < args.size(); ++k) {
        const QString &arg = args[k];
        if (options && arg == u"--") {
            options = false;
        } else if (options && arg == u"--postfix") {
            postfix = true;
        } else if (options && (arg == u"--var" || arg.startsWith(u"--var="))) {
            QString definition;
            if (arg == u"--var") {
                if (++k >= args.size())
                    return usage();
                definition = args[k];
            } else {
                definition = arg.mid(6);
            }
            const qsizetype eq = definition.indexOf(u'=');
            if (eq <= 0) {
                std::fputs("frcalc: --var needs NAME=EXPR\n", stderr);
                return 2;
            }
            variables.expressions.insert(definition.left(eq).trimmed().toUpper(), definition.mid(eq + 1));
        } else if (options && arg.startsWith(u"--")) {
            std::fprintf(stderr, "frcalc: unknown option %s\n", qPrintable(arg));
            return usage();
        } else {
            expressions.append(arg);
        }
    }
    if (expressions.isEmpty())
        return usage();

    frParser->NameHandler = TGetPValueEvent::bind<&Variables::resolve>(&variables);
    frParser->FunctionHandler = {};

    int status = 0;
    for (const QString &expression : expressions) {
        try {
            if (postfix) {
                printLine(escaped(frParser->Str2OPZ(expression)));
            } else {
                const TfrVariant value = frParser->Calc(expression);
                printLine(QString::fromLatin1(kindText(value)) + u' ' + escaped(value.toString()));
            }
        } catch (const EfrError &e) {
            printLine(QStringLiteral("error: ") + escaped(e.message()));
            status = 1;
        }
    }
    return status;
}
