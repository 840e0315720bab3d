#include "platform/wildcard.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace qn3::platform {
namespace {

// The names of the classic FindFirstFile wildcard probe, "." and ".." included, '|' separated.
const char* const probe = ".|..|..a|..a.a|.a|.a..a|.a.a|.aaa|a|a..a|a.a|a.a.a|aa|aaa|aaaa| .a";
const QStringList probeNames = QString::fromLatin1(probe).split(u'|');

QStringList matching(const QString& mask)
{
    const wildcard::Pattern pattern(mask);
    QStringList result;
    for (const QString& name : probeNames) {
        EXPECT_EQ(pattern.matches(name), wildcard::matches(mask, name));
        if (pattern.matches(name))
            result << name;
    }
    return result;
}

TEST(WildcardTest, MatchesLikeFindFirstFileOnLongNamesAndKnowsMasksThatMatchEverything)
{
    // Windows also lists some names through their 8.3 aliases (".a" for "*.",
    // "a.a.a" for "*aa*"); no aliases exist here, so those rows hold long names only.
    // Each mask with the names it matches, '|' separated, in probe order.
    const std::pair<const char*, const char*> rows[] = {
        {"*", probe}, {"*.*", probe}, {"**", probe}, {"*.*.*", probe}, {"*. ", probe}, {"*.", ".|..|a|aa|aaa|aaaa"},
        {"*..", ".|..|a|aa|aaa|aaaa"}, {"* .", ".|..|a|aa|aaa|aaaa"}, {".*", ".|..|..a|..a.a|.a|.a..a|.a.a|.aaa"},
        {"?", ".|..|a"}, {"??.", ".|..|a|aa"}, {"???.", ".|..|a|aa|aaa"},
        {"*.a", "..a|..a.a|.a|.a..a|.a.a|a..a|a.a|a.a.a| .a"}, {"aa.*", "aa"}, {"* *", " .a"}, {"* .a", " .a"},
        {" *a", " .a"}, {". *", ""}, {"a ?.*", ""}, {"aa*.*", "aa|aaa|aaaa"}, {"*aa*", ".aaa|aa|aaa|aaaa"},
        {"A.A", "a.a"}, {"a?a", "aaa"}};
    for (const auto& [mask, names] : rows)
        EXPECT_EQ(matching(QString::fromLatin1(mask)).join(u'|').toStdString(), names) << mask;

    const std::tuple<const char16_t*, const char16_t*, bool> everyday[] = {
        {u"*.txt", u"A.TXT", true}, {u"*.TXT", u"notes.txt", true}, {u"*.wav", u"a.wav.bak", false},
        {u"*.htm", u"x.html", false}, {u"*.wav", u"wav", false}, {u"a*", u"A", true}, {u"readme.", u"README", true},
        {u"readme", u"readme.txt", false}, {u"file?.txt", u"file.txt", true}, {u"file?.txt", u"file1.txt", true},
        {u"file?.txt", u"file12.txt", false}, {u"Été*.WAV", u"été 1.wav", true}, {u"*", u".bashrc", true},
        {u"*.*", u"Makefile", true}, {u"<a>", u"<A>", true}, {u"<", u"a", false},
        {u"*a*a*a*a*a*a*a*a*a*a*a*a*a*b", u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
        {u"*a*a*a*a*a*a*a*a*a*a*a*a*a*b", u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", true},
        {u"", u"a", false}, {u"STRASSE", u"straße", false}, {u"STRAßE", u"straße", true}};
    for (const auto& [mask, name, matches] : everyday)
        EXPECT_EQ(wildcard::matches(mask, name), matches)
            << QString::fromUtf16(mask).toStdString() << " ~ " << QString::fromUtf16(name).toStdString();

    const std::pair<const char16_t*, bool> masks[] = {{u"*", true}, {u"*.*", true}, {u"*.", false}, {u".*", false},
                                                      {u"*.a", false}};
    for (const auto& [mask, everything] : masks)
        EXPECT_EQ(wildcard::Pattern(mask).matchesEverything(), everything) << QString::fromUtf16(mask).toStdString();
    EXPECT_TRUE(wildcard::hasWildcards(u"a?"));
    EXPECT_FALSE(wildcard::hasWildcards(u"a.b"));
    EXPECT_EQ(wildcard::upperCase(QStringLiteral("straße é")), QStringLiteral("STRAßE É"));
}

} // namespace
} // namespace qn3::platform
