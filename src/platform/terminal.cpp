#include "platform/terminal.h"

#include <QByteArray>

#include <cstdio>

namespace qn3::platform {
namespace {

class StandardError final : public Terminal {
public:
    void write(const QString& text) override
    {
        // Standard error is unbuffered, but a block written in pieces could
        // be split by another writer: one call, then flushed.
        const QByteArray bytes = text.toLocal8Bit();
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
        std::fflush(stderr);
    }
};

} // namespace

Terminal& Terminal::standard()
{
    static StandardError terminal;
    return terminal;
}

} // namespace qn3::platform
