// ozm_tone FILE: writes the warning tone, a short falling two-note chime, as a
// 16-bit mono WAV file.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

constexpr int Rate = 22050;
constexpr double Pi = 3.14159265358979323846;

void put(std::vector<char>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(char((value >> (8 * i)) & 0xff));
}

// One note with a quick attack and an exponential fall.
void note(std::vector<std::int16_t>& samples, double frequency, double seconds)
{
    const int count = int(seconds * Rate);
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / Rate;
        const double envelope = std::min(1.0, t / 0.005) * std::exp(-5.0 * t);
        samples.push_back(std::int16_t(12000.0 * envelope * std::sin(2 * Pi * frequency * t)));
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: ozm_tone FILE\n");
        return 2;
    }
    std::vector<std::int16_t> samples;
    note(samples, 880.0, 0.25);
    note(samples, 660.0, 0.45);
    const std::uint32_t dataBytes = std::uint32_t(samples.size() * 2);
    std::vector<char> wav;
    wav.insert(wav.end(), {'R', 'I', 'F', 'F'});
    put(wav, 36 + dataBytes, 4);
    wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(wav, 16, 4);
    put(wav, 1, 2);        // PCM
    put(wav, 1, 2);        // mono
    put(wav, Rate, 4);
    put(wav, Rate * 2, 4); // bytes a second
    put(wav, 2, 2);        // bytes a frame
    put(wav, 16, 2);       // bits a sample
    wav.insert(wav.end(), {'d', 'a', 't', 'a'});
    put(wav, dataBytes, 4);
    for (const std::int16_t sample : samples)
        put(wav, std::uint16_t(sample), 2);
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file.write(wav.data(), std::streamsize(wav.size()));
    file.close();
    return file ? 0 : 1;
}
