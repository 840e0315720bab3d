#include "platform/registry_hive.h"

#include "platform/ansi.h"

#include <QList>

#include <algorithm>
#include <optional>

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

QByteArray stringData(const QString& text) { return ansi::encode(text) + '\0'; }

// "hex:01,02" / "hex(N):..." bytes after the colon; nullopt if malformed.
std::optional<QByteArray> readHex(QStringView text)
{
    QByteArray bytes;
    for (QStringView item : text.split(u',')) {
        item = item.trimmed();
        if (item.isEmpty() && text.trimmed().isEmpty())
            break;
        if (item.size() != 2 || hexDigit(item[0]) < 0 || hexDigit(item[1]) < 0)
            return std::nullopt;
        bytes.append(static_cast<char>(hexDigit(item[0]) * 16 + hexDigit(item[1])));
    }
    return bytes;
}

// The data after "=": nullopt when it is not understood.
std::optional<std::pair<uint32_t, QByteArray>> readData(QStringView text)
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
        return std::pair{type, stringData(*value)};
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
        return std::pair{regDword, data};
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
    return std::pair{type, *bytes};
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

// A key without values is written only when no key below it is: the others
// are implied by their subkeys.
bool isImplied(const Hive& hive, const QString& folded, const Key& key)
{
    if (!key.values.empty())
        return false;
    const QString below = folded.isEmpty() ? QString() : folded + u'\\';
    const auto next = hive.keys.upperBound(folded);
    return next != hive.keys.cend() && next.key().startsWith(below);
}

} // namespace

// ---- Keys and values in memory ----------------------------------------------

QString fold(QStringView name) { return name.toString().toCaseFolded(); }

QString normalisedPath(QStringView path)
{
    QStringList names;
    for (QStringView name : path.split(u'\\'))
        if (!name.isEmpty())
            names << name.toString();
    return names.join(u'\\');
}

const Value* Key::value(QStringView name) const
{
    const auto found = byName.constFind(fold(name));
    return found == byName.cend() ? nullptr : &values[*found];
}

bool Key::set(QStringView name, uint32_t type, QByteArrayView data)
{
    const QString folded = fold(name);
    if (const auto found = byName.constFind(folded); found != byName.cend()) {
        Value& v = values[*found];
        if (v.type == type && v.data == data)
            return false;
        v.type = type;
        v.data = data.toByteArray();
        return true;
    }
    byName.insert(folded, values.size());
    values.push_back(Value{name.toString(), type, data.toByteArray()});
    return true;
}

const Key* Hive::key(QStringView path) const
{
    const auto found = keys.constFind(fold(normalisedPath(path)));
    return found == keys.cend() ? nullptr : &*found;
}

Key& Hive::make(QStringView path)
{
    // Level by level from the root, so a deep path costs no recursion.
    QString normal;
    auto at = keys.find(QString());
    if (at == keys.end())
        at = keys.insert(QString(), Key{});
    for (QStringView name : path.split(u'\\', Qt::SkipEmptyParts)) {
        if (!normal.isEmpty())
            normal += u'\\';
        normal += name;
        const QString folded = fold(normal);
        at = keys.find(folded);
        if (at == keys.end())
            at = keys.insert(folded, Key{normal, {}, {}});
        else
            normal = at->path; // the first spelling of the ancestors is kept
    }
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
    QList<QByteArrayView> lines;
    for (qsizetype start = 0; start <= text.size();) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        QByteArrayView line = text.sliced(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        lines << line;
        start = end + 1;
    }
    if (lines.isEmpty() || lines.front() != header)
        ++hive.damagedLines;
    Key* current = nullptr;
    for (qsizetype i = lines.front() == header ? 1 : 0; i < lines.size(); ++i) {
        const QString line = QString::fromUtf8(lines[i]).trimmed();
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
        QString text = QStringView(line).sliced(at + 1).trimmed().toString();
        // Long hex data continues on the next lines after a final backslash.
        if (text.startsWith(u"hex"))
            while (text.endsWith(u'\\') && i + 1 < lines.size()) {
                text.chop(1);
                text += QString::fromUtf8(lines[++i]).trimmed();
            }
        const auto data = current ? readData(text) : decltype(readData(text))();
        if (!data) {
            ++hive.damagedLines;
            continue;
        }
        current->set(*name, data->first, data->second);
    }
    return hive;
}

QByteArray serialize(const Hive& hive, QStringView rootName)
{
    QString out = QString::fromLatin1(header) + QStringLiteral("\n;; All keys relative to ") + rootName.toString()
        + u'\n';
    for (auto it = hive.keys.cbegin(); it != hive.keys.cend(); ++it) {
        if (isImplied(hive, it.key(), it.value()))
            continue;
        out += QStringLiteral("\n[") + escaped(it->path, u"[]") + QStringLiteral("]\n");
        std::vector<const Value*> values;
        for (const Value& v : it->values)
            values.push_back(&v);
        std::sort(values.begin(), values.end(), [](const Value* a, const Value* b) { return fold(a->name) < fold(b->name); });
        for (const Value* v : values)
            out += (v->name.isEmpty() ? QStringLiteral("@") : u'"' + escaped(v->name, u"\"") + u'"') + u'='
                + dataText(*v) + u'\n';
    }
    return out.toUtf8();
}

} // namespace qn3::platform::registry_hive
