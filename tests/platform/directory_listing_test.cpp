#include "platform/directory_listing.h"
#include "platform_test_files.h"

namespace qn3::platform {
namespace {

class DirectoryListingTest : public testing::DriveCTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(host("Sons/Sub")));
        for (const char* name : {"b.wav", "A.WAV", "a.txt", ".hidden", "c.WAV", "x", "X", "_under"})
            writeFile(QStringLiteral("Sons/") + QLatin1String(name), "12345");
        ASSERT_TRUE(QFile::link(QStringLiteral("Sub"), host("Sons/LinkDir")));
        ASSERT_TRUE(QFile::link(QStringLiteral("nowhere"), host("Sons/Dangling")));
    }
    ~DirectoryListingTest() override { QDir::setCurrent(startFolder_); }

    static QString names(const QList<DirectoryEntry>& entries)
    {
        QStringList list;
        for (const DirectoryEntry& entry : entries)
            list << entry.name + (entry.isFolder ? QStringLiteral("\\") : QString());
        return list.join(u'|');
    }

    QString startFolder_ = QDir::currentPath();
};

TEST_F(DirectoryListingTest, ListsMatchesInAStableCaseInsensitiveOrder)
{
    const QString all = QStringLiteral(".hidden|a.txt|A.WAV|b.wav|c.WAV|Dangling|LinkDir\\|Sub\\|X|x|_under");
    const std::pair<const char16_t*, QString> cases[] = {
        {u"C:\\SONS\\*.wav", QStringLiteral("A.WAV|b.wav|c.WAV")}, {u"c:\\sons\\", all}, {u"C:/Sons", all},
        {u"C:\\Sons\\*", all}, {u"C:\\Sons\\*.*", all}, {u"C:\\Sons\\?", QStringLiteral("X|x")},
        {u"C:\\Sons\\*.", QStringLiteral("Dangling|LinkDir\\|Sub\\|X|x|_under")},
        // A name without wildcards finds that entry whatever its case.
        {u"C:\\Sons\\B.WAV", QStringLiteral("b.wav")}, {u"C:\\Sons\\zz.wav", QString()}};
    for (const auto& [pattern, expected] : cases)
        EXPECT_EQ(names(listDirectory(pattern)), expected) << QString::fromUtf16(pattern).toStdString();
}

TEST_F(DirectoryListingTest, GivesHostPathsOnRequestSizesAndTimesAndTakesRelativePatterns)
{
    const QList<DirectoryEntry> plain = listDirectory(u"C:\\Sons\\A*");
    ASSERT_EQ(plain.size(), 2);
    EXPECT_EQ(plain[1].hostPath, paths::toHost(u"C:\\Sons\\A.WAV"));
    EXPECT_TRUE(plain[1].size == 0 && !plain[1].lastWriteTime.isValid()) << "details are given only on request";

    const ListOptions details{.details = true};
    const QList<DirectoryEntry> detailed =
        listDirectory(u"C:\\Sons\\?.txt", details) + listDirectory(u"C:\\Sons\\S?b", details);
    ASSERT_EQ(names(detailed), QStringLiteral("a.txt|Sub\\"));
    EXPECT_EQ(std::pair(detailed[0].size, detailed[1].size), std::pair(qint64(5), qint64(0)));
    EXPECT_EQ(detailed[0].lastWriteTime, QFileInfo(detailed[0].hostPath).lastModified());
    EXPECT_TRUE(detailed[0].lastAccessTime.isValid());

    paths::setCurrentDirectory(u"C:\\Sons");
    EXPECT_EQ(names(listDirectory(u"*.txt")), QStringLiteral("a.txt"));
    EXPECT_EQ(names(listDirectory(u"sub\\..\\?.WAV")), QStringLiteral("A.WAV|b.wav|c.WAV"));
    EXPECT_EQ(names(listDirectory(u"C:*.txt")), QStringLiteral("a.txt"));
}

TEST_F(DirectoryListingTest, BadFoldersAndMasksFailClearly)
{
    const std::pair<const char16_t*, int32_t> cases[] = {
        {u"C:\\Missing\\*.*", errors::PathNotFound}, {u"C:\\Missing\\", errors::PathNotFound},
        {u"C:\\Sons\\a.txt\\*", errors::PathNotFound}, {u"C:\\So*s\\x", errors::BadFileName},
        {u"C:\\Sons\\a|b*", errors::BadFileName}, {u"", errors::BadFileName}, {u"Q:\\*", errors::DeviceUnavailable}};
    for (const auto& [pattern, error] : cases)
        EXPECT_EQ(testing::runtimeErrorOf([&] { listDirectory(pattern); }), error)
            << QString::fromUtf16(pattern).toStdString();
}

} // namespace
} // namespace qn3::platform
