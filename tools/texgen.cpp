// Generates the textures the program ships with: eleven bodies and the sky, as 24-bit BMP files in the
// one form the texture reader takes. Everything is sampled on the sphere, from the 3-D direction of each
// texel, so the maps close seamlessly at the longitude wrap and do not pinch at the poles.
//
// Usage: texgen OUTPUT_DIR [NAME.bmp ...]   (no names: all twelve)
#include "render/texture_files.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <stb/stb_perlin.h>
#include <string>
#include <thread>
#include <vector>

namespace
{

constexpr float pi = 3.14159265358979f;
constexpr float twoPi = 2.0f * pi;

// ---------------------------------------------------------------------------------------------------------
// Small maths

struct Vec3
{
    float x, y, z;
};

Vec3 operator+(Vec3 a, Vec3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator-(Vec3 a, Vec3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 operator*(Vec3 a, float s)
{
    return {a.x * s, a.y * s, a.z * s};
}
Vec3 scale(Vec3 a, Vec3 s)
{
    return {a.x * s.x, a.y * s.y, a.z * s.z};
}
float dot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3 cross(Vec3 a, Vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3 normalized(Vec3 a)
{
    const float l = std::sqrt(dot(a, a));
    return l > 0.0f ? a * (1.0f / l) : Vec3{0.0f, 0.0f, 1.0f};
}

// The direction of a point on the unit sphere. gluSphere puts longitude around z and runs t from the
// -z pole (bottom image row) to the +z pole (top row), which is exactly this.
Vec3 direction(float lon, float lat)
{
    return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
}

// Angle between two unit vectors, stable for small angles.
float angleBetween(Vec3 a, Vec3 b)
{
    const Vec3 c = cross(a, b);
    return std::atan2(std::sqrt(dot(c, c)), dot(a, b));
}

float clamp01(float v)
{
    return std::min(1.0f, std::max(0.0f, v));
}
float smoothstep(float e0, float e1, float x)
{
    const float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}
float lerp(float a, float b, float t)
{
    return a + (b - a) * t;
}
float wrapAngle(float a) // to [-pi, pi)
{
    a = std::fmod(a + pi, twoPi);
    return (a < 0.0f ? a + twoPi : a) - pi;
}

struct Color
{
    float r, g, b;
};

Color operator*(Color c, float s)
{
    return {c.r * s, c.g * s, c.b * s};
}
Color operator+(Color a, Color b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
Color mix(Color a, Color b, float t)
{
    return {lerp(a.r, b.r, t), lerp(a.g, b.g, t), lerp(a.b, b.b, t)};
}

// A colour as a function of latitude (degrees, ascending), eased between the stops: cloud bands.
struct Stop
{
    float lat;
    Color color;
};
Color bandColor(const std::vector<Stop>& stops, float latDeg)
{
    if (latDeg <= stops.front().lat)
        return stops.front().color;
    for (std::size_t i = 1; i < stops.size(); ++i)
        if (latDeg <= stops[i].lat)
        {
            const float t = (latDeg - stops[i - 1].lat) / (stops[i].lat - stops[i - 1].lat);
            return mix(stops[i - 1].color, stops[i].color, smoothstep(0.0f, 1.0f, t));
        }
    return stops.back().color;
}

// ---------------------------------------------------------------------------------------------------------
// Randomness: our own generator, so the files are the same on every standard library.

class Rng
{
  public:
    explicit Rng(std::uint64_t seed) : state_(seed)
    {
    }
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    float uniform() // [0, 1)
    {
        return static_cast<float>(next() >> 40) * (1.0f / 16777216.0f);
    }
    float uniform(float lo, float hi)
    {
        return lo + (hi - lo) * uniform();
    }
    Vec3 onSphere()
    {
        const float z = uniform(-1.0f, 1.0f);
        const float a = uniform(0.0f, twoPi);
        const float r = std::sqrt(std::max(0.0f, 1.0f - z * z));
        return {r * std::cos(a), r * std::sin(a), z};
    }

  private:
    std::uint64_t state_;
};

std::uint32_t hash32(std::uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

// ---------------------------------------------------------------------------------------------------------
// Noise

float noise(Vec3 p, int seed)
{
    return stb_perlin_noise3_seed(p.x, p.y, p.z, 0, 0, 0, seed);
}

// Fractal sum, normalised so that its spread stays about the same whatever the octave count
// (roughly -1..1, most values within +-0.5). Each octave has its own permutation and a shift, so the
// octaves do not line up at the lattice origin.
float fbm(Vec3 p, int octaves, int seed, float gain = 0.5f)
{
    float sum = 0.0f;
    float amplitude = 1.0f;
    float norm = 0.0f;
    for (int i = 0; i < octaves; ++i)
    {
        const float shift = 17.3f * static_cast<float>(i + 1);
        sum += amplitude * noise(p + Vec3{shift, -shift * 0.7f, shift * 0.4f}, (seed + i * 31) & 255);
        norm += amplitude;
        amplitude *= gain;
        p = p * 2.03f;
    }
    return 1.6f * sum / norm;
}

Vec3 fbmVector(Vec3 p, int octaves, int seed)
{
    return {fbm(p, octaves, seed), fbm(p + Vec3{5.2f, 1.3f, 7.1f}, octaves, seed + 1),
            fbm(p + Vec3{2.9f, 8.4f, 3.7f}, octaves, seed + 2)};
}

// Cellular noise: distance to the nearest and second-nearest of one random point per unit cell.
// F2 - F1 is zero on the borders between cells, which makes the dark lanes between solar granules and
// between the cells of a convecting ice plain.
void worley(Vec3 p, std::uint32_t seed, float& f1, float& f2)
{
    const int ix = static_cast<int>(std::floor(p.x));
    const int iy = static_cast<int>(std::floor(p.y));
    const int iz = static_cast<int>(std::floor(p.z));
    float d1 = 1e9f, d2 = 1e9f;
    for (int dz = -1; dz <= 1; ++dz)
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
            {
                const int cx = ix + dx, cy = iy + dy, cz = iz + dz;
                std::uint32_t h = hash32(static_cast<std::uint32_t>(cx) * 73856093u ^
                                         static_cast<std::uint32_t>(cy) * 19349663u ^
                                         static_cast<std::uint32_t>(cz) * 83492791u ^ seed);
                const float fx = static_cast<float>(h & 1023u) / 1024.0f;
                h = hash32(h);
                const float fy = static_cast<float>(h & 1023u) / 1024.0f;
                h = hash32(h);
                const float fz = static_cast<float>(h & 1023u) / 1024.0f;
                const Vec3 d = Vec3{static_cast<float>(cx) + fx, static_cast<float>(cy) + fy,
                                    static_cast<float>(cz) + fz} -
                               p;
                const float dd = dot(d, d);
                if (dd < d1)
                {
                    d2 = d1;
                    d1 = dd;
                }
                else if (dd < d2)
                    d2 = dd;
            }
    f1 = std::sqrt(d1);
    f2 = std::sqrt(d2);
}

// ---------------------------------------------------------------------------------------------------------
// Equirectangular images, bottom row (south pole) first as in the file

struct Texel
{
    float lon; // radians, 0 at the left edge
    float lat; // radians, -pi/2 at the bottom
    Vec3 dir;
};

struct Image
{
    int width;
    int height;
    std::vector<Color> pixels;

    Image(int w, int h)
        : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h))
    {
    }
    Color& at(int x, int y)
    {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
    float lonOf(int x) const
    {
        return (static_cast<float>(x) + 0.5f) * twoPi / static_cast<float>(width);
    }
    float latOf(int y) const
    {
        return (static_cast<float>(y) + 0.5f) * pi / static_cast<float>(height) - 0.5f * pi;
    }
};

// Runs f on every row, split over the cores. Each row only writes its own texels, so the result does not
// depend on the number of threads.
void parallelRows(int height, const std::function<void(int)>& f)
{
    const unsigned cores = std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < cores; ++t)
        threads.emplace_back([&, t] {
            for (int y = static_cast<int>(t); y < height; y += static_cast<int>(cores))
                f(y);
        });
    for (std::thread& th : threads)
        th.join();
}

template <class F> void paint(Image& image, F shade)
{
    parallelRows(image.height, [&](int y) {
        const float lat = image.latOf(y);
        for (int x = 0; x < image.width; ++x)
        {
            const float lon = image.lonOf(x);
            image.at(x, y) = shade(Texel{lon, lat, direction(lon, lat)}, x, y);
        }
    });
}

// A scalar field over the image, e.g. heights.
struct Field
{
    int width;
    int height;
    std::vector<float> v;

    Field(int w, int h)
        : width(w), height(h), v(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0.0f)
    {
    }
    float& at(int x, int y)
    {
        return v[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
    float get(int x, int y) const
    {
        x = (x % width + width) % width;
        y = std::min(height - 1, std::max(0, y));
        return v[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

// Calls f(x, y, dir) for every texel within `reach` radians of the unit vector c, over the longitude
// wrap and, near a pole, around it.
template <class F> void forCap(int width, int height, Vec3 c, float reach, F f)
{
    const float latC = std::asin(std::max(-1.0f, std::min(1.0f, c.z)));
    const float lonC = std::atan2(c.y, c.x);
    const float texel = pi / static_cast<float>(height);
    const int y0 = std::max(0, static_cast<int>(std::floor((latC - reach + 0.5f * pi) / texel)) - 1);
    const int y1 = std::min(height - 1, static_cast<int>(std::ceil((latC + reach + 0.5f * pi) / texel)) + 1);
    for (int y = y0; y <= y1; ++y)
    {
        const float lat = (static_cast<float>(y) + 0.5f) * texel - 0.5f * pi;
        const float cosLat = std::cos(lat);
        const float worst = std::cos(std::min(0.5f * pi, std::fabs(latC) + reach));
        int x0 = 0, x1 = width - 1;
        if (worst > 0.02f && reach / worst < pi)
        {
            const float dLon = reach / std::min(cosLat, worst) + texel;
            const float xc = lonC / (twoPi / static_cast<float>(width));
            const int half = static_cast<int>(std::ceil(dLon / (twoPi / static_cast<float>(width)))) + 1;
            if (2 * half + 1 < width)
            {
                x0 = static_cast<int>(std::floor(xc)) - half;
                x1 = static_cast<int>(std::floor(xc)) + half;
            }
        }
        for (int xi = x0; xi <= x1; ++xi)
        {
            const int x = (xi % width + width) % width;
            const float lon = (static_cast<float>(x) + 0.5f) * twoPi / static_cast<float>(width);
            f(x, y, direction(lon, lat));
        }
    }
}

// ---------------------------------------------------------------------------------------------------------
// Craters

struct Crater
{
    Vec3 center;
    float radius; // radians
    float depth;  // radians of height at the centre, relative to the rim
    float fresh;  // 0 old and soft .. 1 young, bright, with rays
};

// Size-frequency like real surfaces: many small, few large (cumulative number ~ 1/r^2).
std::vector<Crater> scatterCraters(Rng& rng, int count, float minRadius, float maxRadius)
{
    std::vector<Crater> craters;
    for (int i = 0; i < count; ++i)
    {
        const float u = rng.uniform();
        const float inv2 = 1.0f / (minRadius * minRadius) +
                           u * (1.0f / (maxRadius * maxRadius) - 1.0f / (minRadius * minRadius));
        const float r = 1.0f / std::sqrt(inv2);
        const float fresh = std::pow(rng.uniform(), 3.0f);
        craters.push_back({rng.onSphere(), r, r * rng.uniform(0.12f, 0.22f) * (0.5f + 0.5f * fresh), fresh});
    }
    return craters;
}

// Height across a crater at x = distance / radius: a bowl (flat-floored with a central peak when large),
// a raised rim and an ejecta apron fading out by twice the radius.
float craterProfile(float x, bool large)
{
    if (x < 1.0f)
    {
        float h = -1.0f + 1.25f * x * x;
        if (large)
            h = std::max(h, -0.65f) + 0.45f * std::exp(-(x * x) / 0.02f);
        return h;
    }
    const float t = (x - 1.0f) / 0.45f;
    return 0.25f * std::exp(-t * t);
}

void splatCraters(Field& heights, const std::vector<Crater>& craters)
{
    for (const Crater& c : craters)
    {
        const bool large = c.radius > 0.045f;
        forCap(heights.width, heights.height, c.center, 2.2f * c.radius, [&](int x, int y, Vec3 d) {
            const float t = angleBetween(d, c.center) / c.radius;
            if (t < 2.2f)
                heights.at(x, y) += c.depth * craterProfile(t, large);
        });
    }
}

// Bright ejecta and rays of the freshest craters, as an albedo boost.
void splatRays(Field& albedo, std::vector<Crater> craters, int count, int seed)
{
    // The youngest craters of some size; a surface with rays everywhere looks like a snowfield.
    std::sort(craters.begin(), craters.end(), [](const Crater& a, const Crater& b) {
        return a.fresh * std::min(a.radius, 0.05f) > b.fresh * std::min(b.radius, 0.05f);
    });
    craters.resize(std::min(craters.size(), static_cast<std::size_t>(count)));
    for (Crater& c : craters)
    {
        c.fresh = 1.0f;
        const Vec3 t1 =
            normalized(cross(c.center, std::fabs(c.center.z) < 0.9f ? Vec3{0, 0, 1} : Vec3{1, 0, 0}));
        const Vec3 t2 = cross(c.center, t1);
        const float reach = std::min(0.9f, 7.0f * c.radius);
        forCap(albedo.width, albedo.height, c.center, reach, [&](int x, int y, Vec3 d) {
            const float dist = angleBetween(d, c.center);
            const float t = dist / c.radius;
            if (dist > reach)
                return;
            const float a = std::atan2(dot(d, t2), dot(d, t1));
            const float rays = std::pow(
                clamp01(0.5f + noise(Vec3{std::cos(a) * 9.0f, std::sin(a) * 9.0f, 0.5f * t}, seed)), 4.0f);
            const float halo = std::exp(-std::max(0.0f, t - 1.0f) * 1.3f) * 0.5f;
            const float fade = 1.0f - smoothstep(0.3f * reach, reach, dist);
            albedo.at(x, y) += c.fresh * fade * (halo + 1.1f * rays) * (t < 0.9f ? 0.6f : 1.0f);
        });
    }
}

// Light from the upper left of the map on the heights: baked relief, so that craters read as craters.
Field relief(const Field& heights, float strength)
{
    Field shade(heights.width, heights.height);
    const float texel = pi / static_cast<float>(heights.height);
    const Vec3 light = normalized(Vec3{-1.0f, 1.0f, 0.0f});
    parallelRows(heights.height, [&](int y) {
        const float lat = (static_cast<float>(y) + 0.5f) * texel - 0.5f * pi;
        const float cosLat = std::max(0.05f, std::cos(lat));
        for (int x = 0; x < heights.width; ++x)
        {
            const float dx = (heights.get(x + 1, y) - heights.get(x - 1, y)) / (2.0f * texel * cosLat);
            const float dy = (heights.get(x, y + 1) - heights.get(x, y - 1)) / (2.0f * texel);
            const float s = strength * (dx * light.x + dy * light.y);
            shade.at(x, y) = std::max(-0.85f, std::min(0.85f, s));
        }
    });
    return shade;
}

Color applyRelief(Color c, float shade)
{
    return shade >= 0.0f ? mix(c, c * 1.6f, shade) : c * (1.0f + shade);
}

// ---------------------------------------------------------------------------------------------------------
// The bodies

constexpr int bodyWidth = 1024;
constexpr int bodyHeight = 512;

Image sun()
{
    Image img(bodyWidth, bodyHeight);
    struct Spot
    {
        Vec3 c;
        float r;
    };
    // Spots come in groups in the two activity belts, never near the poles or right on the equator.
    std::vector<Spot> spots;
    Rng rng(11);
    for (int g = 0; g < 9; ++g)
    {
        const float lat = (rng.uniform() < 0.5f ? -1.0f : 1.0f) * rng.uniform(0.12f, 0.52f);
        const float lon = rng.uniform(0.0f, twoPi);
        const int n = 1 + static_cast<int>(rng.uniform() * 4.0f);
        for (int i = 0; i < n; ++i)
        {
            const float r = (i == 0 ? rng.uniform(0.025f, 0.05f) : rng.uniform(0.008f, 0.022f));
            spots.push_back({direction(lon + rng.uniform(-0.12f, 0.12f) * static_cast<float>(i),
                                       lat + rng.uniform(-0.04f, 0.04f)),
                             r});
        }
    }
    paint(img, [&](const Texel& t, int, int) {
        float f1, f2;
        worley(t.dir * 55.0f + fbmVector(t.dir * 6.0f, 3, 3) * 0.9f, 5u, f1, f2);
        const float granule = smoothstep(0.0f, 0.35f, f2 - f1);
        const float large = fbm(t.dir * 7.0f, 4, 9);
        float heat = 0.55f + 0.3f * granule + 0.35f * large;

        // Faculae: brighter ground around the spots; umbra and penumbra in the spots themselves.
        float spot = 0.0f, facula = 0.0f;
        const float wobble = 0.12f * noise(t.dir * 90.0f, 21);
        for (const Spot& s : spots)
        {
            const float x = angleBetween(t.dir, s.c) / s.r;
            facula = std::max(facula, std::exp(-x * x / 12.0f));
            spot = std::max(spot, 1.0f - smoothstep(0.55f, 1.05f, x + wobble));
            if (x < 0.5f + wobble)
                spot = std::max(spot, 2.0f - smoothstep(0.3f, 0.5f, x + wobble));
        }
        heat += 0.18f * facula * (1.0f - std::min(1.0f, spot));

        const Color deep{0.78f, 0.25f, 0.02f}, orange{1.0f, 0.55f, 0.08f}, yellow{1.0f, 0.82f, 0.32f},
            white{1.0f, 0.97f, 0.82f};
        Color c = heat < 0.5f   ? mix(deep, orange, smoothstep(0.2f, 0.5f, heat))
                  : heat < 0.8f ? mix(orange, yellow, (heat - 0.5f) / 0.3f)
                                : mix(yellow, white, smoothstep(0.8f, 1.1f, heat));
        const Color penumbra{0.55f, 0.24f, 0.05f}, umbra{0.22f, 0.07f, 0.02f};
        if (spot > 0.0f)
        {
            // Radial filaments in the penumbra.
            const float fil = 0.85f + 0.15f * noise(t.dir * 260.0f, 33);
            c = spot <= 1.0f ? mix(c, penumbra * fil, spot) : mix(penumbra * fil, umbra, spot - 1.0f);
        }
        return c;
    });
    return img;
}

Image rocky(std::uint64_t seed, int craterCount, float maxCrater, float reliefStrength, int rayCount,
            const std::function<Color(const Texel&, float albedoBoost)>& ground,
            const std::function<void(Field&)>& extraHeights = {})
{
    Rng rng(seed);
    Field heights(bodyWidth, bodyHeight);
    const std::vector<Crater> craters = scatterCraters(rng, craterCount, 0.006f, maxCrater);
    splatCraters(heights, craters);
    if (extraHeights)
        extraHeights(heights);
    Field rays(bodyWidth, bodyHeight);
    splatRays(rays, craters, rayCount, static_cast<int>(seed & 255));
    const Field shade = relief(heights, reliefStrength);

    Image img(bodyWidth, bodyHeight);
    paint(img, [&](const Texel& t, int x, int y) {
        // A little small-scale roughness keeps flat ground from looking painted.
        const float grain = 1.0f + 0.06f * noise(t.dir * 120.0f, 77);
        const Color c = ground(t, std::min(1.0f, rays.get(x, y))) * grain;
        return applyRelief(c, shade.get(x, y));
    });
    return img;
}

Image mercury()
{
    return rocky(101, 5200, 0.2f, 1.4f, 7, [](const Texel& t, float rays) {
        const float a = fbm(t.dir * 3.0f, 5, 40);
        const float b = fbm(t.dir * 12.0f, 3, 41);
        Color c = mix(Color{0.42f, 0.40f, 0.38f}, Color{0.62f, 0.58f, 0.53f}, clamp01(0.5f + a + 0.3f * b));
        // Smooth volcanic plains, slightly darker and bluer.
        c = mix(c, Color{0.36f, 0.36f, 0.37f}, 0.5f * smoothstep(0.25f, 0.4f, fbm(t.dir * 1.5f, 4, 42)));
        return mix(c, Color{0.85f, 0.84f, 0.82f}, 0.55f * rays);
    });
}

Image venus()
{
    Image img(bodyWidth, bodyHeight);
    paint(img, [](const Texel& t, int, int) {
        // Cloud tops streak along the fast zonal wind: noise stretched in longitude, then swirled.
        const Vec3 p = scale(t.dir, Vec3{2.2f, 2.2f, 6.0f});
        const Vec3 warp = fbmVector(p * 0.8f, 4, 50) * 0.9f;
        const float v = fbm(p + warp, 6, 53);
        const float fine = fbm(scale(t.dir, Vec3{6.0f, 6.0f, 28.0f}) + warp, 4, 57);
        const float polar = smoothstep(0.9f, 1.3f, std::fabs(t.lat));
        Color c = mix(Color{0.72f, 0.55f, 0.32f}, Color{0.96f, 0.88f, 0.66f},
                      clamp01(0.55f + 0.9f * v + 0.25f * fine));
        return mix(c, Color{0.90f, 0.85f, 0.74f}, 0.6f * polar);
    });
    return img;
}

Image earth()
{
    // Elevation first, so that the sea level can be set to give about 30 % land.
    Field elevation(bodyWidth, bodyHeight);
    parallelRows(bodyHeight, [&](int y) {
        const float lat = (static_cast<float>(y) + 0.5f) * pi / bodyHeight - 0.5f * pi;
        for (int x = 0; x < bodyWidth; ++x)
        {
            const Vec3 d = direction((static_cast<float>(x) + 0.5f) * twoPi / bodyWidth, lat);
            const Vec3 warp = fbmVector(d * 1.1f, 3, 60) * 0.4f;
            elevation.at(x, y) = fbm(d * 1.2f + warp, 8, 64, 0.5f) + 0.35f * fbm(d * 0.6f, 2, 70);
        }
    });
    // Sea level and the highest peaks as percentiles by area: texels near the poles cover less ground.
    std::vector<std::pair<float, float>> byHeight; // elevation, area
    for (int y = 0; y < bodyHeight; ++y)
    {
        const float area = std::cos((static_cast<float>(y) + 0.5f) * pi / bodyHeight - 0.5f * pi);
        for (int x = 0; x < bodyWidth; ++x)
            byHeight.emplace_back(elevation.at(x, y), area);
    }
    std::sort(byHeight.begin(), byHeight.end());
    float total = 0.0f;
    for (const auto& e : byHeight)
        total += e.second;
    float sea = 0.0f, top = 0.0f, sum = 0.0f;
    for (const auto& e : byHeight)
    {
        sum += e.second;
        if (sum <= 0.70f * total)
            sea = e.first;
        if (sum <= 0.998f * total)
            top = e.first;
    }
    Field landHeights(bodyWidth, bodyHeight);
    for (std::size_t i = 0; i < elevation.v.size(); ++i)
        landHeights.v[i] = std::max(0.0f, elevation.v[i] - sea) * 0.05f;
    const Field shade = relief(landHeights, 1.2f);

    Image img(bodyWidth, bodyHeight);
    paint(img, [&](const Texel& t, int x, int y) {
        const float e = elevation.get(x, y) - sea;
        const float latDeg = std::fabs(t.lat) * 180.0f / pi;
        Color c;
        if (e < 0.0f)
        {
            const float depth = smoothstep(0.0f, 0.35f, -e);
            c = mix(Color{0.10f, 0.36f, 0.52f}, Color{0.02f, 0.08f, 0.26f}, depth);
            c = mix(c, Color{0.01f, 0.05f, 0.18f}, 0.3f * smoothstep(0.0f, 60.0f, latDeg));
        }
        else
        {
            const float h = e / (top - sea);
            const float moisture = fbm(t.dir * 2.5f, 5, 80) + 0.25f;
            // Deserts in the dry belts around 25 degrees, forest near the equator and in the mid latitudes.
            const float dryBelt = std::exp(-std::pow((latDeg - 24.0f) / 11.0f, 2.0f));
            const float dry = clamp01(dryBelt * 1.4f - moisture * 1.5f + 0.1f);
            Color land = mix(Color{0.13f, 0.30f, 0.09f}, Color{0.30f, 0.38f, 0.16f},
                             smoothstep(-0.2f, 0.3f, -moisture));
            land = mix(land, Color{0.78f, 0.64f, 0.42f}, smoothstep(0.3f, 0.7f, dry));
            land = mix(land, Color{0.40f, 0.40f, 0.30f}, smoothstep(50.0f, 65.0f, latDeg)); // tundra
            land = mix(land, Color{0.45f, 0.38f, 0.30f}, smoothstep(0.35f, 0.7f, h));       // mountains
            const float snowLine = 0.75f - 0.5f * smoothstep(35.0f, 65.0f, latDeg);
            land = mix(land, Color{0.92f, 0.93f, 0.95f}, smoothstep(snowLine, snowLine + 0.1f, h));
            c = applyRelief(land, shade.get(x, y));
        }
        // Ice caps with a ragged edge, over land and sea alike.
        const float iceEdge = 70.0f + 6.0f * fbm(t.dir * 4.0f, 4, 90);
        c = mix(c, Color{0.93f, 0.95f, 0.98f}, smoothstep(iceEdge - 1.5f, iceEdge + 1.5f, latDeg));

        // Clouds: swirled fbm, thicker along the equatorial convergence and the storm tracks.
        const Vec3 swirl = fbmVector(scale(t.dir, Vec3{2.0f, 2.0f, 3.5f}), 3, 100) * 0.7f;
        const float cl = fbm(scale(t.dir, Vec3{2.5f, 2.5f, 5.0f}) + swirl, 4, 104);
        const float wisps = fbm(scale(t.dir, Vec3{10.0f, 10.0f, 22.0f}) + swirl * 2.0f, 4, 108);
        const float bands = 0.12f * std::exp(-latDeg * latDeg / 60.0f) +
                            0.15f * std::exp(-std::pow((latDeg - 55.0f) / 12.0f, 2.0f)) -
                            0.12f * std::exp(-std::pow((latDeg - 25.0f) / 8.0f, 2.0f));
        const float cover = smoothstep(0.0f, 0.5f, cl + bands + 0.35f * wisps);
        return mix(c, Color{0.96f, 0.97f, 0.98f}, 0.88f * cover * cover);
    });
    return img;
}

Image mars()
{
    return rocky(
        401, 1800, 0.16f, 1.0f, 0,
        [](const Texel& t, float rays) {
            const Vec3 warp = fbmVector(t.dir * 1.5f, 3, 110) * 0.4f;
            const float albedo = fbm(t.dir * 2.2f + warp, 6, 113);
            const float dust = fbm(t.dir * 6.0f, 4, 117);
            Color c = mix(Color{0.74f, 0.40f, 0.20f}, Color{0.86f, 0.56f, 0.33f}, clamp01(0.5f + dust));
            c = mix(c, Color{0.48f, 0.27f, 0.16f}, 0.85f * smoothstep(-0.05f, 0.45f, albedo));
            c = mix(c, Color{0.92f, 0.66f, 0.44f}, 0.5f * smoothstep(0.1f, 0.4f, -albedo));
            c = mix(c, Color{0.9f, 0.7f, 0.55f}, 0.3f * rays);
            // The caps: the northern one larger; layered terrain gives them a spiralling edge.
            const float latDeg = t.lat * 180.0f / pi;
            const float edge = 6.0f * fbm(t.dir * 5.0f, 4, 119);
            const float north =
                smoothstep(78.0f, 80.0f, latDeg + edge + 2.0f * std::sin(3.0f * t.lon + 8.0f * t.lat));
            const float south = smoothstep(82.0f, 84.0f, -latDeg + edge);
            return mix(c, Color{0.95f, 0.93f, 0.90f}, std::max(north, south));
        },
        [](Field& h) {
            // A long equatorial canyon system and a great impact basin.
            for (int y = 0; y < h.height; ++y)
                for (int x = 0; x < h.width; ++x)
                {
                    const float lon = (static_cast<float>(x) + 0.5f) * twoPi / static_cast<float>(h.width);
                    const float lat =
                        (static_cast<float>(y) + 0.5f) * pi / static_cast<float>(h.height) - 0.5f * pi;
                    const float along = smoothstep(3.6f, 3.9f, lon) * (1.0f - smoothstep(4.9f, 5.3f, lon));
                    const float centre = -0.14f + 0.05f * std::sin(lon * 3.0f) +
                                         0.02f * noise(direction(lon, lat) * 6.0f, 121);
                    const float across = (lat - centre) / 0.025f;
                    h.at(x, y) -= 0.012f * along * std::exp(-across * across);
                }
            std::vector<Crater> basin = {{direction(1.2f, -0.74f), 0.28f, 0.035f, 0.0f}};
            splatCraters(h, basin);
        });
}

Image bandedGiant(const std::vector<Stop>& stops, float turbulence, float streaks, int seed,
                  const std::function<Color(const Texel&, Color)>& features = {})
{
    Image img(bodyWidth, bodyHeight);
    paint(img, [&](const Texel& t, int, int) {
        // Bands are latitude; turbulence pushes them up and down along stretched noise, and a swirl
        // field folds their edges.
        const Vec3 p = scale(t.dir, Vec3{3.0f, 3.0f, 10.0f});
        const Vec3 swirl = fbmVector(p * 0.7f, 3, seed) * 0.6f;
        const float shiftDeg = turbulence * (fbm(p + swirl, 5, seed + 5) +
                                             0.4f * fbm(scale(t.dir, Vec3{9.0f, 9.0f, 40.0f}), 3, seed + 9));
        const float latDeg = t.lat * 180.0f / pi + shiftDeg;
        Color c = bandColor(stops, latDeg);
        const float fine = fbm(scale(t.dir, Vec3{5.0f, 5.0f, 60.0f}) + swirl * 0.5f, 4, seed + 13);
        c = c * (1.0f + streaks * fine);
        return features ? features(t, c) : c;
    });
    return img;
}

// An oval storm: `inside` eases into `ring` at its rim; returns how much of it covers the texel.
float oval(const Texel& t, float lon0, float lat0, float a, float b, float& radial)
{
    const float du = wrapAngle(t.lon - lon0) * std::cos(lat0) / a;
    const float dv = (t.lat - lat0) / b;
    radial = std::sqrt(du * du + dv * dv);
    return 1.0f - smoothstep(0.85f, 1.1f, radial);
}

Image jupiter()
{
    const std::vector<Stop> stops = {
        {-90, {0.50f, 0.46f, 0.42f}}, {-62, {0.60f, 0.54f, 0.47f}}, {-50, {0.75f, 0.66f, 0.55f}},
        {-42, {0.64f, 0.52f, 0.40f}}, {-35, {0.86f, 0.78f, 0.64f}}, {-29, {0.66f, 0.50f, 0.36f}},
        {-24, {0.90f, 0.84f, 0.72f}}, {-18, {0.82f, 0.70f, 0.55f}}, {-13, {0.62f, 0.40f, 0.26f}},
        {-7, {0.80f, 0.62f, 0.46f}},  {0, {0.94f, 0.89f, 0.79f}},   {6, {0.86f, 0.74f, 0.58f}},
        {11, {0.58f, 0.36f, 0.23f}},  {17, {0.66f, 0.46f, 0.31f}},  {22, {0.91f, 0.86f, 0.75f}},
        {28, {0.70f, 0.55f, 0.40f}},  {34, {0.86f, 0.79f, 0.66f}},  {41, {0.68f, 0.56f, 0.44f}},
        {50, {0.78f, 0.70f, 0.58f}},  {62, {0.60f, 0.55f, 0.49f}},  {90, {0.48f, 0.45f, 0.42f}},
    };
    return bandedGiant(stops, 6.0f, 0.18f, 130, [](const Texel& t, Color c) {
        // The great red oval in the southern tropical zone, swirling, with a pale collar.
        float r;
        const float spot = oval(t, 2.2f, -22.0f * pi / 180.0f, 0.24f, 0.10f, r);
        if (r < 1.6f)
        {
            const float collar = (1.0f - smoothstep(1.0f, 1.5f, r)) * smoothstep(0.8f, 1.05f, r);
            c = mix(c, Color{0.95f, 0.90f, 0.80f}, 0.5f * collar);
            const float a =
                std::atan2(t.lat + 22.0f * pi / 180.0f, wrapAngle(t.lon - 2.2f)) + 2.5f * (1.0f - r);
            const float swirl = noise(Vec3{r * std::cos(a) * 4.0f, r * std::sin(a) * 4.0f, 1.7f}, 141);
            const Color core = mix(Color{0.74f, 0.33f, 0.20f}, Color{0.86f, 0.52f, 0.36f},
                                   clamp01(0.5f + 1.5f * swirl + 0.3f * r));
            c = mix(c, core, spot);
        }
        // A string of small white ovals further south.
        for (int i = 0; i < 5; ++i)
        {
            float ri;
            const float w =
                oval(t, 0.4f + 1.25f * static_cast<float>(i), -34.0f * pi / 180.0f, 0.045f, 0.03f, ri);
            if (w > 0.0f)
                c = mix(c, Color{0.96f, 0.94f, 0.90f}, w * (0.7f + 0.3f * (1.0f - ri)));
        }
        return c;
    });
}

Image saturn()
{
    const std::vector<Stop> stops = {
        {-90, {0.56f, 0.55f, 0.52f}}, {-72, {0.64f, 0.60f, 0.50f}}, {-58, {0.74f, 0.66f, 0.50f}},
        {-45, {0.82f, 0.74f, 0.55f}}, {-36, {0.75f, 0.65f, 0.46f}}, {-26, {0.87f, 0.79f, 0.59f}},
        {-16, {0.80f, 0.70f, 0.50f}}, {-6, {0.92f, 0.86f, 0.67f}},  {6, {0.93f, 0.87f, 0.69f}},
        {16, {0.81f, 0.71f, 0.52f}},  {26, {0.89f, 0.81f, 0.61f}},  {36, {0.77f, 0.67f, 0.48f}},
        {46, {0.84f, 0.76f, 0.56f}},  {60, {0.73f, 0.67f, 0.53f}},  {75, {0.60f, 0.61f, 0.60f}},
        {90, {0.50f, 0.56f, 0.62f}},
    };
    return bandedGiant(stops, 1.0f, 0.06f, 150);
}

Image uranus()
{
    const std::vector<Stop> stops = {
        {-90, {0.72f, 0.90f, 0.92f}}, {-55, {0.66f, 0.86f, 0.90f}}, {-30, {0.60f, 0.82f, 0.88f}},
        {-12, {0.63f, 0.84f, 0.89f}}, {0, {0.58f, 0.80f, 0.87f}},   {15, {0.62f, 0.83f, 0.89f}},
        {35, {0.58f, 0.80f, 0.87f}},  {60, {0.65f, 0.85f, 0.90f}},  {90, {0.70f, 0.88f, 0.92f}},
    };
    return bandedGiant(stops, 1.5f, 0.03f, 170);
}

Image neptune()
{
    const std::vector<Stop> stops = {
        {-90, {0.26f, 0.42f, 0.80f}}, {-68, {0.18f, 0.32f, 0.74f}}, {-55, {0.24f, 0.42f, 0.86f}},
        {-35, {0.20f, 0.38f, 0.84f}}, {-15, {0.25f, 0.45f, 0.90f}}, {0, {0.22f, 0.40f, 0.86f}},
        {20, {0.26f, 0.46f, 0.90f}},  {45, {0.20f, 0.36f, 0.80f}},  {70, {0.24f, 0.40f, 0.82f}},
        {90, {0.28f, 0.44f, 0.82f}},
    };
    return bandedGiant(stops, 2.0f, 0.10f, 190, [](const Texel& t, Color c) {
        float r;
        const float dark = oval(t, 4.0f, -22.0f * pi / 180.0f, 0.22f, 0.09f, r);
        c = mix(c, Color{0.10f, 0.17f, 0.48f}, 0.85f * dark);
        // Bright high cirrus: thin streaks along the wind, mostly at mid latitudes and beside the spot.
        const float latDeg = std::fabs(t.lat * 180.0f / pi);
        const float belt = std::exp(-std::pow((latDeg - 30.0f) / 12.0f, 2.0f));
        const float s = fbm(scale(t.dir, Vec3{4.0f, 4.0f, 45.0f}), 5, 200);
        float companion;
        oval(t, 4.0f, -30.0f * pi / 180.0f, 0.12f, 0.025f, companion);
        const float cirrus =
            smoothstep(0.45f, 0.7f, s + 0.2f * belt) * belt + (1.0f - smoothstep(0.6f, 1.0f, companion));
        return mix(c, Color{0.90f, 0.94f, 1.0f}, clamp01(cirrus) * 0.85f);
    });
}

Image pluto()
{
    return rocky(901, 700, 0.1f, 0.9f, 2, [](const Texel& t, float rays) {
        // Nitrogen-ice plains, dark reddish tholin along the equator, a bright smooth basin with
        // convection cells, a brownish north polar cap.
        const float a = fbm(t.dir * 2.0f, 6, 210);
        const float equator = std::exp(-std::pow(t.lat / 0.4f, 2.0f));
        Color c = mix(Color{0.80f, 0.72f, 0.60f}, Color{0.92f, 0.87f, 0.78f}, clamp01(0.5f + 1.2f * a));
        const Color tholin =
            mix(Color{0.30f, 0.16f, 0.10f}, Color{0.52f, 0.32f, 0.20f}, clamp01(0.5f + 2.0f * a));
        c = mix(c, tholin, smoothstep(0.0f, 0.35f, equator * (0.75f + a) - 0.3f));
        const float northCap = smoothstep(55.0f, 70.0f, t.lat * 180.0f / pi + 8.0f * a);
        c = mix(c, Color{0.62f, 0.52f, 0.42f}, 0.6f * northCap);
        float r1, r2;
        oval(t, 3.2f, 0.32f, 0.36f, 0.36f, r1);
        oval(t, 3.75f, 0.18f, 0.34f, 0.30f, r2);
        const float ragged = std::min(r1, r2) + 0.25f * fbm(t.dir * 6.0f, 4, 214);
        const float plain = 1.0f - smoothstep(0.9f, 1.0f, ragged);
        if (plain > 0.0f)
        {
            float f1, f2;
            worley(t.dir * 30.0f, 7u, f1, f2);
            const float lanes = 1.0f - 0.08f * (1.0f - smoothstep(0.0f, 0.12f, f2 - f1));
            c = mix(c, Color{0.97f, 0.94f, 0.90f} * lanes, plain);
        }
        return mix(c, Color{0.95f, 0.92f, 0.88f}, 0.4f * rays);
    });
}

Image moon()
{
    Rng rng(1100);
    std::vector<Crater> basins;
    for (int i = 0; i < 14; ++i)
    {
        // Near side (around longitude 0) much more often than far side.
        const float lon = i < 11 ? rng.uniform(-1.3f, 1.3f) : rng.uniform(1.5f, 4.8f);
        basins.push_back({direction(lon, rng.uniform(-0.8f, 0.8f)), rng.uniform(0.2f, 0.5f), 0.0f, 0.0f});
    }
    return rocky(1101, 4200, 0.18f, 1.5f, 6, [basins](const Texel& t, float rays) {
        // Maria: dark basalt plains, mostly on the side that faces the planet.
        float m = 0.0f;
        for (const Crater& b : basins)
        {
            const float x = angleBetween(t.dir, b.center) / b.radius + 0.35f * fbm(t.dir * 5.0f, 4, 220);
            m = std::max(m, 1.0f - smoothstep(0.85f, 1.0f, x));
        }
        const float mare = m * (0.85f + 0.15f * noise(t.dir * 20.0f, 221));
        const float tone = fbm(t.dir * 9.0f, 4, 223);
        const Color highland =
            mix(Color{0.56f, 0.55f, 0.53f}, Color{0.74f, 0.73f, 0.71f}, clamp01(0.5f + tone));
        const Color basalt =
            mix(Color{0.27f, 0.27f, 0.28f}, Color{0.36f, 0.36f, 0.36f}, clamp01(0.5f + tone));
        return mix(mix(highland, basalt, mare), Color{0.9f, 0.9f, 0.88f}, 0.6f * rays);
    });
}

// ---------------------------------------------------------------------------------------------------------
// The sky

Image skybox()
{
    constexpr int width = 4096, height = 2048;
    // The galaxy's plane, tilted against the scene, and the direction of its bright centre in that plane.
    const Vec3 pole = normalized(Vec3{0.35f, -0.45f, 0.82f});
    const Vec3 centre = normalized(cross(pole, Vec3{0.0f, 0.0f, 1.0f}));

    Image img(width, height);
    paint(img, [&](const Texel& t, int, int) {
        const float b = dot(t.dir, pole); // sine of the galactic latitude
        Color c{0.004f, 0.005f, 0.010f};
        const float band = std::exp(-b * b / 0.018f);
        if (band < 0.002f)
            return c;
        const float toCentre = angleBetween(t.dir, centre);
        const float bulge = 0.45f + 1.1f * std::exp(-toCentre * toCentre / 0.35f);
        const Vec3 warp = fbmVector(t.dir * 3.0f, 3, 230) * 0.3f;
        const float clouds = clamp01(0.55f + fbm(t.dir * 5.0f + warp, 6, 233));
        // Dark dust lanes hug the middle of the band.
        const float dust =
            smoothstep(0.05f, 0.35f, fbm(t.dir * 7.0f + warp, 5, 237)) * std::exp(-b * b / 0.004f);
        const float light = band * bulge * clouds * (1.0f - 0.8f * dust);
        const Color glow = mix(Color{0.55f, 0.60f, 0.75f}, Color{0.85f, 0.72f, 0.55f},
                               std::exp(-toCentre * toCentre / 0.5f));
        return c + glow * (0.24f * light);
    });

    // Stars: a uniform population and a second one crowding toward the band. Brightness follows a
    // steep power law, so a few stand out among many faint ones; colour from blue-white to red.
    Rng rng(4242);
    const Color tints[] = {{0.70f, 0.80f, 1.0f}, {0.85f, 0.90f, 1.0f}, {1.0f, 1.0f, 1.0f},
                           {1.0f, 0.94f, 0.80f}, {1.0f, 0.80f, 0.58f}, {1.0f, 0.66f, 0.50f}};
    const float texel = pi / static_cast<float>(height);
    auto addStar = [&](Vec3 d) {
        const float u = rng.uniform();
        const float brightness = 0.18f + 0.9f * std::pow(u, 9.0f) + 0.25f * u * u;
        const Color tint = tints[static_cast<int>(rng.uniform() * 5.999f)];
        const float sigma = texel * (0.45f + 0.9f * std::pow(u, 8.0f));
        forCap(width, height, d, 3.5f * sigma, [&](int x, int y, Vec3 p) {
            const float a = angleBetween(p, d) / sigma;
            const float w =
                brightness * (std::exp(-0.5f * a * a) + 0.04f * std::exp(-0.3f * a) * std::pow(u, 6.0f));
            img.at(x, y) = img.at(x, y) + tint * w;
        });
    };
    for (int i = 0; i < 30000; ++i)
        addStar(rng.onSphere());
    for (int added = 0; added < 25000;)
    {
        const Vec3 d = rng.onSphere();
        const float b = dot(d, pole);
        if (rng.uniform() < std::exp(-b * b / 0.02f))
        {
            addStar(d);
            ++added;
        }
    }
    return img;
}

// ---------------------------------------------------------------------------------------------------------
// Output

void put16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v)
{
    put16(p, v & 0xffffu);
    put16(p + 2, v >> 16);
}

// 24-bit bottom-up BMP with the 40-byte info header and the pixels right after it; the width is a
// multiple of 4, so there is no row padding.
bool writeBmp(const std::string& path, Image& img)
{
    const std::uint32_t w = static_cast<std::uint32_t>(img.width), h = static_cast<std::uint32_t>(img.height);
    const std::uint32_t pixelBytes = w * h * 3u;
    std::vector<std::uint8_t> file(54 + static_cast<std::size_t>(pixelBytes));
    std::uint8_t* p = file.data();
    p[0] = 'B';
    p[1] = 'M';
    put32(p + 2, 54u + pixelBytes);
    put32(p + 10, 54u);
    put32(p + 14, 40u);
    put32(p + 18, w);
    put32(p + 22, h);
    put16(p + 26, 1u);
    put16(p + 28, 24u);
    put32(p + 30, 0u);
    put32(p + 34, pixelBytes);
    put32(p + 38, 2835u); // 72 dpi
    put32(p + 42, 2835u);
    std::uint8_t* out = p + 54;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
        {
            const Color& c = img.at(x, y);
            // A hash dither of half a step keeps the sky's faint gradients from banding.
            const std::uint32_t hsh = hash32(static_cast<std::uint32_t>(y * img.width + x) * 2654435761u);
            const float dither = static_cast<float>(hsh & 255u) / 256.0f;
            const float rgb[3] = {c.b, c.g, c.r};
            for (float v : rgb)
                *out++ =
                    static_cast<std::uint8_t>(std::min(255.0f, std::floor(clamp01(v) * 255.0f + dither)));
        }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
    return std::fclose(f) == 0 && ok;
}

// One painter for each file of textureFileNames, in its order.
Image (*const painters[])() = {sun,    mercury, venus,   earth, mars, jupiter,
                               saturn, uranus,  neptune, pluto, moon, skybox};
static_assert(std::size(painters) == std::size(textureFileNames), "a painter for every texture file");

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR [NAME.bmp ...]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    int status = 0;
    for (std::size_t t = 0; t < std::size(painters); ++t)
    {
        const char* name = textureFileNames[t];
        bool wanted = argc == 2;
        for (int i = 2; i < argc; ++i)
            wanted = wanted || std::strcmp(argv[i], name) == 0;
        if (!wanted)
            continue;
        Image img = painters[t]();
        const std::string path = dir + "/" + name;
        if (!writeBmp(path, img))
        {
            std::fprintf(stderr, "texgen: cannot write %s\n", path.c_str());
            status = 1;
        }
    }
    return status;
}
