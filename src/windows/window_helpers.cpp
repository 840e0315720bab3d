#include "windows/window_helpers.h"

#include "services/formats.h"
#include "services/ini_access.h"
#include "services/settings_folders.h"
#include "services/shared_values.h"
#include "services/trap.h"
#include "services/user_interaction.h"
#include "windows/twips.h"
#include "windows/window_required.h"

#include <QApplication>
#include <QScreen>
#include <QVariant>
#include <QWindow>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace qn3::windows {
namespace {

constexpr int32_t kTrue = -1;
constexpr int32_t kFalse = 0;

const QString kSection = QStringLiteral("FrmPos");
const char* const kTagProperty = "Tag";

// Positions beyond what a window can take (16777215 pixels either way)
// are brought to that limit, so a damaged file never overflows a conversion.
constexpr double kMaxTwips = 16777215.0 * kTwipsPerPixel;

QString positionsFile()
{
    return services::NomFichierSettings(QStringLiteral("_Positions"), QStringLiteral(".Ini"));
}

// A suffix of spaces only leaves the keys and the caller's variable alone;
// any other one is used untrimmed and handed back with its underscore.
QString keyEnding(QString& Suffixe)
{
    if (Suffixe.count(u' ') == Suffixe.size())
        return {};
    Suffixe = u'_' + Suffixe;
    return Suffixe;
}

int readTwips(const QString& key)
{
    const double value = services::Val(services::LectureIni(positionsFile(), kSection, key, QStringLiteral("0")));
    if (std::isnan(value))
        return 0;
    return static_cast<int>(std::clamp(value, -kMaxTwips, kMaxTwips));
}

int screenHeightTwips(const QWidget* Feuille)
{
    const QScreen* screen = Feuille->screen() != nullptr ? Feuille->screen() : QGuiApplication::primaryScreen();
    return screen != nullptr ? pixelsToTwips(screen->geometry().height()) : 0;
}

QString tagOf(const QWidget* window)
{
    return window->property(kTagProperty).toString();
}

void setTag(QWidget* window, const QString& tag)
{
    window->setProperty(kTagProperty, tag);
}

QString trimSpaces(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ')
        ++first;
    while (last > first && text.at(last - 1) == u' ')
        --last;
    return text.mid(first, last - first);
}

} // namespace

// A window the platform already shows changes in place: recreating it, as
// setWindowFlags does, would hide it and take its focus away.
void setStaysOnTop(QWidget* window, bool onTop)
{
    Qt::WindowFlags flags = window->windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    if (QWindow* handle = window->windowHandle()) {
        window->overrideWindowFlags(flags);
        handle->setFlags(flags);
    } else {
        window->setWindowFlags(flags);
    }
}

void PositionFeuille(QWidget* Feuille, QString& Suffixe)
{
    services::Trap trap(u"Lib_Public:PositionFeuille");
    QString ending;
    trap([&] { ending = keyEnding(Suffixe); });
    trap([&] {
        requireWindow(Feuille);
        const QString name = Feuille->objectName();
        const int left = readTwips(name + QStringLiteral("_Left") + ending);
        Feuille->move(twipsToPixels(left), Feuille->y());
        const int top = readTwips(name + QStringLiteral("_Top") + ending);
        Feuille->move(Feuille->x(), twipsToPixels(top));
    });
    trap([&] {
        requireWindow(Feuille);
        const int top = pixelsToTwips(Feuille->y());
        const int screenHeight = screenHeightTwips(Feuille);
        if (top > screenHeight)
            Feuille->move(Feuille->x(), twipsToPixels(screenHeight / 2));
        else if (top + pixelsToTwips(Feuille->frameGeometry().height()) < 100)
            Feuille->move(Feuille->x(), 0);
    });
    trap([&] {
        requireWindow(Feuille);
        if (pixelsToTwips(Feuille->x()) < -20000)
            Feuille->move(0, Feuille->y());
    });
}

void PositionFeuilleSauvegarde(QWidget* Feuille, QString& Suffixe)
{
    services::Trap trap(u"Lib_Public:PositionFeuilleSauvegarde");
    QString ending;
    trap([&] { ending = keyEnding(Suffixe); });
    trap([&] {
        requireWindow(Feuille);
        const QString name = Feuille->objectName();
        services::EcritureIni(positionsFile(), kSection, name + QStringLiteral("_Left") + ending,
                              QString::number(pixelsToTwips(Feuille->x())));
        services::EcritureIni(positionsFile(), kSection, name + QStringLiteral("_Top") + ending,
                              QString::number(pixelsToTwips(Feuille->y())));
    });
}

void AfficherAuDessus(QWidget* Feuille, int32_t Actif)
{
    services::Trap trap(u"Lib_Public:AfficherAuDessus");
    if (Actif != kTrue && Actif != kFalse)
        return;
    trap([&] {
        requireWindow(Feuille);
        setStaysOnTop(Feuille->window(), Actif == kTrue);
        setTag(Feuille, Actif == kTrue ? QStringLiteral("1") : QStringLiteral("0"));
    });
}

void AfficherMessageBoxOuInputBox(int32_t Avant)
{
    services::Trap trap(u"Lib_Public:AfficherMessageBoxOuInputBox");
    trap([&] {
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
            QWidget* window = *it;
            if (Avant == kTrue) {
                if (tagOf(window) == QStringLiteral("1") && window->isVisible()) {
                    AfficherAuDessus(window, kFalse);
                    setTag(window, QStringLiteral("-1"));
                }
            } else if (tagOf(window) == QStringLiteral("-1")) {
                AfficherAuDessus(window, kTrue);
            }
        }
    });
}

int32_t Question(const QString& Texte, QWidget*, int32_t Boutons, const QString& Titre)
{
    services::Trap trap(u"Lib_Public:Question");
    int32_t answer = 0;
    trap([&] {
        answer = services::UserInteraction::current().askMessageBox({trimSpaces(Texte), Boutons, trimSpaces(Titre)});
    });
    return answer;
}

void SablierOn(QWidget* Feuille)
{
    services::Trap trap(u"Lib_Public:SablierOn");
    trap([&] {
        requireWindow(Feuille);
        Feuille->setCursor(Qt::WaitCursor);
    });
    // The pointer changes only once the pending messages have run.
    trap([&] { QCoreApplication::processEvents(); });
}

void SablierOff(QWidget* Feuille)
{
    services::Trap trap(u"Lib_Public:SablierOff");
    trap([&] {
        requireWindow(Feuille);
        Feuille->unsetCursor();
    });
}

// This desktop has no top-level windows of the Windows shell's classes
// ("Shell_TrayWnd", "Progman") and no way to show or hide another
// program's window: the search finds no handle, and a zero handle changes
// nothing, exactly as the shell's call treats it, whatever the flag asks.
void AfficherBarreDeTache(int32_t) {}
void AfficherBureau(int32_t) {}

} // namespace qn3::windows
