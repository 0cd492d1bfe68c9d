#include "report/ui/input_dialogs.h"

#include <QApplication>
#include <QInputDialog>

#include "report/eval/ui_hooks.h"

QMessageBox::StandardButtons frMessageBoxButtons(int flags)
{
    switch (flags & 0x0F) {
    case 1:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case 2:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case 3:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case 4:
        return QMessageBox::Yes | QMessageBox::No;
    case 5:
        return QMessageBox::Retry | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

QMessageBox::Icon frMessageBoxIcon(int flags)
{
    switch (flags & 0xF0) {
    case 16:
        return QMessageBox::Critical;
    case 32:
        return QMessageBox::Question;
    case 48:
        return QMessageBox::Warning;
    case 64:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int frModalResultOf(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Ok: return 1;
    case QMessageBox::Cancel: return 2;
    case QMessageBox::Abort: return 3;
    case QMessageBox::Retry: return 4;
    case QMessageBox::Ignore: return 5;
    case QMessageBox::Yes: return 6;
    case QMessageBox::No: return 7;
    default: return 0;
    }
}

void frInstallUiDialogs()
{
    TfrUiHooks &hooks = frUiHooks();
    hooks.InputQuery = [](const QString &caption, const QString &prompt, QString &value) {
        bool ok = false;
        const QString text = QInputDialog::getText(QApplication::activeWindow(), caption, prompt,
                                                   QLineEdit::Normal, value, &ok);
        if (ok)
            value = text;
        return ok;
    };
    hooks.MessageBox = [](const QString &text, const QString &caption, int flags) {
        QMessageBox box(frMessageBoxIcon(flags), caption, text, frMessageBoxButtons(flags),
                        QApplication::activeWindow());
        const auto pressed = QMessageBox::StandardButton(box.exec());
        return frModalResultOf(pressed);
    };
}
