#include "report/model/model_context.h"

#include "report/eval/globals.h"
#include "report/model/band.h"
#include "report/model/memo_view.h"
#include "report/model/page.h"
#include "report/model/registry.h"
#include "report/model/report.h"

namespace {

// A band without a data set counts with the first band of the same kind on the page.
const TfrBand *countingBand()
{
    if (!CurBand)
        return nullptr;
    if (!CurBand->DataSet() && CurPage)
        if (const TfrBand *head = CurPage->Band(CurBand->Typ))
            return head;
    return CurBand;
}

} // namespace

QObject *TfrModelValueContext::ReportOwner() const { return CurReport ? CurReport->Owner : nullptr; }

TfrDataDictionary *TfrModelValueContext::Dictionary() const
{
    return CurReport ? &CurReport->Dictionary() : nullptr;
}

TfrDataset *TfrModelValueContext::ReportDataset() const { return CurReport ? CurReport->Dataset : nullptr; }

void TfrModelValueContext::OnGetValue(const QString &name, TfrVariant &value)
{
    if (CurReport && CurReport->OnGetValue)
        CurReport->OnGetValue(name, value);
}

TfrDocInfo TfrModelValueContext::DocInfo() const { return CurReport ? CurReport->DocInfo : TfrDocInfo{}; }

bool TfrModelValueContext::FinalPass() const
{
    const TfrReport *r = MasterReport ? MasterReport : CurReport;
    return r && r->FinalPass;
}

int TfrModelValueContext::PosY() const { return CurPage ? CurPage->posY : 0; }
int TfrModelValueContext::LimitY() const { return CurPage ? CurPage->limitY : 0; }
int TfrModelValueContext::RightMargin() const { return CurPage ? CurPage->RightMargin() : 0; }
int TfrModelValueContext::CrossColumnNo() const { return CurPage ? CurPage->crossColumnNo : 0; }
int TfrModelValueContext::RecordNo() const { return CurPage ? CurPage->recordNo : 0; }

int TfrModelValueContext::LineNo() const
{
    const TfrBand *b = countingBand();
    return b ? b->lineNo : 0;
}

int TfrModelValueContext::LineThroughNo() const
{
    const TfrBand *b = countingBand();
    return b ? b->lineThroughNo : 0;
}

int TfrModelValueContext::CurrentBandType() const
{
    if (!CurBand || !CurPage || CurPage->PageType != ptReport)
        return -1;
    return CurBand->Typ;
}

TfrDataset *TfrModelValueContext::PageBandDataset(int bandType) const
{
    const TfrBand *b = CurPage ? CurPage->Band(bandType) : nullptr;
    return b ? b->DataSet() : nullptr;
}

bool TfrModelValueContext::ViewFormat(quint32 &format, QString &formatStr) const
{
    if (!CurView)
        return false;
    format = quint32(CurView->formatCode);
    formatStr = CurView->formatText;
    return true;
}

bool TfrModelValueContext::ViewHidesZeros() const
{
    return CurView && CurView->Typ == otMemo && (CurView->Flags & flHideZeros);
}

int TfrModelValueContext::CalcWidth()
{
    if (!CurView)
        return 0;
    // A text that asks for its own width while it is being expanded gets its Width.
    static bool measuring = false;
    auto *memo = dynamic_cast<TfrMemoView *>(CurView);
    if (!memo || measuring)
        return CurView->Width;
    measuring = true;
    const QStringList saved = memo->expandedMemo;
    int width = 0;
    try {
        memo->ExpandMemoVariables();
        width = memo->CalcWidth(memo->expandedMemo);
    } catch (...) {
        memo->expandedMemo = saved;
        measuring = false;
        throw;
    }
    memo->expandedMemo = saved;
    measuring = false;
    return width;
}

bool TfrModelValueContext::GetObjectProperty(const QString &name, TfrVariant &value)
{
    TfrObject *target = nullptr;
    QString property;
    frResolveQualifiedName(name, target, property);
    if (!target || !target->GetPropRec(property))
        return false;
    value = target->GetPropValue(property);
    return true;
}
