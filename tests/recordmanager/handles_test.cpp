#include "record_file_fixture.h"

namespace qn3::testing {
namespace {

using namespace rm;

class TwoHandles : public RecordFileTest {
protected:
    void SetUp() override
    {
        make(first, "two", {record("0001", "G", "01"), record("0002", "G", "02"), record("0003", "G", "03")});
        ASSERT_EQ(open(second, "two"), 0);
    }
    Block first, second;
};

// Each handle keeps its own place; a write on a record changed or deleted
// through the other handle since this one read it conflicts.
TEST_F(TwoHandles, CursorsAreIndependentAndWritesOnWhatTheOtherChangedConflict)
{
    ASSERT_EQ(call(op::GetFirst, first, 0).status, 0);
    ASSERT_EQ(call(op::GetLast, second, 0).status, 0);
    EXPECT_EQ(call(op::GetNext, first, 0).data.substr(0, 4), "0002");
    EXPECT_EQ(call(op::GetPrevious, second, 0).data.substr(0, 4), "0002");
    for (const bool deleted : {false, true}) {
        ASSERT_EQ(call(op::GetEqual, first, 0, "0002").status, 0);
        const Step write = deleted ? Step{op::Delete} : Step{op::Update, {}, record("0002", "H", "02")};
        ASSERT_EQ(run(second, 0, {{op::GetEqual, "0002"}, write}), deleted ? "0002 - " : "0002 0002 ");
        EXPECT_EQ(call(op::Update, first, 0, {}, record("0002", "I", "02")).status, status::Conflict) << deleted;
        EXPECT_EQ(call(op::Delete, first, 0).status, status::Conflict) << deleted;
    }
    EXPECT_EQ(call(op::GetPrevious, first, 0).data.substr(0, 4), "0001") << "navigation still goes on";
    // Read again, the write goes through.
    ASSERT_EQ(call(op::GetEqual, first, 0, "0003").status, 0);
    ASSERT_EQ(run(second, 0, {{op::GetEqual, "0003"}, {op::Update, {}, record("0003", "H", "03")}}), "0003 0003 ");
    ASSERT_EQ(call(op::GetEqual, first, 0, "0003").data.substr(4, 1), "H");
    EXPECT_EQ(call(op::Update, first, 0, {}, record("0003", "I", "03")).status, 0);
    ASSERT_EQ(close(first), 0);
    EXPECT_EQ(call(op::GetPrevious, second, 0).data.substr(0, 4), "0001") << "closing one leaves the other working";
}

// An abort undoes the inserts, updates and deletes of every file touched; an
// end keeps them, even for a file closed inside the transaction, whose
// exclusive mode ends with the close.
TEST_F(RecordFileTest, TransactionsEndOrAbortOnEveryFileTouched)
{
    Block a, b;
    make(a, "t1", {record("0001", "A", "aa")});
    make(b, "t2", {record("0001", "B", "bb"), record("0002", "B", "cc")});
    ASSERT_EQ(transaction(op::BeginTransaction), 0);
    ASSERT_EQ(run(a, 0, {{op::Insert, {}, record("0002", "A", "bb")}, {op::GetEqual, "0001"},
                         {op::Update, {}, record("0001", "Z", "zz")}}),
              "0002 0001 0001 ");
    ASSERT_EQ(run(b, 0, {{op::Insert, {}, record("0003", "A", "aa")}, {op::GetEqual, "0002"}, {op::Delete}}),
              "0003 0002 - ");
    ASSERT_EQ(transaction(op::AbortTransaction), 0);
    EXPECT_EQ(walk(a, 0, op::GetFirst, op::GetNext), "0001|");
    EXPECT_EQ(call(op::GetEqual, a, 0, "0001").data, record("0001", "A", "aa"));
    EXPECT_EQ(call(op::Update, a, 0, {}, record("0001", "Y", "yy")).status, 0) << "the block's read still holds";
    EXPECT_EQ(call(op::GetEqual, b, 0, "0002").data, record("0002", "B", "cc"));
    EXPECT_EQ(walk(b, 0, op::GetFirst, op::GetNext), "0001|0002|");
    EXPECT_EQ(transaction(op::AbortTransaction), status::NoTransaction);

    ASSERT_EQ(close(a), 0);
    ASSERT_EQ(open(a, "t1", mode::Exclusive), 0);
    ASSERT_EQ(transaction(op::BeginTransaction), 0);
    ASSERT_EQ(insert(a, record("0003", "A", "cc")), 0);
    ASSERT_EQ(insert(b, record("0003", "A", "dd")), 0);
    ASSERT_EQ(close(a), 0);
    ASSERT_EQ(close(b), 0);
    EXPECT_EQ(open(a, "t1"), 0);
    ASSERT_EQ(transaction(op::EndTransaction), 0);
    ASSERT_EQ(open(b, "t2"), 0);
    EXPECT_EQ(walk(a, 0, op::GetFirst, op::GetNext), "0001|0003|");
    EXPECT_EQ(walk(b, 0, op::GetFirst, op::GetNext), "0001|0002|0003|");
}

} // namespace
} // namespace qn3::testing
