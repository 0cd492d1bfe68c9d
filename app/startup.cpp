#include "app/startup.h"

#include "app/application.h"
#include "app/main_dm.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/settings.h"
#include "report/engine/function_dispatch.h"
#include "report/engine/pdf_export.h"
#include "report/eval/errors.h"
#include "report/eval/globals.h"
#include "report/model/fr_globals.h"
#include "report/print/platform_printers.h"
#include "report/ui/engine_startup.h"
#include "report/ui/preview_form.h"
#include "report/ui/print_form.h"
#include "report/ui/progress_form.h"

#include <QApplication>
#include <QFileInfo>

namespace {

[[noreturn]] void usage(const QString &problem)
{
    throw EfrError(problem + QStringLiteral("\nИспользование: journal [--home ПАПКА]"));
}

} // namespace

TStartupOptions frParseCommandLine(const QStringList &arguments)
{
    TStartupOptions options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        QString value;
        if (arg == QStringLiteral("--home")) {
            if (i + 1 >= arguments.size())
                usage(QStringLiteral("После --home нужна папка."));
            value = arguments.at(++i);
        } else if (arg.startsWith(QStringLiteral("--home="))) {
            value = arg.mid(7);
        } else {
            usage(QStringLiteral("Неизвестный параметр: %1").arg(arg));
        }
        if (value.isEmpty() || !QFileInfo(value).isDir())
            usage(QStringLiteral("Папка не найдена: %1").arg(value));
        options.home = value;
    }
    return options;
}

int frRunJournal(const TStartupOptions &options)
{
    auto step = [&](const char *name) {
        if (options.trace)
            options.trace(QString::fromLatin1(name));
    };
    try {
        if (!options.home.isEmpty()) {
            frSetAppFolder(options.home);
        } else if (!frAppFolderIsSet()) {
            // A folder chosen before the start (a host program, a test) wins.
            QString error;
            const QString folder = frChooseDataFolder(QCoreApplication::applicationDirPath(), frUserDataFolder(),
                                                      frShippedDataFolder(), &error);
            if (folder.isEmpty())
                throw EfrError(error);
            frSetAppFolder(folder);
        }
        // The engine's process-wide start-up: localised tables, shared services, function
        // libraries, the installed printers and the dialogs scripts, preparation and
        // printing show.
        // Qt's standard buttons and dialogs speak the program's language; without the
        // translations installed they stay in English and the program still runs.
        frLoadQtTranslations();
        step("engine");
        frStartEngineWithWindows();
        frInstallFileDialogs();
        // Window sizes and positions live beside the program's settings.
        frFormPositionFile() = frAppFolder() + QStringLiteral("forms.ini");
        // Lives until the event loop ends: its QPrinter must go before the application.
        TfrQtPlatformPrinters printers;
        frSetPlatformPrinters(&printers);
        // Registered while the program runs, so the preview's save offers PDF.
        TfrPdfExport pdfExport;
        step("MainDM");
        TMainDM dataModule;
        step("FMain");
        TFMain mainWindow;
        mainWindow.show();
        step("ready");
        if (options.runEventLoop)
            QApplication::exec();
    } catch (...) {
        frReportException(std::current_exception());
    }
    return 0;
}
