// The encodings on a 10 MB Japanese text, beside glibc's iconv on the same
// data. Figures are MB/s of the encoded side (the EUC-JP, ISO-2022-JP or
// UTF-8 bytes, the Base64 text, the URL text's source bytes), so that each
// of our routines and iconv's counterpart are measured on the same amount.
// iconv writes into a buffer allocated once; our routines allocate their
// result on every run, as the runtime does.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <random>
#include <string>
#include <vector>

#include "encodings/uEncoding.h"
#include "text/text.h"

namespace {

using namespace qel;

constexpr std::size_t kTargetBytes = 10 * 1000 * 1000;

// Kana and level-1 kanji (which every converter maps alike), ASCII words and
// line feeds, until its code page 932 form is 10 MB.
const Text& japaneseText() {
    static const Text text = [] {
        std::vector<char16_t> pool;
        auto addRange = [&pool](int from, int to) {
            for (int code = from; code <= to; ++code) {
                const char pair[2] = {char(code >> 8), char(code & 0xFF)};
                const Text t = text::fromCp932(std::string_view(pair, 2));
                if (t.size() == 1 && t[0] != u'\u30FB') pool.push_back(t[0]);
            }
        };
        addRange(0x829F, 0x82F1);  // hiragana
        addRange(0x8340, 0x8396);  // katakana
        for (int lead = 0x88; lead <= 0x98; ++lead) addRange(lead << 8 | 0x40, lead << 8 | 0xFC);
        std::mt19937 random(42);
        Text out;
        out.reserve(kTargetBytes / 2 + 1024);
        std::size_t bytes = 0;
        while (bytes < kTargetBytes) {
            const int kind = int(random() % 10);
            if (kind == 0) {
                for (char c : std::string("Qelscript ")) out.push_back(char16_t(c));
                bytes += 10;
            } else if (kind == 1 && random() % 4 == 0) {
                out.push_back(u'\n');
                bytes += 1;
            } else {
                for (int i = 0; i < 8; ++i) out.push_back(pool[random() % pool.size()]);
                bytes += 16;
            }
        }
        return out;
    }();
    return text;
}

void reportBytes(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes));
}

// ---- ours ----------------------------------------------------------------------------

void EucEncode(benchmark::State& state) {
    const Text& t = japaneseText();
    std::size_t size = 0;
    for (auto _ : state) {
        std::string out = uEncoding::eucEncode(t);
        size = out.size();
        benchmark::DoNotOptimize(out);
    }
    reportBytes(state, size);
}

void EucDecode(benchmark::State& state) {
    const std::string in = uEncoding::eucEncode(japaneseText());
    for (auto _ : state) benchmark::DoNotOptimize(uEncoding::eucDecode(in));
    reportBytes(state, in.size());
}

void JisEncode(benchmark::State& state) {
    const Text& t = japaneseText();
    std::size_t size = 0;
    for (auto _ : state) {
        std::string out = uEncoding::jisEncode(t);
        size = out.size();
        benchmark::DoNotOptimize(out);
    }
    reportBytes(state, size);
}

void JisDecode(benchmark::State& state) {
    const std::string in = uEncoding::jisEncode(japaneseText());
    for (auto _ : state) benchmark::DoNotOptimize(uEncoding::jisDecode(in));
    reportBytes(state, in.size());
}

void Utf8Encode(benchmark::State& state) {
    const Text& t = japaneseText();
    std::size_t size = 0;
    for (auto _ : state) {
        std::string out = uEncoding::utf8Encode(t);
        size = out.size();
        benchmark::DoNotOptimize(out);
    }
    reportBytes(state, size);
}

void Utf8Decode(benchmark::State& state) {
    const std::string in = uEncoding::utf8Encode(japaneseText());
    for (auto _ : state) benchmark::DoNotOptimize(uEncoding::utf8Decode(in, {}));
    reportBytes(state, in.size());
}

void Base64Encode(benchmark::State& state) {
    const std::string in = text::toCp932(japaneseText());
    std::size_t size = 0;
    for (auto _ : state) {
        Text out = uEncoding::base64Encode(in);
        size = out.size();
        benchmark::DoNotOptimize(out);
    }
    reportBytes(state, size);
}

void Base64Decode(benchmark::State& state) {
    const Text in = uEncoding::base64Encode(text::toCp932(japaneseText()));
    for (auto _ : state) benchmark::DoNotOptimize(uEncoding::base64Decode(in));
    reportBytes(state, in.size());
}

void UrlEncode(benchmark::State& state) {
    const std::string in = text::toCp932(japaneseText());
    for (auto _ : state) {
        benchmark::DoNotOptimize(uEncoding::urlEncode(in, uEncoding::UrlBytes::CodePage932));
    }
    reportBytes(state, in.size());
}

// ---- iconv on the same data ----------------------------------------------------------------

std::string utf16le(const Text& t) {
    std::string out;
    out.reserve(t.size() * 2);
    for (char16_t c : t) {
        out.push_back(char(c & 0xFF));
        out.push_back(char(c >> 8));
    }
    return out;
}

// Converts `in` whole; returns the bytes written, or -1 when iconv refuses.
long convert(iconv_t cd, const std::string& in, std::string& out) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == std::size_t(-1)) return -1;
    if (iconv(cd, nullptr, nullptr, &dst, &dstLeft) == std::size_t(-1)) return -1;
    return long(out.size() - dstLeft);
}

void IconvEncode(benchmark::State& state, const char* encoding) {
    const std::string in = utf16le(japaneseText());
    std::string out(in.size() * 2, '\0');
    iconv_t cd = iconv_open(encoding, "UTF-16LE");
    long size = 0;
    for (auto _ : state) {
        size = convert(cd, in, out);
        benchmark::DoNotOptimize(out.data());
    }
    iconv_close(cd);
    if (size < 0) state.SkipWithError("iconv refused the text");
    reportBytes(state, std::size_t(size < 0 ? 0 : size));
}

void IconvDecode(benchmark::State& state, const char* encoding) {
    std::string in(japaneseText().size() * 4, '\0');
    iconv_t to = iconv_open(encoding, "UTF-16LE");
    const long length = convert(to, utf16le(japaneseText()), in);
    iconv_close(to);
    if (length < 0) {
        state.SkipWithError("iconv refused the text");
        return;
    }
    in.resize(std::size_t(length));
    std::string out(in.size() * 4, '\0');
    iconv_t cd = iconv_open("UTF-16LE", encoding);
    for (auto _ : state) {
        benchmark::DoNotOptimize(convert(cd, in, out));
    }
    iconv_close(cd);
    reportBytes(state, in.size());
}

}  // namespace

BENCHMARK(EucEncode)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(IconvEncode, EUC_JP, "EUC-JP")->Unit(benchmark::kMillisecond);
BENCHMARK(EucDecode)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(IconvDecode, EUC_JP, "EUC-JP")->Unit(benchmark::kMillisecond);
BENCHMARK(JisEncode)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(IconvEncode, ISO_2022_JP, "ISO-2022-JP")->Unit(benchmark::kMillisecond);
BENCHMARK(JisDecode)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(IconvDecode, ISO_2022_JP, "ISO-2022-JP")->Unit(benchmark::kMillisecond);
BENCHMARK(Utf8Encode)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(IconvEncode, UTF_8, "UTF-8")->Unit(benchmark::kMillisecond);
BENCHMARK(Utf8Decode)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(IconvDecode, UTF_8, "UTF-8")->Unit(benchmark::kMillisecond);
BENCHMARK(Base64Encode)->Unit(benchmark::kMillisecond);
BENCHMARK(Base64Decode)->Unit(benchmark::kMillisecond);
BENCHMARK(UrlEncode)->Unit(benchmark::kMillisecond);
