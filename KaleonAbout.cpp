// The string table and the about command.
#include "Kaleon.h"

#include "host/SuiteHandler.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>

namespace {

struct TableString {
    uint32_t index;
    char str[256];
};

constexpr TableString StringTable[] = {
    {0, ""},
    {1, "Irisplit"},
    {2, "Separates color channels and transforms them independantly.\n"
        "Written by the Irisplit developers.\n"
        "Copyright (c) Irisplit developers. All rights reserved.\n"},
};

constexpr char kAboutFormat[] = "%s v%d.%d\r%s";

constexpr std::size_t Length(const char* text)
{
    return std::char_traits<char>::length(text);
}

// The host's sprintf is unbounded: the whole about text, with single-digit
// version numbers and the terminating zero, must fit the message field.
static_assert(kEffectMajorVersion < 10 && kEffectMinorVersion < 10);
static_assert(Length(StringTable[1].str) + Length(" v2.0\r") + Length(StringTable[2].str) + 1 <=
              PF_MAX_RETURN_MSG_LEN);

// The text of record n by position; anything out of range reads as the empty record.
const char* LookupString(std::size_t n)
{
    return n < std::size(StringTable) ? StringTable[n].str : StringTable[0].str;
}

} // namespace

PF_Err About(PF_InData* in_data, PF_OutData* out_data)
{
    SuiteHandler suites(in_data->pica_basicP);
    const PF_ANSICallbacksSuite1* ansi = suites.ANSICallbacksSuite1();
    if (ansi->sprintf == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    ansi->sprintf(out_data->return_msg, kAboutFormat, LookupString(1), kEffectMajorVersion,
                  kEffectMinorVersion, LookupString(2));
    return PF_Err_NONE;
}
