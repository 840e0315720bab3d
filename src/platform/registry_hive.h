#pragma once

#include "platform/windows_error.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <stdexcept>
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

// A key of a hive, valid for the hive's lifetime (keys are never removed).
using KeyId = uint32_t;

// Windows' limits: a key's name holds at most 255 characters, a value's
// 16,383, and a key lies at most 512 levels deep.
inline constexpr qsizetype maxKeyName = 255;
inline constexpr qsizetype maxValueName = 16383;
inline constexpr qsizetype maxLevels = 512;

// A name beyond those limits, refused by the hive whoever asks, with the
// error the registry functions give for it (ERROR_INVALID_PARAMETER).
struct Refused : std::length_error {
    Refused() : std::length_error("registry name beyond Windows' limits") {}
    uint32_t code = win_error::InvalidParameter;
};

// The keys and values of one hive. A hive of deep paths holds a key for
// every level, so a key costs only its parent, its name, its first subkey
// and, when its parent has several, its place in one index by (parent,
// name): memory stays a small multiple of the file even for names of one
// character. Names compare without regard to case and keep
// their first spelling.
class Hive {
public:
    static constexpr KeyId root = 0;

    Hive();
    Hive(Hive&&) noexcept = default;
    Hive& operator=(Hive&&) noexcept = default;

    // Lines that could not be understood and were skipped (a missing first
    // line counts as one). A hive with any is saved over only after a copy.
    int damagedLines = 0;

    std::optional<KeyId> key(QStringView path) const;
    // The key, made with its missing ancestors when absent. Throws Refused,
    // making nothing, for a path beyond the limits.
    KeyId make(QStringView path);
    // The path of an existing key as the hive spells it (names joined by
    // "\"); nullopt when the key is missing.
    std::optional<QString> spelling(QStringView path) const;

    QStringView name(KeyId key) const;
    std::optional<KeyId> subkey(KeyId parent, QStringView name) const;
    KeyId makeSubkey(KeyId parent, QStringView name); // Refused for a name beyond the limit
    std::vector<KeyId> subkeys(KeyId parent) const; // in no particular order; costs a walk of the hive

    const Value* value(KeyId key, QStringView name) const;
    Value* value(KeyId key, QStringView name);
    std::vector<const Value*> values(KeyId key) const; // as subkeys()
    // Sets a value; false when it already held that type and data. Refused
    // for a name beyond the limit.
    bool set(KeyId key, QStringView name, uint32_t type, QByteArrayView data);

    // Every key but the root, and every value, grouped by parent (by key):
    // what a walk of the whole hive needs, built in time linear in its size.
    struct Grouped {
        std::vector<uint32_t> start; // of each key's group, one more at the end
        std::vector<uint32_t> items; // key ids, or value positions
    };
    Grouped subkeysByParent() const;
    Grouped valuesByKey() const;
    const Value& valueAt(uint32_t position) const { return values_[position].value; }

private:
    // Names live in chunks that never move; a name is its length followed by
    // its characters, known by its position.
    class Names {
    public:
        uint32_t add(QStringView name);
        QStringView at(uint32_t position) const;

    private:
        static constexpr uint32_t chunkBits = 16;
        std::vector<std::unique_ptr<char16_t[]>> chunks_;
        uint32_t used_ = 1u << chunkBits; // the last chunk's; full before the first
    };

    // Open addressing over ids, by a hash the hive computes.
    struct Index {
        std::vector<uint32_t> cells; // id + 1 with a few hash bits above it; 0 for empty
        size_t count = 0;
    };

    struct Node {
        KeyId parent;
        uint32_t name;
        KeyId firstSubkey; // the root when it has none
    };
    struct StoredValue {
        Value value;
        KeyId key;
    };

    template <class Matches>
    std::optional<uint32_t> find(const Index& index, size_t hash, Matches matches) const;
    static void place(Index& index, size_t hash, uint32_t id);
    template <class Refill>
    void insert(Index& index, size_t hash, uint32_t id, Refill refill);
    void indexSubkey(KeyId key);
    Grouped grouped(size_t groups, size_t count, KeyId (Hive::*groupOf)(uint32_t) const, uint32_t first) const;
    KeyId parentOf(uint32_t key) const { return nodes_[key].parent; }
    KeyId keyOfValue(uint32_t position) const { return values_[position].key; }

    Names names_;
    std::deque<Node> nodes_;
    std::deque<StoredValue> values_;
    // By key: whether its subkeys are in the index (it has more than one),
    // whether it has any value.
    std::vector<bool> indexed_;
    std::vector<bool> hasValues_;
    Index keyIndex_;
    Index valueIndex_;
};

// Folded form of a key path or value name, for comparisons.
QString fold(QStringView name);

// Whether a key path stays within Windows' limits (names of at most
// maxKeyName characters, at most maxLevels levels).
bool withinLimits(QStringView path);

// Never fails: what cannot be read is counted in damagedLines and skipped.
// A line that is not UTF-8 is read in the ANSI code page (a hive saved by an
// editor in Latin-1), so its accented letters survive. Memory stays within a
// small multiple of the text's size and time linear in it.
Hive parse(QByteArrayView text);

// `rootName` goes into the header comment ("HKEY_CURRENT_USER").
QByteArray serialize(const Hive& hive, QStringView rootName);

} // namespace qn3::platform::registry_hive
