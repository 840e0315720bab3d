#include "database/catalogue.h"
#include "database/opening.h"
#include "database_fixture.h"
#include "services/shared_values.h"

namespace qn3::testing {
namespace {

using namespace database;

// The record length a file's section gives is rounded as a number, halves to
// the even neighbour; what rounds to nothing usable is the catalogue's length.
TEST_F(DatabaseTest, SectionRecordLengthsRoundOrFallBackOnTheCatalogue)
{
    services::RepBtr[0] = QStringLiteral("C:\\Data\\");
    services::RepConfig[0] = QStringLiteral("C:\\Config\\");
    InitGeneralData();
    writeFile(QStringLiteral("C:\\Data\\FRAD014.bt6"), "x");
    ScriptedRecordManager rm;
    platform::ScopedInstall<RecordManagerAccess> installRm{rm};
    const struct {
        const char* text;
        int32_t length;
    } cases[] = {
        {"0.5", 300},   {"0.4", 300},    {"0.6", 1},     {"1.5", 2},         {"2.5", 2},       {"0900", 900},
        {"-3", 300},    {"abc", 300},    {"", 300},      {"32767.4", 32767}, {"32767.5", 300}, {"1e12", 300},
    };
    for (const auto& c : cases) {
        writeFile(QStringLiteral("C:\\Config\\ZT_BTR.ini"),
                  QByteArray("[FIC_Frad014]\r\nFichier=FRAD014\r\nLng_Enregistrement=") + c.text + "\r\n");
        FichiersOuverts = {};
        FichiersAOuvrir[0][14][0] = -1;
        rm.calls.clear();
        EXPECT_TRUE(BTr_Ouverture(0, -14, QString(), -1)) << c.text;
        ASSERT_EQ(rm.calls.size(), 1u) << c.text;
        EXPECT_EQ(rm.calls[0].length, c.length) << c.text;
    }
}

} // namespace
} // namespace qn3::testing
