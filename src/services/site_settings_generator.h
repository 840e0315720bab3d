#pragma once

#include <QString>

// The first start on a computer without a site settings file: the file is
// made from the suite's older setup, "Win.ini" of the Windows folder and the
// "Zt_sys.ini" of each base's configuration folder, together with each
// base's "QN3_Systeme.ini". Missing files and keys give the suite's
// defaults, so a computer without any older setup gets one base with the
// default folders.
namespace qn3::services {

// Writes the site settings file `FichierSite` and the bases' system files.
// Failures are reported under "Lib_Public:DetermineDossierConfig"; a write
// that fails is skipped and the generation goes on.
void GenerationFichierSite(const QString& FichierSite);

// At most this many bases and stations per base are generated: the suite
// names them with two digits, so a larger count in a damaged setup would
// only rewrite the same sections again and again.
inline constexpr int kMaxBasesGenerees = 20;
inline constexpr int kMaxStationsGenerees = 99;

} // namespace qn3::services
