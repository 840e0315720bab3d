#include "platform/wildcard.h"

// Matching works on tokens, so a '<', '>' or '"' in the caller's mask stays
// an ordinary character: only the rewrite makes the DOS wildcards. The match
// itself is a memoised walk over (token, position) pairs, which keeps even
// hostile masks ("*a*a*a*...") polynomial.

namespace qn3::platform::wildcard {
namespace {

char16_t upper(QChar c) { return c.toUpper().unicode(); }

} // namespace

Pattern::Pattern(QStringView mask)
{
    // A mask ending in a dot asks for "no extension"; then trailing dots and
    // blanks go.
    const bool noExtension = mask.endsWith(u'.');
    qsizetype size = mask.size();
    while (size > 0 && (mask[size - 1] == u'.' || mask[size - 1] == u' '))
        --size;
    tokens_.reserve(size_t(size));
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = mask[i];
        if (c == u'*') {
            tokens_.push_back({Kind::Star, 0});
        } else if (c == u'?') {
            tokens_.push_back({Kind::DosQuestion, 0});
        } else if (c == u'.' && i + 1 < size && (mask[i + 1] == u'*' || mask[i + 1] == u'?')) {
            tokens_.push_back({Kind::DosDot, 0});
        } else {
            tokens_.push_back({Kind::Literal, upper(c)});
        }
    }
    if (noExtension && !tokens_.empty() && tokens_.back().kind == Kind::Star)
        tokens_.back().kind = Kind::DosStar;

    literal_ = !tokens_.empty();
    for (const Token& token : tokens_)
        if (token.kind != Kind::Literal)
            literal_ = false;
    if (literal_) {
        literalUpper_.reserve(qsizetype(tokens_.size()));
        for (const Token& token : tokens_)
            literalUpper_ += QChar(token.upper);
    }
    // A leading '*' can swallow the whole name and every later '*' or
    // DOS dot can match nothing at the end.
    everything_ = !tokens_.empty() && tokens_.front().kind == Kind::Star;
    for (const Token& token : tokens_)
        if (token.kind != Kind::Star && token.kind != Kind::DosDot)
            everything_ = false;
}

bool Pattern::matches(QStringView name) const
{
    if (name == u"..")
        name = name.first(1); // ".." matches as "." does
    if (everything_)
        return true;
    if (literal_) {
        if (name.size() != literalUpper_.size())
            return false;
        for (qsizetype i = 0; i < name.size(); ++i)
            if (upper(name[i]) != literalUpper_[i].unicode())
                return false;
        return true;
    }
    const qsizetype lastDot = name.lastIndexOf(u'.');
    std::vector<unsigned char> memo((tokens_.size() + 1) * size_t(name.size() + 1), 0);
    return matchFrom(0, 0, name, lastDot, memo);
}

// memo: 0 not known yet, 1 no, 2 yes.
bool Pattern::matchFrom(size_t token, qsizetype at, QStringView name, qsizetype lastDot,
                        std::vector<unsigned char>& memo) const
{
    const qsizetype size = name.size();
    unsigned char& known = memo[token * size_t(size + 1) + size_t(at)];
    if (known)
        return known == 2;
    bool result = false;
    if (token == tokens_.size()) {
        result = at == size;
    } else if (at == size) {
        // At the end of the name every wildcard but a literal matches nothing.
        result = tokens_[token].kind != Kind::Literal && matchFrom(token + 1, at, name, lastDot, memo);
    } else {
        const Token& t = tokens_[token];
        switch (t.kind) {
        case Kind::Literal:
            result = upper(name[at]) == t.upper && matchFrom(token + 1, at + 1, name, lastDot, memo);
            break;
        case Kind::Star:
            result = matchFrom(token + 1, at, name, lastDot, memo) || matchFrom(token, at + 1, name, lastDot, memo);
            break;
        case Kind::DosStar: {
            // Any run that does not reach past the name's last dot (it may take
            // that dot itself); after the last dot, the rest of the name.
            const qsizetype limit = at > lastDot ? size : lastDot + 1;
            for (qsizetype end = at; end <= limit && !result; ++end)
                result = matchFrom(token + 1, end, name, lastDot, memo);
            break;
        }
        case Kind::DosQuestion:
            if (name[at] != u'.') {
                result = matchFrom(token + 1, at + 1, name, lastDot, memo);
            } else {
                // At a dot, a run of '?' matches nothing, except when the run
                // ends the mask: then it takes the dot.
                size_t next = token;
                while (next < tokens_.size() && tokens_[next].kind == Kind::DosQuestion)
                    ++next;
                result = next == tokens_.size() ? matchFrom(next, at + 1, name, lastDot, memo)
                                                : matchFrom(next, at, name, lastDot, memo);
            }
            break;
        case Kind::DosDot:
            result = name[at] == u'.' && matchFrom(token + 1, at + 1, name, lastDot, memo);
            break;
        }
    }
    known = result ? 2 : 1;
    return result;
}

QString upperCase(const QString& name)
{
    const qsizetype size = name.size();
    qsizetype i = 0;
    while (i < size && name[i].toUpper() == name[i])
        ++i;
    if (i == size)
        return name;
    QString result = name;
    QChar* data = result.data();
    for (; i < size; ++i)
        data[i] = data[i].toUpper();
    return result;
}

bool matches(QStringView mask, QStringView name) { return Pattern(mask).matches(name); }

bool hasWildcards(QStringView text) { return text.contains(u'*') || text.contains(u'?'); }

} // namespace qn3::platform::wildcard
