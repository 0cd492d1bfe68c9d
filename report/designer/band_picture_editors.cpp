// The band data source and picture editors (placeholders until they are built).
#include "report/designer/designer_editors.h"

bool frEditBandDataSource(QWidget *, TfrDesignerDocument &, const QString &) { return false; }
bool frEditPicture(QWidget *, TfrDesignerDocument &, const QString &) { return false; }
