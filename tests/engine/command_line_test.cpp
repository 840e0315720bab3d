#include "engine/command_line.h"

#include <gtest/gtest.h>

using qn3::engine::LectureLigneDeCommande;

TEST(CommandLine, ReadsTheWaitAndTheStandbyAndGuardsAgainstOddValues)
{
    const struct { QStringList arguments; int32_t wait; bool standby; } cases[] = {
        {{}, 0, false}, {{"/Wait=10000"}, 10000, false}, {{" /wait= 2500 ", "/VEILLE=true"}, 2500, true},
        {{"/Wait=-5"}, 0, false}, {{"/Wait=99999999999"}, qn3::engine::kAttenteMaximale, false},
        {{"/Wait=ten", "/Veille=False"}, 0, false}, {{"/Veille", "Wait=100", "/Waiting=100"}, 0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const auto ligne = LectureLigneDeCommande(c.arguments);
        EXPECT_EQ(ligne.Attente, c.wait);
        EXPECT_EQ(ligne.Veille, c.standby);
    }
}
