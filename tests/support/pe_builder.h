#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

// Small Windows program images made byte by byte, for the version-resource
// reader's tests and fuzz seeds.
namespace qn3::testing::pe {

struct StringTableSpec {
    QString key; // "040C04E4"
    std::vector<std::pair<QString, QString>> values;
};

struct VersionSpec {
    uint32_t fileVersionMS = 0, fileVersionLS = 0, productVersionMS = 0, productVersionLS = 0;
    std::vector<std::pair<uint16_t, uint16_t>> translations; // language, code page
    std::vector<StringTableSpec> tables;
};

// The VS_VERSIONINFO block.
QByteArray versionBlock(const VersionSpec& spec);

// A PE image (PE32, or PE32+ when `pe32Plus`) with one ".rsrc" section whose
// resource tree holds `versionBlock` as RT_VERSION #1, language 0x40C; an
// empty block gives an image without resource directory.
QByteArray image(const QByteArray& versionBlock, bool pe32Plus = false);

// Offsets of interesting places in the images `image` makes.
inline constexpr int PeHeaderOffset = 0x40;
inline constexpr int SectionRawOffset = 0x200;

} // namespace qn3::testing::pe
