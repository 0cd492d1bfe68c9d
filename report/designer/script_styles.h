// What each character of a script is, for highlighting: keywords, strings, comments,
// numbers and bracketed expressions ([Table1."Amount"]), as the interpreter reads them.
#pragma once

#include <QByteArray>
#include <vector>

enum TfrScriptStyle : unsigned char {
    frssDefault = 0,
    frssKeyword = 1,
    frssString = 2,
    frssComment = 3,
    frssNumber = 4,
    frssBracket = 5,
    frssIdentifier = 6,
};

// The style of every byte of a script in UTF-8 (the editor's own encoding). Comments run
// from "{" to "}" and from "//" to the end of the line; strings are single-quoted with a
// doubled quote inside and end at the line's end; a bracket group nests and skips
// brackets inside quotes, like the parser's.
std::vector<unsigned char> frScriptStyles(const QByteArray &utf8);

