// What a template may ask of a page. Values beyond these are no layout at all (a gap of
// 8 million pixels, a font of 15 million points) and would make the engine write without
// end, so the loader refuses them with its message naming the object and the value.
// Prepared pages are not checked here: their reader clamps (they were made by the engine).
#pragma once

#include <QString>

#include "report/eval/errors.h"

// Far more than the largest paper (about 27 m at 91.6 design pixels to the inch).
inline constexpr qint64 frMaxTemplateExtent = 100000;
// Inner gaps and line spacing: more than a metre.
inline constexpr qint64 frMaxTemplateGap = 10000;
// Points; a line of this size is about two A4 pages tall.
inline constexpr qint64 frMaxTemplateFontSize = 2000;
// Columns of a page or a band.
inline constexpr qint64 frMaxTemplateColumns = 1000;

// A stored value outside what a page can hold.
class ETemplateLimit : public EReadError {
    using EReadError::EReadError;
};

class TfrView;
class TfrPage;

// ETemplateLimit naming the object, the property and its value when one is out of range.
void frCheckTemplateLimits(const TfrView &view);
void frCheckTemplateLimits(const TfrPage &page);
