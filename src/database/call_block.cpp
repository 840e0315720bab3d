#include "database/call_block.h"

#include "database/catalogue.h"
#include "database/record_buffers.h"
#include "services/formats.h"

#include <algorithm>
#include <stdexcept>

namespace qn3::database {

void AjouteHistorique(int zone, const QString& ligne)
{
    if (zoneValide(zone))
        HistoriqueBtr[zone].ajoute(ligne);
}

void PrefixeStatutHistorique(int zone, int16_t statut)
{
    if (zoneValide(zone))
        HistoriqueBtr[zone].prefixeStatut(statut);
}

QString HistoriqueBase::operator[](int numero) const
{
    if (numero < 0 || numero >= kLignesHistorique)
        throw std::out_of_range("history line");
    const Ligne& l = ligne(numero);
    QString texte = l.appel ? EnteteHistorique(l.fichier, l.station, l.operation, l.noCle) + l.texte +
                                  QStringLiteral("] [") + l.appelant + u']'
                            : l.texte;
    if (l.avecStatut)
        texte.prepend(QStringLiteral("S:") + QString::number(l.statut) + u' ');
    return texte;
}

HistoriqueBase::Ligne& HistoriqueBase::nouvelle()
{
    debut_ = (debut_ + kLignesHistorique - 1) % kLignesHistorique;
    Ligne& l = lignes_[static_cast<size_t>(debut_)];
    l = Ligne{};
    return l;
}

void HistoriqueBase::ajoute(const QString& ligne) { nouvelle().texte = ligne; }

void HistoriqueBase::ajouteAppel(int16_t NoFichier, int32_t NoStation, int16_t Operation, int16_t NoCle,
                                 const QString& cle, const QString& appelant)
{
    Ligne& l = nouvelle();
    l.texte = cle;
    l.appelant = appelant;
    l.fichier = NoFichier;
    l.station = NoStation;
    l.operation = Operation;
    l.noCle = NoCle;
    l.appel = true;
}

void HistoriqueBase::prefixeStatut(int16_t statut)
{
    Ligne& l = ligne(0);
    // A call's line begins with "File:"; a line given whole may carry its status already.
    if (l.avecStatut || (!l.appel && l.texte.startsWith(QStringLiteral("S:"))))
        return;
    l.avecStatut = true;
    l.statut = statut;
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
        zone.efface();
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
