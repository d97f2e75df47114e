#include "platform/qt/pdf_print_preferences.h"

#include <cstdio>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>

namespace qel {

namespace {

std::optional<long long> lastStartXref(const std::string& bytes) {
    const std::size_t at = bytes.rfind("startxref");
    if (at == std::string::npos) return std::nullopt;
    try {
        return std::stoll(bytes.substr(at + 9, 32));
    } catch (...) {
        return std::nullopt;
    }
}

// The dictionary of the last trailer, without its << >>.
std::optional<std::string> lastTrailer(const std::string& bytes) {
    const std::size_t at = bytes.rfind("trailer");
    if (at == std::string::npos) return std::nullopt;
    const std::size_t open = bytes.find("<<", at);
    const std::size_t close = bytes.rfind(">>", bytes.find("startxref", at));
    if (open == std::string::npos || close == std::string::npos || close < open)
        return std::nullopt;
    return bytes.substr(open + 2, close - open - 2);
}

// The body of object `number` (its last definition), without << >>.
std::optional<std::string> objectDictionary(const std::string& bytes, const std::string& number,
                                            const std::string& generation) {
    const std::string header = number + " " + generation + " obj";
    std::size_t at = bytes.rfind("\n" + header);
    if (at == std::string::npos) return std::nullopt;
    const std::size_t end = bytes.find("endobj", at);
    const std::size_t open = bytes.find("<<", at);
    const std::size_t close = bytes.rfind(">>", end);
    if (end == std::string::npos || open == std::string::npos || open > end ||
        close == std::string::npos || close < open)
        return std::nullopt;
    return bytes.substr(open + 2, close - open - 2);
}

std::string presets(const PdfPrintPreferences& p) {
    std::string s = "/ViewerPreferences <<";
    if (p.copies > 1) s += " /NumCopies " + std::to_string(p.copies);
    if (p.duplex == PdfDuplex::LongEdge) s += " /Duplex /DuplexFlipLongEdge";
    if (p.duplex == PdfDuplex::ShortEdge) s += " /Duplex /DuplexFlipShortEdge";
    return s + " >>";
}

}  // namespace

bool addPrintPreferences(std::string& bytes, const PdfPrintPreferences& preferences) {
    if (preferences.plain()) return true;
    const auto previousXref = lastStartXref(bytes);
    const auto trailer = lastTrailer(bytes);
    if (!previousXref || !trailer) return false;
    static const std::regex root(R"(/Root\s+(\d+)\s+(\d+)\s+R)");
    std::smatch found;
    if (!std::regex_search(*trailer, found, root)) return false;
    const std::string number = found[1], generation = found[2];
    auto catalog = objectDictionary(bytes, number, generation);
    if (!catalog || catalog->find("/ViewerPreferences") != std::string::npos) return false;

    // The catalog again, with the presets, then a cross-reference section
    // for it alone and a trailer pointing back at the file's own.
    std::string update = bytes.empty() || bytes.back() == '\n' ? "" : "\n";
    const std::size_t objectAt = bytes.size() + update.size();
    update +=
        number + " " + generation + " obj\n<<" + *catalog + presets(preferences) + "\n>>\nendobj\n";
    const std::size_t xrefAt = bytes.size() + update.size();
    char entry[32];
    std::snprintf(entry, sizeof entry, "%010zu %05d n \n", objectAt, std::stoi(generation));
    static const std::regex previous(R"(/Prev\s+\d+)");
    update += "xref\n" + number + " 1\n" + entry + "trailer\n<<" +
              std::regex_replace(*trailer, previous, "") + " /Prev " +
              std::to_string(*previousXref) + " >>\nstartxref\n" + std::to_string(xrefAt) +
              "\n%%EOF\n";
    bytes += update;
    return true;
}

std::string addPrintPreferencesToFile(const std::string& path,
                                      const PdfPrintPreferences& preferences) {
    if (preferences.plain()) return {};
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot read the PDF file " + path;
    std::ostringstream read;
    read << in.rdbuf();
    std::string bytes = read.str();
    const std::size_t before = bytes.size();
    if (!addPrintPreferences(bytes, preferences))
        return "cannot record the copies and two-sided printing in " + path;
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write(bytes.data() + before, std::streamsize(bytes.size() - before));
    out.close();
    if (!out) return "cannot write the PDF file " + path;
    return {};
}

}  // namespace qel
