// The engine's process-wide start-up for a program with windows: localised tables, shared
// services, function libraries, and the dialogs scripts, preparation, preview and printing
// show. The journal program and the designer both start this way.
#pragma once

void frStartEngineWithWindows();
