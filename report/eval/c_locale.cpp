#include "report/eval/c_locale.h"

void frUseCNumericLocale()
{
    setlocale(LC_NUMERIC, "C");
}

namespace {

locale_t cNumericLocale()
{
    // The desktop's locale for everything but numbers, made once for the process.
    static const locale_t locale = [] {
        locale_t base = duplocale(LC_GLOBAL_LOCALE);
        locale_t made = base ? newlocale(LC_NUMERIC_MASK, "C", base) : nullptr;
        if (!made && base)
            freelocale(base);
        return made;
    }();
    return locale;
}

} // namespace

TfrCNumericScope::TfrCNumericScope()
{
    if (const locale_t c = cNumericLocale())
        m_previous = uselocale(c);
}

TfrCNumericScope::~TfrCNumericScope()
{
    if (m_previous)
        uselocale(m_previous);
}
