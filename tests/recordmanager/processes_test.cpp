#include "record_file_fixture.h"
#include "support/bounded_time.h"
#include "support/child_process.h"

#include <QFile>

#include <chrono>
#include <csignal>
#include <functional>
#include <thread>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qn3::testing {
namespace {

using namespace rm;

// A second process on the same files. The child is forked before the parent
// opens anything, so neither inherits the other's connections; the two talk
// over a socket pair, one int32 per message.
class OtherProcess {
public:
    explicit OtherProcess(const std::function<void(OtherProcess&)>& body)
    {
        int ends[2] = {-1, -1};
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
        pid_ = ::fork();
        end_ = ends[pid_ == 0 ? 1 : 0];
        ::close(ends[pid_ == 0 ? 0 : 1]);
        if (pid_ == 0) {
            body(*this);
            ::_exit(0);
        }
    }
    ~OtherProcess()
    {
        ::close(end_);
        if (pid_ > 0)
            ::waitpid(pid_, nullptr, 0);
    }
    // From either side; -1 once the other side has gone.
    void send(int32_t value) { (void)!::write(end_, &value, sizeof value); }
    int32_t receive()
    {
        int32_t value = -1;
        return ::read(end_, &value, sizeof value) == sizeof value ? value : -1;
    }
    pid_t pid() const { return pid_; }

private:
    int end_ = -1;
    pid_t pid_ = -1;
};

class TwoProcesses : public RecordFileTest {
protected:
    void SetUp() override
    {
        Block setup;
        make(setup, "shared", {record("0001", "A", "aa")});
        ASSERT_EQ(close(setup), 0);
    }
};

// Reads keep no snapshot between calls: the other process's commit is seen
// by the very next read, and a write on what it changed conflicts.
TEST_F(TwoProcesses, TheNextCallSeesTheOtherProcessCommit)
{
    OtherProcess child([&](OtherProcess& self) {
        Block block;
        self.send(open(block, "shared"));
        self.receive();
        call(op::GetEqual, block, 0, "0001");
        self.send(call(op::Update, block, 0, {}, record("0001", "B", "aa")).status);
        self.receive();
        self.send(insert(block, record("0002", "A", "bb")));
    });
    Block block;
    ASSERT_EQ(child.receive(), 0);
    ASSERT_EQ(open(block, "shared"), 0);
    ASSERT_EQ(call(op::GetEqual, block, 0, "0001").status, 0);
    child.send(1);
    ASSERT_EQ(child.receive(), 0);
    EXPECT_EQ(call(op::Update, block, 0, {}, record("0001", "C", "aa")).status, status::Conflict);
    EXPECT_EQ(call(op::GetEqual, block, 0, "0001").data.substr(4, 1), "B");
    EXPECT_EQ(call(op::Update, block, 0, {}, record("0001", "C", "aa")).status, 0);
    ASSERT_EQ(call(op::GetEqual, block, 0, "0001").status, 0);
    child.send(2);
    ASSERT_EQ(child.receive(), 0);
    EXPECT_EQ(call(op::GetNext, block, 0).data.substr(0, 4), "0002");
}

// A walk under way sees the other process's commit at its next step.
TEST_F(TwoProcesses, AWalkSeesWhatTheOtherProcessCommitsBetweenItsSteps)
{
    OtherProcess child([&](OtherProcess& self) {
        Block block;
        self.send(open(block, "shared"));
        self.receive();
        self.send(insert(block, record("0004", "A", "dd")));
    });
    Block block;
    ASSERT_EQ(child.receive(), 0);
    ASSERT_EQ(open(block, "shared"), 0);
    // Group "A" for all: the walk along key 1 goes through duplicates.
    for (const auto& [id, name] : {std::pair{"0002", "bb"}, {"0003", "cc"}, {"0005", "ee"}})
        ASSERT_EQ(insert(block, record(id, "A", name)), 0);
    EXPECT_EQ(run(block, 1, {{op::GetFirst}, {op::GetNext}, {op::GetNext}}), "0001 0002 0003 ");
    child.send(1);
    ASSERT_EQ(child.receive(), 0);
    EXPECT_EQ(run(block, 1, {{op::GetNext}, {op::GetNext}, {op::GetNext}}), "0005 0004 #9 ");
}

// What one process holds shuts the other out: an exclusive open refuses its
// opens, a transaction makes its writes wait briefly, then answer in use.
TEST_F(TwoProcesses, AnExclusiveOpenOrATransactionHoldsTheOtherProcessOff)
{
    OtherProcess child([&](OtherProcess& self) {
        Block block;
        for (int opens = 0; opens < 2; ++opens) {
            self.receive();
            self.send(open(block, "shared"));
        }
        self.receive();
        self.send(insert(block, record("0002", "A", "bb")));
        self.send(call(op::GetEqual, block, 0, "0001").status);
        self.receive();
        self.send(insert(block, record("0002", "A", "bb")));
    });
    Block block;
    ASSERT_EQ(open(block, "shared", mode::Exclusive), 0);
    child.send(1);
    EXPECT_EQ(child.receive(), status::IncompatibleMode);
    ASSERT_EQ(close(block), 0);
    ASSERT_EQ(open(block, "shared"), 0);
    child.send(2);
    ASSERT_EQ(child.receive(), 0);
    ASSERT_EQ(transaction(op::BeginTransaction), 0);
    ASSERT_EQ(insert(block, record("0003", "A", "cc")), 0);
    child.send(3);
    const int32_t locked = child.receive();
    EXPECT_TRUE(locked == status::FileInUse || locked == status::RecordInUse) << locked;
    EXPECT_EQ(child.receive(), 0) << "reads are never blocked";
    ASSERT_EQ(transaction(op::EndTransaction), 0);
    child.send(4);
    EXPECT_EQ(child.receive(), 0) << "the retry after the transaction goes through";
}

// Create never replaces a file another process holds, through this engine or
// through any SQLite connection: 85, and the file stays byte for byte.
TEST_F(TwoProcesses, ACreateLeavesAFileAnotherProcessHolds)
{
    OtherProcess child([&](OtherProcess& self) {
        Block block;
        self.send(open(block, "shared"));
        self.receive();
        close(block);
        sqlite3* other = nullptr;
        sqlite3_open(hostPath("shared").c_str(), &other);
        self.send(sqlite3_exec(other, "SELECT count(*) FROM records", nullptr, nullptr, nullptr));
        self.receive();
        sqlite3_close(other);
        self.send(0);
    });
    const auto bytes = [this] {
        QFile file(QString::fromStdString(hostPath("shared")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    for (const char* holder : {"this engine", "an SQLite connection"}) {
        ASSERT_EQ(child.receive(), 0) << holder;
        const QByteArray before = bytes();
        EXPECT_EQ(create("shared", standardLayout()), status::FileInUse) << holder;
        EXPECT_EQ(bytes(), before) << holder;
        child.send(1);
    }
    ASSERT_EQ(child.receive(), 0);
    EXPECT_EQ(create("shared", standardLayout()), 0) << "let go, the file is replaced";
}

// A process that stops calling lets its snapshot go, so another's log can
// be emptied; until then the checkpoint could not pass the snapshot.
TEST_F(TwoProcesses, AnIdleReaderLetsItsSnapshotGo)
{
    Block block;
    ASSERT_EQ(open(block, "shared"), 0);
    ASSERT_EQ(call(op::GetFirst, block, 0).status, 0);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(hostPath("shared").c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "UPDATE records SET version = version + 1", nullptr, nullptr, nullptr), SQLITE_OK);
    int rc = SQLITE_BUSY;
    for (int tries = 0; tries < 1000 && rc != SQLITE_OK; ++tries, ::usleep(10000))
        rc = sqlite3_wal_checkpoint_v2(other, "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(rc, SQLITE_OK) << "the snapshot is still held";
}

TEST_F(TwoProcesses, KillDuringInsertsKeepsEveryAcknowledgedInsert)
{
    OtherProcess child([&](OtherProcess& self) {
        Block block;
        if (open(block, "shared") != 0)
            return;
        for (int32_t i = 2;; ++i) {
            if (insert(block, record(id(i % 10000), "K", id(i % 10000))) != 0)
                return;
            self.send(i);
        }
    });
    // Killed after 300 acknowledgements; those already on their way still count.
    std::vector<int32_t> acknowledged;
    for (int32_t i = child.receive(); i >= 0; i = child.receive()) {
        acknowledged.push_back(i);
        if (acknowledged.size() == 300)
            ::kill(child.pid(), SIGKILL);
    }
    ASSERT_GE(acknowledged.size(), 300u) << "the child stopped on its own";
    ASSERT_LT(acknowledged.size(), 9999u);

    Block block;
    ASSERT_EQ(open(block, "shared"), 0);
    for (const int32_t i : acknowledged)
        EXPECT_EQ(call(op::GetEqual, block, 0, id(i)).status, 0) << i;
    ASSERT_EQ(insert(block, record("9999", "K", "zz")), 0) << "the file takes writes again";
}

// The other process of a test: a turn the other side can no longer pass ends
// the wait for it as a failure at once, never as "not yet"; a child that did
// not end by itself answers what ended it.
TEST(ChildProcess, AnEndedSideIsAFailureAndNeverANotYet)
{
    using Turn = Turns::Turn;
    const struct {
        const char* name;
        bool passes, killed;
        std::string answer;
    } rows[] = {
        {"the turn is passed back", true, false, "came"},
        {"the other side ends without passing it", false, false, "gone"},
        {"the child is killed", true, true, "the child was ended by signal 9"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto child = [&row](Turns& turns) {
            if (row.killed)
                ::raise(SIGKILL);
            turns.pass();
            Turn turn = Turn::NotYet;
            while ((turn = turns.check()) == Turn::NotYet)
                std::this_thread::sleep_for(std::chrono::milliseconds(1)); // a test's walk stands here
            return std::string(turn == Turn::Came ? "came" : "gone");
        };
        const auto parent = [&row](Turns& turns) {
            if (turns.wait() && row.passes)
                turns.pass();
        };
        EXPECT_TRUE(
            finishesWithin(std::chrono::seconds(30), [&] { return inChild(false, child, parent) == row.answer; }));
    }
}

} // namespace
} // namespace qn3::testing
