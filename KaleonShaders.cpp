// Texture components r, g, b, a hold the host's alpha, red, green, blue, so the
// sources name samples by the host channel they serve. `mode` picks the
// channel pair: 1 red & blue, 2 red & green, anything else green & blue.
// Coordinates outside the unit square are left to the texture's own
// mirrored-repeat wrapping.
#include "KaleonShaders.h"

#include <array>
#include <cstddef>

namespace {

// Joins literal pieces into one zero-terminated text at compile time.
template <std::size_t... N>
constexpr std::array<char, (N + ...) - sizeof...(N) + 1> Join(const char (&... pieces)[N])
{
    std::array<char, (N + ...) - sizeof...(N) + 1> text{};
    std::size_t at = 0;
    auto append = [&](const char* piece, std::size_t size) {
        for (std::size_t i = 0; i + 1 < size; ++i) {
            text[at++] = piece[i];
        }
    };
    (append(pieces, N), ...);
    return text;
}

constexpr char kVersionLine[] = "\n\n#version 330\n";

// The two blur directions differ only in the offset of tap i.
constexpr char kBlurHead[] = R"(
uniform sampler2D videoTexture;
uniform float radius;
uniform int steps;
uniform vec2 res;
uniform int mode;

in vec2 out_uvs;
out vec4 FragColour;

float getWeight(float x)
{
    return exp(-0.5 * x * x / 0.5);
}

void main()
{
    int n = steps;
    float range = radius;
    vec4 total = vec4(0.0);
    float totalWeight = 0.0;
    for (int i = -n; i <= n; ++i) {
        vec2 coords = out_uvs + )";
constexpr char kBlurTail[] = R"(;
        float weight = getWeight(float(i) / float(n));
        total += weight * texture(videoTexture, coords);
        totalWeight += weight;
    }
    vec4 blurred = total / totalWeight;
    // The unblurred channels stay exactly as they were (see the offset pass).
    vec4 raw = texelFetch(videoTexture, ivec2(gl_FragCoord.xy), 0);

    if (mode == 1) {
        FragColour = vec4(raw.r, blurred.g, raw.b, blurred.a);
    } else if (mode == 2) {
        FragColour = vec4(raw.r, blurred.g, blurred.b, raw.a);
    } else {
        FragColour = vec4(raw.r, raw.g, blurred.b, blurred.a);
    }
}
)";

constexpr auto kBlurW = Join(kVersionLine, "// blur W", kBlurHead,
                             "vec2(float(i) * (range / res.x / float(n)), 0.0)", kBlurTail);
constexpr auto kBlurH = Join(kVersionLine, "// blur H", kBlurHead,
                             "vec2(0.0, float(i) * (range / res.y / float(n)))", kBlurTail);

constexpr auto kVertex = Join(kVersionLine, R"(
layout (location = 0) in vec3 geoPos;
layout (location = 1) in vec2 geoUVs;

out vec2 out_uvs;

void main()
{
    gl_Position = vec4(geoPos.x, geoPos.y, geoPos.z, 1.0);
    out_uvs = geoUVs;
}
)");

constexpr auto kOffset = Join(kVersionLine, R"(
uniform sampler2D videoTexture;
uniform float widthF;
uniform float heightF;
uniform float offsetRot;
uniform float offsetScale;
uniform float offsetPos;
uniform int mode;

in vec2 out_uvs;
out vec4 FragColour;

// Rotates, then scales about the centre, then moves by pos pixels along both
// axes. Rotation works on normalised coordinates, so it shears non-square frames.
vec2 modifyCoords(float pos, float rot, float scale)
{
    float s = sin(rot);
    float c = cos(rot);
    vec2 d = out_uvs - vec2(0.5, 0.5);
    vec2 r = vec2(d.x * c + d.y * s, -d.x * s + d.y * c) + vec2(0.5, 0.5);
    vec2 q = scale * (r - vec2(0.5, 0.5)) + vec2(0.5, 0.5);
    return q + vec2(pos / widthF, pos / heightF);
}

// A channel that does not move is fetched from its own texel rather than
// filtered at out_uvs: the interpolated coordinate lies a rounding error off
// the texel centre, which would blend a trace of the neighbours into float
// frames. Mathematically both read the same texel.
vec4 sampleChannel(vec2 coords, bool stays)
{
    return stays ? texelFetch(videoTexture, ivec2(gl_FragCoord.xy), 0)
                 : texture(videoTexture, coords);
}

void main()
{
    vec2 plus = modifyCoords(offsetPos, offsetRot, offsetScale);
    vec2 minus = modifyCoords(-offsetPos, -offsetRot, 1.0 / offsetScale);
    bool pairStays = offsetPos == 0.0 && offsetRot == 0.0 && offsetScale == 1.0;

    vec2 redCoords;
    vec2 greenCoords;
    vec2 blueCoords;
    if (mode == 1) {
        redCoords = plus;
        greenCoords = out_uvs;
        blueCoords = minus;
    } else if (mode == 2) {
        redCoords = plus;
        greenCoords = minus;
        blueCoords = out_uvs;
    } else {
        redCoords = out_uvs;
        greenCoords = minus;
        blueCoords = plus;
    }

    bool redMoves = mode == 1 || mode == 2;
    vec4 redFrag = sampleChannel(redCoords, pairStays || !redMoves);
    vec4 greenFrag = sampleChannel(greenCoords, pairStays || mode == 1);
    vec4 blueFrag = sampleChannel(blueCoords, pairStays || mode == 2);

    // Alpha travels with the green sample.
    FragColour = vec4(greenFrag.r, redFrag.g, greenFrag.b, blueFrag.a);
}
)");

} // namespace

const char* const vertexShaderSource = kVertex.data();
const char* const offsetShaderSource = kOffset.data();
const char* const blurWShaderSource = kBlurW.data();
const char* const blurHShaderSource = kBlurH.data();
