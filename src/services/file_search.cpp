#include "services/file_search.h"

#include "platform/ansi.h"
#include "platform/directory_listing.h"
#include "platform/file_info.h"
#include "platform/runtime_error.h"
#include "services/error_routine.h"
#include "services/name_cleaning.h"
#include "services/path_names.h"
#include "services/trace_log.h"
#include "services/trap.h"
#include "services/user_interaction.h"

#include <QCoreApplication>

namespace qn3::services {
namespace {

namespace errors = platform::errors;

constexpr int kEntriesPerMessagePump = 10;

// Lets the pending window messages run once and returns: the scan stays
// responsive without waiting for anything.
void letMessagesRun()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

// Names a Linux folder may hold but no Windows path reaches: the path
// mapping drops a trailing dot, and a backslash would split the name. A
// character the ANSI code page lacks (or bytes that are not UTF-8) would come
// through the ANSI calls as "?", which cleaning refuses.
bool unreachableByWindowsPath(const QString& name)
{
    if (name.endsWith(u'.') || name.contains(u'\\'))
        return true;
    for (const QChar c : name) {
        if (c.unicode() >= 0x80 && platform::ansi::toByte(c.unicode()) == '?')
            return true;
    }
    return false;
}

void traceRefused(const QString& text)
{
    TraceLog(-1, -1, -1, QStringLiteral("Err: File not found: ") + text, false, true);
}

// An entry vanished between the listing and its test: the user must rename
// what the listing showed, so say which one.
void reportVanishedEntry(const QString& Dossier, const QString& Masque, const QString& name)
{
    traceRefused(Dossier + name + QStringLiteral(" |Recherche: ") + name + QStringLiteral(" |Filter: ") + Dossier + Masque);
    const QString lineBreaks = QStringLiteral("\r\n\r\n");
    MessageBoxRequest box;
    box.text = QStringLiteral("Nom de fichier incorrect:") + lineBreaks + Dossier + name + lineBreaks +
               QStringLiteral("Veuillez le renommer manuellement");
    box.style = msgbox::Critical | msgbox::SetForeground;
    box.title = Frm_Main().Caption;
    UserInteraction::current().askMessageBox(box);
}

// The filter's pieces, upper case.
struct Filter {
    QString text; // as the caller gave it: extensions are looked for in it
    QString name;
    QString extension;
    bool prefix = false;

    bool keeps(const QString& fileName, const QString& fileExtension) const
    {
        const bool nameFits = prefix ? fileName.startsWith(name) : fileName == name;
        if (extension == u".*")
            return fileName.startsWith(name);
        if (extension == fileExtension)
            return nameFits;
        return text.contains(fileExtension, Qt::CaseInsensitive) && nameFits;
    }
};

Filter splitFilter(const QString& Filtre)
{
    EclateRepFicExt(Filtre.toUpper());
    Filter filter{Filtre, FichierEclate.Fichier, FichierEclate.Extension, false};
    if (const qsizetype star = filter.name.indexOf(u'*'); star >= 0) {
        filter.name.truncate(star);
        filter.prefix = true;
    }
    return filter;
}

} // namespace

void RechercheFichierBis(const QString& Dossier, const QString& Masque, bool Recursif, ListBox& ListeFichiers,
                         ListBox& ListeDossiers, bool NonVides)
{
    QString name; // the entry being looked at, named in the reports
    bool folderEnds = false;
    Trap trap(u"Lib_Public:RechercheFichierBis");
    trap.setDetail([&] { return QStringLiteral(" |Recherche: ") + name + QStringLiteral(" |Filter: ") + Dossier + Masque; });
    trap.setReport([&] {
        if (InfoErreur.Numero == errors::FileNotFound) {
            reportVanishedEntry(Dossier, Masque, name);
            folderEnds = true;
        } else {
            GestionDesErreurs(trap.source());
        }
    });

    QList<platform::DirectoryEntry> entries;
    try {
        entries = platform::listDirectory(Dossier + Masque);
    } catch (const platform::RuntimeError& e) {
        // A folder that is not there has no entries, as the run time's Dir
        // says: scanners look at folders that come and go.
        if (e.number() != errors::PathNotFound)
            trap([&] { throw; });
        return;
    } catch (...) {
        trap([&] { throw; });
        return;
    }

    for (const platform::DirectoryEntry& entry : entries) {
        name = entry.name;
        // The listing's own facts settle hidden and folder, so a large tree
        // costs no call per entry: a dot name is hidden on this platform.
        if (name.startsWith(u'.'))
            continue;
        if (NettoieNomDeFichier(name, false) != name || unreachableByWindowsPath(name)) {
            traceRefused(Dossier + name);
            continue;
        }
        if (entry.isFolder) {
            if (Recursif)
                trap([&] { ListeDossiers.AddItem(CheckRep(Dossier + name)); });
            continue;
        }
        if (NonVides) {
            int64_t size = 0;
            if (!trap([&] { size = platform::fileinfo::size(Dossier + name); })) {
                if (folderEnds)
                    return;
                continue; // a file whose size is unknown is not known to hold anything
            }
            if (size == 0)
                continue;
        }
        trap([&] { ListeFichiers.AddItem(Dossier + name); });
    }
}

void RechercheFichier(const QString& Dossier, const QString& Filtre, bool Recursif, ListBox& ListeFichiers,
                      ListBox& ListeDossiers, bool NonVides)
{
    Trap trap(u"Lib_Public:RechercheFichier");
    trap.setReport([&] {
        if (InfoErreur.Numero != errors::PathFileAccessError)
            GestionDesErreurs(trap.source());
    });

    trap([&] {
        ListeFichiers.Clear();
        ListeDossiers.Clear();
    });
    RechercheFichierBis(Dossier, QString(), Recursif, ListeFichiers, ListeDossiers, NonVides);
    if (Recursif) {
        // The work list is the queue: folders found are appended behind the
        // ones waiting, so the tree is walked level by level without recursion.
        while (ListeDossiers.ListCount() > 0) {
            const QString folder = CheckRep(ListeDossiers.List(0));
            RechercheFichierBis(folder, QString(), Recursif, ListeFichiers, ListeDossiers, NonVides);
            if (!trap([&] { ListeDossiers.RemoveItem(0); }))
                break; // a handler emptied the list meanwhile
            letMessagesRun();
        }
    }
    if (Filtre == u"*.*")
        return;

    trap([&] {
        const Filter filter = splitFilter(Filtre);
        const QStringList& files = ListeFichiers.lines();
        QStringList kept;
        kept.reserve(files.size());
        for (qsizetype i = 0; i < files.size(); ++i) {
            EclateRepFicExt(files[i].toUpper());
            if (filter.keeps(FichierEclate.Fichier, FichierEclate.Extension))
                kept.append(files[i]);
            if ((i + 1) % kEntriesPerMessagePump == 0)
                letMessagesRun();
        }
        // One replacement rather than one removal per dropped entry: a
        // removal from the front of a long list moves all the lines behind it.
        ListeFichiers.setLines(std::move(kept));
    });
}

} // namespace qn3::services
