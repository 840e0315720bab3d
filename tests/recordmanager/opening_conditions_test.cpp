#include "record_file_fixture.h"

#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <functional>
#include <grp.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qn3::testing {
namespace {

using namespace rm;

constexpr int kRecords = 300;

// What a child answers when it cannot become a user that permission bits bind.
constexpr char kCannotDropRights[] = "cannot drop rights";

// Runs `body` in a child process and returns what it answered. With
// `unprivileged`, a child of root becomes "nobody" first, so that permission
// bits bind it as they bind a user; the machine itself is left as it is.
std::string inChild(bool unprivileged, const std::function<std::string()>& body)
{
    int ends[2] = {-1, -1};
    if (::pipe(ends) != 0)
        return "no pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ends[0]);
        const bool dropped = !unprivileged || ::geteuid() != 0 ||
                             (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0);
        const std::string answer = dropped ? body() : kCannotDropRights;
        (void)!::write(ends[1], answer.data(), answer.size());
        ::_exit(0);
    }
    ::close(ends[1]);
    std::string answer;
    char buffer[512];
    for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, static_cast<size_t>(n));
    ::close(ends[0]);
    ::waitpid(pid, nullptr, 0);
    return answer;
}

class OpeningConditions : public RecordFileTest {
protected:
    // The ids of records 0 to kRecords - 1, as `walk` lists them.
    static std::string allIds()
    {
        std::string ids;
        for (int i = 0; i < kRecords; ++i)
            ids += id(i) + "|";
        return ids;
    }

    // A file whose records were all committed but never copied from the log
    // into the file, as a writer killed before its checkpoint leaves it: a
    // second connection holds the file while they are inserted, so the
    // engine's last close cannot checkpoint, and lets go without one.
    void makeWithRecordsInLog(const std::string& name)
    {
        Block block;
        make(block, name, {});
        sqlite3* holder = nullptr;
        ASSERT_EQ(sqlite3_open(hostPath(name).c_str(), &holder), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(holder, "SELECT count(*) FROM record_file", nullptr, nullptr, nullptr), SQLITE_OK);
        // One commit: far from the size at which the log is checkpointed.
        ASSERT_EQ(transaction(op::BeginTransaction), 0);
        for (int i = 0; i < kRecords; ++i)
            ASSERT_EQ(insert(block, record(id(i), "G" + std::to_string(i % 7), std::to_string(i))), 0);
        ASSERT_EQ(transaction(op::EndTransaction), 0);
        ASSERT_EQ(close(block), 0);
        sqlite3_db_config(holder, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        sqlite3_close(holder);
        ASSERT_GT(QFileInfo(QString::fromStdString(hostPath(name) + "-wal")).size(), 4096);
    }

    // Copies the newest image of `page` in the log over the file's own, as a
    // checkpoint cut short after its first page leaves it.
    void checkpointOnly(const std::string& name, uint32_t page)
    {
        QFile log(QString::fromStdString(hostPath(name) + "-wal"));
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        const QByteArray frames = log.readAll();
        const auto be32 = [&](qsizetype at) {
            const auto* b = reinterpret_cast<const uint8_t*>(frames.constData() + at);
            return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
        };
        const qsizetype pageSize = be32(8), frameSize = 24 + pageSize;
        QByteArray image;
        for (qsizetype at = 32; at + frameSize <= frames.size(); at += frameSize)
            if (be32(at) == page)
                image = frames.mid(at + 24, pageSize);
        ASSERT_EQ(image.size(), pageSize);
        QFile file(QString::fromStdString(hostPath(name)));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.seek((page - 1) * pageSize));
        ASSERT_EQ(file.write(image), pageSize);
    }

    // What SQLite answers reading the main file alone, its log ignored.
    int readAlone(const std::string& name) const
    {
        sqlite3* db = nullptr;
        sqlite3_open_v2(("file:" + hostPath(name) + "?immutable=1").c_str(), &db,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        const int rc = sqlite3_exec(db, "SELECT format FROM record_file", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        return rc;
    }

    QString dataFolder() const { return prefix.driveC() + QStringLiteral("/data"); }
};

// The file's first page, with the new size, made it to the file; the pages
// it counts did not: the file alone is not a database any more.
TEST_F(OpeningConditions, AFileLeftInTheMiddleOfACheckpointOpensWithItsLog)
{
    makeWithRecordsInLog("crashed");
    checkpointOnly("crashed", 1);
    ASSERT_NE(readAlone("crashed"), SQLITE_OK) << "the file alone must look damaged for this test";

    Block block;
    ASSERT_EQ(open(block, "crashed"), 0);
    EXPECT_EQ(walk(block, 0, op::GetFirst, op::GetNext), allIds());
    EXPECT_EQ(insert(block, record("9999", "G", "new")), 0);
    EXPECT_EQ(close(block), 0);
    ASSERT_EQ(open(block, "crashed"), 0);
    EXPECT_EQ(call(op::GetEqual, block, 0, "9999").status, 0);
    EXPECT_EQ(close(block), 0);
}

// The log's index cannot be made while the file may not grow (a file-size
// limit in a child stands in for the full disk); once it may, the file opens.
TEST_F(OpeningConditions, AFullDiskAnswers18AndTheFileOpensOnceThereIsRoom)
{
    Block block;
    make(block, "full", {});
    for (int i = 0; i < kRecords; ++i)
        ASSERT_EQ(insert(block, record(id(i), "G", std::to_string(i))), 0);
    ASSERT_EQ(close(block), 0);

    const std::string answers = inChild(false, [] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit {};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit full{1024, limit.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &full);
        Block child;
        std::string seen = std::to_string(open(child, "full"));
        ::setrlimit(RLIMIT_FSIZE, &limit);
        seen += " " + std::to_string(open(child, "full"));
        return seen + " " + walk(child, 0, op::GetFirst, op::GetNext);
    });
    EXPECT_EQ(answers, "18 0 " + allIds());
}

// Files in a folder we may not write: with no log beside them there is
// nothing to apply, and they open read-only; a log that holds commits but
// cannot be read with its index gives the access status. Never 30.
TEST_F(OpeningConditions, AFolderWeMayNotWriteOpensItsFilesReadOnly)
{
    Block block;
    make(block, "clean", {record("0001", "A", "aa"), record("0002", "B", "bb")});
    ASSERT_EQ(close(block), 0);
    makeWithRecordsInLog("pending");
    for (const char* left : {"clean.bt6-wal", "clean.bt6-shm", "pending.bt6-shm"})
        ASSERT_TRUE(QFile::remove(dataFolder() + u'/' + QLatin1String(left)));
    for (const QString& folder : {prefix.path(), prefix.driveC(), dataFolder()})
        ::chmod(QFile::encodeName(folder).constData(), 0755);
    for (const char* file : {"clean.bt6", "pending.bt6", "pending.bt6-wal"})
        ::chmod(QFile::encodeName(dataFolder() + u'/' + QLatin1String(file)).constData(), 0444);
    ::chmod(QFile::encodeName(dataFolder()).constData(), 0555);

    const QByteArray folder = QFile::encodeName(dataFolder());
    const std::string answers = inChild(true, [&folder] {
        if (::access(folder.constData(), R_OK | X_OK) != 0)
            return std::string(kCannotDropRights);  // the temporary folder's parents are closed to others
        Block child;
        std::string seen = std::to_string(open(child, "clean"));
        seen += " " + walk(child, 0, op::GetFirst, op::GetNext);
        seen += " " + std::to_string(insert(child, record("0003", "C", "cc")));
        close(child);
        return seen + " " + std::to_string(open(child, "pending"));
    });
    ::chmod(folder.constData(), 0755);
    if (answers == kCannotDropRights)
        GTEST_SKIP() << "no user without rights on the test's folder";
    EXPECT_EQ(answers, "0 0001|0002| 46 46");
    EXPECT_FALSE(QFileInfo::exists(dataFolder() + QStringLiteral("/clean.bt6-wal")));
}

// The path runs to its NUL (open) or its key length (create), its trailing
// blanks aside; the blank inside the folder's name belongs to it.
TEST_F(OpeningConditions, AFolderWithABlankInItsNameHoldsItsFiles)
{
    ASSERT_TRUE(QDir().mkpath(prefix.driveC() + QStringLiteral("/Radio Data")));
    std::string path = "C:\\Radio Data\\FRAD017.bt6 ";
    Layout layout = standardLayout();
    int32_t length = CreationBufferSize;
    Block block;
    ASSERT_EQ(BTRCALL(op::Create, block.data(), layout.data(), &length, path.data(), int16_t(path.size()), 0), 0);
    EXPECT_TRUE(QFileInfo(prefix.driveC() + QStringLiteral("/Radio Data/FRAD017.bt6")).isFile());
    EXPECT_FALSE(QFileInfo::exists(prefix.driveC() + QStringLiteral("/Radio")));

    for (const char padding : {'\0', ' '}) {
        std::string key = path;
        key.resize(255, padding);
        ASSERT_EQ(BTRCALL(op::Open, block.data(), nullptr, &length, key.data(), 255, 0), 0) << int(padding);
        EXPECT_EQ(insert(block, record(padding ? "0002" : "0001", "A", padding ? "bb" : "aa")), 0);
        EXPECT_EQ(close(block), 0);
    }
}

// A key length of 0 or less gives no end to the name: the buffer, here a
// page nobody may read, is never looked at.
TEST_F(OpeningConditions, NoKeyLengthNeverReadsTheKeyBuffer)
{
    void* unreadable = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(unreadable, MAP_FAILED);
    Layout layout = standardLayout();
    Block block;
    for (const uint16_t operation : {op::Open, op::Create})
        for (const int16_t keyLength : {int16_t(0), int16_t(-1), int16_t(-32768)}) {
            int32_t length = CreationBufferSize;
            EXPECT_EQ(BTRCALL(operation, block.data(), layout.data(), &length, unreadable, keyLength, 0),
                      status::InvalidFileName)
                << operation << " " << keyLength;
        }
    ::munmap(unreadable, 4096);
}

} // namespace
} // namespace qn3::testing
