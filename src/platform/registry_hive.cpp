#include "platform/registry_hive.h"

#include "platform/ansi.h"

#include <QHashFunctions>
#include <QList>
#include <QStringDecoder>

#include <algorithm>
#include <optional>
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

// `path` is the key's path; one buffer serves the whole walk, so a deep
// chain of keys is never copied level by level.
void writeKey(const Key& key, QString& path, QString& out)
{
    // A key without values is written only when no key below it is: the
    // others are implied by their subkeys. The root has no line of its own.
    const bool isRoot = path.isEmpty(); // no subkey has an empty name
    if (!key.values.empty() || (key.subkeys.empty() && !isRoot)) {
        out += QStringLiteral("\n[") + escaped(path, u"[]") + QStringLiteral("]\n");
        std::vector<std::pair<QString, const Value*>> values;
        for (const Value& v : key.values)
            values.emplace_back(fold(v.name), &v);
        std::sort(values.begin(), values.end());
        for (const auto& [folded, v] : values)
            out += (v->name.isEmpty() ? QStringLiteral("@") : u'"' + escaped(v->name, u"\"") + u'"') + u'='
                + dataText(*v) + u'\n';
    }
    std::vector<std::pair<QString, const Key*>> subkeys;
    for (const auto& subkey : key.subkeys)
        subkeys.emplace_back(fold(subkey->name), subkey.get());
    std::sort(subkeys.begin(), subkeys.end());
    const qsizetype length = path.size();
    for (const auto& [folded, subkey] : subkeys) {
        if (length > 0)
            path += u'\\';
        path += subkey->name;
        writeKey(*subkey, path, out);
        path.truncate(length);
    }
}

} // namespace

// ---- Keys and values in memory ----------------------------------------------

QString fold(QStringView name) { return name.toString().toCaseFolded(); }

namespace detail {

size_t foldedHash(QStringView name)
{
    // Code point by code point, as the case-insensitive comparison folds;
    // seeded, so a hostile hive cannot aim at one bucket.
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

QStringView valueName(const Key& key, uint32_t i) { return key.values[i].name; }
QStringView subkeyName(const Key& key, uint32_t i) { return key.subkeys[i]->name; }

} // namespace detail

const Value* Key::value(QStringView name) const
{
    const auto found = valueIndex_.find(name);
    return found == valueIndex_.end() ? nullptr : &values[*found];
}

Value* Key::value(QStringView name) { return const_cast<Value*>(std::as_const(*this).value(name)); }

const Key* Key::subkey(QStringView name) const
{
    const auto found = subkeyIndex_.find(name);
    return found == subkeyIndex_.end() ? nullptr : subkeys[*found].get();
}

Key& Key::makeSubkey(QStringView name)
{
    if (const auto found = subkeyIndex_.find(name); found != subkeyIndex_.end())
        return *subkeys[*found]; // the first spelling is kept
    subkeys.push_back(std::make_unique<Key>(name));
    subkeyIndex_.insert(static_cast<uint32_t>(subkeys.size() - 1));
    return *subkeys.back();
}

bool Key::set(QStringView name, uint32_t type, QByteArrayView data)
{
    if (Value* v = value(name)) {
        if (v->type == type && v->data == data)
            return false;
        v->type = type;
        v->data = data.toByteArray();
        v->text = QString();
        return true;
    }
    values.push_back(Value{name.toString(), type, data.toByteArray(), {}});
    valueIndex_.insert(static_cast<uint32_t>(values.size() - 1));
    return true;
}

const Key* Hive::key(QStringView path) const
{
    const Key* at = root.get();
    for (QStringView name : path.split(u'\\', Qt::SkipEmptyParts))
        if (!(at = at->subkey(name)))
            return nullptr;
    return at;
}

Key* Hive::key(QStringView path) { return const_cast<Key*>(std::as_const(*this).key(path)); }

std::optional<QString> Hive::spelling(QStringView path) const
{
    QString spelt;
    const Key* at = root.get();
    for (QStringView name : path.split(u'\\', Qt::SkipEmptyParts)) {
        if (!(at = at->subkey(name)))
            return std::nullopt;
        if (!spelt.isEmpty())
            spelt += u'\\';
        spelt += at->name;
    }
    return spelt;
}

Key& Hive::make(QStringView path)
{
    Key* at = root.get();
    for (QStringView name : path.split(u'\\', Qt::SkipEmptyParts))
        at = &at->makeSubkey(name);
    return *at;
}

bool withinLimits(QStringView path)
{
    constexpr qsizetype maxName = 255;
    constexpr qsizetype maxLevels = 512;
    qsizetype levels = 0;
    for (QStringView name : path.split(u'\\', Qt::SkipEmptyParts))
        if (name.size() > maxName || ++levels > maxLevels)
            return false;
    return true;
}

// ---- Parsing lines ------------------------------------------------------------

Hive parse(QByteArrayView text)
{
    Hive hive;
    LineReader lines(text);
    QByteArrayView raw;
    if (!lines.next(raw) || raw != header) {
        ++hive.damagedLines;
        lines = LineReader(text);
    }
    Key* current = nullptr;
    while (lines.next(raw)) {
        const QString line = lineText(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            qsizetype at = 1;
            std::optional<QString> path = readEscaped(line, at, u']');
            if (path && !withinLimits(*path))
                path.reset();
            current = path ? &hive.make(*path) : nullptr;
            hive.damagedLines += path ? 0 : 1;
            continue;
        }
        std::optional<QString> name;
        qsizetype at = 1;
        if (line.startsWith(u'@'))
            name = QString();
        else if (line.startsWith(u'"'))
            name = readEscaped(line, at, u'"');
        if (!name || at >= line.size() || line[at] != u'=') {
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
        if (current->set(*name, value->type, value->bytes))
            current->value(*name)->text = value->text;
    }
    return hive;
}

QByteArray serialize(const Hive& hive, QStringView rootName)
{
    QString out = QString::fromLatin1(header) + QStringLiteral("\n;; All keys relative to ") + rootName.toString()
        + u'\n';
    QString path;
    writeKey(*hive.root, path, out);
    return out.toUtf8();
}

} // namespace qn3::platform::registry_hive
