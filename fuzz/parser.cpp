// Evaluates arbitrary bytes (as cp1251 text) as an expression, and as stored postfix
// text, with handlers that answer every kind of value and sometimes evaluate again.
// Errors are the expected outcome of most inputs; crashes, hangs and sanitizer reports
// are the findings.
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

#include "report/eval/codec.h"
#include "report/eval/parser.h"

namespace {

int gNesting = 0;

TfrVariant valueFor(const QString &name)
{
    const size_t h = qHash(name);
    switch (h % 9) {
    case 0: return TfrVariant::null();
    case 1: return TfrVariant();
    case 2: return TfrVariant(int(h % 1000) - 500);
    case 3: return TfrVariant(double(h % 10000) / 7.0);
    case 4: return TfrVariant(name);
    case 5: return TfrVariant((h & 16) != 0);
    case 6: return TfrVariant::fromDateTime(double(h % 60000));
    case 7: return TfrVariant(TfrCurrency::fromScaled(qint64(h % 1000000) - 500000));
    default: return TfrVariant(qint64(h) - qint64(1) * 0x7FFFFFFFFFFF);
    }
}

// Every fourth name is evaluated as an expression itself, as report variables are.
void nameHandler(void *, const QString &name, TfrVariant &value)
{
    if (qHash(name) % 4 == 0 && gNesting < 8) {
        ++gNesting;
        try {
            value = frParser->Calc(name);
        } catch (...) {
            --gNesting;
            throw;
        }
        --gNesting;
        return;
    }
    value = valueFor(name);
}

void functionHandler(void *, const QString &name, const TfrVariant &p1, const TfrVariant &,
                     const TfrVariant &, TfrVariant &value)
{
    if (qHash(name) % 3 == 0 && gNesting < 8) {
        ++gNesting;
        try {
            value = frParser->Calc(p1.rawString());
        } catch (...) {
            --gNesting;
            throw;
        }
        --gNesting;
        return;
    }
    value = valueFor(name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = frFromCp1251(reinterpret_cast<const char *>(data), qsizetype(size));
    frParser->NameHandler = TGetPValueEvent(nameHandler, nullptr);
    frParser->FunctionHandler = TFunctionEvent(functionHandler, nullptr);

    try {
        const TfrVariant v = frParser->Calc(text);
        (void)v.toString();
    } catch (const EfrError &) {
    }
    try {
        (void)frParser->CalcOPZ(text);
    } catch (const EfrError &) {
    }
    int i = 1, j = 0;
    (void)GetBrackedVariable(text, i, j);
    try {
        QStringList results;
        TfrFunctionSplitter splitter(QStringList{QStringLiteral("SUM"), QStringLiteral("MAX")}, results,
                                     [](const QString &name) -> std::optional<QString> {
                                         // Fixed texts: a dictionary does not grow while it is read.
                                         if (qHash(name) % 5 == 0)
                                             return QStringLiteral("SUM([V1]) + MAX(V2, [V3])");
                                         if (name.size() == 2 && name.startsWith(u'V'))
                                             return QStringLiteral("[V1] * SUM(V2)");
                                         return std::nullopt;
                                     });
        splitter.Split(text);
    } catch (const EfrError &) {
    }
    return 0;
}
