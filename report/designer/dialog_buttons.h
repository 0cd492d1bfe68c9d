// The OK and Отмена of every designer dialog, alike in all of them: Russian captions whether
// or not a translation is loaded, and the object names tests find them by ("buttons", "ok",
// "cancel"). OK calls the dialog's accept (which may refuse), Отмена its reject.
#pragma once

class QDialog;
class QDialogButtonBox;

QDialogButtonBox *frDialogButtons(QDialog *dialog);
