#pragma once

#include <QHash>
#include <QString>
#include <QStringView>

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

struct Entry {
    QString name;  // as spelt in the file
    QString value; // trimmed, quotes still on
};

struct Section {
    QString name;
    std::vector<Entry> entries;  // every key line, duplicates included
    QHash<QString, int> firstKey; // folded name -> index of its first entry
};

// The parsed form that reads use.
struct Profile {
    std::vector<Section> sections;    // duplicates included, in file order
    QHash<QString, int> firstSection; // folded name -> index of the first one
    const Section* section(QStringView name) const;
    const Entry* entry(QStringView section, QStringView key) const;
};

Profile parse(QStringView text);

// The form names take for comparison.
QString fold(QStringView name);

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
