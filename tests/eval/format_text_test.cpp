// Edit-mask layout of text (FORMATTEXT).
#include <gtest/gtest.h>

#include "report/eval/format_text.h"

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

TEST(FormatMaskText, InsertsLiteralsAndPadsWithBlanks)
{
    struct Row {
        const char *mask;
        const char *text;
        const char *expected;
    };
    const Row rows[] = {
        {"000-000;0; ", "123456", "123-456"},
        {"(999) 000-0000;0; ", "5551234567", "(555) 123-4567"},
        {"000-000;0; ", "12", "12 -   "},       // missing characters become blanks
        {"00-00;0; ", "123456", "12-3456"},       // extra characters stay at the end
        {"\\0\\0-00;0; ", "12", "00-12"},         // escaped mask characters are literals
        {"\\\\00;0; ", "12", "\\12"},             // an escaped backslash too
        {"00/00/0000;0; ", "01022020", "01.02.2020"}, // the locale's date separator
        {"00:00;0; ", "1230", "12:30"},           // and its time separator
        {"!999-99;0; ", "123", "  1-23"},         // "!" lays the text out from the end
        {">LL<ll;0; ", "AbCd", "AbCd"},           // case directives are not shown
        {"LL_ll;0; ", "abcd", "ab_cd"},           // any other character is a literal
        {";0; ", "abc", "abc"},                   // an empty mask leaves the text alone
        {"00\\;0; ", "12", "12; "},               // a trailing "\" turns the separator literal
        {"000;0; ", "", "   "},
        {"000-000;1;_", "123-456", "123-456"},    // saved literals: the text already has them
        {"000-000;1;_", "123", "123-   "},
        {"000-000", "12", "12 -   "},             // no flag fields: literals are saved
        {"", "xyz", "xyz"},
    };
    const TfrFormatSettings fs = TfrFormatSettings::russian();
    for (const Row &r : rows)
        EXPECT_EQ(frFormatMaskText(u(r.mask), u(r.text), fs), u(r.expected)) << "mask " << r.mask << ", text " << r.text;
}

} // namespace
