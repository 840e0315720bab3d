#include "record_file_fixture.h"
#include "recordmanager/judged_vfs.h"
#include "support/child_process.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <csignal>
#include <functional>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qn3::testing {
namespace {

using namespace rm;

constexpr int kRecords = 300;

// The ids of records 0 to kRecords - 1, as `walk` lists them.
const std::string kAllIds = [] {
    std::string ids;
    for (int i = 0; i < kRecords; ++i)
        ids += id(i) + "|";
    return ids;
}();

class OpeningConditions : public RecordFileTest {
protected:
    // Makes `name` with kRecords records in one commit. With `inLog`, they stay
    // in the log as a writer killed before its checkpoint leaves them: a second
    // connection holds the file meanwhile, so the engine's last close cannot
    // checkpoint, and lets go without one.
    void makeFilled(const std::string& name, bool inLog)
    {
        Block block;
        make(block, name, {});
        sqlite3* holder = nullptr;
        if (inLog) {
            ASSERT_EQ(sqlite3_open(hostPath(name).c_str(), &holder), SQLITE_OK);
            ASSERT_EQ(sqlite3_exec(holder, "SELECT count(*) FROM record_file", nullptr, nullptr, nullptr), SQLITE_OK);
        }
        ASSERT_EQ(transaction(op::BeginTransaction), 0);
        for (int i = 0; i < kRecords; ++i)
            ASSERT_EQ(insert(block, record(id(i), "G" + std::to_string(i % 7), std::to_string(i))), 0);
        ASSERT_EQ(transaction(op::EndTransaction), 0);
        ASSERT_EQ(close(block), 0);
        if (!holder)
            return;
        sqlite3_db_config(holder, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        sqlite3_close(holder);
    }

    // Copies the newest image of the first page in the log over the file's
    // own, as a checkpoint cut short after that page leaves it: the page, with
    // the new size, made it to the file, the pages it counts did not.
    void checkpointFirstPageOnly(const std::string& name)
    {
        QFile log(QString::fromStdString(hostPath(name) + "-wal")), file(QString::fromStdString(hostPath(name)));
        ASSERT_TRUE(log.open(QIODevice::ReadOnly) && file.open(QIODevice::ReadWrite));
        const QByteArray frames = log.readAll();
        const auto be32 = [&](qsizetype at) { return qFromBigEndian<quint32>(frames.constData() + at); };
        const qsizetype pageSize = be32(8), frameSize = 24 + pageSize;
        QByteArray image;
        for (qsizetype at = 32; at + frameSize <= frames.size(); at += frameSize)
            if (be32(at) == 1)
                image = frames.mid(at + 24, pageSize);
        ASSERT_EQ(image.size(), pageSize);
        ASSERT_EQ(file.write(image), pageSize);
        file.close();
        sqlite3* alone = nullptr;  // the file read without its log
        sqlite3_open_v2(("file:" + hostPath(name) + "?immutable=1").c_str(), &alone,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        const int readAlone = sqlite3_exec(alone, "SELECT format FROM record_file", nullptr, nullptr, nullptr);
        sqlite3_close(alone);
        ASSERT_NE(readAlone, SQLITE_OK) << "the file alone must look damaged for this test";
    }
};

// What other programs leave beside a file of ours, or make of it, does not
// stand in its way: each opens 0 at once with every record it acknowledged.
// - SQLite's statistics, as ANALYZE makes them, are part of a sound file, and
//   so are pages of any size SQLite allows.
// - A log in which SQLite finds no valid frame is an empty log, with or
//   without its index (SQLite would make a reader wait 10 s for a writer to
//   rebuild the index of such a log, then fail).
// - A rollback journal of the file taken earlier (from a copy kept in
//   rollback mode, in the middle of a transaction) belongs to another history
//   once the file keeps a log: never played back, it is set aside under the
//   name the docs give, with or without the log and index beside the file.
// - A journal beside a file still in rollback mode, left by a transaction cut
//   short, is played back as SQLite would: the file is as before it.
TEST_F(OpeningConditions, WhatOtherProgramsLeaveBesideAFileOfOursLosesNoRecord)
{
    const auto exec = [this](const std::string& name, const char* sql) {
        sqlite3* tool = nullptr;
        sqlite3_open(hostPath(name).c_str(), &tool);
        const int rc = sqlite3_exec(tool, sql, nullptr, nullptr, nullptr);
        sqlite3_close(tool);
        return rc;
    };
    const auto put = [this](const std::string& name, const char* suffix, const QByteArray& bytes) {
        QFile file(QString::fromStdString(hostPath(name) + suffix));
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
    };
    const auto read = [this](const std::string& name, const char* suffix) {
        QFile file(QString::fromStdString(hostPath(name) + suffix));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    // The file held in rollback mode by `tool`, in the middle of a transaction
    // that deletes every record, with pages spilled into the file: the file
    // and its hot journal as a crash there leaves them.
    const auto cutShort = [&](const std::string& name, QByteArray& file, QByteArray& journal) {
        sqlite3* tool = nullptr;
        ASSERT_EQ(sqlite3_open(hostPath(name).c_str(), &tool), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(tool, "PRAGMA journal_mode = DELETE; PRAGMA cache_size = 1; BEGIN; DELETE FROM records; "
                                     "INSERT INTO records(version, data, k0, k1, k2) VALUES (1, zeroblob(40), "
                                     "zeroblob(4), zeroblob(8), zeroblob(5))",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        file = read(name, "");
        journal = read(name, "-journal");
        sqlite3_exec(tool, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(tool);
        ASSERT_FALSE(journal.isEmpty());
    };
    QByteArray unused, earlier;  // a journal of a file made alike, before its records were written
    {
        Block block;
        make(block, "earlier", {record("0001", "A", "a"), record("0002", "B", "b")});
        ASSERT_EQ(close(block), 0);
        cutShort("earlier", unused, earlier);
    }
    QByteArray random(4096 + 32, '\0');
    for (qsizetype i = 0; i < random.size(); ++i)
        random[i] = char(i * 7919 % 251);
    enum Beside { LogAndIndex, LogAlone, Nothing };
    const struct {
        const char* what;
        std::function<void(const std::string&)> make;
        Beside beside;
        bool journalSetAside;
    } rows[] = {
        {"analysed", [&](const std::string& name) { ASSERT_EQ(exec(name, "ANALYZE"), SQLITE_OK); }, LogAndIndex, false},
        {"with SQLite's statistics of samples",
         [&](const std::string& name) {
             ASSERT_EQ(exec(name, "PRAGMA writable_schema = ON; CREATE TABLE sqlite_stat4(tbl,idx,neq,nlt,ndlt,sample);"
                                  "PRAGMA writable_schema = OFF; ANALYZE"),
                       SQLITE_OK);
         },
         LogAndIndex, false},
        {"vacuumed into pages of 512 bytes",
         [&](const std::string& name) {
             ASSERT_EQ(exec(name, "PRAGMA journal_mode = DELETE; PRAGMA page_size = 512; VACUUM; "
                                  "PRAGMA journal_mode = WAL"),
                       SQLITE_OK);
         },
         LogAndIndex, false},
        {"vacuumed into pages of 64 KiB",
         [&](const std::string& name) {
             ASSERT_EQ(exec(name, "PRAGMA journal_mode = DELETE; PRAGMA page_size = 65536; VACUUM; "
                                  "PRAGMA journal_mode = WAL"),
                       SQLITE_OK);
         },
         LogAndIndex, false},
        {"a log of random bytes", [&](const std::string& name) { ASSERT_TRUE(put(name, "-wal", random)); },
         LogAndIndex, false},
        {"a log of random bytes alone", [&](const std::string& name) { ASSERT_TRUE(put(name, "-wal", random)); },
         LogAlone, false},
        {"a log of zeros", [&](const std::string& name) { ASSERT_TRUE(put(name, "-wal", QByteArray(70000, '\0'))); },
         LogAndIndex, false},
        {"a journal of another history",
         [&](const std::string& name) { ASSERT_TRUE(put(name, "-journal", earlier)); }, LogAndIndex, true},
        {"a journal of another history alone",
         [&](const std::string& name) { ASSERT_TRUE(put(name, "-journal", earlier)); }, Nothing, true},
        {"in rollback mode, a transaction cut short",
         [&](const std::string& name) {
             ASSERT_EQ(exec(name, "PRAGMA journal_mode = DELETE"), SQLITE_OK);
             QByteArray file, journal;
             cutShort(name, file, journal);
             ASSERT_TRUE(put(name, "", file) && put(name, "-journal", journal));
         },
         Nothing, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string name = "beside";
        makeFilled(name, false);
        ASSERT_TRUE(row.beside == LogAndIndex || QFile::remove(QString::fromStdString(hostPath(name) + "-shm")));
        ASSERT_TRUE(row.beside != Nothing || QFile::remove(QString::fromStdString(hostPath(name) + "-wal")));
        row.make(name);
        const QByteArray journal = read(name, "-journal");
        Block block;
        const int16_t opened = open(block, name);
        EXPECT_EQ(opened, 0);
        if (opened == 0) {
            EXPECT_EQ(walk(block, 0, op::GetFirst, op::GetNext), kAllIds);
            EXPECT_EQ(walk(block, 1, op::GetLast, op::GetPrevious).size(), kAllIds.size());
            EXPECT_EQ(insert(block, record("9999", "N", "new")), 0);
            EXPECT_EQ(close(block), 0);
        }
        const QStringList aside = QDir(prefix.driveC() + QStringLiteral("/data"))
                                      .entryList({QString::fromStdString(name) + QStringLiteral(".bt6-journal.stray-*")});
        EXPECT_FALSE(QFile::exists(QString::fromStdString(hostPath(name) + "-journal"))) << "the journal is still there";
        EXPECT_EQ(aside.size(), row.journalSetAside ? 1 : 0) << aside.join(u' ').toStdString();
        if (row.journalSetAside && aside.size() == 1) {
            QFile setAside(prefix.driveC() + QStringLiteral("/data/") + aside[0]);
            EXPECT_TRUE(setAside.open(QIODevice::ReadOnly) && setAside.readAll() == journal);
        }
        for (const QString& left : QDir(prefix.driveC() + QStringLiteral("/data")).entryList({QStringLiteral("beside*")}))
            QFile::remove(prefix.driveC() + QStringLiteral("/data/") + left);
    }
    // A journal beside a file that some process writes in rollback mode (it
    // holds the file's reserved lock) is that writer's: left where it is, 85.
    makeFilled("held", false);
    ASSERT_TRUE(put("held", "-journal", earlier));
    const int holder = ::open(hostPath("held").c_str(), O_RDWR);
    struct flock reserved {};
    reserved.l_type = F_WRLCK;
    reserved.l_start = 0x40000001;
    reserved.l_len = 1;
    ASSERT_EQ(::fcntl(holder, F_OFD_SETLK, &reserved), 0);
    Block block;
    EXPECT_EQ(open(block, "held"), status::FileInUse);
    EXPECT_EQ(read("held", "-journal"), earlier);
    ::close(holder);
}

TEST_F(OpeningConditions, AFileLeftInTheMiddleOfACheckpointOpensWithItsLog)
{
    makeFilled("crashed", true);
    checkpointFirstPageOnly("crashed");
    Block block;
    ASSERT_EQ(open(block, "crashed"), 0);
    EXPECT_EQ(walk(block, 0, op::GetFirst, op::GetNext), kAllIds);
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
    makeFilled("full", false);
    const std::string answers = inChild(false, [] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit full{1024, limit.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &full);
        Block child;
        std::string seen = std::to_string(open(child, "full"));
        ::setrlimit(RLIMIT_FSIZE, &limit);
        seen += " " + std::to_string(open(child, "full"));
        return seen + " " + walk(child, 0, op::GetFirst, op::GetNext);
    });
    EXPECT_EQ(answers, "18 0 " + kAllIds);
}

// Files in a folder we may not write: with no log beside them there is
// nothing to apply, and they open read-only; a log that holds commits but
// cannot be read with its index gives the access status. Never 30. A log of
// bytes in which SQLite finds no frame holds nothing either: the file opens
// read-only at once, though its index lies there that nobody keeps. A stray
// journal the reader may not set aside stays where it is, never played back.
TEST_F(OpeningConditions, AFolderWeMayNotWriteOpensItsFilesReadOnly)
{
    makeFilled("clean", false);
    makeFilled("pending", true);
    makeFilled("garbled", false);
    const QString data = prefix.driveC() + QStringLiteral("/data/");
    for (const char* left : {"clean.bt6-wal", "clean.bt6-shm", "pending.bt6-shm"})
        ASSERT_TRUE(QFile::remove(data + QLatin1String(left)));
    QFile garbled(data + QStringLiteral("garbled.bt6-wal"));
    ASSERT_TRUE(garbled.open(QIODevice::WriteOnly) && garbled.write(QByteArray(4128, '\x5a')) == 4128);
    garbled.close();
    const QByteArray stray("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8);  // a hot journal's magic
    QFile journal(data + QStringLiteral("clean.bt6-journal"));
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly) && journal.write(stray + QByteArray(504, '\0')) == 512);
    journal.close();
    // Others may reach the folder and read the files, but write neither.
    for (const auto& [path, mode] :
         {std::pair{prefix.path(), 0755}, {prefix.driveC(), 0755}, {data + QStringLiteral("clean.bt6"), 0444},
          {data + QStringLiteral("pending.bt6"), 0444}, {data + QStringLiteral("pending.bt6-wal"), 0444},
          {data + QStringLiteral("garbled.bt6"), 0444}, {data + QStringLiteral("garbled.bt6-wal"), 0444},
          {data + QStringLiteral("garbled.bt6-shm"), 0444}, {data, 0555}})
        ::chmod(QFile::encodeName(path).constData(), mode);
    const std::string answers = inChild(true, [folder = QFile::encodeName(data)] {
        if (::access(folder.constData(), R_OK | X_OK) != 0)
            return std::string(kCannotDropRights);  // the temporary folder's parents are closed to others
        Block child;
        std::string seen = std::to_string(open(child, "clean")) + " ";
        seen += walk(child, 0, op::GetFirst, op::GetNext) + " ";
        seen += std::to_string(insert(child, record("9999", "C", "cc")));
        close(child);
        seen += " " + std::to_string(open(child, "pending"));
        seen += " " + std::to_string(open(child, "garbled")) + " ";
        return seen + walk(child, 0, op::GetFirst, op::GetNext);
    });
    ::chmod(QFile::encodeName(data).constData(), 0755);
    if (answers == kCannotDropRights)
        GTEST_SKIP() << "no user without rights on the test's folder";
    EXPECT_EQ(answers, "0 " + kAllIds + " 46 46 0 " + kAllIds);
    EXPECT_TRUE(journal.open(QIODevice::ReadOnly) && journal.readAll().startsWith(stray));
}

// A reader that may not write the folder reads files without companions
// alone, yet sees every commit a writer with rights made before its call, with
// the writer's log beside the file or folded into it at its close: never the
// old records, a mix or a 2, also while the writer works; a walk begun before
// the writes goes on among the new records.
TEST_F(OpeningConditions, AReaderWithoutRightsSeesTheCommitsOfAWriterWithRights)
{
    const std::vector<std::string> names{"open", "folded", "busy"};
    const QString data = prefix.driveC() + QStringLiteral("/data/");
    for (const std::string& name : names) {
        makeFilled(name, false);
        for (const char* suffix : {"-wal", "-shm"})
            ASSERT_TRUE(QFile::remove(QString::fromStdString(hostPath(name) + suffix)));
    }
    for (const auto& [path, mode] : {std::pair{prefix.path(), 0755}, {prefix.driveC(), 0755}, {data, 0555}})
        ::chmod(QFile::encodeName(path).constData(), mode);
    std::string newIds;
    for (int i = 1; i < 500; ++i)
        newIds += i < 100 || i >= 200 ? id(i) + "|" : "";
    // Updates records 1 to 99, deletes 100 to 199 and adds 300 to 499.
    const auto change = [](Block& block) {
        for (int i = 1; i < 200; ++i) {
            ASSERT_EQ(call(op::GetEqual, block, 0, id(i)).status, 0);
            const std::string updated = record(id(i), "U", std::to_string(i));
            ASSERT_EQ(call(i < 100 ? op::Update : op::Delete, block, 0, {}, updated).status, 0);
        }
        for (int i = kRecords; i < 500; ++i)
            ASSERT_EQ(insert(block, record(id(i), "N", std::to_string(i))), 0);
    };

    const std::string answers = inChild(
        true,
        [&names, folder = QFile::encodeName(data)](Turns& turns) {
            if (::access(folder.constData(), R_OK | X_OK) != 0)
                return std::string(kCannotDropRights);
            std::vector<Block> blocks(names.size());
            std::string seen;
            for (size_t f = 0; f < names.size(); ++f)
                if (open(blocks[f], names[f]) != 0 || call(op::GetFirst, blocks[f], 0).data.substr(0, 4) != id(0))
                    seen += names[f] + " was not read ";
            turns.pass();
            turns.wait();  // "open" and "folded" were changed
            for (size_t f = 0; f < 2; ++f) {
                seen += names[f] + ": " + walk(blocks[f], 0, op::GetNext, op::GetNext);
                const Answer updated = call(op::GetEqual, blocks[f], 0, id(50));
                seen += " " + (updated.status == 0 ? updated.data.substr(4, 1) : std::to_string(updated.status)) + " ";
            }
            turns.pass();
            int damaged = 0;  // walks that met a 2 while "busy" was being changed
            Turns::Turn turn = Turns::Turn::NotYet;
            do {
                Answer a = call(op::GetFirst, blocks[2], 0);
                while (a.status == 0)
                    a = call(op::GetNext, blocks[2], 0);
                damaged += a.status == status::IoError;
            } while ((turn = turns.check()) == Turns::Turn::NotYet);
            if (turn == Turns::Turn::Gone)
                return seen + "the writer ended before \"busy\" was changed";
            return seen + "busy: " + walk(blocks[2], 0, op::GetFirst, op::GetNext) +
                   (damaged ? " met 2 " + std::to_string(damaged) + " times" : "");
        },
        [&names, &change](Turns& turns) {
            std::vector<Block> blocks(names.size());
            if (!turns.wait())
                return;
            for (size_t f = 0; f < 2; ++f) {
                ASSERT_EQ(open(blocks[f], names[f]), 0);
                change(blocks[f]);
            }
            EXPECT_EQ(close(blocks[1]), 0);  // folds its log into the file
            turns.pass();
            turns.wait();  // the reader walks "busy" meanwhile
            ASSERT_EQ(open(blocks[2], names[2]), 0);
            change(blocks[2]);
            EXPECT_EQ(close(blocks[2]), 0);
            turns.pass();
            turns.wait();  // the reader is done
            close(blocks[0]);
        });
    ::chmod(QFile::encodeName(data).constData(), 0755);
    if (answers == kCannotDropRights)
        GTEST_SKIP() << "no user without rights on the test's folder";
    EXPECT_EQ(answers, "open: " + newIds + " U folded: " + newIds + " U busy: " + id(0) + "|" + newIds);
}

// A reader without write rights that meets a log index a writer must rebuild
// first (its header wiped while the writer's connection stands idle) waits for
// the writer as for a lock: 85 while none comes, never 46, and its walk goes on
// with every record once the writer has rebuilt the index.
TEST_F(OpeningConditions, AReaderWithoutRightsWaitsForAWriterToRebuildTheLogIndex)
{
    makeFilled("rebuilt", false);
    const QString data = prefix.driveC() + QStringLiteral("/data/");
    for (const QString& folder : {prefix.path(), prefix.driveC(), data})
        ::chmod(QFile::encodeName(folder).constData(), 0755);
    std::string rest;  // what the walk still has to meet
    for (int i = 1; i < kRecords; ++i)
        rest += id(i) + "|";
    const std::string answers = inChild(
        true,
        [folder = QFile::encodeName(data)](Turns& turns) {
            if (::access(folder.constData(), R_OK | X_OK) != 0)
                return std::string(kCannotDropRights);
            Block child;
            if (!turns.wait())
                return std::string("no writer");
            std::string seen = std::to_string(open(child, "rebuilt")) + " ";
            seen += call(op::GetFirst, child, 0).data.substr(0, 4) + " ";
            turns.pass();
            turns.wait();  // the index was wiped
            seen += std::to_string(call(op::GetNext, child, 0).status) + " ";
            seen += std::to_string(call(op::GetEqual, child, 0, id(7)).status) + " ";
            turns.pass();
            turns.wait();  // the writer rebuilt it
            seen += walk(child, 0, op::GetNext, op::GetNext);
            turns.pass();
            return seen;
        },
        [this](Turns& turns) {
            // Opened after the fork: a connection must not cross into a child.
            sqlite3* writer = nullptr;
            ASSERT_EQ(sqlite3_open(hostPath("rebuilt").c_str(), &writer), SQLITE_OK);
            const auto read = [writer] {
                return sqlite3_exec(writer, "SELECT count(*) FROM records", nullptr, nullptr, nullptr);
            };
            EXPECT_EQ(read(), SQLITE_OK);
            turns.pass();
            if (turns.wait()) {
                const int index = ::open((hostPath("rebuilt") + "-shm").c_str(), O_WRONLY);
                const char wiped[136] = {};  // both copies of the index's header, and its checkpoint record
                EXPECT_EQ(::pwrite(index, wiped, sizeof wiped, 0), ssize_t(sizeof wiped));
                ::close(index);
                turns.pass();
                turns.wait();
                EXPECT_EQ(read(), SQLITE_OK);  // a writer rebuilds the index
                turns.pass();
                turns.wait();
            }
            sqlite3_close(writer);
        });
    ::chmod(QFile::encodeName(data).constData(), 0755);
    if (answers == kCannotDropRights)
        GTEST_SKIP() << "no user without rights on the test's folder";
    EXPECT_EQ(answers, "0 " + id(0) + " 85 85 " + rest);
}

// Where this process cannot see a file it neither calls it missing nor
// replaces it. Open through a folder it may not search answers the access
// status, a loop of symbolic links 2, never 12. Create over another user's
// private file, which it cannot open to see whether someone holds it (here
// someone does), answers the access status, and over a loop 2; what is there
// stays as it was.
TEST_F(OpeningConditions, WhatCannotBeSeenIsNeitherMissingNorReplaced)
{
    const QString data = prefix.driveC() + QStringLiteral("/data/");
    ASSERT_TRUE(QDir().mkpath(data + QStringLiteral("locked")) && QDir().mkpath(data + QStringLiteral("shared")));
    ASSERT_EQ(create("locked\\inside", standardLayout()), 0);
    Block block;
    make(block, "shared\\private", {record("0001", "P", "pp")});
    ASSERT_EQ(close(block), 0);
    ASSERT_EQ(::symlink("loop.bt6", hostPath("loop").c_str()), 0);
    for (const auto& [path, mode] :
         {std::pair{prefix.path(), 0755}, {prefix.driveC(), 0755}, {data, 0755}, {data + QStringLiteral("locked"), 0700},
          {data + QStringLiteral("shared"), 0777}, {QString::fromStdString(hostPath("shared/private")), 0600}})
        ::chmod(QFile::encodeName(path).constData(), mode);
    // The entry itself (a link is not followed) and the bytes behind it.
    const auto stateOf = [this](const std::string& name) {
        QFile file(QString::fromStdString(hostPath(name)));
        struct stat info {};
        ::lstat(hostPath(name).c_str(), &info);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArrayLiteral("unreadable");
        return std::to_string(info.st_ino) + " " + std::to_string(info.st_mode) + " " + std::to_string(info.st_uid) +
               " " + QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString();
    };
    const std::string loop = stateOf("loop"), before = stateOf("shared/private");

    EXPECT_EQ(open(block, "loop"), status::IoError);
    EXPECT_EQ(create("loop", standardLayout()), status::IoError);
    EXPECT_EQ(stateOf("loop"), loop);
    const std::string answers = inChild(
        true,
        [folder = QFile::encodeName(data)](Turns& turns) {
            if (::access(folder.constData(), R_OK | X_OK) != 0)
                return std::string(kCannotDropRights);
            if (!turns.wait())
                return std::string("no holder");
            Block child;
            std::string seen = std::to_string(open(child, "locked\\inside")) + " ";
            seen += std::to_string(create("shared\\private", standardLayout()));
            turns.pass();
            return seen;
        },
        [&](Turns& turns) {
            Block holder;  // opened after the fork, so the child does not know it
            EXPECT_EQ(open(holder, "shared\\private"), 0);
            turns.pass();
            turns.wait();
            close(holder);
        });
    ::chmod(QFile::encodeName(data + QStringLiteral("locked")).constData(), 0755);
    if (answers == kCannotDropRights)
        GTEST_SKIP() << "no user without rights on the test's folder";
    EXPECT_EQ(answers, "46 46");
    EXPECT_EQ(stateOf("shared/private"), before);
}

// A FIFO, a device or a folder in a record file's place is refused at once
// by Open and by Create, and left as it is: never opened (the FIFO's reader
// would see a writer come and go), never replaced. Also by a user who may
// only read the FIFO, whose open would otherwise wait for a writer for ever.
TEST_F(OpeningConditions, AFifoInARecordFilesPlaceIsRefusedAtOnce)
{
    const QString data = prefix.driveC() + QStringLiteral("/data/");
    ASSERT_TRUE(QDir().mkpath(data + QStringLiteral("folder.bt6")));
    ASSERT_EQ(::mkfifo(hostPath("pipe").c_str(), 0444), 0);
    ASSERT_EQ(::symlink("/dev/null", hostPath("device").c_str()), 0);
    const int reader = ::open(hostPath("pipe").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    Block block;
    for (const char* name : {"pipe", "device", "folder"}) {
        struct stat before {}, after {};
        ASSERT_EQ(::lstat(hostPath(name).c_str(), &before), 0);
        EXPECT_EQ(open(block, name), 30) << name;  // may write it: the open does not wait
        EXPECT_EQ(create(name, standardLayout()), 30) << name;
        ASSERT_EQ(::lstat(hostPath(name).c_str(), &after), 0);
        EXPECT_TRUE(after.st_ino == before.st_ino && after.st_mode == before.st_mode) << name << " was replaced";
    }
    pollfd hangUp{reader, POLLIN, 0};
    EXPECT_EQ(::poll(&hangUp, 1, 0), 0) << "the FIFO was opened";
    ::close(reader);
    for (const QString& folder : {prefix.path(), prefix.driveC(), data})
        ::chmod(QFile::encodeName(folder).constData(), 0755);
    const std::string answer = inChild(true, [folder = QFile::encodeName(data)] {
        if (::access(folder.constData(), R_OK | X_OK) != 0)
            return std::string(kCannotDropRights);
        ::alarm(10);  // a hang ends the child, and its answer fails the test
        Block child;
        return std::to_string(open(child, "pipe"));
    });
    if (answer == kCannotDropRights)
        GTEST_SKIP() << "no user without rights on the test's folder";
    EXPECT_EQ(answer, "30");
}

// A FIFO or a device at a companion's name (the log, its index, a rollback
// journal) is refused with 30 at once, by a writer and by a reader without
// write rights alike, and left as it is. SQLite opens the companions by name
// itself: a reader would wait for a writer of the FIFO for ever, a writer
// would read the FIFO as a log, and a device has effects of its own.
TEST_F(OpeningConditions, AFifoBesideARecordFileIsRefusedAtOnce)
{
    const QString data = prefix.driveC() + QStringLiteral("/data/");
    struct Row {
        std::string name, suffix;
        bool device;  // a link to /dev/null rather than a FIFO
        int reader = -1;  // a reader of the FIFO: a writer that came and went shows
        struct stat before {};
        QByteArray file{};
    };
    std::vector<Row> rows{{"fifo-wal", "-wal", false}, {"fifo-shm", "-shm", false},
                          {"fifo-journal", "-journal", false}, {"device-shm", "-shm", true}};
    for (Row& row : rows) {
        const std::string companion = hostPath(row.name) + row.suffix;
        makeFilled(row.name, false);
        ::unlink(companion.c_str());
        ASSERT_EQ(row.device ? ::symlink("/dev/null", companion.c_str()) : ::mkfifo(companion.c_str(), 0444), 0);
        ASSERT_EQ(::lstat(companion.c_str(), &row.before), 0);
        if (!row.device) {
            row.reader = ::open(companion.c_str(), O_RDONLY | O_NONBLOCK);
            ASSERT_GE(row.reader, 0);
        }
        QFile file(QString::fromStdString(hostPath(row.name)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        row.file = file.readAll();
    }
    for (const QString& folder : {prefix.path(), prefix.driveC(), data})
        ::chmod(QFile::encodeName(folder).constData(), 0755);
    const auto openEach = [&rows, folder = QFile::encodeName(data)] {
        if (::access(folder.constData(), R_OK | X_OK) != 0)
            return std::string(kCannotDropRights);
        ::alarm(10);  // a hang ends the child, and the empty answer fails the test
        std::string seen;
        for (const Row& row : rows) {
            Block child;
            seen += row.name + ":" + std::to_string(open(child, row.name)) + " ";
        }
        return seen;
    };
    const std::string expected = "fifo-wal:30 fifo-shm:30 fifo-journal:30 device-shm:30 ";
    EXPECT_EQ(inChild(false, openEach), expected) << "a writer";
    const std::string reader = inChild(true, openEach);
    if (reader != kCannotDropRights) {
        EXPECT_EQ(reader, expected) << "a reader without write rights";
    }
    for (const Row& row : rows) {
        struct stat after {};
        ASSERT_EQ(::lstat((hostPath(row.name) + row.suffix).c_str(), &after), 0);
        EXPECT_TRUE(after.st_mode == row.before.st_mode && after.st_ino == row.before.st_ino)
            << row.name << " was replaced";
        if (row.reader >= 0) {
            pollfd hangUp{row.reader, POLLIN, 0};
            EXPECT_EQ(::poll(&hangUp, 1, 0), 0) << row.name << ": the FIFO was opened";
            ::close(row.reader);
        }
        QFile file(QString::fromStdString(hostPath(row.name)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), row.file) << row.name << " was changed";
    }
}

// Every connection the record manager makes opens its files through the
// platform's judged open: a FIFO beside the file is never opened, whatever
// the opening found before (here nothing judged the companions), and the
// main file SQLite opens is the one judged, or the open answers "busy" at
// once (the name was swapped since, here for another file or a FIFO).
TEST_F(OpeningConditions, TheRecordManagersConnectionsOpenOnlyWhatWasJudged)
{
    for (const char* name : {"wal", "shm", "journal", "swapped", "piped"})
        makeFilled(name, false);
    for (const char* suffix : {"wal", "shm", "journal"}) {
        const std::string companion = hostPath(suffix) + "-" + suffix;
        ::unlink(companion.c_str());
        ASSERT_EQ(::mkfifo(companion.c_str(), 0666), 0);
    }
    struct stat judgedSwapped {}, judgedPiped {};
    ASSERT_EQ(::stat(hostPath("swapped").c_str(), &judgedSwapped), 0);
    ASSERT_EQ(::stat(hostPath("piped").c_str(), &judgedPiped), 0);
    makeFilled("other", false);
    ASSERT_EQ(::rename(hostPath("other").c_str(), hostPath("swapped").c_str()), 0);
    ASSERT_EQ(::unlink(hostPath("piped").c_str()), 0);
    ASSERT_EQ(::mkfifo(hostPath("piped").c_str(), 0666), 0);

    const std::string answers = inChild(false, [this, &judgedSwapped, &judgedPiped] {
        ::alarm(10);  // a hang ends the child, and the empty answer fails the test
        std::string seen;
        for (const char* name : {"wal", "shm", "journal", "swapped", "piped"}) {
            struct stat judged {};
            ::stat(hostPath(name).c_str(), &judged);
            if (name == std::string("swapped"))
                judged = judgedSwapped;
            else if (name == std::string("piped"))
                judged = judgedPiped;
            sqlite3* db = nullptr;
            int rc = sqlite3_open_v2(judged_vfs::uri(hostPath(name), judged).c_str(), &db,
                                     SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, judged_vfs::name());
            if (rc == SQLITE_OK)
                rc = sqlite3_exec(db, "SELECT count(*) FROM records", nullptr, nullptr, nullptr);
            sqlite3_close(db);
            seen += std::string(name) + ":" + std::to_string(rc) + " ";
        }
        return seen;
    });
    EXPECT_EQ(answers, "wal:14 shm:14 journal:14 swapped:5 piped:5 ");
    for (const char* suffix : {"wal", "shm", "journal"}) {
        struct stat after {};
        ASSERT_EQ(::stat((hostPath(suffix) + "-" + suffix).c_str(), &after), 0);
        EXPECT_TRUE(S_ISFIFO(after.st_mode)) << suffix;
    }
}

// The path runs to its NUL (open) or its key length (create), its trailing
// blanks aside; the blank inside the folder's name belongs to it. A key length
// of 0 or less gives no end to the name: the buffer, here a page nobody may
// read, is never looked at.
TEST_F(OpeningConditions, ThePathInTheKeyBufferKeepsItsInnerBlanksAndEndsWithTheKeyLength)
{
    ASSERT_TRUE(QDir().mkpath(prefix.driveC() + QStringLiteral("/Radio Data")));
    const std::string path = "C:\\Radio Data\\FRAD017.bt6 ";
    Layout layout = standardLayout();
    int32_t length = CreationBufferSize;
    Block block;
    std::string key = path;
    ASSERT_EQ(BTRCALL(op::Create, block.data(), layout.data(), &length, key.data(), int16_t(key.size()), 0), 0);
    EXPECT_TRUE(QFileInfo(prefix.driveC() + QStringLiteral("/Radio Data/FRAD017.bt6")).isFile());
    for (const char padding : {'\0', ' '}) {
        key = path;
        key.resize(255, padding);
        ASSERT_EQ(BTRCALL(op::Open, block.data(), nullptr, &length, key.data(), 255, 0), 0) << int(padding);
        EXPECT_EQ(insert(block, record(padding ? "0002" : "0001", "A", padding ? "bb" : "aa")), 0);
        EXPECT_EQ(close(block), 0);
    }

    void* unreadable = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(unreadable, MAP_FAILED);
    for (const uint16_t operation : {op::Open, op::Create})
        for (const int16_t keyLength : {int16_t(0), int16_t(-1), int16_t(-32768)}) {
            length = CreationBufferSize;
            EXPECT_EQ(BTRCALL(operation, block.data(), layout.data(), &length, unreadable, keyLength, 0),
                      status::InvalidFileName) << operation << " " << keyLength;
        }
    ::munmap(unreadable, 4096);
}

} // namespace
} // namespace qn3::testing
