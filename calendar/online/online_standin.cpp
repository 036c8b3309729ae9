// Stand-in until the online checks are built: nothing is fetched.
#include "online/online.h"

#include "base/test_call_log.h"

void UpdateOnlineCatalog()
{
    LogStandInCall("UpdateOnlineCatalog");
}

void CheckForNewVersion()
{
    LogStandInCall("CheckForNewVersion");
}
