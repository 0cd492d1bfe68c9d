#include "app/application.h"

#include "app/message_box.h"
#include "report/eval/errors.h"

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
