// What an editor on top of the model is told when the template changes. A report holds at
// most one listener (not owned); the report's editing operations (SetProperty,
// SetObjectBounds, the pages' Add, Delete and Move, TfrPage's Add, Delete and MoveObject)
// tell it once per change, after the change. Loading a template and preparing pages are
// quiet: a load ends with one frcReplaced, preparation tells nothing.
#pragma once

#include <QString>

class TfrObject;
class TfrPage;
class TfrView;

enum TfrChangeKind {
    frcProperty,        // object, property: set through the property interface
    frcObjectInserted,  // page, object, index
    frcObjectDeleted,   // page, objectNumber, index; the object is gone
    frcObjectMoved,     // page, object: its position or size on the page
    frcObjectReordered, // page, object, index (new), fromIndex: its place in the drawing order
    frcPageAdded,       // page, pageIndex
    frcPageRemoved,     // pageIndex; the page is gone
    frcPageMoved,       // page, pageIndex (new), fromIndex
    frcReplaced,        // the whole template was replaced (loaded, cleared, copied into)
};

struct TfrChange {
    TfrChangeKind kind = frcReplaced;
    TfrPage *page = nullptr;     // the page concerned; nullptr when it is gone
    TfrObject *object = nullptr; // the view, or the page for a page property
    qint32 objectNumber = 0;     // the view's identity (also after frcObjectDeleted)
    QString property;            // as the caller named it
    int index = -1;              // object index on its page for object changes
    int pageIndex = -1;
    int fromIndex = -1;
};

class TfrChangeListener {
public:
    virtual ~TfrChangeListener() = default;
    virtual void ReportChanged(const TfrChange &change) = 0;
};
