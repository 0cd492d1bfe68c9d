#include "testkit/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "report/eval/globals.h"
#include "report/model/report.h"
#include "report/model/template_json.h"

namespace testkit {

QString sourcePath(const QString &relative) { return QDir(QStringLiteral(FR_SOURCE_DIR)).filePath(relative); }

QString builtPath(const QString &relative) { return QDir(QCoreApplication::applicationDirPath()).filePath(relative); }

QByteArray journalTemplateJson()
{
    QFile f(sourcePath(QStringLiteral("data/Reports/J001.json")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool loadJournalTemplate(TfrReport &report)
{
    const QByteArray json = journalTemplateJson();
    if (json.isEmpty())
        return false;
    CurReport = &report;
    frTemplateFromJson(report, json);
    return true;
}

} // namespace testkit
