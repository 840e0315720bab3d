#include "platform/profile_text.h"

// Sections: line scanning, parsing for reads, edits.

namespace qn3::platform::profile_text {
namespace {

const QString lineEnd = QStringLiteral("\r\n");

bool isBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\v'; }

QStringView trimBlanks(QStringView s)
{
    qsizetype from = 0;
    qsizetype to = s.size();
    while (from < to && isBlank(s[from]))
        ++from;
    while (to > from && isBlank(s[to - 1]))
        --to;
    return s.sliced(from, to - from);
}

enum class Kind { Blank, Section, Comment, Key, Other };

struct Line {
    Kind kind = Kind::Blank;
    qsizetype start = 0; // first character of the line
    qsizetype end = 0;   // its line end (or the end of the text)
    qsizetype next = 0;  // the next line's first character
    QStringView name;    // section or key name
    QStringView value;   // key value
};

Line classify(QStringView text, qsizetype start, qsizetype end, qsizetype next)
{
    Line line{Kind::Blank, start, end, next, {}, {}};
    const QStringView content = trimBlanks(text.sliced(start, end - start));
    if (content.isEmpty())
        return line;
    if (content[0] == u'[') {
        line.kind = Kind::Section;
        QStringView name = content.sliced(1);
        const qsizetype close = name.indexOf(u']');
        if (close >= 0)
            name = name.first(close);
        line.name = trimBlanks(name);
    } else if (content[0] == u';') {
        line.kind = Kind::Comment;
    } else if (const qsizetype equals = content.indexOf(u'='); equals >= 0) {
        line.kind = Kind::Key;
        line.name = trimBlanks(content.first(equals));
        line.value = trimBlanks(content.sliced(equals + 1));
    } else {
        line.kind = Kind::Other;
    }
    return line;
}

std::vector<Line> scan(QStringView text)
{
    std::vector<Line> lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        qsizetype next = end;
        if (next < size && text[next] == u'\r')
            ++next;
        if (next < size && text[next] == u'\n' && (next == end || text[end] == u'\r'))
            ++next;
        lines.push_back(classify(text, start, end, next));
        start = next;
    }
    return lines;
}

// Index of the first header of `section`, or -1.
qsizetype findSection(const std::vector<Line>& lines, const QString& folded)
{
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].kind == Kind::Section && fold(lines[i].name) == folded)
            return static_cast<qsizetype>(i);
    return -1;
}

// One past the last line of the section whose header is at `header`.
size_t sectionEnd(const std::vector<Line>& lines, size_t header)
{
    size_t i = header + 1;
    while (i < lines.size() && lines[i].kind != Kind::Section)
        ++i;
    return i;
}

qsizetype findKey(const std::vector<Line>& lines, size_t header, const QString& foldedKey)
{
    const size_t end = sectionEnd(lines, header);
    for (size_t i = header + 1; i < end; ++i)
        if (lines[i].kind == Kind::Key && fold(lines[i].name) == foldedKey)
            return static_cast<qsizetype>(i);
    return -1;
}

bool endsWithLineEnd(QStringView text) { return text.endsWith(u'\r') || text.endsWith(u'\n'); }

QString entryText(QStringView key, QStringView value) { return key.toString() + u'=' + value.toString(); }

} // namespace

QString fold(QStringView name) { return name.toString().toCaseFolded(); }

QStringView trimSpaces(QStringView name)
{
    while (name.startsWith(u' '))
        name = name.sliced(1);
    while (name.endsWith(u' '))
        name.chop(1);
    return name;
}

QString unquote(QStringView value)
{
    const qsizetype nul = value.indexOf(QChar(0));
    if (nul >= 0)
        value = value.first(nul);
    if (value.size() > 1 && (value[0] == u'"' || value[0] == u'\'') && value.back() == value[0])
        value = value.sliced(1, value.size() - 2);
    return value.toString();
}

const Section* Profile::section(QStringView name) const
{
    const auto found = firstSection.constFind(fold(name));
    return found == firstSection.cend() ? nullptr : &sections[static_cast<size_t>(*found)];
}

const Entry* Profile::entry(QStringView sectionName, QStringView key) const
{
    const Section* s = section(sectionName);
    if (!s)
        return nullptr;
    const auto found = s->firstKey.constFind(fold(key));
    return found == s->firstKey.cend() ? nullptr : &s->entries[static_cast<size_t>(*found)];
}

Profile parse(QStringView text)
{
    Profile profile;
    Section* current = nullptr;
    for (const Line& line : scan(text)) {
        if (line.kind == Kind::Section) {
            const QString folded = fold(line.name);
            if (!profile.firstSection.contains(folded)) // the first section of a name wins
                profile.firstSection.insert(folded, static_cast<int>(profile.sections.size()));
            profile.sections.push_back(Section{line.name.toString(), {}, {}});
            current = &profile.sections.back();
            continue;
        }
        if (line.kind != Kind::Key || !current)
            continue;
        const QString folded = fold(line.name);
        if (!current->firstKey.contains(folded))
            current->firstKey.insert(folded, static_cast<int>(current->entries.size()));
        current->entries.push_back(Entry{line.name.toString(), line.value.toString()});
    }
    return profile;
}

std::optional<QString> withValue(QStringView text, QStringView section, QStringView key, QStringView value)
{
    const std::vector<Line> lines = scan(text);
    const qsizetype header = findSection(lines, fold(section));
    QString result = text.toString();
    if (header < 0) {
        if (!result.isEmpty() && !endsWithLineEnd(result))
            result += lineEnd;
        result += u'[' + section.toString() + u']' + lineEnd + entryText(key, value) + lineEnd;
        return result;
    }
    const qsizetype found = findKey(lines, static_cast<size_t>(header), fold(key));
    if (found >= 0) {
        const Line& line = lines[static_cast<size_t>(found)];
        if (line.value == value)
            return std::nullopt;
        result.replace(line.start, line.end - line.start, entryText(line.name, value));
        return result;
    }
    // After the section's last non-blank line, so blank lines that separate it
    // from the next header stay in front of that header.
    size_t last = static_cast<size_t>(header);
    const size_t end = sectionEnd(lines, last);
    for (size_t i = last + 1; i < end; ++i)
        if (lines[i].kind != Kind::Blank)
            last = i;
    const Line& after = lines[last];
    QString inserted = entryText(key, value) + lineEnd;
    if (after.next == after.end)
        inserted.prepend(lineEnd);
    result.insert(after.next, inserted);
    return result;
}

std::optional<QString> withoutKey(QStringView text, QStringView section, QStringView key)
{
    const std::vector<Line> lines = scan(text);
    const qsizetype header = findSection(lines, fold(section));
    if (header < 0)
        return std::nullopt;
    const qsizetype found = findKey(lines, static_cast<size_t>(header), fold(key));
    if (found < 0)
        return std::nullopt;
    const Line& line = lines[static_cast<size_t>(found)];
    QString result = text.toString();
    result.remove(line.start, line.next - line.start);
    return result;
}

std::optional<QString> withoutSection(QStringView text, QStringView section)
{
    const std::vector<Line> lines = scan(text);
    const qsizetype header = findSection(lines, fold(section));
    if (header < 0)
        return std::nullopt;
    QString result;
    result.reserve(text.size());
    const size_t end = sectionEnd(lines, static_cast<size_t>(header));
    result += text.first(lines[static_cast<size_t>(header)].start);
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i)
        if (lines[i].kind == Kind::Comment)
            result += text.sliced(lines[i].start, lines[i].next - lines[i].start);
    if (end < lines.size())
        result += text.sliced(lines[end].start);
    return result;
}

} // namespace qn3::platform::profile_text
