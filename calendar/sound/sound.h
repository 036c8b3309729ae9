// Sound through the audio library, bound at run time.
#pragma once

// Non-zero when sound is ready.
int LoadSoundLibrary();
void FadeOutSound();
void CloseSound();

// The device this run plays on: the stored `SndDevice` while it is one of the
// `deviceCount` usable devices (numbers 1 and up), else the default device
// (-1). The stored setting stays as it is, so a device missing at one start
// is used again once it is back.
int SoundDeviceForRun(int storedDevice, int deviceCount);
