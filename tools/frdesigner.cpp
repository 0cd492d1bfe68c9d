// frdesigner: the report designer as a program of its own.
//
//   frdesigner [FILE.frf | FILE.frt]
//
// Opens the designer on the file (a template file .frt opens as a new report made from
// it) or on a new report with one empty page. Exit status 0, or 1 for a bad command line.
#include <QApplication>
#include <QLibraryInfo>
#include <QTextStream>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

#include "report/designer/designer_window.h"
#include "report/engine/function_dispatch.h"
#include "report/engine/pdf_export.h"
#include "report/eval/globals.h"
#include "report/model/fr_globals.h"
#include "report/print/platform_printers.h"
#include "report/print/printer.h"
#include "report/ui/engine_startup.h"
#include "report/ui/preview_form.h"
#include "report/ui/print_form.h"
#include "report/ui/progress_form.h"

namespace {

const char *const kUsage =
    "Использование: frdesigner [ФАЙЛ.frf | ФАЙЛ.frt]\n"
    "Открывает дизайнер отчётов на файле отчёта (.frf) или шаблона (.frt);\n"
    "без файла — на новом отчёте с одной пустой страницей.\n"
    "  --help  эта справка\n";

void loadTranslations(QApplication &app)
{
    auto *translator = new QTranslator(&app);
    // The designer speaks Russian whatever the desktop's language is.
    if (translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

} // namespace

int main(int argc, char **argv)
{
    // The command line is read before the application starts, so --help needs no display.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (args.size() > 1 || (!args.isEmpty() && args.front().startsWith(QLatin1Char('-')))) {
        std::fputs(kUsage, stderr);
        return 1;
    }

    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("frdesigner"));
    app.setApplicationDisplayName(QStringLiteral("Дизайнер отчётов"));
    loadTranslations(app);
    frStartEngineWithWindows();
    frInstallDesigner();
    TfrQtPlatformPrinters printers;
    frSetPlatformPrinters(&printers);
    // The preview's save offers PDF while the designer runs.
    TfrPdfExport pdfExport;

    TfrDesignerWindow window;
    window.show();
    // After the window shows, so the questions have a window to sit over.
    QTimer::singleShot(0, &window, [&window, args] {
        if (window.OfferRecovery())
            return;
        if (!args.isEmpty())
            window.OpenFile(args.front());
    });
    const int status = QApplication::exec();
    frSetPlatformPrinters(nullptr);
    return status;
}
