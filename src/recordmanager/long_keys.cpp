#include "recordmanager/long_keys.h"

namespace qn3::recordmanager {
namespace {

// Values per generation: a walk keeps its keys long after it passed them,
// and 8,192 keys of at most 255 bytes stay around 2 MB.
constexpr size_t GenerationSize = 4096;

} // namespace

uint64_t LongKeys::keep(const std::string& key)
{
    if (const auto found = current_.byKey.find(key); found != current_.byKey.end())
        return found->second;
    if (current_.byId.size() >= GenerationSize) {
        previous_ = std::move(current_);
        current_ = {};
    }
    uint64_t id;
    if (const auto old = previous_.byKey.find(key); old != previous_.byKey.end())
        id = old->second;
    else
        id = next_++;
    current_.byId.emplace(id, key);
    current_.byKey.emplace(key, id);
    return id;
}

const std::string* LongKeys::find(uint64_t id) const
{
    for (const Generation* generation : {&current_, &previous_})
        if (const auto found = generation->byId.find(id); found != generation->byId.end())
            return &found->second;
    return nullptr;
}

} // namespace qn3::recordmanager
