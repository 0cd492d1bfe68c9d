// Text laid out by an edit mask, as the platform's masked edit shows it.
//
// Mask: the mask characters, then optionally ";" and the save-literals flag ("0" or
// "1") and ";" and the blank character. Literals are inserted between the characters of
// the text; mask positions the text does not fill become blanks.
// | L l A a C c 0 9 # | take one character of the text (upper case: required)     |
// | \                 | the next mask character is a literal                       |
// | > < !             | directives, not shown; "!" fills from the end, blanks lead |
// | :  /              | the locale's time and date separators                      |
// | anything else     | a literal                                                  |
#pragma once

#include <QString>

#include "report/eval/format_settings.h"

// With the save-literals flag 1 (or no flag) the text is taken as already holding the
// literals at their places; with 0 they are inserted.
QString frFormatMaskText(const QString &editMask, const QString &value,
                         const TfrFormatSettings &fs = frFormatSettings());
