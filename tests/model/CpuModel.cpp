#include "tests/model/CpuModel.h"

#include "tests/support/IrisplitValues.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace cpumodel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 3.14159265358979323846;

// How far from the exact sampling point a conforming renderer may filter, in
// texels: GPUs may weigh the texels with as few as 8 bits of sub-texel
// precision (weights in steps of 1/256), so 1/256 texel, times the local slope
// of the texels, is the slack of every filtered lookup; and far from the frame
// a float coordinate loses a little more (24 bits, a few roundings along the
// transform).
constexpr double kTexelUncertainty = 1.0 / 256.0;
constexpr double kTexelUncertaintyPerTexel = 1.0 / (1 << 20);

// Farther out than this a float coordinate no longer resolves texels at all.
constexpr double kFarthestTexel = double(1 << 24);

using Components = std::array<double, 4>;

struct Sample {
    Components value;
    Components slack;
};

// Texel index for an integer position along an axis of `size` texels under
// mirrored-repeat wrapping: 0..size-1, then back again, and so on both ways.
int64_t MirroredIndex(int64_t i, int64_t size)
{
    const int64_t period = 2 * size;
    const int64_t m = ((i % period) + period) % period;
    return m < size ? m : period - 1 - m;
}

// Bilinear lookup at the normalised coordinate (u, v): texel centres sit at
// (i + 0.5) / size, the four nearest are mixed by the fractional distances.
Sample SampleBilinear(const Image& texture, double u, double v)
{
    const double s = u * texture.width - 0.5;
    const double t = v * texture.height - 0.5;
    if (!(std::fabs(s) <= kFarthestTexel && std::fabs(t) <= kFarthestTexel)) { // NaN too
        return {{kNaN, kNaN, kNaN, kNaN}, {}};
    }
    const double sFloor = std::floor(s);
    const double tFloor = std::floor(t);
    const double fx = s - sFloor;
    const double fy = t - tFloor;
    const int64_t xFloor = int64_t(sFloor);
    const int64_t yFloor = int64_t(tFloor);
    // Texels at offsets -1..2 from the floor: the inner two are mixed, the
    // outer ones matter when the renderer's coordinate lands across a centre.
    int32_t columns[4], rows[4];
    for (int k = 0; k < 4; ++k) {
        columns[k] = int32_t(MirroredIndex(xFloor + k - 1, texture.width));
        rows[k] = int32_t(MirroredIndex(yFloor + k - 1, texture.height));
    }
    const double uncertaintyX = kTexelUncertainty + std::fabs(s) * kTexelUncertaintyPerTexel;
    const double uncertaintyY = kTexelUncertainty + std::fabs(t) * kTexelUncertaintyPerTexel;

    Sample sample{};
    for (int c = 0; c < 4; ++c) {
        const auto at = [&](int i, int j) { return texture.value[texture.index(columns[i], rows[j])][c]; };
        const double top = at(1, 1) + fx * (at(2, 1) - at(1, 1));
        const double bottom = at(1, 2) + fx * (at(2, 2) - at(1, 2));
        sample.value[c] = top + fy * (bottom - top);
        double slopeX = 0.0, slopeY = 0.0, inherited = 0.0;
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                if (i > 0) {
                    slopeX = std::max(slopeX, std::fabs(at(i, j) - at(i - 1, j)));
                }
                if (j > 0) {
                    slopeY = std::max(slopeY, std::fabs(at(i, j) - at(i, j - 1)));
                }
                inherited = std::max(inherited, texture.slack[texture.index(columns[i], rows[j])][c]);
            }
        }
        sample.slack[c] = uncertaintyX * slopeX + uncertaintyY * slopeY + inherited;
    }
    return sample;
}

struct Coordinate {
    double u, v;
};

// The sampling coordinate of one channel: rotated about the frame centre in
// normalised coordinates, then scaled about the centre, then moved by `pos`
// pixels along both axes.
Coordinate Transform(Coordinate uv, double pos, double rot, double scale, double width,
                     double height)
{
    const double s = std::sin(rot);
    const double c = std::cos(rot);
    const double dx = uv.u - 0.5;
    const double dy = uv.v - 0.5;
    const double rx = dx * c + dy * s;
    const double ry = -dx * s + dy * c;
    return {scale * rx + 0.5 + pos / width, scale * ry + 0.5 + pos / height};
}

Coordinate PixelCentre(const Image& image, int32_t x, int32_t y)
{
    return {(x + 0.5) / image.width, (y + 0.5) / image.height};
}

// Where each channel samples; null for a channel that stays in place.
struct ChannelCoordinates {
    const Coordinate *red, *green, *blue;
};

// The channel pair of a mode moves; the third channel stays in place.
ChannelCoordinates ChooseCoordinates(int32_t mode, const Coordinate* plus, const Coordinate* minus)
{
    return mode == 1 ? ChannelCoordinates{plus, nullptr, minus}
                     : mode == 2 ? ChannelCoordinates{plus, minus, nullptr} : ChannelCoordinates{nullptr, minus, plus};
}

Image OffsetPass(const Image& texture, const ProgramSettings& settings)
{
    Image out(texture.width, texture.height);
    const double pos = settings.position, rot = settings.rotation, scale = settings.scale;
    // A pair whose transform is the identity stays in place too.
    const bool pairMoves = pos != 0.0 || rot != 0.0 || scale != 1.0;
    for (int32_t y = 0; y < out.height; ++y) {
        for (int32_t x = 0; x < out.width; ++x) {
            const Coordinate here = PixelCentre(out, x, y);
            const Coordinate plus = Transform(here, pos, rot, scale, settings.width, settings.height);
            const Coordinate minus = Transform(here, -pos, -rot, 1.0 / scale, settings.width, settings.height);
            const ChannelCoordinates at =
                ChooseCoordinates(settings.mode, pairMoves ? &plus : nullptr, pairMoves ? &minus : nullptr);
            // A channel that stays reads its own texel exactly.
            const size_t i = out.index(x, y);
            const auto read = [&](const Coordinate* c) {
                return c ? SampleBilinear(texture, c->u, c->v) : Sample{texture.value[i], {}};
            };
            const Sample r = read(at.red);
            const Sample g = read(at.green);
            const Sample b = read(at.blue);
            // Components: alpha and green from the green sample, red and blue from their own.
            out.value[i] = {g.value[0], r.value[1], g.value[2], b.value[3]};
            out.slack[i] = {g.slack[0], r.slack[1], g.slack[2], b.slack[3]};
        }
    }
    return out;
}

// Which components the blur keeps for a mode: the selected pair.
std::array<bool, 4> BlurredComponents(int32_t mode)
{
    return mode == 1 ? std::array{false, true, false, true}
                     : mode == 2 ? std::array{false, true, true, false} : std::array{false, false, true, true};
}

// One direction of the separable Gaussian: 2n + 1 taps range / n pixels
// apart, weighted exp(-(i/n)^2), normalised by the weights' sum.
Image BlurPass(const Image& source, const ProgramSettings& settings, bool alongRows)
{
    Image out(source.width, source.height);
    const int32_t n = settings.steps;
    const double range = settings.radius;
    const double stepU = alongRows ? range / settings.width / n : 0.0;
    const double stepV = alongRows ? 0.0 : range / settings.height / n;
    const auto blurred = BlurredComponents(settings.mode);
    for (int32_t y = 0; y < out.height; ++y) {
        for (int32_t x = 0; x < out.width; ++x) {
            const Coordinate here = PixelCentre(out, x, y);
            Components total{}, totalSlack{};
            double totalWeight = 0.0;
            for (int32_t i = -n; i <= n + settings.extraTaps; ++i) {
                const double weight = std::exp(-(double(i) / n) * (double(i) / n));
                const Sample tap = SampleBilinear(source, here.u + i * stepU, here.v + i * stepV);
                for (int c = 0; c < 4; ++c) {
                    total[c] += weight * tap.value[c];
                    totalSlack[c] += weight * tap.slack[c];
                }
                totalWeight += weight;
            }
            const size_t i = out.index(x, y);
            for (int c = 0; c < 4; ++c) {
                out.value[i][c] = blurred[c] ? total[c] / totalWeight : source.value[i][c];
                out.slack[i][c] = blurred[c] ? totalSlack[c] / totalWeight : source.slack[i][c];
            }
        }
    }
    return out;
}

double DownsampleFactor(PF_RationalScale factor)
{
    return factor.den == 0 ? 1.0 : static_cast<float>(factor.num) / static_cast<float>(factor.den);
}

} // namespace

Image::Image(int32_t w, int32_t h)
    : width(w), height(h), value(size_t(w) * size_t(h)), slack(size_t(w) * size_t(h))
{
}

EffectInputs FromHostValues(const hostsim::ControlValues& values, PF_RationalScale downsampleX)
{
    using namespace testsupport;
    return {int32_t(values.at(kChannels)), values.at(kPosition), hostsim::DegreesToFixed(values.at(kRotation)),
            values.at(kScale),             values.at(kBlur),     downsampleX};
}

ProgramSettings DeriveSettings(const EffectInputs& inputs, int32_t width, int32_t height)
{
    const double factor = DownsampleFactor(inputs.downsampleX);
    ProgramSettings settings;
    settings.mode = inputs.channels;
    settings.position = static_cast<float>(inputs.position * factor);
    settings.rotation = static_cast<float>(inputs.rotation / 65536.0 * kPi / 180.0);
    settings.scale = static_cast<float>(inputs.scale / 100.0);
    const double radius = inputs.blur * factor;
    settings.radius = static_cast<float>(radius);
    settings.blurOn = std::isfinite(radius) && radius > 0.0;
    if (settings.blurOn) {
        settings.steps = static_cast<int32_t>(std::trunc(radius * 0.33 + 10.0));
    }
    settings.width = static_cast<float>(width);
    settings.height = static_cast<float>(height);
    return settings;
}

Image TextureFromWorld(const hostsim::World& world)
{
    const double unit = HostUnit(world.format());
    Image texture(world.width(), world.height());
    for (int32_t y = 0; y < world.height(); ++y) {
        for (int32_t x = 0; x < world.width(); ++x) {
            const auto argb = world.get(x, y);
            for (int c = 0; c < 4; ++c) {
                texture.value[texture.index(x, y)][c] = argb[c] / unit;
            }
        }
    }
    return texture;
}

Image RunPrograms(const Image& texture, const ProgramSettings& settings)
{
    Image image = OffsetPass(texture, settings);
    if (settings.blurOn) {
        image = BlurPass(image, settings, true);
        image = BlurPass(image, settings, false);
    }
    return image;
}

Image ExpectedImage(const hostsim::World& input, const EffectInputs& inputs)
{
    return RunPrograms(TextureFromWorld(input),
                       DeriveSettings(inputs, input.width(), input.height()));
}

} // namespace cpumodel
