// The page-range text of printing and export: numbers and ranges separated by commas
// ("1,3,5-12"), spaces ignored, a trailing "-" meaning "to the last page".
#pragma once

#include <QString>
#include <vector>

// False (and an empty list) for a text that is empty after removing spaces: every page.
// Otherwise true with the 1-based page numbers it names, in order; a range whose end is
// below its start names nothing. EConvertError for a part that is not a number.
bool frParsePageRange(const QString &text, int pageCount, std::vector<int> &pages);
// The text holds nothing but digits, "-", "," and spaces.
bool frPageRangeTextValid(const QString &text);
