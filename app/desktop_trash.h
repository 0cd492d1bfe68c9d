// Sending files to the desktop's trash.
//
// On freedesktop.org desktops (Linux and the like) the home trash is
// $XDG_DATA_HOME/Trash (~/.local/share/Trash) with its "files" and "info" folders. A fresh
// account has none of them, and Qt's trash then falls back to the current directory:
// the file would end up in "files" and "info" folders beside the files the operator
// manages. The trash here is made first, and every move is checked afterwards.
#pragma once

#include <QString>

// The home trash folder, created (owner-only) with "files" and "info" when missing; empty
// when it cannot be made. Only freedesktop.org platforms have one; elsewhere empty.
QString frHomeTrashFolder();

// Moves one file to the trash. True only when the file has left its folder for a trash
// outside that folder; a file that landed inside its own folder is put back, and the
// folders made for it there are removed again. pathInTrash receives where it went, reason
// why it did not go (in words for the operator).
bool frMoveFileToTrash(const QString &path, QString *pathInTrash = nullptr, QString *reason = nullptr);
