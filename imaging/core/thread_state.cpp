// The per-thread state and its owner. The owner is created once and never
// destroyed, so a thread still inside the library while the process exits
// never meets freed state; a thread that ends keeps its state.
#include <algorithm>
#include <new>
#include <vector>

#include "frame.h"

namespace {

// Thrown only inside ISGetThreadState when the TLS slot cannot be written.
class TlsException : public std::exception {
public:
    explicit TlsException(DWORD error) : m_error(error) {}
    const char* what() const noexcept override { return "TlsSetValue failed"; }
    DWORD Error() const { return m_error; }

private:
    DWORD m_error;
};

struct ISThreadStateOwner {
    ISThreadStateOwner()
    {
        tlsIndex = TlsAlloc();
        InitializeCriticalSection(&lock);
    }
    DWORD tlsIndex;
    CRITICAL_SECTION lock;
    std::vector<ISThreadState*> states;  // creation order
};

ISThreadStateOwner& Owner()
{
    static ISThreadStateOwner* owner = new ISThreadStateOwner;
    return *owner;
}

// Takes the TLS index before the program's entry point runs.
const bool g_ownerReady = (Owner(), true);

void RemoveState(ISThreadStateOwner& owner, ISThreadState* state)
{
    EnterCriticalSection(&owner.lock);
    owner.states.erase(std::remove(owner.states.begin(), owner.states.end(), state), owner.states.end());
    LeaveCriticalSection(&owner.lock);
}

}  // namespace

ISThreadState::ISThreadState() { InitializeCriticalSection(&lock); }
ISThreadState::~ISThreadState() { DeleteCriticalSection(&lock); }

ISThreadState* ISGetThreadState()
{
    ISThreadStateOwner& owner = Owner();
    if (owner.tlsIndex == TLS_OUT_OF_INDEXES)
        return nullptr;
    if (void* value = TlsGetValue(owner.tlsIndex))
        return static_cast<ISThreadState*>(value);

    ISThreadState* state = nullptr;
    bool listed = false;
    try {
        state = new ISThreadState;
        EnterCriticalSection(&owner.lock);
        try {
            owner.states.push_back(state);
        } catch (...) {
            LeaveCriticalSection(&owner.lock);
            throw;
        }
        LeaveCriticalSection(&owner.lock);
        listed = true;
        if (!TlsSetValue(owner.tlsIndex, state))
            throw TlsException(GetLastError());
        return state;
    } catch (...) {
        if (listed)
            RemoveState(owner, state);
        delete state;
        return nullptr;
    }
}

ISThreadState* ISGetThreadStateThunk() { return ISGetThreadState(); }

int32_t ISTestStateCount()
{
    ISThreadStateOwner& owner = Owner();
    EnterCriticalSection(&owner.lock);
    int32_t count = static_cast<int32_t>(owner.states.size());
    LeaveCriticalSection(&owner.lock);
    return count;
}
