// Aggregate totals: SUM, AVG, MIN, MAX and COUNT over the records of a data band.
//
// An aggregate lives in three phases. Before building, the page engine scans the bands
// that can show a data band's totals (aggregatePrepMode set, the data band as
// AggregatePrepBand, the scanned band as CurAggregateBand) and evaluates every collected
// aggregate call: that registers a key with the data band. While building, the data band
// accumulates every key per record (DoAggregate). When the showing band prints, the same
// call reads the running value; after it printed, its keys are reset (InitValues).
//
// Aggregate key: four fields, each followed by the byte 1:
// | 1 | owner: the showing band's name; "0" + byte 1 + name on a band with cross bands  |
// |   | (not a cross footer); the column number instead of "0" in the per-column copies |
// | 2 | one byte, the code: 11 SUM, 12 MIN, 13 MAX, 14 AVG, 15 COUNT                    |
// | 3 | the expression text as written (COUNT: its band name argument)                  |
// | 4 | the include-invisible argument as written (COUNT: its second argument)          |
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "report/eval/variables.h"

enum TfrAggregateCode : char16_t {
    agSum = 11,
    agMin = 12,
    agMax = 13,
    agAvg = 14,
    agCount = 15,
};

// Start value of a running total: 1e300 for MIN, the integer 0 for the others.
TfrVariant frAggregateStartValue(TfrAggregateCode code);

// The aggregate state a band carries, and what the aggregates read of the band. The
// runtime band (TfrBand) derives from it.
class TfrAggregateBand {
public:
    virtual ~TfrAggregateBand();

    virtual QString AggregateBandName() const = 0;
    // The band type code (TfrBandType, 0..22).
    virtual int AggregateBandType() const = 0;
    // Whether cross bands are drawn on this band.
    virtual bool AggregateHasCrossBands() const = 0;
    virtual bool AggregateBandVisible() const = 0;

    // On a data band: the keys it accumulates and their running values.
    TfrVariables aggregateValues;
    // On a band that shows aggregates: the data band holding their keys (on a cross data
    // band: the row band it is drawn for). Not owned.
    TfrAggregateBand *aggregateOwner = nullptr;
    // On a data band, per AVG key: the values it accumulated since its own reset, its
    // divisor. Kept per key so that one showing band's reset (a page footer in the middle
    // of the data) leaves the averages of the others intact.
    QHash<QString, int> aggregateCounts;
};

// Band type codes the aggregates tell apart.
namespace TfrAggregateBandTypes {
inline constexpr int ReportSummary = 1;
inline constexpr int PageFooter = 3;
inline constexpr int MasterData = 5;
inline constexpr int MasterFooter = 6;
inline constexpr int DetailData = 8;
inline constexpr int DetailFooter = 9;
inline constexpr int SubDetailData = 11;
inline constexpr int SubDetailFooter = 12;
inline constexpr int GroupFooter = 17;
inline constexpr int CrossData = 19;
inline constexpr int CrossFooter = 20;
} // namespace TfrAggregateBandTypes

// The standard library's aggregate functions: registers the call's key during the
// pre-scan, reads the running value otherwise. args are the call's three argument texts;
// val keeps its incoming value ("0") when there is nothing to show.
void frAggregateFunction(TfrAggregateCode code, const QString &p1, const QString &p2,
                         const QString &p3, TfrVariant &val);

// Accumulation for one record of a data band; column is the page's current column
// (used on a band with cross bands).
void DoAggregate(TfrAggregateBand &band, int column);
// The aggregate part of a band's InitValues: the keys this band shows are reset in its
// owner's list, their AVG divisors with them; the owner's other keys are left alone.
void frResetAggregates(TfrAggregateBand &band);

// Collects aggregate calls (AVG, COUNT, MAX, MIN, SUM), following variables (the lookup
// answers a variable's expression text) into their texts.
class TAggregateFunctionsSplitter {
public:
    using VariableLookup = std::function<std::optional<QString>(const QString &name)>;

    TAggregateFunctionsSplitter(QStringList &results, VariableLookup variables = {});

    static const QStringList &SearchNames();

    // A text object: every outermost bracket group of every line, brackets included.
    void SplitMemo(const QStringList &memo);
    // A compiled script: the expressions of its lines.
    void SplitScript(const QStringList &compiled);
    void Split(const QString &expression);

private:
    QStringList &m_results;
    VariableLookup m_variables;
};
