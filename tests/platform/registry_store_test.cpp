#include "platform/registry_store.h"

#include "platform/registry_hive.h"
#include "platform_test_files.h"
#include "support/kill_while_writing.h"
#include "support/memory_bound.h"

#include <sys/stat.h>

using namespace qn3::platform;
using namespace std::chrono_literals;
using qn3::testing::sz;

namespace {

class RegistryStoreTest : public ::testing::Test {
protected:
    QString hive(const char* name = "user.reg") const { return prefix.path() + u'/' + QLatin1String(name); }
    QByteArray contents(const char* name = "user.reg") const { return qn3::testing::contents(hive(name)); }
    void put(const QByteArray& text) const { qn3::testing::put(hive(), text); }
    RegistryKey open(const char* path, uint32_t root = HKEY_CURRENT_USER) const
    {
        RegistryKey key;
        EXPECT_EQ(store.createKey(root, QString::fromLatin1(path), key), 0) << path;
        return key;
    }

    qn3::testing::TempPrefix prefix;
    RegistryStore& store = RegistryStore::standard();
};

TEST_F(RegistryStoreTest, NamesIgnoreCaseAndKeepTheirFirstSpelling)
{
    const RegistryKey key = open("Software\\Sonvarek\\Quillon\\Look", HKEY_LOCAL_MACHINE);
    ASSERT_EQ(store.setValue(key, u"Style", REG_SZ, sz("3")), 0);
    const RegistryKey again = open("SOFTWARE\\sonvarek\\quillon\\LOOK\\", HKEY_LOCAL_MACHINE);
    EXPECT_EQ(again.path, "Software\\Sonvarek\\Quillon\\Look");
    ASSERT_EQ(store.setValue(again, u"STYLE", REG_SZ, sz("4")), 0);
    EXPECT_EQ(store.queryValue(key, u"style", 255u).data, sz("4"));
    EXPECT_TRUE(contents("system.reg").contains("\"Style\"=\"4\"\n"));
    EXPECT_FALSE(QFile::exists(hive("user.reg")));
}

TEST_F(RegistryStoreTest, AFreshPrefixHasTheThemeOnUntilItsHiveSaysOtherwise)
{
    const RegistryKey themes = open("Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager");
    EXPECT_EQ(store.queryValue(themes, u"ThemeActive", 255u).data, sz("1"));
    EXPECT_FALSE(QFile::exists(hive("user.reg"))); // nothing changed, nothing saved
    open("Software\\T"); // the first change saves the profile's values with it
    EXPECT_TRUE(contents().contains("\"ThemeActive\"=\"1\"\n"));

    put("WINE REGISTRY Version 2\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\ThemeManager]\n");
    EXPECT_EQ(store.queryValue(themes, u"ThemeActive", 255u).code, 2); // a hive of its own says nothing
    EXPECT_EQ(store.queryValue(open("Software", HKEY_LOCAL_MACHINE), u"ThemeActive", 255u).code, 2);
}

TEST_F(RegistryStoreTest, OpeningMakesTheKeyAndQueriesFollowTheBufferSizeRules)
{
    const RegistryKey key = open("Software\\T");
    EXPECT_TRUE(contents().contains("[Software\\\\T]\n"));
    ASSERT_EQ(store.setValue(key, u"v", REG_SZ, sz("abc")), 0);
    ASSERT_EQ(store.setValue(key, u"empty", REG_SZ, QByteArray()), 0);
    // Value name, buffer size (none: size query only), then the code, size and data the query gives.
    const std::tuple<const char*, std::optional<uint32_t>, int32_t, uint32_t, QByteArray> cases[] = {
        {"v", std::nullopt, 0, 4, {}}, {"v", 0u, 234, 4, {}},  {"v", 3u, 234, 4, {}},
        {"v", 4u, 0, 4, sz("abc")},    {"empty", 0u, 0, 0, {}}, {"none", 10u, 2, 0, {}}, {"none", 0u, 2, 0, {}}};
    for (const auto& [name, buffer, code, size, data] : cases) {
        const RegistryQuery q = store.queryValue(key, QString::fromLatin1(name), buffer);
        EXPECT_EQ(std::tuple(q.code, q.size, q.data), std::tuple(code, size, data)) << name;
    }
}

TEST_F(RegistryStoreTest, TypesAreSavedInTheReadableTextForm)
{
    const RegistryKey key = open("Software\\T");
    ASSERT_EQ(store.setValue(key, u"", REG_SZ, sz("default")), 0);
    ASSERT_EQ(store.setValue(key, u"Path", REG_EXPAND_SZ, sz("%ProgramFiles%\\x")), 0);
    ASSERT_EQ(store.setValue(key, u"Count", REG_DWORD, QByteArray("\xFB\xFF\xFF\xFF", 4)), 0);
    ASSERT_EQ(store.setValue(key, u"Odd", 3, QByteArray("\x01\xAB", 2)), 0);
    // The new profile's own value comes first, in the order of the key names.
    EXPECT_EQ(contents(), "WINE REGISTRY Version 2\n;; All keys relative to HKEY_CURRENT_USER\n\n"
                          "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\ThemeManager]\n"
                          "\"ThemeActive\"=\"1\"\n\n"
                          "[Software\\\\T]\n@=\"default\"\n\"Count\"=dword:fffffffb\n\"Odd\"=hex:01,ab\n"
                          "\"Path\"=str(2):\"%ProgramFiles%\\\\x\"\n");
    const RegistryQuery q = store.queryValue(key, u"path", 255u);
    EXPECT_EQ(std::pair(q.type, q.data), std::pair(uint32_t(REG_EXPAND_SZ), sz("%ProgramFiles%\\x")));
}

TEST_F(RegistryStoreTest, AnAdministratorsEditIsSeenAtOnce)
{
    const RegistryKey key = open("Software\\T");
    put("WINE REGISTRY Version 2\n[Software\\\\T] 1700000000\n#time=1d9\n\"V\"=\"edited\"\n");
    EXPECT_EQ(store.queryValue(key, u"v", 255u).data, sz("edited"));
    put("WINE REGISTRY Version 2\n[Software\\\\Other]\n");
    EXPECT_EQ(store.queryValue(key, u"v", 255u).code, 1018);
}

TEST_F(RegistryStoreTest, DamagedLinesAreSkippedAndTheFileIsKeptBeforeItIsSavedOver)
{
    const QByteArray damaged = "WINE REGISTRY Version 2\n\"orphan\"=\"x\"\n[Software\\\\T]\n\"good\"=\"yes\"\n"
                               "\"bad\"=dword:zz\n\"open\"=\"no end\ngarbage\n[unterminated\n";
    put(damaged);
    const RegistryKey key = open("Software\\T");
    EXPECT_EQ(store.queryValue(key, u"good", 255u).data, sz("yes"));
    EXPECT_EQ(store.queryValue(key, u"bad", 255u).code, 2);
    EXPECT_EQ(contents(), damaged);
    ASSERT_EQ(::chmod(QFile::encodeName(hive()).constData(), 0600), 0);
    ASSERT_EQ(store.setValue(key, u"new", REG_SZ, sz("1")), 0);
    EXPECT_EQ(contents("user.reg.bad"), damaged);
    EXPECT_EQ(QFileInfo(hive("user.reg.bad")).permissions(), QFileInfo(hive()).permissions());
    EXPECT_EQ(store.queryValue(key, u"good", 255u).data, sz("yes"));
}

TEST_F(RegistryStoreTest, TextTheCodePageCannotHoldIsKeptThroughAnUnrelatedSave)
{
    put("WINE REGISTRY Version 2\n[Software\\\\T]\n\"Wide\"=\"\xE6\x97\xA5\xE6\x9C\xAC \xC3\xA9\"\n"
        "\"Latin\"=\"caf\xE9 cr\xE8me\"\n");
    const RegistryKey key = open("Software\\T");
    EXPECT_EQ(store.queryValue(key, u"Wide", 255u).data, sz("?? \xE9"));
    EXPECT_EQ(store.queryValue(key, u"Latin", 255u).data, sz("caf\xE9 cr\xE8me"));
    ASSERT_EQ(store.setValue(key, u"Wide", REG_SZ, sz("?? \xE9")), 0); // what was read, written back
    ASSERT_EQ(store.setValue(key, u"Other", REG_SZ, sz("1")), 0);
    EXPECT_TRUE(contents().contains("\"Wide\"=\"\xE6\x97\xA5\xE6\x9C\xAC \xC3\xA9\"\n")) << contents().toStdString();
    EXPECT_TRUE(contents().contains("\"Latin\"=\"caf\xC3\xA9 cr\xC3\xA8me\"\n")) << contents().toStdString();
    EXPECT_FALSE(QFile::exists(hive("user.reg.bad")));
}

TEST_F(RegistryStoreTest, SpecialOrOversizedHiveFailsAtOnceAndStaysAsItIs)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(hive()).constData(), 0600), 0);
    QFile big(hive("system.reg"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(65 << 20));
    big.close();
    for (const uint32_t root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        RegistryKey key;
        EXPECT_EQ(store.createKey(root, u"Software\\T", key), 1016) << root;
        EXPECT_EQ(store.setValue(RegistryKey{root, QStringLiteral("Software")}, u"v", REG_SZ, sz("1")), 1016) << root;
    }
    EXPECT_FALSE(QFileInfo(hive()).isFile());
    EXPECT_EQ(QFileInfo(hive("system.reg")).size(), 65 << 20);
}

TEST_F(RegistryStoreTest, RefusalsGiveWindowsCodes)
{
    RegistryKey key;
    EXPECT_EQ(store.createKey(0x80000000u, u"Software", key), 6);
    EXPECT_EQ(store.createKey(HKEY_CURRENT_USER, u"\\Software", key), 161);
    EXPECT_EQ(store.createKey(HKEY_CURRENT_USER, QString(256, u'n'), key), 87);
    EXPECT_EQ(store.createKey(HKEY_CURRENT_USER, QStringLiteral("Software\\") + QString(70000, u'n'), key), 87);
    EXPECT_FALSE(QFile::exists(hive()));
    key = open("Software\\T");
    ASSERT_EQ(store.setValue(key, u"v", REG_SZ, sz("1")), 0);
    const QByteArray before = contents();
    EXPECT_EQ(store.setValue(key, QString(16384, u'v'), REG_SZ, sz("1")), 87);
    EXPECT_EQ(contents(), before);
    QFile::setPermissions(hive(), QFile::ReadOwner);
    EXPECT_EQ(store.setValue(key, u"v", REG_SZ, sz("2")), 5);
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(store.queryValue(key, u"v", 255u).data, sz("1"));
}

// Serialises the hive, parses the text back and checks the second serialisation is the same text.
registry_hive::Hive roundTrip(const registry_hive::Hive& hive)
{
    const QByteArray text = registry_hive::serialize(hive, u"HKEY_CURRENT_USER");
    registry_hive::Hive back = registry_hive::parse(text);
    EXPECT_EQ(back.damagedLines, 0);
    EXPECT_EQ(registry_hive::serialize(back, u"HKEY_CURRENT_USER"), text);
    return back;
}

// The data of the value, or "<none>" when the key or the value is missing.
QByteArray dataOf(const registry_hive::Hive& hive, QStringView path, QStringView name)
{
    const std::optional<registry_hive::KeyId> key = hive.key(path);
    const registry_hive::Value* value = key ? hive.value(*key, name) : nullptr;
    return value ? value->data : QByteArray("<none>");
}

TEST(RegistryHive, EscapedTextAndLoneSurrogatesSurviveTheRoundTrip)
{
    registry_hive::Hive hive;
    const QByteArray data = QByteArray("q\" b\\ ] \r\n\t \x01 \xE9\x80") + '\0';
    hive.set(hive.make(u"Soft[1]\\Name \"x\""), u"va\"l\\ue", REG_SZ, data);
    const registry_hive::Hive back = roundTrip(hive);
    EXPECT_EQ(dataOf(back, u"soft[1]\\name \"X\"", u"VA\"L\\UE"), data);

    const registry_hive::Hive lone = registry_hive::parse("WINE REGISTRY Version 2\n[a\\xd800b]\n\"\\xdc01\"=\"v\"\n");
    ASSERT_EQ(lone.damagedLines, 0);
    const registry_hive::Hive loneBack = roundTrip(lone);
    EXPECT_EQ(dataOf(loneBack, QStringLiteral("a") + QChar(0xD800) + u'b', QString(QChar(0xDC01))), sz("v"));
}

// The hive keeps to Windows' limits whoever calls it: a longer name is
// refused before anything is made or stored, and is damage in a file.
TEST(RegistryHive, NamesBeyondWindowsLimitsAreRefusedByTheHiveItself)
{
    registry_hive::Hive hive;
    const registry_hive::KeyId longest = hive.makeSubkey(registry_hive::Hive::root, QString(255, u'k'));
    EXPECT_TRUE(hive.set(longest, QString(16383, u'v'), REG_SZ, sz("1")));
    EXPECT_THROW(hive.makeSubkey(longest, QString(256, u'k')), registry_hive::Refused);
    EXPECT_THROW(hive.makeSubkey(longest, QString(70000, u'k')), registry_hive::Refused);
    EXPECT_THROW(hive.make(QStringLiteral("Software\\") + QString(70000, u'k')), registry_hive::Refused);
    EXPECT_THROW(hive.make(QStringLiteral("Software\\").repeated(513)), registry_hive::Refused);
    EXPECT_THROW(hive.set(longest, QString(16384, u'v'), REG_SZ, sz("2")), registry_hive::Refused);
    EXPECT_THROW(hive.set(longest, QString(70000, u'v'), REG_SZ, sz("2")), registry_hive::Refused);
    EXPECT_EQ(hive.subkeys(registry_hive::Hive::root).size(), 1u);
    EXPECT_TRUE(hive.subkeys(longest).empty());
    EXPECT_EQ(hive.values(longest).size(), 1u);
    roundTrip(hive);

    const registry_hive::Hive read = registry_hive::parse(
        "WINE REGISTRY Version 2\n[k]\n\"" + QByteArray(16384, 'v') + "\"=\"x\"\n\"v\"=\"y\"\n");
    EXPECT_EQ(read.damagedLines, 1);
    EXPECT_EQ(dataOf(read, u"k", u"v"), sz("y"));
}

TEST(RegistryHive, HugeHostileLinesAreReadInLinearTimeAndTooDeepPathsAreDamage)
{
    // A key path of 200,000 names (Windows allows 512 levels), then a hex
    // value continued over 100,000 lines.
    const QByteArray deep = QByteArray("k\\\\").repeated(200000), hex = QByteArray("01,\\\n  ").repeated(100000);
    const registry_hive::Hive hive =
        registry_hive::parse("WINE REGISTRY Version 2\n[" + deep + "end]\n[Short]\n\"h\"=hex:" + hex + "02\n");
    EXPECT_EQ(hive.damagedLines, 1);
    EXPECT_EQ(dataOf(hive, u"short", u"H").size(), 100001);
    EXPECT_EQ(hive.subkeys(registry_hive::Hive::root).size(), 1u); // "Short" only
    EXPECT_TRUE(registry_hive::withinLimits(QString(255, u'n') + QStringLiteral("\\x")));
    EXPECT_FALSE(registry_hive::withinLimits(QString(256, u'n')));
    EXPECT_FALSE(registry_hive::withinLimits(QStringLiteral("k\\").repeated(513)));
}

TEST(RegistryHive, DeepLongKeyPathsCostASmallMultipleOfTheFileSize)
{
    // 16 key lines of 512 levels of 255-character names: about 2 MB.
    QByteArray text = "WINE REGISTRY Version 2\n";
    for (int line = 0; line < 16; ++line) {
        QByteArray path;
        for (int level = 0; level < 512; ++level)
            path += (level ? "\\\\" : "") + QByteArray(255, char('a' + (level + line) % 26));
        text += "[" + path + "]\n\"v\"=\"x\"\n";
    }
    EXPECT_TRUE(qn3::testing::finishesWithinMemory(16LL * text.size(), [&] {
        const registry_hive::Hive hive = registry_hive::parse(text);
        if (hive.damagedLines != 0 || registry_hive::serialize(hive, u"HKEY_CURRENT_USER").size() < text.size())
            std::abort();
    }));
}

TEST(RegistryHive, DeepPathsOfOneLetterNamesCostASmallMultipleOfTheFileSize)
{
    // About 2 MB of lines of 512 levels, each line a new chain of one-letter
    // keys: three bytes of the file per key.
    QByteArray text = "WINE REGISTRY Version 2\n";
    const QByteArray chain = QByteArray("\\\\a").repeated(511);
    for (int line = 0; text.size() < 2 << 20; ++line)
        text += "[" + QByteArray::number(line, 36) + chain + "]\n";
    EXPECT_TRUE(qn3::testing::finishesWithinMemory(8LL * text.size(), [&] {
        const registry_hive::Hive hive = registry_hive::parse(text);
        const QString firstChain = QStringLiteral("0") + QStringLiteral("\\a").repeated(511);
        if (hive.damagedLines != 0 || !hive.key(firstChain) || hive.subkeys(registry_hive::Hive::root).size() < 1000)
            std::abort();
    }));
}

TEST_F(RegistryStoreTest, KilledWriterLeavesTheOldOrTheNewHiveWhole)
{
    const RegistryKey key = open("Software\\T");
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(store.setValue(key, QStringLiteral("filler%1").arg(i), REG_SZ, sz("text to make the file long")), 0);
    const QByteArray a(2000, 'a'), b(4000, 'b');
    int rewritten = 0;
    qn3::testing::killWhileWriting(
        30, 100ms, [&](unsigned n) { store.setValue(key, u"v", REG_SZ, (n % 2 ? b : a) + '\0'); },
        [&] {
            const registry_hive::Hive now = registry_hive::parse(contents());
            EXPECT_EQ(now.damagedLines, 0);
            const std::optional<registry_hive::KeyId> k = now.key(u"Software\\T");
            ASSERT_TRUE(k);
            EXPECT_EQ(now.values(*k).size() - (now.value(*k, u"v") ? 1 : 0), 200u);
            if (const registry_hive::Value* v = now.value(*k, u"v")) {
                EXPECT_TRUE(v->data == a + '\0' || v->data == b + '\0');
                ++rewritten;
            }
        });
    EXPECT_GT(rewritten, 0) << "no round let the writer finish a write";
}

} // namespace
