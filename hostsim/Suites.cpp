// The basic suite and the four suites it hands out.
#include "hostsim/Accounting.h"
#include "hostsim/Callbacks.h"
#include "hostsim/CommandState.h"

#include <algorithm>
#include <cstring>

namespace hostsim {
namespace {

// --- ANSI suite ---

int AnsiSprintf(char* buffer, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = RecordedVsprintf("ANSI.sprintf", buffer, format, args);
    va_end(args);
    return written;
}

char* AnsiStrcpy(char* dest, const char* src) { return RecordedStrcpy("ANSI.strcpy", dest, src); }

const PF_ANSICallbacksSuite1 kAnsiSuite{AnsiSprintf, AnsiStrcpy};
const PF_ANSICallbacksSuite1 kAnsiSuiteWithoutSprintf{nullptr, AnsiStrcpy};

// --- Handle suite ---

PF_Handle NewHandle(uint64_t size) {
    CommandState* state = CommandState::Current();
    if (!state) return nullptr;
    PF_Handle handle = nullptr;
    if (!state->faults.newHandleFails) handle = state->accounting.handles.create(size, state);
    if (handle) ++state->handles;
    state->note("host_new_handle", std::to_string(size), handle ? PF_Err_NONE : PF_Err_OUT_OF_MEMORY);
    return handle;
}

void* LockHandle(PF_Handle handle) {
    CommandState* state = CommandState::Current();
    if (!state) return nullptr;
    void* address = nullptr;
    if (!state->faults.lockHandleFails) {
        if (const auto locked = state->accounting.handles.lock(handle)) {
            address = *locked;
            ++state->lockedHandles;
        } else {
            state->misuse("host_lock_handle of an unknown handle");
        }
    }
    state->note("host_lock_handle", "", address ? PF_Err_NONE : PF_Err_OUT_OF_MEMORY);
    return address;
}

void UnlockHandle(PF_Handle handle) {
    CommandState* state = CommandState::Current();
    if (!state) return;
    if (state->accounting.handles.unlock(handle))
        --state->lockedHandles;
    else
        state->misuse("host_unlock_handle of a handle that is not locked");
    state->note("host_unlock_handle", "", PF_Err_NONE);
}

void SuiteDisposeHandle(PF_Handle handle) { DisposeHandle("host_dispose_handle", handle); }

uint64_t HandleSize(PF_Handle handle) {
    CommandState* state = CommandState::Current();
    if (!state) return 0;
    const auto size = state->accounting.handles.size(handle);
    if (!size) state->misuse("host_get_handle_size of an unknown handle");
    state->note("host_get_handle_size", "", PF_Err_NONE);
    return size.value_or(0);
}

const PF_HandleSuite1 kHandleSuite{NewHandle, LockHandle, UnlockHandle, SuiteDisposeHandle, HandleSize};

// --- World suite ---

PF_Err GetPixelFormat(const PF_EffectWorld* record, PF_PixelFormat* format) {
    CommandState* state = CommandState::Current();
    if (!state) return PF_Err_BAD_CALLBACK_PARAM;
    PF_Err result = state->faults.pixelFormatError;
    const World* world = state->knownWorld(record, "PF_GetPixelFormat");
    if (!world || !format) {
        result = PF_Err_BAD_CALLBACK_PARAM;
    } else if (result == PF_Err_NONE) {
        *format = state->faults.pixelFormat.value_or(world->format());
    }
    state->note("PF_GetPixelFormat", world == state->input ? "input" : "output", result);
    return result;
}

const PF_WorldSuite2 kWorldSuite{GetPixelFormat};

// --- iterateFloat suite ---

const PF_iterateFloatSuite1 kIterateSuite{IterateFloat};

// --- basic suite ---

struct OfferedSuite {
    const char* name;
    int32_t version;
    const void* table;
};

const OfferedSuite kOffered[] = {
    {kPFANSISuite, kPFANSISuiteVersion1, &kAnsiSuite},
    {kPFHandleSuite, kPFHandleSuiteVersion1, &kHandleSuite},
    {kPFWorldSuite, kPFWorldSuiteVersion2, &kWorldSuite},
    {kPFIterateFloatSuite, kPFIterateFloatSuiteVersion1, &kIterateSuite},
};

const void* OfferedTable(const SuiteKey& key) {
    for (const OfferedSuite& offered : kOffered)
        if (key.name == offered.name && key.version == offered.version) return offered.table;
    return nullptr;
}

bool Listed(const std::vector<SuiteKey>& list, const SuiteKey& key) {
    return std::find(list.begin(), list.end(), key) != list.end();
}

SPErr AcquireSuite(const char* name, int32_t version, const void** suite) {
    CommandState* state = CommandState::Current();
    if (!state) return kSuiteRefused;
    const SuiteKey key{name ? name : "", version};
    const void* table = OfferedTable(key);
    if (table == &kAnsiSuite && MissingFunction(state->faults, "ANSI.sprintf")) table = &kAnsiSuiteWithoutSprintf;
    SPErr result = PF_Err_NONE;
    if (!suite) {
        state->misuse("AcquireSuite without a place for the suite");
        result = PF_Err_BAD_CALLBACK_PARAM;
    } else if (!table || Listed(state->faults.refusedSuites, key)) {
        *suite = nullptr;
        result = kSuiteRefused;
    } else {
        *suite = Listed(state->faults.nullSuites, key) ? nullptr : table;
        ++state->suites[key];
        state->accounting.countSuite(key, +1);
    }
    state->note("AcquireSuite", key.name + "," + std::to_string(version), result);
    return result;
}

SPErr ReleaseSuite(const char* name, int32_t version) {
    CommandState* state = CommandState::Current();
    if (!state) return kSuiteRefused;
    const SuiteKey key{name ? name : "", version};
    SPErr result = PF_Err_NONE;
    if (!OfferedTable(key)) {
        result = kSuiteRefused;
    } else {
        if (state->suites[key] <= 0) state->misuse("ReleaseSuite of " + key.name + " " + std::to_string(version) +
                                                    " without an acquire in this command");
        --state->suites[key];
        state->accounting.countSuite(key, -1);
    }
    state->note("ReleaseSuite", key.name + "," + std::to_string(version), result);
    return result;
}

SPBasicSuite kBasicSuite{AcquireSuite, ReleaseSuite};

} // namespace

void DisposeHandle(const char* call, PF_Handle handle) {
    CommandState* state = CommandState::Current();
    if (!state) return;
    if (!handle) {
        state->note(call, "null", PF_Err_NONE);
        return;
    }
    const auto disposal = state->accounting.handles.dispose(handle);
    if (!disposal) {
        state->misuse(std::string(call) + " of an unknown or already disposed handle");
    } else {
        if (disposal->creator == state) --state->handles;
        state->lockedHandles -= disposal->locksLeft;
        if (disposal->locksLeft) state->misuse(std::string(call) + " of a locked handle");
        if (!disposal->guardDamage.empty()) state->record.handleGuardDamage(disposal->guardDamage);
        if (handle == state->sequenceData) state->sequenceDataDisposed = true;
    }
    state->note(call, handle == state->sequenceData ? "sequence_data" : "", PF_Err_NONE);
}

SPBasicSuite* BasicSuite() { return &kBasicSuite; }

} // namespace hostsim
