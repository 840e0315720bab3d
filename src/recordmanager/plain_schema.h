#pragma once

// The schema of a file of ours read from its pages with plain reads, as
// SQLite keeps them, without a connection: far cheaper than one, for the
// opening's judgement of a main file that is the whole file (its log holds
// nothing to apply). Only the plain arrangement a small file of ours has is
// read; anything else is left to SQLite.
#include <cstdint>
#include <string>
#include <vector>

namespace qn3::recordmanager::detail {

struct PlainSchema {
    // One entry per row of the schema table: "type name table sql" (the
    // statement empty where SQLite keeps none).
    std::vector<std::string> entries;
    // The only row of `record_file`.
    int64_t format = 0;
    std::string layout;
};

// Reads the schema table from the first page and the row of `record_file`
// from its table's page, through `fd`. True only where both lie whole in
// those pages: a UTF-8 file, the schema table on the first page alone, one
// row in `record_file` on its only page, no value spilling to another page,
// every offset and length inside its page. False for any other arrangement
// or damage: SQLite then reads the file itself.
bool readPlainSchema(int fd, PlainSchema& out);

} // namespace qn3::recordmanager::detail
