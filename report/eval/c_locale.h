// Numbers in files are written with a decimal point whatever the desktop's locale.
//
// QCoreApplication sets the C library's locale from the environment, so under ru_RU.UTF-8
// printf writes "0,25": libraries that format numbers with printf (the workbook writer)
// would put a decimal comma into their XML. The program's own texts for people go through
// the format-settings object and never through the C library's locale, so the process keeps
// LC_NUMERIC at "C"; the scope below also guards a writer against a plug-in that set the
// locale again behind our back.
#pragma once

#include <locale.h>

// Puts LC_NUMERIC back to "C" for the process. Runs by itself when the application object
// is created (every program linking the engine).
void frUseCNumericLocale();

// While alive, this thread formats and reads numbers in the C library with a decimal point.
class TfrCNumericScope {
public:
    TfrCNumericScope();
    ~TfrCNumericScope();
    TfrCNumericScope(const TfrCNumericScope &) = delete;
    TfrCNumericScope &operator=(const TfrCNumericScope &) = delete;

private:
    locale_t m_previous = nullptr;
};
