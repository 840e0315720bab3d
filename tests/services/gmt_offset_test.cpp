#include "services/gmt_offset.h"
#include "services/window_members.h"
#include "support/services_fixture.h"

#include <gtest/gtest.h>

namespace qn3::services {
namespace {

class GmtOffsetTest : public testing::ServicesTest {
protected:
    testing::FixedSystemFacts facts;
    platform::ScopedInstall<platform::SystemFacts> install{facts};
};

TEST_F(GmtOffsetTest, TheOffsetOfNowIsRememberedUntilARecalculationIsAsked)
{
    facts.offsetMinutes = 120;
    EXPECT_EQ(GetGMTOffSet(false), 120);
    EXPECT_EQ(facts.lastAskedAt, clock.now);
    facts.offsetMinutes = 60;
    EXPECT_EQ(GetGMTOffSet(false), 120);
    EXPECT_EQ(facts.offsetQuestions, 1);
    EXPECT_EQ(GetGMTOffSet(true), 60);
    EXPECT_EQ(GetGMTOffSet(false), 60);
    EXPECT_EQ(facts.offsetQuestions, 2);
}

TEST_F(GmtOffsetTest, WestOfGreenwichIsNegative)
{
    facts.offsetMinutes = -420; // Pacific, daylight saving
    EXPECT_EQ(GetGMTOffSet(true), -420);
}

TEST_F(GmtOffsetTest, ATypeMismatchIsOnlyTracedAndZeroIsRemembered)
{
    facts.offsetError = 13;
    EXPECT_EQ(GetGMTOffSet(false), 0);
    EXPECT_EQ(traced(), QStringList("Err: 13 (Type incompatible) |Source: Lib_Systeme:GetGMTOffSet:1"));
    EXPECT_EQ(Frm_Main().ListeIncidents0.ListCount(), 0);
    facts.offsetError = 0;
    facts.offsetMinutes = 60;
    EXPECT_EQ(GetGMTOffSet(false), 0);
}

TEST_F(GmtOffsetTest, OtherFailuresGoToTheErrorRoutine)
{
    facts.offsetError = 5;
    EXPECT_EQ(GetGMTOffSet(false), 0);
    EXPECT_EQ(Frm_Main().ListeIncidents0.ListCount(), 1);
    EXPECT_TRUE(traced().join(u'\n').contains("Lib_Systeme:GetGMTOffSet"));
}

} // namespace
} // namespace qn3::services
