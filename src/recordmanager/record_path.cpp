#include "recordmanager/record_path.h"

#include "platform/ansi.h"
#include "platform/runtime_error.h"
#include "platform/windows_path.h"
#include "recordmanager/record_manager_codes.h"

#include <QFile>

namespace qn3::recordmanager {

namespace {

// The key buffer of an open or create that gives no length of its own.
constexpr int DefaultKeyLength = 255;

} // namespace

int16_t hostPathOfKey(const void* keyBuffer, int16_t keyLength, std::string& out)
{
    const int limit = keyLength > 0 ? keyLength : DefaultKeyLength;
    const auto* bytes = static_cast<const char*>(keyBuffer);
    int length = 0;
    while (length < limit && bytes[length] != ' ' && bytes[length] != '\0')
        ++length;
    if (length == limit)
        return status::InvalidFileName;
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
