#include "database/call_block.h"

#include "database/catalogue.h"
#include "database/record_buffers.h"
#include "services/formats.h"

#include <algorithm>

namespace qn3::database {

void AjouteHistorique(int zone, const QString& ligne)
{
    if (!zoneValide(zone))
        return;
    auto& lignes = HistoriqueBtr[zone];
    std::move_backward(lignes.begin(), lignes.end() - 1, lignes.end());
    lignes[0] = ligne;
}

void PrefixeStatutHistorique(int zone, int16_t statut)
{
    if (!zoneValide(zone))
        return;
    QString& ligne = HistoriqueBtr[zone][0];
    if (!ligne.startsWith(QStringLiteral("S:")))
        ligne.prepend(QStringLiteral("S:") + QString::number(statut) + u' ');
}

namespace {

// N2S(valeur, 2, 0, "0"), without its general formatting for the usual values.
QString deuxChiffres(int valeur)
{
    if (valeur >= 0 && valeur <= 99)
    {
        const QChar chiffres[] = {QChar(u'0' + valeur / 10), QChar(u'0' + valeur % 10)};
        return QString(chiffres, 2);
    }
    return services::N2S(valeur, 2, 0, QStringLiteral("0"));
}

} // namespace

QString EnteteHistorique(int16_t NoFichier, int32_t NoStation, int16_t Operation, int16_t NoCle)
{
    return QStringLiteral("File:") + deuxChiffres(NoFichier) + QStringLiteral(" Station:") +
           QString::number(NoStation) + QStringLiteral(" OP:") + deuxChiffres(Operation) + QStringLiteral(" K:") +
           deuxChiffres(NoCle) + QStringLiteral(" [");
}

void TEST_resetDatabaseState()
{
    StatutBtr = OpBtr = NumCleBtr = NumFichierBtr = 0;
    CleBtr.clear();
    LongueurEnrBtr.fill(0);
    for (auto& zone : PositionBtr)
        for (auto& fichier : zone)
            for (auto& bloc : fichier)
                bloc.fill('\0');
    for (auto& zone : HistoriqueBtr)
        zone.fill(QString());
    TransactionBtr = false;
    PositionSauveeBtr.clear();
    for (auto* table : {&FichiersAOuvrir, &FichiersOuverts})
        for (auto& zone : *table)
            for (auto& fichier : zone)
                fichier.fill(0);
    for (auto& zone : NomSectionBtr)
        zone.fill(QString());
    BaseOuverte = false;
    CatalogueFichiers.fill({});
    TEST_resetRecordBuffers();
}

} // namespace qn3::database
