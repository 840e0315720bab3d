#include "recordmanager/record_path.h"

#include "platform/ansi.h"
#include "platform/runtime_error.h"
#include "platform/windows_path.h"
#include "recordmanager/record_manager_codes.h"

#include <QFile>

#include <cstring>

namespace qn3::recordmanager {

int16_t hostPathOfKey(const void* keyBuffer, int16_t keyLength, std::string& out)
{
    // No length, no buffer to read: nothing says where it ends.
    if (keyLength <= 0)
        return status::InvalidFileName;
    const auto* bytes = static_cast<const char*>(keyBuffer);
    const auto* nul = static_cast<const char*>(std::memchr(bytes, '\0', static_cast<size_t>(keyLength)));
    int length = nul ? static_cast<int>(nul - bytes) : keyLength;
    // Without a NUL, only blanks up to the key length show that the name
    // ended there; a name filling the buffer may go on past it.
    if (!nul && bytes[length - 1] != ' ')
        return status::InvalidFileName;
    while (length > 0 && bytes[length - 1] == ' ')
        --length;
    if (length == 0)
        return status::FileNotFound;
    try {
        const QString host = platform::paths::toHost(platform::ansi::decode(QByteArrayView(bytes, length)));
        out = QFile::encodeName(host).toStdString();
        return out.empty() ? status::FileNotFound : status::Success;
    } catch (const platform::RuntimeError&) {
        return status::FileNotFound;
    }
}

} // namespace qn3::recordmanager
