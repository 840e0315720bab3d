#include "record_file_fixture.h"

namespace qn3::testing {
namespace {

using namespace rm;

class Navigation : public RecordFileTest {
protected:
    void SetUp() override { fill(); }
    void fill()
    {
        // Inserted out of order; group "B" holds three duplicates.
        make(block, "nav", {record("0003", "B", "cc"), record("0001", "A", "Ee"), record("0004", "B", "aA"),
                            record("0002", "C", "dd"), record("0005", "B", "BB")});
    }
    Block block;
};

TEST_F(Navigation, WalksFollowTheKeyOrderAndDuplicatesTheirInsertionOrder)
{
    EXPECT_EQ(walk(block, 0, op::GetFirst, op::GetNext), "0001|0002|0003|0004|0005|");
    EXPECT_EQ(walk(block, 0, op::GetLast, op::GetPrevious), "0005|0004|0003|0002|0001|");
    EXPECT_EQ(walk(block, 1, op::GetFirst, op::GetNext), "0001|0003|0004|0005|0002|");
    EXPECT_EQ(walk(block, 1, op::GetLast, op::GetPrevious), "0002|0005|0004|0003|0001|");
    // Key 2 is the bytes 13-17 in two segments, upper-cased for comparison.
    EXPECT_EQ(walk(block, 2, op::GetFirst, op::GetNext), "0004|0005|0003|0002|0001|");
}

struct Scenario {
    const char* what;
    int16_t keyNumber;
    std::vector<Step> steps;
    // Then, from the same place: further steps of the block and of a byte copy of it.
    std::vector<Step> then, copyThen;
    const char* met;  // steps / then / copyThen
};

// Where a cursor goes on after reads, failed steps, deletes, updates and
// inserts, on each kind of key.
TEST_F(Navigation, CursorScenarios)
{
    const uint16_t N = op::GetNext, P = op::GetPrevious;
    const Scenario cases[] = {
        {"get equal finds the first duplicate; turning round", 1, {{op::GetEqual, "B       "}, {N}, {N}, {P}, {P}, {P}},
         {}, {}, "0003 0004 0005 0004 0003 0001 //"},
        {"failed step at the end keeps the place", 0, {{op::GetLast}, {N}, {N}}, {{P}}, {}, "0005 #9 #9 /0004 /"},
        {"failed step at the start keeps the place", 1, {{op::GetFirst}, {P}}, {{N}}, {}, "0001 #9 /0003 /"},
        {"delete among duplicates", 1, {{op::GetEqual, "B       "}, {N}, {op::Delete}}, {{N}}, {{P}},
         "0003 0004 - /0005 /0003 "},
        {"delete on a unique key leaves no record but the place and key", 0,
         {{op::GetEqual, "0003"}, {op::Delete}, {op::Update, {}, record("0003", "B", "cc")}, {op::Delete},
          {op::GetPosition}, {.op = N, .keyNumber = 1}},
         {{P}}, {{N}}, "0003 - #8 #8 #8 #7 /0002 /0004 "},
        {"update that moves a unique key", 2, {{op::GetEqual, "DD   "}, {op::Update, {}, record("0002", "C", "zz")}},
         {{N}, {P}}, {}, "0002 0002 /#9 0001 /"},
        {"update that moves a duplicate key", 1,
         {{op::GetEqual, "A       "}, {op::Update, {}, record("0001", "BB", "Ee")}}, {{P}, {N}, {N}}, {},
         "0001 0001 /0005 0001 0002 /"},
        {"insert positions on the new record", 0, {{op::Insert, {}, record("0007", "B", "xx")}}, {{P}}, {},
         "0007 /0005 /"},
        {"byte copies are cursors of their own", 0, {{op::GetFirst}}, {{N}, {N}}, {{N}}, "0001 /0002 0003 /0002 "},
        {"case-insensitive key over accented letters", 2,
         {{.op = op::Insert, .data = record("0010", "Z", "\xE9t\xE9"), .keyNumber = 0}, {op::GetFirst},
          {op::GetEqual, "\xC9T\xC9  "}},
         {}, {}, "0010 0004 0010 //"},
        {"writes that break key rules", 0,
         {{op::Insert, {}, record("0001", "Z", "zz")}, {op::GetEqual, "0001"},
          {op::Update, {}, record("0009", "A", "Ee")}, {op::Update, {}, record("0001", "A", "cc")},
          {op::Update, {}, record("0001", "Q", "qq")}, {.op = op::GetEqual, .key = "Q       ", .keyNumber = 1}},
         {}, {}, "#5 0001 #10 #5 0001 0001 //"},
        {"keys compare as unsigned bytes", 0,
         {{op::Insert, {}, record("\x80" "000", "\x80", "\x80")}, {op::Insert, {}, record("zzzz", "z", "z")},
          {op::GetLast}, {P}, {op::GetGreater, "zzzz"}, {.op = op::GetLast, .keyNumber = 1}, {.op = P, .keyNumber = 1}},
         {}, {}, "\x80" "000 zzzz \x80" "000 zzzz \x80" "000 \x80" "000 zzzz //"},
        {"range reads find the nearest record on their side", 0,
         {{op::GetEqual, "0003"}, {op::GetEqual, "0006"}, {op::GetGreater, "0003"}, {op::GetGreater, "0005"},
          {op::GetGreaterOrEqual, "0003"}, {op::GetGreaterOrEqual, "0000"}, {op::GetLessThan, "0003"},
          {op::GetLessThan, "0001"}, {op::GetLessOrEqual, "0003"}, {op::GetLessOrEqual, "0009"}},
         {}, {}, "0003 #4 0004 #9 0003 0001 0002 #9 0003 0005 //"},
    };
    for (const Scenario& c : cases) {
        SCOPED_TRACE(c.what);
        std::string met = run(block, c.keyNumber, c.steps) + "/";
        Block copy = block;
        met += run(block, c.keyNumber, c.then) + "/" + run(copy, c.keyNumber, c.copyThen);
        EXPECT_EQ(met, c.met);
        ASSERT_EQ(close(block), 0);
        fill();
    }
}

// A walk steps on from where its own cursor stands, whatever other cursors
// and writes did between its steps.
TEST_F(Navigation, AWalkGoesOnFromItsOwnPlaceWhateverHappensBetweenSteps)
{
    const uint16_t N = op::GetNext, P = op::GetPrevious;
    Block other;
    ASSERT_EQ(open(other, "nav"), 0);
    std::string met = run(block, 1, {{op::GetFirst}, {N}, {N}}) + "/";
    Block copy = block;
    met += run(block, 1, {{N}}) + "/";
    met += run(copy, 1, {{N}, {P}}) + "/";
    met += run(block, 1, {{N}}) + "/";
    ASSERT_EQ(insert(other, record("0006", "B", "ff")), 0);
    met += run(block, 1, {{P}, {P}, {P}}) + "/";
    run(other, 0, {{op::GetEqual, "0003"}, {op::Delete}});
    met += run(block, 1, {{P}, {N}}) + "/";
    run(other, 0, {{op::GetEqual, "0005"}, {op::Update, {}, record("0005", "D", "BB")}});
    met += run(block, 1, {{N}, {N}, {N}});
    EXPECT_EQ(met, "0001 0003 0004 /0005 /0005 0004 /0002 /0006 0005 0004 /0001 0004 /0006 0002 0005 ");
}

TEST_F(Navigation, SegmentsOfOneKeyKeepTheirOwnCaseRule)
{
    // Bytes 1-2 compared as they are, bytes 3-4 whatever their case.
    Block b;
    make(b, "mixed", {"ab\xE9x1111"}, makeLayout(8, 1, {{1, 2, 16}, {3, 2, 1024}}));
    EXPECT_EQ(insert(b, "ab\xC9X2222"), status::DuplicateKey) << "second segment ignores case, accents included";
    ASSERT_EQ(insert(b, "Ab\xE9x3333"), 0) << "first segment keeps case";
    ASSERT_EQ(insert(b, "abZZ4444"), 0);
    EXPECT_EQ(walk(b, 0, op::GetFirst, op::GetNext), "Ab\xE9x|abZZ|ab\xE9x|")
        << "'A' before 'a'; 'Z' before the upper case of 0xE9";
    const Answer found = call(op::GetEqual, b, 0, "ab\xC9X", {}, 8);
    ASSERT_EQ(found.status, 0);
    EXPECT_EQ(found.data.substr(4, 4), "1111");
    EXPECT_EQ(found.key.substr(0, 4), "ab\xE9x") << "the key buffer gets the stored bytes";
    EXPECT_EQ(call(op::GetEqual, b, 0, "AB\xE9x", {}, 8).status, status::KeyNotFound);
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
    // Once the record is gone, its address is refused and the cursor stays.
    ASSERT_EQ(run(block, 0, {{op::GetEqual, "0004"}, {op::Delete}, {op::GetEqual, "0002"}}), "0004 - 0002 ");
    EXPECT_EQ(call(op::GetDirect, block, 0, {}, position.data).status, status::InvalidRecordAddress);
    EXPECT_EQ(call(op::GetNext, block, 0).data.substr(0, 4), "0003");
}

// On a key too long for the block, a delete here or what another program
// does to the current record does not lose the walk's place.
TEST_F(Navigation, LongKeysGoOnFromTheirPlaceWhateverHappensToTheRecord)
{
    const std::string moved(120, 'z');
    const std::pair<const char*, std::string> changes[] = {
        {"deleted here", ""}, {"deleted", "DELETE FROM records WHERE id = 2"},
        {"key changed", "UPDATE records SET data = ?1, k0 = substr(?1, 1, 100) WHERE id = 2"},
    };
    for (const auto& [what, sql] : changes) {
        SCOPED_TRACE(what);
        Block b;
        make(b, "long", {std::string(120, 'a'), std::string(120, 'b'), std::string(120, 'c'), std::string(120, 'd')},
             makeLayout(120, 1, {{1, 100, 2}}));
        ASSERT_EQ(call(op::GetFirst, b, 0, {}, {}, 120).data[0], 'a');
        ASSERT_EQ(call(op::GetNext, b, 0, {}, {}, 120).data[0], 'b');
        if (sql.empty())
            ASSERT_EQ(call(op::Delete, b, 0).status, 0);
        else
            ASSERT_EQ(sqlite("long", sql, {moved}), SQLITE_DONE);
        Block copy = b;
        EXPECT_EQ(call(op::GetNext, b, 0, {}, {}, 120).data.substr(0, 1), "c");
        EXPECT_EQ(call(op::GetPrevious, copy, 0, {}, {}, 120).data.substr(0, 1), "a");
        ASSERT_EQ(close(b), 0);
    }
}

} // namespace
} // namespace qn3::testing
