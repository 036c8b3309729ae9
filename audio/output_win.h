// The mixer thread and where its blocks go: a waveOut device, or, on a
// silent device, nowhere, at the pace of the performance counter so that
// positions and ends follow real time.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// Called on the mixer thread for each block: fills `mix` (stereo floats,
// zeroed) for `frames` frames; gives the master volume.
typedef float (*RenderBlock)(float* mix, size_t frames);

class Output {
public:
    // waveId: a waveOut device, WAVE_MAPPER, or -2 for silence. False (with
    // the error code) when the device does not open.
    int Open(int waveId, int rate, int bufferMs, RenderBlock render);
    // Joins the mixer thread and closes the device; never from DllMain.
    void Close();
    void SetRunning(bool running);
    bool Running() const { return m_running; }
    DWORD ThreadId() const { return m_threadId; }

    static const int kSilent = -2;

private:
    static DWORD WINAPI ThreadMain(void* self);
    void RunSilent();
    void RunWaveOut();
    void RenderInto(int16_t* pcm);

    RenderBlock m_render = nullptr;
    int m_rate = 44100;
    size_t m_frames = 882;   // 20 ms
    HWAVEOUT m_wave = nullptr;
    std::vector<WAVEHDR> m_headers;
    std::vector<std::vector<int16_t>> m_buffers;
    std::vector<float> m_mix;
    HANDLE m_thread = nullptr;
    DWORD m_threadId = 0;
    HANDLE m_wake = nullptr;       // a state change for the thread
    HANDLE m_done = nullptr;       // waveOut finished a buffer
    volatile LONG m_quit = 0;
    volatile bool m_running = false;
    bool m_paused = false;         // what the waveOut device was last told
};
