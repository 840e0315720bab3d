#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <vector>

// The text of a private-profile (INI) file, as the Windows profile functions
// see it; no file access here.
//
// Reading: lines end at CR, LF or CRLF; each line is trimmed of space, TAB
// and VT; "[name" up to the first "]" opens a section (blanks around the
// name dropped); ";" first makes a comment; "key = value" splits at the
// first "="; a line without "=" defines nothing; lines before the first
// section belong to none. Names compare without regard to case; the first
// section and the first key of a name win.
//
// Editing changes only the lines concerned: every other character of the
// text, line ends included, stays as it was.
namespace qn3::platform::profile_text {

// Where a name or value lies in the profile's text.
struct Span {
    uint32_t from = 0;
    uint32_t size = 0;
};

struct Section {
    Span name;
    uint32_t firstKey = 0; // its key lines, duplicates included, are
    uint32_t keyCount = 0; // keys[firstKey, firstKey + keyCount)
};

// The parsed form that reads use: the text itself and where its sections
// and key names lie in it (a value is found from its key's name when it is
// read), so a file costs little more than its own text however its lines
// are shaped. Lookups scan a section's few keys; the first section and the
// first key of a name win.
struct Profile {
    QString text;
    std::vector<Section> sections; // duplicates included, in file order
    std::vector<Span> keys;        // the key names, as spelt in the file

    QStringView view(Span span) const { return QStringView(text).sliced(span.from, span.size); }
    // A key's value, trimmed, quotes still on.
    QStringView value(Span key) const;
    const Section* section(QStringView name) const;
    const Span* key(QStringView section, QStringView key) const;
};

// Takes the text over. Text beyond 4 Gi characters (never reached: files are
// read within a size limit) is ignored.
Profile parse(QString text);

// Whether two section or key names are the same name (case ignored).
bool sameName(QStringView a, QStringView b);

// A caller's section or key argument: only spaces are dropped around it.
QStringView trimSpaces(QStringView name);

// A stored value as the single-key read returns it: one matching pair of
// outer quotes (" or ') removed; cut at a NUL, as the copy into the
// caller's buffer stops there.
QString unquote(QStringView value);

// The edits. Each returns the new text, or nullopt when the text would not
// change (the file is then left alone). Names are taken as given (callers
// trim them); new lines end with CRLF.
std::optional<QString> withValue(QStringView text, QStringView section, QStringView key, QStringView value);
std::optional<QString> withoutKey(QStringView text, QStringView section, QStringView key);
// Drops the section's header and its lines, except its comment lines.
std::optional<QString> withoutSection(QStringView text, QStringView section);

} // namespace qn3::platform::profile_text
