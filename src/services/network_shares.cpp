#include "services/network_shares.h"

#include "platform/samba_shares.h"
#include "services/folders.h"
#include "services/formats.h"
#include "services/os_facts.h"
#include "services/trace_log.h"
#include "services/trap.h"

namespace qn3::services {
namespace {

constexpr int32_t kPlatformNt = 2;

// "" and this computer's name, with or without "\\", name this computer.
bool isThisComputer(const QString& Serveur)
{
    QString name = Serveur.trimmed();
    while (name.startsWith(u'\\'))
        name.remove(0, 1);
    return name.isEmpty() || name.compare(ComputerName(), Qt::CaseInsensitive) == 0;
}

void trace(int16_t NoZone, const QString& text) { TraceLog(NoZone, -1, -1, text, false, true); }

} // namespace

int32_t ListePartagesReseau(std::vector<PartageReseau>& Partages, const QString& Serveur)
{
    // No other computer's shares can be asked for here: nothing read.
    if (!isThisComputer(Serveur))
        return 0;
    std::vector<platform::shares::Share> read;
    try {
        read = platform::shares::localShares();
    } catch (...) {
        return 0; // a failed listing simply yields nothing
    }
    if (read.empty())
        return 0;
    Partages.clear();
    Partages.reserve(read.size());
    for (const platform::shares::Share& s : read) {
        PartageReseau p;
        p.Nom = s.name;
        p.Type = static_cast<int32_t>(s.type);
        p.Remarque = s.comment;
        p.UtilisationsMax = s.maxUses;
        p.CheminLocal = s.path;
        Partages.push_back(std::move(p));
    }
    return static_cast<int32_t>(Partages.size());
}

int32_t ListePartagesReseauNT(std::vector<PartageReseau>& Partages, const QString& Serveur)
{
    return VersionOS.dwPlatformId == kPlatformNt ? ListePartagesReseau(Partages, Serveur) : 0;
}

QString ChangeUNCFolder2LocalFolder(int16_t NoZone, const QString& Dossier, const QString& NomOrdinateur)
{
    QString result = Dossier;
    Trap trap(u"Lib_Systeme:ChangeUNCFolder2LocalFolder");
    std::vector<PartageReseau> partages;
    int32_t count = 0;
    trap([&] { count = ListePartagesReseauNT(partages, QString()); });
    if (count < 1)
        return result;
    trap([&] {
        TraceLogEncadre(NoZone, -1, -1, QStringLiteral("Shared Paths List |UNC Path to Change: ") + Dossier,
                        QStringLiteral("="), false);
    });
    const QString racineOrdinateur = QStringLiteral("\\\\") + NomOrdinateur + u'\\';
    for (size_t i = 0; i < partages.size(); ++i) {
        const PartageReseau& p = partages[i];
        if (p.Type != 0 || !Dossier.startsWith(racineOrdinateur + p.Nom + u'\\', Qt::CaseInsensitive))
            continue;
        // A share published without a folder has no local form.
        if (p.CheminLocal.isEmpty())
            return result;
        const QString index = N2S(static_cast<double>(i), 2, 0, QStringLiteral("0"));
        QString nouveau = Dossier;
        trap([&] {
            nouveau.replace(racineOrdinateur + p.Nom, p.CheminLocal, Qt::CaseInsensitive);
            // A drive root's folder ends with its backslash: "E:\" + "\Sons" must not double it.
            nouveau.replace(QStringLiteral(":\\\\"), QStringLiteral(":\\"));
            trace(NoZone, index + QStringLiteral(": UNC: Local Path found: ") + nouveau);
        });
        bool existe = false;
        trap([&] { existe = FolderFound(nouveau); });
        if (existe) {
            trace(NoZone, index + QStringLiteral(": UNC: Path change from: ") + Dossier + QStringLiteral(" to: ") + nouveau);
            result = nouveau;
        }
        return result;
    }
    return result;
}

QString DossierLocalDuPoste(int16_t NoZone, const QString& Dossier)
{
    QString nom;
    Trap trap(u"Lib_Systeme:DossierLocalDuPoste");
    trap([&] { nom = ComputerName(); });
    // "\\PC2\..." is not a path of computer "PC": the name ends at a backslash.
    if (nom.isEmpty() || !Dossier.startsWith(QStringLiteral("\\\\") + nom + u'\\', Qt::CaseInsensitive))
        return Dossier;
    return ChangeUNCFolder2LocalFolder(NoZone, Dossier, nom);
}

} // namespace qn3::services
