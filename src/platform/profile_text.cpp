#include "platform/profile_text.h"

#include <algorithm>
#include <initializer_list>
#include <limits>

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

// The text's lines one at a time: nothing is kept of the lines passed, so
// a file of millions of short lines costs no more than its text.
class LineReader {
public:
    explicit LineReader(QStringView text) : text_(text) {}

    bool next(Line& line)
    {
        const qsizetype size = text_.size();
        if (at_ >= size)
            return false;
        qsizetype end = at_;
        while (end < size && text_[end] != u'\r' && text_[end] != u'\n')
            ++end;
        qsizetype next = end;
        if (next < size && text_[next] == u'\r')
            ++next;
        if (next < size && text_[next] == u'\n' && (next == end || text_[end] == u'\r'))
            ++next;
        line = classify(text_, at_, end, next);
        at_ = next;
        return true;
    }

private:
    QStringView text_;
    qsizetype at_ = 0;
};

// Reads up to the first header of `section`; false when there is none.
bool findSection(LineReader& lines, QStringView section, Line& header)
{
    while (lines.next(header))
        if (header.kind == Kind::Section && sameName(header.name, section))
            return true;
    return false;
}

bool endsWithLineEnd(QStringView text) { return text.endsWith(u'\r') || text.endsWith(u'\n'); }

QString entryText(QStringView key, QStringView value) { return key.toString() + u'=' + value.toString(); }

QString joined(std::initializer_list<QStringView> parts)
{
    qsizetype size = 0;
    for (const QStringView part : parts)
        size += part.size();
    QString result;
    result.reserve(size);
    for (const QStringView part : parts)
        result += part;
    return result;
}

} // namespace

bool sameName(QStringView a, QStringView b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

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

QStringView Profile::value(Span key) const
{
    // The name holds no "=" (the line splits at its first one) and no line end.
    const QStringView rest = QStringView(text).sliced(key.from + key.size);
    const qsizetype equals = rest.indexOf(u'=');
    qsizetype end = equals + 1;
    while (end < rest.size() && rest[end] != u'\r' && rest[end] != u'\n')
        ++end;
    return trimBlanks(rest.sliced(equals + 1, end - equals - 1));
}

const Section* Profile::section(QStringView name) const
{
    for (const Section& s : sections)
        if (sameName(view(s.name), name))
            return &s;
    return nullptr;
}

const Span* Profile::key(QStringView sectionName, QStringView name) const
{
    const Section* s = section(sectionName);
    if (!s)
        return nullptr;
    for (uint32_t i = s->firstKey; i < s->firstKey + s->keyCount; ++i)
        if (sameName(view(keys[i]), name))
            return &keys[i];
    return nullptr;
}

Profile parse(QString text)
{
    Profile profile;
    if (static_cast<uint64_t>(text.size()) > std::numeric_limits<uint32_t>::max())
        text.truncate(std::numeric_limits<uint32_t>::max());
    profile.text = std::move(text);
    const QStringView all(profile.text);
    const auto span = [&all](QStringView part) {
        return Span{static_cast<uint32_t>(part.data() - all.data()), static_cast<uint32_t>(part.size())};
    };
    // Reserved once, so the lists never hold twice their room while they grow.
    const qsizetype lineCount = all.count(u'\n') + all.count(u'\r') + 1;
    profile.sections.reserve(static_cast<size_t>(std::min(all.count(u'['), lineCount)));
    profile.keys.reserve(static_cast<size_t>(std::min(all.count(u'='), lineCount)));
    LineReader lines(all);
    Line line;
    while (lines.next(line)) {
        if (line.kind == Kind::Section) {
            profile.sections.push_back(Section{span(line.name), static_cast<uint32_t>(profile.keys.size()), 0});
        } else if (line.kind == Kind::Key && !profile.sections.empty()) {
            profile.keys.push_back(span(line.name));
            ++profile.sections.back().keyCount;
        }
    }
    return profile;
}

std::optional<QString> withValue(QStringView text, QStringView section, QStringView key, QStringView value)
{
    LineReader lines(text);
    Line line;
    if (!findSection(lines, section, line)) {
        const QString added = u'[' + section.toString() + u']' + lineEnd + entryText(key, value) + lineEnd;
        return joined({text, !text.isEmpty() && !endsWithLineEnd(text) ? QStringView(lineEnd) : QStringView(), added});
    }
    // A new key goes after the section's last non-blank line, so blank lines
    // that separate it from the next header stay in front of that header.
    Line last = line;
    while (lines.next(line) && line.kind != Kind::Section) {
        if (line.kind == Kind::Key && sameName(line.name, key)) {
            if (line.value == value)
                return std::nullopt;
            return joined({text.first(line.start), entryText(line.name, value), text.sliced(line.end)});
        }
        if (line.kind != Kind::Blank)
            last = line;
    }
    QString inserted = entryText(key, value) + lineEnd;
    if (last.next == last.end)
        inserted.prepend(lineEnd);
    return joined({text.first(last.next), inserted, text.sliced(last.next)});
}

std::optional<QString> withoutKey(QStringView text, QStringView section, QStringView key)
{
    LineReader lines(text);
    Line line;
    if (!findSection(lines, section, line))
        return std::nullopt;
    while (lines.next(line) && line.kind != Kind::Section)
        if (line.kind == Kind::Key && sameName(line.name, key))
            return joined({text.first(line.start), text.sliced(line.next)});
    return std::nullopt;
}

std::optional<QString> withoutSection(QStringView text, QStringView section)
{
    LineReader lines(text);
    Line line;
    if (!findSection(lines, section, line))
        return std::nullopt;
    QString result;
    result.reserve(text.size());
    result += text.first(line.start);
    qsizetype rest = text.size();
    while (lines.next(line)) {
        if (line.kind == Kind::Section) {
            rest = line.start;
            break;
        }
        if (line.kind == Kind::Comment)
            result += text.sliced(line.start, line.next - line.start);
    }
    result += text.sliced(rest);
    return result;
}

} // namespace qn3::platform::profile_text
