// The parameter setup command: the five controls the effect adds after the
// host's input layer.
#include "Kaleon.h"

#include <cstring>
#include <iterator>
#include <string>

namespace {

constexpr char kChannelChoices[] = "Red & Blue|Red & Green|Green & Blue";

struct SliderRanges {
    double dephault;
    float validMin, validMax;
    float sliderMin, sliderMax;
};

void FillChannels(PF_ParamDef& def)
{
    def.u.pd.value = 1;
    def.u.pd.num_choices = 3;
    def.u.pd.dephault = 1;
    def.u.pd.namesptr = kChannelChoices;
}

void FillSlider(PF_ParamDef& def, const SliderRanges& ranges)
{
    PF_FloatSliderDef& slider = def.u.fs_d;
    slider.value = ranges.dephault;
    slider.valid_min = ranges.validMin;
    slider.valid_max = ranges.validMax;
    slider.slider_min = ranges.sliderMin;
    slider.slider_max = ranges.sliderMax;
    slider.dephault = static_cast<float>(ranges.dephault);
    slider.precision = 2;
    slider.curve_tolerance = 0.05f;
}

void FillPosition(PF_ParamDef& def)
{
    FillSlider(def, {0.5, -2000.0f, 2000.0f, -500.0f, 500.0f});
}

// The angle's value, default and range all stay 0 from the zeroed definition.
void FillRotation(PF_ParamDef&) {}

void FillScale(PF_ParamDef& def)
{
    FillSlider(def, {100.0, -1000.0f, 1000.0f, -1000.0f, 1000.0f});
}

void FillBlur(PF_ParamDef& def)
{
    FillSlider(def, {0.0, 0.0f, 1000.0f, 0.0f, 100.0f});
}

struct ParamDescription {
    ParamIndex index;
    PF_ParamType type;
    const char* name;
    void (*fill)(PF_ParamDef&);
};

// In the order the host shows them; each id equals the parameter's position.
constexpr ParamDescription kParams[] = {
    {PARAM_CHANNELS, PF_Param_POPUP, "Channels", FillChannels},
    {PARAM_POSITION, PF_Param_FLOAT_SLIDER, "Position", FillPosition},
    {PARAM_ROTATION, PF_Param_ANGLE, "Rotation", FillRotation},
    {PARAM_SCALE, PF_Param_FLOAT_SLIDER, "Scale", FillScale},
    {PARAM_BLUR, PF_Param_FLOAT_SLIDER, "Blur", FillBlur},
};
static_assert(std::size(kParams) == PARAM_COUNT - 1);

constexpr bool NamesFit()
{
    for (const ParamDescription& param : kParams) {
        if (std::char_traits<char>::length(param.name) > PF_MAX_EFFECT_PARAM_NAME_LEN) {
            return false;
        }
    }
    return true;
}
static_assert(NamesFit(), "every name must fit the host's name field with its zero");

} // namespace

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data)
{
    // Without both callbacks no control can be added: nothing is, rather than some.
    if (in_data->utils == nullptr || in_data->utils->ansi.strcpy == nullptr ||
        in_data->inter.add_param == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    for (const ParamDescription& param : kParams) {
        PF_ParamDef def;
        std::memset(&def, 0, sizeof def);
        def.param_type = param.type;
        in_data->utils->ansi.strcpy(def.name, param.name);
        param.fill(def);
        def.uu.id = param.index;
        const PF_Err err = in_data->inter.add_param(in_data->effect_ref, -1, &def);
        if (err != PF_Err_NONE) {
            return err;
        }
    }
    out_data->num_params = PARAM_COUNT;
    return PF_Err_NONE;
}
