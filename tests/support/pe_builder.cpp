#include "support/pe_builder.h"

#include <QStringEncoder>
#include <QtEndian>

#include <initializer_list>

namespace qn3::testing::pe {
namespace {

// Each value as sizeof(T) little-endian bytes.
template <typename T>
void put(QByteArray& out, std::initializer_list<uint32_t> values)
{
    for (const uint32_t value : values)
        for (size_t i = 0; i < sizeof(T); ++i)
            out.append(char((value >> (8 * i)) & 0xFF));
}

// Text as the format stores it: UTF-16LE ending in a NUL.
QByteArray utf16(const QString& text) { return QStringEncoder(QStringEncoder::Utf16LE).encode(text + QChar(0)); }

// Every node, value and child starts on a four-byte boundary.
QByteArray& pad4(QByteArray& out) { return out.append((4 - out.size() % 4) % 4, '\0'); }

// One node: header (its length set last), key, value (text when `isText`), children.
QByteArray node(const QString& key, const QByteArray& value, uint32_t valueLength, bool isText,
                const QByteArray& children = {})
{
    QByteArray out;
    put<quint16>(out, {0, valueLength, isText ? 1u : 0u});
    out.append(utf16(key));
    pad4(out).append(value);
    if (!children.isEmpty())
        pad4(out).append(children);
    qToLittleEndian<quint16>(quint16(out.size()), out.data());
    return out;
}

// A child node padded to the next four bytes, as its parent holds it.
QByteArray padded(QByteArray node) { return pad4(node); }

} // namespace

QByteArray versionBlock(const VersionSpec& spec)
{
    QByteArray fixed;
    put<quint32>(fixed, {0xFEEF04BDu, 0x10000u, spec.fileVersionMS, spec.fileVersionLS, spec.productVersionMS,
                         spec.productVersionLS, 0x3Fu, 0u, 0x40004u, 1u, 0u, 0u, 0u});
    QByteArray tables;
    for (const StringTableSpec& table : spec.tables) {
        QByteArray strings;
        for (const auto& [name, value] : table.values)
            strings.append(padded(node(name, utf16(value), uint32_t(value.size() + 1), true)));
        tables.append(padded(node(table.key, {}, 0, true, strings)));
    }
    QByteArray children;
    if (!spec.tables.empty())
        children.append(padded(node(QStringLiteral("StringFileInfo"), {}, 0, true, tables)));
    if (!spec.translations.empty()) {
        QByteArray list;
        for (const auto& [language, codePage] : spec.translations)
            put<quint16>(list, {language, codePage});
        const QByteArray var = padded(node(QStringLiteral("Translation"), list, uint32_t(list.size()), false));
        children.append(padded(node(QStringLiteral("VarFileInfo"), {}, 0, true, var)));
    }
    return node(QStringLiteral("VS_VERSION_INFO"), fixed, uint32_t(fixed.size()), false, children);
}

QByteArray image(const QByteArray& versionBlock, bool pe32Plus)
{
    constexpr uint32_t SectionRva = 0x1000;
    // Resource tree: root (1 entry) -> names (1) -> languages (1) -> data entry -> block.
    QByteArray tree;
    // A directory of one entry: characteristics, time, version, no named and one numbered entry, the entry.
    for (const auto& [name, offset] : {std::pair{16u, 0x80000000u | 24}, {1u, 0x80000000u | 48}, {0x40Cu, 72u}})
        put<quint32>(tree, {0, 0, 0, 0x10000u, name, offset});
    put<quint32>(tree, {SectionRva + 88, uint32_t(versionBlock.size()), 0, 0}); // RVA, size, code page, reserved
    tree.append(versionBlock);

    QByteArray out(PeHeaderOffset, '\0');
    out.replace(0, 2, "MZ");
    qToLittleEndian<quint32>(PeHeaderOffset, out.data() + 0x3C);
    out.append("PE\0\0", 4);
    const uint32_t optionalSize = pe32Plus ? 240 : 224;
    put<quint16>(out, {pe32Plus ? 0x8664u : 0x14Cu, 1}); // machine, one section
    put<quint32>(out, {0, 0, 0});
    put<quint16>(out, {optionalSize, 0x0102});
    const qsizetype optional = out.size();
    out.append(QByteArray(int(optionalSize), '\0'));
    qToLittleEndian<quint16>(pe32Plus ? 0x20B : 0x10B, out.data() + optional);
    qToLittleEndian<quint32>(16, out.data() + optional + (pe32Plus ? 108 : 92)); // data directories
    if (!versionBlock.isEmpty()) {
        char* resource = out.data() + optional + (pe32Plus ? 112 : 96) + 16;
        qToLittleEndian<quint32>(SectionRva, resource);
        qToLittleEndian<quint32>(uint32_t(tree.size()), resource + 4);
    }
    out.append(".rsrc\0\0\0", 8);
    put<quint32>(out, {uint32_t(tree.size()), SectionRva, uint32_t(tree.size()), SectionRawOffset, 0, 0, 0, 0});
    out.append(SectionRawOffset - out.size(), '\0').append(tree);
    return out;
}

} // namespace qn3::testing::pe
