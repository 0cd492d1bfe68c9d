// The editors of objects and the expression builder (placeholders until they are built).
#include "report/designer/designer_editors.h"

bool frEditObject(QWidget *, TfrDesignerDocument &, const QString &) { return false; }
bool frHasPropertyEditor(const QString &) { return false; }
bool frEditProperty(QWidget *, TfrDesignerDocument &, const QString &) { return false; }
bool frBuildExpression(QWidget *, TfrReport &, QString &) { return false; }
