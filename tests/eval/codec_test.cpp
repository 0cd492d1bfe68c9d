#include <QStringDecoder>
#include <gtest/gtest.h>

#include "report/eval/codec.h"

namespace {

QByteArray hex(const char *h) { return QByteArray::fromHex(h); }

TEST(Codec, CyrillicBothWays)
{
    const QString text = QStringLiteral("Привет, Ёжик! №5 ґ");
    const QByteArray bytes = hex("cff0e8e2e5f22c20a8e6e8ea2120b93520b4");
    EXPECT_EQ(frToCp1251(text).toHex(), bytes.toHex());
    EXPECT_EQ(frFromCp1251(bytes), text);
}

TEST(Codec, EveryByteSurvivesDecodeAndEncode)
{
    QByteArray all(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    const QString text = frFromCp1251(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(frToCp1251(text), all);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(frCharToCp1251(text[i]), uchar(i)) << "byte " << i;
        EXPECT_EQ(frCp1251ToChar(uchar(i)), text[i]) << "byte " << i;
    }
}

// Our table must agree with the platform's converter wherever that one is available.
TEST(Codec, AgreesWithPlatformConverter)
{
    QStringDecoder decoder("windows-1251");
    if (!decoder.isValid())
        GTEST_SKIP() << "no windows-1251 converter in this Qt build";
    for (int i = 0; i < 256; ++i) {
        const char byte = char(i);
        const QString expected = decoder.decode(QByteArrayView(&byte, 1));
        EXPECT_EQ(frFromCp1251(&byte, 1), expected) << "byte " << i;
    }
}

TEST(Codec, CharactersOutsideCp1251BecomeQuestionMarks)
{
    struct Row {
        const char *name;
        QString text;
        QByteArray bytes;
    } rows[] = {
        {"CJK", QStringLiteral("a中b"), "a?b"},
        {"Latin-1 not in cp1251", QStringLiteral("é"), "?"},
        {"pair outside the BMP is one character", QString::fromUtf8("x\xF0\x9F\x98\x80y"), "x?y"},
        {"lone high surrogate", QString(QChar(0xD83D)) + u'z', "?z"},
        {"lone low surrogate", QString(QChar(0xDE00)), "?"},
        {"NUL stays NUL", QString(QChar(0)), QByteArray(1, '\0')},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(frToCp1251(r.text), r.bytes) << r.name;
        EXPECT_EQ(frCp1251Length(r.text), r.bytes.size()) << r.name;
        // The text a write and a read give back, made without the bytes.
        EXPECT_EQ(frCp1251Text(r.text), frFromCp1251(r.bytes)) << r.name;
    }
    // Text cp1251 holds whole comes back as the very same string.
    for (const QString &whole : {QStringLiteral("Ёлка, №5 — «ель» € ‰ ґ Ў"), QString(), QStringLiteral("abc")}) {
        const QString back = frCp1251Text(whole);
        EXPECT_EQ(back, whole);
        EXPECT_EQ(back.constData(), whole.constData()) << "no copy";
    }
    EXPECT_FALSE(frIsCp1251Char(QChar(0x4E2D)));
    EXPECT_TRUE(frIsCp1251Char(QChar(0x0451)));
    EXPECT_TRUE(frIsCp1251Char(QChar(u'?')));
}

TEST(Codec, LongAsciiAndMixedTextDecode)
{
    // Exercises the eight-bytes-at-a-time scan on both sides of a high byte.
    const QString ascii = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789");
    const QString mixed = ascii + QStringLiteral("я") + ascii;
    EXPECT_EQ(frFromCp1251(frToCp1251(ascii)), ascii);
    EXPECT_EQ(frFromCp1251(frToCp1251(mixed)), mixed);
    EXPECT_TRUE(frFromCp1251(nullptr, 0).isEmpty());
}

TEST(Codec, CompareByCp1251Codes)
{
    struct Row {
        const char *a;
        const char *b;
        int expected;
    } rows[] = {
        {"", "", 0},
        {"", "a", -1},
        {"ab", "a", 1},
        {"abc", "abd", -1},
        {"B", "a", -1},      // case matters: 0x42 < 0x61
        {"z", "я", -1},      // 0x7A < 0xFF
        {"Ё", "А", -1},      // 0xA8 < 0xC0
        {"ё", "а", -1},      // 0xB8 < 0xE0
        {"Я", "а", -1},      // 0xDF < 0xE0
        {"€", "Ђ", 1},       // 0x88 > 0x80
        {"Мама", "Мама", 0},
        {"中", "?", 0},      // both are written as '?'
    };
    for (const Row &r : rows) {
        const QString a = QString::fromUtf8(r.a);
        const QString b = QString::fromUtf8(r.b);
        EXPECT_EQ(frCompareCp1251(a, b), r.expected) << r.a << " vs " << r.b;
        EXPECT_EQ(frCompareCp1251(b, a), -r.expected) << r.b << " vs " << r.a;
    }
}

} // namespace
