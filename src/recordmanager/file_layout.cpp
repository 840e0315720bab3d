#include "recordmanager/file_layout.h"

#include "platform/ansi.h"
#include "recordmanager/record_manager_codes.h"

#include <QChar>

#include <array>
#include <cstring>

namespace qn3::recordmanager {
namespace {

constexpr size_t HeaderSize = 16;
constexpr size_t SegmentEntrySize = 16;
constexpr size_t MaxSegments = (CreationBufferSize - HeaderSize) / SegmentEntrySize;
constexpr uint16_t MaxKeyLength = 255;
// Shorter records cannot hold the smallest key the classic manager allows.
constexpr uint16_t MinRecordLength = 4;

uint16_t read16(std::span<const uint8_t> bytes, size_t at)
{
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

bool validPageSize(uint16_t size)
{
    return (size >= 512 && size <= 4096 && size % 512 == 0) || size == 8192 || size == 16384;
}

// Upper case of every Windows-1252 byte whose upper case the code page holds.
std::array<uint8_t, 256> makeUpperTable()
{
    std::array<uint8_t, 256> table{};
    for (int b = 0; b < 256; ++b) {
        const char16_t upper = QChar(platform::ansi::toUnicode(static_cast<unsigned char>(b))).toUpper().unicode();
        const unsigned char back = platform::ansi::toByte(upper);
        table[b] = (back == '?' && upper != u'?') ? static_cast<uint8_t>(b) : back;
    }
    return table;
}

const std::array<uint8_t, 256>& upperTable()
{
    static const std::array<uint8_t, 256> table = makeUpperTable();
    return table;
}

} // namespace

int16_t parseFileLayout(std::span<const uint8_t> bytes, FileLayout& out)
{
    if (bytes.size() < HeaderSize)
        return status::DataBufferLength;
    FileLayout layout;
    layout.recordLength = read16(bytes, 0);
    layout.pageSize = read16(bytes, 2);
    const auto keyCount = static_cast<int16_t>(read16(bytes, 4));
    if (layout.recordLength < MinRecordLength)
        return status::InvalidRecordLength;
    if (!validPageSize(layout.pageSize))
        return status::InvalidPageSize;
    if (keyCount < 1 || static_cast<size_t>(keyCount) > MaxSegments)
        return status::InvalidNumberOfKeys;

    size_t segment = 0;
    for (int k = 0; k < keyCount; ++k) {
        KeyDefinition key;
        bool more = true;
        while (more) {
            if (segment >= MaxSegments)
                return status::InvalidNumberOfKeys;
            const size_t at = HeaderSize + SegmentEntrySize * segment++;
            if (bytes.size() < at + SegmentEntrySize)
                return status::DataBufferLength;
            const uint16_t position = read16(bytes, at);
            const uint16_t length = read16(bytes, at + 2);
            const uint16_t flags = read16(bytes, at + 4);
            if (length == 0 || length > MaxKeyLength || key.length + length > MaxKeyLength)
                return status::InvalidKeyLength;
            if (position < 1 || position - 1 + length > layout.recordLength)
                return status::InvalidKeyPosition;
            if (key.segments.empty()) {
                key.duplicates = flags & keyflag::Duplicates;
                key.modifiable = flags & keyflag::Modifiable;
            }
            key.segments.push_back({static_cast<uint16_t>(position - 1), length,
                                    (flags & keyflag::CaseInsensitive) != 0});
            key.length = static_cast<uint16_t>(key.length + length);
            more = flags & keyflag::Segmented;
        }
        layout.keys.push_back(std::move(key));
    }
    layout.bytes.assign(reinterpret_cast<const char*>(bytes.data()), HeaderSize + SegmentEntrySize * segment);
    out = std::move(layout);
    return status::Success;
}

void encodeKey(const KeyDefinition& key, const uint8_t* source, bool fromRecord, std::string& out)
{
    out.resize(key.length);
    auto* target = reinterpret_cast<uint8_t*>(out.data());
    size_t at = 0;
    for (const Segment& segment : key.segments) {
        const uint8_t* from = source + (fromRecord ? segment.offset : at);
        if (segment.caseInsensitive) {
            const auto& upper = upperTable();
            for (size_t i = 0; i < segment.length; ++i)
                target[at + i] = upper[from[i]];
        } else {
            std::copy(from, from + segment.length, target + at);
        }
        at += segment.length;
    }
}

bool keyMatches(const KeyDefinition& key, const uint8_t* record, const void* stored, size_t storedLength)
{
    if (storedLength != key.length)
        return false;
    const auto* expected = static_cast<const uint8_t*>(stored);
    for (const Segment& segment : key.segments) {
        const uint8_t* from = record + segment.offset;
        if (!segment.caseInsensitive) {
            if (std::memcmp(expected, from, segment.length) != 0)
                return false;
        } else {
            const auto& upper = upperTable();
            for (size_t i = 0; i < segment.length; ++i)
                if (expected[i] != upper[from[i]])
                    return false;
        }
        expected += segment.length;
    }
    return true;
}

void copyRawKey(const KeyDefinition& key, const uint8_t* record, uint8_t* out)
{
    for (const Segment& segment : key.segments) {
        std::copy(record + segment.offset, record + segment.offset + segment.length, out);
        out += segment.length;
    }
}

} // namespace qn3::recordmanager
