// Sections: dispatch; open, create and close; transactions; record
// operations (reads, writes, positions) and the cursor they leave.
#include "recordmanager/engine.h"

#include "recordmanager/record_file_common.h"
#include "recordmanager/record_manager_codes.h"
#include "recordmanager/record_path.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qn3::recordmanager {
namespace {

// A process that makes no call for a whole period this long (so one to two
// of them after its last call) lets its read snapshots go: short enough that
// other processes' logs stay small, long enough that a walk or a burst of
// reads keeps its snapshot.
constexpr std::chrono::milliseconds IdleLimit{50};

bool isRead(uint16_t operation)
{
    return (operation >= op::GetEqual && operation <= op::GetLast) || operation == op::GetDirect;
}

Seek seekOf(uint16_t operation)
{
    switch (operation) {
    case op::GetEqual: return Seek::Equal;
    case op::GetNext: return Seek::Next;
    case op::GetPrevious: return Seek::Previous;
    case op::GetGreater: return Seek::Greater;
    case op::GetGreaterOrEqual: return Seek::GreaterOrEqual;
    case op::GetLessThan: return Seek::Less;
    case op::GetLessOrEqual: return Seek::LessOrEqual;
    case op::GetFirst: return Seek::First;
    default: return Seek::Last;
    }
}

uint32_t load32(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16)) | (static_cast<uint32_t>(bytes[3]) << 24);
}

} // namespace

Engine::~Engine()
{
    {
        const std::lock_guard lock(callLock_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (watcher_.joinable())
        watcher_.join();
    for (const auto& file : touched_)
        file->file->rollback();
}

// ---- idle watch ----------------------------------------------------------

// Runs on its own thread from the first snapshot held. Waits, without
// polling, for a period of `IdleLimit` in which the process made no call
// (calls only count themselves: reading a clock at every call costs more).
void Engine::watchIdle()
{
    std::unique_lock lock(callLock_);
    while (!stopping_) {
        if (!watching_) {
            wake_.wait(lock);
            continue;
        }
        const uint64_t callsBefore = calls_;
        const auto end = std::chrono::steady_clock::now() + IdleLimit;
        while (!stopping_ && wake_.wait_until(lock, end) != std::cv_status::timeout) {
        }
        if (!stopping_ && calls_ == callsBefore) {
            for (const auto& [identity, file] : files_)
                file->file->endRead();
            watching_ = false;
        }
    }
}

// After a call: wakes the watch when a file now holds a snapshot.
void Engine::watchSnapshots()
{
    if (watching_)
        return;
    bool held = false;
    for (const auto& [identity, file] : files_)
        held = held || file->file->holdsReadSnapshot();
    if (!held)
        return;
    watching_ = true;
    if (!watcher_.joinable())
        watcher_ = std::thread([this] { watchIdle(); });
    wake_.notify_one();
}

// ---- dispatch ------------------------------------------------------------

int16_t Engine::call(uint16_t operation, void* positionBlock, void* dataBuffer, int32_t* dataLength,
                     void* keyBuffer, int16_t keyLength, int16_t keyNumber)
{
    switch (operation) {
    case op::Open: return open(positionBlock, keyBuffer, keyLength, keyNumber);
    case op::Create: return create(dataBuffer, dataLength, keyBuffer, keyLength, keyNumber);
    case op::BeginTransaction:
    case op::BeginConcurrentTransaction: return beginTransaction();
    case op::EndTransaction: return endTransaction(true);
    case op::AbortTransaction: return endTransaction(false);
    default: break;
    }
    const bool known = operation == op::Close || (operation >= op::Insert && operation <= op::GetLast) ||
                       operation == op::GetPosition || operation == op::GetDirect;
    if (!known)
        return status::InvalidOperation;
    if (!positionBlock || !readPositionBlock(positionBlock, cursor_))
        return status::FileNotOpen;
    const auto found = handles_.find(cursor_.handle);
    if (found == handles_.end())
        return status::FileNotOpen;
    if (operation == op::Close)
        return close(cursor_.handle);
    if (const int16_t joined = join(found->second.file); joined != status::Success)
        return joined;
    ++calls_;
    const int16_t result = recordOperation(operation, positionBlock, found->second, static_cast<uint8_t*>(dataBuffer),
                                           dataLength, static_cast<uint8_t*>(keyBuffer), keyLength, keyNumber);
    if (isRead(operation))
        watchSnapshots();
    return result;
}

// ---- open, create, close -------------------------------------------------

int16_t Engine::open(void* positionBlock, const void* keyBuffer, int16_t keyLength, int16_t mode)
{
    if (!positionBlock)
        return status::FileNotOpen;
    if (mode > mode::Normal || mode < mode::Exclusive)
        return status::InvalidOperation;
    if (!keyBuffer)
        return status::FileNotFound;
    // A block opened again without a close: its old handle goes, or it
    // would stay open, unreachable, until the process ends.
    if (Cursor old; readPositionBlock(positionBlock, old) && handles_.count(old.handle))
        close(old.handle);
    std::string path;
    if (const int16_t named = hostPathOfKey(keyBuffer, keyLength, path); named != status::Success)
        return named;
    struct stat info {};
    // Only a name that is not there is missing (12): a folder on the way we
    // may not search, or a loop of symbolic links, is not.
    if (::stat(path.c_str(), &info) != 0)
        return detail::statusOfErrno(errno);
    // A folder, FIFO or device at the name is no record file; the record
    // file opens it only through the platform's judged open.
    if (!S_ISREG(info.st_mode))
        return status::NotARecordFile;
    const bool exclusive = mode == mode::Exclusive;
    const std::pair<uint64_t, uint64_t> identity{info.st_dev, info.st_ino};

    std::shared_ptr<OpenFile> file;
    if (const auto found = files_.find(identity); found != files_.end()) {
        file = found->second;
        if (file->handles > 0 && (file->exclusive || exclusive))
            return status::IncompatibleMode;
        // Kept open by the transaction alone: it takes the new mode.
        if (file->handles == 0 && file->exclusive != exclusive) {
            if (!file->file->setOpenMode(exclusive))
                return status::IncompatibleMode;
            file->exclusive = exclusive;
        }
    } else {
        std::unique_ptr<RecordFile> opened;
        if (const int16_t result = RecordFile::open(path, exclusive, opened); result != status::Success)
            return result;
        file = std::make_shared<OpenFile>();
        file->file = std::move(opened);
        file->identity = identity;
        file->exclusive = exclusive;
        files_.emplace(identity, file);
    }
    ++file->handles;
    const uint32_t id = nextHandle_++;
    handles_.emplace(id, Handle{file, mode == mode::ReadOnly || !file->file->writable()});
    writePositionBlock(positionBlock, Cursor{id, -1, CursorState::None, 0, 0, {}, true});
    return status::Success;
}

int16_t Engine::create(const void* dataBuffer, const int32_t* dataLength, const void* keyBuffer, int16_t keyLength,
                       int16_t mode)
{
    if (!dataBuffer || !dataLength || *dataLength <= 0)
        return status::DataBufferLength;
    if (!keyBuffer)
        return status::FileNotFound;
    FileLayout layout;
    const std::span<const uint8_t> bytes(static_cast<const uint8_t*>(dataBuffer),
                                         static_cast<size_t>(std::min<int32_t>(*dataLength, CreationBufferSize)));
    if (const int16_t parsed = parseFileLayout(bytes, layout); parsed != status::Success)
        return parsed;
    std::string path;
    if (const int16_t named = hostPathOfKey(keyBuffer, keyLength, path); named != status::Success)
        return named;
    const bool replace = mode != createmode::KeepExisting;
    struct stat info {};
    if (replace && ::stat(path.c_str(), &info) == 0 && files_.count({info.st_dev, info.st_ino}))
        return status::FileInUse;
    return RecordFile::create(path, layout, replace);
}

int16_t Engine::close(uint32_t handle)
{
    const auto found = handles_.find(handle);
    const std::shared_ptr<OpenFile> file = found->second.file;
    handles_.erase(found);
    // The last handle's exclusive mode ends with it, though the transaction
    // keeps the file itself open.
    if (--file->handles == 0 && file->exclusive && file->inTransaction && file->file->setOpenMode(false))
        file->exclusive = false;
    release(file);
    return status::Success;
}

// Closes a file nobody uses any more; a file inside the transaction stays
// open until the transaction ends.
void Engine::release(const std::shared_ptr<OpenFile>& file)
{
    if (file->handles == 0 && !file->inTransaction)
        files_.erase(file->identity);
}

// ---- transactions --------------------------------------------------------

int16_t Engine::beginTransaction()
{
    if (transaction_)
        return status::TransactionActive;
    transaction_ = true;
    return status::Success;
}

// Each file joins the transaction at its first use inside it, taking its
// write lock until the end, so the files' commits cannot fail on a lock.
int16_t Engine::join(const std::shared_ptr<OpenFile>& file)
{
    if (!transaction_ || file->inTransaction)
        return status::Success;
    if (const int16_t begun = file->file->begin(); begun != status::Success)
        return begun;
    file->inTransaction = true;
    touched_.push_back(file);
    return status::Success;
}

// Commits the files in the order they joined. Each commit is atomic on its
// own; when one fails, the files not yet committed are rolled back.
int16_t Engine::endTransaction(bool commit)
{
    if (!transaction_)
        return status::NoTransaction;
    int16_t result = status::Success;
    for (const auto& file : touched_) {
        if (commit && result == status::Success)
            result = file->file->commit();
        if (!commit || result != status::Success)
            file->file->rollback();
        file->inTransaction = false;
    }
    const auto touched = std::move(touched_);
    touched_.clear();
    transaction_ = false;
    for (const auto& file : touched)
        release(file);
    return result;
}

// ---- record operations ---------------------------------------------------

int16_t Engine::recordOperation(uint16_t operation, void* positionBlock, Handle& handle, uint8_t* data,
                                int32_t* dataLength, uint8_t* key, int16_t keyLength, int16_t keyNumber)
{
    OpenFile& open = *handle.file;
    RecordFile& file = *open.file;
    const FileLayout& layout = file.layout();
    const bool validKey = keyNumber >= 0 && static_cast<size_t>(keyNumber) < layout.keys.size();
    const auto keyBufferHolds = [&](int16_t number) {
        return key && keyLength >= layout.keys[static_cast<size_t>(number)].length;
    };

    if (operation == op::GetPosition) {
        if (cursor_.state != CursorState::OnRecord)
            return status::InvalidPositioning;
        if (!data || !dataLength || *dataLength < 4)
            return status::DataBufferLength;
        const auto address = static_cast<uint32_t>(cursor_.recordId);
        for (int i = 0; i < 4; ++i)
            data[i] = static_cast<uint8_t>(address >> (8 * i));
        *dataLength = 4;
        return status::Success;
    }
    if (operation == op::Delete) {
        if (cursor_.state != CursorState::OnRecord)
            return status::InvalidPositioning;
        if (handle.readOnly)
            return status::AccessDenied;
        if (const int16_t removed = file.remove(cursor_.recordId, cursor_.version); removed != status::Success)
            return removed;
        cursor_.state = CursorState::Deleted;
        writePositionBlock(positionBlock, cursor_);
        return status::Success;
    }

    if (!validKey)
        return status::InvalidKeyNumber;
    if (!keyBufferHolds(keyNumber))
        return status::KeyBufferTooShort;
    if (!data || !dataLength || *dataLength <= 0)
        return status::DataBufferLength;

    if (isRead(operation)) {
        int16_t found;
        if (operation == op::GetDirect) {
            if (*dataLength < 4)
                return status::DataBufferLength;
            found = file.readById(load32(data), keyNumber, row_);
        } else {
            found = navigate(operation, open, keyNumber, key);
        }
        if (found == status::IoError && !row_.damaged) {
            cursor_.state = CursorState::PastUnreadable;
            writeCursor(positionBlock);
        }
        if (found != status::Success && !(found == status::IoError && row_.damaged))
            return found;
        return deliver(positionBlock, file, keyNumber, data, dataLength, key);
    }

    // Insert and Update take exactly one record.
    if (*dataLength != layout.recordLength)
        return status::DataBufferLength;
    if (handle.readOnly)
        return status::AccessDenied;
    if (operation == op::Insert) {
        int64_t id = 0;
        if (const int16_t inserted = file.insert(data, id); inserted != status::Success)
            return inserted;
        encodeKey(layout.keys[static_cast<size_t>(keyNumber)], data, true, cursor_.key);
        positionOn(positionBlock, file, keyNumber, id, 1, data, key);
        return status::Success;
    }
    if (cursor_.state != CursorState::OnRecord)
        return status::InvalidPositioning;
    if (const int16_t updated = file.update(cursor_.recordId, cursor_.version, data); updated != status::Success)
        return updated;
    encodeKey(layout.keys[static_cast<size_t>(keyNumber)], data, true, cursor_.key);
    positionOn(positionBlock, file, keyNumber, cursor_.recordId, cursor_.version + 1, data, key);
    return status::Success;
}

// Finds the record of a Get along `keyNumber`; leaves it in `row_`.
int16_t Engine::navigate(uint16_t operation, OpenFile& open, int16_t keyNumber, const uint8_t* key)
{
    const KeyDefinition& definition = open.file->layout().keys[static_cast<size_t>(keyNumber)];
    if (operation == op::GetNext || operation == op::GetPrevious) {
        if (cursor_.state == CursorState::None)
            return status::InvalidPositioning;
        if (cursor_.state == CursorState::PastUnreadable)
            return status::EndOfFile;
        if (cursor_.keyNumber != keyNumber)
            return status::KeyNumberChanged;
        if (!cursor_.keyInBlock) {
            if (const int16_t found = cursorKey(open); found != status::Success)
                return found;
        }
        return open.file->seek(seekOf(operation), keyNumber, cursor_.key, cursor_.recordId, row_);
    }
    if (operation != op::GetFirst && operation != op::GetLast)
        encodeKey(definition, key, false, searchKey_);
    return open.file->seek(seekOf(operation), keyNumber, searchKey_, 0, row_);
}

// The indexed key of the cursor's record when the block had no room for it:
// from the table of long keys, or, once forgotten there, from the record.
int16_t Engine::cursorKey(OpenFile& open)
{
    if (cursor_.keyNumber < 0 || static_cast<size_t>(cursor_.keyNumber) >= open.file->layout().keys.size())
        return status::InvalidPositioning;  // a block scribbled over by its owner
    if (const std::string* kept = longKeys_.find(cursor_.longKeyId)) {
        cursor_.key = *kept;
        return status::Success;
    }
    const int16_t found = open.file->readById(cursor_.recordId, cursor_.keyNumber, row_);
    if (cursor_.state == CursorState::Deleted || (found != status::Success && !row_.damaged))
        return status::InvalidPositioning;
    cursor_.key = row_.key;
    return status::Success;
}

// Hands the record in `row_` to the caller and positions the cursor on it. A
// buffer shorter than the record receives what fits, with status 22. A
// damaged record is not handed over (2), but the cursor stands on it, on its
// stored key, so the walk goes on past it and ends.
int16_t Engine::deliver(void* positionBlock, const RecordFile& file, int16_t keyNumber, uint8_t* data,
                        int32_t* dataLength, uint8_t* key)
{
    cursor_.keyNumber = keyNumber;
    cursor_.state = CursorState::OnRecord;
    cursor_.recordId = row_.id;
    cursor_.version = row_.version;
    std::swap(cursor_.key, row_.key);
    if (row_.damaged) {
        writeCursor(positionBlock);
        return status::IoError;
    }
    const auto* record = reinterpret_cast<const uint8_t*>(row_.data.data());
    const int32_t size = static_cast<int32_t>(row_.data.size());
    std::memcpy(data, record, static_cast<size_t>(std::min(size, *dataLength)));
    positionOn(positionBlock, file, keyNumber, row_.id, row_.version, record, key);
    if (*dataLength < size)
        return status::DataBufferLength;
    *dataLength = size;
    return status::Success;
}

// Positions the cursor on a record whose indexed key is in `cursor_.key`
// and hands its key, as the record holds it, to the caller.
void Engine::positionOn(void* positionBlock, const RecordFile& file, int16_t keyNumber, int64_t id,
                        int64_t version, const uint8_t* record, uint8_t* key)
{
    copyRawKey(file.layout().keys[static_cast<size_t>(keyNumber)], record, key);
    cursor_.keyNumber = keyNumber;
    cursor_.state = CursorState::OnRecord;
    cursor_.recordId = id;
    cursor_.version = version;
    writeCursor(positionBlock);
}

void Engine::writeCursor(void* positionBlock)
{
    cursor_.keyInBlock = cursor_.key.size() <= InlineKeyCapacity;
    cursor_.longKeyId = cursor_.keyInBlock ? 0 : longKeys_.keep(cursor_.key);
    writePositionBlock(positionBlock, cursor_);
}

} // namespace qn3::recordmanager
