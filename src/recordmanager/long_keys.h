#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

// Indexed key values too long for a position block, by id.
//
// A block on such a key carries the id, so it goes on from the key it stood
// on even after another process deleted the record or changed its key, as a
// block holding its key does. Ids are never given twice in a process; the
// same value keeps its id while it is remembered. Only the most recent
// values are kept (two generations), which bounds the memory whatever the
// number of records read.
namespace qn3::recordmanager {

class LongKeys {
public:
    uint64_t keep(const std::string& key);
    // Null once the value has been forgotten.
    const std::string* find(uint64_t id) const;

private:
    struct Generation {
        std::unordered_map<uint64_t, std::string> byId;
        std::unordered_map<std::string, uint64_t> byKey;
    };
    Generation current_, previous_;
    uint64_t next_ = 1;
};

} // namespace qn3::recordmanager
