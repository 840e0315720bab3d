#include "tools/demo_site.h"

#include "platform/windows_path.h"
#include "recordmanager/btrcall.h"
#include "recordmanager/record_manager_codes.h"
#include "platform/ansi.h"
#include "services/file_operations.h"
#include "services/folders.h"
#include "services/formats.h"
#include "services/ini_access.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <vector>

namespace qn3::tools {
namespace {

struct SegmentDescription {
    int position; // counted from 1
    int length;
    int flags;    // 16: the key goes on in the next segment; 1024: case ignored
};

// The record files the start-up opens, as the suite describes them.
struct FileDescription {
    int number;
    const char16_t* label;
    bool perStation;
    int recordLength;
    int pageSize;
    int keys;
    std::vector<SegmentDescription> segments;
};

const std::vector<FileDescription>& openedFiles()
{
    static const std::vector<FileDescription> files = {
        {0, u"Paramétrage", false, 1000, 1024, 1, {{1, 10, 2}}},
        {1, u"Commerciaux", false, 300, 1024, 2, {{1, 8, 2}, {9, 10, 1027}}},
        {2, u"Secteurs d'activité", false, 100, 512, 2, {{1, 10, 2}, {11, 10, 1027}}},
        {3, u"Clients", false, 900, 1024, 2, {{1, 8, 2}, {9, 10, 1027}}},
        {4, u"Produits", false, 100, 512, 2, {{1, 10, 2}, {11, 10, 1027}}},
        {5, u"Entêtes des contrats", true, 150, 512, 3, {{1, 16, 2}, {3, 14, 2}, {11, 6, 2}}},
        {6, u"Entêtes des spots", true, 400, 512, 2, {{1, 8, 2}, {9, 10, 1027}}},
        {7, u"Dates de programmation des passages des spots", true, 100, 512, 4,
         {{1, 21, 2}, {9, 13, 3}, {26, 10, 19}, {9, 13, 3}, {36, 21, 3}}},
        {10, u"Publicité: Données programmées", true, 400, 512, 1, {{1, 14, 2}}},
        {12, u"Publicité: Système Tiers: Campagnes", false, 300, 1536, 7,
         {{1, 18, 2}, {19, 50, 3}, {69, 8, 3}, {77, 8, 3}, {135, 1, 3}, {136, 7, 3}, {137, 6, 3}}},
        {13, u"Publicité: Système Tiers: Spots", false, 300, 1536, 5,
         {{1, 33, 2}, {49, 12, 3}, {1, 3, 19}, {34, 15, 3}, {1, 48, 3}, {170, 15, 3}}},
        {14, u"Publicité: Système Tiers: Messages", false, 300, 1536, 3, {{1, 18, 2}, {19, 1, 3}, {20, 9, 3}}},
        {15, u"Publicité: Système Tiers: Produits", false, 100, 1536, 2, {{1, 53, 2}, {54, 10, 3}}},
        {16, u"Publicité: Système Tiers: Clients", false, 100, 1536, 2, {{1, 53, 2}, {54, 8, 3}}},
        {17, u"V 3.4 Planification", true, 1000, 2048, 2, {{1, 14, 2}, {15, 8, 3}}},
        {18, u"V 3.4 Log Pub", true, 250, 512, 3, {{1, 14, 3}, {15, 16, 3}, {31, 16, 3}}},
        {22, u"Morceaux", true, 900, 2048, 6,
         {{1, 8, 2}, {9, 5, 3}, {19, 5, 3}, {64, 5, 3}, {69, 5, 3}, {24, 20, 1027}}},
        {26, u"Table des morceaux pour le magnétophone", true, 150, 512, 4,
         {{1, 8, 3}, {9, 19, 3}, {28, 14, 3}, {42, 39, 1027}}},
        {27, u"Conducteur publicité", true, 50, 512, 2, {{1, 14, 2}, {15, 8, 3}}},
        {31, u"Pointeurs de start, stop, loop, ...", true, 50, 512, 1, {{1, 11, 2}}},
        {32, u"Renseignements complémentaires sur les morceaux", true, 250, 1024, 1, {{1, 10, 2}}},
    };
    return files;
}

const QString kProgramFolder = QString::fromUtf16(kDemoProgramFolder);
const QString kConfigFolder = kProgramFolder + QStringLiteral("Config\\");
const QString kDataFolder = QStringLiteral("C:\\QN_Data\\");
const QString kSiteFile = kProgramFolder + QStringLiteral("Settings\\QN3_Config.ini");
const QString kBaseSection = QStringLiteral("Base_01");

QString two(int number)
{
    return services::N2S(number, 2, 0, QStringLiteral("0"));
}

QString three(int number)
{
    return services::N2S(number, 3, 0, QStringLiteral("0"));
}

QString segmentText(const SegmentDescription& segment)
{
    return QStringLiteral("POS:%1 LNG:%2 FLG:%3")
        .arg(segment.position, 4, 10, QLatin1Char('0'))
        .arg(segment.length, 4, 10, QLatin1Char('0'))
        .arg(segment.flags, 4, 10, QLatin1Char('0'));
}

// The record file's name for a station: per-station files carry the station
// letter in place of the fifth character.
QString fileName(const FileDescription& file, int station)
{
    QString name = QStringLiteral("FRAD") + three(file.number);
    if (file.perStation)
        name[4] = QChar(u'A' + station - 1);
    return name + QStringLiteral(".bt6");
}

void writeSiteSettings(int stations)
{
    using services::EcritureIni;
    EcritureIni(kSiteFile, QStringLiteral("Site"), QStringLiteral("Lib"), QStringLiteral("Radio Démo"));
    EcritureIni(kSiteFile, QStringLiteral("Site"), QStringLiteral("Actif"), QStringLiteral("1"));
    EcritureIni(kSiteFile, QStringLiteral("Site"), QStringLiteral("NbBase"), QStringLiteral("1"));
    EcritureIni(kSiteFile, QStringLiteral("Site"), QStringLiteral("NoBase"), QStringLiteral("1"));
    EcritureIni(kSiteFile, QStringLiteral("Site"), QStringLiteral("Dossier_Config_Global"), kConfigFolder);
    EcritureIni(kSiteFile, kBaseSection, QStringLiteral("Dossier_Config_Global"), kConfigFolder);
    // The desktop has no classic look to warn about.
    EcritureIni(kSiteFile, QStringLiteral("ThemeWindows"), QStringLiteral("Msg"), QStringLiteral("1"));

    const QString system = kConfigFolder + QStringLiteral("QN3_Systeme.ini");
    const std::initializer_list<std::pair<const char16_t*, QString>> base = {
        {u"Lib", QStringLiteral("Radio Démo")},
        {u"Actif", QStringLiteral("1")},
        {u"NbStation", QString::number(stations)},
        {u"NoStation", QStringLiteral("1")},
        {u"Dossier_Log", QStringLiteral("C:\\AudioLog\\")},
        {u"Dossier_Log_Pub", QStringLiteral("C:\\AudioLog\\Pub\\")},
        {u"Dossier_Local", kProgramFolder + QStringLiteral("Local\\")},
        {u"Dossier_Shared", kProgramFolder + QStringLiteral("Shared\\")},
        {u"Dossier_Data", kDataFolder},
    };
    for (const auto& [key, value] : base)
        EcritureIni(system, kBaseSection, QString::fromUtf16(key), value);
    for (int station = 1; station <= stations; ++station) {
        const QString section = kBaseSection + QStringLiteral("_Station_") + two(station);
        EcritureIni(system, section, QStringLiteral("Lib"), QStringLiteral("Station ") + QString::number(station));
        EcritureIni(system, section, QStringLiteral("Actif"), QStringLiteral("1"));
    }
    const QString sounds = kBaseSection + QStringLiteral("_Sounds_Folders");
    EcritureIni(system, sounds, QStringLiteral("Mus_01"), QStringLiteral("1:C:\\QN_Sons\\Musique\\"));
    EcritureIni(system, sounds, QStringLiteral("Pub_01"), QStringLiteral("1:C:\\QN_Sons\\Pub\\"));
}

// The suite's own system file: its folders, its stations and the sound
// folders of the base, in the suite's three-digit sections.
void writeSuiteSystem(int stations)
{
    using services::EcritureIni;
    const QString file = kConfigFolder + QStringLiteral("ZT_SYS.ini");
    EcritureIni(file, QStringLiteral("Div_radio"), QStringLiteral("Nom_Radio"), QStringLiteral("Radio Démo"));
    EcritureIni(file, QStringLiteral("Stations"), QStringLiteral("Nb_Max"), QString::number(stations));
    for (int station = 1; station <= stations; ++station)
        EcritureIni(file, QStringLiteral("Div_Radio"), QStringLiteral("Station_") + three(station),
                    QStringLiteral("Station ") + QString::number(station));
    const std::initializer_list<std::pair<const char16_t*, QString>> folders = {
        {u"REPPRG", kProgramFolder},
        {u"REPLOG", QStringLiteral("C:\\AudioLog\\")},
        {u"REPLOGPUB", QStringLiteral("C:\\AudioLog\\Pub\\")},
        {u"REPBTR", kDataFolder},
        {u"REPLOCAL", kProgramFolder + QStringLiteral("Local\\")},
        {u"REPPARTAGE", kProgramFolder + QStringLiteral("Shared\\")},
    };
    for (const auto& [key, value] : folders)
        EcritureIni(file, QStringLiteral("Repertoires"), QString::fromUtf16(key), value);
    const QString slotSection = QStringLiteral("Repertoire_Station_001");
    EcritureIni(file, slotSection, QStringLiteral("000_00"), QStringLiteral("1,C:\\QN_Sons\\Musique\\"));
    EcritureIni(file, slotSection, QStringLiteral("JIN_00"), QStringLiteral("1,C:\\QN_Sons\\Jingles\\"));
    EcritureIni(file, slotSection, QStringLiteral("PUB_00"), QStringLiteral("1,C:\\QN_Sons\\Pub\\"));
}

void writeFileSections()
{
    const QString file = kConfigFolder + QStringLiteral("ZT_BTR.ini");
    for (const FileDescription& description : openedFiles()) {
        const QString section = QStringLiteral("FIC_Frad") + three(description.number);
        auto write = [&](const QString& key, const QString& value) {
            services::EcritureIni(file, section, key, value);
        };
        write(QStringLiteral("Libelle"), QString::fromUtf16(description.label));
        write(QStringLiteral("Fichier"), QStringLiteral("FRAD") + three(description.number));
        write(QStringLiteral("Dossier"), description.perStation ? QStringLiteral("O") : QStringLiteral("N"));
        write(QStringLiteral("Compression"), QStringLiteral("N"));
        write(QStringLiteral("Lng_Enregistrement"), services::N2S(description.recordLength, 4, 0, QStringLiteral("0")));
        write(QStringLiteral("Lng_Page"), services::N2S(description.pageSize, 4, 0, QStringLiteral("0")));
        write(QStringLiteral("Nb_Cle"), QString::number(description.keys));
        for (size_t i = 0; i < description.segments.size(); ++i)
            write(QStringLiteral("CLE_") + two(static_cast<int>(i)), segmentText(description.segments[i]));
    }
}

void put16(uint8_t* at, int value)
{
    at[0] = static_cast<uint8_t>(value & 0xFF);
    at[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

// Creates one empty record file with the record manager. The suite's files
// keep their case-insensitive keys only when its "Casse" switch is on, and
// the demo site leaves it off, as the suite does by default.
int16_t createRecordFile(const FileDescription& description, const QString& path)
{
    std::array<uint8_t, 160> spec{};
    put16(&spec[0], description.recordLength);
    put16(&spec[2], description.pageSize);
    put16(&spec[4], description.keys);
    put16(&spec[10], 8);
    for (size_t i = 0; i < description.segments.size(); ++i) {
        const SegmentDescription& segment = description.segments[i];
        uint8_t* entry = &spec[16 + 16 * i];
        put16(entry, segment.position);
        put16(entry + 2, segment.length);
        put16(entry + 4, segment.flags > 1024 ? segment.flags - 1024 : segment.flags);
    }
    QByteArray key = platform::ansi::encode(path + u' ');
    std::array<char, 128> block;
    block.fill(' ');
    int32_t length = static_cast<int32_t>(spec.size());
    return BTRCALL(recordmanager::op::Create, block.data(), spec.data(), &length, key.data(),
                   static_cast<int16_t>(key.size()), 0);
}

} // namespace

bool demoSiteExists()
{
    return QFileInfo::exists(platform::paths::toHost(kSiteFile));
}

QString makeDemoSite(const DemoSiteOptions& options)
{
    if (options.stations < 1 || options.stations > 10)
        return QStringLiteral("a base has 1 to 10 stations");
    for (const QString& folder : {kConfigFolder, kDataFolder, kProgramFolder + QStringLiteral("Settings\\")})
        services::VerificationEtCreationRepertoire(folder, true);
    writeSiteSettings(options.stations);
    writeSuiteSystem(options.stations);
    writeFileSections();
    for (const FileDescription& description : openedFiles()) {
        const int lastStation = description.perStation ? options.stations : 1;
        for (int station = 1; station <= lastStation; ++station) {
            const QString path = kDataFolder + fileName(description, station);
            if (const int16_t status = createRecordFile(description, path); status != 0)
                return QStringLiteral("%1: status %2").arg(path).arg(status);
        }
    }
    return options.program.isEmpty() ? QString() : installProgram(options.program);
}

QString installProgram(const QString& program)
{
    services::VerificationEtCreationRepertoire(kProgramFolder, true);
    const QString target = platform::paths::toHost(kProgramFolder) + u'/' + QFileInfo(program).fileName();
    QFile::remove(target);
    if (!QFile::copy(program, target))
        return QStringLiteral("cannot copy %1 to %2").arg(program, target);
    return {};
}

} // namespace qn3::tools
