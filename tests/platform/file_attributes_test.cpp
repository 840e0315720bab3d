#include "platform/file_attributes.h"

#include "platform_test_files.h"

#include <sys/stat.h>
#include <sys/xattr.h>

using namespace qn3::platform;

namespace {

class FileAttributes : public qn3::testing::DriveCTest {
protected:
    FileAttributes() { QDir(prefix.driveC()).mkpath(QStringLiteral("Data/Sub")); }

    QString touch(const char* relative) const
    {
        writeFile(relative, "x");
        return host(relative);
    }
    static mode_t mode(const QString& path)
    {
        struct stat st {};
        EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
        return st.st_mode;
    }
};

TEST_F(FileAttributes, UnmarkedEntriesReportWhatWindowsShowsAndNoBitsReadAsNormal)
{
    touch("Data/plain.txt");
    touch("Data/.profile");
    EXPECT_EQ(attributes::get(u"C:\\Data\\plain.txt"), attributes::Archive);
    EXPECT_EQ(attributes::get(u"C:\\Data\\.profile"), attributes::Archive | attributes::Hidden);
    EXPECT_EQ(attributes::get(u"C:\\Data\\Sub"), attributes::Directory);
    attributes::set(u"C:\\Data\\.profile", 0);
    EXPECT_EQ(attributes::get(u"C:\\Data\\.profile"), attributes::Normal);
}

TEST_F(FileAttributes, BitsAreKeptWhereOtherToolsReadThemAndClearingReadOnlyGivesWriteBack)
{
    const QString file = touch("Data/f.ini");
    attributes::set(u"C:\\Data\\f.ini", attributes::ReadOnly | attributes::Hidden | attributes::Archive);
    EXPECT_EQ(attributes::get(u"C:\\Data\\f.ini"), attributes::ReadOnly | attributes::Hidden | attributes::Archive);
    EXPECT_EQ(mode(file) & (S_IWUSR | S_IWGRP | S_IWOTH), 0u);
    char stored[8] = {}; // where Samba and Wine keep the bits
    EXPECT_EQ(::getxattr(QFile::encodeName(file).constData(), "user.DOSATTRIB", stored, sizeof stored - 1), 4);
    EXPECT_STREQ(stored, "0x22");

    attributes::set(u"C:\\Data\\f.ini",
                    attributes::ReadOnly | attributes::Hidden | attributes::System | attributes::Archive);
    attributes::set(u"C:\\Data\\f.ini", attributes::get(u"C:\\Data\\f.ini") & ~attributes::ReadOnly);
    EXPECT_EQ(attributes::get(u"C:\\Data\\f.ini"), attributes::Hidden | attributes::System | attributes::Archive);
    EXPECT_TRUE(mode(file) & S_IWUSR);
    EXPECT_FALSE(mode(file) & S_IWOTH) << "the umask keeps others out";

    // A folder keeps hidden but ignores read-only.
    attributes::set(u"C:\\Data\\Sub", attributes::ReadOnly | attributes::Hidden);
    EXPECT_EQ(attributes::get(u"C:\\Data\\Sub"), attributes::Directory | attributes::Hidden);
    EXPECT_TRUE(mode(host("Data/Sub")) & S_IWUSR);
}

TEST_F(FileAttributes, ValuesWrittenBySambaAndWineAreRead)
{
    const std::tuple<const char*, QByteArray, uint32_t> cases[] = {
        {"Data/wine", "0x6", attributes::Hidden | attributes::System},
        // Samba 4.11+: empty text, NUL, pad, version 4, level 4, valid flags, attrib; read-only comes from the
        // mode, not the blob.
        {"Data/samba", QByteArray("\0\0\x04\0\x04\0\0\0\xff\0\0\0\x21\0\0\0", 16), attributes::Archive},
        // An unreadable value is ignored.
        {"Data/.junk", "hidden", attributes::Hidden | attributes::Archive}};
    for (const auto& [name, value, expected] : cases) {
        const QByteArray file = QFile::encodeName(touch(name));
        ASSERT_EQ(::setxattr(file.constData(), "user.DOSATTRIB", value.constData(), size_t(value.size()), 0), 0);
        EXPECT_EQ(attributes::getHost(QFile::decodeName(file)), expected) << name;
    }
}

TEST_F(FileAttributes, MissingFileOrFolderGivesTheRuntimeErrors)
{
    const auto error = qn3::testing::thrownBy([] { attributes::get(u"C:\\Data\\none.txt"); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->number(), errors::FileNotFound);
    EXPECT_TRUE(error->description().endsWith(u"C:\\Data\\none.txt"));
    EXPECT_EQ(qn3::testing::runtimeErrorOf([] { attributes::set(u"C:\\Nowhere\\none.txt", attributes::ReadOnly); }),
              errors::PathNotFound);
}

} // namespace
