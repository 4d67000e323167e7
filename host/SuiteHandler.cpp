#include "host/SuiteHandler.h"

#include <iterator>

namespace {

struct SuiteName {
    const char* name;
    int32_t version;
};

// Every suite a handler knows, one entry per (name, version) pair; an entry's
// position is its slot.
constexpr SuiteName kSuiteTable[] = {
    {"AEGP Marker Suite", 1}, {"AEGP Marker Suite", 2},
    {"AEGP Layer Suite", 5}, {"AEGP Layer Suite", 8}, {"AEGP Layer Suite", 10},
    {"AEGP Layer Suite", 11}, {"AEGP Layer Suite", 12}, {"AEGP Layer Suite", 13},
    {"AEGP Layer Suite", 14},
    {"AEGP Stream Suite", 4}, {"AEGP Stream Suite", 7}, {"AEGP Stream Suite", 8},
    {"AEGP Stream Suite", 9}, {"AEGP Stream Suite", 10},
    {"AEGP Dynamic Stream Suite", 2}, {"AEGP Dynamic Stream Suite", 3},
    {"AEGP Dynamic Stream Suite", 5},
    {"AEGP Keyframe Suite", 1}, {"AEGP Keyframe Suite", 3}, {"AEGP Keyframe Suite", 4},
    {"AEGP Comp Suite", 4}, {"AEGP Comp Suite", 9}, {"AEGP Comp Suite", 11},
    {"AEGP Comp Suite", 14}, {"AEGP Comp Suite", 15}, {"AEGP Comp Suite", 18},
    {"AEGP Comp Suite", 19}, {"AEGP Comp Suite", 21}, {"AEGP Comp Suite", 25},
    {"AEGP Canvas Suite", 10}, {"AEGP Canvas Suite", 11}, {"AEGP Canvas Suite", 13},
    {"AEGP Canvas Suite", 14},
    {"AEGP Camera Suite", 2},
    {"AEGP Register Suite", 6},
    {"AEGP Item View Suite", 1},
    {"AEGP Item Suite", 3}, {"AEGP Item Suite", 7}, {"AEGP Item Suite", 10},
    {"AEGP Item Suite", 11}, {"AEGP Item Suite", 13},
    {"AEGP PF Interface Suite", 1},
    {"AEGP Math Suite", 1},
    {"PF AE Adv Time Suite", 4},
    {"PF Path Query Suite", 1},
    {"AEGP Memory Suite", 1},
    {"PF Path Data Suite", 1},
    {"PF Param Utils Suite", 3},
    {"PF AE App Suite", 1}, {"PF AE App Suite", 6}, {"PF AE App Suite", 7},
    {"PF AE Adv App Suite", 1}, {"PF AE Adv App Suite", 2},
    {"AEGP Light Suite", 1}, {"AEGP Light Suite", 2},
    {"AEGP Effect Suite", 1}, {"AEGP Effect Suite", 2}, {"AEGP Effect Suite", 3},
    {"AEGP Effect Suite", 4},
    {"AEGP Layer Mask Suite", 2}, {"AEGP Layer Mask Suite", 5}, {"AEGP Layer Mask Suite", 6},
    {"AEGP Layer Mask Suite", 7},
    {"AEGP Mask Outline Suite", 2}, {"AEGP Mask Outline Suite", 3},
    {"AEGP Mask Outline Suite", 5},
    {"AEGP Command Suite", 1},
    {"AEGP Utility Suite", 3}, {"AEGP Utility Suite", 7}, {"AEGP Utility Suite", 10},
    {"AEGP Utility Suite", 11}, {"AEGP Utility Suite", 13},
    {"AEGP Render Suite", 1}, {"AEGP Render Suite", 2}, {"AEGP Render Suite", 3},
    {"AEGP Render Suite", 5}, {"AEGP Render Suite", 8},
    {"PF ANSI Suite", 1},
    {"PF Handle Suite", 2},
    {"PF Fill Matte Suite", 2},
    {"PF World Transform Suite", 1},
    {"AEGP QueryXform Suite", 4},
    {"AEGP Composite Suite", 4},
    {"PF World Suite", 1},
    {"AEGP IO In Suite", 5},
    {"AEGP IO Out Suite", 7},
    {"AEGP Render Queue Suite", 1},
    {"AEGP Render Queue Item Suite", 3}, {"AEGP Render Queue Item Suite", 4},
    {"AEGP Output Module Suite", 4},
    {"AEGP File Import Manager Suite", 3},
    {"PF Sampling8 Suite", 1},
    {"PF Sampling16 Suite", 1},
    {"PF Iterate8 Suite", 1},
    {"PF iterate16 Suite", 1},
    {"PF iterateFloat Suite", 1},
    {"AEGP Collection Suite", 1}, {"AEGP Collection Suite", 2},
    {"AEGP Text Document Suite", 1},
    {"AEGP Sound Data Suite", 1},
    {"AEGP Text Layer Suite", 1},
    {"AEGP Artisan Util Suite", 1},
    {"AEGP World Suite", 2}, {"AEGP World Suite", 3},
    {"AEGP Render Options Suite", 1}, {"AEGP Render Options Suite", 2},
    {"AEGP Tracker Suite", 1},
    {"AEGP Tracker Utility Suite", 1},
    {"AE Plugin Helper Suite2", 2},
    {"PF AE Adv Item Suite", 1},
    {"AEGP Layer Render Options Suite", 1}, {"AEGP Layer Render Options Suite", 2},
    {"AEGP Render Asyc Manager Suite", 1},
    {"AEGP Proj Suite", 8}, {"AEGP Proj Suite", 9},
    {"AEGP Footage Suite", 11},
    {"AEGP Persistent Data Suite", 3}, {"AEGP Persistent Data Suite", 4},
    {"PF Color Settings Suite", 1}, {"PF Color Settings Suite", 3},
    {"PF ColorParamSuite", 1},
    {"PF SamplingFloat Suite", 1},
    {"PF Effect Custom UI Suite", 1}, {"PF Effect Custom UI Suite", 2},
    {"PF Effect Custom UI Overlay Theme Suite", 1},
    {"DRAWBOT Draw Suite", 1},
    {"DRAWBOT Supplier Suite", 1},
    {"DRAWBOT Surface Suite", 2},
    {"DRAWBOT Path Suite", 1},
    {"SP Suites Suite", 2},
};
static_assert(std::size(kSuiteTable) == SuiteHandler::kSuiteCount);

constexpr bool SameText(const char* a, const char* b)
{
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

constexpr std::size_t SlotOf(const char* name, int32_t version)
{
    for (std::size_t i = 0; i < std::size(kSuiteTable); ++i) {
        if (kSuiteTable[i].version == version && SameText(kSuiteTable[i].name, name)) {
            return i;
        }
    }
    return std::size(kSuiteTable);
}

constexpr std::size_t kANSISlot = SlotOf(kPFANSISuite, kPFANSISuiteVersion1);
constexpr std::size_t kHandleSlot = SlotOf(kPFHandleSuite, kPFHandleSuiteVersion1);
constexpr std::size_t kIterateFloatSlot =
    SlotOf(kPFIterateFloatSuite, kPFIterateFloatSuiteVersion1);
static_assert(kANSISlot < SuiteHandler::kSuiteCount && kHandleSlot < SuiteHandler::kSuiteCount &&
              kIterateFloatSlot < SuiteHandler::kSuiteCount);

// Asks the host for a suite. A host that reports success without a table
// still counts the suite as acquired, so it is handed back before failing.
const void* AcquireOrNull(SPBasicSuite* basicSuite, const char* name, int32_t version)
{
    const void* suite = nullptr;
    if (basicSuite->AcquireSuite(name, version, &suite) != 0) {
        return nullptr;
    }
    if (suite == nullptr) {
        basicSuite->ReleaseSuite(name, version);
    }
    return suite;
}

} // namespace

SuiteHandler::SuiteHandler(SPBasicSuite* basicSuite) : basicSuite_(basicSuite)
{
    if (basicSuite_ == nullptr) {
        throw int{PF_Err_BAD_CALLBACK_PARAM};
    }
}

SuiteHandler::~SuiteHandler()
{
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (slots_[i] != nullptr) {
            basicSuite_->ReleaseSuite(kSuiteTable[i].name, kSuiteTable[i].version);
        }
    }
}

const void* SuiteHandler::Acquire(std::size_t index)
{
    if (slots_[index] == nullptr) {
        const SuiteName& entry = kSuiteTable[index];
        slots_[index] = AcquireOrNull(basicSuite_, entry.name, entry.version);
        if (slots_[index] == nullptr) {
            throw int{PF_Err_BAD_CALLBACK_PARAM};
        }
    }
    return slots_[index];
}

const PF_ANSICallbacksSuite1* SuiteHandler::ANSICallbacksSuite1()
{
    return static_cast<const PF_ANSICallbacksSuite1*>(Acquire(kANSISlot));
}

const PF_HandleSuite1* SuiteHandler::HandleSuite1()
{
    return static_cast<const PF_HandleSuite1*>(Acquire(kHandleSlot));
}

const PF_iterateFloatSuite1* SuiteHandler::IterateFloatSuite1()
{
    return static_cast<const PF_iterateFloatSuite1*>(Acquire(kIterateFloatSlot));
}

ScopedSuiteBase::ScopedSuiteBase(const PF_InData* in_data, const char* name, int32_t version,
                                 PF_OutData* out_data, const char* message)
    : name_(name), version_(version), basicSuite_(in_data->pica_basicP)
{
    if (basicSuite_ != nullptr) {
        suite_ = AcquireOrNull(basicSuite_, name_, version_);
    }
    if (suite_ != nullptr) {
        return;
    }
    if (out_data != nullptr && in_data->utils != nullptr && in_data->utils->ansi.sprintf != nullptr) {
        static_assert(PF_MAX_RETURN_MSG_LEN == 256, "the precision below bounds the message");
        out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
        in_data->utils->ansi.sprintf(out_data->return_msg, "%.255s", message);
    }
    throw int{A_Err_MISSING_SUITE};
}

// Only a fully constructed scope gets here, and that one holds its suite.
ScopedSuiteBase::~ScopedSuiteBase()
{
    basicSuite_->ReleaseSuite(name_, version_);
}
