// Components found by name, and data field references resolved to a table cursor and a
// field.
//
// Components are QObjects named by their objectName. The components of an owner are its
// descendants, except those inside a frame (a component marked by frSetFrame), which
// belong to the frame. Forms and data modules that other forms may name ("Form.Table")
// register themselves here; a destroyed one drops out by itself.
//
// A field reference has up to four parts separated by points, the last being the field,
// which may be in double quotes; only points before the first double quote separate:
//   Field  "Field"                  a field of the default data set
//   DataSet."Field"                 DataSet among the components of the report's owner
//   Form.DataSet."Field"            DataSet of the registered form or data module Form
//   Form.Frame.DataSet."Field"      the same through a frame of the form
// A data set part may name a table cursor or a report data set over one (TfrDBDataSet).
#pragma once

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QString>
#include <QStringList>

#include "report/eval/table_cursor.h"
#include "report/eval/variant.h"

// --- forms and data modules ------------------------------------------------------------

void frRegisterForm(QObject *form);
void frUnregisterForm(QObject *form);
// In registration order, destroyed ones left out.
QList<QObject *> frRegisteredForms();

// A frame keeps its own components; its owner reaches them as "Frame.Component".
void frSetFrame(QObject *component, bool isFrame = true);
bool frIsFrame(const QObject *component);

// The components of owner (see above), in child order, depth first.
QList<QObject *> frOwnedComponents(const QObject *owner);

// "Name": a component of owner; "A.B": component B of the registered form A; "A.B.C":
// component C of A's component B. Names compare without regard to case; none yields
// nullptr. A failure of the lookup raises EClassNotFound "Missing <name>".
QObject *frFindComponent(const QObject *owner, const QString &name);

// Every component of the class (or a subclass) except skip, in the owner (plain names),
// in every registered form and data module ("Form.Name"), and inside their frames
// ("FrameParent.Frame.Name"). A component reachable twice is listed once.
void frGetComponents(const QObject *owner, const QMetaObject &cls, QStringList &list,
                     const QObject *skip = nullptr);

// --- field references ------------------------------------------------------------------

// Strips enclosing double quotes from a text longer than two characters.
QString frRemoveQuotes(const QString &text);

// The owner of the current report (from the value context), or nullptr.
QObject *frReportOwner();
// frFindComponent(owner of the current report, name).
QObject *frGetDataSet(const QString &name);
// The table cursor a component stands for: a cursor itself, or the one behind a
// TfrDBDataSet; nullptr otherwise.
TfrTableCursor *frDataSetOf(QObject *component);

// Resolves a reference. Without a data set part dataSet is kept as it came in; with one,
// it becomes the cursor found (or nullptr). field is the unquoted name when the cursor
// has a field of that name (without regard to case), else empty.
void frGetDataSetAndField(const QString &reference, TfrTableCursor *&dataSet, QString &field);

// A field's value for expressions: opens a closed cursor; 64-bit integer fields read as
// their display text; a database null becomes "" for text fields (string and memo),
// false for booleans and the integer 0 for everything else.
TfrVariant frGetFieldValue(const TfrCursorField &field);

// Whether the cursor has a field of that name; a closed cursor without declared fields
// is opened to learn them (an opening error counts as no field).
bool frHasField(TfrTableCursor *dataSet, const QString &name);

// The cursor an unqualified field name refers to now: the report's Dataset, or, while a
// band of a report page is printed, the data set of the page's master, detail,
// subdetail or cross data band chosen by the band's type; only a TfrDBDataSet gives one.
TfrTableCursor *GetDefaultDataSet();
