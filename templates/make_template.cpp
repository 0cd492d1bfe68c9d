// make_template: builds a starting template (.frt) of the designer from its JSON
// description, a text file with its description lines (UTF-8; the first line is the
// title) and a picture of its first page as the designer draws it.
//
//   make_template IN.json DESCRIPTION.txt OUT.frt
//
// Exit status 0, or 1 with a message on standard error.
#include <QApplication>
#include <QFile>
#include <QStringList>
#include <cstdio>

#include "report/designer/templates_dialog.h"
#include "report/eval/errors.h"
#include "report/model/fr_globals.h"
#include "report/model/report.h"
#include "report/model/template_json.h"

namespace {

QByteArray readAll(const QString &fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EfrError(QStringLiteral("%1: %2").arg(fileName, f.errorString()));
    return f.readAll();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() != 3) {
        std::fputs("usage: make_template IN.json DESCRIPTION.txt OUT.frt\n", stderr);
        return 1;
    }
    try {
        frGlobals();
        TfrReport report;
        frTemplateFromJson(report, readAll(args[0]));
        QStringList description = QString::fromUtf8(readAll(args[1])).split(QLatin1Char('\n'));
        while (!description.isEmpty() && description.last().trimmed().isEmpty())
            description.removeLast();
        report.SaveTemplate(args[2], description, frTemplatePicture(report));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make_template: %s\n", e.what());
        return 1;
    }
    return 0;
}
