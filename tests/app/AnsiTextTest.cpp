#include "platform/forms/AnsiText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(AnsiText, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all.push_back(static_cast<char>(byte));
    const QString text = forms::fromAnsi(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(forms::toAnsi(text), all);
}

TEST(AnsiText, BytesMapToTheirCharacters) {
    struct Case {
        unsigned char byte;
        char16_t unit;
    };
    const Case cases[] = {
        {0x41, u'A'},   {0x80, 0x20AC}, {0x81, 0x0081}, {0x8A, 0x0160}, {0x8D, 0x008D},
        {0x8F, 0x008F}, {0x90, 0x0090}, {0x93, 0x201C}, {0x99, 0x2122}, {0x9D, 0x009D},
        {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF},
    };
    for (const Case& c : cases) {
        const std::string byte(1, static_cast<char>(c.byte));
        const QString text = forms::fromAnsi(byte);
        ASSERT_EQ(text.size(), 1) << int(c.byte);
        EXPECT_EQ(text.at(0).unicode(), c.unit) << std::hex << int(c.byte);
        EXPECT_EQ(forms::toAnsi(QString(QChar(c.unit))), byte) << std::hex << int(c.byte);
    }
}

TEST(AnsiText, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    struct Case {
        QString text;
        std::string ansi;
    };
    const Case cases[] = {
        {QString::fromUtf8("caf\u00e9 \u20ac5"), "caf\xe9 \x80"
                                                 "5"},
        {QString::fromUtf8("\u4e2d\u6587"), "??"},
        {QString(QChar(0x0080)), "?"}, // a C1 point that the code page uses for another letter
        {QString(QChar(0x0100)), "?"},
        {QString::fromUtf8("a\U0001F600b"), "a?b"}, // one character, though two code units
        {QString(QChar(0xD800)) + "x", "?x"},       // a lone surrogate
    };
    for (const Case& c : cases)
        EXPECT_EQ(forms::toAnsi(c.text), c.ansi) << c.text.toStdString();
}

TEST(AnsiText, EmbeddedNulIsKept) {
    const std::string bytes("a\0b", 3);
    EXPECT_EQ(forms::toAnsi(forms::fromAnsi(bytes)), bytes);
}

} // namespace
