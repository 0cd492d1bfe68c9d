#include "report/model/band.h"

#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/model/report.h"

TfrBand::TfrBand(TfrBandType type, TfrPage *parent) : Typ(type), Parent(parent) {}

TfrBand::~TfrBand()
{
    if (CurBand == this)
        CurBand = nullptr;
}

void TfrBand::SetDataSet(TfrDataset *dataSet)
{
    m_ownedDataSet.reset();
    m_dataSet = dataSet;
}

void TfrBand::InitDataSet(const QString &text)
{
    m_dataSet = nullptr;
    m_ownedDataSet.reset();
    // Empty texts have no data set; lists with ";" belong to the cross-tab logic.
    if (text.trimmed().isEmpty() || text.contains(QLatin1Char(';')))
        return;
    TfrBandDataSource source = frResolveBandDataSource(text, CurReport ? CurReport->Owner : nullptr);
    m_dataSet = source.dataSet;
    m_ownedDataSet = std::move(source.owned);
}
