// Runs a command-line program of ours the way a user would: no display, no platform
// plugin chosen for it, so a tool that needs either fails its test.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct TToolResult {
    int status = -1; // -1 when the program did not start, crashed or timed out
    QByteArray out, err;

    // Standard output as lines, without the empty piece after a final line break.
    QStringList lines() const
    {
        QStringList l = QString::fromUtf8(out).split(u'\n');
        if (!l.isEmpty() && l.last().isEmpty())
            l.removeLast();
        return l;
    }
};

inline TToolResult frRunTool(const QString &program, const QStringList &arguments,
                             int timeoutMs = 120000)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    TToolResult result;
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.status = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}
