// SQL functions the program adds to its SQLite connections.
//
//   fr_contains(needle, text1, text2, ...)
//       1 when the needle occurs in any of the texts regardless of letter case, 0 otherwise
//       (also when every text is NULL); an empty needle is found everywhere. Case is
//       folded for all of Unicode (Cyrillic, Greek, ...), which SQLite's own LIKE, lower()
//       and upper() do only for Latin letters.
#pragma once

#include <QSqlDatabase>

// Registers the functions on an open SQLite connection; raises EfrError when the
// connection is not one the program can reach (another driver or a closed handle).
void frInstallSqliteFunctions(const QSqlDatabase &db);
