// Stand-in until the picture database is built: records the calls only.
#include "picturedb/picturedb.h"

#include "app/standin_log.h"

int CreateDefaultPictureDatabase()
{
    LogStandInCall("CreateDefaultPictureDatabase");
    return 0;
}

int ConvertPictureDatabase()
{
    LogStandInCall("ConvertPictureDatabase");
    return 0;
}

int RebuildPictureDatabase()
{
    LogStandInCall("RebuildPictureDatabase");
    return 0;
}
