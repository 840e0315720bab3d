#include "services/registry_access.h"

#include "platform/ansi.h"
#include "platform/registry_store.h"
#include "platform/windows_error.h"
#include "services/formats.h"
#include "services/os_facts.h"
#include "services/trap.h"

#include <QtEndian>

#include <cmath>

namespace qn3::services {
namespace {

constexpr int32_t kInvalidHandle = static_cast<int32_t>(platform::win_error::InvalidHandle);
constexpr int32_t kBadKey = static_cast<int32_t>(platform::win_error::BadKey);
constexpr int32_t kInvalidParameter = static_cast<int32_t>(platform::win_error::InvalidParameter);
constexpr int32_t kRegistryIoFailed = static_cast<int32_t>(platform::win_error::RegistryIoFailed);

// RegCreateKeyA below the caller's root, or below the platform's choice. The
// choice follows the version record the main window read at start-up, so the
// registry and the share listing agree on the platform for the whole run.
int32_t openKey(uint32_t CleRacine, const QString& CheminCle, platform::RegistryKey& key)
{
    uint32_t root = CleRacine;
    if (root == 0) {
        switch (VersionOS.dwPlatformId) {
        case 1: root = platform::HKEY_LOCAL_MACHINE; break;
        case 2: root = platform::HKEY_CURRENT_USER; break;
        default: return kInvalidHandle; // no root, so no key
        }
    }
    return platform::RegistryStore::current().createKey(root, CheminCle, key);
}

// Opens the key and hands it to `use`, whose code is the result; a key that
// cannot be opened gives its own code.
template <class Use>
int32_t onKey(uint32_t CleRacine, const QString& CheminCle, Use use)
{
    platform::RegistryKey key;
    const int32_t code = openKey(CleRacine, CheminCle, key);
    return code != 0 ? code : use(platform::RegistryStore::current(), key);
}

} // namespace

int32_t Reg_GetValue(uint32_t CleRacine, const QString& CheminCle, const QString& NomValeur, QString& Resultat)
{
    Resultat.clear();
    if (CheminCle.isEmpty())
        return kBadKey;
    int32_t code = 0;
    Trap trap(u"Lib_Systeme:Reg_GetValue");
    trap([&] {
        code = onKey(CleRacine, CheminCle, [&](platform::RegistryStore& store, const platform::RegistryKey& key) {
            // Type and size first, with an empty buffer.
            const platform::RegistryQuery probe = store.queryValue(key, NomValeur, 0u);
            if (probe.size < 2)
                return 0;
            switch (probe.type) {
            case platform::REG_SZ:
            case platform::REG_EXPAND_SZ: {
                const platform::RegistryQuery read = store.queryValue(key, NomValeur, probe.size + 1);
                if (read.code == 0)
                    Resultat = platform::ansi::decode(read.data.left(probe.size - 1));
                return read.code;
            }
            case platform::REG_DWORD: {
                const platform::RegistryQuery read = store.queryValue(key, NomValeur, 4u);
                if (read.code == 0 && read.data.size() >= 4)
                    Resultat = QString::number(qFromLittleEndian<int32_t>(read.data.constData()));
                return read.code;
            }
            default: return probe.code;
            }
        });
    });
    return code;
}

int32_t Reg_SetValue(uint32_t CleRacine, const QString& CheminCle, const QString& NomValeur, const QString& Valeur,
                     int32_t TypeValeur)
{
    if (CheminCle.isEmpty() || NomValeur.isEmpty())
        return kBadKey;
    int32_t code = 0;
    Trap trap(u"Lib_Systeme:Reg_SetValue");
    // A fault stopped the write: never report it as done.
    const bool ran = trap([&] {
        code = onKey(CleRacine, CheminCle, [&](platform::RegistryStore& store, const platform::RegistryKey& key) {
            if (static_cast<uint32_t>(TypeValeur) == platform::REG_DWORD) {
                // Signed or unsigned, the text must name 32 bits; anything
                // wider is refused rather than cut.
                const double number = std::nearbyint(Val(Valeur));
                if (!(number >= -2147483648.0 && number <= 4294967295.0))
                    return kInvalidParameter;
                const auto value = static_cast<uint32_t>(static_cast<int64_t>(number));
                char bytes[4];
                qToLittleEndian(value, bytes);
                return store.setValue(key, NomValeur, platform::REG_DWORD, QByteArrayView(bytes, 4));
            }
            if (Valeur.isEmpty())
                return store.setValue(key, NomValeur, platform::REG_SZ, QByteArrayView());
            QByteArray data = platform::ansi::encode(Valeur);
            data.append('\0');
            return store.setValue(key, NomValeur, platform::REG_SZ, data);
        });
    });
    return ran ? code : kRegistryIoFailed;
}

} // namespace qn3::services
