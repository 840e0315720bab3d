#include "record_file_fixture.h"

#include <QFileInfo>

#include <sys/stat.h>

#include <tuple>

namespace qn3::testing {
namespace {

using namespace rm;

class Statuses : public RecordFileTest {
protected:
    void SetUp() override
    {
        make(block, "st", {record("0001", "A", "aa"), record("0002", "A", "bb")});
        ASSERT_EQ(close(block), 0);
        ASSERT_EQ(open(block, "st"), 0);
    }
    Block block;
};

// How one raw call is made; pointers named in `nulls` are passed as null.
struct Args {
    int32_t length = 40;
    int nulls = 0;
    int16_t keyNumber = 0;
    std::string data = record("0003", "A", "cc");
    std::string key = "0001";
    int16_t keyLength = 255;
};
struct RawCall {
    uint16_t op;
    int16_t status;
    Args args{};
};
enum Null { NoBlock = 1, NoData = 2, NoLength = 4, NoKey = 8, BlankBlock = 16 };

// Bad operations, key numbers, lengths and null pointers answer a status and
// change nothing; the cursor on record 0001 survives them.
TEST_F(Statuses, BadCallsAnswerAStatusAndChangeNothing)
{
    const auto lay = standardLayout();
    const std::string layout(lay.begin(), lay.end()), path = windowsPath("st");
    using namespace op;
    using namespace status;
    const RawCall cases[] = {
        // Right after the open there is no current record.
        {Update, InvalidPositioning}, {Delete, InvalidPositioning}, {GetPosition, InvalidPositioning},
        {GetNext, InvalidPositioning}, {GetPrevious, InvalidPositioning}, {GetFirst, 0},
        {15, InvalidOperation}, {999, InvalidOperation},
        {GetFirst, FileNotOpen, {.nulls = NoBlock}}, {GetFirst, FileNotOpen, {.nulls = BlankBlock}},
        {GetFirst, InvalidKeyNumber, {.keyNumber = 3}}, {GetFirst, InvalidKeyNumber, {.keyNumber = -1}},
        {Insert, InvalidKeyNumber, {.keyNumber = 7}}, {GetNext, KeyNumberChanged, {.keyNumber = 1}},
        {GetEqual, KeyBufferTooShort, {.keyLength = 3}}, {GetEqual, KeyBufferTooShort, {.nulls = NoKey}},
        {GetFirst, DataBufferLength, {.length = 0}}, {GetEqual, DataBufferLength, {.nulls = NoData}},
        {GetEqual, DataBufferLength, {.nulls = NoLength}},
        {Insert, DataBufferLength, {.length = 39}}, {Insert, DataBufferLength, {.length = 41}},
        {Insert, DataBufferLength, {.nulls = NoData}}, {Insert, DataBufferLength, {.nulls = NoLength}},
        {Insert, KeyBufferTooShort, {.nulls = NoKey}},
        {Update, DataBufferLength, {.length = 0}}, {Update, DataBufferLength, {.length = 39}},
        {Update, DataBufferLength, {.length = 41}}, {Update, DataBufferLength, {.nulls = NoLength}},
        {GetPosition, DataBufferLength, {.length = 4, .nulls = NoData}},
        {GetPosition, DataBufferLength, {.nulls = NoLength}},
        {GetDirect, DataBufferLength, {.length = 3}}, {GetDirect, InvalidRecordAddress, {.data = std::string(4, '\0')}},
        {GetDirect, InvalidRecordAddress, {.data = std::string("\x39\x30\0\0", 4)}},
        {Close, FileNotOpen, {.nulls = NoBlock | NoData | NoLength | NoKey}},
        // Transactions take no block, never nest and end only once begun.
        {EndTransaction, NoTransaction}, {AbortTransaction, NoTransaction}, {BeginTransaction, 0},
        {BeginTransaction, TransactionActive}, {BeginConcurrentTransaction, TransactionActive}, {EndTransaction, 0},
        // Opens and creates go through a blank block of their own.
        {Open, FileNotOpen, {.nulls = NoBlock, .key = path}}, {Open, FileNotFound, {.nulls = NoKey}},
        {Create, DataBufferLength, {.nulls = NoData, .key = path}},
        {Create, DataBufferLength, {.nulls = NoLength, .data = layout, .key = path}},
        {Create, DataBufferLength, {.length = 10, .data = layout, .key = path}},
        {Create, FileNotFound, {.length = CreationBufferSize, .nulls = NoKey, .data = layout}},
        {Create, FileNotFound, {.length = CreationBufferSize, .data = layout, .key = "C:\\no\\such\\folder\\x.bt6 "}},
        // Only a name that is not there is missing, also on the way to it.
        {Open, FileNotFound, {.key = "C:\\no\\such\\folder\\x.bt6 "}},
        {Open, FileNotFound, {.key = "C:\\data\\st.bt6\\x.bt6 "}},
        {Create, FileNotFound, {.length = CreationBufferSize, .data = layout, .key = "C:\\data\\st.bt6\\x.bt6 "}},
    };
    for (RawCall c : cases) {
        Block spare;
        Args& a = c.args;
        Block& used = c.op == op::Open || c.op == op::Create || (a.nulls & BlankBlock) ? spare : block;
        a.data.resize(std::max<size_t>(a.data.size(), 300), ' ');
        a.key.resize(255, ' ');
        int32_t length = a.length;
        EXPECT_EQ(BTRCALL(c.op, a.nulls & NoBlock ? nullptr : used.data(), a.nulls & NoData ? nullptr : a.data.data(),
                          a.nulls & NoLength ? nullptr : &length, a.nulls & NoKey ? nullptr : a.key.data(),
                          a.keyLength, a.keyNumber),
                  c.status)
            << "op " << c.op << " nulls " << a.nulls << " length " << a.length;
    }
    EXPECT_EQ(call(op::Update, block, 0, {}, record("0001", "Q", "qq")).status, 0) << "the cursor survived";
    EXPECT_EQ(walk(block, 1, op::GetFirst, op::GetNext), "0002|0001|");
    EXPECT_EQ(call(op::GetEqual, block, 0, "0002").data, record("0002", "A", "bb"));
    // A closed block, and byte copies of it, name no open file.
    Block copy = block;
    ASSERT_EQ(close(block), 0);
    EXPECT_EQ(call(op::GetFirst, block, 0).status, status::FileNotOpen);
    EXPECT_EQ(call(op::GetFirst, copy, 0).status, status::FileNotOpen);
    EXPECT_EQ(close(block), status::FileNotOpen);
}

TEST_F(Statuses, ShortReadFillsWhatFitsAndStillPositions)
{
    const Answer partial = call(op::GetEqual, block, 0, "0001", {}, 6);
    EXPECT_EQ(partial.status, status::DataBufferLength);
    EXPECT_EQ(partial.data, record("0001", "A", "aa").substr(0, 6));
    EXPECT_EQ(partial.key.substr(0, 4), "0001");
    EXPECT_EQ(call(op::GetNext, block, 0).data.substr(0, 4), "0002");
    const Answer full = call(op::GetEqual, block, 0, "0002", {}, 100);
    EXPECT_EQ(full.status, 0);
    EXPECT_EQ(full.data.size(), 40u) << "the data length handed back is the record's";
}

TEST_F(Statuses, ScribbledBlocksNeverCrash)
{
    ASSERT_EQ(call(op::GetFirst, block, 0).status, 0);
    // Every byte after the block's own marker in turn set to 0xFF.
    for (size_t at = 4; at < block.bytes.size(); ++at) {
        Block scribbled = block;
        scribbled.bytes[at] = 0xFF;
        for (const uint16_t operation : {op::GetNext, op::GetPrevious, op::GetPosition}) {
            const int16_t status = call(operation, scribbled, 0).status;
            EXPECT_TRUE(status == 0 || status == status::FileNotOpen || status == status::InvalidPositioning ||
                        status == status::KeyNumberChanged || status == status::EndOfFile)
                << "byte " << at << " operation " << operation << " status " << status;
        }
    }
    Block elsewhere = block;
    elsewhere.bytes[12] = 0x7F;  // a record id that names no record
    EXPECT_EQ(call(op::Update, elsewhere, 0, {}, record("0001", "Q", "qq")).status, status::Conflict);
    EXPECT_EQ(call(op::Delete, elsewhere, 0).status, status::Conflict);
    EXPECT_EQ(walk(block, 0, op::GetFirst, op::GetNext), "0001|0002|");
}

TEST_F(Statuses, OpenModes)
{
    Block other;
    ASSERT_EQ(open(other, "st", mode::ReadOnly), 0);
    EXPECT_EQ(insert(other, record("0003", "A", "cc")), status::AccessDenied);
    ASSERT_EQ(call(op::GetFirst, other, 0).status, 0);
    EXPECT_EQ(call(op::Update, other, 0, {}, record("0001", "B", "aa")).status, status::AccessDenied);
    EXPECT_EQ(call(op::Delete, other, 0).status, status::AccessDenied);
    ASSERT_EQ(close(other), 0);
    EXPECT_EQ(open(other, "missing"), status::FileNotFound);
    EXPECT_EQ(open(other, "st", mode::Exclusive), status::IncompatibleMode);
    EXPECT_EQ(open(other, "st", 5), status::InvalidOperation);
    ASSERT_EQ(close(block), 0);
    ASSERT_EQ(open(block, "st", mode::Exclusive), 0);
    EXPECT_EQ(open(block, "st", mode::Exclusive), 0) << "opening a block again closes its old handle";
    EXPECT_EQ(open(other, "st"), status::IncompatibleMode);
    ASSERT_EQ(close(block), 0);
    EXPECT_EQ(open(other, "st"), 0);
}

// A new file gets the usual permissions and leaves nothing beside it; a
// replaced one keeps the permissions its owner gave it.
TEST_F(Statuses, CreateMakesKeepsOrReplacesAFile)
{
    const mode_t mask = ::umask(022);
    ::umask(mask);
    ASSERT_EQ(create("fresh", standardLayout(), createmode::KeepExisting), 0);
    struct stat info {};
    ASSERT_EQ(::stat(hostPath("fresh").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
    EXPECT_EQ(QDir(prefix.driveC() + QStringLiteral("/data")).entryList(QDir::Files),
              (QStringList{QStringLiteral("fresh.bt6"), QStringLiteral("st.bt6"), QStringLiteral("st.bt6-shm"),
                           QStringLiteral("st.bt6-wal")}));

    EXPECT_EQ(create("st", standardLayout(), createmode::KeepExisting), status::FileExists);
    EXPECT_EQ(create("st", standardLayout()), status::FileInUse) << "open here";
    ASSERT_EQ(close(block), 0);
    ASSERT_EQ(::chmod(hostPath("st").c_str(), 0600), 0);
    ASSERT_EQ(create("st", standardLayout()), 0);
    ASSERT_EQ(::stat(hostPath("st").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    ASSERT_EQ(open(block, "st"), 0);
    EXPECT_EQ(call(op::GetFirst, block, 0).status, status::EndOfFile) << "the new file is empty";
}

TEST_F(Statuses, CreateRefusesImpossibleLayouts)
{
    const std::tuple<const char*, Layout, int16_t> cases[] = {
        {"record length 0", makeLayout(0, 1, {{1, 4, 0}}), status::InvalidRecordLength},
        {"page size 1000", makeLayout(40, 1, {{1, 4, 0}}, 1000), status::InvalidPageSize},
        {"page size 0", makeLayout(40, 1, {{1, 4, 0}}, 0), status::InvalidPageSize},
        {"no keys", makeLayout(40, 0, {}), status::InvalidNumberOfKeys},
        {"ten keys", makeLayout(40, 10, {}), status::InvalidNumberOfKeys},
        {"key at 0", makeLayout(40, 1, {{0, 4, 0}}), status::InvalidKeyPosition},
        {"key past the record", makeLayout(40, 1, {{38, 4, 0}}), status::InvalidKeyPosition},
        {"key length 0", makeLayout(40, 2, {{1, 4, 0}}), status::InvalidKeyLength},
        {"key length 256", makeLayout(400, 1, {{1, 256, 0}}), status::InvalidKeyLength},
        {"segments past 255", makeLayout(400, 1, {{1, 200, 16}, {201, 100, 0}}), status::InvalidKeyLength},
        {"segments past the table", makeLayout(40, 1, {{1, 1, 16}, {2, 1, 16}, {3, 1, 16}, {4, 1, 16}, {5, 1, 16},
                                                    {6, 1, 16}, {7, 1, 16}, {8, 1, 16}, {9, 1, 16}}),
         status::InvalidNumberOfKeys},
    };
    for (const auto& [what, layout, status] : cases) {
        EXPECT_EQ(create("bad", layout), status) << what;
        EXPECT_FALSE(QFile::exists(QString::fromStdString(hostPath("bad")))) << what;
    }
}

} // namespace
} // namespace qn3::testing
