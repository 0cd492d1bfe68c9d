// The editors of the report: the data dictionary, the report options and the scripts.
// Each OK is one step of the document; Cancel leaves the template as it was.
#include "report/designer/designer_editors.h"

#include "report/designer/designer_document.h"
#include "report/designer/dictionary_dialog.h"
#include "report/designer/report_options_dialog.h"
#include "report/designer/script_dialog.h"
#include "report/model/page.h"
#include "report/model/report.h"

bool frEditDataDictionary(QWidget *parent, TfrDesignerDocument &doc)
{
    TfrDictionaryDialog dialog(doc.Report(), parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QByteArray before = doc.Snapshot();
    doc.Edit(QObject::tr("Словарь данных"), [&] { dialog.Apply(doc.Report()); });
    return doc.Snapshot() != before;
}

bool frEditReportOptions(QWidget *parent, TfrDesignerDocument &doc)
{
    TfrReportOptionsDialog dialog(doc.Report(), parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QByteArray before = doc.Snapshot();
    doc.Edit(QObject::tr("Параметры отчёта"), [&] { dialog.Apply(doc.Report()); });
    return doc.Snapshot() != before;
}

bool frEditScript(QWidget *parent, const QString &title, QStringList &script)
{
    TfrScriptDialog dialog(title, script, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    script = dialog.Lines();
    return true;
}

bool frEditReportScript(QWidget *parent, TfrDesignerDocument &doc)
{
    TfrPage *page = doc.CurrentPage();
    if (!page)
        return false;
    QStringList lines = page->scriptLines;
    if (!frEditScript(parent, QObject::tr("страница %1").arg(page->Name), lines) || lines == page->scriptLines)
        return false;
    const int pageIndex = doc.CurrentPageIndex();
    doc.Edit(QObject::tr("Скрипт страницы"), [&] {
        TfrPage *target = doc.Report().Page(pageIndex);
        target->scriptLines = lines;
        TfrChange change;
        change.kind = frcProperty;
        change.page = target;
        change.object = target;
        change.property = page->PageType == ptDialog ? QStringLiteral("OnActivate") : QStringLiteral("OnBeforePrint");
        change.pageIndex = pageIndex;
        doc.Report().NotifyChange(change);
    });
    return true;
}
