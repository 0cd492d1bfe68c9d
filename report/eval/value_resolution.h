// From a bracket group to the text that replaces it: inline formats, the fixed order in
// which a name is looked up (host event, dictionary, system variables, host values, page
// metrics and object properties, constants, evaluation as an expression) and the
// formatting of a value by a format word.
//
// Format word (32 bits):
// | Bits   | Meaning                                                            |
// |--------|--------------------------------------------------------------------|
// | 24..27 | category: 0 text, 1 number, 2 date, 3 time, 4 boolean              |
// | 16..23 | variant of the category; 4 means the format string                 |
// | 8..15  | decimal digits (numbers)                                           |
// | 0..7   | decimal separator, a cp1251 code (numbers); 0 keeps the locale's   |
#pragma once

#include <QString>
#include <QStringList>

#include "report/eval/datetime.h"
#include "report/eval/variant.h"

class QObject;
class TfrDataset;
class TfrDataDictionary;

// The document attributes expressions read (REPORTNAME, VMAJOR, REPORTDATE, ...).
struct TfrDocInfo {
    QString comment, name, author;
    QString versionMajor, versionMinor, versionRelease, versionBuild;
    TDateTime created = 0;
    TDateTime lastChange = 0;
};

// What value resolution reads from the report being built and from the engine's current
// page, band and view. The report engine implements it over CurReport, MasterReport,
// CurPage, CurBand and CurView (globals.h stays the source of truth: the methods read
// those pointers each time they are called) and installs it with frSetValueContext.
// Every default answers as if there were no report, page, band or view.
class TfrValueContext {
public:
    virtual ~TfrValueContext();

    // ---- CurReport ----
    // Owner of the report: its components are searched by name.
    virtual QObject *ReportOwner() const { return nullptr; }
    virtual TfrDataDictionary *Dictionary() const { return nullptr; }
    // The report's Dataset property.
    virtual TfrDataset *ReportDataset() const { return nullptr; }
    // Calls the report's OnGetValue when set; value arrives empty and counts as supplied
    // when the handler left it non-empty.
    virtual void OnGetValue(const QString &name, TfrVariant &value) { Q_UNUSED(name) Q_UNUSED(value) }
    virtual TfrDocInfo DocInfo() const { return {}; }
    // MasterReport's final-pass flag.
    virtual bool FinalPass() const { return false; }
    // Pages of the first pass of a two-pass report, or of the exported report; else 0.
    virtual int TotalPages() const { return 0; }
    // Set while the page engine scans bands for aggregates: no formatting, no
    // undefined-name error.
    virtual bool AggregatePrepMode() const { return false; }

    // ---- CurPage (0 without a page) ----
    virtual int PosY() const { return 0; }
    virtual int LimitY() const { return 0; }
    virtual int RightMargin() const { return 0; }
    virtual int CrossColumnNo() const { return 0; }
    virtual int RecordNo() const { return 0; }

    // ---- CurBand ----
    // lineNo / lineThroughNo (a band without a data set: those of the first band of the
    // same kind on the page); 0 without a band.
    virtual int LineNo() const { return 0; }
    virtual int LineThroughNo() const { return 0; }
    // The type code (0..22) of CurBand while CurPage is a report page; -1 when there is
    // no band or page, or the page is a dialog page.
    virtual int CurrentBandType() const { return -1; }
    // The data set set up for CurPage's band of that type (master data 5, detail data 8,
    // subdetail data 11, cross data 19), or nullptr when the page has none.
    virtual TfrDataset *PageBandDataset(int bandType) const { Q_UNUSED(bandType) return nullptr; }

    // ---- CurView ----
    // Its format word and string; false (nothing set) without a current view.
    virtual bool ViewFormat(quint32 &format, QString &formatStr) const
    {
        Q_UNUSED(format) Q_UNUSED(formatStr) return false;
    }
    // Its hide-zero-values flag.
    virtual bool ViewHidesZeros() const { return false; }
    // CALCWIDTH: a text object's measured text width, any other object's width, 0 without.
    virtual int CalcWidth() { return 0; }

    // ---- objects and pages ----
    // A property named by a qualified name, split at its first point into object and
    // property: no point, the property of CurView; an object part "PAGEn" (upper-cased,
    // a digit after PAGE) is report page n (1-based); otherwise the view of that name on
    // any page, or, when there is none but CurView has a property named like the object
    // part, CurView with the whole name as property ("Font.Size"). The property list is
    // defined first when empty. True and the value when the property exists.
    virtual bool GetObjectProperty(const QString &name, TfrVariant &value)
    {
        Q_UNUSED(name) Q_UNUSED(value) return false;
    }
};

// The installed context (never null: a default one without report stands in).
TfrValueContext &frValueContext();
// nullptr restores the default. The caller keeps ownership.
void frSetValueContext(TfrValueContext *context);

// Module state; lives as long as the program.
struct TfrValueState {
    TfrVariant lastValue;      // the name VALUE returns it
    QString lastExpression;
    QString nameUnderEvaluation;
    TDateTime reportDate = 0;  // DATE and TIME; set when a preparation starts
    TDateTime reportTime = 0;
};
TfrValueState &frValueState();

// The content of one bracket group to its text: an inline format after " #" replaces
// CurView's, the value is resolved and formatted (hidden zeros give the empty text).
QString InternalOnGetValue(const QString &content);
// The parser's name handler.
void GetVariableValue(const QString &name, TfrVariant &value);
// Page metrics, object properties and constants; value stays empty when none applies.
void GetIntrpValue(const QString &name, TfrVariant &value);
// Never fails: a value that does not fit its format shows its text form.
QString FormatValue(const TfrVariant &value, quint32 format, const QString &formatStr);

// Points the shared parser's name handler at GetVariableValue.
void frInstallNameHandler();

// The text recorded when evaluation fails while an object is printed: the fixed heading,
// the object's lines, the document name, the object name and the error's message; the
// object parts only when hasObject.
QString frEvaluationErrorText(const QString &reportName, bool hasObject, const QString &objectName,
                              const QStringList &objectLines, const QString &message);
// Sets ErrorFlag and ErrorStr to that text.
void frRecordEvaluationError(const QString &reportName, bool hasObject, const QString &objectName,
                             const QStringList &objectLines, const QString &message);
