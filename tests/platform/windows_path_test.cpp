#include "platform_test_files.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <filesystem>

namespace qn3::platform {
namespace {

using testing::TempPrefix;

// Puts the process back in the folder it was in: tests change the current directory.
class WindowsPathTest : public ::testing::Test {
protected:
    ~WindowsPathTest() override { QDir::setCurrent(startFolder_); }

    QString devices() const { return prefix_.path() + QStringLiteral("/dosdevices"); }
    // Makes an empty file below drive_c, with the folders on its way.
    void make(const QString& relative) const { testing::put(prefix_.driveC() + u'/' + relative, {}); }
    // Sets a folder's modification time an hour back, so its listing is cached.
    void age(const QString& relative) const
    {
        const std::filesystem::path folder = (prefix_.driveC() + u'/' + relative).toStdString();
        std::filesystem::last_write_time(folder, std::filesystem::last_write_time(folder) - std::chrono::hours(1));
    }
    static int errorOf(QStringView windowsPath) { return testing::runtimeErrorOf([&] { paths::toHost(windowsPath); }); }

    TempPrefix prefix_;
    QString startFolder_ = QDir::currentPath();
};

// Each Windows path with the host path it maps to below `base`.
void expectMappings(std::initializer_list<std::pair<const char16_t*, const char16_t*>> cases, const QString& base)
{
    for (const auto& [windows, host] : cases)
        EXPECT_EQ(paths::toHost(windows), base + QString::fromUtf16(host)) << QString::fromUtf16(windows).toStdString();
}

TEST_F(WindowsPathTest, NormalisesLiteralPathsLikeWindows)
{
    expectMappings({
        {u"C:\\AudioLog\\", u"/c:/AudioLog/"}, {u"c:/AudioLog", u"/c:/AudioLog"}, {u"C:", u"/c:/"},
        {u"C:\\", u"/c:/"}, {u"c:/", u"/c:/"}, {u"C:\\\\a//b\\\\", u"/c:/a/b/"},
        {u"C:\\a\\.\\b", u"/c:/a/b"}, {u"C:\\a\\..\\b", u"/c:/b"}, {u"C:\\..\\..\\b", u"/c:/b"},
        {u"C:\\a\\b\\..\\..\\..", u"/c:/"}, {u"C:\\a\\..\\", u"/c:/"}, {u"C:\\name. ", u"/c:/name"},
        {u"C:\\name...\\x", u"/c:/name/x"}, {u"C:\\name \\x\\", u"/c:/name/x/"}, {u"C:\\a\\.. ", u"/c:/a"},
        {u"C:\\a\\...", u"/c:/a"}, {u"C:\\ lead", u"/c:/ lead"}, {u"C:\\name .ext", u"/c:/name .ext"},
        {u"C:\\Musique\\Été €", u"/c:/Musique/Été €"}, {u"C:\\a.b.c", u"/c:/a.b.c"},
        {u"z:\\No\\Such\\Place", u"/z:/No/Such/Place"},
        {u"\\\\Server\\Share\\dir\\f.txt", u"/unc/Server/Share/dir/f.txt"},
        {u"//server/share", u"/unc/server/share/"}, {u"\\\\server\\share\\", u"/unc/server/share/"},
        {u"\\\\server\\share\\..\\..\\x", u"/unc/server/share/x"}}, devices());
}

TEST_F(WindowsPathTest, RefusesMalformedPathsAndUnlinkedDrives)
{
    using namespace std::literals;
    for (const std::u16string_view path :
         {u""sv, u"C:\\a<b"sv, u"C:\\a>b"sv, u"C:\\a\"b"sv, u"C:\\a|b"sv, u"C:\\a?b"sv, u"C:\\*.*"sv, u"C:\\a:b"sv,
          u"C:\\a\tb"sv, u"C:\\a\0b"sv, u"C:\\a\x1f"sv, u"1:\\x"sv, u":"sv, u"\\\\server"sv, u"\\\\server\\"sv,
          u"\\\\"sv, u"\\\\?\\C:\\x"sv, u"\\\\server\\...\\x"sv})
        EXPECT_EQ(errorOf(path), errors::BadFileName) << QStringView(path).toString().toStdString();
    EXPECT_EQ(errorOf(u"D:\\x"), errors::DeviceUnavailable);
    EXPECT_EQ(errorOf(u"q:"), errors::DeviceUnavailable);
}

TEST_F(WindowsPathTest, PrefixFollowsTheEnvironmentAndFirstUseMakesDriveCAndTheDefaultLinks)
{
    EXPECT_EQ(paths::prefix(), QDir::cleanPath(prefix_.path()));
    paths::toHost(u"C:\\x");
    EXPECT_TRUE(QFileInfo(prefix_.driveC() + "/Windows/System32").isDir());
    EXPECT_EQ(std::filesystem::read_symlink((devices() + "/c:").toStdString()), "../drive_c");
    EXPECT_EQ(std::filesystem::read_symlink((devices() + "/z:").toStdString()), "/");
    const QByteArray xdg = qgetenv("XDG_DATA_HOME");
    const bool hadXdg = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    qunsetenv("QN3_PREFIX");
    qputenv("XDG_DATA_HOME", "/data/home");
    const QString fromXdg = paths::prefix();
    qunsetenv("XDG_DATA_HOME");
    const QString fromHome = paths::prefix();
    if (hadXdg)
        qputenv("XDG_DATA_HOME", xdg);
    qputenv("QN3_PREFIX", QFile::encodeName(prefix_.path()));
    EXPECT_EQ(fromXdg, QStringLiteral("/data/home/qn3-tools-vandrel"));
    EXPECT_EQ(fromHome, QDir::homePath() + QStringLiteral("/.local/share/qn3-tools-vandrel"));
}

TEST_F(WindowsPathTest, FindsExistingComponentsWhateverTheirCaseExactSpellingFirst)
{
    for (const char* name :
         {"AudioLog/Histo/Day.txt", "Straße/x", "Dup/zeta/x", "Dup/zEta/x", "Dup/ZETA/x", "Odd/a*b?.log", "Odd/x|y/z"})
        make(QString::fromUtf8(name));
    ASSERT_TRUE(QDir().mkpath(devices() + "/unc/pc/Data/Sons"));
    expectMappings({
        {u"c:\\audiolog\\HISTO\\day.TXT", u"/c:/AudioLog/Histo/Day.txt"},
        {u"C:\\AUDIOLOG\\histo\\", u"/c:/AudioLog/Histo/"},
        {u"C:\\AudioLog\\Histo\\DAY.TXT. ", u"/c:/AudioLog/Histo/Day.txt"},
        // From the first missing component on, the spelling given is kept.
        {u"C:\\AUDIOLOG\\New\\histo\\FILE.txt", u"/c:/AudioLog/New/histo/FILE.txt"},
        // Windows folds each character on its own: "ß" is not "SS".
        {u"C:\\STRAßE", u"/c:/Straße"}, {u"C:\\STRASSE", u"/c:/STRASSE"},
        // Server and share are found like any other name.
        {u"\\\\PC\\DATA\\sons\\x.wav", u"/unc/pc/Data/Sons/x.wav"},
        // The exact spelling wins, then the first in binary order.
        {u"C:\\Dup\\zEta", u"/c:/Dup/zEta"}, {u"C:\\Dup\\Zeta", u"/c:/Dup/ZETA"},
        // A name Windows refuses that a file of the disk has is that file.
        {u"C:\\Odd\\a*b?.log", u"/c:/Odd/a*b?.log"}, {u"C:\\Odd\\x|y\\", u"/c:/Odd/x|y/"}}, devices());
    // Only spelt exactly: never found by its case, never a name to create.
    for (const char16_t* path : {u"C:\\ODD\\a*b?.log", u"C:\\Odd\\A*B?.LOG", u"C:\\Odd\\x|y\\new", u"C:\\Odd\\c*d.log"})
        EXPECT_EQ(errorOf(path), errors::BadFileName) << QString::fromUtf16(path).toStdString();
}

TEST_F(WindowsPathTest, CachedListingIsDroppedWhenTheFolderChanges)
{
    make(QStringLiteral("Box/b_file"));
    age(QStringLiteral("Box"));
    const QString box = devices() + QStringLiteral("/c:/Box/");
    EXPECT_EQ(paths::toHost(u"C:\\Box\\A_FILE"), box + "A_FILE");
    EXPECT_EQ(paths::toHost(u"C:\\Box\\B_FILE"), box + "b_file");
    make(QStringLiteral("Box/a_File"));
    EXPECT_EQ(paths::toHost(u"C:\\Box\\A_FILE"), box + "a_File");

    // A differently-cased twin that sorts first takes over.
    age(QStringLiteral("Box"));
    EXPECT_EQ(paths::toHost(u"C:\\Box\\A_FILE"), box + "a_File");
    make(QStringLiteral("Box/A_file"));
    EXPECT_EQ(paths::toHost(u"C:\\Box\\A_FILE"), box + "A_file");

    // And a removed entry is no longer found.
    age(QStringLiteral("Box"));
    EXPECT_EQ(paths::toHost(u"C:\\Box\\B_FILE"), box + "b_file");
    ASSERT_TRUE(QFile::remove(prefix_.driveC() + "/Box/b_file"));
    EXPECT_EQ(paths::toHost(u"C:\\Box\\B_FILE"), box + "B_FILE");
}

TEST_F(WindowsPathTest, RelativeFormsResolveAgainstTheCurrentDirectory)
{
    make(QStringLiteral("Work/Sub/x"));
    paths::setCurrentDirectory(u"c:\\WORK\\sub\\");
    EXPECT_EQ(paths::currentDirectory(), QStringLiteral("C:\\Work\\Sub"));
    const QString c = devices() + QStringLiteral("/c:");
    expectMappings({
        {u"Config\\", u"/Work/Sub/Config/"}, {u"Config", u"/Work/Sub/Config"}, {u".", u"/Work/Sub"},
        {u"..\\x", u"/Work/x"}, {u"..\\..\\..\\x", u"/x"}, {u"\\x", u"/x"}, {u"/", u"/"},
        {u"C:x\\y", u"/Work/Sub/x/y"}, {u"c:..", u"/Work"}}, c);
    // "Z:x" while the current directory is on C: starts at Z:'s root.
    EXPECT_EQ(paths::toHost(u"Z:tmp"), devices() + "/z:/tmp");

    paths::setCurrentDirectory(u"C:\\");
    EXPECT_EQ(paths::currentDirectory(), QStringLiteral("C:\\"));
    EXPECT_EQ(paths::toHost(u"Work"), c + "/Work");
    EXPECT_EQ(testing::runtimeErrorOf([] { paths::setCurrentDirectory(u"C:\\No\\Such"); }), errors::PathNotFound);
    EXPECT_EQ(paths::currentDirectory(), QStringLiteral("C:\\"));
}

TEST_F(WindowsPathTest, ReverseMapUsesTheLongestDriveTargetAndAddedDrivesWorkBothWays)
{
    QTemporaryDir radio;
    ASSERT_TRUE(radio.isValid());
    paths::toHost(u"C:\\"); // creates the drives
    ASSERT_TRUE(QFile::link(radio.path(), devices() + "/d:"));
    ASSERT_TRUE(QDir().mkpath(radio.path() + "/Sons"));
    EXPECT_EQ(paths::toHost(u"d:\\SONS\\a.wav"), devices() + "/d:/Sons/a.wav");
    make(QStringLiteral("Music/a.wav"));
    ASSERT_TRUE(QFile::link(QStringLiteral("../drive_c/Music"), devices() + "/m:"));
    const QString driveC = prefix_.driveC();
    const std::pair<QString, QString> cases[] = {
        {driveC + "/AudioLog/x.txt", "C:\\AudioLog\\x.txt"}, {driveC, "C:\\"}, {driveC + "/", "C:\\"},
        {driveC + "/a/b/", "C:\\a\\b\\"}, {"/etc/hosts", "Z:\\etc\\hosts"}, {"/", "Z:\\"},
        {driveC + "_other/x", "Z:" + QString(driveC).replace(u'/', u'\\') + "_other\\x"}, {devices() + "/z:", "Z:\\"},
        {devices() + "/c:/a/b/", "C:\\a\\b\\"}, {devices() + "/unc/srv/share/x", "\\\\srv\\share\\x"},
        {radio.path() + "/Sons/a.wav", "D:\\Sons\\a.wav"}, {radio.path(), "D:\\"},
        {driveC + "/Music/a.wav", "M:\\a.wav"}}; // a drive inside drive_c is longer than c: there
    for (const auto& [host, windows] : cases)
        EXPECT_EQ(paths::toWindows(host), windows) << host.toStdString();
    for (const char16_t* windows : {u"C:\\a\\b\\", u"C:\\a\\b", u"C:\\", u"\\\\srv\\share\\x"})
        EXPECT_EQ(paths::toWindows(paths::toHost(windows)), QString::fromUtf16(windows));
}

TEST_F(WindowsPathTest, ApplicationFolderIsTheProgramsFolderInWindowsForm)
{
    const QString folder = paths::applicationFolder();
    EXPECT_TRUE(folder.endsWith(u'\\'));
    EXPECT_EQ(QFileInfo(paths::toHost(folder)).canonicalFilePath(),
              QFileInfo(QCoreApplication::applicationDirPath()).canonicalFilePath());
}

} // namespace
} // namespace qn3::platform
