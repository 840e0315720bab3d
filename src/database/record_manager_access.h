#pragma once

#include "platform/installable.h"

#include <cstdint>

// The one road from this layer to the record manager. The standard
// implementation is BTRCALL itself; tests install a double that scripts the
// statuses the real manager only gives under load, conflicts or failures.
namespace qn3::database {

class RecordManagerAccess : public platform::Installable<RecordManagerAccess> {
public:
    virtual ~RecordManagerAccess() = default;

    // Same arguments and result as BTRCALL.
    virtual int16_t call(uint16_t operation, void* positionBlock, void* dataBuffer, int32_t* dataLength,
                         void* keyBuffer, int16_t keyLength, int16_t keyNumber) = 0;

    static RecordManagerAccess& standard();
};

} // namespace qn3::database
