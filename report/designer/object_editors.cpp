// Which editor an object or a property opens: a text object's text editor, a picture's
// picture editor, a data band's data source editor; the display format, the highlight, the
// lines, the picture and the data source of the inspected objects.
#include "report/designer/designer_editors.h"

#include "report/designer/designer_document.h"
#include "report/designer/format_dialog.h"
#include "report/designer/highlight_dialog.h"
#include "report/designer/memo_editor.h"
#include "report/model/band_view.h"
#include "report/model/page.h"
#include "report/model/view.h"

namespace {

bool isDataBand(const TfrView &view)
{
    const auto *band = dynamic_cast<const TfrBandView *>(&view);
    if (!band)
        return false;
    switch (band->GetBandType()) {
    case btMasterData:
    case btDetailData:
    case btSubDetailData:
    case btCrossData: return true;
    default: return false;
    }
}

// The inspected objects: the selection, or nothing when the page itself is inspected.
QList<TfrView *> inspected(TfrDesignerDocument &doc) { return doc.Selection(); }

} // namespace

bool frEditObject(QWidget *parent, TfrDesignerDocument &doc, const QString &objectName)
{
    TfrPage *page = doc.CurrentPage();
    TfrView *view = page ? page->FindObject(objectName) : nullptr;
    if (!view)
        return false;
    if (view->Typ == otMemo)
        return frEditMemo(parent, doc, objectName);
    if (view->Typ == otPicture)
        return frEditPicture(parent, doc, objectName);
    if (isDataBand(*view))
        return frEditBandDataSource(parent, doc, objectName);
    return false;
}

bool frHasPropertyEditor(const QString &property)
{
    for (const char *name : {"Memo", "DisplayFormat", "Highlight", "Picture", "DataSource"})
        if (property.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool frEditProperty(QWidget *parent, TfrDesignerDocument &doc, const QString &property)
{
    const QList<TfrView *> views = inspected(doc);
    if (views.isEmpty())
        return false;
    auto is = [&](const char *name) { return property.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
    if (is("DisplayFormat"))
        return frEditDisplayFormat(parent, doc, views);
    if (is("Highlight"))
        return frEditHighlight(parent, doc, views);
    // The others belong to one object.
    const QString name = views.first()->Name;
    if (is("Memo"))
        return frEditMemo(parent, doc, name);
    if (is("Picture"))
        return views.first()->Typ == otPicture && frEditPicture(parent, doc, name);
    if (is("DataSource"))
        return frEditBandDataSource(parent, doc, name);
    return false;
}
