#include <QFont>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

#include "report/eval/stream.h"

namespace {

QByteArray hex(const char *h) { return QByteArray::fromHex(h); }

const TfrFontRec kFont{QStringLiteral("Arial Cyr"), 10, 3, qint32(0x80000008u), 204};

// One of every primitive, in a fixed order; readAll must consume exactly what writeAll wrote.
void writeAll(TfrStream &s)
{
    frWriteByte(s, 0xAB);
    frWriteWord(s, 0xBEEF);
    frWriteInteger(s, -123456);
    frWriteBoolean(s, true);
    frWriteWordBool(s, true);
    frWriteDouble(s, 45292.75);
    frWriteString(s, QStringLiteral("Журнал"));
    frWriteString(s, QString());
    frWriteMemo(s, {QStringLiteral("a"), QStringLiteral("бв")});
    frWriteMemo(s, {});
    frWriteFont(s, kFont);
    // Pre-23 encodings have no writer of their own: bytes up to a 0.
    s.write("old\0x\ry\r\0", 9);
}

void readAll(TfrStream &s)
{
    EXPECT_EQ(frReadByte(s), 0xAB);
    EXPECT_EQ(frReadWord(s), 0xBEEF);
    EXPECT_EQ(frReadInteger(s), -123456);
    EXPECT_TRUE(frReadBoolean(s));
    EXPECT_TRUE(frReadWordBool(s));
    EXPECT_EQ(frReadDouble(s), 45292.75);
    EXPECT_EQ(frReadString(s), QStringLiteral("Журнал"));
    EXPECT_EQ(frReadString(s), QString());
    EXPECT_EQ(frReadMemo(s), QStringList({QStringLiteral("a"), QStringLiteral("бв")}));
    EXPECT_TRUE(frReadMemo(s).isEmpty());
    EXPECT_EQ(frReadFont(s), kFont);
    EXPECT_EQ(frReadString22(s), QStringLiteral("old"));
    EXPECT_EQ(frReadMemo22(s), QStringList({QStringLiteral("x"), QStringLiteral("y")}));
}

TEST(Stream, EveryPrimitiveRoundTrips)
{
    TfrStream w;
    writeAll(w);
    TfrStream r(w.data());
    readAll(r);
    EXPECT_TRUE(r.atEnd());
}

TEST(Stream, ByteLayoutIsLittleEndianWithTerminators)
{
    struct Row {
        const char *name;
        void (*write)(TfrStream &);
        const char *bytes;
    } rows[] = {
        {"word", [](TfrStream &s) { frWriteWord(s, 0x1234); }, "3412"},
        {"integer", [](TfrStream &s) { frWriteInteger(s, -2); }, "feffffff"},
        {"word boolean true", [](TfrStream &s) { frWriteWordBool(s, true); }, "ffff"},
        {"boolean false", [](TfrStream &s) { frWriteBoolean(s, false); }, "00"},
        {"double", [](TfrStream &s) { frWriteDouble(s, 1.0); }, "000000000000f03f"},
        {"string", [](TfrStream &s) { frWriteString(s, QStringLiteral("Ая")); }, "0200c0ff00"},
        {"empty list", [](TfrStream &s) { frWriteMemo(s, {}); }, "000000"},
        {"list", [](TfrStream &s) { frWriteMemo(s, {"a", "b"}); }, "0200" "010061" "0d" "010062" "00"},
        {"font", [](TfrStream &s) { frWriteFont(s, {"A", 8, 2, 255, 204}); },
         "01004100" "08000000" "0200" "ff000000" "cc00"},
    };
    for (const Row &r : rows) {
        TfrStream s;
        r.write(s);
        EXPECT_EQ(s.data().toHex(), QByteArray(r.bytes)) << r.name;
    }
}

TEST(Stream, ListWithEmptyLinesSurvives)
{
    const QStringList lines{QString(), QStringLiteral("a"), QString()};
    TfrStream w;
    frWriteMemo(w, lines);
    TfrStream r(w.data());
    EXPECT_EQ(frReadMemo(r), lines);
    EXPECT_TRUE(r.atEnd());

    // A single empty line is not an empty list.
    TfrStream w1;
    frWriteMemo(w1, {QString()});
    TfrStream r1(w1.data());
    EXPECT_EQ(frReadMemo(r1), QStringList{QString()});
}

TEST(Stream, EveryCutPositionRaisesReadError)
{
    TfrStream w;
    writeAll(w);
    const QByteArray full = w.data();
    for (qsizetype cut = 0; cut < full.size(); ++cut) {
        // An exact-size heap copy, so a read past the end is visible to the address sanitizer.
        std::vector<char> bytes(full.constData(), full.constData() + cut);
        TfrStream r(QByteArray::fromRawData(bytes.data(), cut));
        try {
            ::testing::ScopedTrace trace(__FILE__, __LINE__, cut);
            readAll(r);
            ADD_FAILURE() << "no read error at cut " << cut;
        } catch (const EReadError &e) {
            EXPECT_EQ(e.message(), QStringLiteral("Stream read error")) << "cut " << cut;
        }
    }
}

TEST(Stream, HostileLengthsAndCountsAreBoundedByTheData)
{
    // A string claiming 65535 bytes with 3 present.
    TfrStream a(hex("ffff616263"));
    EXPECT_THROW(frReadString(a), EReadError);

    // A list claiming 65535 lines holding one: the separator 0 ends it.
    TfrStream b(hex("ffff" "010061" "00" "ee"));
    EXPECT_EQ(frReadMemo(b), QStringList{"a"});
    EXPECT_EQ(frReadByte(b), 0xEE);

    // Lines that never end with a 0: the read error comes at the end of the data.
    TfrStream c(hex("0100" "010061" "0d" "010062" "0d"));
    QStringList lines{"stale"};
    EXPECT_THROW(frReadMemo(c, lines), EReadError);

    TfrStream d(hex("ffff"));
    EXPECT_THROW(frReadMemo(d), EReadError);
}

TEST(Stream, Pre23Strings)
{
    struct Row {
        const char *name;
        QByteArray bytes;
        QStringList lines;
    } rows[] = {
        {"empty", QByteArray(1, '\0'), {}},
        {"one line", QByteArray("ab\0", 3), {"ab"}},
        {"empty last line dropped", QByteArray("ab\r\0", 4), {"ab"}},
        {"empty inner line kept", QByteArray("a\r\rb\0", 5), {"a", "", "b"}},
        {"only a break", QByteArray("\r\0", 2), {""}},
        {"cp1251 text", QByteArray("\xcc\xe0\xec\xe0\0", 5), {QStringLiteral("Мама")}},
    };
    for (const Row &r : rows) {
        TfrStream s(r.bytes);
        EXPECT_EQ(frReadMemo22(s), r.lines) << r.name;
        EXPECT_TRUE(s.atEnd()) << r.name;
    }

    TfrStream str(QByteArray("\xd1\xf2\xf0\0rest", 8));
    EXPECT_EQ(frReadString22(str), QStringLiteral("Стр"));
    EXPECT_EQ(str.position(), 4);

    TfrStream noZero(QByteArray("abc"));
    EXPECT_THROW(frReadString22(noZero), EReadError);
    TfrStream noZeroList(QByteArray("a\rb"));
    EXPECT_THROW(frReadMemo22(noZeroList), EReadError);
    TfrStream empty;
    EXPECT_THROW(frReadString22(empty), EReadError);
}

TEST(Stream, FontStyleBitOrder)
{
    struct Row {
        int style;
        bool italic, bold, underline, strikeOut;
    } rows[] = {
        {1, true, false, false, false},
        {2, false, true, false, false},
        {4, false, false, true, false},
        {8, false, false, false, true},
        {3, true, true, false, false},
    };
    for (const Row &r : rows) {
        QFont f;
        frSetFontStyle(f, r.style);
        EXPECT_EQ(f.italic(), r.italic) << "style " << r.style;
        EXPECT_EQ(f.bold(), r.bold) << "style " << r.style;
        EXPECT_EQ(f.underline(), r.underline) << "style " << r.style;
        EXPECT_EQ(f.strikeOut(), r.strikeOut) << "style " << r.style;
    }
    for (int style = 0; style < 16; ++style) {
        QFont f;
        frSetFontStyle(f, style);
        EXPECT_EQ(frGetFontStyle(f), style);
    }
}

TEST(Stream, TextTooLongForALengthWordIsRefusedWithoutWriting)
{
    TfrStream s;
    frWriteByte(s, 7);

    const QString longest(frMaxStringBytes, u'x');
    frWriteString(s, longest);
    const qsizetype sizeAfterLongest = s.size();
    EXPECT_EQ(sizeAfterLongest, 1 + 2 + frMaxStringBytes + 1);

    EXPECT_THROW(frWriteString(s, longest + u'x'), EfrError);
    EXPECT_THROW(frWriteMemo(s, {"ok", longest + QStringLiteral("яя")}), EfrError);
    EXPECT_EQ(s.size(), sizeAfterLongest);
    EXPECT_EQ(s.position(), sizeAfterLongest);

    // Characters outside the BMP take two units but one byte: 65535 of them still fit.
    QString pairs;
    for (int i = 0; i < frMaxStringBytes; ++i)
        pairs += QString::fromUtf8("\xF0\x9F\x98\x80");
    frWriteString(s, pairs);

    TfrStream r(s.data());
    EXPECT_EQ(frReadByte(r), 7);
    EXPECT_EQ(frReadString(r), longest);
    EXPECT_EQ(frReadString(r), QString(frMaxStringBytes, u'?'));
    EXPECT_TRUE(r.atEnd());
}

TEST(Stream, ListOf65536LinesDoesNotLookEmpty)
{
    QStringList lines;
    for (int i = 0; i < 65536; ++i)
        lines.append(QString::number(i % 10));
    TfrStream w;
    frWriteMemo(w, lines);
    EXPECT_EQ(w.data().left(2), hex("ffff"));
    TfrStream r(w.data());
    EXPECT_EQ(frReadMemo(r), lines);
    EXPECT_TRUE(r.atEnd());
}

TEST(Stream, SeekSizeAndOverwrite)
{
    TfrStream s;
    frWriteInteger(s, 0); // placeholder, patched below
    frWriteString(s, "abc");
    const qsizetype end = s.position();
    s.seek(0);
    frWriteInteger(s, qint32(end));
    EXPECT_EQ(s.size(), end);
    s.seek(end);

    // Seeking past the end and writing fills the gap with zeros.
    s.seek(end + 3);
    EXPECT_THROW(frReadByte(s), EReadError);
    frWriteByte(s, 9);
    EXPECT_EQ(s.size(), end + 4);
    EXPECT_EQ(s.data().right(4), hex("00000009"));

    EXPECT_THROW(s.seek(-1), EReadError);
    s.setSize(2);
    EXPECT_EQ(s.position(), 2);
    s.setSize(5);
    EXPECT_EQ(s.data().toHex(), QByteArray("0a000000" "00")); // the patched end position, then zeros
}

TEST(Stream, WritingDoesNotTouchTheSourceBuffer)
{
    const QByteArray source = hex("01020304");
    TfrStream s(source);
    frWriteByte(s, 0xFF);
    EXPECT_EQ(source, hex("01020304"));
    EXPECT_EQ(s.data(), hex("ff020304"));
}

TEST(Stream, FileRoundTrip)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("отчет.frf"));
    TfrStream w;
    writeAll(w);
    w.saveToFile(path);

    TfrStream r = TfrStream::fromFile(path);
    EXPECT_TRUE(r.isFileStream());
    EXPECT_FALSE(TfrStream().isFileStream());
    readAll(r);
    EXPECT_TRUE(r.atEnd());

    EXPECT_THROW(TfrStream::fromFile(dir.filePath("missing.frf")), EfrError);
}

} // namespace
