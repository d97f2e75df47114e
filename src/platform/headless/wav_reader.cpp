#include "platform/headless/wav_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>

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

// Where a WAV file's bytes come from: memory, or the file itself read as
// the sound plays, so a long recording starts at once and is never held whole.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Up to `count` bytes from `at`; fewer at the end (or on a read error).
    virtual std::size_t readAt(std::uint64_t at, char* out, std::size_t count) = 0;
    std::string readString(std::uint64_t at, std::size_t count) {
        std::string bytes(count, '\0');
        bytes.resize(readAt(at, bytes.data(), count));
        return bytes;
    }
};

class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::size_t readAt(std::uint64_t at, char* out, std::size_t count) override {
        if (at >= bytes_.size()) return 0;
        const std::size_t n = std::min<std::size_t>(count, bytes_.size() - std::size_t(at));
        std::memcpy(out, bytes_.data() + at, n);
        return n;
    }

  private:
    std::string bytes_;
};

class FileSource : public ByteSource {
  public:
    explicit FileSource(std::ifstream in) : in_(std::move(in)) {
        in_.seekg(0, std::ios::end);
        const std::streamoff end = in_.tellg();
        size_ = end > 0 ? std::uint64_t(end) : 0;
    }
    std::uint64_t size() const override { return size_; }
    std::size_t readAt(std::uint64_t at, char* out, std::size_t count) override {
        in_.clear();
        in_.seekg(std::streamoff(at));
        in_.read(out, std::streamsize(count));
        return std::size_t(std::max<std::streamsize>(in_.gcount(), 0));
    }

  private:
    std::ifstream in_;
    std::uint64_t size_ = 0;
};

class WavStream : public PcmStream {
  public:
    WavStream(std::unique_ptr<ByteSource> source, Format format, std::uint64_t dataAt,
              std::uint64_t dataSize)
        : source_(std::move(source)),
          format_(format),
          dataAt_(dataAt),
          frames_((long long)(dataSize / std::uint64_t(format.blockAlign))) {}

    int rate() const override { return format_.rate; }
    int channels() const override { return format_.channels; }
    long long frames() const override { return frames_; }
    void seek(long long frame) override { next_ = std::clamp(frame, 0LL, frames_); }
    std::size_t read(float* out, std::size_t count) override {
        const auto wanted = std::size_t(std::min<long long>((long long)count, frames_ - next_));
        const auto align = std::size_t(format_.blockAlign);
        block_.resize(wanted * align);
        const std::size_t got =
            source_->readAt(dataAt_ + std::uint64_t(next_) * align, block_.data(), block_.size());
        // A file that shrank under the player ends the sound where it ends.
        const std::size_t n = got / align;
        const int bytesPerSample = format_.bits / 8;
        for (std::size_t f = 0; f < n; ++f) {
            for (int c = 0; c < format_.channels; ++c)
                *out++ = sample(f * align + std::size_t(c * bytesPerSample));
        }
        next_ = n < wanted ? frames_ : next_ + (long long)n;
        return n;
    }

  private:
    float sample(std::size_t at) const {
        const auto* p = reinterpret_cast<const unsigned char*>(block_.data() + at);
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

    std::unique_ptr<ByteSource> source_;
    Format format_;
    std::uint64_t dataAt_;
    long long frames_;
    long long next_ = 0;
    std::string block_;
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

// Walks the chunks to the format and the data; the samples stay in the source.
std::unique_ptr<PcmStream> openWav(std::unique_ptr<ByteSource> source, std::string& error) {
    error = media_error::kInvalidFile;
    const std::string head = source->readString(0, 12);
    if (head.size() < 12 || head.compare(0, 4, "RIFF") != 0 || head.compare(8, 4, "WAVE") != 0)
        return nullptr;
    const std::uint64_t total = source->size();
    Format format;
    bool haveFormat = false;
    std::uint64_t at = 12;
    while (at + 8 <= total) {
        const std::string chunk = source->readString(at, 8);
        if (chunk.size() < 8) break;
        const std::string id = chunk.substr(0, 4);
        const std::uint64_t declared = le32(chunk, 4);
        const std::uint64_t body = at + 8;
        // A chunk cut short by the end of the file keeps what is there.
        const std::uint64_t size = std::min(declared, total - body);
        if (id == "fmt ") {
            const std::string fields =
                source->readString(body, std::size_t(std::min<std::uint64_t>(size, 64)));
            haveFormat = readFormat(fields, 0, fields.size(), format);
            if (!haveFormat) return nullptr;
        } else if (id == "data") {
            if (!haveFormat) return nullptr;
            error.clear();
            return std::make_unique<WavStream>(std::move(source), format, body, size);
        }
        if (declared > total - body) break;
        at = body + size + (size & 1);
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<PcmStream> WavFromBytes(std::string bytes, std::string& error) {
    return openWav(std::make_unique<MemorySource>(std::move(bytes)), error);
}

std::unique_ptr<PcmStream> OpenWavFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = media_error::kFileNotFound;
        return nullptr;
    }
    return openWav(std::make_unique<FileSource>(std::move(in)), error);
}

}  // namespace qel
