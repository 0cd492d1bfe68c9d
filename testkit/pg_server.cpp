#include "testkit/pg_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include "testkit/paths.h"

namespace testkit {

namespace {

QString script() { return sourcePath(QStringLiteral("scripts/pg-test-server.sh")); }

} // namespace

bool PgServer::start()
{
    connect = qEnvironmentVariable("FR_PG_CONNECT");
    if (!connect.isEmpty())
        return true;
    m_state = QDir::temp().filePath(QStringLiteral("fr-bench-pg-%1").arg(QCoreApplication::applicationPid()));
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("bash"), {script(), QStringLiteral("start"), m_state});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        error = QString::fromLocal8Bit(p.readAll());
        return false;
    }
    QFile f(m_state + QStringLiteral("/connect.txt"));
    if (!f.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("no connect.txt");
        return false;
    }
    connect = QString::fromUtf8(f.readAll()).trimmed();
    return true;
}

void PgServer::stop()
{
    if (m_state.isEmpty())
        return;
    QProcess::execute(QStringLiteral("bash"), {script(), QStringLiteral("stop"), m_state});
    m_state.clear();
}

} // namespace testkit
