#pragma once

#include "recordmanager/long_keys.h"
#include "recordmanager/position_block.h"
#include "recordmanager/record_file.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

// The record manager's state in one process: the open files, the handles the
// position blocks name, and the transaction. BTRCALL owns one instance.
namespace qn3::recordmanager {

class Engine {
public:
    // `callLock` is held by the caller around every `call`; the engine's idle
    // watch takes it too before it lets the files' read snapshots go.
    explicit Engine(std::mutex& callLock) : callLock_(callLock) {}
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
    void writeCursor(void* positionBlock);
    void release(const std::shared_ptr<OpenFile>& file);
    void watchIdle();
    void watchSnapshots();

    std::unordered_map<uint32_t, Handle> handles_;
    std::map<std::pair<uint64_t, uint64_t>, std::shared_ptr<OpenFile>> files_;
    uint32_t nextHandle_ = 1;
    bool transaction_ = false;
    std::vector<std::shared_ptr<OpenFile>> touched_;
    LongKeys longKeys_;
    // Scratch kept between calls so a call allocates nothing.
    Cursor cursor_;
    Row row_;
    std::string searchKey_;

    // The idle watch: once no call has come for a while, the read snapshots
    // are let go. It sleeps on `wake_` while no snapshot is held.
    std::mutex& callLock_;
    std::condition_variable wake_;
    std::thread watcher_;
    uint64_t calls_ = 0;
    bool watching_ = false;
    bool stopping_ = false;
};

} // namespace qn3::recordmanager
