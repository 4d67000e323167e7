// Access to the host's named suites for the length of one command.
//
// Failures are thrown as bare host result codes (int), which EffectMain turns
// into the command's result.
#pragma once

#include "host/HostSuites.h"
#include "host/HostTypes.h"

#include <array>
#include <cstddef>
#include <cstdint>

// The message shown when a scoped suite cannot be acquired.
inline constexpr char kSuiteMissingMessage[] = "Not able to acquire the World Suite.";

// Acquires a suite on its first use through an accessor and releases every
// acquired suite, once each, when the handler goes out of scope.
class SuiteHandler {
public:
    static constexpr std::size_t kSuiteCount = 130;

    // Throws PF_Err_BAD_CALLBACK_PARAM when the host gave no basic suite.
    explicit SuiteHandler(SPBasicSuite* basicSuite);
    ~SuiteHandler();
    SuiteHandler(const SuiteHandler&) = delete;
    SuiteHandler& operator=(const SuiteHandler&) = delete;

    // Each throws PF_Err_BAD_CALLBACK_PARAM when the host refuses the suite.
    const PF_ANSICallbacksSuite1* ANSICallbacksSuite1();
    const PF_HandleSuite1* HandleSuite1();
    const PF_iterateFloatSuite1* IterateFloatSuite1();

private:
    const void* Acquire(std::size_t index);

    SPBasicSuite* basicSuite_;
    std::array<const void*, kSuiteCount> slots_{};
};

// Holds one named suite for the length of a scope. A refusal shows `message`
// as an error in `out_data` (when given) and throws A_Err_MISSING_SUITE.
class ScopedSuiteBase {
public:
    ScopedSuiteBase(const ScopedSuiteBase&) = delete;
    ScopedSuiteBase& operator=(const ScopedSuiteBase&) = delete;

protected:
    ScopedSuiteBase(const PF_InData* in_data, const char* name, int32_t version,
                    PF_OutData* out_data, const char* message);
    ~ScopedSuiteBase();

    const void* suite_ = nullptr;

private:
    const char* name_;
    int32_t version_;
    SPBasicSuite* basicSuite_;
};

template <typename Suite>
class ScopedSuite : private ScopedSuiteBase {
public:
    ScopedSuite(const PF_InData* in_data, const char* name, int32_t version,
                PF_OutData* out_data, const char* message)
        : ScopedSuiteBase(in_data, name, version, out_data, message)
    {
    }

    // Never null: construction throws instead.
    const Suite* get() const { return static_cast<const Suite*>(suite_); }
    const Suite* operator->() const { return get(); }
    const Suite& operator*() const { return *get(); }
};
