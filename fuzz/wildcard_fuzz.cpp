#include "fuzz_support.h"
#include "platform/ansi.h"
#include "platform/wildcard.h"

// Input: mask, a NUL byte, name (both ANSI). Matching never crashes, a
// compiled pattern agrees with the one-shot call, "*" takes every name, and a
// mask without wildcards matches exactly the names equal to it ignoring case
// (once the mask's trailing dots and blanks are gone).
QN3_FUZZ_TARGET(bytes)
{
    using namespace qn3::platform;
    using qn3::fuzzing::require;
    const qsizetype split = bytes.indexOf('\0');
    if (split < 0)
        return;
    const QString mask = ansi::decode(bytes.first(split));
    const QString name = ansi::decode(bytes.sliced(split + 1));
    if (name.isEmpty() || name.contains(QChar(0)))
        return;
    const bool result = wildcard::matches(mask, name);
    require(wildcard::Pattern(mask).matches(name) == result);
    require(wildcard::matches(u"*", name));
    if (!wildcard::hasWildcards(mask) && name != u"..") {
        QStringView trimmed(mask);
        while (!trimmed.isEmpty() && (trimmed.back() == u'.' || trimmed.back() == u' '))
            trimmed.chop(1);
        require(result == (wildcard::upperCase(trimmed.toString()) == wildcard::upperCase(name)));
    }
}
