#include "services/settings_folders.h"

#include "platform/atomic_file.h"
#include "platform/plain_files.h"
#include "platform/registry_store.h"
#include "platform/runtime_error.h"
#include "platform/shell_file_operation.h"
#include "services/file_operations.h"
#include "services/folders.h"
#include "services/formats.h"
#include "services/ini_access.h"
#include "services/os_facts.h"
#include "services/path_names.h"
#include "services/registry_access.h"
#include "services/shared_values.h"
#include "services/site_names.h"
#include "services/site_settings_generator.h"
#include "services/trace_log.h"
#include "services/trap.h"
#include "services/user_interaction.h"
#include "services/window_members.h"


namespace qn3::services {
namespace {

const QString kSite = QStringLiteral("Site");
const QString kDossierConfig = QStringLiteral("Dossier_Config_Global");
const QString kDossierConfigDefaut = QStringLiteral("C:\\Sonvarek\\Quillon\\Config\\");
const QString kNomProgramme = QStringLiteral("QN3_Tools_Vandrel");
const QString kExtensionIni = QStringLiteral(".Ini");

// Vista, 7 and 8 keep the program's folder read-only and theme the windows
// themselves: there the site file is neither made nor generated, and the
// notice makes no sense.
bool generationSansReglages()
{
    return CodeVersionWindows == 6 || CodeVersionWindows == 7 || CodeVersionWindows == 8;
}

QString cheminFichierSite()
{
    return CheckRep(RepApplication) + QStringLiteral("Settings\\QN3_Config.ini");
}

bool vide(const QString& texte)
{
    return texte.trimmed().isEmpty();
}

// A configuration folder written without its drive ("Config\") belongs to
// the program's folder, wherever the program was started from: taken as it
// stands it would follow the current folder, and a start from elsewhere
// would make and use a new, empty one there.
QString ancre(const QString& dossier)
{
    const bool complet = dossier.startsWith(u'\\') || (dossier.size() >= 2 && dossier[1] == u':');
    if (vide(dossier) || complet || vide(RepApplication))
        return dossier;
    return CheckRep(RepApplication) + dossier;
}

// The skin looks wrong on the classic Windows style; the site is told once.
void noticeStyleClassique(const QString& FichierSite)
{
    QString theme;
    Reg_GetValue(platform::HKEY_CURRENT_USER,
        QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager"), QStringLiteral("ThemeActive"),
        theme);
    if (Val(theme) != 0
        || LectureIni(FichierSite, QStringLiteral("ThemeWindows"), QStringLiteral("Msg"), QStringLiteral("0")) != u"0")
        return;
    const QString paragraphe = QStringLiteral("\r\n\r\n");
    MessageBoxRequest box;
    box.text = QStringLiteral("Le poste utilise le style 'Windows standard'") + paragraphe
        + QStringLiteral(
            "Pour une avoir une interface optimisée, nous vous conseillons d'utiliser un style 'Windows XP'")
        + paragraphe
        + QStringLiteral(
            "Pour faire le changement,  cliquez droit sur le bureau de windows et choisissez 'Propriétés'");
    box.style = msgbox::OkOnly | msgbox::Information;
    box.title = Frm_Main().Caption;
    UserInteraction::current().askMessageBox(box);
    EcritureIni(FichierSite, QStringLiteral("ThemeWindows"), QStringLiteral("Msg"), QStringLiteral("1"));
}

} // namespace

QString DetermineDossierConfig(int16_t NoBase)
{
    Q_UNUSED(NoBase);
    QString fichier;
    Trap trap(u"Lib_Public:DetermineDossierConfig");
    trap(1, [&] {
        if (CodeVersionWindows == 0)
            GetOSDisplayString();
    });
    if (!generationSansReglages()) {
        bool existe = true;
        trap(2, [&] {
            fichier = cheminFichierSite();
            EclateRepFicExt(fichier);
            VerificationEtCreationRepertoire(FichierEclate.Repertoire, true);
        });
        trap(3, [&] { existe = File_Exist(fichier, QStringLiteral("Lib_Public:DetermineDossierConfig"), false); });
        if (!existe)
            trap(4, [&] { GenerationFichierSite(fichier); });
    }
    trap(5, [&] { fichier = cheminFichierSite(); });
    if (!generationSansReglages())
        trap(6, [&] { noticeStyleClassique(fichier); });
    return fichier;
}

QString DetermineDossierConfig_Bases_Dossier(const QString& FichierSite, int16_t NoBase, const bool& PrioriteBase)
{
    QString dossier;
    Trap trap(u"Lib_Public:DetermineDossierConfig_Bases_Dossier");
    trap([&] {
        const QString section = SectionBase(NoBase);
        const auto propre = [&] { return LectureIni(FichierSite, section, kDossierConfig, kDossierConfigDefaut); };
        const auto site = [&] { return DossierConfigSite(FichierSite); };
        dossier = PrioriteBase ? propre() : site();
        if (vide(dossier))
            dossier = PrioriteBase ? site() : propre();
        dossier = ancre(CheckRep(dossier));
    });
    return dossier;
}

QString DossierConfigSite(const QString& FichierSite)
{
    QString dossier;
    Trap trap(u"Lib_Public:DossierConfigSite");
    trap([&] {
        dossier = LectureIni(FichierSite, kSite, kDossierConfig, QString());
        dossier = vide(dossier) ? QString() : ancre(CheckRep(dossier));
    });
    return dossier;
}

QString DetermineDossierConfig_Fichier(const QString& FichierSite, int16_t NoBase)
{
    QString dossier;
    Trap trap(u"Lib_Public:DetermineDossierConfig_Fichier");
    trap([&] {
        dossier = DossierConfigSite(FichierSite);
        if (vide(dossier))
            dossier = CheckRep(LectureIni(
                FichierSite, SectionBase(NoBase), kDossierConfig, RepApplication + QStringLiteral("Config\\")));
        dossier = ancre(CheckRep(dossier));
    });
    return dossier;
}

void SignalerFichierIgnore(int16_t NoZone, const QString& Fichier)
{
    Trap trap(u"Lib_Public:SignalerFichierIgnore");
    trap([&] {
        // Only looked at, never opened: a FIFO must not hold the start-up.
        const platform::files::Entry entree = platform::files::entry(Fichier);
        QString raison;
        if (entree.kind == platform::files::EntryKind::Folder)
            raison = QStringLiteral("c'est un dossier");
        else if (entree.kind == platform::files::EntryKind::Other)
            raison = QStringLiteral("ce n'est pas un fichier ordinaire");
        else if (entree.kind == platform::files::EntryKind::Regular && entree.size > platform::atomic_file::maxReadSize)
            raison = QStringLiteral("plus de %1 octets").arg(platform::atomic_file::maxReadSize);
        if (!raison.isEmpty())
            TraceLog(NoZone, -1, -1,
                QStringLiteral("Fichier ignoré, réglages par défaut: ") + Fichier + QStringLiteral(" (") + raison
                    + u')',
                true, true);
    });
}

void NomDossierSettings()
{
    Trap trap(u"Lib_Public:NomDossierSettings");
    const QString source = QStringLiteral("Lib_Public:NomDossierSettings");
    trap(1, [&] {
        if (VersionOS.dwPlatformId == 0) {
            VersionOS.dwOSVersionInfoSize = 148;
            GetVersionExA(VersionOS);
        }
    });
    trap(2, [&] {
        RepSettings = CheckRep(RepApplication) + QStringLiteral("Settings\\") + kNomProgramme + u'\\';
        VerificationEtCreationRepertoire(RepSettings, true);
    });
    trap(3, [&] {
        RepTemp = RepSettings + QStringLiteral("Temp\\");
        VerificationEtCreationRepertoire(RepTemp, true);
    });
    trap(4, [&] {
        if (File_Exist(NomFichierSettings(QString(), kExtensionIni), source, false))
            return;
        const QString ancien = CheckRep(GetWinDir()) + kNomProgramme + kExtensionIni;
        if (!File_Exist(ancien, source, false))
            return;
        const QString nouveau = RepSettings + kNomProgramme + kExtensionIni;
        platform::shell::FileOperation copie;
        copie.operation = platform::shell::operations::Copy;
        copie.from = ancien;
        copie.to = nouveau;
        copie.flags = platform::shell::flags::Silent | platform::shell::flags::NoConfirmation
            | platform::shell::flags::NoErrorUi;
        if (platform::shell::fileOperation(copie) != platform::shell::codes::Success)
            throw platform::RuntimeError(platform::errors::PathFileAccessError,
                platform::runtimeErrorText(platform::errors::PathFileAccessError));
        // The old file goes only once its copy is there: a failed copy is
        // tried again at the next start and nothing is lost.
        if (File_Exist(nouveau, source, false))
            platform::files::remove(ancien);
    });
}

QString NomFichierSettings(const QString& Suffixe, const QString& Extension)
{
    QString nom;
    Trap trap(u"Lib_Public:NomFichierSettings");
    trap([&] {
        if (vide(RepSettings))
            NomDossierSettings();
        nom = RepSettings + kNomProgramme + Suffixe + Extension;
    });
    return nom;
}

} // namespace qn3::services
