#include "report/engine/export_filter.h"

TfrExportFilter::TfrExportFilter(QObject *owner) : QObject(owner) {}

TfrExportFilter::~TfrExportFilter() { ClearLines(); }

void TfrExportFilter::ClearLines()
{
    // Chains are unlinked one record at a time: a long chain must not recurse.
    for (auto &head : Lines) {
        std::unique_ptr<TfrTextRec> rec = std::move(head);
        while (rec)
            rec = std::move(rec->Next);
    }
    Lines.clear();
}

bool TfrExportFilter::OnWholePage(TfrEMFPages &, int) { return false; }

void TfrExportFilter::OnData(int, int, TfrView *) {}

void TfrExportFilter::OnText(const TfrRect &, int, int, const QString &, int, TfrView *) {}
