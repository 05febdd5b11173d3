// JSON text for the event lines: strings of arbitrary deck bytes, numbers,
// and doubles that read back exactly, built through a small buffer so that
// an event costs few appends to its output string.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace abimport {

class JsonText {
public:
    explicit JsonText(std::string& out) : out_(out) {}
    ~JsonText() { flush(); }
    JsonText(const JsonText&) = delete;
    JsonText& operator=(const JsonText&) = delete;

    // Text as it is.
    void raw(const char* text, size_t length) {
        if (length > sizeof buffer_ - used_) {
            flush();
            if (length > sizeof buffer_) {
                out_.append(text, length);
                return;
            }
        }
        std::memcpy(buffer_ + used_, text, length);
        used_ += length;
    }
    template <size_t N>
    void raw(const char (&literal)[N]) {
        raw(literal, N - 1);
    }
    void raw(char c) {
        if (used_ == sizeof buffer_) flush();
        buffer_[used_++] = c;
    }

    // A quoted string in printable ASCII that decodes to the original bytes.
    // Quote and backslash are escaped, as are newline, carriage return and
    // tab by name; every other byte below 0x20 and 0x7F become \u00XX of
    // their value. A valid UTF-8 sequence becomes the \uXXXX escape of its
    // code point (a surrogate pair above U+FFFF), and a byte from 0x80 up
    // that is no part of one becomes \uDCXX, the lone surrogate that
    // Python's surrogateescape and os.fsencode turn back into the byte XX.
    void string(const char* text, size_t length);
    void string(const std::string& text) { string(text.data(), text.size()); }
    // An integer in decimal.
    void number(unsigned long long value);
    void number(long long value);
    void number(unsigned value) { number(static_cast<unsigned long long>(value)); }
    void number(int value) { number(static_cast<long long>(value)); }
    // A finite double in its shortest form that reads back to the same value,
    // exactly as std::to_chars writes it; infinities and NaN as the strings
    // "inf", "-inf", "nan", "-nan".
    void real(double value);

    // Appends what is buffered to the output string.
    void flush() {
        out_.append(buffer_, used_);
        used_ = 0;
    }

private:
    // \uXXXX of one UTF-16 code unit.
    void escape(unsigned codeUnit);

    std::string& out_;
    size_t used_ = 0;
    char buffer_[512];
};

// The length of the valid UTF-8 sequence of a code point at text[0, length)
// (1 to 4 bytes; overlong forms, surrogates and values past U+10FFFF are not
// valid), with the code point, or 0 when text does not start with one.
size_t utf8Sequence(const char* text, size_t length, unsigned& codePoint);

// The same, appended to a string directly.
void appendJsonString(std::string& out, const char* text, size_t length);
void appendJsonString(std::string& out, const std::string& text);
void appendJsonDouble(std::string& out, double value);

// Appends a JSON array of strings.
template <class Strings>
void appendJsonStringArray(JsonText& out, const Strings& texts) {
    out.raw('[');
    bool first = true;
    for (const auto& text : texts) {
        if (!first) out.raw(',');
        first = false;
        out.string(text);
    }
    out.raw(']');
}

}  // namespace abimport
