#include "report/model/report.h"

#include "report/eval/data_dictionary.h"
#include "report/eval/db_dataset.h"
#include "report/eval/globals.h"
#include "report/model/page.h"
#include "report/model/view.h"

TfrReport::TfrReport(QObject *owner) : Owner(owner), m_dictionary(std::make_unique<TfrDataDictionary>()) {}

TfrReport::~TfrReport()
{
    // The pages' objects may be current; forget them before they go.
    m_pages.clear();
    if (CurReport == this)
        CurReport = nullptr;
    if (MasterReport == this)
        MasterReport = nullptr;
}

TfrPage *TfrReport::Page(int index) const
{
    if (index < 0 || size_t(index) >= m_pages.size())
        return nullptr;
    return m_pages[size_t(index)].get();
}

TfrPage *TfrReport::AddPage()
{
    m_pages.push_back(std::make_unique<TfrPage>(this));
    return m_pages.back().get();
}

void TfrReport::ClearPages() { m_pages.clear(); }

TfrView *TfrReport::FindObject(const QString &name) const
{
    for (const auto &page : m_pages)
        if (TfrView *v = page->FindObject(name))
            return v;
    return nullptr;
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
