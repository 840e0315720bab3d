#pragma once

#include <QString>

#include <array>
#include <cstdint>

// The state the radio database layer shares with its callers: the call block
// a caller fills before each record operation, the tables of the open record
// files and the history of the last calls of each base. One program, one
// thread: this is module state alive for the whole run, never locked.
namespace qn3::database {

inline constexpr int kZones = 8;
inline constexpr int kFichiers = 51; // record-file numbers 0 to 50
inline constexpr int kStations = 10; // station indexes 0 to 9 (station - 1)
inline constexpr int kLignesHistorique = 6;
inline constexpr int kTaillePosition = 128;

// The record manager's position block of one open file.
using PositionBlock = std::array<char, kTaillePosition>;

// The call block: the caller sets OpBtr, NumCleBtr, NumFichierBtr and CleBtr,
// calls BTRieve, then tests StatutBtr (0, 4, 5, 9; anything else has been
// reported already).
inline int16_t StatutBtr = 0;
inline int16_t OpBtr = 0;
inline int16_t NumCleBtr = 0;
inline int16_t NumFichierBtr = 0;
inline QString CleBtr;

// Data length handed to the record manager, per file for every base and station.
inline std::array<int16_t, kFichiers> LongueurEnrBtr{};
// Position block per base, file and station index.
inline std::array<std::array<std::array<PositionBlock, kStations>, kFichiers>, kZones> PositionBtr{};
// The last six calls of one base, line 0 the newest. A call's line keeps
// the parts of the call and is written out only when it is read: nearly
// every call ends without anyone reading it.
class HistoriqueBase {
public:
    // Line `ligne` (0 to 5) as the error report shows it.
    QString operator[](int ligne) const;

    // Adds a line given whole as line 0; the older lines move down one place
    // and line 5 is dropped.
    void ajoute(const QString& ligne);
    // The same for a call: "File:17 Station:1 OP:05 K:00 [<cle>] [<appelant>]".
    void ajouteAppel(int16_t NoFichier, int32_t NoStation, int16_t Operation, int16_t NoCle, const QString& cle,
                     const QString& appelant);
    // Puts "S:" and `statut` in front of line 0 unless it begins with "S:".
    void prefixeStatut(int16_t statut);
    void efface() { *this = {}; }

private:
    struct Ligne {
        QString texte;     // the whole line, or a call's key
        QString appelant;  // a call's caller
        int16_t fichier = 0, operation = 0, noCle = 0;
        int32_t station = 0;
        bool appel = false;
        bool avecStatut = false;
        int16_t statut = 0;
    };
    Ligne& nouvelle();
    Ligne& ligne(int numero) { return lignes_[static_cast<size_t>((debut_ + numero) % kLignesHistorique)]; }
    const Ligne& ligne(int numero) const
    {
        return lignes_[static_cast<size_t>((debut_ + numero) % kLignesHistorique)];
    }

    // A ring: line 0 is lignes_[debut_], a new line takes the place of line 5.
    std::array<Ligne, kLignesHistorique> lignes_;
    int debut_ = 0;
};
inline std::array<HistoriqueBase, kZones> HistoriqueBtr;
// A transaction of the record manager is open (one for the whole program).
inline bool TransactionBtr = false;
// The position saved by Get Position (22) for Get Direct (23).
inline QString PositionSauveeBtr;

// Record files the start-up marked to open, per base, file and station index
// (-1 True, 0 False): only those may be used.
inline std::array<std::array<std::array<int16_t, kStations>, kFichiers>, kZones> FichiersAOuvrir{};
// Record files opened so far, same indexes; a later opening skips them.
inline std::array<std::array<std::array<int16_t, kStations>, kFichiers>, kZones> FichiersOuverts{};
// Each file's section in "ZT_BTR.ini" without "FIC_" ("Frad017"), per base and file.
inline std::array<std::array<QString, kFichiers>, kZones> NomSectionBtr;
// The record files of the start-up base were all opened.
inline bool BaseOuverte = false;

inline bool zoneValide(int zone) { return zone >= 0 && zone < kZones; }
inline bool fichierValide(int fichier) { return fichier >= 0 && fichier < kFichiers; }

// Adds `ligne` as line 0 of the base's history, the older lines moving down
// one place and line 5 dropped. A base outside 0..7 has no history.
void AjouteHistorique(int zone, const QString& ligne);

// Puts "S:" and `statut` in front of the base's history line 0 unless it
// already begins with "S:".
void PrefixeStatutHistorique(int zone, int16_t statut);

// The opening of a history line: "File:17 Station:1 OP:05 K:00 [".
QString EnteteHistorique(int16_t NoFichier, int32_t NoStation, int16_t Operation, int16_t NoCle);

// Test only: every value above back to its start-up state (record buffers too).
void TEST_resetDatabaseState();

} // namespace qn3::database
