#pragma once

#include <cstdint>
#include <string>

// The cursor as the caller's 128-byte position block carries it.
//
// Everything needed to go on from a block is in its bytes: the engine's handle
// id (what file, what open mode), the key number of the last positioning, the
// record id and version last read, and the indexed key value of that record.
// So a byte copy of a block is an independent cursor. A key longer than the
// room left in the block stays in the engine's table of long keys and the
// block carries its id there instead.
namespace qn3::recordmanager {

enum class CursorState : uint8_t {
    None = 0,      // no current record (right after open)
    OnRecord = 1,  // on the record `recordId`
    Deleted = 2,   // the current record was deleted: navigation goes on from where it stood
    // A read met a page that cannot be read, so the record past the cursor is
    // out of reach: Get Next and Get Previous answer end of file, and a walk
    // that goes on after the failure ends.
    PastUnreadable = 3,
};

struct Cursor {
    uint32_t handle = 0;
    int16_t keyNumber = -1;
    CursorState state = CursorState::None;
    int64_t recordId = 0;
    int64_t version = 0;
    std::string key;     // the indexed key value; read back empty when `keyInBlock` is false
    bool keyInBlock = true;
    uint64_t longKeyId = 0;  // where the engine keeps `key` when it does not fit
};

// Room for a key value inside the block.
inline constexpr size_t InlineKeyCapacity = 96;

// False when the bytes are not a block this engine wrote (never opened, blanks).
bool readPositionBlock(const void* block, Cursor& out);
void writePositionBlock(void* block, const Cursor& cursor);

} // namespace qn3::recordmanager
