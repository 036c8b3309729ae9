// Sound through the audio DLL that the program carries as resource "DATA" #3,
// writes out to the data folder and binds by name at run time. Without it the
// program runs silent.
#pragma once

// Non-zero when sound is ready.
int LoadSoundLibrary();
void UnloadSoundLibrary();
// The same as UnloadSoundLibrary.
void CloseSound();
// Fades the last sound out and plays the file; a file that cannot be played is ignored.
void PlaySoundFile(const char* path);
void FadeOutSound();
// 1 when the n-th enabled device (from 0) exists and its name, copied into
// the buffer, is longer than 2 characters; else 0.
int GetSoundDeviceName(char* buffer, int size, int n);

// The device this run plays on: the stored `SndDevice` while it is one of the
// `deviceCount` usable devices (numbers 1 and up), else the default device
// (-1). The stored setting stays as it is, so a device missing at one start
// is used again once it is back.
int SoundDeviceForRun(int storedDevice, int deviceCount);
