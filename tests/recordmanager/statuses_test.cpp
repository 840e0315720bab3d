#include "record_file_fixture.h"

#include <QFileInfo>

#include <sys/stat.h>

namespace qn3::testing {
namespace {

using namespace rm;

class Statuses : public RecordFileTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(create("st", standardLayout()), 0);
        ASSERT_EQ(open(block, "st"), 0);
        ASSERT_EQ(insert(block, record("0001", "A", "aa")), 0);
        ASSERT_EQ(insert(block, record("0002", "A", "bb")), 0);
        ASSERT_EQ(close(block), 0);
        ASSERT_EQ(open(block, "st"), 0);
    }
    Block block;
};

TEST_F(Statuses, RightAfterOpenThereIsNoCurrentRecord)
{
    for (const uint16_t operation : {op::Update, op::Delete, op::GetPosition, op::GetNext, op::GetPrevious})
        EXPECT_EQ(call(operation, block, 0, {}, record("0001", "A", "aa")).status, status::InvalidPositioning)
            << operation;
}

TEST_F(Statuses, FileNamesAreFoundWhateverTheirCase)
{
    Block other;
    std::string path = "c:\\DATA\\ST.BT6 ";
    path.resize(255, ' ');
    std::string buffer(40, ' ');
    int32_t length = 40;
    ASSERT_EQ(BTRCALL(op::Open, other.data(), buffer.data(), &length, path.data(), 255, mode::Normal), 0);
    EXPECT_EQ(call(op::GetEqual, other, 0, "0002").data, record("0002", "A", "bb"));
    EXPECT_FALSE(QFileInfo::exists(prefix.driveC() + QStringLiteral("/DATA/ST.BT6"))) << "no second file was made";
    EXPECT_EQ(close(other), 0);
}

TEST_F(Statuses, UnknownOperationsAndBlocksThatNameNoOpenFile)
{
    EXPECT_EQ(call(15, block, 0).status, status::InvalidOperation);
    EXPECT_EQ(call(999, block, 0).status, status::InvalidOperation);
    Block blanks;
    EXPECT_EQ(call(op::GetFirst, blanks, 0).status, status::FileNotOpen);
    Block copy = block;
    ASSERT_EQ(close(block), 0);
    EXPECT_EQ(call(op::GetFirst, block, 0).status, status::FileNotOpen);
    EXPECT_EQ(call(op::GetFirst, copy, 0).status, status::FileNotOpen);
    EXPECT_EQ(close(block), status::FileNotOpen);
    int32_t length = 40;
    char key[255] = {};
    EXPECT_EQ(BTRCALL(op::GetFirst, nullptr, key, &length, key, 255, 0), status::FileNotOpen);
}

TEST_F(Statuses, KeyNumbersAndKeyBuffers)
{
    EXPECT_EQ(call(op::GetFirst, block, 3).status, status::InvalidKeyNumber);
    EXPECT_EQ(call(op::GetFirst, block, -1).status, status::InvalidKeyNumber);
    EXPECT_EQ(insert(block, record("0003", "A", "cc"), 7), status::InvalidKeyNumber);
    ASSERT_EQ(call(op::GetFirst, block, 0).status, 0);
    EXPECT_EQ(call(op::GetNext, block, 1).status, status::KeyNumberChanged);

    std::string data(40, ' ');
    int32_t length = 40;
    char key[8] = "0001";
    EXPECT_EQ(BTRCALL(op::GetEqual, block.data(), data.data(), &length, key, 3, 0), status::KeyBufferTooShort);
    EXPECT_EQ(BTRCALL(op::GetEqual, block.data(), data.data(), &length, nullptr, 255, 0),
              status::KeyBufferTooShort);
}

TEST_F(Statuses, DataLengths)
{
    const Answer partial = call(op::GetFirst, block, 0, {}, {}, 10);
    EXPECT_EQ(partial.status, status::DataBufferLength);
    EXPECT_EQ(partial.data, record("0001", "A", "aa").substr(0, 10));
    EXPECT_EQ(call(op::GetFirst, block, 0, {}, {}, 0).status, status::DataBufferLength);
    EXPECT_EQ(call(op::Insert, block, 0, {}, record("0003", "A", "cc"), 39).status, status::DataBufferLength);
    EXPECT_EQ(call(op::Insert, block, 0, {}, record("0003", "A", "cc") + "x", 41).status, status::DataBufferLength);
    int32_t length = 40;
    char key[255] = "0001";
    EXPECT_EQ(BTRCALL(op::GetEqual, block.data(), nullptr, &length, key, 255, 0), status::DataBufferLength);
    EXPECT_EQ(BTRCALL(op::GetEqual, block.data(), key, nullptr, key, 255, 0), status::DataBufferLength);
    const Answer full = call(op::GetEqual, block, 0, "0002", {}, 100);
    EXPECT_EQ(full.status, 0);
    EXPECT_EQ(full.data.size(), 40u) << "the data length handed back is the record's";
}

TEST_F(Statuses, NullPointersAnswerAStatusAndChangeNothing)
{
    std::string data = record("0003", "A", "cc");
    std::string key(255, ' ');
    int32_t length = 40;
    std::string path = windowsPath("st");
    EXPECT_EQ(BTRCALL(op::Open, nullptr, data.data(), &length, path.data(), 255, 0), status::FileNotOpen);
    Block other;
    EXPECT_EQ(BTRCALL(op::Open, other.data(), data.data(), &length, nullptr, 255, 0), status::FileNotFound);
    EXPECT_EQ(BTRCALL(op::Close, nullptr, nullptr, nullptr, nullptr, 0, 0), status::FileNotOpen);
    EXPECT_EQ(BTRCALL(op::Insert, block.data(), data.data(), nullptr, key.data(), 255, 0), status::DataBufferLength);
    EXPECT_EQ(BTRCALL(op::Insert, block.data(), nullptr, &length, key.data(), 255, 0), status::DataBufferLength);
    EXPECT_EQ(BTRCALL(op::Insert, block.data(), data.data(), &length, nullptr, 255, 0), status::KeyBufferTooShort);
    EXPECT_EQ(BTRCALL(op::Create, other.data(), nullptr, &length, path.data(), 255, 0), status::DataBufferLength);
    EXPECT_EQ(BTRCALL(op::Create, other.data(), data.data(), nullptr, path.data(), 255, 0), status::DataBufferLength);
    auto layout = standardLayout();
    length = CreationBufferSize;
    EXPECT_EQ(BTRCALL(op::Create, other.data(), layout.data(), &length, nullptr, 255, 0), status::FileNotFound);
    ASSERT_EQ(call(op::GetFirst, block, 0).status, 0);
    length = 4;
    EXPECT_EQ(BTRCALL(op::GetPosition, block.data(), nullptr, &length, key.data(), 255, 0), status::DataBufferLength);
    EXPECT_EQ(BTRCALL(op::GetPosition, block.data(), data.data(), nullptr, key.data(), 255, 0),
              status::DataBufferLength);
    EXPECT_EQ(BTRCALL(op::Update, block.data(), data.data(), nullptr, key.data(), 255, 0), status::DataBufferLength);
    EXPECT_EQ(walk(block, 0, op::GetFirst, op::GetNext), "0001|0002|");
    EXPECT_EQ(call(op::GetFirst, block, 0).data, record("0001", "A", "aa"));
}

TEST_F(Statuses, UpdateOfAWrongLengthChangesNothing)
{
    ASSERT_EQ(call(op::GetEqual, block, 0, "0001").status, 0);
    EXPECT_EQ(call(op::Update, block, 0, {}, record("0001", "Q", "qq"), 0).status, status::DataBufferLength);
    EXPECT_EQ(call(op::Update, block, 0, {}, record("0001", "Q", "qq"), 39).status, status::DataBufferLength);
    EXPECT_EQ(call(op::Update, block, 0, {}, record("0001", "Q", "qq") + "!", 41).status, status::DataBufferLength);
    EXPECT_EQ(call(op::GetEqual, block, 0, "0001").data, record("0001", "A", "aa"));
    EXPECT_EQ(call(op::Update, block, 0, {}, record("0001", "Q", "qq")).status, 0) << "the cursor survived";
}

TEST_F(Statuses, ShortReadFillsWhatFitsAndStillPositions)
{
    const Answer partial = call(op::GetEqual, block, 0, "0001", {}, 6);
    EXPECT_EQ(partial.status, status::DataBufferLength);
    EXPECT_EQ(partial.data, record("0001", "A", "aa").substr(0, 6));
    EXPECT_EQ(partial.key.substr(0, 4), "0001");
    EXPECT_EQ(call(op::GetNext, block, 0).data.substr(0, 4), "0002");
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

TEST_F(Statuses, WritesThatBreakKeyRules)
{
    EXPECT_EQ(insert(block, record("0001", "Z", "zz")), status::DuplicateKey);
    ASSERT_EQ(call(op::GetEqual, block, 0, "0001").status, 0);
    EXPECT_EQ(call(op::Update, block, 0, {}, record("0009", "A", "aa")).status, status::KeyNotModifiable);
    EXPECT_EQ(call(op::Update, block, 0, {}, record("0001", "A", "bb")).status, status::DuplicateKey);
    EXPECT_EQ(call(op::Update, block, 0, {}, record("0001", "Q", "qq")).status, 0);
    EXPECT_EQ(call(op::GetEqual, block, 1, "Q       ").data.substr(0, 4), "0001");
}

TEST_F(Statuses, GetDirectOnAnAddressWithoutRecord)
{
    EXPECT_EQ(call(op::GetDirect, block, 0, {}, std::string("\x39\x30\0\0", 4)).status,
              status::InvalidRecordAddress);
    EXPECT_EQ(call(op::GetDirect, block, 0, {}, std::string(4, '\0')).status, status::InvalidRecordAddress);
    EXPECT_EQ(call(op::GetDirect, block, 0, {}, "", 3).status, status::DataBufferLength);
}

TEST_F(Statuses, TransactionsNestNeverAndEndOnlyWhenBegun)
{
    EXPECT_EQ(endTransaction(true), status::NoTransaction);
    EXPECT_EQ(endTransaction(false), status::NoTransaction);
    ASSERT_EQ(beginTransaction(), 0);
    EXPECT_EQ(beginTransaction(), status::TransactionActive);
    Block unused;
    EXPECT_EQ(call(op::BeginConcurrentTransaction, unused, 0).status, status::TransactionActive);
    EXPECT_EQ(endTransaction(), 0);
    EXPECT_EQ(endTransaction(), status::NoTransaction);
}

TEST_F(Statuses, ReadOnlyOpenRefusesWrites)
{
    Block reader;
    ASSERT_EQ(open(reader, "st", mode::ReadOnly), 0);
    EXPECT_EQ(insert(reader, record("0003", "A", "cc")), status::AccessDenied);
    ASSERT_EQ(call(op::GetFirst, reader, 0).status, 0);
    EXPECT_EQ(call(op::Update, reader, 0, {}, record("0001", "B", "aa")).status, status::AccessDenied);
    EXPECT_EQ(call(op::Delete, reader, 0).status, status::AccessDenied);
}

TEST_F(Statuses, OpenModes)
{
    Block other;
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

TEST_F(Statuses, CreateKeepsOrReplacesAnExistingFile)
{
    EXPECT_EQ(create("st", standardLayout(), createmode::KeepExisting), status::FileExists);
    EXPECT_EQ(create("st", standardLayout()), status::FileInUse) << "open here";
    ASSERT_EQ(close(block), 0);
    ASSERT_EQ(create("st", standardLayout()), 0);
    ASSERT_EQ(open(block, "st"), 0);
    EXPECT_EQ(call(op::GetFirst, block, 0).status, status::EndOfFile) << "the new file is empty";
}

TEST_F(Statuses, ReplacingAFileKeepsItsPermissions)
{
    ASSERT_EQ(close(block), 0);
    ASSERT_EQ(::chmod(hostPath("st").c_str(), 0600), 0);
    ASSERT_EQ(create("st", standardLayout()), 0);
    struct stat info {};
    ASSERT_EQ(::stat(hostPath("st").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

TEST_F(Statuses, CreatedFilesGetTheUsualPermissionsAndNoLeftovers)
{
    const mode_t mask = ::umask(022);
    ::umask(mask);
    ASSERT_EQ(create("fresh", standardLayout(), createmode::KeepExisting), 0);
    struct stat info {};
    ASSERT_EQ(::stat(hostPath("fresh").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
    const QStringList names = QDir(prefix.driveC() + QStringLiteral("/data")).entryList(QDir::Files);
    EXPECT_EQ(names, (QStringList{QStringLiteral("fresh.bt6"), QStringLiteral("st.bt6"), QStringLiteral("st.bt6-shm"),
                                  QStringLiteral("st.bt6-wal")}));
}

struct LayoutCase {
    const char* what;
    std::array<uint8_t, CreationBufferSize> layout;
    int16_t status;
};

TEST_F(Statuses, CreateRefusesImpossibleLayouts)
{
    const LayoutCase cases[] = {
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
    for (const LayoutCase& c : cases) {
        EXPECT_EQ(create("bad", c.layout), c.status) << c.what;
        EXPECT_FALSE(QFile::exists(QString::fromStdString(hostPath("bad")))) << c.what;
    }
    Block unused;
    auto layout = standardLayout();
    int32_t length = 10;
    std::string path = windowsPath("short");
    EXPECT_EQ(BTRCALL(op::Create, unused.data(), layout.data(), &length, path.data(), 20, 0), status::DataBufferLength);
    length = 160;
    std::string nowhere = "C:\\no\\such\\folder\\x.bt6 ";
    EXPECT_EQ(BTRCALL(op::Create, unused.data(), layout.data(), &length, nowhere.data(), 30, 0), status::FileNotFound);
}

} // namespace
} // namespace qn3::testing
