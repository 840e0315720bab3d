#include "database/catalogue.h"
#include "database/code_increment.h"
#include "database_fixture.h"

namespace qn3::testing {
namespace {

using namespace database;

TEST(CatalogueTest, FileNames)
{
    InitGeneralData();
    const struct { int16_t file, station; const char* name; } cases[] = {
        {17, 0, "FRADA17.bt6"}, {17, 9, "FRADJ17.bt6"}, {14, 5, "FRAD014.bt6"}, {0, 0, "FRAD000.bt6"},
        {38, 0, ".bt6"}, {8, 3, ".bt6"}, {51, 0, ""}, {-1, 0, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(NomFichierBTR(c.file, c.station), QLatin1String(c.name)) << c.file;
    EXPECT_EQ(CatalogueFichiers[43].Libelle, QStringLiteral("Podcast: Emission"));
    EXPECT_EQ(CatalogueFichiers[7].Nb_Cle, 4) << "a continued segment is no key of its own";
    EXPECT_EQ(CatalogueFichiers[5].Fichier, QStringLiteral("FRAD005 "));
}

TEST(CodeIncrementTest, CountsLikeAnOdometer)
{
    const std::pair<const char*, const char*> cases[] = {
        {"00009", "0000A"}, {"0000Z", "00010"}, {"000ZZ", "00100"}, {"A0Z99", "A0Z9A"}, {"ZZZZZ", "00000"},
        {"  1Z", "0020"},   {"00az", "00b0"},   {"00a9", "00aA"},   {"AB-Z", "AB-0"},   {"", ""}};
    for (const auto& [code, next] : cases)
        EXPECT_EQ(DetermineNouveauCodePlusA(QString::fromLatin1(code), QString()), QLatin1String(next)) << code;
    EXPECT_EQ(DetermineNouveauCodePlusA(QStringLiteral("12"), QStringLiteral("X")), QStringLiteral("X13"));
    EXPECT_EQ(DetermineNouveauCodePlusA(QString(), QStringLiteral("X")), QStringLiteral("X"));
}

} // namespace
} // namespace qn3::testing
