// "Новый из шаблона…" and "Сохранить как шаблон…" (placeholders until they are built).
#include "report/designer/designer_editors.h"

QString frTemplatesFolder() { return QString(); }
bool frChooseTemplate(QWidget *, QString &) { return false; }
bool frSaveAsTemplate(QWidget *, TfrDesignerDocument &) { return false; }
