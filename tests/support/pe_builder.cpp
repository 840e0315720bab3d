#include "support/pe_builder.h"

namespace qn3::testing::pe {
namespace {

void put16(QByteArray& out, uint32_t value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

void put32(QByteArray& out, uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void set32(QByteArray& out, int at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = char((value >> (8 * i)) & 0xFF);
}

void putUtf16(QByteArray& out, const QString& text)
{
    for (const QChar c : text)
        put16(out, c.unicode());
    put16(out, 0);
}

void pad4(QByteArray& out)
{
    while (out.size() % 4)
        out.append('\0');
}

// One node: header, key, value (text when `isText`), children.
QByteArray node(const QString& key, const QByteArray& value, uint32_t valueLength, bool isText,
                const QByteArray& children = {})
{
    QByteArray out;
    put16(out, 0); // length, set below
    put16(out, valueLength);
    put16(out, isText ? 1 : 0);
    putUtf16(out, key);
    pad4(out);
    out.append(value);
    if (!children.isEmpty()) {
        pad4(out);
        out.append(children);
    }
    out[0] = char(out.size() & 0xFF);
    out[1] = char((out.size() >> 8) & 0xFF);
    return out;
}

} // namespace

QByteArray versionBlock(const VersionSpec& spec)
{
    QByteArray fixed;
    if (spec.withFixed) {
        for (uint32_t v : {0xFEEF04BDu, 0x10000u, spec.fileVersionMS, spec.fileVersionLS, spec.productVersionMS,
                           spec.productVersionLS, 0x3Fu, 0u, 0x40004u, 1u, 0u, 0u, 0u})
            put32(fixed, v);
    }
    QByteArray tables;
    for (const StringTableSpec& table : spec.tables) {
        QByteArray strings;
        for (const auto& [name, value] : table.values) {
            QByteArray text;
            putUtf16(text, value);
            QByteArray one = node(name, text, uint32_t(value.size() + 1), true);
            pad4(one);
            strings.append(one);
        }
        QByteArray t = node(table.key, {}, 0, true, strings);
        pad4(t);
        tables.append(t);
    }
    QByteArray children;
    if (!spec.tables.empty()) {
        children.append(node(QStringLiteral("StringFileInfo"), {}, 0, true, tables));
        pad4(children);
    }
    if (!spec.translations.empty()) {
        QByteArray list;
        for (const auto& [language, codePage] : spec.translations) {
            put16(list, language);
            put16(list, codePage);
        }
        QByteArray var = node(QStringLiteral("Translation"), list, uint32_t(list.size()), false);
        pad4(var);
        children.append(node(QStringLiteral("VarFileInfo"), {}, 0, true, var));
        pad4(children);
    }
    return node(QStringLiteral("VS_VERSION_INFO"), fixed, uint32_t(fixed.size()), false, children);
}

QByteArray image(const QByteArray& versionBlock, bool pe32Plus)
{
    constexpr uint32_t SectionRva = 0x1000;
    // Resource tree: root (1 entry) -> names (1) -> languages (1) -> data entry -> block.
    QByteArray tree;
    auto directory = [&tree](uint32_t name, uint32_t offset) {
        for (int i = 0; i < 3; ++i)
            put32(tree, 0);
        put16(tree, 0);
        put16(tree, 1);
        put32(tree, name);
        put32(tree, offset);
    };
    directory(16, 0x80000000u | 24);
    directory(1, 0x80000000u | 48);
    directory(0x40C, 72);
    put32(tree, SectionRva + 88); // data entry: RVA, size, code page, reserved
    put32(tree, uint32_t(versionBlock.size()));
    put32(tree, 0);
    put32(tree, 0);
    tree.append(versionBlock);

    QByteArray out(PeHeaderOffset, '\0');
    out[0] = 'M';
    out[1] = 'Z';
    set32(out, 0x3C, PeHeaderOffset);
    out.append("PE\0\0", 4);
    const uint32_t optionalSize = pe32Plus ? 240 : 224;
    put16(out, pe32Plus ? 0x8664 : 0x14C);
    put16(out, 1); // sections
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put16(out, optionalSize);
    put16(out, 0x0102);
    const int optional = int(out.size());
    out.append(QByteArray(int(optionalSize), '\0'));
    out[optional] = char(0x0B);
    out[optional + 1] = char(pe32Plus ? 0x02 : 0x01);
    const int count = optional + (pe32Plus ? 108 : 92);
    set32(out, count, 16);
    if (!versionBlock.isEmpty()) {
        const int resource = optional + (pe32Plus ? 112 : 96) + 16;
        set32(out, resource, SectionRva);
        set32(out, resource + 4, uint32_t(tree.size()));
    }
    out.append(".rsrc\0\0\0", 8);
    put32(out, uint32_t(tree.size()));
    put32(out, SectionRva);
    put32(out, uint32_t(tree.size()));
    put32(out, SectionRawOffset);
    out.append(QByteArray(16, '\0'));
    out.append(QByteArray(SectionRawOffset - int(out.size()), '\0'));
    out.append(tree);
    return out;
}

} // namespace qn3::testing::pe
