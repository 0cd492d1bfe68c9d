#include "report/ui/engine_startup.h"

#include "report/engine/function_dispatch.h"
#include "report/eval/globals.h"
#include "report/model/fr_globals.h"
#include "report/ui/input_dialogs.h"
#include "report/ui/preview_form.h"
#include "report/ui/print_form.h"
#include "report/ui/progress_form.h"

void frStartEngineWithWindows()
{
    frLocalizeGlobals();
    frGlobals();
    frInstallFunctionDispatch();
    frInstallUiDialogs();
    frInstallProgressForm();
    frInstallPrintDialog();
    frInstallPreviewForm();
}
