#include "database/creation.h"
#include "database_fixture.h"
#include "services/shared_values.h"

#include <QtEndian>

namespace qn3::testing {
namespace {

using namespace database;

class CreationTest : public DatabaseTest {
protected:
    CreationTest() { services::RepConfig[0] = QStringLiteral("C:\\Config\\"); }
    ScriptedRecordManager rm;
    platform::ScopedInstall<RecordManagerAccess> installRm{rm};
};

int16_t at(const QByteArray& buffer, int offset) { return qFromLittleEndian<int16_t>(buffer.constData() + offset); }

TEST_F(CreationTest, CreationBufferFromTheSection)
{
    const QByteArray section = "[FIC_FRAD044]\r\nFichier=FRAD044\r\nDossier=O\r\nLng_Enregistrement=4000\r\n"
                               "Lng_Page=4096\r\nNb_Cle=3\r\nCLE_00=POS:0001 LNG:0008 FLG:0002\r\n"
                               "CLE_01=POS:0009 LNG:0021 FLG:0003\r\nCLE_02=POS:0030 LNG:0060 FLG:1027\r\n";
    const struct {
        QByteArray extra, casse;
        bool exporting;
        const char *extension, *path;
        int16_t keys, flags2;
    } cases[] = {
        {"", "", false, "", "C:\\Data\\FradA44.bt6 ", 3, 3},
        {"", "Casse=ON", false, " ", "C:\\Data\\FradA44.bt6 ", 3, 1027},
        {"", "Casse=on", true, ".tmp", "C:\\Data\\FExpA44.tmp ", 3, 3},
        {"CLE_02=POS:0030 LNG:0060 FLG:1024\r\nNb_Cle=12\r\n", "", false, "", "C:\\Data\\FradA44.bt6 ", 8, 1024},
        {"CLE_05=POS:0001 LNG:0000 FLG:0002\r\nDossier=N\r\n", "", false, "", "C:\\Data\\Frad044.bt6 ", 3, 3},
    };
    for (const auto& c : cases) {
        writeFile(QStringLiteral("C:\\Config\\ZT_BTR.ini"), "[FIC_FRAD044]\r\n" + c.extra + section.mid(14));
        writeFile(QStringLiteral("C:\\Config\\ZT_SYS.ini"), "[BTrieve]\r\n" + c.casse + "\r\n");
        QString path;
        CreationStructureVide(0, 44, QStringLiteral("FIC_FRAD044"), path, QStringLiteral("C:\\Data\\"), 1, c.exporting,
                              QLatin1String(c.extension));
        EXPECT_EQ(path, QLatin1String(c.path));
        ASSERT_FALSE(rm.calls.empty());
        const auto& call = rm.calls.back();
        EXPECT_TRUE(call.op == 14 && call.key == c.path && call.keyLength == path.size());
        EXPECT_EQ(call.keyNumber, -1) << "never over a file that is there";
        const QByteArray& buffer = call.data;
        ASSERT_EQ(buffer.size(), 160);
        const int16_t expected[] = {4000, 4096, c.keys, 0, 0, 8, 0, 0, 1, 8, 2, 0, 0, 0, 0, 0,
                                    9,    21,   3,      0, 0, 0, 0, 0, 30, 60, c.flags2};
        for (int i = 0; i < 27; ++i)
            EXPECT_EQ(at(buffer, 2 * i), expected[i]) << c.path << " offset " << 2 * i;
    }
    // A section that names no file creates nothing.
    rm.calls.clear();
    QString path;
    CreationStructureVide(0, 44, QStringLiteral("FIC_NONE"), path, QStringLiteral("C:\\Data\\"), 1, false, QString());
    EXPECT_TRUE(rm.calls.empty());
    EXPECT_EQ(StatutBtr, 11);
}

} // namespace
} // namespace qn3::testing
