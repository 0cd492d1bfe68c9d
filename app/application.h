// The application object and its default error report: whatever an event handler does not
// handle is shown through the message hook, and the program goes on.
#pragma once

#include <QApplication>
#include <exception>
#include <utility>

class QWidget;

// The text an exception carries, as the operator reads it.
QString frExceptionText(std::exception_ptr error);
// The default error report: the message under the application's title with an error icon.
void frReportException(std::exception_ptr error, QWidget *parent = nullptr);

// Runs a handler and reports what escapes it; false when something did.
template <class F>
bool frGuard(F &&handler)
{
    try {
        std::forward<F>(handler)();
        return true;
    } catch (...) {
        frReportException(std::current_exception());
        return false;
    }
}

// Qt's own texts (standard buttons, file and print dialogs) in Russian: installs Qt's
// Russian translations once per process. False when they are not installed.
bool frLoadQtTranslations();

class TJournalApplication : public QApplication {
    Q_OBJECT
public:
    TJournalApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
