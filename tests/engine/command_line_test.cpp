#include "engine/command_line.h"

#include <gtest/gtest.h>

using qn3::engine::LectureLigneDeCommande;

TEST(CommandLine, ReadsTheWaitAndTheStandbyAndGuardsAgainstOddValues)
{
    struct Case {
        QStringList arguments;
        int32_t wait;
        bool standby;
    };
    const Case cases[] = {
        {{}, 0, false},
        {{QStringLiteral("/Wait=10000")}, 10000, false},
        {{QStringLiteral(" /wait= 2500 "), QStringLiteral("/VEILLE=true")}, 2500, true},
        {{QStringLiteral("/Wait=-5")}, 0, false},
        {{QStringLiteral("/Wait=99999999999")}, qn3::engine::kAttenteMaximale, false},
        {{QStringLiteral("/Wait=ten"), QStringLiteral("/Veille=False")}, 0, false},
        {{QStringLiteral("/Veille"), QStringLiteral("Wait=100"), QStringLiteral("/Waiting=100")}, 0, false},
    };
    for (const Case& c : cases) {
        const auto ligne = LectureLigneDeCommande(c.arguments);
        EXPECT_EQ(ligne.Attente, c.wait) << c.arguments.join(u' ').toStdString();
        EXPECT_EQ(ligne.Veille, c.standby) << c.arguments.join(u' ').toStdString();
    }
}
