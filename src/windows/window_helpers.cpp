#include "windows/window_helpers.h"

#include "services/user_interaction.h"

#include <QApplication>
#include <QWidget>

namespace qn3::windows {

void PositionFeuille(QWidget*, QString&) {}
void PositionFeuilleSauvegarde(QWidget*, QString&) {}

void AfficherAuDessus(QWidget* Feuille, int32_t Actif)
{
    if (Feuille == nullptr || (Actif != -1 && Actif != 0))
        return;
    Feuille->setProperty("Tag", Actif == -1 ? QStringLiteral("1") : QStringLiteral("0"));
}

void AfficherMessageBoxOuInputBox(int32_t) {}

int32_t Question(const QString& Texte, QWidget*, int32_t Boutons, const QString& Titre)
{
    return services::UserInteraction::current().askMessageBox({Texte.trimmed(), Boutons, Titre.trimmed()});
}

void SablierOn(QWidget*) {}
void SablierOff(QWidget*) {}
void AfficherBarreDeTache(int32_t) {}
void AfficherBureau(int32_t) {}

} // namespace qn3::windows
