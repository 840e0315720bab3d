#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// Creation of an empty record file from its section of "ZT_BTR.ini".
namespace qn3::database {

// The record manager's creation buffer of the last creation: 160 bytes,
// kept between creations (a key the next section leaves out keeps its bytes).
QByteArray SpecFichierBtr();

// Creates the file that `Section` of RepConfig(NoZone) & "ZT_BTR.ini"
// describes in `DossierDonnees`, named by its "Fichier" key with "Frad"
// (or "FExp" for an `Export`) in place of its first four characters and, for
// a per-station file, the letter of `NoStation` as fifth; `Extension` (".bt6"
// when blank). `Chemin` receives the path followed by one blank; StatutBtr
// the record manager's status. Nothing is traced or shown. A section that
// names no file creates nothing and gives status 11; a file that is already
// there, of whatever kind, is left as it is and gives status 59.
void CreationStructureVide(int16_t NoZone, int16_t NoFichier, const QString& Section, QString& Chemin,
                           const QString& DossierDonnees, int16_t NoStation, const bool& Export,
                           const QString& Extension);

} // namespace qn3::database
