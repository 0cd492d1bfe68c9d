// Placeholder until the inspector lands.
#include "report/designer/object_inspector.h"

#include "report/designer/designer_document.h"

struct TfrObjectInspector::Private {
    TfrDesignerDocument *doc = nullptr;
};

TfrObjectInspector::TfrObjectInspector(TfrDesignerDocument &doc, QWidget *parent)
    : QWidget(parent), d(std::make_unique<Private>())
{
    d->doc = &doc;
}
TfrObjectInspector::~TfrObjectInspector() = default;
