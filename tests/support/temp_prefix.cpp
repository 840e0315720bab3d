#include "support/temp_prefix.h"

#include <gtest/gtest.h>

namespace qn3::testing {

TempPrefix::TempPrefix()
    : previous_(qgetenv("QN3_PREFIX")), hadPrevious_(qEnvironmentVariableIsSet("QN3_PREFIX"))
{
    if (!dir_.isValid())
        ADD_FAILURE() << "cannot make a temporary prefix";
    qputenv("QN3_PREFIX", dir_.path().toLocal8Bit());
}

TempPrefix::~TempPrefix()
{
    if (hadPrevious_)
        qputenv("QN3_PREFIX", previous_);
    else
        qunsetenv("QN3_PREFIX");
}

} // namespace qn3::testing
