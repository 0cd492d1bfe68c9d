// Toolbar images of the preview: the desktop theme's icon when it has one, else a small
// drawing of our own, so a button is never blank.
#pragma once

#include <QIcon>
#include <QString>

enum class TfrPreviewGlyph { Open, Save, Print, Find, Help, Exit, PageSetup, PageUp, PageDown };

QIcon frPreviewIcon(const QString &themeName, TfrPreviewGlyph glyph);
// The built-in drawing alone.
QIcon frPreviewFallbackIcon(TfrPreviewGlyph glyph);
