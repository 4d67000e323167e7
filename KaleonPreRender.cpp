// The smart pre-render command: the effect needs exactly the requested area of
// its input, and its output covers what that input covers.
#include "Kaleon.h"

#include <algorithm>

namespace {

bool IsEmpty(const PF_LRect& rect)
{
    return rect.left >= rect.right || rect.top >= rect.bottom;
}

// Grows `destination` to hold `source`; an empty destination takes the source as it is.
void UnionLRect(const PF_LRect& source, PF_LRect& destination)
{
    if (IsEmpty(destination)) {
        destination = source;
    } else if (!IsEmpty(source)) {
        destination.left = std::min(destination.left, source.left);
        destination.top = std::min(destination.top, source.top);
        destination.right = std::max(destination.right, source.right);
        destination.bottom = std::max(destination.bottom, source.bottom);
    }
}

} // namespace

PF_Err SmartPreRender(PF_InData* in_data, PF_OutData*, PF_PreRenderExtra* extra)
{
    if (extra->input == nullptr || extra->output == nullptr || extra->cb == nullptr ||
        extra->cb->checkout_layer == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PF_RenderRequest request = extra->input->output_request;
    PF_CheckoutResult checkout{};
    const PF_Err err = extra->cb->checkout_layer(in_data->effect_ref, PARAM_INPUT,
                                                 kInputCheckoutId, &request, in_data->current_time,
                                                 in_data->time_step, in_data->time_scale,
                                                 &checkout);
    if (err != PF_Err_NONE) {
        return err;
    }
    UnionLRect(checkout.result_rect, extra->output->result_rect);
    UnionLRect(checkout.max_result_rect, extra->output->max_result_rect);
    return PF_Err_NONE;
}
