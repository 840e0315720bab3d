#include "database/record_manager_access.h"

#include "recordmanager/btrcall.h"

namespace qn3::database {
namespace {

class Btrcall final : public RecordManagerAccess {
public:
    int16_t call(uint16_t operation, void* positionBlock, void* dataBuffer, int32_t* dataLength, void* keyBuffer,
                 int16_t keyLength, int16_t keyNumber) override
    {
        return BTRCALL(operation, positionBlock, dataBuffer, dataLength, keyBuffer, keyLength, keyNumber);
    }
};

} // namespace

RecordManagerAccess& RecordManagerAccess::standard()
{
    static Btrcall btrcall;
    return btrcall;
}

} // namespace qn3::database
