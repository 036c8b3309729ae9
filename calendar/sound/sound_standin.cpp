// Stand-in until sound is built: the library never loads, the program runs silent.
#include "sound/sound.h"

#include "base/test_call_log.h"

int LoadSoundLibrary()
{
    LogStandInCall("LoadSoundLibrary");
    return 0;
}

void FadeOutSound()
{
    LogStandInCall("FadeOutSound");
}

void CloseSound()
{
    LogStandInCall("CloseSound");
}
