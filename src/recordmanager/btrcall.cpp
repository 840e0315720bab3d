#include "recordmanager/btrcall.h"

#include "recordmanager/engine.h"

#include <pthread.h>

#include <memory>
#include <mutex>

namespace {

std::mutex engineMutex;
std::unique_ptr<qn3::recordmanager::Engine> engine;
bool forkedChild = false;

} // namespace

extern "C" int16_t BTRCALL(uint16_t operation, void* positionBlock, void* dataBuffer, int32_t* dataLength,
                           void* keyBuffer, int16_t keyLength, int16_t keyNumber)
{
    const std::lock_guard lock(engineMutex);
    if (!engine) {
        engine = std::make_unique<qn3::recordmanager::Engine>(engineMutex);
        // The engine's idle watch takes the lock from its own thread: a fork
        // happens with the lock held, so the child never inherits it taken.
        static const int registered = pthread_atfork([] { engineMutex.lock(); }, [] { engineMutex.unlock(); },
                                                     [] {
                                                         forkedChild = true;
                                                         engineMutex.unlock();
                                                     });
        (void)registered;
    }
    if (forkedChild) {
        // A child must not use, or even close, its parent's connections
        // (SQLite's locks belong to the parent), nor wait for a watch thread
        // that did not come with it: it starts afresh.
        (void)engine.release();
        engine = std::make_unique<qn3::recordmanager::Engine>(engineMutex);
        forkedChild = false;
    }
    return engine->call(operation, positionBlock, dataBuffer, dataLength, keyBuffer, keyLength, keyNumber);
}
