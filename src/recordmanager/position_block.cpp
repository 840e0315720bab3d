#include "recordmanager/position_block.h"

#include "recordmanager/record_manager_codes.h"

#include <cstring>

namespace qn3::recordmanager {
namespace {

// Layout: magic (4), handle (4), key number (2), state (1), key-in-block (1),
// record id (8), version (8), key length (2), reserved (2), key (96).
constexpr char Magic[4] = {'Q', 'N', '3', 'C'};
constexpr size_t HandleAt = 4, KeyNumberAt = 8, StateAt = 10, KeyInBlockAt = 11, IdAt = 12,
                 VersionAt = 20, KeyLengthAt = 28, KeyAt = 32;
static_assert(KeyAt + InlineKeyCapacity == PositionBlockSize);

template <typename T> T load(const uint8_t* bytes)
{
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

template <typename T> void store(uint8_t* bytes, T value) { std::memcpy(bytes, &value, sizeof value); }

} // namespace

bool readPositionBlock(const void* block, Cursor& out)
{
    const auto* bytes = static_cast<const uint8_t*>(block);
    if (std::memcmp(bytes, Magic, sizeof Magic) != 0)
        return false;
    const uint8_t state = bytes[StateAt];
    const auto keyLength = load<uint16_t>(bytes + KeyLengthAt);
    const bool keyInBlock = bytes[KeyInBlockAt] != 0;
    if (state > static_cast<uint8_t>(CursorState::PastUnreadable) || (keyInBlock && keyLength > InlineKeyCapacity))
        return false;
    out.handle = load<uint32_t>(bytes + HandleAt);
    out.keyNumber = load<int16_t>(bytes + KeyNumberAt);
    out.state = static_cast<CursorState>(state);
    out.keyInBlock = keyInBlock;
    out.recordId = load<int64_t>(bytes + IdAt);
    out.version = load<int64_t>(bytes + VersionAt);
    out.longKeyId = keyInBlock ? 0 : load<uint64_t>(bytes + KeyAt);
    if (keyInBlock)
        out.key.assign(reinterpret_cast<const char*>(bytes + KeyAt), keyLength);
    else
        out.key.clear();
    return true;
}

void writePositionBlock(void* block, const Cursor& cursor)
{
    auto* bytes = static_cast<uint8_t*>(block);
    const bool keyInBlock = cursor.keyInBlock && cursor.key.size() <= InlineKeyCapacity;
    std::memcpy(bytes, Magic, sizeof Magic);
    store(bytes + HandleAt, cursor.handle);
    store(bytes + KeyNumberAt, cursor.keyNumber);
    bytes[StateAt] = static_cast<uint8_t>(cursor.state);
    bytes[KeyInBlockAt] = keyInBlock ? 1 : 0;
    store(bytes + IdAt, cursor.recordId);
    store(bytes + VersionAt, cursor.version);
    store(bytes + KeyLengthAt, static_cast<uint16_t>(keyInBlock ? cursor.key.size() : 0));
    store(bytes + KeyLengthAt + 2, uint16_t{0});
    if (keyInBlock)
        std::memcpy(bytes + KeyAt, cursor.key.data(), cursor.key.size());
    else
        store(bytes + KeyAt, cursor.longKeyId);
}

} // namespace qn3::recordmanager
