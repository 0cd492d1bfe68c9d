#include "report/eval/ui_hooks.h"

namespace {

constexpr int kModalResultOk = 1;

} // namespace

TfrUiHooks &frUiHooks()
{
    static TfrUiHooks hooks;
    return hooks;
}

QString frInputBox(const QString &caption, const QString &prompt, const QString &defaultValue)
{
    const TfrUiHooks &hooks = frUiHooks();
    if (!hooks.InputQuery)
        return defaultValue;
    QString value = defaultValue;
    return hooks.InputQuery(caption, prompt, value) ? value : defaultValue;
}

int frMessageBox(const QString &text, const QString &caption, int flags)
{
    const TfrUiHooks &hooks = frUiHooks();
    return hooks.MessageBox ? hooks.MessageBox(text, caption, flags) : kModalResultOk;
}
