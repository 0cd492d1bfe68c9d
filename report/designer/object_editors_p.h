// Shared by the object editors: telling the document of a field set without a property.
#pragma once

#include "report/designer/designer_document.h"
#include "report/model/change_notice.h"
#include "report/model/report.h"
#include "report/model/view.h"

// Fields such as the script, the display format and the highlight have no property to set
// them through; the editor sets the field inside a step and tells the document so.
inline void frNotifyFieldChanged(TfrDesignerDocument &doc, TfrView &view, const QString &property)
{
    TfrReport &report = doc.Report();
    TfrChange change;
    change.kind = frcProperty;
    change.object = &view;
    change.objectNumber = view.objectNumber;
    change.page = report.PageOf(view);
    change.pageIndex = doc.CurrentPageIndex();
    change.property = property;
    report.NotifyChange(change);
}
