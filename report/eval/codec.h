// Windows-1251 at every byte boundary. Text lives in QString; templates, prepared reports
// and list files hold single-byte cp1251. Every conversion between the two goes through
// here, so a character cp1251 cannot hold becomes "?" in exactly one place.
//
// Bytes 0x00-0x7F are ASCII. 0x80-0xFF follow the Windows table; 0x98, which Windows
// leaves unassigned, maps to U+0098 so that every byte survives a read and a write.
// A surrogate pair (one character outside the BMP) encodes as a single "?".
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringView>

// cp1251 code of one UTF-16 unit; '?' for anything cp1251 cannot hold (surrogates too).
uchar frCharToCp1251(QChar c) noexcept;
// The character a cp1251 byte stands for.
QChar frCp1251ToChar(uchar code) noexcept;
// True when c has a cp1251 code of its own (the literal '?' included).
bool frIsCp1251Char(QChar c) noexcept;

// Number of bytes the encoding of s takes (at most s.size()).
qsizetype frCp1251Length(QStringView s) noexcept;
// Encodes s into out, which must have room for s.size() bytes; returns the bytes written.
qsizetype frEncodeCp1251(QStringView s, char *out) noexcept;

QByteArray frToCp1251(QStringView s);
// s as it comes back from a write in cp1251 and a read (what it cannot hold turned to
// "?"); s itself, without a copy, when it holds nothing else.
QString frCp1251Text(const QString &s);
QString frFromCp1251(const char *data, qsizetype size);
inline QString frFromCp1251(const QByteArray &bytes) { return frFromCp1251(bytes.constData(), bytes.size()); }

// Three-way comparison of the cp1251 codes, byte by byte, case-sensitive: the order in
// which the expression language compares strings. Returns -1, 0 or 1.
int frCompareCp1251(QStringView a, QStringView b) noexcept;
