// The font a text object stores: what its record holds, nothing the platform adds.
#pragma once

#include <QString>
#include <cstdint>

#include "report/eval/globals.h"

struct TfrFont {
    QString Name = QStringLiteral("Arial");
    qint32 Size = 10;    // points
    quint16 Style = 0;   // stream style word: 1 italic, 2 bold, 4 underline, 8 strike-out
    qint32 Color = 0;    // 0x00BBGGRR, or 0x80000000 + system colour index
    quint8 Charset = frCharset;

    friend bool operator==(const TfrFont &, const TfrFont &) = default;
};
