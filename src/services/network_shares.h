#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// This computer's network shares, and the local folder behind a network path
// that goes through one of them. The share list is what the platform reads
// from the file-sharing service's configuration; the records come whole, so no
// memory walk over a system buffer is needed here.
namespace qn3::services {

struct PartageReseau {
    QString Nom;
    int32_t Type = 0; // 0 = disk share; administrative and special shares have other values
    QString Remarque;
    int32_t Permissions = 0;
    int32_t UtilisationsMax = 0;
    int32_t UtilisationsEnCours = 0;
    QString CheminLocal; // Windows path of the shared folder
    QString MotDePasse;
};

// The shares of `Serveur` ("" or this computer's name, with or without the
// leading "\\"): their count, positive for a full listing; 0 when nothing
// could be read (no share, another computer, an unreadable configuration).
// `Partages` is replaced only when shares were read. Reports nothing.
int32_t ListePartagesReseau(std::vector<PartageReseau>& Partages, const QString& Serveur);

// ListePartagesReseau on the NT family (VersionOS platform id 2), else 0
// with `Partages` left alone.
int32_t ListePartagesReseauNT(std::vector<PartageReseau>& Partages, const QString& Serveur);

// "\\<NomOrdinateur>\<share>\rest" through one of this computer's disk
// shares becomes "<share's folder>\rest" when that folder exists (it is made
// when only its last levels are missing); anything else comes back as
// `Dossier`. Traces the search under zone `NoZone`.
QString ChangeUNCFolder2LocalFolder(int16_t NoZone, const QString& Dossier, const QString& NomOrdinateur);

// ChangeUNCFolder2LocalFolder for a folder named through this computer: a
// path beginning with "\\", ComputerName() (case ignored) and "\" is looked up
// among the shares; any other comes back as it is, without a listing.
QString DossierLocalDuPoste(int16_t NoZone, const QString& Dossier);

} // namespace qn3::services
