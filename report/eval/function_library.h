// Function libraries, the catalogue of functions the designer lists, and the report's
// function dispatcher: every call the parser does not evaluate itself arrives here with
// its upper-cased name and three unevaluated argument texts.
//
// Dispatch order: the registered libraries in registration order, then the run-time
// functions (page and band control, counters, arrays, object methods), then, always
// after those, the host program's OnUserFunction. The result starts as the string "0".
//
// The report objects this needs (bands, objects, the report's flags) live in the layers
// above; they are reached through TfrRunContext, which the report engine implements and
// installs with frSetRunContext, as value resolution does with its TfrValueContext.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

#include "report/eval/variant.h"

class TfrAggregateBand;

class TfrFunctionLibrary {
public:
    TfrFunctionLibrary() = default;
    virtual ~TfrFunctionLibrary();
    TfrFunctionLibrary(const TfrFunctionLibrary &) = delete;
    TfrFunctionLibrary &operator=(const TfrFunctionLibrary &) = delete;

    // Libraries are told apart by class name (registration, catalogue removal).
    virtual QString ClassName() const = 0;

    // Looks the name up (without regard to case); when found, DoFunction with its number
    // and true.
    virtual bool OnFunction(const QString &FName, const TfrVariant &p1, const TfrVariant &p2,
                            const TfrVariant &p3, TfrVariant &val);
    virtual void DoFunction(int FNo, const TfrVariant &p1, const TfrVariant &p2,
                            const TfrVariant &p3, TfrVariant &val);

    // A catalogue entry for this library.
    void AddFunctionDesc(const QString &funName, const QString &funGroup, const QString &funDescription);

    // The names the library answers to; the position of a name is its function number.
    const QStringList &List() const { return m_list; }
    void SetList(const QStringList &names);
    // The number of a name, or -1.
    int IndexOf(const QString &name) const;

private:
    QStringList m_list;
    QHash<QString, int> m_index; // upper-cased name -> number
};

struct TfrFunctionDesc {
    TfrFunctionLibrary *funLibrary = nullptr; // not owned
    QString libraryClassName;
    QString funName;
    QString funGroup;
    QString funDescription; // call form, "/", explanation
};

// The catalogue behind the designer's function list; it plays no part in evaluation.
class TfrInstalledFunctions {
public:
    // The category list's entry that stands for every function.
    static QString AllFunctionsText();

    // Ignored for an empty category or when an entry of exactly this name exists.
    void Add(TfrFunctionLibrary *funLibrary, const QString &funName, const QString &funGroup,
             const QString &funDescription);
    // The description of the first entry of that name (without regard to case), or "".
    QString GetFunctionDesc(const QString &funName) const;
    // Distinct categories, sorted.
    void GetCategoryList(QStringList &list) const;
    // Names of the category, sorted; every name for "" or AllFunctionsText().
    void GetFunctionList(const QString &category, QStringList &list) const;
    // Drops every entry of a library of the same class name.
    void UnRegisterFunctionLibrary(const TfrFunctionLibrary *funLibrary);
    void UnRegisterFunctionLibrary(const QString &className);

    int Count() const { return int(m_items.size()); }
    const TfrFunctionDesc &Item(int index) const { return m_items.at(size_t(index)); }

private:
    std::vector<TfrFunctionDesc> m_items;
};

TfrInstalledFunctions &frInstalledFunctions();
inline void frAddFunctionDesc(TfrFunctionLibrary *funLibrary, const QString &funName,
                              const QString &funGroup, const QString &funDescription)
{
    frInstalledFunctions().Add(funLibrary, funName, funGroup, funDescription);
}

// What the run-time functions, the aggregates and script assignments need from the report
// being built and from the engine's current page, band and view. Every default answers
// as if there were no report: the standard and database libraries stand in for the
// registered ones, and everything that needs a band, a page or an object does nothing.
class TfrRunContext {
public:
    virtual ~TfrRunContext();

    // ---- libraries ----
    // Offers a call to the registered libraries in registration order; true when one
    // answered.
    virtual bool CallLibraries(const QString &name, const TfrVariant &p1, const TfrVariant &p2,
                               const TfrVariant &p3, TfrVariant &val);

    // ---- CurReport ----
    // The report's OnUserFunction, when set.
    virtual void OnUserFunction(const QString &name, const TfrVariant &p1, const TfrVariant &p2,
                                const TfrVariant &p3, TfrVariant &val)
    {
        Q_UNUSED(name) Q_UNUSED(p1) Q_UNUSED(p2) Q_UNUSED(p3) Q_UNUSED(val)
    }
    // The report's UseDefaultDataSetName (false unless set).
    virtual bool UseDefaultDataSetName() const { return false; }
    // The current report's terminated flag (the progress window's cancel sets it).
    virtual bool Terminated() const { return m_terminated; }
    virtual void SetTerminated(bool value) { m_terminated = value; }
    // Lets pending window messages be processed (a running script calls it now and then,
    // so a cancel can arrive).
    virtual void ProcessMessages() {}

    // ---- CurBand and CurPage ----
    // The current band asks for a page or a column break (its pendingNewPages or
    // pendingNewColumns grows by one).
    virtual void NewPage() {}
    virtual void NewColumn() {}
    // Prints the named band now on the current page.
    virtual void ShowBand(const QString &name) { Q_UNUSED(name) }
    // CurBand as the aggregates see it, or nullptr.
    virtual TfrAggregateBand *CurAggregateBand() const { return nullptr; }
    // The data band the aggregate pre-scan registers aggregates with, or nullptr.
    virtual TfrAggregateBand *AggregatePrepBand() const { return nullptr; }
    // The page's current column number (cross-tab columns).
    virtual int CurrentColumn() const { return 0; }

    // ---- objects (qualified names resolved as for properties) ----
    // name is split into object and method ("Memo1.Memo.Add": Memo1, "MEMO.ADD"; no point:
    // the current view and the whole name); when an object results, its DoMethod with the
    // three argument texts gives result and the answer is true.
    virtual bool CallObjectMethod(const QString &name, const TfrVariant &p1, const TfrVariant &p2,
                                  const TfrVariant &p3, TfrVariant &result)
    {
        Q_UNUSED(name) Q_UNUSED(p1) Q_UNUSED(p2) Q_UNUSED(p3) Q_UNUSED(result) return false;
    }
    // name is split into object and property; the object's DoMethod is called with
    // methodName (SETINDEXPROPERTY or GETINDEXPROPERTY), the upper-cased property name,
    // index and value. True when an object results.
    virtual bool CallIndexProperty(const QString &name, const QString &methodName,
                                   const TfrVariant &index, const TfrVariant &value, TfrVariant &result)
    {
        Q_UNUSED(name) Q_UNUSED(methodName) Q_UNUSED(index) Q_UNUSED(value) Q_UNUSED(result) return false;
    }
    // Sets the property a qualified name addresses; false when the object has no such
    // property (or there is no object).
    virtual bool SetObjectProperty(const QString &name, const TfrVariant &value)
    {
        Q_UNUSED(name) Q_UNUSED(value) return false;
    }

    // ---- assignment targets of scripts ----
    // MODALRESULT: the dialog form's modal result, when the current page is a dialog page.
    virtual void SetModalResult(int value) { Q_UNUSED(value) }
    // CURY: the current page's print position (restoreY is set on a band that asked for
    // a break).
    virtual void SetCurY(int value) { Q_UNUSED(value) }
    // PROGRESS: the progress window's message line.
    virtual void ShowProgress(const QString &text) { Q_UNUSED(text) }

private:
    bool m_terminated = false;
};

// The installed context (never null: a default one without report stands in).
TfrRunContext &frRunContext();
// nullptr restores the default. The caller keeps ownership.
void frSetRunContext(TfrRunContext *context);

// The report's function dispatcher (the parser's FunctionHandler).
void OnGetParsFunction(const QString &name, const TfrVariant &p1, const TfrVariant &p2,
                       const TfrVariant &p3, TfrVariant &val);
// The run-time functions: STOPREPORT, NEWPAGE, NEWCOLUMN, SHOWBAND, INC, DEC, SETARRAY,
// GETARRAY, and any other name as an object method.
void GetIntrpFunction(const QString &name, const TfrVariant &p1, const TfrVariant &p2,
                      const TfrVariant &p3, TfrVariant &val);

// Points the shared parser's function handler at OnGetParsFunction.
void frInstallFunctionHandler();

// The frVariables entry that holds an element of a plain array: "Arr_" + name + "_" +
// index (a string index as it is, any other rounded to an integer).
QString frArrayEntryName(const QString &name, const TfrVariant &index);
