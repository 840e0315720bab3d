#include "database/call_layer.h"
#include "database/catalogue.h"
#include "database/creation.h"
#include "database/opening.h"
#include "database/record_buffers.h"
#include "database_fixture.h"
#include "../bench/demo_site.h"
#include "recordmanager/btrcall.h"
#include "platform/file_attributes.h"
#include "support/child_process.h"
#include "services/shared_values.h"

#include <QDir>
#include <QFileInfo>

namespace qn3::testing {
namespace {

using namespace database;

const QString kData = QStringLiteral("C:\\Data\\");

class OpeningTest : public DatabaseTest {
protected:
    OpeningTest()
    {
        services::RepBtr[0] = kData;
        services::RepConfig[0] = QStringLiteral("C:\\Config\\");
        QDir().mkpath(host(kData));
    }
    void mark(int file, std::initializer_list<int> stations)
    {
        for (int s : stations)
            FichiersAOuvrir[0][file][s - 1] = -1;
    }
    bool open(int16_t selection = 0, int16_t station = -1) { return BTr_Ouverture(0, selection, QString(), station); }
};

TEST_F(OpeningTest, GeneratedSiteOfTenStationsOpens)
{
    services::RepConfig[0] = QStringLiteral("C:\\Site\\Config\\");
    ASSERT_TRUE(GenerateSite(0, 10));
    MarkStartupFiles(0, 10);
    EXPECT_TRUE(open());
    EXPECT_EQ(QDir(host(kData)).entryList({QStringLiteral("*.bt6")}, QDir::Files).size(), 120);
    EXPECT_EQ(FichiersOuverts[0][32][9], -1);
    EXPECT_EQ(LongueurEnrBtr[18], 250);
    EXPECT_NE(PositionBtr[0][14][0], PositionBtr[0][14][1]); // one cursor per station on the base's file
    EXPECT_TRUE(user.messageBoxes.empty());

    ScriptedRecordManager rm;
    platform::ScopedInstall<RecordManagerAccess> installRm{rm};
    EXPECT_TRUE(open());
    EXPECT_TRUE(rm.calls.empty());
}

// "C:\Radio Data\" (any "Program Files" folder alike): the files are made
// and opened there, never at "C:\Radio".
TEST_F(OpeningTest, ARecordFileFolderWithABlankInItsName)
{
    services::RepConfig[0] = QStringLiteral("C:\\Site\\Config\\");
    services::RepBtr[0] = QStringLiteral("C:\\Radio Data\\");
    QDir().mkpath(host(services::RepBtr[0]));
    ASSERT_TRUE(GenerateSite(0, 2));
    MarkStartupFiles(0, 2);
    EXPECT_TRUE(open());
    EXPECT_EQ(QDir(host(services::RepBtr[0])).entryList({QStringLiteral("*.bt6")}, QDir::Files).size(), 32);
    EXPECT_FALSE(QFileInfo::exists(host(QStringLiteral("C:\\Radio"))));
    EXPECT_TRUE(user.messageBoxes.empty());
}

// The record length a file's section gives is rounded as a number, halves to
// the even neighbour; what rounds to nothing usable is the catalogue's length.
TEST_F(OpeningTest, SectionRecordLengthsRoundOrFallBackOnTheCatalogue)
{
    InitGeneralData();
    writeFile(kData + QStringLiteral("FRAD014.bt6"), "x");
    ScriptedRecordManager rm;
    platform::ScopedInstall<RecordManagerAccess> installRm{rm};
    const std::pair<const char*, int32_t> cases[] = {
        {"0.5", 300}, {"0.4", 300}, {"0.6", 1}, {"1.5", 2}, {"2.5", 2}, {"0900", 900}, {"-3", 300}, {"abc", 300},
        {"", 300}, {"32767.4", 32767}, {"32767.5", 300}, {"1e12", 300}};
    for (const auto& [text, length] : cases) {
        SCOPED_TRACE(text);
        writeFile(QStringLiteral("C:\\Config\\ZT_BTR.ini"),
                  QByteArray("[FIC_Frad014]\r\nFichier=FRAD014\r\nLng_Enregistrement=") + text + "\r\n");
        FichiersOuverts = {};
        mark(14, {1});
        rm.calls.clear();
        EXPECT_TRUE(open(-14));
        ASSERT_EQ(rm.calls.size(), 1u);
        EXPECT_EQ(rm.calls[0].length, length);
    }
}

TEST_F(OpeningTest, SectionsSelectionAndStations)
{
    InitGeneralData();
    writeFile(QStringLiteral("C:\\Config\\ZT_BTR.ini"),
              "[FIC_Frad017]\r\nFichier=FRAD017\r\nLng_Enregistrement=0900\r\n"
              "[fic_frad014]\r\nLng_Enregistrement=abc\r\n[FIC_Frad035]\r\nFichier=FRADX35\r\nDossier=O\r\n");
    for (const char* name : {"FRAD017", "FRAD014", "FRADA35", "FRADB35"})
        writeFile(kData + QLatin1String(name) + QStringLiteral(".bt6"), "x");
    ScriptedRecordManager rm;
    platform::ScopedInstall<RecordManagerAccess> installRm{rm};
    const struct {
        int16_t selection, station;
        std::vector<QByteArray> paths;
    } cases[] = {
        {0, -1, {"FRAD014", "FRAD014", "FRAD017", "FRAD017", "FRADA35", "FRADB35"}},
        {-14, -1, {"FRAD014", "FRAD014"}},
        {-999, -1, {}},
        {5, 2, {"FRAD014", "FRAD017", "FRADB35"}},
    };
    for (const auto& c : cases) {
        FichiersOuverts = {};
        rm.calls.clear();
        for (int file : {14, 17, 37})
            mark(file, {1, 2});
        EXPECT_TRUE(open(c.selection, c.station));
        ASSERT_EQ(rm.calls.size(), c.paths.size()) << c.selection;
        for (size_t i = 0; i < c.paths.size(); ++i)
            EXPECT_EQ(rm.calls[i].key, "C:\\Data\\" + c.paths[i] + ".bt6 ");
    }
    EXPECT_EQ(rm.calls[0].length, 300);
    EXPECT_EQ(rm.calls[1].length, 900);
    EXPECT_EQ(NomSectionBtr[0][37], QStringLiteral("Frad035"));
}

TEST_F(OpeningTest, MissingFileStopsTheWalk)
{
    InitGeneralData();
    writeFile(kData + QStringLiteral("FRAD013.bt6"), "x"); // hidden: counts as missing
    platform::attributes::set(kData + QStringLiteral("FRAD013.bt6"), platform::attributes::Hidden);
    mark(13, {2});
    EXPECT_FALSE(open());
    EXPECT_TRUE(HistoriqueBtr[0][0].startsWith(QStringLiteral("S:12 File:13 Station:2 OP:00 K:00 [")));
    mark(14, {1, 2});
    mark(15, {1});
    FichiersAOuvrir[0][13][1] = 0;
    EXPECT_FALSE(open());
    EXPECT_EQ(HistoriqueBtr[0][0], QStringLiteral("S:12 File:14 Station:1 OP:00 K:00 [C:\\Data\\FRAD014.bt6 ]"));
    ASSERT_EQ(user.messageBoxes.size(), 2u);
    EXPECT_TRUE(user.messageBoxes[1].text.contains(QStringLiteral("Err:12: The MicroKernel cannot find")));
    EXPECT_EQ(FichiersOuverts[0][15][0], 0);
}

TEST_F(OpeningTest, CreatesAMissingPodcastFile)
{
    InitGeneralData();
    writeFile(QStringLiteral("C:\\Config\\ZT_BTR.ini"),
              "[FIC_Frad043]\r\nFichier=FRAD043\r\nDossier=O\r\nLng_Enregistrement=4000\r\nLng_Page=4096\r\n"
              "Nb_Cle=2\r\nCLE_00=POS:0001 LNG:0008 FLG:0002\r\nCLE_01=POS:0009 LNG:0060 FLG:1027\r\n");
    mark(43, {1});
    EXPECT_TRUE(open());
    EXPECT_EQ(QDir(host(kData)).entryList(QDir::Files), QStringList{QStringLiteral("FradA43.bt6")});
}

// A hidden or a system file at the name of a file the opening may create
// keeps its records and gets the creation's "file exists"; one that cannot be
// looked at (in a folder others may list but not search) is reported through
// the error routine, neither created over nor counted as missing.
TEST_F(OpeningTest, AFileThatIsThereIsNeverCreatedOver)
{
    InitGeneralData();
    writeFile(QStringLiteral("C:\\Config\\ZT_BTR.ini"),
              "[FIC_Frad043]\r\nFichier=FRAD043\r\nLng_Enregistrement=50\r\nLng_Page=1024\r\nNb_Cle=1\r\n"
              "CLE_00=POS:0001 LNG:0008 FLG:0002\r\n");
    QString path;
    CreationStructureVide(0, 43, QStringLiteral("FIC_Frad043"), path, kData, 1, false, QString());
    ASSERT_EQ(StatutBtr, 0);
    PositionBlock block{};
    QByteArray record = QByteArray("SPOT0001").leftJustified(50, ' ');
    for (const int op : {0, 2, 1}) { // one record in it, which an empty file made over it would lose
        QByteArray key = op == 0 ? path.toLatin1() : QByteArray("SPOT0001");
        key.append(255 - key.size(), '\0');
        int32_t length = 50;
        ASSERT_EQ(BTRCALL(uint16_t(op), block.data(), record.data(), &length, key.data(), 255, 0), 0) << op;
    }
    const QString folder = host(kData);
    const auto files = [&] { // the record file with its companions, byte for byte
        QByteArray all;
        for (const QString& name :
             QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
            all += name.toUtf8() + '\0' + readFile(kData + name) + '\0';
        return all;
    };
    const QByteArray records = files();
    // The child that runs as "nobody" reaches the prefix, but not into the folder.
    QFile::setPermissions(prefix.path(), QFile::permissions(prefix.path()) | QFile::ExeOther | QFile::ExeGroup);
    const auto opening = [&] {
        const bool opened = open(-43);
        const bool reported =
            traced().join(u'\n').contains(QStringLiteral("Source:Lib_Data_Pervasive:OuvertureFichierBTrieve"));
        return QStringLiteral("%1 %2 reported:%3")
            .arg(opened ? u"opened" : u"refused", HistoriqueBtr[0][0].section(u'[', 0, 0).trimmed(),
                 reported ? u"yes" : u"no")
            .toStdString();
    };
    const struct {
        uint32_t attributes;
        bool unsearchable;
        const char* outcome;
    } cases[] = {
        {platform::attributes::Hidden, false, "refused S:59 File:43 Station:1 OP:00 K:00 reported:no"},
        {platform::attributes::System, false, "refused S:59 File:43 Station:1 OP:00 K:00 reported:no"},
        {0, true, "refused S:2 File:43 Station:1 OP:00 K:00 reported:yes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.attributes);
        FichiersOuverts = {};
        mark(43, {1});
        platform::attributes::set(path.trimmed(), c.attributes);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                          (c.unsearchable ? QFile::Permissions() : QFile::ExeOther));
        EXPECT_EQ(c.unsearchable ? inChild(true, opening) : opening(), c.outcome);
        EXPECT_EQ(files(), records) << "the file and its log are kept as they were";
    }
}

TEST_F(OpeningTest, UnknownNames)
{
    mark(0, {1});
    mark(2, {1, 2});
    EXPECT_FALSE(open());
    ASSERT_EQ(user.messageBoxes.size(), 1u);
    EXPECT_EQ(user.messageBoxes[0].text, QStringLiteral("Fichier non trouvé: C:\\Config\\ZT_BTR.ini"));
    EXPECT_TRUE(traces(QStringLiteral("Err: Problème à l'ouverture des fichiers BTrieve")));
    EXPECT_FALSE(traces(QStringLiteral("inconnu")));

    writeFile(QStringLiteral("C:\\Config\\ZT_BTR.ini"), "[Other]\r\n");
    EXPECT_FALSE(open(-2));
    EXPECT_EQ(user.messageBoxes.size(), 1u);
    EXPECT_EQ(traced().filter(QStringLiteral("Err: Fichier 'Frad002' |C:\\Config\\ZT_BTR.ini inconnu")).size(), 2);
    EXPECT_FALSE(open(-999));
    EXPECT_EQ(user.messageBoxes.back().text, QStringLiteral("Fichier: 'C:\\Config\\ZT_BTR.ini'"));
}

TEST_F(OpeningTest, ConflictFromAnotherWriterKeepsTheCallersRecord)
{
    InitGeneralData();
    writeFile(QStringLiteral("C:\\Config\\ZT_BTR.ini"),
              "[FIC_X]\r\nFichier=FRADA27\r\nLng_Enregistrement=50\r\nLng_Page=1024\r\nNb_Cle=1\r\n"
              "CLE_00=POS:0001 LNG:0008 FLG:0002\r\n");
    QString path;
    CreationStructureVide(0, 27, QStringLiteral("FIC_X"), path, kData, 1, false, QString());
    mark(27, {1});
    ASSERT_TRUE(open());
    int16_t reserve = 0;
    auto call = [&](int16_t op) {
        CleBtr = QStringLiteral("SPOT0001");
        BTRieve(0, op, CleBtr, 0, 27, 1, QStringLiteral("Lib_Test:Conflit"), reserve);
        return StatutBtr;
    };
    EnrBtr(27)->setTexte(0, 50, QStringLiteral("SPOT0001 first"));
    ASSERT_EQ(call(2), 0);
    ASSERT_EQ(call(5), 0);

    // Another writer, with a handle of its own, changes the record between our read and our update.
    PositionBlock other{};
    QByteArray data(50, ' ');
    auto otherCall = [&](uint16_t op, QByteArray key) {
        key.append(255 - key.size(), '\0');
        int32_t length = 50;
        return BTRCALL(op, other.data(), data.data(), &length, key.data(), 255, 0);
    };
    ASSERT_EQ(otherCall(0, (kData + QStringLiteral("FRADA27.bt6 ")).toLatin1()), 0);
    ASSERT_EQ(otherCall(5, "SPOT0001"), 0);
    data.replace(9, 5, "other");
    ASSERT_EQ(otherCall(3, "SPOT0001"), 0);

    EnrBtr(27)->setTexte(9, 41, QStringLiteral("mine"));
    EXPECT_EQ(call(3), 0);
    EXPECT_EQ(clock.sleeps, std::vector<uint32_t>{500});
    ASSERT_EQ(otherCall(5, "SPOT0001"), 0);
    EXPECT_EQ(data.mid(9, 4), "mine");
}

} // namespace
} // namespace qn3::testing
