#include "platform/headless/wav_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>

namespace qel {

namespace {

std::uint32_t le32(const std::string& b, std::size_t at) {
    auto u = [&](std::size_t i) { return std::uint32_t(static_cast<unsigned char>(b[at + i])); };
    return u(0) | u(1) << 8 | u(2) << 16 | u(3) << 24;
}
std::uint16_t le16(const std::string& b, std::size_t at) {
    return std::uint16_t(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1])
                                                                 << 8);
}

struct Format {
    int encoding = 0;  // 1 integer PCM, 3 float
    int channels = 0;
    int rate = 0;
    int bits = 0;
    int blockAlign = 0;
};

class WavStream : public PcmStream {
  public:
    WavStream(std::string bytes, Format format, std::size_t dataAt, std::size_t dataSize)
        : bytes_(std::move(bytes)),
          format_(format),
          dataAt_(dataAt),
          frames_((long long)(dataSize / std::size_t(format.blockAlign))) {}

    int rate() const override { return format_.rate; }
    int channels() const override { return format_.channels; }
    long long frames() const override { return frames_; }
    void seek(long long frame) override { next_ = std::clamp(frame, 0LL, frames_); }
    std::size_t read(float* out, std::size_t count) override {
        std::size_t n = std::size_t(std::min<long long>((long long)count, frames_ - next_));
        const int bytesPerSample = format_.bits / 8;
        for (std::size_t f = 0; f < n; ++f) {
            std::size_t at =
                dataAt_ + std::size_t(next_ + (long long)f) * std::size_t(format_.blockAlign);
            for (int c = 0; c < format_.channels; ++c) {
                *out++ = sample(at + std::size_t(c * bytesPerSample));
            }
        }
        next_ += (long long)n;
        return n;
    }

  private:
    float sample(std::size_t at) const {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + at);
        if (format_.encoding == 3) {
            float v;
            std::memcpy(&v, p, 4);
            return std::isfinite(v) ? std::clamp(v, -1.0f, 1.0f) : 0.0f;
        }
        switch (format_.bits) {
            case 8:
                return float(int(p[0]) - 128) / 128.0f;
            case 16:
                return float(std::int16_t(p[0] | p[1] << 8)) / 32768.0f;
            case 24:
                return float(std::int32_t(std::uint32_t(p[0] << 8 | p[1] << 16 | p[2] << 24)) >>
                             8) /
                       8388608.0f;
            default:
                return float(double(std::int32_t(std::uint32_t(p[0] | p[1] << 8 | p[2] << 16 |
                                                               std::uint32_t(p[3]) << 24))) /
                             2147483648.0);
        }
    }

    std::string bytes_;
    Format format_;
    std::size_t dataAt_;
    long long frames_;
    long long next_ = 0;
};

bool readFormat(const std::string& b, std::size_t at, std::size_t size, Format& f) {
    if (size < 16) return false;
    f.encoding = le16(b, at);
    f.channels = le16(b, at + 2);
    f.rate = int(le32(b, at + 4));
    f.blockAlign = le16(b, at + 12);
    f.bits = le16(b, at + 14);
    if (f.encoding == 0xFFFE && size >= 26) f.encoding = le16(b, at + 24);  // extensible
    const bool integer =
        f.encoding == 1 && (f.bits == 8 || f.bits == 16 || f.bits == 24 || f.bits == 32);
    const bool floating = f.encoding == 3 && f.bits == 32;
    return (integer || floating) && f.channels >= 1 && f.channels <= 8 && f.rate >= 1000 &&
           f.rate <= 384000 && f.blockAlign == f.channels * f.bits / 8;
}

}  // namespace

std::unique_ptr<PcmStream> WavFromBytes(std::string bytes, std::string& error) {
    error = media_error::kInvalidFile;
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        return nullptr;
    Format format;
    bool haveFormat = false;
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::string id = bytes.substr(at, 4);
        const std::size_t declared = le32(bytes, at + 4);
        const std::size_t body = at + 8;
        // A chunk cut short by the end of the file keeps what is there.
        const std::size_t size = std::min(declared, bytes.size() - body);
        if (id == "fmt ") {
            haveFormat = readFormat(bytes, body, size, format);
            if (!haveFormat) return nullptr;
        } else if (id == "data") {
            if (!haveFormat) return nullptr;
            error.clear();
            return std::make_unique<WavStream>(std::move(bytes), format, body, size);
        }
        if (declared > bytes.size() - body) break;
        at = body + size + (size & 1);
    }
    return nullptr;
}

std::unique_ptr<PcmStream> OpenWavFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = media_error::kFileNotFound;
        return nullptr;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return WavFromBytes(std::move(buffer).str(), error);
}

}  // namespace qel
