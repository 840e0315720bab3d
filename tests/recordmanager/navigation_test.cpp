#include "record_file_fixture.h"

namespace qn3::testing {
namespace {

using namespace rm;

class Navigation : public RecordFileTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(create("nav", standardLayout()), 0);
        ASSERT_EQ(open(block, "nav"), 0);
        // Inserted out of order; group "B" holds three duplicates.
        ASSERT_EQ(insert(block, record("0003", "B", "cc")), 0);
        ASSERT_EQ(insert(block, record("0001", "A", "Ee")), 0);
        ASSERT_EQ(insert(block, record("0004", "B", "aA")), 0);
        ASSERT_EQ(insert(block, record("0002", "C", "dd")), 0);
        ASSERT_EQ(insert(block, record("0005", "B", "BB")), 0);
    }
    Block block;
};

TEST_F(Navigation, GetNextAndPreviousFollowTheKeyOrder)
{
    EXPECT_EQ(walk(block, 0, op::GetFirst, op::GetNext), "0001|0002|0003|0004|0005|");
    EXPECT_EQ(walk(block, 0, op::GetLast, op::GetPrevious), "0005|0004|0003|0002|0001|");
}

TEST_F(Navigation, DuplicatesKeepInsertionOrderAndGetEqualFindsTheFirst)
{
    EXPECT_EQ(walk(block, 1, op::GetFirst, op::GetNext), "0001|0003|0004|0005|0002|");
    const Answer equal = call(op::GetEqual, block, 1, "B       ");
    ASSERT_EQ(equal.status, 0);
    EXPECT_EQ(equal.data.substr(0, 4), "0003");
    EXPECT_EQ(walk(block, 1, op::GetLast, op::GetPrevious), "0002|0005|0004|0003|0001|");
}

TEST_F(Navigation, TurningRoundInsideDuplicatesReturnsTheNeighbour)
{
    ASSERT_EQ(call(op::GetEqual, block, 1, "B       ").status, 0);
    EXPECT_EQ(call(op::GetNext, block, 1).data.substr(0, 4), "0004");
    EXPECT_EQ(call(op::GetNext, block, 1).data.substr(0, 4), "0005");
    EXPECT_EQ(call(op::GetPrevious, block, 1).data.substr(0, 4), "0004");
    EXPECT_EQ(call(op::GetPrevious, block, 1).data.substr(0, 4), "0003");
    EXPECT_EQ(call(op::GetPrevious, block, 1).data.substr(0, 4), "0001");
}

TEST_F(Navigation, CaseInsensitiveSegmentedKeyIgnoresCaseAndReturnsTheStoredBytes)
{
    // Key 2 is the bytes 13-17 in two segments, upper-cased for comparison.
    EXPECT_EQ(walk(block, 2, op::GetFirst, op::GetNext), "0004|0005|0003|0002|0001|");
    const Answer found = call(op::GetEqual, block, 2, "EE   ");
    ASSERT_EQ(found.status, 0);
    EXPECT_EQ(found.data.substr(0, 4), "0001");
    EXPECT_EQ(found.key.substr(0, 5), "Ee   ");
    // A key differing only in case is a duplicate of a unique key.
    EXPECT_EQ(insert(block, record("0009", "Z", "AA")), status::DuplicateKey);
}

TEST_F(Navigation, CaseInsensitivityCoversAccentedLettersOfTheCodePage)
{
    ASSERT_EQ(insert(block, record("0010", "Z", "\xE9t\xE9")), 0);  // "été"
    const Answer found = call(op::GetEqual, block, 2, "\xC9T\xC9  ");  // "ÉTÉ"
    ASSERT_EQ(found.status, 0);
    EXPECT_EQ(found.data.substr(0, 4), "0010");
}

struct RangeCase {
    uint16_t operation;
    const char* key;
    int16_t status;
    const char* id;
};

TEST_F(Navigation, RangeReadsFindTheNearestRecordOnTheirSide)
{
    const RangeCase cases[] = {
        {op::GetEqual, "0003", 0, "0003"},      {op::GetEqual, "0006", status::KeyNotFound, ""},
        {op::GetGreater, "0003", 0, "0004"},    {op::GetGreater, "0005", status::EndOfFile, ""},
        {op::GetGreaterOrEqual, "0003", 0, "0003"}, {op::GetGreaterOrEqual, "0000", 0, "0001"},
        {op::GetLessThan, "0003", 0, "0002"},   {op::GetLessThan, "0001", status::EndOfFile, ""},
        {op::GetLessOrEqual, "0003", 0, "0003"}, {op::GetLessOrEqual, "0009", 0, "0005"},
    };
    for (const RangeCase& c : cases) {
        const Answer a = call(c.operation, block, 0, c.key);
        EXPECT_EQ(a.status, c.status) << c.operation << " " << c.key;
        if (c.status == 0) {
            EXPECT_EQ(a.data.substr(0, 4), c.id) << c.operation << " " << c.key;
            EXPECT_EQ(a.key.substr(0, 4), c.id) << "the key buffer holds the found record's key";
        }
    }
}

TEST_F(Navigation, FailedStepAtEitherEndKeepsThePosition)
{
    ASSERT_EQ(call(op::GetLast, block, 0).status, 0);
    EXPECT_EQ(call(op::GetNext, block, 0).status, status::EndOfFile);
    EXPECT_EQ(call(op::GetNext, block, 0).status, status::EndOfFile);
    EXPECT_EQ(call(op::GetPrevious, block, 0).data.substr(0, 4), "0004");
    ASSERT_EQ(call(op::GetFirst, block, 1).status, 0);
    EXPECT_EQ(call(op::GetPrevious, block, 1).status, status::EndOfFile);
    EXPECT_EQ(call(op::GetNext, block, 1).data.substr(0, 4), "0003");
}

TEST_F(Navigation, AfterDeleteNextAndPreviousGoOnFromWhereTheRecordStood)
{
    ASSERT_EQ(call(op::GetEqual, block, 1, "B       ").status, 0);
    ASSERT_EQ(call(op::GetNext, block, 1).data.substr(0, 4), "0004");
    ASSERT_EQ(call(op::Delete, block, 1).status, 0);
    Block copy = block;
    EXPECT_EQ(call(op::GetNext, block, 1).data.substr(0, 4), "0005");
    EXPECT_EQ(call(op::GetPrevious, copy, 1).data.substr(0, 4), "0003");
}

TEST_F(Navigation, AfterDeleteOnAUniqueKeyTheCursorHasNoRecordButKeepsItsPlaceAndKey)
{
    ASSERT_EQ(call(op::GetEqual, block, 0, "0003").status, 0);
    ASSERT_EQ(call(op::Delete, block, 0).status, 0);
    for (const uint16_t operation : {op::Update, op::Delete, op::GetPosition})
        EXPECT_EQ(call(operation, block, 0, {}, record("0003", "B", "cc")).status, status::InvalidPositioning)
            << operation;
    EXPECT_EQ(call(op::GetNext, block, 1).status, status::KeyNumberChanged);
    Block copy = block;
    EXPECT_EQ(call(op::GetPrevious, block, 0).data.substr(0, 4), "0002");
    EXPECT_EQ(call(op::GetNext, copy, 0).data.substr(0, 4), "0004");
}

TEST_F(Navigation, UpdateThatMovesAUniqueKeyContinuesFromTheNewPlace)
{
    // Key 2 (case-insensitive names): "dd" of 0002 moves past "Ee" of 0001.
    ASSERT_EQ(call(op::GetEqual, block, 2, "DD   ").status, 0);
    ASSERT_EQ(call(op::Update, block, 2, {}, record("0002", "C", "zz")).status, 0);
    EXPECT_EQ(call(op::GetNext, block, 2).status, status::EndOfFile);
    EXPECT_EQ(call(op::GetPrevious, block, 2).data.substr(0, 4), "0001");
}

TEST_F(Navigation, GetDirectOnADeletedRecordKeepsThePosition)
{
    ASSERT_EQ(call(op::GetEqual, block, 0, "0004").status, 0);
    const Answer position = call(op::GetPosition, block, 0, {}, {}, 4);
    ASSERT_EQ(position.status, 0);
    ASSERT_EQ(call(op::Delete, block, 0).status, 0);
    ASSERT_EQ(call(op::GetEqual, block, 0, "0002").status, 0);
    EXPECT_EQ(call(op::GetDirect, block, 0, {}, position.data).status, status::InvalidRecordAddress);
    EXPECT_EQ(call(op::GetNext, block, 0).data.substr(0, 4), "0003");
}

TEST_F(Navigation, KeysCompareAsUnsignedBytes)
{
    ASSERT_EQ(insert(block, record("\x80" "000", "\x80", "\x80")), 0);
    ASSERT_EQ(insert(block, record("zzzz", "z", "z")), 0);
    EXPECT_EQ(walk(block, 0, op::GetLast, op::GetPrevious).substr(0, 10), "\x80" "000|zzzz|");
    EXPECT_EQ(walk(block, 1, op::GetLast, op::GetPrevious).substr(0, 10), "\x80" "000|zzzz|");
    EXPECT_EQ(call(op::GetGreater, block, 0, "zzzz").data.substr(0, 4), "\x80" "000");
}

TEST_F(Navigation, SegmentsOfOneKeyKeepTheirOwnCaseRule)
{
    // Bytes 1-2 compared as they are, bytes 3-4 whatever their case.
    ASSERT_EQ(create("mixed", makeLayout(8, 1, {{1, 2, 16}, {3, 2, 1024}})), 0);
    Block b;
    ASSERT_EQ(open(b, "mixed"), 0);
    const auto put = [&](const std::string& r) { return call(op::Insert, b, 0, {}, r, 8).status; };
    ASSERT_EQ(put("ab\xE9x1111"), 0);
    EXPECT_EQ(put("ab\xC9X2222"), status::DuplicateKey) << "second segment ignores case, accents included";
    ASSERT_EQ(put("Ab\xE9x3333"), 0) << "first segment keeps case";
    ASSERT_EQ(put("abZZ4444"), 0);
    std::string order;
    for (Answer a = call(op::GetFirst, b, 0, {}, {}, 8); a.status == 0; a = call(op::GetNext, b, 0, {}, {}, 8))
        order += a.data.substr(4, 4) + "|";
    EXPECT_EQ(order, "3333|4444|1111|") << "'A' before 'a'; 'Z' before the upper case of 0xE9";
    const Answer found = call(op::GetEqual, b, 0, "ab\xC9X", {}, 8);
    ASSERT_EQ(found.status, 0);
    EXPECT_EQ(found.data.substr(4, 4), "1111");
    EXPECT_EQ(found.key.substr(0, 4), "ab\xE9x") << "the key buffer gets the stored bytes";
    EXPECT_EQ(call(op::GetEqual, b, 0, "AB\xE9x", {}, 8).status, status::KeyNotFound);
}

TEST_F(Navigation, UpdateThatMovesTheKeyContinuesFromTheNewPlace)
{
    ASSERT_EQ(call(op::GetEqual, block, 1, "A       ").status, 0);
    ASSERT_EQ(call(op::Update, block, 1, {}, record("0001", "BB", "Ee")).status, 0);
    EXPECT_EQ(call(op::GetPrevious, block, 1).data.substr(0, 4), "0005");
    EXPECT_EQ(call(op::GetNext, block, 1).data.substr(0, 4), "0001");
    EXPECT_EQ(call(op::GetNext, block, 1).data.substr(0, 4), "0002");
}

TEST_F(Navigation, InsertPositionsTheCursorOnTheNewRecord)
{
    const Answer inserted = call(op::Insert, block, 0, {}, record("0007", "B", "xx"));
    ASSERT_EQ(inserted.status, 0);
    EXPECT_EQ(inserted.key.substr(0, 4), "0007");
    EXPECT_EQ(call(op::GetPrevious, block, 0).data.substr(0, 4), "0005");
}

TEST_F(Navigation, ByteCopiesOfABlockAreIndependentCursors)
{
    ASSERT_EQ(call(op::GetFirst, block, 0).status, 0);
    Block copy = block;
    EXPECT_EQ(call(op::GetNext, block, 0).data.substr(0, 4), "0002");
    EXPECT_EQ(call(op::GetNext, block, 0).data.substr(0, 4), "0003");
    EXPECT_EQ(call(op::GetNext, copy, 0).data.substr(0, 4), "0002");
}

TEST_F(Navigation, GetPositionAndGetDirectFindTheSameRecordOnAnyKey)
{
    ASSERT_EQ(call(op::GetEqual, block, 0, "0004").status, 0);
    const Answer position = call(op::GetPosition, block, 0, {}, {}, 4);
    ASSERT_EQ(position.status, 0);
    ASSERT_EQ(position.data.size(), 4u);
    ASSERT_EQ(call(op::GetFirst, block, 0).status, 0);
    const Answer direct = call(op::GetDirect, block, 1, {}, position.data);
    ASSERT_EQ(direct.status, 0);
    EXPECT_EQ(direct.data.substr(0, 4), "0004");
    EXPECT_EQ(direct.key.substr(0, 8), "B       ");
    // Positioned on key 1 now: the next duplicate follows.
    EXPECT_EQ(call(op::GetNext, block, 1).data.substr(0, 4), "0005");
}

TEST_F(Navigation, LongKeysBeyondTheBlockStillNavigateAcrossDeletes)
{
    ASSERT_EQ(create("long", makeLayout(300, 1, {{1, 200, 1}})), 0);
    Block b;
    ASSERT_EQ(open(b, "long"), 0);
    for (char c : std::string("abcd"))
        ASSERT_EQ(insert(b, std::string(300, c)), 0);
    ASSERT_EQ(call(op::GetFirst, b, 0, {}, {}, 300).status, 0);
    ASSERT_EQ(call(op::GetNext, b, 0, {}, {}, 300).data[0], 'b');
    ASSERT_EQ(call(op::Delete, b, 0).status, 0);
    EXPECT_EQ(call(op::GetNext, b, 0, {}, {}, 300).data[0], 'c');
    EXPECT_EQ(call(op::GetPrevious, b, 0, {}, {}, 300).data[0], 'a');
}

// On a key too long for the block, what another program does to the current
// record does not lose the walk's place.
TEST_F(Navigation, LongKeysGoOnFromTheirPlaceWhateverHappensToTheRecord)
{
    const std::string moved(120, 'z');
    const std::pair<const char*, std::string> changes[] = {
        {"deleted", "DELETE FROM records WHERE id = 1"},
        {"key changed", "UPDATE records SET data = ?1, k0 = substr(?1, 1, 100) WHERE id = 1"},
    };
    for (const auto& [what, sql] : changes) {
        ASSERT_EQ(create("long", makeLayout(120, 1, {{1, 100, 2}})), 0);
        Block b;
        ASSERT_EQ(open(b, "long"), 0);
        for (char c : std::string("abcd"))
            ASSERT_EQ(insert(b, std::string(120, c)), 0);
        ASSERT_EQ(call(op::GetFirst, b, 0, {}, {}, 120).data[0], 'a');
        ASSERT_EQ(sqlite("long", sql, {moved}), SQLITE_DONE) << what;
        const Answer next = call(op::GetNext, b, 0, {}, {}, 120);
        EXPECT_EQ(next.status, 0) << what;
        EXPECT_EQ(next.data[0], 'b') << what;
        ASSERT_EQ(close(b), 0);
    }
}

} // namespace
} // namespace qn3::testing
