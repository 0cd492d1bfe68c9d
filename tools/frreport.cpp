// frreport: report templates on the command line.
//
//   frreport dump [--password TEXT] FILE   the template FILE as a JSON description
//   frreport make FILE.json OUT.frf        a template from such a description
//
// Runs without a display and without printers (the virtual printer supplies the paper).
// Messages the engine would show in a window go to standard error; any error message
// makes the exit status 1. Usage errors give status 2.
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>

#include "report/eval/errors.h"
#include "report/eval/stream.h"
#include "report/eval/ui_hooks.h"
#include "report/model/fr_globals.h"
#include "report/model/report.h"
#include "report/model/template_json.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

// Set when the engine reported an error through a message box.
bool errorShown = false;

void installMessageHook()
{
    frUiHooks().MessageBox = [](const QString &text, const QString &caption, int) {
        QString shown = text;
        shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        err() << caption << ": " << shown << Qt::endl;
        errorShown = true;
        return 1;
    };
}

// A subcommand: its name, its usage line and what runs it with the remaining arguments.
struct Command {
    const char *name;
    const char *usage;
    int (*run)(const Command &self, const QStringList &args);
};

int usageError(const Command &command)
{
    err() << "usage: frreport " << command.usage << Qt::endl;
    return kExitUsage;
}

// ---- dump ----

int runDump(const Command &self, const QStringList &args)
{
    QString password;
    bool havePassword = false;
    QString file;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--password") && i + 1 < args.size()) {
            password = args[++i];
            havePassword = true;
        } else if (file.isEmpty() && !args[i].startsWith(QLatin1String("--"))) {
            file = args[i];
        } else {
            return usageError(self);
        }
    }
    if (file.isEmpty())
        return usageError(self);

    if (!QFileInfo(file).isFile()) {
        err() << file << ": no such file" << Qt::endl;
        return kExitFailure;
    }
    bool asked = false;
    frPasswordQuery() = [&](QString &entered) {
        asked = true;
        entered = password;
        return havePassword;
    };
    TfrReport report;
    TfrStream stream = TfrStream::fromFile(file);
    const bool loaded = report.LoadFromStream(stream);
    frPasswordQuery() = nullptr;
    if (errorShown)
        return kExitFailure;
    if (!loaded && asked) {
        err() << file << (havePassword ? ": wrong password" : ": the template is protected, give --password")
              << Qt::endl;
        return kExitFailure;
    }
    const QByteArray json = frTemplateToJson(report);
    fwrite(json.constData(), 1, size_t(json.size()), stdout);
    return kExitOk;
}

// ---- make ----

int runMake(const Command &self, const QStringList &args)
{
    if (args.size() != 2)
        return usageError(self);
    QFile in(args[0]);
    if (!in.open(QIODevice::ReadOnly)) {
        err() << args[0] << ": " << in.errorString() << Qt::endl;
        return kExitFailure;
    }
    TfrReport report;
    frTemplateFromJson(report, in.readAll());
    // The description says when the template last changed; the file stays reproducible.
    report.StampLastChange = false;
    report.SaveToFile(args[1]);
    return kExitOk;
}

const Command kCommands[] = {
    {"dump", "dump [--password TEXT] FILE", runDump},
    {"make", "make FILE.json OUT.frf", runMake},
};

int dispatch(const QString &name, const QStringList &args)
{
    for (const Command &c : kCommands)
        if (name == QLatin1String(c.name))
            return c.run(c, args);
    err() << "usage:" << Qt::endl;
    for (const Command &c : kCommands)
        err() << "  frreport " << c.usage << Qt::endl;
    return kExitUsage;
}

} // namespace

int main(int argc, char **argv)
{
    // Fonts need a GUI application; the offscreen platform needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own chatter (runtime folders of the offscreen platform) is not the tool's output.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            err() << message << Qt::endl;
    });
    QGuiApplication app(argc, argv);
    installMessageHook();
    frGlobals();

    QStringList args = QCoreApplication::arguments().mid(1);
    const QString command = args.isEmpty() ? QString() : args.takeFirst();
    try {
        return dispatch(command, args);
    } catch (const std::exception &e) {
        err() << QString::fromUtf8(e.what()) << Qt::endl;
        return kExitFailure;
    }
}
