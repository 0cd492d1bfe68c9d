#include "report/eval/aggregates.h"

#include "report/eval/function_library.h"
#include "report/eval/interpreter.h"
#include "report/eval/parser.h"
#include "report/eval/std_functions.h"
#include "report/eval/value_resolution.h"
#include "report/eval/variant_ops.h"

namespace TB = TfrAggregateBandTypes;

TfrAggregateBand::~TfrAggregateBand() = default;

namespace {

constexpr char16_t kSep = 1;
const QString kColumnTemplate = QStringLiteral("0\x01");

bool isCode(char16_t c) { return c >= agSum && c <= agCount; }

QString makeKey(const QString &owner, TfrAggregateCode code, const QString &expression, const QString &flag)
{
    QString key;
    key.reserve(owner.size() + expression.size() + flag.size() + 5);
    key += owner;
    key += QChar(kSep);
    key += QChar(code);
    key += QChar(kSep);
    key += expression;
    key += QChar(kSep);
    key += flag;
    key += QChar(kSep);
    return key;
}

// The fields of a key; column is set only on a key of a band with cross bands.
struct KeyParts {
    bool valid = false;
    bool hasColumn = false;
    QStringView column;
    QStringView owner;
    TfrAggregateCode code = agSum;
    QStringView expression;
    QStringView flag;
};

KeyParts parseKey(QStringView key)
{
    KeyParts parts;
    const qsizetype n = key.size();
    if (n < 5 || key[n - 1] != kSep)
        return parts;
    const qsizetype first = key.indexOf(QChar(kSep));
    qsizetype codeAt = first + 1;
    // "owner|code|": a plain key; otherwise "column|owner|code|".
    if (!(codeAt + 1 < n && isCode(key[codeAt].unicode()) && key[codeAt + 1] == kSep)) {
        const qsizetype second = key.indexOf(QChar(kSep), first + 1);
        codeAt = second + 1;
        if (second < 0 || !(codeAt + 1 < n && isCode(key[codeAt].unicode()) && key[codeAt + 1] == kSep))
            return parts;
        parts.hasColumn = true;
        parts.column = key.first(first);
        parts.owner = key.mid(first + 1, second - first - 1);
    } else {
        parts.owner = key.first(first);
    }
    const qsizetype exprStart = codeAt + 2;
    // The flag never holds the separator; the expression may (it is text as written).
    const qsizetype flagSep = key.lastIndexOf(QChar(kSep), n - 2);
    if (flagSep < exprStart - 1)
        return parts;
    parts.code = TfrAggregateCode(key[codeAt].unicode());
    parts.expression = key.mid(exprStart, std::max<qsizetype>(flagSep - exprStart, 0));
    parts.flag = key.mid(flagSep + 1, n - 2 - flagSep);
    parts.valid = true;
    return parts;
}

// The data band an aggregate without a band name accumulates over, by the showing band.
bool defaultBandMatches(int showingType, int dataType)
{
    switch (showingType) {
    case TB::ReportSummary:
    case TB::PageFooter:
    case TB::MasterFooter:
    case TB::GroupFooter:
        return dataType == TB::MasterData;
    case TB::DetailFooter:
        return dataType == TB::DetailData;
    case TB::SubDetailFooter:
        return dataType == TB::SubDetailData;
    case TB::CrossFooter:
        return dataType == TB::CrossData;
    default:
        return false;
    }
}

void registerAggregate(TfrAggregateBand &showing, TfrAggregateBand &data, TfrAggregateCode code,
                       const QString &bandArgument, const QString &expression, const QString &flag)
{
    QString bandName = bandArgument.trimmed();
    if (bandName.isEmpty()) {
        if (!defaultBandMatches(showing.AggregateBandType(), data.AggregateBandType()))
            return;
        bandName = data.AggregateBandName();
    }
    if (bandName.compare(data.AggregateBandName(), Qt::CaseInsensitive) != 0)
        return;
    QString owner = showing.AggregateBandName();
    if (showing.AggregateHasCrossBands() && showing.AggregateBandType() != TB::CrossFooter)
        owner.prepend(kColumnTemplate);
    data.aggregateValues.SetVariable(makeKey(owner, code, expression, flag), frAggregateStartValue(code));
    showing.aggregateOwner = &data;
}

void readAggregate(TfrAggregateBand &showing, TfrAggregateCode code, const QString &expression,
                   const QString &flag, TfrVariant &val)
{
    TfrAggregateBand *holder = showing.aggregateOwner;
    if (!holder)
        return;
    QString owner = showing.AggregateBandName();
    if (showing.AggregateBandType() == TB::CrossData) {
        // A cross cell reads the column's copy kept for the row band it is drawn for.
        owner = QString::number(frRunContext().CurrentColumn()) + QChar(kSep) + holder->AggregateBandName();
        holder = holder->aggregateOwner;
        if (!holder)
            return;
    }
    const QString key = makeKey(owner, code, expression, flag);
    const TfrVariant *value = holder->aggregateValues.Find(key);
    if (!value)
        return;
    if (code != agAvg) {
        val = *value;
        return;
    }
    const TfrVariant total = value->isNull() ? TfrVariant(0) : *value;
    const int count = holder->aggregateCounts.value(key, 0);
    val = count == 0 ? TfrVariant(0) : frVarDiv(total, TfrVariant(count));
}

// Per-column copies of the keys of a band with cross bands, made on the column's first
// record.
void copyColumnKeys(TfrVariables &list, const QString &columnPrefix)
{
    const int count = list.GetCount();
    for (int i = 0; i < count; ++i) {
        const QString name = list.GetName(i);
        if (!name.startsWith(kColumnTemplate))
            continue;
        const QString copy = columnPrefix + name.mid(kColumnTemplate.size());
        if (list.Contains(copy))
            continue;
        const KeyParts parts = parseKey(name);
        list.SetVariable(copy, parts.valid ? frAggregateStartValue(parts.code) : TfrVariant(0));
    }
}

} // namespace

TfrVariant frAggregateStartValue(TfrAggregateCode code)
{
    return code == agMin ? TfrVariant(1e300) : TfrVariant(0);
}

void frAggregateFunction(TfrAggregateCode code, const QString &p1, const QString &p2, const QString &p3,
                         TfrVariant &val)
{
    TfrRunContext &ctx = frRunContext();
    TfrAggregateBand *showing = ctx.CurAggregateBand();
    if (!showing)
        return;
    // COUNT counts the records of the band it names; its flag comes second.
    const QString &expression = p1;
    const QString &bandArgument = code == agCount ? p1 : p2;
    const QString &flag = code == agCount ? p2 : p3;
    if (frValueContext().AggregatePrepMode()) {
        if (TfrAggregateBand *data = ctx.AggregatePrepBand())
            registerAggregate(*showing, *data, code, bandArgument, expression, flag);
        return;
    }
    readAggregate(*showing, code, expression, flag, val);
}

void DoAggregate(TfrAggregateBand &band, int column)
{
    TfrVariables &list = band.aggregateValues;
    const bool perColumn = band.AggregateHasCrossBands();
    const QString columnText = QString::number(column);
    if (perColumn)
        copyColumnKeys(list, columnText + QChar(kSep));

    const bool visible = band.AggregateBandVisible();
    // The previous key of this round, whose value a key with the same text reuses.
    QString lastExpression;
    TfrVariant lastValue;
    bool lastHasValue = false;
    for (int i = 0; i < list.GetCount(); ++i) {
        const QString key = list.GetName(i);
        const KeyParts parts = parseKey(key);
        if (!parts.valid)
            continue;
        if (perColumn && (!parts.hasColumn || parts.column != columnText))
            continue;

        TfrVariant value;
        if (parts.code != agCount) {
            if (!(lastHasValue && parts.expression == lastExpression))
                lastValue = frParser->Calc(parts.expression.toString());
            value = lastValue.isNull() ? TfrVariant(0) : lastValue;
        }
        lastExpression = parts.expression.toString();
        lastHasValue = parts.code != agCount;
        if (!visible && frTrimText(parts.flag.toString()) != u"1")
            continue;

        TfrVariant running = list.GetValue(i);
        if (running.isNull())
            running = TfrVariant(0);
        switch (parts.code) {
        case agSum:
            running = frVarAdd(running, value);
            break;
        case agAvg:
            running = frVarAdd(running, value);
            ++band.aggregateCounts[key];
            break;
        case agMin:
            if (frVarCompare(value, running, TfrCompareOp::Less))
                running = value;
            break;
        case agMax:
            if (frVarCompare(value, running, TfrCompareOp::Greater))
                running = value;
            break;
        case agCount:
            running = frVarAdd(running, TfrVariant(1));
            break;
        }
        list.SetValue(i, running);
    }
}

void frResetAggregates(TfrAggregateBand &band)
{
    TfrAggregateBand *holder = band.aggregateOwner;
    if (!holder)
        return;
    const QString name = band.AggregateBandName();
    TfrVariables &list = holder->aggregateValues;
    for (int i = 0; i < list.GetCount(); ++i) {
        const QString key = list.GetName(i);
        const KeyParts parts = parseKey(key);
        // Per-column copies belong to the band as well, so a footer's columns start anew.
        if (!parts.valid || parts.owner.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        list.SetValue(i, frAggregateStartValue(parts.code));
        // Only this band's own averages start anew; the data band's other keys keep theirs.
        holder->aggregateCounts.remove(key);
    }
}

// ---- collecting aggregate calls ----

TAggregateFunctionsSplitter::TAggregateFunctionsSplitter(QStringList &results, VariableLookup variables)
    : m_results(results), m_variables(std::move(variables))
{
}

const QStringList &TAggregateFunctionsSplitter::SearchNames()
{
    static const QStringList names = {QStringLiteral("AVG"), QStringLiteral("COUNT"), QStringLiteral("MAX"),
                                      QStringLiteral("MIN"), QStringLiteral("SUM")};
    return names;
}

void TAggregateFunctionsSplitter::Split(const QString &expression)
{
    TfrFunctionSplitter splitter(SearchNames(), m_results, m_variables);
    splitter.Split(expression);
}

void TAggregateFunctionsSplitter::SplitMemo(const QStringList &memo)
{
    for (const QString &line : memo) {
        qsizetype from = 0;
        while (true) {
            const qsizetype open = line.indexOf(u'[', from);
            if (open < 0)
                break;
            int i = int(open) + 1, j = 0;
            GetBrackedVariable(line, i, j);
            const qsizetype end = std::max<qsizetype>(j, i); // 1-based closing position
            Split(line.mid(open, end - open));
            from = std::max(end, open + 1);
        }
    }
}

void TAggregateFunctionsSplitter::SplitScript(const QStringList &compiled)
{
    for (const QString &line : compiled)
        if (const auto expression = frCompiledLineExpression(line))
            Split(*expression);
}
