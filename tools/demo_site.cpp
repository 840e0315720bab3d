#include "tools/demo_site.h"

#include "platform/windows_path.h"
#include "database/call_block.h"
#include "database/catalogue.h"
#include "database/creation.h"
#include "services/file_operations.h"
#include "services/folders.h"
#include "services/formats.h"
#include "services/ini_access.h"
#include "services/shared_values.h"

#include <QFile>
#include <QFileInfo>


namespace qn3::tools {
namespace {

// The record files the start-up opens.
constexpr int16_t kOpenedFiles[] = {0, 1, 2, 3, 4, 5, 6, 7, 10, 12, 13, 14, 15, 16, 17, 18, 22, 26, 27, 31, 32};

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

QString segmentText(const database::SegmentCle& segment)
{
    return QStringLiteral("POS:%1 LNG:%2 FLG:%3")
        .arg(segment.Pos, 4, 10, QLatin1Char('0'))
        .arg(segment.Lng, 4, 10, QLatin1Char('0'))
        .arg(segment.Flg, 4, 10, QLatin1Char('0'));
}

QString sectionName(int16_t number)
{
    return QStringLiteral("FIC_Frad") + three(number);
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

// Each file's section, as the suite describes the file: the creation below
// and the program's opening both read it.
void writeFileSections()
{
    const QString file = kConfigFolder + QStringLiteral("ZT_BTR.ini");
    for (const int16_t number : kOpenedFiles) {
        const database::DescriptionFichierBtr& description = database::CatalogueFichiers.at(number);
        auto write = [&](const QString& key, const QString& value) {
            services::EcritureIni(file, sectionName(number), key, value);
        };
        write(QStringLiteral("Libelle"), description.Libelle);
        write(QStringLiteral("Fichier"), description.Fichier.trimmed());
        write(QStringLiteral("Dossier"), description.Dossier);
        write(QStringLiteral("Compression"), description.Compression);
        write(QStringLiteral("Lng_Enregistrement"), services::N2S(description.Lng_Enregistrement, 4, 0, QStringLiteral("0")));
        write(QStringLiteral("Lng_Page"), services::N2S(description.Lng_Page, 4, 0, QStringLiteral("0")));
        write(QStringLiteral("Nb_Cle"), QString::number(description.Nb_Cle));
        for (size_t i = 0; i < description.Cle.size(); ++i)
            if (description.Cle[i].Lng != 0)
                write(QStringLiteral("CLE_") + two(static_cast<int>(i)), segmentText(description.Cle[i]));
    }
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
    database::InitGeneralData();
    writeFileSections();
    services::RepConfig[0] = kConfigFolder;
    for (const int16_t number : kOpenedFiles) {
        const bool perStation = database::CatalogueFichiers.at(number).Dossier == QStringLiteral("O");
        for (int16_t station = 1; station <= (perStation ? options.stations : 1); ++station) {
            QString path;
            database::CreationStructureVide(0, number, sectionName(number), path, kDataFolder, station, false, QString());
            if (database::StatutBtr != 0)
                return QStringLiteral("%1: status %2").arg(path.trimmed()).arg(database::StatutBtr);
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
