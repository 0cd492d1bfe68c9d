#include "report/engine/function_dispatch.h"

#include <QCoreApplication>

#include "report/eval/db_functions.h"
#include "report/eval/globals.h"
#include "report/eval/interpreter.h"
#include "report/eval/std_functions.h"
#include "report/eval/value_resolution.h"
#include "report/model/fr_globals.h"
#include "report/model/page.h"
#include "report/model/registry.h"
#include "report/model/report.h"

namespace {

// The registry keeps instances type-erased; they are stored as the base class, so the
// pointer read back is a TfrFunctionLibrary.
template <class L> void registerLibrary(const QString &className)
{
    for (const TfrFunctionInfo &info : frFunctions())
        if (info.className == className)
            return;
    frRegisterFunctionLibrary(className, [] {
        std::shared_ptr<TfrFunctionLibrary> library = std::make_shared<L>();
        return std::shared_ptr<void>(library);
    });
}

} // namespace

bool TfrEngineRunContext::CallLibraries(const QString &name, const TfrVariant &p1, const TfrVariant &p2,
                                        const TfrVariant &p3, TfrVariant &val)
{
    for (const TfrFunctionInfo &info : frFunctions())
        if (auto *library = info.library<TfrFunctionLibrary>(); library && library->OnFunction(name, p1, p2, p3, val))
            return true;
    return false;
}

void TfrEngineRunContext::OnUserFunction(const QString &name, const TfrVariant &p1, const TfrVariant &p2,
                                         const TfrVariant &p3, TfrVariant &val)
{
    if (OnUserFunctionHandler)
        OnUserFunctionHandler(name, p1, p2, p3, val);
}

bool TfrEngineRunContext::Terminated() const
{
    return (CurReport && CurReport->Terminated) || (MasterReport && MasterReport->Terminated);
}

void TfrEngineRunContext::SetTerminated(bool value)
{
    if (CurReport)
        CurReport->Terminated = value;
    else
        TfrRunContext::SetTerminated(value);
}

void TfrEngineRunContext::ProcessMessages()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

int TfrEngineRunContext::CurrentColumn() const { return CurPage ? CurPage->crossColumnNo : 0; }

bool TfrEngineRunContext::CallObjectMethod(const QString &name, const TfrVariant &p1, const TfrVariant &p2,
                                           const TfrVariant &p3, TfrVariant &result)
{
    return frCallObjectMethod(name, p1, p2, p3, result);
}

bool TfrEngineRunContext::CallIndexProperty(const QString &name, const QString &methodName, const TfrVariant &index,
                                            const TfrVariant &value, TfrVariant &result)
{
    return frCallIndexProperty(name, methodName, index, value, result);
}

bool TfrEngineRunContext::SetObjectProperty(const QString &name, const TfrVariant &value)
{
    return frSetObjectProperty(name, value);
}

void TfrEngineRunContext::SetCurY(int value)
{
    if (CurPage)
        CurPage->posY = value;
}

TfrEngineRunContext &frEngineRunContext()
{
    static TfrEngineRunContext context;
    return context;
}

void frInstallFunctionDispatch()
{
    frSetFunctionLibraryUnregisterHook(
        [](const TfrFunctionInfo &info) { frInstalledFunctions().UnRegisterFunctionLibrary(info.className); });
    registerLibrary<TfrStdFunctionLibrary>(QStringLiteral("TfrStdFunctionLibrary"));
    registerLibrary<TDatabaseFunctionLibrary>(QStringLiteral("TDatabaseFunctionLibrary"));
    frSetRunContext(&frEngineRunContext());
    frInstallFunctionHandler();
    frGlobals().scriptRunner = [](QStringList &script) { frInterpretator->DoScript(script); };
}
