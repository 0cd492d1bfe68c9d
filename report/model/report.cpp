#include "report/model/report.h"

#include "report/eval/data_dictionary.h"
#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/eval/stream.h"
#include "report/eval/strings.h"
#include "report/eval/ui_hooks.h"
#include "report/model/page.h"
#include "report/model/paper.h"
#include "report/model/view.h"

namespace {

constexpr int kUntitledId = 55209;
constexpr int kPrinterProblemId = 55210; // "Возникли проблемы с настройкой выбранного принтера."
constexpr int kErrorCaptionId = 55206;
constexpr int kMbIconError = 16;

// Every page asks the printer for its own paper again.
void reapplyPapers(TfrPages &pages)
{
    for (TfrPage *page : pages)
        page->ChangePaper(page->pgSize, page->pgWidth, page->pgHeight, page->pgBin, page->pgOr);
}

} // namespace

TfrReport::TfrReport(QObject *owner)
    : Owner(owner), templateFileName(frLoadStr(kUntitledId)), Pages(this),
      m_dictionary(std::make_unique<TfrDataDictionary>())
{
    ClearAttribs();
}

TfrReport::~TfrReport()
{
    // The pages' objects may be current; forget them before they go.
    Pages.Clear();
    if (CurReport == this)
        CurReport = nullptr;
    if (MasterReport == this)
        MasterReport = nullptr;
}

TfrView *TfrReport::FindObject(const QString &name) const
{
    for (const TfrPage *page : Pages)
        if (TfrView *v = page->FindObject(name))
            return v;
    return nullptr;
}

void frMarkNameNumber(const QString &name, const QString &stem, Qt::CaseSensitivity cs, std::vector<bool> &used)
{
    const qsizetype digits = name.size() - stem.size();
    if (digits < 1 || digits > 9 || !name.startsWith(stem, cs) || name.at(stem.size()) == QLatin1Char('0'))
        return;
    int number = 0;
    for (qsizetype i = stem.size(); i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return;
        number = number * 10 + (c.unicode() - '0');
    }
    if (size_t(number) < used.size())
        used[size_t(number)] = true;
}

std::vector<bool> TfrReport::UsedObjectNumbers(const QString &stem, int limit) const
{
    std::vector<bool> used(size_t(std::max(limit, 0)) + 1, false);
    for (const TfrPage *page : Pages)
        for (const auto &v : page->Objects)
            frMarkNameNumber(v->Name, stem, Qt::CaseInsensitive, used);
    return used;
}

void TfrReport::InternalOnEnterRect(QStringList &Memo, TfrView *View)
{
    if (View && View->dataFieldSet && !View->dataFieldName.isEmpty()) {
        const int index = View->dataFieldSet->FindField(View->dataFieldName);
        const TfrCursorField field(View->dataFieldSet, index);
        if (index >= 0 && frIsBlob(field))
            View->GetBlob(field);
    }
    if (OnBeforePrint)
        OnBeforePrint(Memo, View);
}

void TfrReport::InternalOnExportData(TfrView *View)
{
    if (exportDataHook)
        exportDataHook(View);
}

void TfrReport::InternalOnExportText(const TfrRect &innerRect, int x, int y, const QString &Text,
                                     int FrameTyp, TfrView *View)
{
    if (exportTextHook)
        exportTextHook(innerRect, x, y, Text, FrameTyp, View);
}

// ---- printer ---------------------------------------------------------------------------

void TfrReport::SetPrinterTo(const QString &PrnName)
{
    PrinterName = PrnName;
    if (PrintToDefault)
        return;
    const int index = frPaper().IndexOfPrinter(PrnName);
    if (index >= 0)
        frPaper().SetPrinterIndex(index);
}

bool TfrReport::ChangePrinter(int OldIndex, int NewIndex)
{
    TfrPaperService &paper = frPaper();
    try {
        paper.SetPrinterIndex(NewIndex);
        PrinterName = paper.Printers().value(NewIndex);
        paper.curPaper = -1;
        reapplyPapers(Pages);
        return true;
    } catch (const std::exception &) {
        frMessageBox(frLoadStr(kPrinterProblemId), frLoadStr(kErrorCaptionId), kMbIconError);
    }
    try {
        paper.SetPrinterIndex(OldIndex);
        PrinterName = paper.Printers().value(OldIndex);
        paper.curPaper = -1;
        reapplyPapers(Pages);
    } catch (const std::exception &) {
        // The old printer fails too: the pages keep what they have.
    }
    return false;
}
