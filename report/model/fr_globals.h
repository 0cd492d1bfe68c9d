// Start-up and shutdown of the engine's shared services (frGlobals), and the services the
// objects share: the wrap result list SMemo, the scratch canvas that measuring and
// streaming draw on, and the hook through which object scripts run.
//
// The services need a QGuiApplication (fonts), so frGlobals() builds them on first use
// rather than at program load, and tears them down when the application object goes.
#pragma once

#include <QImage>
#include <QPainter>
#include <QStringList>
#include <functional>
#include <memory>

#include "report/eval/value_resolution.h"

// Runs an object's or band's compiled script; the script interpreter installs itself here.
using TfrScriptRunner = std::function<void(QStringList &script)>;

class TfrGlobals {
public:
    TfrGlobals();
    ~TfrGlobals();
    TfrGlobals(const TfrGlobals &) = delete;
    TfrGlobals &operator=(const TfrGlobals &) = delete;

    // Reloads the localised tables (character set, band names, formats).
    static void Localize();

    QStringList SMemo;               // result of the last wrap; valid until the next
    QPainter *ScratchCanvas() { return &m_scratchPainter; }
    TfrScriptRunner scriptRunner;

private:
    QImage m_scratchImage;           // 8 × 8, shared by every measurement
    QPainter m_scratchPainter;
    std::unique_ptr<TfrValueContext> m_valueContext;
};

// The single instance, created on first use.
TfrGlobals &frGlobals();
// Ends the services now (also done when the application object is destroyed).
void frShutdownGlobals();

inline QStringList &SMemo() { return frGlobals().SMemo; }
inline QPainter *frScratchCanvas() { return frGlobals().ScratchCanvas(); }
// Runs a script through the installed interpreter; nothing without one.
void frRunScript(QStringList &script);
