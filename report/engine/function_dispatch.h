// The report objects behind the function dispatcher and the script interpreter: the
// registered function libraries, the current report's flags, objects reached by
// qualified name, and the current page.
//
// frInstallFunctionDispatch() wires it all once the engine starts (and again before
// every preparation, it costs nothing): the standard and database libraries are
// registered, this context is installed, the shared parser's FunctionHandler becomes
// OnGetParsFunction (its NameHandler is value resolution's frInstallNameHandler) and
// object scripts run through frInterpretator.
//
// What needs the page engine's bands (page and column breaks, SHOWBAND, the aggregate
// state, the break-aware CURY) and the progress window or dialog pages (PROGRESS,
// MODALRESULT) is left to a context derived from this one, which the page engine
// installs with frSetRunContext while it builds.
#pragma once

#include <functional>

#include "report/eval/function_library.h"

class TfrEngineRunContext : public TfrRunContext {
public:
    // The host's function for names nobody else knows (the report's OnUserFunction).
    using TUserFunction = std::function<void(const QString &Name, const TfrVariant &p1, const TfrVariant &p2,
                                             const TfrVariant &p3, TfrVariant &Val)>;

    // ---- the report's published settings this context answers with ----
    TUserFunction OnUserFunctionHandler;
    bool useDefaultDataSetName = false;

    // The libraries of the registry (frFunctions) in registration order.
    bool CallLibraries(const QString &name, const TfrVariant &p1, const TfrVariant &p2, const TfrVariant &p3,
                       TfrVariant &val) override;
    void OnUserFunction(const QString &name, const TfrVariant &p1, const TfrVariant &p2, const TfrVariant &p3,
                        TfrVariant &val) override;
    bool UseDefaultDataSetName() const override { return useDefaultDataSetName; }
    // CurReport's flag; MasterReport's counts too (the progress window cancels that one).
    bool Terminated() const override;
    void SetTerminated(bool value) override;
    void ProcessMessages() override;

    int CurrentColumn() const override;

    bool CallObjectMethod(const QString &name, const TfrVariant &p1, const TfrVariant &p2, const TfrVariant &p3,
                          TfrVariant &result) override;
    bool CallIndexProperty(const QString &name, const QString &methodName, const TfrVariant &index,
                           const TfrVariant &value, TfrVariant &result) override;
    bool SetObjectProperty(const QString &name, const TfrVariant &value) override;
    // CurPage's print position.
    void SetCurY(int value) override;
};

// The context frInstallFunctionDispatch installs.
TfrEngineRunContext &frEngineRunContext();

void frInstallFunctionDispatch();
