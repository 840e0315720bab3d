#include "record_file_fixture.h"

#include <QFile>

namespace qn3::testing {
namespace {

using namespace rm;

class FileNames : public RecordFileTest {
protected:
    // `path` as the key buffer, `keyLength` as given.
    static int16_t callWithPath(uint16_t operation, Block& block, std::string path, int16_t keyLength)
    {
        auto layout = standardLayout();
        int32_t length = CreationBufferSize;
        return BTRCALL(operation, block.data(), layout.data(), &length, path.data(), keyLength, 0);
    }
};

// Two 262-byte paths that differ only after their 255th byte.
TEST_F(FileNames, ANameThatDoesNotEndInsideTheKeyBufferIsNeverCut)
{
    const std::string folder = std::string(200, 'd');
    ASSERT_TRUE(QDir().mkpath(prefix.driveC() + "/data/" + QString::fromStdString(folder)));
    const std::string stem = "C:\\data\\" + folder + "\\" + std::string(48, 'f');
    const std::string first = stem + "1.bt6 ", second = stem + "2.bt6 ";
    ASSERT_EQ(first.size(), 263u);
    const auto size = static_cast<int16_t>(first.size());
    Block block;
    ASSERT_EQ(callWithPath(op::Create, block, first, size), 0);
    ASSERT_EQ(callWithPath(op::Open, block, first, size), 0);
    ASSERT_EQ(insert(block, record("0001", "A", "aa")), 0);
    ASSERT_EQ(close(block), 0);
    EXPECT_EQ(callWithPath(op::Create, block, second, size), 0) << "another file";
    EXPECT_EQ(callWithPath(op::Create, block, second, size), 0) << "replaced";
    ASSERT_EQ(callWithPath(op::Open, block, first, size), 0);
    EXPECT_EQ(walk(block, 0, op::GetFirst, op::GetNext), "0001|") << "the first file kept its record";
    ASSERT_EQ(close(block), 0);

    const struct {
        const char* what;
        uint16_t operation;
        std::string path;
        int16_t keyLength;
    } refused[] = {
        {"open with the usual key length", op::Open, first, 255},
        {"open without a key length", op::Open, std::string(300, 'x'), 0},
        {"open with a negative key length", op::Open, std::string(300, 'x'), -1},
        {"create with a key length short of the end", op::Create, stem + "3.bt6 ", 100},
    };
    for (const auto& c : refused)
        EXPECT_EQ(callWithPath(c.operation, block, c.path, c.keyLength), status::InvalidFileName) << c.what;
    const QStringList made = QDir(prefix.driveC() + "/data/" + QString::fromStdString(folder)).entryList(QDir::Files);
    EXPECT_EQ(made.size(), 2) << made.join(' ').toStdString();
}

} // namespace
} // namespace qn3::testing
