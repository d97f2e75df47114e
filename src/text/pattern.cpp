#include "text/pattern.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

namespace qel::text {

namespace {

PCRE2_SPTR16 units(TextView text) {
    return reinterpret_cast<PCRE2_SPTR16>(text.data());
}

struct MatchData {
    explicit MatchData(const pcre2_code* code)
        : data(pcre2_match_data_create_from_pattern(code, nullptr)) {}
    ~MatchData() { pcre2_match_data_free(data); }
    MatchData(const MatchData&) = delete;
    MatchData& operator=(const MatchData&) = delete;
    pcre2_match_data* data;
};

// A negative result of a match or substitution, other than "no match".
PatternStatus statusOf(int code) {
    switch (code) {
        case PCRE2_ERROR_MATCHLIMIT:
        case PCRE2_ERROR_DEPTHLIMIT:
        case PCRE2_ERROR_HEAPLIMIT:
        case PCRE2_ERROR_NOMEMORY:
            return PatternStatus::kTooComplex;
        default:
            return PatternStatus::kMalformed;
    }
}

Pattern::Match matchAt(const pcre2_match_data* data, TextView subject) {
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(const_cast<pcre2_match_data*>(data));
    Pattern::Match m;
    m.start = ovector[0];
    m.end = ovector[1];
    uint32_t groups = pcre2_get_ovector_count(const_cast<pcre2_match_data*>(data));
    for (uint32_t g = 0; g < groups; ++g) {
        PCRE2_SIZE s = ovector[2 * g], e = ovector[2 * g + 1];
        if (s == PCRE2_UNSET || e < s) {
            m.groups.emplace_back();
        } else {
            m.groups.emplace_back(subject.substr(s, e - s));
        }
    }
    return m;
}

// Where to look after a match: an empty match steps over one whole character
// (never half of a surrogate pair).
std::size_t nextStart(const Pattern::Match& m, TextView subject) {
    if (m.end != m.start) return m.end;
    bool pair = m.end + 1 < subject.size() && (subject[m.end] & 0xFC00) == 0xD800;
    return m.end + (pair ? 2 : 1);
}

}  // namespace

void Pattern::CodeDeleter::operator()(pcre2_real_code_16* code) const {
    pcre2_code_free(code);
}

Pattern::Pattern(std::unique_ptr<pcre2_real_code_16, CodeDeleter> code, TextView source)
    : code_(std::move(code)), source_(source) {}

Pattern::~Pattern() = default;

std::unique_ptr<Pattern> Pattern::compile(TextView source, bool ignoreCase) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    uint32_t options = PCRE2_UTF | PCRE2_UCP | PCRE2_MATCH_INVALID_UTF | PCRE2_ALT_BSUX;
    if (ignoreCase) options |= PCRE2_CASELESS;
    std::unique_ptr<pcre2_real_code_16, CodeDeleter> code(
        pcre2_compile(units(source), source.size(), options, &error, &offset, nullptr));
    if (!code) return nullptr;
    return std::unique_ptr<Pattern>(new Pattern(std::move(code), source));
}

PatternStatus Pattern::search(TextView subject, bool& found) const {
    found = false;
    MatchData match(code_.get());
    if (!match.data) return PatternStatus::kOutOfMemory;
    int rc = pcre2_match(code_.get(), units(subject), subject.size(), 0, 0, match.data, nullptr);
    if (rc == PCRE2_ERROR_NOMATCH) return PatternStatus::kOk;
    if (rc < 0) return statusOf(rc);
    found = true;
    return PatternStatus::kOk;
}

PatternStatus Pattern::findAll(TextView subject, std::size_t limit,
                               std::vector<Match>& matches) const {
    matches.clear();
    MatchData match(code_.get());
    if (!match.data) return PatternStatus::kOutOfMemory;
    std::size_t from = 0;
    while (from <= subject.size() && matches.size() < limit) {
        int rc =
            pcre2_match(code_.get(), units(subject), subject.size(), from, 0, match.data, nullptr);
        if (rc == PCRE2_ERROR_NOMATCH) break;
        if (rc < 0) {
            matches.clear();
            return statusOf(rc);
        }
        matches.push_back(matchAt(match.data, subject));
        from = nextStart(matches.back(), subject);
    }
    return PatternStatus::kOk;
}

PatternStatus Pattern::replaceAll(TextView subject, TextView replacement, Text& out,
                                  const std::function<bool(std::size_t)>& allowLength) const {
    // "$&" is the common spelling of the whole match; PCRE2 calls it $0.
    Text repl = text::replaceAll(replacement, u"$&", u"$0");
    PCRE2_SIZE size = subject.size() + repl.size() + 64;
    for (int attempt = 0; attempt < 2; ++attempt) {
        Text result(size, u'\0');
        PCRE2_SIZE length = size;
        int rc = pcre2_substitute(code_.get(), units(subject), subject.size(), 0,
                                  PCRE2_SUBSTITUTE_GLOBAL | PCRE2_SUBSTITUTE_OVERFLOW_LENGTH |
                                      PCRE2_SUBSTITUTE_UNSET_EMPTY | PCRE2_SUBSTITUTE_UNKNOWN_UNSET,
                                  nullptr, nullptr, units(repl), repl.size(),
                                  reinterpret_cast<PCRE2_UCHAR16*>(result.data()), &length);
        if (rc == PCRE2_ERROR_NOMEMORY && attempt == 0) {
            // Too small a guess: `length` is now the room the result needs.
            if (!allowLength(length)) return PatternStatus::kRefused;
            size = length + 1;
            continue;
        }
        if (rc < 0) return statusOf(rc);
        result.resize(length);
        out = std::move(result);
        return PatternStatus::kOk;
    }
    return PatternStatus::kOutOfMemory;
}

const Pattern* PatternCache::get(TextView source) {
    auto it = patterns_.find(source);
    if (it != patterns_.end()) return it->second.get();
    auto compiled = Pattern::compile(source, ignoreCase_);
    if (!compiled) return nullptr;
    return patterns_.emplace(Text(source), std::move(compiled)).first->second.get();
}

}  // namespace qel::text
