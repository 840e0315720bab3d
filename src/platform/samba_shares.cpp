#include "platform/samba_shares.h"

#include "platform/regular_file.h"
#include "platform/runtime_error.h"
#include "platform/windows_path.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <unistd.h>

namespace qn3::platform::shares {
namespace {

constexpr qint64 kMaxConfigurationBytes = 1 << 20;

// Samba's parameter names: case, blanks and "_" do not count ("read only" is "readonly").
QString parameterKey(QStringView name)
{
    QString key;
    for (const QChar c : name) {
        if (c != u' ' && c != u'\t' && c != u'_')
            key += c.toLower();
    }
    return key;
}

std::optional<bool> boolean(const QString& value)
{
    const QString v = value.toLower();
    if (v == u"yes" || v == u"true" || v == u"1" || v == u"on")
        return true;
    if (v == u"no" || v == u"false" || v == u"0" || v == u"off")
        return false;
    return std::nullopt;
}

struct Section {
    Share share;
    bool printable = false;
    bool available = true;
};

// Joins "\"-continued lines; comment and blank lines go.
QStringList logicalLines(const QString& text)
{
    QStringList lines;
    QString pending;
    for (const QString& raw : text.split(u'\n')) {
        QString line = raw;
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (pending.isEmpty() && (trimmed.startsWith(u'#') || trimmed.startsWith(u';')))
            continue;
        if (trimmed.endsWith(u'\\')) {
            pending += trimmed.chopped(1).trimmed() + u' ';
            continue;
        }
        pending += trimmed;
        if (!pending.trimmed().isEmpty())
            lines.append(pending.trimmed());
        pending.clear();
    }
    if (!pending.trimmed().isEmpty())
        lines.append(pending.trimmed());
    return lines;
}

void apply(Section& section, const QString& key, const QString& value)
{
    if (key == u"path" || key == u"directory") {
        section.share.path = value;
    } else if (key == u"comment") {
        section.share.comment = value;
    } else if (key == u"printable" || key == u"printok") {
        section.printable = boolean(value).value_or(section.printable);
    } else if (key == u"available") {
        section.available = boolean(value).value_or(section.available);
    } else if (key == u"maxconnections") {
        bool ok = false;
        const int n = value.toInt(&ok);
        if (ok && n >= 0)
            section.share.maxUses = n == 0 ? UnlimitedUses : n;
    }
}

} // namespace

std::vector<Share> parseConfiguration(QByteArrayView text)
{
    std::vector<Section> sections;
    Section* current = nullptr;
    for (const QString& line : logicalLines(QString::fromUtf8(text))) {
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            const QString name = (close < 0 ? line.mid(1) : line.mid(1, close - 1)).trimmed();
            current = nullptr;
            if (name.isEmpty())
                continue;
            for (Section& s : sections) {
                if (s.share.name.compare(name, Qt::CaseInsensitive) == 0)
                    current = &s;
            }
            if (current == nullptr) {
                current = &sections.emplace_back();
                current->share.name = name;
            }
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (current == nullptr || equals <= 0)
            continue;
        apply(*current, parameterKey(QStringView(line).left(equals)), line.mid(equals + 1).trimmed());
    }

    std::vector<Share> result;
    for (Section& s : sections) {
        const QString lower = s.share.name.toLower();
        if (lower == u"global" || lower == u"homes" || lower == u"printers" || !s.available)
            continue;
        s.share.type = s.printable ? PrintQueue : Disk;
        if (s.share.name.endsWith(u'$'))
            s.share.type |= Special;
        result.push_back(std::move(s.share));
    }
    return result;
}

QString configurationFile()
{
    const QString configured = qEnvironmentVariable("QN3_SMB_CONF");
    return configured.isEmpty() ? QStringLiteral("/etc/samba/smb.conf") : configured;
}

std::vector<Share> localShares()
{
    const QString file = configurationFile();
    const QFileInfo info(file);
    if (!info.exists())
        return {};
    if (!info.isFile() || info.size() > kMaxConfigurationBytes)
        throw RuntimeError(errors::PathFileAccessError,
                           runtimeErrorText(errors::PathFileAccessError) + QStringLiteral(": ") + file);
    regular_file::Opened opened = regular_file::open(file, O_RDONLY);
    if (opened.fd() < 0)
        throwErrno(opened.notRegular ? EACCES : opened.error, file);
    QFile in;
    if (!in.open(opened.fd(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        throwErrno(EACCES, file);
    opened.release(); // the QFile closes it
    std::vector<Share> result = parseConfiguration(in.read(kMaxConfigurationBytes));
    for (Share& share : result) {
        // "/srv/data/" names the same folder as "/srv/data"; Windows gives a
        // share's folder without the final separator, a drive root with it.
        while (share.path.size() > 1 && share.path.endsWith(u'/'))
            share.path.chop(1);
        if (!share.path.isEmpty())
            share.path = paths::toWindows(share.path);
    }
    return result;
}

} // namespace qn3::platform::shares
