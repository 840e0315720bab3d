#pragma once

#include <QString>

#include <array>
#include <cstdint>

// The values the engine writes at start-up and the services read. They are
// shared by design: one program, one thread, one set of folders for the run.
namespace qn3::services {

inline constexpr int kZones = 8;
inline constexpr int kCategories = 9;
inline constexpr int kSlots = 10;

// The main window is unloading: the error routine stays silent from then on.
inline bool FermetureEnCours = false;
// The settings window is loaded and holds the trace log's buffer.
inline bool SetupCharge = false;
// True only inside the development environment; never in the delivered program.
inline bool EnIDE = false;

inline QString FormatDate = QStringLiteral("dd/MM/yyyy");
inline QString FormatHeure = QStringLiteral("HH:MM:SS");

// Folders, each ending with a backslash once set.
inline QString RepApplication;
inline QString RepLogs;
inline QString RepPRG;
inline QString RepSettings;
inline std::array<QString, kZones> RepConfig;
inline std::array<QString, kZones> RepBtr;
inline std::array<QString, kZones> RepLocal;
// Sound folders by zone, category and slot; slots in use are packed from 0.
inline std::array<std::array<std::array<QString, kSlots>, kCategories>, kZones> RepSons;

inline std::array<int16_t, kZones> PremiereStation{};
inline std::array<int16_t, kZones> DerniereStation{};

// 1 when the desktop's visual theme is on, 0 when off.
inline int32_t ThemeActif = 0;

} // namespace qn3::services
