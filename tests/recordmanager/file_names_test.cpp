#include "record_file_fixture.h"

#include <tuple>

namespace qn3::testing {
namespace {

using namespace rm;

// Open or create (replacing) with `path` as the key buffer, `keyLength` as given.
int16_t callWithPath(uint16_t operation, Block& block, std::string path, int16_t keyLength)
{
    auto layout = standardLayout();
    int32_t length = CreationBufferSize;
    return BTRCALL(operation, block.data(), layout.data(), &length, path.data(), keyLength, 0);
}

// Two 262-byte paths that differ only after their 255th byte.
TEST_F(RecordFileTest, ANameThatDoesNotEndInsideTheKeyBufferIsNeverCut)
{
    const std::string folder = std::string(200, 'd');
    ASSERT_TRUE(QDir().mkpath(prefix.driveC() + "/data/" + QString::fromStdString(folder)));
    const std::string stem = "C:\\data\\" + folder + "\\" + std::string(48, 'f');
    const std::string first = stem + "1.bt6 ", second = stem + "2.bt6 ";  // 262 bytes and a blank
    const auto size = static_cast<int16_t>(first.size());
    Block block;
    ASSERT_EQ(callWithPath(op::Create, block, first, size), 0);
    ASSERT_EQ(callWithPath(op::Open, block, first, size), 0);
    ASSERT_EQ(insert(block, record("0001", "A", "aa")), 0);
    ASSERT_EQ(close(block), 0);
    const QString hostFolder = prefix.driveC() + "/data/" + QString::fromStdString(folder);
    // The log stays for the next open, but the last close empties it into the file.
    EXPECT_EQ(QFileInfo(hostFolder + "/" + QString(48, u'f') + "1.bt6-wal").size(), 0);
    EXPECT_EQ(callWithPath(op::Create, block, second, size), 0);
    ASSERT_EQ(callWithPath(op::Open, block, first, size), 0);
    EXPECT_EQ(walk(block, 0, op::GetFirst, op::GetNext), "0001|") << "the first file kept its record";
    ASSERT_EQ(close(block), 0);

    const std::string endless(300, 'x');
    for (const auto& [operation, path, keyLength] :
         {std::tuple{op::Open, first, int16_t(255)}, std::tuple{op::Open, endless, int16_t(0)},
          std::tuple{op::Open, endless, int16_t(-1)}, std::tuple{op::Create, stem + "3.bt6 ", int16_t(100)}})
        EXPECT_EQ(callWithPath(operation, block, path, keyLength), status::InvalidFileName) << path.size();
    EXPECT_EQ(QDir(hostFolder).entryList({"*.bt6"}, QDir::Files).size(), 2);
}

} // namespace
} // namespace qn3::testing
