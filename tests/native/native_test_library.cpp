// A small library that the native-call script tests call into: integers,
// texts, values passed by reference, structures and byte blocks, each with
// a result that shows whether the memory it was given had the right layout.
#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" {

std::int32_t qt_add(std::int32_t a, std::int32_t b) {
    return a + b;
}

std::int64_t qt_mul64(std::int64_t a, std::int64_t b) {
    return a * b;
}

// Code points of a UTF-8 text: shows that texts arrive as UTF-8.
std::int64_t qt_count_chars(const char* text) {
    std::int64_t n = 0;
    for (const char* p = text; *p; ++p) n += (static_cast<unsigned char>(*p) & 0xC0) != 0x80;
    return n;
}

// Writes through the pointer; returns the old value.
std::int32_t qt_increment(std::int32_t* value) {
    std::int32_t old = *value;
    *value = old + 1;
    return old;
}

struct QtRecord {
    std::int32_t count;  // long
    double ratio;        // double
    const char* name;    // string
    std::int16_t tag;    // integer
    std::int64_t big;    // lparam
    float scale;         // single
};
static_assert(sizeof(QtRecord) == 48);

// Reads every field, answers what it saw, and changes every field.
std::int64_t qt_record(QtRecord* r) {
    std::int64_t seen = r->count * 1000 + std::int64_t(r->ratio * 10) +
                        std::int64_t(std::strlen(r->name)) * 100000 + r->tag * 10000000LL +
                        r->big * 1000000000LL + std::int64_t(r->scale);
    r->count *= 2;
    r->ratio += 0.5;
    r->name = "changed";
    r->tag = std::int16_t(r->tag - 1);
    r->big = -r->big;
    r->scale = r->scale / 4;
    return seen;
}

// Fills the block with 0, 3, 6, … and answers the sum of what was there.
std::int32_t qt_fill_bytes(unsigned char* block, std::int32_t size) {
    std::int32_t sum = 0;
    for (std::int32_t i = 0; i < size; ++i) {
        sum += block[i];
        block[i] = static_cast<unsigned char>(i * 3);
    }
    return sum;
}

const char* qt_greeting() {
    return "やあ、世界";
}

double qt_scale(double value, float by) {
    return value * double(by);
}

std::int32_t qt_negative() {
    return -7;
}

}  // extern "C"
