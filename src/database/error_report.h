#pragma once

#include <QString>

#include <cstdint>

// The operator's report of a failed record operation, in the suite's words.
namespace qn3::database {

// Shows the report of status StatutBtr (nothing when it is 0): the file,
// the program, the date and time, the status in words and, unless `Court`,
// the base's last calls and for some statuses the advice to restore the file.
// Status 80 only marks the history. A network status (3000-3132) is traced as
// a framed incident and shown as the two connection sentences. `InfoSeule`
// shows an OK box and returns; otherwise Abort/Retry/Ignore, where Abort
// (or Cancel) writes every traced line and ends the program.
void ErreurBTrieve(int16_t NoZone, int16_t NoFichier, const QString& Cle, const QString& SubAppelant, bool Court,
                   bool InfoSeule);

// "Err:" followed by the status's text and a line feed.
QString ErreurBTrieveLibelle(int16_t Statut, const QString& Cle);

// Development check: a message box when `Cle` is shorter than the key
// `NoCle` of file `NoFichier`. Transactions carry no key and pass.
void BTrieveTestCle(int16_t Operation, const QString& Cle, int16_t NoCle, int16_t NoFichier,
                    const QString& SubAppelant);

namespace detail {

// ErreurBTrieve telling whether the operator chose to end the program, so
// the call layer stops there (the test double of the end returns).
bool RapportErreur(int16_t NoZone, int16_t NoFichier, const QString& Cle, const QString& SubAppelant, bool Court,
                   bool InfoSeule);

// Ends the program at once, after the last write every ending of the program
// makes: every line traced so far reaches the day's log, in order, once.
void FinProgramme();

} // namespace detail
} // namespace qn3::database
