#include "services/name_cleaning.h"

#include "services/trap.h"

#include <QStringView>

namespace qn3::services {
namespace {

// Trim in the run time's sense: blanks (code 32) only, not tabs or line ends.
QString trimBlanks(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return first == 0 && last == text.size() ? text : text.sliced(first, last - first);
}

bool isRefusedInFileName(QChar c)
{
    switch (c.unicode()) {
    case u'/': case u'*': case u'?': case u'"': case u'<': case u'>': case u'|': case u':': case u'%':
        return true;
    default:
        return false;
    }
}

// Most names a search meets need no cleaning: say so without building a copy.
bool fileNameIsClean(const QString& name, bool removeDots)
{
    if (name.isEmpty())
        return true;
    if (name.front() == u' ' || name.back() == u' ')
        return false;
    for (QChar c : name) {
        if (isRefusedInFileName(c))
            return false;
    }
    return !removeDots || !name.contains(u"..");
}

} // namespace

QString NettoieNomDeFichier(const QString& Nom, const bool& SupprimerPoints)
{
    if (fileNameIsClean(Nom, SupprimerPoints))
        return Nom;
    QString result = Nom;
    Trap trap(u"Lib_Public:NettoieNomDeFichier");
    trap([&] {
        for (QChar& c : result) {
            if (c != u'%' && isRefusedInFileName(c))
                c = u'_';
        }
    });
    if (SupprimerPoints) {
        trap([&] {
            result.replace(QStringLiteral("..."), QString());
            result.replace(QStringLiteral(".."), QString());
        });
    }
    trap([&] { result.remove(u'%'); });
    trap([&] { result = trimBlanks(result); });
    return result;
}

QString NettoieNomDeDossier(const QString& Dossier)
{
    QString result = Dossier;
    Trap trap(u"Lib_Public:NettoieNomDeDossier");
    trap([&] {
        for (QChar& c : result) {
            switch (c.unicode()) {
            case u'/': case u'*': case u'?': case u'"': case u'<': case u'>': case u'|': case u',':
                c = u' ';
                break;
            default:
                break;
            }
        }
    });
    trap([&] {
        result.replace(QStringLiteral("..."), QString());
        result.replace(QStringLiteral(".."), QString());
        result.remove(u'%');
    });
    trap([&] {
        // Leading blanks would otherwise take the place of the drive and
        // colon kept below, and the drive's colon would become a blank.
        result = trimBlanks(result);
        if (result.size() <= 2)
            return;
        // The first two characters may be "X:" or "\\": only the rest is cleaned.
        QString rest = result.sliced(2);
        rest.replace(u':', u' ');
        rest.replace(QStringLiteral("   "), QStringLiteral(" "));
        result = result.first(2) + rest;
    });
    trap([&] {
        while (result.contains(QStringLiteral(" \\")))
            result.replace(QStringLiteral(" \\"), QStringLiteral("\\"));
    });
    trap([&] { result = trimBlanks(result); });
    return result;
}

} // namespace qn3::services
