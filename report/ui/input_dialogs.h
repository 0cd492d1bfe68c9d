// Qt dialogs for the INPUT and MESSAGEBOX functions of reports. The program installs them
// once at start-up; until then (tests, command-line tools) INPUT yields its default and
// MESSAGEBOX yields mrOk.
#pragma once

#include <QMessageBox>

void frInstallUiDialogs();

// The buttons and the icon of the mb_ flags (low four bits: 0 OK, 1 OK/Cancel,
// 2 Abort/Retry/Ignore, 3 Yes/No/Cancel, 4 Yes/No, 5 Retry/Cancel; icons 16 error,
// 32 question, 48 warning, 64 information).
QMessageBox::StandardButtons frMessageBoxButtons(int flags);
QMessageBox::Icon frMessageBoxIcon(int flags);
// The mr constant of a pressed button (mrOk 1, mrCancel 2, mrAbort 3, mrRetry 4,
// mrIgnore 5, mrYes 6, mrNo 7; 0 for none).
int frModalResultOf(QMessageBox::StandardButton button);
