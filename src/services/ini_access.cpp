#include "services/ini_access.h"

#include "platform/ansi.h"
#include "platform/file_attributes.h"
#include "platform/private_profile.h"
#include "services/file_operations.h"
#include "services/folders.h"
#include "services/trace_log.h"
#include "services/trap.h"

#include <array>

namespace qn3::services {
namespace {

// The caller's buffer: 255 characters, so at most 254 before its NUL.
constexpr uint32_t kReadBuffer = 255;

// The attribute bits File_RemoveFlag may clear, in the order they are tried.
constexpr std::array<uint32_t, 7> kClearableBits = {64, 32, 16, 8, 4, 2, 1};

bool isBlank(const QString& text) { return text.trimmed().isEmpty(); }

// The profile calls take ANSI text: what the code page cannot hold reaches the
// file (and the lookup) as "?", the same on every road into the file.
QString ansiForm(const QString& text) { return platform::ansi::decode(platform::ansi::encode(text)); }

bool writeOnce(const QString& Fichier, const QString& Section, const QString& Cle, const QString& Valeur)
{
    return platform::PrivateProfile::current()
        .writeString(ansiForm(Fichier), ansiForm(Section), ansiForm(Cle), ansiForm(Valeur))
        .succeeded;
}

} // namespace

bool NomFichierCorrect(const QString& Fichier)
{
    bool correct = true;
    Trap trap(u"Lib_Public:NomFichierCorrect");
    trap([&] {
        for (const char16_t c : {u'*', u'?', u'"', u'|'}) {
            if (Fichier.contains(QChar(c))) {
                correct = false;
                return;
            }
        }
    });
    return correct;
}

QString LectureIni(const QString& Fichier, const QString& Section, const QString& Cle, const QString& Defaut)
{
    QString value = Defaut;
    if (!NomFichierCorrect(Fichier))
        return value;
    Trap trap(u"Lib_Systeme:LectureIni");
    trap([&] {
        const platform::ProfileRead read =
            platform::PrivateProfile::current().readString(ansiForm(Fichier), ansiForm(Section), ansiForm(Cle),
                                                          ansiForm(Defaut), kReadBuffer);
        value = read.text.left(static_cast<qsizetype>(read.count));
    });
    return value;
}

bool EcritureIni(const QString& Fichier, const QString& Section, const QString& Cle, const QString& Valeur)
{
    if (isBlank(Section) || isBlank(Cle) || !NomFichierCorrect(Fichier))
        return false;
    bool written = false;
    Trap trap(u"Lib_Systeme:EcritureIni");
    trap(1, [&] { written = writeOnce(Fichier, Section, Cle, Valeur); });
    if (written)
        return true;
    // Second attempt: the folder may be missing (the platform makes the file,
    // never its folder).
    trap(2, [&] {
        const qsizetype backslash = Fichier.lastIndexOf(u'\\');
        if (backslash >= 0)
            VerificationEtCreationRepertoire(Fichier.left(backslash + 1), true);
    });
    trap(3, [&] { written = writeOnce(Fichier, Section, Cle, Valeur); });
    if (written)
        return true;
    // Third attempt: the file may be read-only.
    trap(4, [&] { File_RemoveFlag(Fichier, static_cast<int32_t>(platform::attributes::ReadOnly)); });
    trap(5, [&] { written = writeOnce(Fichier, Section, Cle, Valeur); });
    return written;
}

void File_RemoveFlag(const QString& Fichier, int32_t Attributs)
{
    if (isBlank(Fichier))
        return;
    Trap trap(u"Lib_Systeme:File_RemoveFlag");
    bool exists = false;
    trap(1, [&] { exists = File_Exist(Fichier, QStringLiteral("Lib_Systeme:File_RemoveFlag"), true); });
    if (!exists) {
        TraceLog(-1, -1, -1, QStringLiteral("Warning: File_RemoveFlag: File not found: ") + Fichier, false, true);
        return;
    }
    uint32_t current = 0;
    if (!trap(2, [&] { current = platform::attributes::get(Fichier); }))
        return;
    uint32_t mask = 0;
    for (const uint32_t bit : kClearableBits) {
        if ((current & bit) && (static_cast<uint32_t>(Attributs) & bit))
            mask |= bit;
    }
    if (mask != 0)
        trap(3, [&] { platform::attributes::set(Fichier, current & ~mask); });
}

} // namespace qn3::services
