// The stand-ins' call log stays empty in the program; only the test build
// switches it on.
#include "base/test_call_log.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StandInCallLog, RecordsNothingUntilTheTestBuildStartsIt)
{
    for (int i = 0; i < 1000; i++)
        LogStandInCall("CheckAlarmsDue");
    EXPECT_STREQ(GetStandInLog(), "");

    RecordStandInCalls(nullptr);
    LogStandInCall("RegisterHotkeys(%d)", 1);
    LogStandInCall("CloseSound");
    EXPECT_EQ(std::string(GetStandInLog()), "RegisterHotkeys(1)\nCloseSound\n");
    ClearStandInLog();
    EXPECT_STREQ(GetStandInLog(), "");
}

}  // namespace
