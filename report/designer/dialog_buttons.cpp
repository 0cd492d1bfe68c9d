#include "report/designer/dialog_buttons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

QDialogButtonBox *frDialogButtons(QDialog *dialog)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->setObjectName(QStringLiteral("buttons"));
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("ОК"));
    ok->setObjectName(QStringLiteral("ok"));
    QPushButton *cancel = buttons->button(QDialogButtonBox::Cancel);
    cancel->setText(QStringLiteral("Отмена"));
    cancel->setObjectName(QStringLiteral("cancel"));
    // accept and reject are virtual: a dialog's own checks run.
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}
