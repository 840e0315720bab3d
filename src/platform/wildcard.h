#pragma once

#include <QString>
#include <QStringView>

#include <vector>

// Windows wildcard matching of file names, as FindFirstFile does it: the
// mask is rewritten first (a mask ending in "." asks for names without an
// extension; trailing dots and blanks go; a "." before "*" or "?" may also
// match the end of the name; "?" may match nothing at a dot or at the end),
// then compared case-insensitively. So "*" and "*.*" match every name,
// including names without a dot and names starting with a dot; "*." matches
// names without a dot; "?" matches one-character names; "*.txt" matches
// "A.TXT". No 8.3 short names are generated, so "*.htm" does not list
// "x.html" as it can on a Windows volume with short names.
namespace qn3::platform::wildcard {

// A mask rewritten once, for matching many names.
class Pattern {
public:
    explicit Pattern(QStringView mask);

    bool matches(QStringView name) const;
    // True for masks like "*" and "*.*" that take every name.
    bool matchesEverything() const { return everything_; }

private:
    enum class Kind : unsigned char { Literal, Star, DosStar, DosQuestion, DosDot };
    struct Token {
        Kind kind;
        char16_t upper; // Literal only
    };
    bool matchFrom(size_t token, qsizetype at, QStringView name, qsizetype lastDot, std::vector<unsigned char>& memo) const;

    std::vector<Token> tokens_;
    bool everything_ = false;
    bool literal_ = false; // no wildcard at all: a case-insensitive comparison
    QString literalUpper_;
};

// Whether `name` matches the Windows mask `mask` (see Pattern).
bool matches(QStringView mask, QStringView name);

// A name upper-cased the way Windows compares names: each UTF-16 unit on its
// own, so lengths never change ("ß" stays "ß", not "SS"). Shares `name` when
// nothing changes.
QString upperCase(const QString& name);

// Whether `text` holds a wildcard character ('*' or '?').
bool hasWildcards(QStringView text);

} // namespace qn3::platform::wildcard
