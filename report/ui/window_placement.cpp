#include "report/ui/window_placement.h"

#include <QWidget>

#include "report/eval/errors.h"
#include "report/eval/ini_file.h"

QString &frFormPositionFile()
{
    static QString file;
    return file;
}

std::optional<TfrWindowPlacement> frReadWindowPlacement(const QString &section)
{
    const QString file = frFormPositionFile();
    if (file.isEmpty())
        return std::nullopt;
    const TIniFile ini(file);
    if (!ini.ValueExists(section, QStringLiteral("Width")))
        return std::nullopt;
    TfrWindowPlacement kept;
    kept.geometry = QRect(ini.ReadInteger(section, QStringLiteral("Left"), 0),
                          ini.ReadInteger(section, QStringLiteral("Top"), 0),
                          ini.ReadInteger(section, QStringLiteral("Width"), 0),
                          ini.ReadInteger(section, QStringLiteral("Height"), 0));
    kept.maximized = ini.ReadBool(section, QStringLiteral("Maximized"), false);
    return kept;
}

void frSaveWindowPlacement(const QWidget &window, const QString &section)
{
    const QString file = frFormPositionFile();
    if (file.isEmpty() || !window.isVisible())
        return;
    const bool maximized = window.isMaximized();
    const QRect g = maximized ? window.normalGeometry() : window.geometry();
    try {
        TIniFile ini(file);
        ini.WriteInteger(section, QStringLiteral("Left"), g.x());
        ini.WriteInteger(section, QStringLiteral("Top"), g.y());
        ini.WriteInteger(section, QStringLiteral("Width"), g.width());
        ini.WriteInteger(section, QStringLiteral("Height"), g.height());
        ini.WriteBool(section, QStringLiteral("Maximized"), maximized);
    } catch (const EfrError &) {
        // A window that cannot remember its place still closes.
    }
}
