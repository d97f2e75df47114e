#include "media/media_texts.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace qel::media {

namespace {

std::uint32_t bigEndian32(std::string_view bytes, std::size_t at) {
    auto b = [&](std::size_t i) {
        return std::uint32_t(static_cast<unsigned char>(bytes[at + i]));
    };
    return b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3);
}

}  // namespace

Text MidiTitle(std::string_view file) {
    // Small files hold no track worth reading: the header alone is 14 bytes.
    if (file.size() <= 20) return {};
    if (file.substr(0, 4) != "MThd") return u"MIDIファイルではありません";
    if (file.substr(14, 4) != "MTrk") return u"トラックが見つかりません";
    // The length is signed as the file declares it; one that points past the
    // file (or is negative) gives no title rather than a read out of bounds.
    const auto length = std::int32_t(bigEndian32(file, 18));
    if (length < 0 || std::int64_t(length) > std::int64_t(file.size()) - 20) return {};
    std::string_view track = file.substr(22, std::size_t(length));
    const std::size_t searchEnd = std::min<std::size_t>(track.size(), 5000);
    for (std::size_t p = 0; p + 1 < searchEnd; ++p) {
        if (static_cast<unsigned char>(track[p]) != 0xFF) continue;
        const auto kind = static_cast<unsigned char>(track[p + 1]);
        if (kind != 0x03 && kind != 0x01) continue;
        if (p + 2 >= track.size()) return {};
        const auto first = static_cast<unsigned char>(track[p + 2]);
        std::size_t n = first, start = p + 3;
        if (first >= 129) {
            if (p + 3 >= track.size()) return {};
            n = std::size_t(first - 128) * 256 + static_cast<unsigned char>(track[p + 3]);
            start = p + 4;
        }
        if (start > track.size() || track.size() - start < n) return {};
        return text::fromCp932(track.substr(start, n));
    }
    return {};
}

Text TimeText(long long seconds) {
    if (seconds < 0) seconds = 0;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02lld:%02lld", seconds / 60, seconds % 60);
    return text::fromAscii(buffer);
}

}  // namespace qel::media
