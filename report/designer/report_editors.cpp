// The editors of the report (placeholders until they are built).
#include "report/designer/designer_editors.h"

bool frEditDataDictionary(QWidget *, TfrDesignerDocument &) { return false; }
bool frEditReportOptions(QWidget *, TfrDesignerDocument &) { return false; }
bool frEditScript(QWidget *, const QString &, QStringList &) { return false; }
bool frEditReportScript(QWidget *, TfrDesignerDocument &) { return false; }
