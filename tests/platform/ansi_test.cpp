#include "platform/ansi.h"

#include <gtest/gtest.h>

using namespace qn3::platform;

TEST(Ansi, EveryByteSurvivesTheRoundTripAndOtherCharactersBecomeQuestionMarks)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = ansi::decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(ansi::encode(text), all);

    for (const unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(ansi::toUnicode(b), char16_t(b)) << int(b);
    EXPECT_EQ(ansi::decode("\x80\x9C\xE9"), QStringLiteral("€œé"));
    EXPECT_EQ(ansi::encode(u"€œé"), QByteArray("\x80\x9C\xE9"));
    EXPECT_EQ(ansi::encode(u"a\u0411b"), QByteArray("a?b"));
    // A Latin-1 C1 control that the code page uses for another character.
    EXPECT_EQ(ansi::encode(u"\u0080"), QByteArray("?"));
}
