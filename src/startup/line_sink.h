// A stream buffer that hands what is written to it to a function, a line
// (or a flush) at a time: how an embedding program or a debugger receives
// what a script shows instead of standard output.
#pragma once

#include <functional>
#include <streambuf>
#include <string>

namespace qel {

class LineSink : public std::streambuf {
  public:
    using Target = std::function<void(const std::string&)>;
    explicit LineSink(Target target) : target_(std::move(target)) {}
    ~LineSink() override { deliver(); }

  protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        pending_.push_back(traits_type::to_char_type(c));
        if (c == '\n') deliver();
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        pending_.append(s, std::size_t(n));
        if (pending_.find('\n') != std::string::npos) deliver();
        return n;
    }
    int sync() override {
        deliver();
        return 0;
    }

  private:
    void deliver() {
        if (pending_.empty()) return;
        std::string piece;
        piece.swap(pending_);
        target_(piece);
    }
    Target target_;
    std::string pending_;
};

}  // namespace qel
