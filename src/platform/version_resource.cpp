#include "platform/version_resource.h"

#include "build_numbers.h"

#include "platform/regular_file.h"
#include "platform/windows_path.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>

// Map of this file:
//   Bytes           bounded little-endian reads over the image
//   PE layout       MZ header -> PE header -> data directory 2 -> section table
//   Resource tree   type 16 (RT_VERSION) -> name -> language -> data entry
//   Version block   VS_VERSIONINFO -> fixed info, StringFileInfo, VarFileInfo
//   Public entry points and the build numbers
//
// Every offset read from the file is checked against the bytes there before
// it is used, in 64-bit arithmetic so no sum can wrap; every walk moves
// forward by at least one aligned header, so no input can make it loop.

namespace qn3::platform::version {
namespace {

// ---- Bytes -----------------------------------------------------------------

class Bytes {
public:
    explicit Bytes(QByteArrayView data) : data_(data) {}

    uint64_t size() const { return uint64_t(data_.size()); }
    bool has(uint64_t offset, uint64_t length) const { return offset <= size() && length <= size() - offset; }

    uint32_t u16(uint64_t offset) const { return read(offset, 2); }
    uint32_t u32(uint64_t offset) const { return read(offset, 4); }

    Bytes slice(uint64_t offset, uint64_t length) const
    {
        if (!has(offset, length))
            return Bytes({});
        return Bytes(data_.sliced(qsizetype(offset), qsizetype(length)));
    }

    // UTF-16 text from `offset`, ending at its NUL or at `end`; `next` gets the
    // offset after the NUL (or `end`).
    QString utf16(uint64_t offset, uint64_t end, uint64_t* next = nullptr) const
    {
        end = std::min(end, size());
        QString text;
        uint64_t at = offset;
        for (; at + 2 <= end; at += 2) {
            const char16_t unit = char16_t(u16(at));
            if (unit == 0) {
                at += 2;
                break;
            }
            text.append(QChar(unit));
        }
        if (next)
            *next = std::min(at, end);
        return text;
    }

private:
    // Out-of-range reads give 0; callers check `has` where 0 would mislead.
    uint32_t read(uint64_t offset, int width) const
    {
        if (!has(offset, uint64_t(width)))
            return 0;
        uint32_t value = 0;
        for (int i = width - 1; i >= 0; --i)
            value = (value << 8) | static_cast<unsigned char>(data_[qsizetype(offset) + i]);
        return value;
    }

    QByteArrayView data_;
};

uint64_t align4(uint64_t offset) { return (offset + 3) & ~uint64_t(3); }

// ---- PE layout -------------------------------------------------------------

struct Section {
    uint64_t virtualAddress;
    uint64_t rawSize;
    uint64_t rawOffset;
};

struct PeImage {
    std::vector<Section> sections;
    uint64_t resourceRva = 0;
    uint64_t resourceSize = 0;
};

constexpr uint32_t ResourceDirectoryIndex = 2;
constexpr uint32_t MaxSections = 96; // the PE loader's own limit

std::optional<PeImage> readPeLayout(const Bytes& file)
{
    if (!file.has(0, 64) || file.u16(0) != 0x5A4D) // "MZ"
        return std::nullopt;
    const uint64_t pe = file.u32(0x3C);
    if (!file.has(pe, 24) || file.u32(pe) != 0x00004550) // "PE\0\0"
        return std::nullopt;
    const uint32_t sectionCount = file.u16(pe + 6);
    const uint64_t optionalSize = file.u16(pe + 20);
    const uint64_t optional = pe + 24;
    if (!file.has(optional, optionalSize) || optionalSize < 2 || sectionCount > MaxSections)
        return std::nullopt;

    uint64_t directories = 0;
    uint64_t countAt = 0;
    switch (file.u16(optional)) {
    case 0x10B: countAt = 92; directories = 96; break;   // PE32
    case 0x20B: countAt = 108; directories = 112; break; // PE32+
    default: return std::nullopt;
    }
    if (countAt + 4 > optionalSize || file.u32(optional + countAt) <= ResourceDirectoryIndex)
        return std::nullopt;
    const uint64_t resourceEntry = optional + directories + 8 * ResourceDirectoryIndex;
    if (resourceEntry + 8 > optional + optionalSize)
        return std::nullopt;

    PeImage image;
    image.resourceRva = file.u32(resourceEntry);
    image.resourceSize = file.u32(resourceEntry + 4);
    const uint64_t table = optional + optionalSize;
    if (image.resourceRva == 0 || !file.has(table, 40 * uint64_t(sectionCount)))
        return std::nullopt;
    for (uint32_t i = 0; i < sectionCount; ++i) {
        const uint64_t at = table + 40 * uint64_t(i);
        image.sections.push_back({file.u32(at + 12), file.u32(at + 16), file.u32(at + 20)});
    }
    return image;
}

// The bytes of the file behind [rva, rva + length), when one section holds
// them all and they are in the file.
Bytes mapRva(const Bytes& file, const PeImage& image, uint64_t rva, uint64_t length)
{
    for (const Section& section : image.sections) {
        if (rva < section.virtualAddress)
            continue;
        const uint64_t inSection = rva - section.virtualAddress;
        if (inSection < section.rawSize && length <= section.rawSize - inSection)
            return file.slice(section.rawOffset + inSection, length);
    }
    return Bytes({});
}

// The rest of the section from `rva` on (a resource directory's size field is
// not always right, so the section bounds the tree instead).
Bytes mapRvaToSectionEnd(const Bytes& file, const PeImage& image, uint64_t rva)
{
    for (const Section& section : image.sections) {
        if (rva < section.virtualAddress || rva - section.virtualAddress >= section.rawSize)
            continue;
        const uint64_t inSection = rva - section.virtualAddress;
        const uint64_t start = section.rawOffset + inSection;
        if (start >= file.size())
            return Bytes({});
        return file.slice(start, std::min(section.rawSize - inSection, file.size() - start));
    }
    return Bytes({});
}

// ---- Resource tree ---------------------------------------------------------

constexpr uint32_t RtVersion = 16;
constexpr uint32_t VsVersionInfoId = 1;
constexpr uint32_t SubdirectoryBit = 0x80000000u;

struct DirectoryEntry {
    uint32_t name;
    uint32_t offset;
};

// The entries of the directory at `offset` in the resource tree.
std::vector<DirectoryEntry> directoryEntries(const Bytes& tree, uint64_t offset)
{
    std::vector<DirectoryEntry> entries;
    if (!tree.has(offset, 16))
        return entries;
    const uint64_t count = uint64_t(tree.u16(offset + 12)) + tree.u16(offset + 14);
    for (uint64_t i = 0; i < count && tree.has(offset + 16 + 8 * i, 8); ++i) {
        const uint64_t at = offset + 16 + 8 * i;
        entries.push_back({tree.u32(at), tree.u32(at + 4)});
    }
    return entries;
}

// Picks the entry with `id`, else the first one; a subdirectory when `wantDirectory`.
std::optional<uint64_t> pick(const std::vector<DirectoryEntry>& entries, std::optional<uint32_t> id, bool wantDirectory,
                             bool exactOnly)
{
    const DirectoryEntry* chosen = nullptr;
    for (const DirectoryEntry& entry : entries) {
        if (id && entry.name == *id) {
            chosen = &entry;
            break;
        }
    }
    if (!chosen && !exactOnly && !entries.empty())
        chosen = &entries.front();
    if (!chosen || bool(chosen->offset & SubdirectoryBit) != wantDirectory)
        return std::nullopt;
    return chosen->offset & ~SubdirectoryBit;
}

// The raw VS_VERSIONINFO block: type RT_VERSION, name 1 (else the first),
// the first language, as the loader finds it. The tree has exactly three
// levels, so a directory pointing back at itself cannot make this loop.
Bytes findVersionBlock(const Bytes& file, const PeImage& image)
{
    const Bytes tree = mapRvaToSectionEnd(file, image, image.resourceRva);
    const auto names = pick(directoryEntries(tree, 0), RtVersion, true, true);
    if (!names)
        return Bytes({});
    const auto languages = pick(directoryEntries(tree, *names), VsVersionInfoId, true, false);
    if (!languages)
        return Bytes({});
    const auto data = pick(directoryEntries(tree, *languages), std::nullopt, false, false);
    if (!data || !tree.has(*data, 16))
        return Bytes({});
    return mapRva(file, image, tree.u32(*data), tree.u32(*data + 4));
}

// ---- Version block ---------------------------------------------------------

// One node of the version block: wLength, wValueLength, wType, key, value, children.
struct Node {
    uint64_t start = 0;
    uint64_t end = 0; // start + wLength, within the parent
    uint32_t valueLength = 0;
    uint32_t type = 0;
    QString key;
    uint64_t value = 0; // offset of the value (after the key, aligned)
};

constexpr uint64_t NodeHeader = 6;

std::optional<Node> readNode(const Bytes& block, uint64_t start, uint64_t parentEnd)
{
    if (start + NodeHeader > parentEnd || !block.has(start, NodeHeader))
        return std::nullopt;
    Node node;
    node.start = start;
    const uint64_t length = block.u16(start);
    if (length < NodeHeader || start + length > parentEnd)
        return std::nullopt;
    node.end = start + length;
    node.valueLength = block.u16(start + 2);
    node.type = block.u16(start + 4);
    uint64_t afterKey = 0;
    node.key = block.utf16(start + NodeHeader, node.end, &afterKey);
    node.value = std::min(align4(afterKey), node.end);
    return node;
}

// The children of `node`, starting after its value.
std::vector<Node> children(const Bytes& block, const Node& node, uint64_t valueBytes)
{
    std::vector<Node> result;
    uint64_t at = align4(node.value + valueBytes);
    while (at < node.end) {
        const auto child = readNode(block, at, node.end);
        if (!child)
            break;
        result.push_back(*child);
        at = align4(child->end); // at least 8 bytes further: the walk always ends
    }
    return result;
}

constexpr uint32_t FixedSignature = 0xFEEF04BD;
constexpr uint64_t FixedSize = 52;

void readFixed(const Bytes& block, const Node& root, VersionResource& out)
{
    if (root.valueLength < FixedSize || root.value + FixedSize > root.end)
        return;
    const uint64_t at = root.value;
    if (block.u32(at) != FixedSignature)
        return;
    FixedFileInfo fixed;
    uint32_t* fields[] = {&fixed.signature,        &fixed.structVersion, &fixed.fileVersionMS, &fixed.fileVersionLS,
                          &fixed.productVersionMS, &fixed.productVersionLS, &fixed.fileFlagsMask, &fixed.fileFlags,
                          &fixed.fileOS,           &fixed.fileType,      &fixed.fileSubtype,   &fixed.fileDateMS,
                          &fixed.fileDateLS};
    for (uint64_t i = 0; i < std::size(fields); ++i)
        *fields[i] = block.u32(at + 4 * i);
    out.fixed = fixed;
}

void readStringFileInfo(const Bytes& block, const Node& info, VersionResource& out)
{
    for (const Node& table : children(block, info, 0)) {
        StringTable strings;
        strings.key = table.key;
        for (const Node& value : children(block, table, 0)) {
            // wValueLength counts characters here, but some linkers write
            // bytes: the text simply runs to its NUL within the node.
            const uint64_t valueBytes = value.valueLength == 0 ? 0 : value.end - value.value;
            strings.values.emplace_back(value.key, valueBytes ? block.utf16(value.value, value.end) : QString());
        }
        out.stringTables.push_back(std::move(strings));
    }
}

void readVarFileInfo(const Bytes& block, const Node& info, VersionResource& out)
{
    for (const Node& var : children(block, info, 0)) {
        if (var.key.compare(u"Translation", Qt::CaseInsensitive) != 0)
            continue;
        const uint64_t end = std::min(var.value + var.valueLength, var.end);
        for (uint64_t at = var.value; at + 4 <= end; at += 4)
            out.translations.push_back({uint16_t(block.u16(at)), uint16_t(block.u16(at + 2))});
    }
}

VersionResource parseVersionBlock(const Bytes& block)
{
    VersionResource out;
    const auto root = readNode(block, 0, block.size());
    if (!root || root->key != u"VS_VERSION_INFO")
        return out;
    out.present = true;
    readFixed(block, *root, out);
    for (const Node& child : children(block, *root, root->valueLength)) {
        if (child.key.compare(u"StringFileInfo", Qt::CaseInsensitive) == 0)
            readStringFileInfo(block, child, out);
        else if (child.key.compare(u"VarFileInfo", Qt::CaseInsensitive) == 0)
            readVarFileInfo(block, child, out);
    }
    return out;
}

} // namespace

// ---- Public entry points and the build numbers -------------------------------

QString VersionResource::stringValue(QStringView tableKey, QStringView name) const
{
    for (const StringTable& table : stringTables) {
        if (table.key.compare(tableKey, Qt::CaseInsensitive) != 0)
            continue;
        for (const auto& [key, value] : table.values) {
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        }
    }
    return {};
}

QString translationKey(Translation translation)
{
    return QStringLiteral("%1%2")
        .arg(translation.language, 4, 16, QLatin1Char('0'))
        .arg(translation.codePage, 4, 16, QLatin1Char('0'))
        .toUpper();
}

VersionResource readVersionResource(QByteArrayView image)
{
    const Bytes file(image);
    const auto layout = readPeLayout(file);
    if (!layout)
        return {};
    return parseVersionBlock(findVersionBlock(file, *layout));
}

VersionResource readFileVersionResource(QStringView windowsPath)
{
    constexpr qint64 MaxFileSize = qint64(1) << 30; // far above any program this system looks at
    try {
        regular_file::Opened opened = regular_file::open(paths::toHost(windowsPath), O_RDONLY);
        if (opened.fd() < 0)
            return {};
        QFile file;
        if (!file.open(opened.fd(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            return {};
        opened.release(); // the QFile closes it
        // Read rather than mapped, so a file cut short by another program
        // while we look at it cannot bring the process down. Only a Windows
        // program ("MZ") can hold a resource: another kind is not read whole.
        if (file.size() > MaxFileSize || file.peek(2) != "MZ")
            return {};
        return readVersionResource(file.readAll());
    } catch (...) {
        return {}; // a bad path reads as a file without a resource
    }
}

BuildNumbers programBuildNumbers()
{
    // QN3_BUILD_* come from build_numbers.h, written when the build is configured.
    return {uint16_t(QN3_BUILD_YEAR), uint16_t(QN3_BUILD_MONTHDAY), uint16_t(QN3_BUILD_HOURMINUTE), QString()};
}

} // namespace qn3::platform::version
