#include "report/eval/dataset.h"

TfrDataset::TfrDataset(QObject *owner) : QObject(owner) {}

TfrDataset::~TfrDataset() = default;

void TfrDataset::First()
{
    FRecNo = 0;
    if (OnFirst)
        OnFirst(this);
}

void TfrDataset::Next()
{
    ++FRecNo;
    // The step that ends a counted range is not a record of its own.
    if (RangeEnd == reCount && FRecNo >= RangeEndCount)
        return;
    if (OnNext)
        OnNext(this);
}

void TfrDataset::Prior()
{
    --FRecNo;
    if (OnPrior)
        OnPrior(this);
}

bool TfrDataset::Eof()
{
    bool result = RangeEnd == reCount && FRecNo >= RangeEndCount;
    if (OnCheckEOF)
        OnCheckEOF(this, result);
    return result;
}
