#include "audio/output_win.h"

#include <cstring>

#include "audio/audio_codes.h"
#include "audio/mix.h"

namespace {

const int kBlocksPerSecond = 50;
// A silent device that fell further behind than this skips the time.
const int kMostBlocksBehind = 10;

}  // namespace

int Output::Open(int waveId, int rate, int bufferMs, RenderBlock render)
{
    m_render = render;
    m_rate = rate;
    m_frames = (size_t)(rate / kBlocksPerSecond);
    m_mix.assign(2 * m_frames, 0.0f);
    m_quit = 0;
    m_running = true;
    m_paused = false;
    m_wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    m_done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!m_wake || !m_done) {
        Close();
        return AUDIO_ERROR_MEMORY;
    }
    if (waveId != kSilent) {
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 2;
        format.nSamplesPerSec = (DWORD)rate;
        format.wBitsPerSample = 16;
        format.nBlockAlign = 4;
        format.nAvgBytesPerSec = (DWORD)rate * 4;
        if (waveOutOpen(&m_wave, (UINT)waveId, &format, (DWORD_PTR)m_done, 0, CALLBACK_EVENT) != MMSYSERR_NOERROR) {
            m_wave = nullptr;
            Close();
            return AUDIO_ERROR_DRIVER;
        }
        int count = bufferMs * kBlocksPerSecond / 1000;
        count = count < 2 ? 2 : count;
        m_buffers.assign((size_t)count, std::vector<int16_t>(2 * m_frames));
        m_headers.assign((size_t)count, WAVEHDR{});
        for (int i = 0; i < count; i++) {
            m_headers[i].lpData = (LPSTR)m_buffers[i].data();
            m_headers[i].dwBufferLength = (DWORD)(m_buffers[i].size() * sizeof(int16_t));
            waveOutPrepareHeader(m_wave, &m_headers[i], sizeof(WAVEHDR));
            m_headers[i].dwFlags |= WHDR_DONE;   // free to fill
        }
    }
    m_thread = CreateThread(nullptr, 0, ThreadMain, this, 0, &m_threadId);
    if (!m_thread) {
        Close();
        return AUDIO_ERROR_MEMORY;
    }
    return AUDIO_OK;
}

void Output::Close()
{
    if (m_thread) {
        InterlockedExchange(&m_quit, 1);
        SetEvent(m_wake);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        m_thread = nullptr;
        m_threadId = 0;
    }
    if (m_wave) {
        waveOutReset(m_wave);
        for (WAVEHDR& h : m_headers)
            waveOutUnprepareHeader(m_wave, &h, sizeof(WAVEHDR));
        waveOutClose(m_wave);
        m_wave = nullptr;
    }
    m_headers.clear();
    m_buffers.clear();
    for (HANDLE* h : {&m_wake, &m_done})
        if (*h) {
            CloseHandle(*h);
            *h = nullptr;
        }
}

void Output::SetRunning(bool running)
{
    m_running = running;
    if (m_wake)
        SetEvent(m_wake);
}

DWORD WINAPI Output::ThreadMain(void* self)
{
    Output* output = (Output*)self;
    if (output->m_wave)
        output->RunWaveOut();
    else
        output->RunSilent();
    return 0;
}

void Output::RenderInto(int16_t* pcm)
{
    memset(m_mix.data(), 0, m_mix.size() * sizeof(float));
    float master = m_render(m_mix.data(), m_frames);
    if (!pcm)
        return;
    if (master != 1.0f)
        for (float& v : m_mix)
            v *= master;
    FloatToPcm16(m_mix.data(), m_mix.size(), pcm);
}

void Output::RunSilent()
{
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    uint64_t blocks = 0;   // mixed since `start`
    while (!m_quit) {
        if (!m_running) {
            WaitForSingleObject(m_wake, INFINITE);
            QueryPerformanceCounter(&start);
            blocks = 0;
            continue;
        }
        QueryPerformanceCounter(&now);
        double due = (double)(now.QuadPart - start.QuadPart) * kBlocksPerSecond / (double)frequency.QuadPart;
        if (due < (double)blocks) {
            DWORD ms = (DWORD)(((double)blocks - due) * 1000 / kBlocksPerSecond) + 1;
            WaitForSingleObject(m_wake, ms);
            continue;
        }
        if (due - (double)blocks > kMostBlocksBehind) {
            start = now;
            blocks = 0;
        }
        RenderInto(nullptr);
        blocks++;
    }
}

void Output::RunWaveOut()
{
    HANDLE events[2] = {m_done, m_wake};
    while (!m_quit) {
        if (m_running != !m_paused) {
            m_paused = !m_running;
            if (m_paused)
                waveOutPause(m_wave);
            else
                waveOutRestart(m_wave);
        }
        if (m_running)
            for (size_t i = 0; i < m_headers.size() && !m_quit; i++) {
                WAVEHDR& h = m_headers[i];
                if (!(h.dwFlags & WHDR_DONE))
                    continue;
                h.dwFlags &= ~WHDR_DONE;
                RenderInto(m_buffers[i].data());
                waveOutWrite(m_wave, &h, sizeof(WAVEHDR));
            }
        WaitForMultipleObjects(2, events, FALSE, 100);
    }
}
