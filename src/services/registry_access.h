#pragma once

#include <QString>

#include <cstdint>

// Reading and writing registry values (platform/registry_store.h). Both open
// their key by creating it, so even a read makes a missing key. Failures come
// back as the platform's registry codes and are never traced; no failure
// reaches a caller.
namespace qn3::services {

// `CleRacine`: platform::HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE, or 0 for
// the platform's choice (NT family: current user; 9x family: local machine;
// any other platform: no key, code 6).
//
// `Resultat` receives the value as text: REG_SZ and REG_EXPAND_SZ as stored
// (not expanded), REG_DWORD in signed decimal. 0 when read, and also when the
// value is missing or empty (`Resultat` empty); 1010 for an empty key path;
// 234 for another type; else the platform's code.
int32_t Reg_GetValue(uint32_t CleRacine, const QString& CheminCle, const QString& NomValeur, QString& Resultat);

// Writes `Valeur` as REG_SZ (an empty text as a value of size 0), or with
// `TypeValeur` 4 as REG_DWORD holding the whole number nearest to the number the
// text starts with (error 6 reported when it does not fit).
// 1010 for an empty key path or value name; else the platform's code.
int32_t Reg_SetValue(uint32_t CleRacine, const QString& CheminCle, const QString& NomValeur, const QString& Valeur,
                     int32_t TypeValeur);

} // namespace qn3::services
