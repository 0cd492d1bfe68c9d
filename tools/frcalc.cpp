// frcalc: evaluates expressions of the report engine's expression language.
//
//   frcalc [--var NAME=EXPR]... [--postfix] [--locale ru|C]
//          [--db FILE [--dataset NAME=TABLE]...] [--] (EXPR | --format WORD TEXT EXPR)...
//   frcalc [--var NAME=EXPR]... [--locale ru|C] [--db FILE [--dataset NAME=TABLE]...]
//          --script FILE
//
// One line per expression: the kind of the value and its text form, or "error: " and
// the message. Names given with --var are expressions themselves, evaluated when used;
// any other name or function is left unresolved and yields null. --postfix prints the
// translated form instead. Control characters in the output (the operator bytes of
// the postfix form among them) are written as \xNN so every result stays on one line.
//
// --format prints the value of EXPR as a text object shows it: formatted by the format
// word WORD (hexadecimal) and the format string TEXT. --locale switches the number and
// date settings (Russian by default). --dataset opens TABLE of the SQLite file given
// with --db as the data set NAME, on its first row, so that NAME."Field" reads a field;
// bare field names read the first data set given.
//
// --script compiles the script in FILE (UTF-8, or Windows-1251 when it is no UTF-8) and
// runs it against frVariables, with names and functions resolved as in a report without
// objects (the standard and database libraries answer calls). It prints the compiled
// lines, one per line (the jump targets of condition and jump lines as \xNN bytes),
// then "error: " and each compile error, then, after the run, every variable as
// "NAME = KIND TEXT". The values of --var are put into frVariables before the run.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QStringDecoder>
#include <QStringList>
#include <cstdio>
#include <memory>
#include <vector>

#include "report/eval/codec.h"
#include "report/eval/data_dictionary.h"
#include "report/eval/db_dataset.h"
#include "report/eval/format_settings.h"
#include "report/eval/function_library.h"
#include "report/eval/interpreter.h"
#include "report/eval/parser.h"
#include "report/eval/value_resolution.h"
#include "report/eval/variables.h"

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
    std::fputs("usage: frcalc [--var NAME=EXPR]... [--postfix] [--locale ru|C] [--db FILE [--dataset NAME=TABLE]...]\n"
               "              [--] (EXPR | --format WORD TEXT EXPR)...\n"
               "       frcalc [--var NAME=EXPR]... [--locale ru|C] [--db FILE [--dataset NAME=TABLE]...] --script FILE\n",
               stderr);
    return 2;
}

int failure(const QString &message)
{
    std::fprintf(stderr, "frcalc: %s\n", message.toLocal8Bit().constData());
    return 2;
}

// The data sets of --dataset, reached as a report reaches its owner's components.
struct DataContext : TfrValueContext {
    mutable QObject owner;
    mutable TfrDataDictionary dictionary;
    mutable TfrDBDataSet defaultSet; // bare field names
    bool active = false;

    QObject *ReportOwner() const override { return &owner; }
    TfrDataDictionary *Dictionary() const override { return active ? &dictionary : nullptr; }
    TfrDataset *ReportDataset() const override { return active ? &defaultSet : nullptr; }
};

struct Variables {
    QHash<QString, QString> expressions; // upper-cased name -> expression
    TfrDataDictionary *fields = nullptr;

    void resolve(const QString &name, TfrVariant &value)
    {
        const auto it = expressions.constFind(name.toUpper());
        if (it != expressions.constEnd())
            value = frParser->Calc(it.value());
        else if (fields && fields->IsVariable(name))
            value = fields->GetValue(name);
    }
};

struct Item {
    QString expression;
    bool formatted = false;
    quint32 format = 0;
    QString formatStr;
};

// A compiled line: the two target bytes of condition and jump lines always as \xNN.
QString compiledLineText(const QString &line)
{
    if (!line.isEmpty() && (line[0] == QChar(1) || line[0] == QChar(2))) {
        QString head;
        for (qsizetype i = 0; i < std::min<qsizetype>(3, line.size()); ++i)
            head += QStringLiteral("\\x") + QString::number(line[i].unicode(), 16).rightJustified(2, u'0').toUpper();
        return head + escaped(line.mid(3));
    }
    return escaped(line);
}

QStringList readScript(const QString &fileName, bool &ok)
{
    QFile file(fileName);
    ok = file.open(QIODevice::ReadOnly);
    if (!ok)
        return {};
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = frFromCp1251(bytes);
    text.remove(u'\r');
    QStringList lines = text.split(u'\n');
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Compiles and runs the script; every variable afterwards. 1 when compiling or running
// failed.
int runScript(const QString &fileName, const QList<std::pair<QString, QString>> &values)
{
    bool ok = false;
    const QStringList source = readScript(fileName, ok);
    if (!ok)
        return failure(QStringLiteral("cannot read ") + fileName);
    frInstallNameHandler();
    frInstallFunctionHandler();
    int status = 0;
    for (const auto &[name, expression] : values) {
        try {
            frVariables().SetVariable(name, frParser->Calc(expression));
        } catch (const EfrError &e) {
            printLine(QStringLiteral("error: ") + name + QStringLiteral(": ") + escaped(e.message()));
            return 1;
        }
    }

    QStringList compiled, errors;
    frInterpretator->PrepareScript(source, compiled, errors);
    for (const QString &line : std::as_const(compiled))
        printLine(compiledLineText(line));
    for (const QString &error : std::as_const(errors))
        printLine(QStringLiteral("error: ") + escaped(error));
    if (!errors.isEmpty())
        status = 1;
    try {
        frInterpretator->DoScript(compiled);
    } catch (const EfrError &e) {
        printLine(QStringLiteral("error: ") + escaped(e.message()));
        status = 1;
    }
    const TfrVariables &vars = frVariables();
    for (int i = 0; i < vars.GetCount(); ++i) {
        const TfrVariant value = vars.GetValue(i);
        printLine(escaped(vars.GetName(i)) + QStringLiteral(" = ") + QString::fromLatin1(kindText(value)) + u' '
                  + escaped(value.toString()));
    }
    return status;
}

// "NAME=VALUE" with a non-empty name.
bool splitDefinition(const QString &definition, QString &name, QString &value)
{
    const qsizetype eq = definition.indexOf(u'=');
    if (eq <= 0)
        return false;
    name = definition.left(eq).trimmed();
    value = definition.mid(eq + 1);
    return !name.isEmpty();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();

    Variables variables;
    bool postfix = false;
    std::vector<Item> items;
    QString dbFile;
    QList<std::pair<QString, QString>> dataSets; // name, table
    QList<std::pair<QString, QString>> scriptValues; // --var as written, for --script
    QString scriptFile;
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
            scriptValues.append({definition.left(eq).trimmed(), definition.mid(eq + 1)});
        } else if (options && arg == u"--script") {
            if (++k >= args.size() || !scriptFile.isEmpty())
                return usage();
            scriptFile = args[k];
        } else if (options && arg == u"--locale") {
            if (++k >= args.size())
                return usage();
            if (args[k] == u"ru")
                frSetFormatSettings(TfrFormatSettings::russian());
            else if (args[k] == u"C")
                frSetFormatSettings(TfrFormatSettings::classicC());
            else
                return failure(QStringLiteral("--locale is ru or C"));
        } else if (options && arg == u"--db") {
            if (++k >= args.size())
                return usage();
            dbFile = args[k];
        } else if (options && arg == u"--dataset") {
            QString name, table;
            if (++k >= args.size() || !splitDefinition(args[k], name, table) || table.isEmpty())
                return failure(QStringLiteral("--dataset needs NAME=TABLE"));
            dataSets.append({name, table});
        } else if (options && arg == u"--format") {
            if (k + 3 >= args.size())
                return usage();
            QString word = args[k + 1];
            if (word.startsWith(u"0x", Qt::CaseInsensitive))
                word = word.mid(2);
            bool ok = false;
            Item item{args[k + 3], true, word.toUInt(&ok, 16), args[k + 2]};
            if (!ok)
                return failure(QStringLiteral("--format needs a hexadecimal format word, not ") + args[k + 1]);
            items.push_back(item);
            k += 3;
        } else if (options && arg.startsWith(u"--")) {
            std::fprintf(stderr, "frcalc: unknown option %s\n", qPrintable(arg));
            return usage();
        } else {
            items.push_back(Item{arg, false, 0, QString()});
        }
    }
    if (scriptFile.isEmpty() ? items.empty() : (!items.empty() || postfix))
        return usage();

    DataContext data;
    QSqlDatabase db;
    if (!dataSets.isEmpty() && dbFile.isEmpty())
        return failure(QStringLiteral("--dataset needs --db"));
    if (!dbFile.isEmpty()) {
        if (!QFileInfo(dbFile).isFile())
            return failure(QStringLiteral("no database file ") + dbFile);
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("frcalc"));
        db.setDatabaseName(dbFile);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            return failure(QStringLiteral("cannot open ") + dbFile);
    }
    for (const auto &[name, table] : std::as_const(dataSets)) {
        auto *cursor = new TfrTableCursor(&data.owner);
        cursor->setObjectName(name);
        cursor->setDatabase(db);
        cursor->setTableName(table);
        try {
            cursor->Open();
            cursor->First();
        } catch (const EfrError &e) {
            return failure(e.message());
        }
        if (!data.active)
            data.defaultSet.SetDataSet(cursor);
        data.active = true;
    }
    frSetValueContext(&data);
    if (data.active)
        variables.fields = &data.dictionary;
    if (!scriptFile.isEmpty()) {
        const int scriptStatus = runScript(scriptFile, scriptValues);
        frSetValueContext(nullptr);
        return scriptStatus;
    }

    frParser->NameHandler = TGetPValueEvent::bind<&Variables::resolve>(&variables);
    frParser->FunctionHandler = {};

    int status = 0;
    for (const Item &item : items) {
        const QString &expression = item.expression;
        try {
            if (item.formatted) {
                printLine(escaped(FormatValue(frParser->Calc(expression), item.format, item.formatStr)));
            } else if (postfix) {
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
    frSetValueContext(nullptr);
    return status;
}
