// Whether the engine's parser accepts an expression, before it goes into a template.
//
// The expression is translated and evaluated by a parser of its own whose names and
// functions answer "no value", so nothing of the report runs and no data set is read.
// What is refused is what the parser itself refuses for any data: an operator without its
// operands, values without an operator between them, a call without its closing
// parenthesis, a malformed number, a literal of the wrong kind. Bracket groups, function
// arguments and the arguments of the parser's own functions (COPY, IF, STRTODATE,
// STRTOTIME) are checked the same way. Errors that only the data decides (a conversion of
// a value the check does not know, a division by zero) are no reason to refuse.
#pragma once

#include <QString>

// True when the parser accepts expression; otherwise false and message says why (the
// parser's own message). An inline format after " #" is left out of the check when
// inlineFormat is set (the content of a bracket group in a text).
bool frCheckExpression(const QString &expression, QString *message = nullptr, bool inlineFormat = false);

// The parser's message with a Russian explanation in front of the ones the check meets
// most ("не хватает операнда (Missing operand in expression)").
QString frExpressionMessageText(const QString &message);
