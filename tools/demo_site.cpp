#include "tools/demo_site.h"

#include "platform/windows_path.h"
#include "database/call_block.h"
#include "database/catalogue.h"
#include "database/creation.h"
#include "recordmanager/record_manager_codes.h"
#include "services/file_operations.h"
#include "services/folders.h"
#include "services/formats.h"
#include "services/ini_access.h"
#include "services/shared_values.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <vector>

namespace qn3::tools {
namespace {

// The record files the start-up opens.
constexpr int16_t kOpenedFiles[] = {0, 1, 2, 3, 4, 5, 6, 7, 10, 12, 13, 14, 15, 16, 17, 18, 22, 26, 27, 31, 32};

const QString kProgramFolder = QString::fromUtf16(kDemoProgramFolder);
const QString kSiteFile = kProgramFolder + QStringLiteral("Settings\\QN3_Config.ini");
// The site settings file while the rest of the site is made; put in place
// last, whole, it marks the site as made.
const QString kSiteDraft = kSiteFile + QStringLiteral(".draft");

QString two(int number)
{
    return services::N2S(number, 2, 0, QStringLiteral("0"));
}

QString three(int number)
{
    return services::N2S(number, 3, 0, QStringLiteral("0"));
}

// One base of the site and its folders.
struct DemoBase {
    int number = 1;
    int stations = 1;
    QString section; // of its system file
    QString config;
    QString data;
    QString log;
    QString local;
    QString shared;
    QString sounds;
};

DemoBase demoBase(int number, const DemoSiteOptions& options)
{
    DemoBase base;
    base.number = number;
    base.stations = options.stations + number - 1;
    base.section = QStringLiteral("Base_") + two(number);
    // One base: the layout of the suite's single-base sites.
    const QString own = options.bases == 1 ? QString() : base.section + u'\\';
    base.config = kProgramFolder + QStringLiteral("Config\\") + own;
    base.data = QStringLiteral("C:\\QN_Data\\") + own;
    base.log = QStringLiteral("C:\\AudioLog\\") + own;
    base.local = kProgramFolder + QStringLiteral("Local\\") + own;
    base.shared = kProgramFolder + QStringLiteral("Shared\\") + own;
    base.sounds = QStringLiteral("C:\\QN_Sons\\") + own;
    return base;
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

QString baseName(const DemoBase& base)
{
    const QString name = QStringLiteral("Radio Démo");
    return base.number == 1 ? name : name + u' ' + QString::number(base.number);
}

void writeKeys(const QString& file, const QString& section,
               std::initializer_list<std::pair<const char16_t*, QString>> keys)
{
    for (const auto& [key, value] : keys)
        services::EcritureIni(file, section, QString::fromUtf16(key), value);
}

// Into the draft: a draft an earlier run left, stopped on its way, is
// started again.
void writeSiteSettings(const std::vector<DemoBase>& bases)
{
    using services::EcritureIni;
    QFile::remove(platform::paths::toHost(kSiteDraft));
    EcritureIni(kSiteDraft, QStringLiteral("Site"), QStringLiteral("Lib"), QStringLiteral("Radio Démo"));
    EcritureIni(kSiteDraft, QStringLiteral("Site"), QStringLiteral("Actif"), QStringLiteral("1"));
    EcritureIni(kSiteDraft, QStringLiteral("Site"), QStringLiteral("NbBase"), QString::number(bases.size()));
    EcritureIni(kSiteDraft, QStringLiteral("Site"), QStringLiteral("NoBase"), QStringLiteral("1"));
    EcritureIni(kSiteDraft, QStringLiteral("Site"), QStringLiteral("Dossier_Config_Global"), bases.front().config);
    for (const DemoBase& base : bases)
        EcritureIni(kSiteDraft, base.section, QStringLiteral("Dossier_Config_Global"), base.config);
    // The desktop has no classic look to warn about.
    EcritureIni(kSiteDraft, QStringLiteral("ThemeWindows"), QStringLiteral("Msg"), QStringLiteral("1"));
}

// The draft becomes the site settings file in one step, never over one that
// another run put in place meanwhile.
QString putSiteInPlace()
{
    const QByteArray draft = QFile::encodeName(platform::paths::toHost(kSiteDraft));
    const QByteArray site = QFile::encodeName(platform::paths::toHost(kSiteFile));
    if (::renameat2(AT_FDCWD, draft.constData(), AT_FDCWD, site.constData(), RENAME_NOREPLACE) == 0)
        return {};
    const int error = errno;
    QFile::remove(QFile::decodeName(draft));
    if (error == EEXIST)
        return {};
    return QStringLiteral("cannot put %1 in place: %2")
        .arg(QFile::decodeName(site), QString::fromLocal8Bit(std::strerror(error)));
}

void writeBaseSystem(const DemoBase& base)
{
    using services::EcritureIni;
    const QString system = base.config + QStringLiteral("QN3_Systeme.ini");
    writeKeys(system, base.section, {
        {u"Lib", baseName(base)},
        {u"Actif", QStringLiteral("1")},
        {u"NbStation", QString::number(base.stations)},
        {u"NoStation", QStringLiteral("1")},
        {u"Dossier_Log", base.log},
        {u"Dossier_Log_Pub", base.log + QStringLiteral("Pub\\")},
        {u"Dossier_Local", base.local},
        {u"Dossier_Shared", base.shared},
        {u"Dossier_Data", base.data},
    });
    for (int station = 1; station <= base.stations; ++station) {
        const QString section = base.section + QStringLiteral("_Station_") + two(station);
        EcritureIni(system, section, QStringLiteral("Lib"), QStringLiteral("Station ") + QString::number(station));
        EcritureIni(system, section, QStringLiteral("Actif"), QStringLiteral("1"));
    }
    writeKeys(system, base.section + QStringLiteral("_Sounds_Folders"),
              {{u"Mus_01", QStringLiteral("1:") + base.sounds + QStringLiteral("Musique\\")},
               {u"Pub_01", QStringLiteral("1:") + base.sounds + QStringLiteral("Pub\\")}});
}

// The suite's own system file: its folders, its stations and the sound
// folders of the base, in the suite's three-digit sections named after the
// base's number.
void writeSuiteSystem(const DemoBase& base)
{
    using services::EcritureIni;
    const QString file = base.config + QStringLiteral("ZT_SYS.ini");
    EcritureIni(file, QStringLiteral("Div_radio"), QStringLiteral("Nom_Radio"), baseName(base));
    EcritureIni(file, QStringLiteral("Stations"), QStringLiteral("Nb_Max"), QString::number(base.stations));
    for (int station = 1; station <= base.stations; ++station)
        EcritureIni(file, QStringLiteral("Div_Radio"), QStringLiteral("Station_") + three(station),
                    QStringLiteral("Station ") + QString::number(station));
    writeKeys(file, QStringLiteral("Repertoires"), {
        {u"REPPRG", kProgramFolder},
        {u"REPLOG", base.log},
        {u"REPLOGPUB", base.log + QStringLiteral("Pub\\")},
        {u"REPBTR", base.data},
        {u"REPLOCAL", base.local},
        {u"REPPARTAGE", base.shared},
    });
    writeKeys(file, QStringLiteral("Repertoire_Station_") + three(base.number),
              {{u"000_00", QStringLiteral("1,") + base.sounds + QStringLiteral("Musique\\")},
               {u"JIN_00", QStringLiteral("1,") + base.sounds + QStringLiteral("Jingles\\")},
               {u"PUB_00", QStringLiteral("1,") + base.sounds + QStringLiteral("Pub\\")}});
}

// Each file's section, as the suite describes the file: the creation below
// and the program's opening both read it.
void writeFileSections(const DemoBase& base)
{
    const QString file = base.config + QStringLiteral("ZT_BTR.ini");
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

// A record file is made when the creation made it, or when a run stopped
// before the site was in place made it: a record file appears whole, so a
// plain file already there (status 59) is one.
bool made(const QString& path)
{
    return database::StatutBtr == 0
        || (database::StatutBtr == recordmanager::status::FileExists
            && QFileInfo(platform::paths::toHost(path.trimmed())).isFile());
}

} // namespace

bool demoSiteExists()
{
    return QFileInfo::exists(platform::paths::toHost(kSiteFile));
}

QString makeDemoSite(const DemoSiteOptions& options)
{
    if (options.bases < 1 || options.bases > 20)
        return QStringLiteral("a site has 1 to 20 bases");
    if (options.stations < 1 || options.stations + options.bases - 1 > 10)
        return QStringLiteral("a base has 1 to 10 stations");
    std::vector<DemoBase> bases;
    for (int number = 1; number <= options.bases; ++number)
        bases.push_back(demoBase(number, options));
    // The site settings file is what says a site is there: it comes last, so
    // that a run stopped on the way (Ctrl+C, SIGTERM) leaves no site, only
    // pieces that the next run takes up.
    services::VerificationEtCreationRepertoire(kProgramFolder + QStringLiteral("Settings\\"), true);
    writeSiteSettings(bases);
    database::InitGeneralData();
    for (const DemoBase& base : bases) {
        for (const QString& folder : {base.config, base.data})
            services::VerificationEtCreationRepertoire(folder, true);
        writeBaseSystem(base);
        writeSuiteSystem(base);
        writeFileSections(base);
        services::RepConfig[0] = base.config;
        for (const int16_t number : kOpenedFiles) {
            const bool perStation = database::CatalogueFichiers.at(number).Dossier == QStringLiteral("O");
            for (int16_t station = 1; station <= (perStation ? base.stations : 1); ++station) {
                QString path;
                database::CreationStructureVide(0, number, sectionName(number), path, base.data, station, false,
                                                QString());
                if (!made(path))
                    return QStringLiteral("%1: status %2").arg(path.trimmed()).arg(database::StatutBtr);
            }
        }
    }
    if (!options.program.isEmpty())
        if (QString problem = installProgram(options.program); !problem.isEmpty())
            return problem;
    return putSiteInPlace();
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
