// The program's start-up: the command line, the engine's start-up, the data module, the
// main window and the event loop, in that order.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

struct TStartupOptions {
    QString home;              // --home DIR: the program folder to use instead of the executable's
    bool runEventLoop = true;  // tests stop after the main window is built
    // Called with "engine", "MainDM", "FMain" as each step begins and "ready" when the main
    // window is shown.
    std::function<void(const QString &step)> trace;
};

// Understands "--home DIR" and "--home=DIR" and nothing else; anything else raises EfrError
// with a usage text. The first argument is the program.
TStartupOptions frParseCommandLine(const QStringList &arguments);

// Runs the program in an existing application object. What escapes a step is shown by the
// default error report and ends the program; the exit code is 0 either way.
int frRunJournal(const TStartupOptions &options);
