// Faults the simulated host can inject into one command. The defaults are a
// well-behaved host.
#pragma once

#include "host/HostTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace hostsim {

// A suite as the basic suite names it.
struct SuiteKey {
    std::string name;
    int32_t version = 0;

    bool operator<(const SuiteKey& o) const { return std::tie(name, version) < std::tie(o.name, o.version); }
    bool operator==(const SuiteKey& o) const { return name == o.name && version == o.version; }
};

// The result the basic suite gives for a refused suite.
constexpr int32_t kSuiteRefused = A_Err_MISSING_SUITE;

struct Faults {
    // Host functions handed over as null, by name: "utils" (the whole table),
    // "utils.ansi.sprintf", "utils.ansi.strcpy", "utils.get_pixel_data8",
    // "utils.get_pixel_data16", "utils.host_dispose_handle", "inter.add_param",
    // "inter.checkout_param", "inter.checkin_param", "inter.abort", and the ANSI
    // suite's "ANSI.sprintf".
    std::vector<std::string> missingFunctions;

    // Basic suite.
    bool noBasicSuite = false;           // in_data->pica_basicP is null
    std::vector<SuiteKey> refusedSuites; // AcquireSuite fails with kSuiteRefused
    std::vector<SuiteKey> nullSuites;    // AcquireSuite succeeds but hands back null

    // Handle suite.
    bool newHandleFails = false;  // host_new_handle returns null
    bool lockHandleFails = false; // host_lock_handle returns null

    // World suite PF_GetPixelFormat.
    PF_Err pixelFormatError = PF_Err_NONE;       // non-zero: returned instead of the format
    std::optional<PF_PixelFormat> pixelFormat;   // reported instead of the world's own

    // iterateFloat suite: fails with this code after iterating this many rows.
    PF_Err iterateError = PF_Err_NONE;
    int32_t iterateRowsBeforeError = 0;

    // utils->get_pixel_data8 / get_pixel_data16.
    PF_Err pixelDataError = PF_Err_NONE; // fail with this code
    bool pixelDataNull = false;          // succeed but hand back null

    // Parameter setup: refuse the n-th add_param call (1-based; 0: none).
    int32_t refuseAddParamCall = 0;
    PF_Err addParamError = PF_Err_BAD_CALLBACK_PARAM;

    // Smart pre-render: checkout_layer fails with this code.
    PF_Err checkoutLayerError = PF_Err_NONE;

    // Smart render.
    PF_Err inputCheckoutError = PF_Err_NONE;  // checkout_layer_pixels
    PF_Err outputCheckoutError = PF_Err_NONE; // checkout_output
    bool nullInputWorld = false;              // checkout_layer_pixels succeeds with null
    bool nullOutputWorld = false;             // checkout_output succeeds with null
    int32_t failParamCheckoutIndex = -1;      // checkout_param of this index fails
    PF_Err paramCheckoutError = PF_Err_BAD_CALLBACK_PARAM;
    PF_Err paramCheckinError = PF_Err_NONE;   // every checkin_param fails with this
    PF_Err layerCheckinError = PF_Err_NONE;   // checkin_layer_pixels fails with this
    PF_Err abortCode = PF_Err_NONE;           // inter.abort's answer
};

} // namespace hostsim
