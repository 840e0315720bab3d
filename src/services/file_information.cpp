#include "services/file_information.h"

#include "platform/ansi.h"
#include "platform/runtime_error.h"
#include "platform/version_resource.h"
#include "services/file_operations.h"
#include "services/trap.h"

#include <QLocale>
#include <QRegularExpression>

#include <array>
#include <limits>
#include <utility>

namespace qn3::services {
namespace {

// The version data of the last file GetFileInfo read, and its translation
// key, for SplitInfo.
platform::version::VersionResource derniereVersion;
QString LangueVersion;

struct AttributeLetter {
    int32_t bit;
    const char16_t* letters;
};

// In the order the letters are written; 8192 (not indexed) adds nothing.
constexpr std::array<AttributeLetter, 13> kLetters = {{{32768, u"L"},
                                                       {16384, u"E"},
                                                       {8192, u""},
                                                       {4096, u"O"},
                                                       {2048, u"C"},
                                                       {1024, u"R-P"},
                                                       {512, u"s1-F"},
                                                       {256, u"T"},
                                                       {32, u"A"},
                                                       {16, u"D"},
                                                       {4, u"s1"},
                                                       {2, u"H"},
                                                       {1, u"R"}}};

constexpr int32_t kNormal = 128;

// The long time form without its time zone, which Windows' long time has not.
QString longTimeFormat(const QLocale& locale)
{
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    return locale.timeFormat(QLocale::LongFormat).remove(zone).trimmed();
}

} // namespace

platform::fileinfo::FindData GetFileData(const QString& Chemin)
{
    return platform::fileinfo::findFirst(Chemin).value_or(platform::fileinfo::FindData{});
}

QString StrFileTime(const platform::fileinfo::FileTime& Temps)
{
    QString text;
    Trap trap(u"Lib_Main:StrFileTime");
    trap([&] {
        QDateTime local = platform::fileinfo::fromFileTime(Temps).toLocalTime();
        local.setTime(QTime(local.time().hour(), local.time().minute(), local.time().second()));
        const QLocale locale;
        text = locale.toString(local.date(), QLocale::ShortFormat);
        if (local.time() != QTime(0, 0))
            text += u' ' + locale.toString(local.time(), longTimeFormat(locale));
    });
    return text;
}

QString GetStrAtt(int32_t Attributs)
{
    if (Attributs == kNormal)
        return QStringLiteral("N");
    if (Attributs == 0)
        return QStringLiteral("None");
    int32_t known = 0;
    for (const AttributeLetter& l : kLetters)
        known |= l.bit;
    if (Attributs < 0 || (Attributs & ~known) != 0)
        return QStringLiteral("Erreur d'attribut");
    QString letters;
    for (const AttributeLetter& l : kLetters) {
        if (Attributs & l.bit)
            letters += QString::fromUtf16(l.letters);
    }
    return letters;
}

QString SplitInfo(const QString& Cle)
{
    QString value;
    Trap trap(u"Lib_Main:SplitInfo");
    trap([&] {
        // The value reaches the program as ANSI text.
        value = platform::ansi::decode(platform::ansi::encode(derniereVersion.stringValue(LangueVersion, Cle)));
    });
    return value;
}

FileInfo GetFileInfo(const QString& Chemin)
{
    FileInfo info;
    Trap trap(u"Lib_Main:GetFileInfo");
    info.Chemin = Chemin;
    if (const qsizetype slash = Chemin.lastIndexOf(u'\\'); slash >= 0)
        info.NomFichier = Chemin.mid(slash + 1);
    if (const qsizetype dot = Chemin.lastIndexOf(u'.'); dot >= 0)
        info.Extension = Chemin.mid(dot + 1);
    trap([&] { info.Existe = File_Exist(Chemin, QStringLiteral("Lib_Main:GetFileInfo"), false); });
    if (!info.Existe)
        return info;

    platform::fileinfo::FindData entree;
    trap([&] { entree = GetFileData(Chemin); });
    info.Attributs = GetStrAtt(static_cast<int32_t>(entree.attributes));
    trap([&] {
        // Both parts read as signed 32-bit numbers, their sum as one too.
        const int64_t taille = int64_t(int32_t(entree.sizeHigh)) + int64_t(int32_t(entree.sizeLow));
        if (taille < std::numeric_limits<int32_t>::min() || taille > std::numeric_limits<int32_t>::max())
            throw platform::RuntimeError(platform::errors::Overflow, platform::runtimeErrorText(platform::errors::Overflow));
        info.Taille = int32_t(taille);
    });
    info.DateCreation = StrFileTime(entree.creationTime);
    info.DateAcces = StrFileTime(entree.lastAccessTime);
    info.DateModification = StrFileTime(entree.lastWriteTime);

    // The strings of another file must never answer for this one.
    derniereVersion = {};
    LangueVersion.clear();
    trap([&] {
        derniereVersion = platform::version::readFileVersionResource(Chemin);
        if (derniereVersion.present && !derniereVersion.translations.empty())
            LangueVersion = platform::version::translationKey(derniereVersion.translations.front());
    });
    if (!derniereVersion.present)
        return info;
    const std::array<std::pair<QString*, const char16_t*>, 8> champs = {{{&info.CompanyName, u"CompanyName"},
                                                                          {&info.FileDescription, u"FileDescription"},
                                                                          {&info.FileVersion, u"FileVersion"},
                                                                          {&info.InternalName, u"InternalName"},
                                                                          {&info.MentionsLegales, u"LegalCopyright"},
                                                                          {&info.OriginalFileName, u"OriginalFileName"},
                                                                          {&info.ProductName, u"ProductName"},
                                                                          {&info.ProductVersion, u"ProductVersion"}}};
    for (const auto& [champ, cle] : champs)
        *champ = SplitInfo(QString::fromUtf16(cle));
    return info;
}

} // namespace qn3::services
