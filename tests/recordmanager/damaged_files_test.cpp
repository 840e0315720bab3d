#include "record_file_fixture.h"

#include <QFile>
#include <QtEndian>

#include <sqlite3.h>

#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>

namespace qn3::testing {
namespace {

using namespace rm;

class DamagedFiles : public RecordFileTest {
protected:
    QByteArray contents(const std::string& name, const char* suffix = "") const
    {
        QFile file(QString::fromStdString(hostPath(name) + suffix));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // A file of ours with enough records to span many pages, closed.
    QByteArray goodFile(const std::string& name)
    {
        Block block;
        make(block, name, {});
        for (int i = 0; i < 800; ++i)
            EXPECT_EQ(insert(block, record(id(i), "G", std::to_string(i), 'x')), 0);
        EXPECT_EQ(close(block), 0);
        return contents(name);
    }
    // Opens a damaged file and reads through it: any status, never a crash,
    // and the file's bytes stay as they were.
    void expectReadSafely(const std::string& name, const QByteArray& bytes, bool mustRefuse)
    {
        QFile file(QString::fromStdString(hostPath(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        Block block;
        const int16_t opened = open(block, name);
        EXPECT_TRUE(!mustRefuse || opened == status::NotARecordFile) << opened;
        if (opened == 0) {
            for (int16_t key = 0; key < 3; ++key)
                walk(block, key, op::GetFirst, op::GetNext);
            call(op::GetEqual, block, 0, "0400");
            close(block);
        }
        EXPECT_EQ(contents(name), bytes) << "the file was changed";
    }
};

TEST_F(DamagedFiles, ForeignFilesAreRefusedAndLeftAlone)
{
    expectReadSafely("text", "FIC_FRAD043 is not a record file\r\n", true);
    expectReadSafely("empty", QByteArray(), true);
    expectReadSafely("zeros", QByteArray(8192, '\0'), true);
    expectReadSafely("classic", "FC" + QByteArray(4094, '\0'), true);
    // Our header over something else.
    expectReadSafely("header", goodFile("good").left(100) + QByteArray(20000, '\x5A'), true);
    // Someone else's SQLite database.
    ASSERT_EQ(sqlite("foreign", "PRAGMA journal_mode=WAL"), SQLITE_ROW);
    ASSERT_EQ(sqlite("foreign", "CREATE TABLE records(id INTEGER PRIMARY KEY, data BLOB)"), SQLITE_DONE);
    expectReadSafely("foreign", contents("foreign"), true);
    QDir().mkpath(QString::fromStdString(hostPath("folder")));
    Block block;
    EXPECT_EQ(open(block, "folder"), status::NotARecordFile);
}

TEST_F(DamagedFiles, TruncatedOrScribbledFilesNeverCrashNorChange)
{
    const QByteArray good = goodFile("good");
    ASSERT_GT(good.size(), 16 * 1024);
    for (const int keep : {100, 4096, 8192, int(good.size() / 2), int(good.size() - 4096)})
        expectReadSafely("cut" + std::to_string(keep), good.left(keep), false);
    for (int page = 1; page * 4096 < good.size(); page += 3) {
        QByteArray scribbled = good;
        for (int i = 0; i < 4096; i += 7)
            scribbled[page * 4096 + i] = char(i * 31 + page);
        expectReadSafely("page" + std::to_string(page), scribbled, false);
    }
}

// Record 6 given record 1's image (its stored key stays K06): the file
// passes SQLite's own checks, but a walk must neither loop nor hand it over.
TEST_F(DamagedFiles, AWalkPastARecordThatDisagreesWithItsKeyEnds)
{
    Block block;
    make(block, "walk", {}, makeLayout(8, 1, {{1, 3, 0}}));
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(insert(block, "K0" + std::to_string(i) + "-data"), 0);
    ASSERT_EQ(sqlite("walk", "UPDATE records SET data = (SELECT data FROM records WHERE id = 2) WHERE id = 7"),
              SQLITE_DONE);
    std::string seen;
    Answer a = call(op::GetFirst, block, 0, {}, {}, 8);
    for (int steps = 0; steps < 30 && a.status != status::EndOfFile;
         ++steps, a = call(op::GetNext, block, 0, {}, {}, 8))
        seen += a.status == 0 ? a.data.substr(0, 3) + " " : "#" + std::to_string(a.status) + " ";
    EXPECT_EQ(seen, "K00 K01 K02 K03 K04 K05 #2 K07 K08 K09 ");
    EXPECT_EQ(call(op::GetEqual, block, 0, "K06", {}, 8).status, status::IoError);
}

// A page of records that SQLite itself cannot read: a read that meets it
// answers 2 without a record, and a walk that goes on after the 2 ends
// (with 9) instead of meeting the same page again and again.
TEST_F(DamagedFiles, AWalkThatGoesOnPastAnUnreadablePageEnds)
{
    QByteArray bytes = goodFile("pages");
    const int pageSize = qFromBigEndian<quint16>(bytes.constData() + 16);
    const qsizetype at = bytes.indexOf(QByteArray::fromStdString(record(id(400), "G", "400", 'x')));
    ASSERT_GT(at, pageSize);
    bytes[at / pageSize * pageSize] = '\0';  // no b-tree page has type 0
    QFile file(QString::fromStdString(hostPath("pages")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
    file.close();
    Block block;
    ASSERT_EQ(open(block, "pages"), 0);
    for (const auto& [key, first, next] : {std::tuple<int16_t, uint16_t, uint16_t>{0, op::GetFirst, op::GetNext},
                                           {1, op::GetFirst, op::GetNext}, {0, op::GetLast, op::GetPrevious}}) {
        SCOPED_TRACE(::testing::Message() << "key " << key << " from " << first);
        std::map<int, int> met;  // how often each status came
        Answer a = call(first, block, key);
        for (int steps = 0; a.status != status::EndOfFile && steps < 2000; ++steps, a = call(next, block, key))
            ++met[a.status];
        EXPECT_EQ(a.status, status::EndOfFile);
        EXPECT_EQ(met[status::IoError], 1);
        EXPECT_TRUE(met[0] > 0 && met[0] < 800) << met[0];
    }
    // The page stays unreadable to a direct read; a new positioning works.
    EXPECT_EQ(call(op::GetEqual, block, 0, id(400)).status, status::IoError);
    EXPECT_EQ(call(op::GetNext, block, 0).status, status::EndOfFile);
    EXPECT_EQ(call(op::GetEqual, block, 0, id(0)).status, 0);
    EXPECT_EQ(call(op::GetNext, block, 0).status, 0);
}

// Our application id over someone else's tables, with a rollback journal
// left beside it: refused before SQLite could play the journal back.
TEST_F(DamagedFiles, ARefusedFileKeepsItsJournalAndItsBytes)
{
    const std::string path = hostPath("journal");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "PRAGMA application_id = 1364079442; CREATE TABLE t(x BLOB); PRAGMA cache_size = 1; BEGIN;"
                     "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
                     "INSERT INTO t SELECT randomblob(2000) FROM n",
                 nullptr, nullptr, nullptr);
    // The database and its journal as a crash in the middle would leave them.
    for (const char* suffix : {"", "-journal"})
        ASSERT_TRUE(
            QFile::copy(QString::fromStdString(path + suffix), QString::fromStdString(hostPath("crashed") + suffix)));
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const QByteArray file = contents("crashed"), journal = contents("crashed", "-journal");
    ASSERT_FALSE(journal.isEmpty());
    Block block;
    EXPECT_EQ(open(block, "crashed"), status::NotARecordFile);
    EXPECT_EQ(contents("crashed"), file);
    EXPECT_EQ(contents("crashed", "-journal"), journal) << "the journal was played back";
    for (const char* suffix : {"-wal", "-shm"})
        EXPECT_FALSE(QFile::exists(QString::fromStdString(hostPath("crashed") + suffix))) << suffix << " made";
}

// The schema of our file changed by another tool, folded into the file (the
// tool closed), still in the log beside the file's index (the tool was
// killed), or in the log alone (the index removed since), folded with an
// empty log and its index beside it (as every program leaves a file it kept
// the log of), or folded with a stray rollback journal beside it: only the
// schema the engine makes opens; any other is refused, left byte for byte
// and time for time, its companions too, nothing made beside it.
TEST_F(DamagedFiles, AFileWhoseSchemaAnotherToolChangedIsRefusedAndLeftAsItIs)
{
    const std::pair<const char*, const char*> changes[] = {
        {"trigger deleting the new row", "CREATE TRIGGER t AFTER INSERT ON records BEGIN "
                                         "DELETE FROM records WHERE id = NEW.id; END"},
        {"trigger deleting the others", "CREATE TRIGGER t AFTER INSERT ON records BEGIN "
                                        "DELETE FROM records WHERE id <> NEW.id; END"},
        {"raising trigger", "CREATE TRIGGER t BEFORE INSERT ON records BEGIN SELECT RAISE(ABORT, 'no'); END"},
        {"unique key rebuilt with duplicates", "DROP INDEX key0; CREATE INDEX key0 ON records(k0)"},
        {"view", "CREATE VIEW v AS SELECT id FROM records"},
        {"index more", "CREATE INDEX extra ON records(version)"},
        {"index over its columns reordered", "DROP INDEX key1; CREATE INDEX key1 ON records(id, k1)"},
        {"index missing", "DROP INDEX key2"},
        {"columns reordered",
         "CREATE TABLE copy(id INTEGER PRIMARY KEY AUTOINCREMENT, data BLOB NOT NULL, version INTEGER NOT NULL, "
         "k0 BLOB NOT NULL, k1 BLOB NOT NULL, k2 BLOB NOT NULL); INSERT INTO copy SELECT id, data, version, k0, "
         "k1, k2 FROM records; DROP TABLE records; ALTER TABLE copy RENAME TO records; "
         "CREATE UNIQUE INDEX key0 ON records(k0); CREATE INDEX key1 ON records(k1); "
         "CREATE UNIQUE INDEX key2 ON records(k2)"},
        {"statistics table of another shape",
         "PRAGMA writable_schema = ON; CREATE TABLE sqlite_stat1(tbl, idx, stat); PRAGMA writable_schema = OFF"},
        {"second layout row", "INSERT INTO record_file SELECT * FROM record_file"},
        {"index on a page beyond the file", "PRAGMA writable_schema = ON; UPDATE sqlite_master SET rootpage = 1000 "
                                            "WHERE name = 'key2'; PRAGMA writable_schema = OFF"},
    };
    const std::vector<std::string> suffixes{"", "-wal", "-shm", "-journal"};
    const auto files = [&] { // the file and its companions, byte for byte, with their times
        std::map<std::string, std::pair<QByteArray, int64_t>> all;
        for (const std::string& suffix : suffixes)
            if (struct stat info {}; ::stat((hostPath("tampered") + suffix).c_str(), &info) == 0)
                all[suffix] = {contents("tampered", suffix.c_str()), info.st_mtim.tv_sec * 1000000000 + info.st_mtim.tv_nsec};
        return all;
    };
    enum State { Folded, InTheLog, InTheLogAlone, FoldedBesideAnEmptyLog, FoldedBesideAJournal };
    for (const auto& [what, sql] : changes)
        for (const State state : {Folded, InTheLog, InTheLogAlone, FoldedBesideAnEmptyLog, FoldedBesideAJournal}) {
            SCOPED_TRACE(::testing::Message() << what << ", state " << state);
            Block block;
            make(block, "tampered", {record("0001", "A", "aa"), record("0002", "B", "bb")});
            ASSERT_EQ(close(block), 0);
            sqlite3* tool = nullptr;
            ASSERT_EQ(sqlite3_open(hostPath("tampered").c_str(), &tool), SQLITE_OK);
            ASSERT_EQ(sqlite3_exec(tool, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(tool);
            sqlite3_db_config(tool, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, state == InTheLog || state == InTheLogAlone,
                              nullptr);
            if (state == FoldedBesideAnEmptyLog) { // the log emptied at the close, kept with its index
                int persist = 1;
                sqlite3_file_control(tool, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
                ASSERT_EQ(sqlite3_exec(tool, "PRAGMA journal_size_limit = 0", nullptr, nullptr, nullptr), SQLITE_OK);
            }
            sqlite3_close(tool);
            ASSERT_TRUE(state != InTheLogAlone || QFile::remove(QString::fromStdString(hostPath("tampered") + "-shm")));
            if (state == FoldedBesideAJournal) { // a hot journal's magic, then nothing
                QFile journal(QString::fromStdString(hostPath("tampered") + "-journal"));
                ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
                journal.write(QByteArray("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8) + QByteArray(504, '\0'));
            }
            // Times in the past, so that any write would show.
            const timespec past[2] = {{1000000000, 0}, {1000000000, 0}};
            for (const std::string& suffix : suffixes)
                ::utimensat(AT_FDCWD, (hostPath("tampered") + suffix).c_str(), past, 0);
            const auto before = files();
            ASSERT_EQ(before.count("-wal"), state == InTheLog || state == InTheLogAlone || state == FoldedBesideAnEmptyLog);
            ASSERT_TRUE(state != FoldedBesideAnEmptyLog || (before.at("-wal").first.isEmpty() && before.count("-shm")));
            const int16_t opened = open(block, "tampered");
            EXPECT_EQ(opened, status::NotARecordFile);
            if (opened == 0)
                close(block);
            EXPECT_TRUE(files() == before) << "files beside it: " << files().size() << " instead of " << before.size();
            for (const std::string& suffix : suffixes)
                QFile::remove(QString::fromStdString(hostPath("tampered") + suffix));
        }
}

} // namespace
} // namespace qn3::testing
