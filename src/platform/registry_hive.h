#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QMap>
#include <QString>

#include <cstdint>
#include <vector>

// The text form of one registry hive (user.reg, system.reg), in the line
// grammar of Wine's registry files; docs/registry-hives.md describes it for
// administrators. The file is UTF-8; value data is kept as the ANSI registry
// calls see it (a string's ANSI bytes with its terminating NUL).
namespace qn3::platform::registry_hive {

struct Value {
    QString name; // as first spelt; empty for the key's default value
    uint32_t type = 0;
    QByteArray data;
};

struct Key {
    QString path; // as first spelt, names joined by "\"; empty for the root
    std::vector<Value> values;
    QHash<QString, size_t> byName; // folded value name -> index in `values`

    const Value* value(QStringView name) const;
    // Sets a value; false when it already held that type and data.
    bool set(QStringView name, uint32_t type, QByteArrayView data);
};

struct Hive {
    QMap<QString, Key> keys; // folded path -> key; every ancestor of a key is present too
    // Lines that could not be understood and were skipped (a missing first
    // line counts as one). A hive with any is saved over only after a copy.
    int damagedLines = 0;

    const Key* key(QStringView path) const;
    // The key, made with its missing ancestors when absent (`path` within
    // limits).
    Key& make(QStringView path);
};

// Folded form of a key path or value name, for comparisons.
QString fold(QStringView name);

// Whether a key path stays within Windows' limits: names of at most 255
// characters, at most 512 levels. Longer ones are refused, so a hostile
// path cannot make a chain of keys that exhausts memory.
bool withinLimits(QStringView path);

// A key path as callers give it, normalised: no empty names (a trailing "\"
// is dropped).
QString normalisedPath(QStringView path);

// Never fails: what cannot be read is counted in damagedLines and skipped.
Hive parse(QByteArrayView text);

// `rootName` goes into the header comment ("HKEY_CURRENT_USER").
QByteArray serialize(const Hive& hive, QStringView rootName);

} // namespace qn3::platform::registry_hive
