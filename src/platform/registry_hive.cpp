#include "platform/registry_hive.h"

#include "platform/ansi.h"

#include <QHashFunctions>
#include <QList>
#include <QStringDecoder>

#include <algorithm>
#include <deque>
#include <optional>
#include <stdexcept>
#include <utility>

// Sections: keys and values in memory; reading the escaped strings; parsing
// lines; writing.

namespace qn3::platform::registry_hive {
namespace {

const QByteArray header = "WINE REGISTRY Version 2";
constexpr uint32_t regSz = 1;
constexpr uint32_t regExpandSz = 2;
constexpr uint32_t regBinary = 3;
constexpr uint32_t regDword = 4;

// ---- Reading escaped strings ------------------------------------------------

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Reads an escaped string from `at` up to the unescaped `close`; `at` ends
// just after it. nullopt when the line ends first.
std::optional<QString> readEscaped(QStringView line, qsizetype& at, QChar close)
{
    QString out;
    while (at < line.size()) {
        const QChar c = line[at++];
        if (c == close)
            return out;
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (at >= line.size())
            return std::nullopt;
        const QChar e = line[at++];
        switch (e.unicode()) {
        case 'a': out += QChar(7); break;
        case 'b': out += QChar(8); break;
        case 't': out += QChar(9); break;
        case 'n': out += QChar(10); break;
        case 'v': out += QChar(11); break;
        case 'f': out += QChar(12); break;
        case 'r': out += QChar(13); break;
        case 'e': out += QChar(27); break;
        case 'x': {
            int value = 0;
            int digits = 0;
            while (digits < 4 && at < line.size() && hexDigit(line[at]) >= 0) {
                value = value * 16 + hexDigit(line[at++]);
                ++digits;
            }
            if (digits == 0)
                return std::nullopt;
            out += QChar(static_cast<char16_t>(value));
            break;
        }
        default:
            if (e >= u'0' && e <= u'7') {
                int value = e.unicode() - '0';
                for (int digits = 1; digits < 3 && at < line.size() && line[at] >= u'0' && line[at] <= u'7'; ++digits)
                    value = value * 8 + (line[at++].unicode() - '0');
                out += QChar(static_cast<char16_t>(value));
            } else {
                out += e; // \\, \", \[, \] and any other character stand for themselves
            }
        }
    }
    return std::nullopt;
}

// "hex:01,02" / "hex(N):..." bytes after the colon; nullopt if malformed.
std::optional<QByteArray> readHex(QStringView text)
{
    QByteArray bytes;
    if (text.trimmed().isEmpty())
        return bytes;
    bytes.reserve(text.size() / 3 + 1);
    for (qsizetype at = 0;; ++at) {
        const qsizetype comma = text.indexOf(u',', at);
        const QStringView item = text.sliced(at, (comma < 0 ? text.size() : comma) - at).trimmed();
        if (item.size() != 2 || hexDigit(item[0]) < 0 || hexDigit(item[1]) < 0)
            return std::nullopt;
        bytes.append(static_cast<char>(hexDigit(item[0]) * 16 + hexDigit(item[1])));
        if (comma < 0)
            return bytes;
        at = comma;
    }
}

struct Data {
    uint32_t type = 0;
    QByteArray bytes;
    QString text; // see Value::text
};

Data stringValue(uint32_t type, const QString& text)
{
    QByteArray bytes = ansi::encode(text);
    const bool exact = ansi::decode(bytes) == text;
    bytes += '\0';
    return {type, bytes, exact ? QString() : text};
}

// The data after "=": nullopt when it is not understood.
std::optional<Data> readData(QStringView text)
{
    uint32_t type = regSz;
    if (text.startsWith(u"str:\"")) {
        text = text.sliced(4);
    } else if (text.startsWith(u"str(")) {
        const qsizetype close = text.indexOf(u"):\"");
        bool ok = false;
        if (close < 0 || (type = text.sliced(4, close - 4).toUInt(&ok, 16), !ok))
            return std::nullopt;
        text = text.sliced(close + 2);
    }
    if (text.startsWith(u'"')) {
        qsizetype at = 1;
        const std::optional<QString> value = readEscaped(text, at, u'"');
        if (!value || !text.sliced(at).trimmed().isEmpty())
            return std::nullopt;
        return stringValue(type, *value);
    }
    if (text.startsWith(u"dword:")) {
        const QStringView digits = text.sliced(6).trimmed();
        bool ok = false;
        const uint32_t number = digits.size() <= 8 ? digits.toUInt(&ok, 16) : 0;
        if (!ok)
            return std::nullopt;
        QByteArray data(4, '\0');
        for (int i = 0; i < 4; ++i)
            data[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
        return Data{regDword, data, {}};
    }
    type = regBinary;
    if (text.startsWith(u"hex(")) {
        const qsizetype close = text.indexOf(u"):");
        bool ok = false;
        if (close < 0 || (type = text.sliced(4, close - 4).toUInt(&ok, 16), !ok))
            return std::nullopt;
        text = text.sliced(close + 2);
    } else if (text.startsWith(u"hex:")) {
        text = text.sliced(4);
    } else {
        return std::nullopt;
    }
    const std::optional<QByteArray> bytes = readHex(text);
    if (!bytes)
        return std::nullopt;
    return Data{type, *bytes, {}};
}

// ---- Writing ----------------------------------------------------------------

QString escaped(QStringView text, QStringView specials)
{
    QString out;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QStringLiteral("\\\\"); continue;
        case 7: out += QStringLiteral("\\a"); continue;
        case 8: out += QStringLiteral("\\b"); continue;
        case 9: out += QStringLiteral("\\t"); continue;
        case 10: out += QStringLiteral("\\n"); continue;
        case 11: out += QStringLiteral("\\v"); continue;
        case 12: out += QStringLiteral("\\f"); continue;
        case 13: out += QStringLiteral("\\r"); continue;
        case 27: out += QStringLiteral("\\e"); continue;
        default: break;
        }
        if (specials.contains(c))
            out += u'\\' + QString(c);
        else if (c.isSurrogate()) // UTF-8 cannot hold a lone one; an escape holds either
            out += QStringLiteral("\\x%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("\\%1").arg(c.unicode(), 3, 8, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString dataText(const Value& value)
{
    if (!value.text.isNull()) {
        const QString text = u'"' + escaped(value.text, u"\"") + u'"';
        return value.type == regSz ? text : QStringLiteral("str(%1):").arg(value.type, 0, 16) + text;
    }
    const QByteArray& data = value.data;
    const bool isString = (value.type == regSz || value.type == regExpandSz) && data.endsWith('\0')
        && data.indexOf('\0') == data.size() - 1;
    if (isString) {
        const QString text = u'"' + escaped(ansi::decode(data.first(data.size() - 1)), u"\"") + u'"';
        return value.type == regSz ? text : QStringLiteral("str(2):") + text;
    }
    if (value.type == regDword && data.size() == 4) {
        uint32_t number = 0;
        for (int i = 3; i >= 0; --i)
            number = (number << 8) | static_cast<unsigned char>(data[i]);
        return QStringLiteral("dword:%1").arg(number, 8, 16, QLatin1Char('0'));
    }
    QString text = value.type == regBinary ? QStringLiteral("hex:") : QStringLiteral("hex(%1):").arg(value.type, 0, 16);
    for (qsizetype i = 0; i < data.size(); ++i)
        text += (i ? QStringLiteral(",") : QString()) + QStringLiteral("%1").arg(static_cast<unsigned char>(data[i]), 2, 16, QLatin1Char('0'));
    return text;
}

// A line of the file as text: UTF-8, or the ANSI code page for a line that
// is not UTF-8 (a hive an editor saved in Latin-1).
QString lineText(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    return utf8.hasError() ? ansi::decode(bytes) : text;
}

// One line at a time, without its line end; nothing is kept of the lines
// passed.
class LineReader {
public:
    explicit LineReader(QByteArrayView text) : text_(text) {}
    bool next(QByteArrayView& line)
    {
        if (at_ > text_.size())
            return false;
        qsizetype end = text_.indexOf('\n', at_);
        if (end < 0)
            end = text_.size();
        line = text_.sliced(at_, end - at_);
        if (line.endsWith('\r'))
            line.chop(1);
        at_ = end + 1;
        return true;
    }

private:
    QByteArrayView text_;
    qsizetype at_ = 0;
};

// The hive grouped once, for a walk of all of it.
struct Walk {
    const Hive& hive;
    Hive::Grouped subkeys = hive.subkeysByParent();
    Hive::Grouped values = hive.valuesByKey();
};

// `path` is the key's path; one buffer serves the whole walk, so a deep
// chain of keys is never copied level by level.
void writeKey(const Walk& walk, KeyId key, QString& path, QString& out)
{
    const auto span = [](const Hive::Grouped& g, KeyId k) {
        return std::pair(g.items.begin() + g.start[k], g.items.begin() + g.start[k + 1]);
    };
    const auto [firstValue, endValue] = span(walk.values, key);
    const auto [firstSubkey, endSubkey] = span(walk.subkeys, key);
    // A key without values is written only when no key below it is: the
    // others are implied by their subkeys. The root has no line of its own.
    if (firstValue != endValue || (firstSubkey == endSubkey && key != Hive::root)) {
        out += QStringLiteral("\n[") + escaped(path, u"[]") + QStringLiteral("]\n");
        std::vector<std::pair<QString, const Value*>> values;
        for (auto v = firstValue; v != endValue; ++v)
            values.emplace_back(fold(walk.hive.valueAt(*v).name), &walk.hive.valueAt(*v));
        std::sort(values.begin(), values.end());
        for (const auto& [folded, v] : values)
            out += (v->name.isEmpty() ? QStringLiteral("@") : u'"' + escaped(v->name, u"\"") + u'"') + u'='
                + dataText(*v) + u'\n';
    }
    std::vector<std::pair<QString, KeyId>> subkeys;
    for (auto k = firstSubkey; k != endSubkey; ++k)
        subkeys.emplace_back(fold(walk.hive.name(*k)), *k);
    std::sort(subkeys.begin(), subkeys.end());
    const qsizetype length = path.size();
    for (const auto& [folded, subkey] : subkeys) {
        if (length > 0)
            path += u'\\';
        path += walk.hive.name(subkey);
        writeKey(walk, subkey, path, out);
        path.truncate(length);
    }
}

// Case-insensitive, code point by code point, as the comparison folds;
// seeded, so a hostile hive cannot aim at one bucket.
size_t foldedHash(QStringView name)
{
    size_t hash = QHashSeed::globalSeed();
    for (qsizetype i = 0; i < name.size(); ++i) {
        char32_t c = name[i].unicode();
        if (c < 0x80) { // most names: folded here, without the Unicode tables
            hash = qHashMulti(hash, c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(static_cast<char16_t>(c), name[++i].unicode());
        hash = qHashMulti(hash, QChar::toCaseFolded(c));
    }
    return hash;
}

bool sameName(QStringView a, QStringView b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// A name within its parent (a key's, or a value's within its key).
// Mixed to the last bit, since the index uses the low bits: many keys of a
// deep hive share a name and differ only by their parent.
size_t hashWithin(uint32_t owner, QStringView name)
{
    uint64_t h = foldedHash(name) ^ (uint64_t(owner) * 0x9E3779B97F4A7C15ull);
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    return static_cast<size_t>(h ^ (h >> 33));
}

} // namespace

// ---- Keys and values in memory ----------------------------------------------

QString fold(QStringView name) { return name.toString().toCaseFolded(); }

uint32_t Hive::Names::add(QStringView name)
{
    constexpr uint32_t chunkSize = 1u << chunkBits;
    // Key names within limits take far less than a chunk; the hive refuses
    // longer ones before they come here.
    if (name.size() >= chunkSize)
        throw Refused();
    const auto needed = static_cast<uint32_t>(name.size()) + 1;
    if (used_ + needed > chunkSize) {
        chunks_.push_back(std::make_unique<char16_t[]>(chunkSize));
        used_ = 0;
    }
    char16_t* at = chunks_.back().get() + used_;
    at[0] = static_cast<char16_t>(name.size());
    std::copy(name.utf16(), name.utf16() + name.size(), at + 1);
    const auto position = static_cast<uint32_t>(((chunks_.size() - 1) << chunkBits) | used_);
    used_ += needed;
    return position;
}

QStringView Hive::Names::at(uint32_t position) const
{
    const char16_t* at = chunks_[position >> chunkBits].get() + (position & ((1u << chunkBits) - 1));
    return QStringView(at + 1, at[0]);
}

Hive::Hive()
{
    nodes_.push_back({root, names_.add(u""), root});
    indexed_.push_back(false);
    hasValues_.push_back(false);
}

// A cell holds an id + 1 in its low bits and a few bits of its hash above
// them, so most cells that are not the one looked for are passed over
// without a look at their key or value: in a big hive that look is a cache
// miss.
namespace {
constexpr uint32_t idBits = 27;
constexpr uint32_t idMask = (1u << idBits) - 1;
uint32_t tagOf(size_t hash) { return static_cast<uint32_t>(hash >> (8 * sizeof(size_t) - (32 - idBits))) << idBits; }
} // namespace

template <class Matches>
std::optional<uint32_t> Hive::find(const Index& index, size_t hash, Matches matches) const
{
    if (index.cells.empty())
        return std::nullopt;
    const size_t mask = index.cells.size() - 1;
    const uint32_t tag = tagOf(hash);
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const uint32_t cell = index.cells[at];
        if (cell == 0)
            return std::nullopt;
        if ((cell & ~idMask) == tag && matches((cell & idMask) - 1))
            return (cell & idMask) - 1;
    }
}

void Hive::place(Index& index, size_t hash, uint32_t id)
{
    // A hive file within its size limit holds far fewer keys or values.
    if (id + 1 > idMask)
        throw std::length_error("registry hive: too many keys or values");
    const size_t mask = index.cells.size() - 1;
    size_t at = hash & mask;
    while (index.cells[at] != 0)
        at = (at + 1) & mask;
    index.cells[at] = tagOf(hash) | (id + 1);
    ++index.count;
}

template <class Refill>
void Hive::insert(Index& index, size_t hash, uint32_t id, Refill refill)
{
    // At most 70% full, so a probe stays short; doubled when reached and
    // filled again by the caller, in the order of the ids: keys and names
    // are then read one after the other, not at random.
    if ((index.count + 1) * 10 > index.cells.size() * 7) {
        const size_t count = index.count;
        const size_t size = std::max<size_t>(16, 2 * index.cells.size());
        const std::vector<uint32_t> old = std::exchange(index.cells, std::vector<uint32_t>(size));
        index.count = 0;
        refill(old, count);
    }
    place(index, hash, id);
}

QStringView Hive::name(KeyId key) const { return names_.at(nodes_[key].name); }

std::optional<KeyId> Hive::subkey(KeyId parent, QStringView name) const
{
    const KeyId first = nodes_[parent].firstSubkey;
    if (first == root)
        return std::nullopt;
    if (!indexed_[parent]) // one subkey: most keys of a deep hive, found without the index
        return sameName(this->name(first), name) ? std::optional<KeyId>(first) : std::nullopt;
    return find(keyIndex_, hashWithin(parent, name),
                [&](uint32_t k) { return nodes_[k].parent == parent && sameName(this->name(k), name); });
}

void Hive::indexSubkey(KeyId key)
{
    const auto hashOf = [this](KeyId k) { return hashWithin(nodes_[k].parent, name(k)); };
    insert(keyIndex_, hashOf(key), key, [&](const std::vector<uint32_t>& old, size_t count) {
        // Few indexed keys among many: taken from the old cells instead.
        if (count * 8 < nodes_.size()) {
            for (const uint32_t cell : old)
                if (cell != 0)
                    place(keyIndex_, hashOf((cell & idMask) - 1), (cell & idMask) - 1);
            return;
        }
        for (KeyId k = 1; k < nodes_.size(); ++k)
            if (k != key && indexed_[nodes_[k].parent])
                place(keyIndex_, hashOf(k), k);
    });
}

KeyId Hive::makeSubkey(KeyId parent, QStringView name)
{
    if (name.size() > maxKeyName)
        throw Refused();
    if (const std::optional<KeyId> found = subkey(parent, name))
        return *found; // the first spelling is kept
    const auto key = static_cast<KeyId>(nodes_.size());
    if (nodes_[parent].firstSubkey != root && !indexed_[parent]) {
        // A second subkey: from now on the key's subkeys are found by the index.
        indexed_[parent] = true;
        indexSubkey(nodes_[parent].firstSubkey);
    }
    nodes_.push_back({parent, names_.add(name), root});
    indexed_.push_back(false);
    hasValues_.push_back(false);
    if (nodes_[parent].firstSubkey == root)
        nodes_[parent].firstSubkey = key;
    else
        indexSubkey(key);
    return key;
}

const Value* Hive::value(KeyId key, QStringView name) const
{
    if (!hasValues_[key])
        return nullptr;
    const std::optional<uint32_t> found = find(valueIndex_, hashWithin(key, name), [&](uint32_t v) {
        return values_[v].key == key && sameName(values_[v].value.name, name);
    });
    return found ? &values_[*found].value : nullptr;
}

Value* Hive::value(KeyId key, QStringView name) { return const_cast<Value*>(std::as_const(*this).value(key, name)); }

bool Hive::set(KeyId key, QStringView name, uint32_t type, QByteArrayView data)
{
    if (name.size() > maxValueName)
        throw Refused();
    if (Value* v = value(key, name)) {
        if (v->type == type && v->data == data)
            return false;
        v->type = type;
        v->data = data.toByteArray();
        v->text = QString();
        return true;
    }
    const auto position = static_cast<uint32_t>(values_.size());
    insert(valueIndex_, hashWithin(key, name), position, [&](const std::vector<uint32_t>&, size_t) {
        for (uint32_t v = 0; v < position; ++v)
            place(valueIndex_, hashWithin(values_[v].key, values_[v].value.name), v);
    });
    values_.push_back({Value{name.toString(), type, data.toByteArray(), {}}, key});
    hasValues_[key] = true;
    return true;
}

Hive::Grouped Hive::grouped(size_t groups, size_t count, KeyId (Hive::*groupOf)(uint32_t) const, uint32_t first) const
{
    // A counting sort: sizes, then starts, then the items in place.
    Grouped g;
    g.start.assign(groups + 1, 0);
    for (uint32_t i = first; i < count; ++i)
        ++g.start[(this->*groupOf)(i) + 1];
    for (size_t k = 1; k <= groups; ++k)
        g.start[k] += g.start[k - 1];
    g.items.resize(count - first);
    std::vector<uint32_t> next(g.start.begin(), g.start.end() - 1);
    for (uint32_t i = first; i < count; ++i)
        g.items[next[(this->*groupOf)(i)]++] = i;
    return g;
}

Hive::Grouped Hive::subkeysByParent() const { return grouped(nodes_.size(), nodes_.size(), &Hive::parentOf, 1); }

Hive::Grouped Hive::valuesByKey() const { return grouped(nodes_.size(), values_.size(), &Hive::keyOfValue, 0); }

std::vector<KeyId> Hive::subkeys(KeyId parent) const
{
    std::vector<KeyId> found;
    for (KeyId k = 1; k < nodes_.size(); ++k)
        if (nodes_[k].parent == parent)
            found.push_back(k);
    return found;
}

std::vector<const Value*> Hive::values(KeyId key) const
{
    std::vector<const Value*> found;
    for (const StoredValue& v : values_)
        if (v.key == key)
            found.push_back(&v.value);
    return found;
}

std::optional<KeyId> Hive::key(QStringView path) const
{
    KeyId at = root;
    for (QStringView name : path.split(u'\\', Qt::SkipEmptyParts)) {
        const std::optional<KeyId> below = subkey(at, name);
        if (!below)
            return std::nullopt;
        at = *below;
    }
    return at;
}

std::optional<QString> Hive::spelling(QStringView path) const
{
    const std::optional<KeyId> found = key(path);
    if (!found)
        return std::nullopt;
    // Walked back from the key: its names as they were first spelt.
    QStringList names;
    for (KeyId at = *found; at != root; at = nodes_[at].parent)
        names.prepend(name(at).toString());
    return names.join(u'\\');
}

KeyId Hive::make(QStringView path)
{
    if (!withinLimits(path))
        throw Refused();
    KeyId at = root;
    for (QStringView name : path.split(u'\\', Qt::SkipEmptyParts))
        at = makeSubkey(at, name);
    return at;
}

bool withinLimits(QStringView path)
{
    qsizetype levels = 0;
    for (QStringView name : path.split(u'\\', Qt::SkipEmptyParts))
        if (name.size() > maxKeyName || ++levels > maxLevels)
            return false;
    return true;
}

// ---- Parsing lines ------------------------------------------------------------

namespace {

// The key a section line names, made; nullopt for a path beyond the limits.
std::optional<KeyId> keyOfLine(Hive& hive, const std::optional<QString>& path)
{
    if (!path)
        return std::nullopt;
    try {
        return hive.make(*path);
    } catch (const Refused&) {
        return std::nullopt;
    }
}

} // namespace

Hive parse(QByteArrayView text)
{
    Hive hive;
    LineReader lines(text);
    QByteArrayView raw;
    if (!lines.next(raw) || raw != header) {
        ++hive.damagedLines;
        lines = LineReader(text);
    }
    std::optional<KeyId> current;
    while (lines.next(raw)) {
        const QString line = lineText(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            qsizetype at = 1;
            const std::optional<QString> path = readEscaped(line, at, u']');
            current = keyOfLine(hive, path);
            hive.damagedLines += current ? 0 : 1;
            continue;
        }
        std::optional<QString> name;
        qsizetype at = 1;
        if (line.startsWith(u'@'))
            name = QString();
        else if (line.startsWith(u'"'))
            name = readEscaped(line, at, u'"');
        if (!name || name->size() > maxValueName || at >= line.size() || line[at] != u'=') {
            ++hive.damagedLines;
            continue;
        }
        QString data = QStringView(line).sliced(at + 1).trimmed().toString();
        // Long hex data continues on the next lines after a final backslash.
        if (data.startsWith(u"hex"))
            while (data.endsWith(u'\\') && lines.next(raw)) {
                data.chop(1);
                data += lineText(raw).trimmed();
            }
        const std::optional<Data> value = current ? readData(data) : std::nullopt;
        if (!value) {
            ++hive.damagedLines;
            continue;
        }
        if (hive.set(*current, *name, value->type, value->bytes))
            hive.value(*current, *name)->text = value->text;
    }
    return hive;
}

QByteArray serialize(const Hive& hive, QStringView rootName)
{
    QString out = QString::fromLatin1(header) + QStringLiteral("\n;; All keys relative to ") + rootName.toString()
        + u'\n';
    QString path;
    writeKey(Walk{hive}, Hive::root, path, out);
    return out.toUtf8();
}

} // namespace qn3::platform::registry_hive
