// Sound through the audio library, bound at run time.
#pragma once

// Non-zero when sound is ready.
int LoadSoundLibrary();
void FadeOutSound();
void CloseSound();
