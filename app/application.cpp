#include "app/application.h"

#include "app/message_box.h"

#include <memory>
#include "report/eval/errors.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

QString frExceptionText(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const EfrError &e) {
        return e.message();
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Неизвестная ошибка");
    }
}

void frReportException(std::exception_ptr error, QWidget *parent)
{
    frShowMessage({parent, QMessageBox::Critical, QApplication::applicationDisplayName(),
                   frExceptionText(error), QMessageBox::Ok, QMessageBox::Ok});
}

bool frLoadQtTranslations()
{
    static QPointer<QTranslator> translator;
    if (translator)
        return true;
    auto loaded = std::make_unique<QTranslator>();
    // The program speaks Russian whatever the desktop's language is.
    if (!loaded->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    // Owned by the application object from here on.
    loaded->setParent(QCoreApplication::instance());
    translator = loaded.release();
    QCoreApplication::installTranslator(translator);
    return true;
}

TJournalApplication::TJournalApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("journal"));
    setApplicationDisplayName(QStringLiteral("Журнал"));
    setApplicationVersion(QStringLiteral(FR_VERSION_STRING));
}

bool TJournalApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        frReportException(std::current_exception());
        return true;
    }
}
