#include "report/model/band.h"

#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/parser.h"
#include "report/model/report.h"

TfrBand::TfrBand(TfrBandType type, TfrPage *parent) : Typ(type), Parent(parent) {}

TfrBand::~TfrBand()
{
    if (CurBand == this)
        CurBand = nullptr;
    // A long chain is released iteratively, not by recursing destructors.
    std::unique_ptr<TfrBand> next = std::move(chainNextOwned);
    while (next) {
        std::unique_ptr<TfrBand> after = std::move(next->chainNextOwned);
        next.reset();
        next = std::move(after);
    }
    FreeDataSet();
}

bool TfrBand::AggregateHasCrossBands() const
{
    for (const TfrView *v : Objects)
        if (v->ownerBand != this)
            return true;
    return false;
}

void TfrBand::SetDataSet(TfrDataset *dataSet)
{
    m_ownedDataSet.reset();
    m_dataSet = dataSet;
}

void TfrBand::SetCrossDataSet(TfrDataset *dataSet, std::unique_ptr<TfrUserDataset> owned)
{
    m_ownedCrossDataSet = std::move(owned);
    m_crossDataSet = dataSet;
}

void TfrBand::FreeDataSet()
{
    if (m_dataSet)
        m_dataSet->Exit();
    if (m_crossDataSet)
        m_crossDataSet->Exit();
    m_dataSet = nullptr;
    m_crossDataSet = nullptr;
    m_ownedDataSet.reset();
    m_ownedCrossDataSet.reset();
}

void TfrBand::InitDataSet(const QString &text)
{
    if (Typ == btGroupHeader) {
        conditionCode = frParser->Str2OPZ(text);
        return;
    }
    if (m_dataSet)
        m_dataSet->Exit();
    m_dataSet = nullptr;
    m_ownedDataSet.reset();
    // Empty texts have no data set; lists with ";" belong to the cross-tab logic.
    if (text.trimmed().isEmpty() || text.contains(QLatin1Char(';')))
        return;
    TfrBandDataSource source = frResolveBandDataSource(text, CurReport ? CurReport->Owner : nullptr);
    m_dataSet = source.dataSet;
    m_ownedDataSet = std::move(source.owned);
}
