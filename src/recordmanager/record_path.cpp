#include "recordmanager/record_path.h"

#include "platform/ansi.h"
#include "platform/runtime_error.h"
#include "platform/windows_path.h"

#include <QFile>

#include <cstring>

namespace qn3::recordmanager {

std::string hostPathOfKey(const void* keyBuffer, int limit)
{
    const auto* bytes = static_cast<const char*>(keyBuffer);
    int length = 0;
    while (length < limit && bytes[length] != ' ' && bytes[length] != '\0')
        ++length;
    if (length == 0)
        return {};
    try {
        const QString host = platform::paths::toHost(platform::ansi::decode(QByteArrayView(bytes, length)));
        return QFile::encodeName(host).toStdString();
    } catch (const platform::RuntimeError&) {
        return {};
    }
}

} // namespace qn3::recordmanager
