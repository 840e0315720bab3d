#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

// The text form of one registry hive (user.reg, system.reg), in the line
// grammar of Wine's registry files; docs/registry-hives.md describes it for
// administrators. The file is UTF-8; value data is kept as the ANSI registry
// calls see it (a string's ANSI bytes with its terminating NUL).
namespace qn3::platform::registry_hive {

struct Value {
    QString name; // as first spelt; empty for the key's default value
    uint32_t type = 0;
    QByteArray data; // as the ANSI calls read it
    // A string read from the file that the ANSI code page cannot hold
    // exactly, as the file holds it: saved back unchanged until the value is
    // set. Null for every other value.
    QString text;
};

struct Key;

namespace detail {
// An index of a key's values or subkeys by name, whatever its case, holding
// positions only: names are hashed and compared through the entries
// themselves, so no folded copy of each name is kept.
using NameAt = QStringView (*)(const Key&, uint32_t);
size_t foldedHash(QStringView name);
struct NameHash {
    using is_transparent = void;
    const Key* key;
    NameAt at;
    size_t operator()(uint32_t i) const { return foldedHash(at(*key, i)); }
    size_t operator()(QStringView name) const { return foldedHash(name); }
};
struct NameEqual {
    using is_transparent = void;
    const Key* key;
    NameAt at;
    bool operator()(QStringView a, QStringView b) const { return a.compare(b, Qt::CaseInsensitive) == 0; }
    bool operator()(uint32_t a, uint32_t b) const { return (*this)(at(*key, a), at(*key, b)); }
    bool operator()(QStringView a, uint32_t b) const { return (*this)(a, at(*key, b)); }
    bool operator()(uint32_t a, QStringView b) const { return (*this)(at(*key, a), b); }
};
using NameIndex = std::unordered_set<uint32_t, NameHash, NameEqual>;
QStringView valueName(const Key& key, uint32_t i);
QStringView subkeyName(const Key& key, uint32_t i);
} // namespace detail

// One key; its subkeys hang below it, so a path's names are stored once
// each, however deep the path. A key stays where it was made (its indexes
// point back at it).
struct Key {
    QString name; // as first spelt; empty for the root
    std::vector<Value> values;
    std::vector<std::unique_ptr<Key>> subkeys;

    Key() = default;
    explicit Key(QStringView keyName) : name(keyName.toString()) {}
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    const Value* value(QStringView name) const;
    Value* value(QStringView name);
    const Key* subkey(QStringView name) const;
    // The subkey, made when absent.
    Key& makeSubkey(QStringView name);
    // Sets a value; false when it already held that type and data.
    bool set(QStringView name, uint32_t type, QByteArrayView data);

private:
    detail::NameIndex valueIndex_{0, {this, &detail::valueName}, {this, &detail::valueName}};
    detail::NameIndex subkeyIndex_{0, {this, &detail::subkeyName}, {this, &detail::subkeyName}};
};

struct Hive {
    std::unique_ptr<Key> root = std::make_unique<Key>();
    // Lines that could not be understood and were skipped (a missing first
    // line counts as one). A hive with any is saved over only after a copy.
    int damagedLines = 0;

    const Key* key(QStringView path) const;
    Key* key(QStringView path);
    // The key, made with its missing ancestors when absent (`path` within
    // limits).
    Key& make(QStringView path);
    // The path of an existing key as the hive spells it (names joined by
    // "\"); nullopt when the key is missing.
    std::optional<QString> spelling(QStringView path) const;
};

// Folded form of a key path or value name, for comparisons.
QString fold(QStringView name);

// Whether a key path stays within Windows' limits: names of at most 255
// characters, at most 512 levels. Longer ones are refused.
bool withinLimits(QStringView path);

// Never fails: what cannot be read is counted in damagedLines and skipped.
// A line that is not UTF-8 is read in the ANSI code page (a hive saved by an
// editor in Latin-1), so its accented letters survive. Memory stays within a
// small multiple of the text's size and time linear in it.
Hive parse(QByteArrayView text);

// `rootName` goes into the header comment ("HKEY_CURRENT_USER").
QByteArray serialize(const Hive& hive, QStringView rootName);

} // namespace qn3::platform::registry_hive
