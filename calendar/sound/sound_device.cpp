#include "sound/sound.h"

int SoundDeviceForRun(int storedDevice, int deviceCount)
{
    return storedDevice > 0 && storedDevice < deviceCount ? storedDevice : -1;
}
