// Windows that open where the operator left them: each keeps its normal geometry and whether
// it was maximised in a section of its own of one INI file beside the program's settings
// (forms.ini):
//
//   [Section]   Left, Top, Width, Height   integers, the normal (not maximised) geometry
//               Maximized                  boolean
#pragma once

#include <QRect>
#include <QString>
#include <optional>

class QWidget;

// The file windows keep their placement in; empty: nothing is kept.
QString &frFormPositionFile();

struct TfrWindowPlacement {
    QRect geometry;
    bool maximized = false;
};

// The placement kept for a section, or nothing when none was kept or no file is set.
std::optional<TfrWindowPlacement> frReadWindowPlacement(const QString &section);
// Keeps a visible window's placement; a file that cannot be written is passed over (the
// window still closes).
void frSaveWindowPlacement(const QWidget &window, const QString &section);
