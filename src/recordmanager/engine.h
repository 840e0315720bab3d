#pragma once

#include "recordmanager/position_block.h"
#include "recordmanager/record_file.h"

#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

// The record manager's state in one process: the open files, the handles the
// position blocks name, and the transaction. BTRCALL owns one instance.
namespace qn3::recordmanager {

class Engine {
public:
    Engine() = default;
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;
    ~Engine();

    // One BTRCALL, with its arguments as given.
    int16_t call(uint16_t operation, void* positionBlock, void* dataBuffer, int32_t* dataLength,
                 void* keyBuffer, int16_t keyLength, int16_t keyNumber);

private:
    // A record file open in this process: one connection whatever the
    // number of position blocks on it, so handles never lock each other out.
    struct OpenFile {
        std::unique_ptr<RecordFile> file;
        std::pair<uint64_t, uint64_t> identity;  // device and inode
        int handles = 0;
        bool exclusive = false;
        bool inTransaction = false;
        // Indexed values of deleted records whose key is too long for the
        // position block, so navigation can go on from where they stood.
        std::map<std::pair<int64_t, int>, std::string> deletedLongKeys;
    };
    struct Handle {
        std::shared_ptr<OpenFile> file;
        bool readOnly = false;
    };

    int16_t open(void* positionBlock, const void* keyBuffer, int16_t keyLength, int16_t mode);
    int16_t create(const void* dataBuffer, const int32_t* dataLength, const void* keyBuffer, int16_t keyLength,
                   int16_t mode);
    int16_t beginTransaction();
    int16_t endTransaction(bool commit);
    int16_t close(uint32_t handle);
    int16_t join(const std::shared_ptr<OpenFile>& file);
    int16_t recordOperation(uint16_t operation, void* positionBlock, Handle& handle, uint8_t* data,
                            int32_t* dataLength, uint8_t* key, int16_t keyLength, int16_t keyNumber);
    int16_t navigate(uint16_t operation, OpenFile& file, int16_t keyNumber, const uint8_t* key);
    int16_t cursorKey(OpenFile& file);
    int16_t deliver(void* positionBlock, const RecordFile& file, int16_t keyNumber, uint8_t* data,
                    int32_t* dataLength, uint8_t* key);
    void positionOn(void* positionBlock, const RecordFile& file, int16_t keyNumber, int64_t id, int64_t version,
                    const uint8_t* record, uint8_t* key);
    void release(const std::shared_ptr<OpenFile>& file);

    std::unordered_map<uint32_t, Handle> handles_;
    std::map<std::pair<uint64_t, uint64_t>, std::shared_ptr<OpenFile>> files_;
    uint32_t nextHandle_ = 1;
    bool transaction_ = false;
    std::vector<std::shared_ptr<OpenFile>> touched_;
    // Scratch kept between calls so a call allocates nothing.
    Cursor cursor_;
    Row row_;
    std::string searchKey_;
};

} // namespace qn3::recordmanager
