#include "platform/os_version_overrides.h"

#include "platform/ansi.h"

#include <QtEndian>

#include <optional>

namespace qn3::platform {
namespace {

constexpr uint32_t kValueBufferSize = 1024;

std::optional<QString> text(RegistryStore& store, const RegistryKey& key, QStringView name)
{
    const RegistryQuery query = store.queryValue(key, name, kValueBufferSize);
    if (query.code != 0 || (query.type != REG_SZ && query.type != REG_EXPAND_SZ))
        return std::nullopt;
    QByteArrayView data(query.data);
    if (const qsizetype nul = data.indexOf('\0'); nul >= 0)
        data = data.first(nul);
    return ansi::decode(data);
}

std::optional<uint32_t> number(RegistryStore& store, const RegistryKey& key, QStringView name)
{
    const RegistryQuery query = store.queryValue(key, name, kValueBufferSize);
    if (query.code != 0)
        return std::nullopt;
    if (query.type == REG_DWORD && query.data.size() == 4)
        return qFromLittleEndian<uint32_t>(query.data.constData());
    if (query.type != REG_SZ && query.type != REG_EXPAND_SZ)
        return std::nullopt;
    const QString written = text(store, key, name).value_or(QString()).trimmed();
    bool ok = false;
    const uint value = written.startsWith(u"0x", Qt::CaseInsensitive) ? written.mid(2).toUInt(&ok, 16)
                                                                       : written.toUInt(&ok, 10);
    return ok ? std::optional<uint32_t>(value) : std::nullopt;
}

template <class Field>
void apply(RegistryStore& store, const RegistryKey& key, QStringView name, Field& field)
{
    if (const auto value = number(store, key, name))
        field = static_cast<Field>(*value);
}

} // namespace

OsVersionInfo withRegistryOverrides(OsVersionInfo info, RegistryStore& store)
{
    RegistryKey key;
    if (store.createKey(HKEY_LOCAL_MACHINE, kCurrentVersionKey, key) != 0)
        return info; // an unreadable hive changes nothing
    apply(store, key, u"CurrentMajorVersionNumber", info.majorVersion);
    apply(store, key, u"CurrentMinorVersionNumber", info.minorVersion);
    apply(store, key, u"CurrentBuildNumber", info.buildNumber);
    if (const auto servicePack = text(store, key, u"CSDVersion"))
        info.csdVersion = *servicePack;
    apply(store, key, u"Qn3PlatformId", info.platformId);
    apply(store, key, u"Qn3ServicePackMajor", info.servicePackMajor);
    apply(store, key, u"Qn3ServicePackMinor", info.servicePackMinor);
    apply(store, key, u"Qn3SuiteMask", info.suiteMask);
    apply(store, key, u"Qn3ProductType", info.productType);
    apply(store, key, u"Qn3ProcessorArchitecture", info.processorArchitecture);
    apply(store, key, u"Qn3ProductInfoType", info.productInfoType);
    apply(store, key, u"Qn3ServerR2", info.serverR2);
    return info;
}

} // namespace qn3::platform
