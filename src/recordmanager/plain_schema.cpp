#include "recordmanager/plain_schema.h"

#include <span>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

// SQLite's file format: a 100-byte file header at the start of page 1, then
// each table as a b-tree of pages. A leaf page of a table holds a page
// header (type 13, cell count at +3), an array of 2-byte cell offsets after
// it, and cells of a payload size and a row id (varints) followed by the
// payload, a record: a header of varint column types, then the values.
namespace qn3::recordmanager::detail {
namespace {

constexpr size_t FileHeaderSize = 100;
constexpr size_t LeafPageHeaderSize = 8;
constexpr uint8_t LeafTablePage = 13;
constexpr uint32_t Utf8 = 1;
constexpr size_t SchemaColumns = 5; // type, name, tbl_name, rootpage, sql

uint32_t bigEndian(const uint8_t* p, int bytes)
{
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | p[i];
    return value;
}

// 1 to 9 bytes: seven bits each, high bit set while more follow; the ninth
// gives all its eight bits.
bool readVarint(const uint8_t*& at, const uint8_t* end, uint64_t& value)
{
    value = 0;
    for (int i = 0; i < 9; ++i) {
        if (at >= end)
            return false;
        const uint8_t byte = *at++;
        if (i == 8) {
            value = value << 8 | byte;
            return true;
        }
        value = value << 7 | (byte & 0x7f);
        if (!(byte & 0x80))
            return true;
    }
    return false;
}

struct Value {
    enum Kind { Null, Integer, Text, Blob, Real } kind = Null;
    int64_t integer = 0;
    std::string_view bytes;
};

// The values of a record; false unless its header and values fill it exactly.
bool readRecord(std::span<const uint8_t> record, std::vector<Value>& values)
{
    static constexpr uint8_t IntegerSizes[] = { 0, 1, 2, 3, 4, 6, 8 };
    values.clear();
    const uint8_t* at = record.data();
    const uint8_t* const end = record.data() + record.size();
    uint64_t headerSize = 0;
    if (!readVarint(at, end, headerSize) || headerSize > record.size()
        || headerSize < static_cast<uint64_t>(at - record.data()))
        return false;
    const uint8_t* const headerEnd = record.data() + headerSize;
    const uint8_t* body = headerEnd;
    while (at < headerEnd) {
        uint64_t type = 0;
        if (!readVarint(at, headerEnd, type) || type == 10 || type == 11)
            return false;
        Value value;
        uint64_t size = 0;
        if (type >= 1 && type <= 6) {
            value.kind = Value::Integer;
            size = IntegerSizes[type];
        } else if (type == 7) {
            value.kind = Value::Real;
            size = 8;
        } else if (type == 8 || type == 9) {
            value.kind = Value::Integer;
            value.integer = static_cast<int64_t>(type - 8);
        } else if (type >= 12) {
            value.kind = type % 2 ? Value::Text : Value::Blob;
            size = (type - 12) / 2;
        }
        if (size > static_cast<uint64_t>(end - body))
            return false;
        if (value.kind == Value::Integer && size > 0) {
            uint64_t bits = body[0] & 0x80 ? ~uint64_t { 0 } : 0; // sign-extended
            for (uint64_t i = 0; i < size; ++i)
                bits = bits << 8 | body[i];
            value.integer = static_cast<int64_t>(bits);
        }
        value.bytes = { reinterpret_cast<const char*>(body), static_cast<size_t>(size) };
        body += size;
        values.push_back(value);
    }
    return at == headerEnd && body == end;
}

// The payloads of the cells of a table's leaf page, each whole in the page
// (a payload longer than `usable` - 35 bytes goes on in an overflow page).
bool leafPayloads(
    const std::vector<uint8_t>& page, size_t headerAt, size_t usable, std::vector<std::span<const uint8_t>>& payloads)
{
    payloads.clear();
    if (headerAt + LeafPageHeaderSize > usable || page[headerAt] != LeafTablePage)
        return false;
    // No free block and a content area after the offsets: the page as SQLite
    // writes it until something is deleted from it, which SQLite's own
    // checks of a page it reads then pass.
    const size_t cells = bigEndian(&page[headerAt + 3], 2);
    const size_t pointers = headerAt + LeafPageHeaderSize;
    const size_t content = bigEndian(&page[headerAt + 5], 2);
    if (bigEndian(&page[headerAt + 1], 2) != 0 || pointers + 2 * cells > content || content > usable)
        return false;
    const uint8_t* const end = page.data() + usable;
    for (size_t cell = 0; cell < cells; ++cell) {
        const size_t offset = bigEndian(&page[pointers + 2 * cell], 2);
        if (offset < content || offset >= usable)
            return false;
        const uint8_t* at = page.data() + offset;
        uint64_t size = 0, rowId = 0;
        if (!readVarint(at, end, size) || !readVarint(at, end, rowId) || size > usable - 35
            || size > static_cast<uint64_t>(end - at))
            return false;
        payloads.emplace_back(at, static_cast<size_t>(size));
    }
    return true;
}

bool readPage(int fd, uint32_t number, std::vector<uint8_t>& page)
{
    const off_t at = static_cast<off_t>(number - 1) * static_cast<off_t>(page.size());
    return ::pread(fd, page.data(), page.size(), at) == static_cast<ssize_t>(page.size());
}

} // namespace

bool readPlainSchema(int fd, PlainSchema& out)
{
    // Most files have SQLite's default page size: one read then suffices.
    std::vector<uint8_t> page(4096);
    const ssize_t got = ::pread(fd, page.data(), page.size(), 0);
    if (got < static_cast<ssize_t>(FileHeaderSize))
        return false;
    // The header as SQLite checks it before it reads a page: page size, a
    // usable size of at least 480 bytes, its fixed payload fractions, a
    // format it reads, and a page count no larger than the file's.
    uint32_t pageSize = bigEndian(&page[16], 2);
    if (pageSize == 1)
        pageSize = 65536;
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0 || page[20] > pageSize - 480
        || page[19] > 2 || page[21] != 64 || page[22] != 32 || page[23] != 32 || bigEndian(&page[44], 4) > 4
        || bigEndian(&page[56], 4) != Utf8)
        return false;
    const size_t usable = pageSize - page[20];
    struct stat file { };
    if (::fstat(fd, &file) != 0)
        return false;
    const uint64_t filePages = (static_cast<uint64_t>(file.st_size) + pageSize - 1) / pageSize;
    uint64_t pages = bigEndian(&page[28], 4);
    if (pages == 0 || bigEndian(&page[24], 4) != bigEndian(&page[92], 4))
        pages = filePages;
    if (pages > filePages)
        return false;
    if (pageSize != page.size() || got != static_cast<ssize_t>(page.size())) {
        page.resize(pageSize);
        if (!readPage(fd, 1, page))
            return false;
    }

    std::vector<std::span<const uint8_t>> payloads;
    if (!leafPayloads(page, FileHeaderSize, usable, payloads))
        return false;
    out.entries.clear();
    uint32_t layoutRoot = 0;
    std::vector<Value> values;
    for (const auto& payload : payloads) {
        if (!readRecord(payload, values) || values.size() != SchemaColumns || values[0].kind != Value::Text
            || values[1].kind != Value::Text || values[2].kind != Value::Text
            || (values[4].kind != Value::Text && values[4].kind != Value::Null))
            return false;
        // Every table and index starts on a page of the file (SQLite refuses
        // a schema naming another as damaged); anything else has none.
        const bool rooted = values[0].bytes == "table" || values[0].bytes == "index";
        if (values[3].kind != Value::Integer
            || (rooted ? values[3].integer < 2 || static_cast<uint64_t>(values[3].integer) > pages
                       : values[3].integer != 0))
            return false;
        out.entries.push_back(std::string(values[0].bytes) + ' ' + std::string(values[1].bytes) + ' '
            + std::string(values[2].bytes) + ' ' + std::string(values[4].bytes));
        if (values[0].bytes == "table" && values[1].bytes == "record_file") {
            if (layoutRoot != 0)
                return false;
            layoutRoot = static_cast<uint32_t>(values[3].integer);
        }
    }
    if (layoutRoot == 0 || layoutRoot > pages || !readPage(fd, layoutRoot, page) || !leafPayloads(page, 0, usable, payloads)
        || payloads.size() != 1 || !readRecord(payloads[0], values) || values.size() != 2
        || values[0].kind != Value::Integer || values[1].kind != Value::Blob)
        return false;
    out.format = values[0].integer;
    out.layout.assign(values[1].bytes);
    return true;
}

} // namespace qn3::recordmanager::detail
