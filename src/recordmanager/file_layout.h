#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The structure of a record file as a creation buffer gives it, and the
// byte form of its keys.
//
// A creation buffer is 16 bytes of header (record length, page size, number
// of keys, file flags; 16-bit little-endian) followed by one 16-byte entry
// per key segment (position counted from 1, length, flags). A key is its
// segments in order: a segment whose flags hold 16 continues into the next.
// The duplicates and modifiable flags of a key are those of its first segment.
namespace qn3::recordmanager {

struct Segment {
    uint16_t offset = 0;   // from the start of the record, counted from 0
    uint16_t length = 0;
    bool caseInsensitive = false;
};

struct KeyDefinition {
    std::vector<Segment> segments;
    uint16_t length = 0;   // sum of the segments' lengths, at most 255
    bool duplicates = false;
    bool modifiable = false;
};

struct FileLayout {
    uint16_t recordLength = 0;
    uint16_t pageSize = 0;
    std::vector<KeyDefinition> keys;
    // The layout bytes that were read (header and used segments), as
    // stored in the file so that it can be read again on open.
    std::string bytes;
};

// Reads and checks a creation buffer: 0 and `out` filled, or the status of the
// first fault (22 too short, 28 record length, 24 page size, 26 number of
// keys, 29 key length, 27 key position).
int16_t parseFileLayout(std::span<const uint8_t> bytes, FileLayout& out);

// The indexed form of a key: its segments joined, case-insensitive segments
// upper-cased in Windows-1252. Fixed length, so byte order is key order.
// `source` holds the key's segments at their record offsets when `fromRecord`,
// or one after the other as a caller's key buffer holds them otherwise.
void encodeKey(const KeyDefinition& key, const uint8_t* source, bool fromRecord, std::string& out);

// Whether `stored` (`storedLength` bytes) is the indexed form of the key of
// `record`; a stored key that disagrees with its record means damage.
bool keyMatches(const KeyDefinition& key, const uint8_t* record, const void* stored, size_t storedLength);

// The key's bytes as the record holds them (what a read hands back).
void copyRawKey(const KeyDefinition& key, const uint8_t* record, uint8_t* out);

} // namespace qn3::recordmanager
