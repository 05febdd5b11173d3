// The reading checks' test of whether a field reads as it is written, against
// the C library's own reading: whole text consumed by strtol (within 32 bits)
// or strtod, blanks and the line end aside.
#include "../host/textchecks.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

using namespace abimport;

namespace {

bool readByTheCLibrary(const std::string& field, unsigned typeCode) {
    const std::string text = field.substr(0, field.find('\0'));
    const char* start = text.c_str();
    size_t lead = 0;
    while (lead < text.size() && std::isspace(static_cast<unsigned char>(text[lead]))) ++lead;
    if (lead == text.size()) return true;  // blank
    char* end = nullptr;
    errno = 0;
    if (typeCode == 2) {
        std::strtod(start, &end);
    } else {
        const long value = std::strtol(start, &end, 10);
        if (errno == ERANGE) return false;
        if (typeCode == 1 ? value < INT32_MIN || value > INT32_MAX
                          : value < 0 || value > static_cast<long>(UINT32_MAX)) {
            return false;
        }
    }
    if (end == start) return false;
    while (*end == ' ' || *end == '\t' || *end == '\r' || *end == '\n') ++end;
    return *end == '\0';
}

}  // namespace

TEST(TextChecks, FieldsReadAsTheCLibraryReadsThem) {
    const std::string kAlphabet = std::string(" \t\r\n\v\f0123456789+-.eExXinfaINF#", 32) + '\0';
    std::mt19937 random(99);
    std::vector<std::string> fields = {"",
                                       "          ",
                                       "         1",
                                       "       1.5",
                                       "1.5e-3",
                                       "  -.5  ",
                                       "5.",
                                       ".",
                                       "+",
                                       "1e",
                                       "1.5x",
                                       "1.2.3",
                                       "2147483647",
                                       "2147483648",
                                       "-2147483648",
                                       "4294967295",
                                       "-1",
                                       "00000000012",
                                       "inf",
                                       " nan ",
                                       "0x1p3",
                                       "1\t",
                                       "\v1",
                                       "1\v",
                                       "1 2",
                                       std::string("1\0x", 3)};
    // Any bytes of the alphabet, and fields of 8 to 16 bytes made mostly of
    // what numbers are made of, the shape of fixed-column fields.
    const std::string kNumberBytes = "  0123456789+-.e\t";
    for (int i = 0; i < 300000; ++i) {
        const bool numberLike = i % 2;
        std::string field(numberLike ? 8 + random() % 9 : random() % 18, ' ');
        const std::string& bytes = numberLike ? kNumberBytes : kAlphabet;
        for (char& c : field) c = bytes[random() % bytes.size()];
        fields.push_back(field);
    }
    size_t wrong = 0;
    for (const std::string& field : fields) {
        for (unsigned typeCode : {0u, 1u, 2u}) {
            const bool expected = readByTheCLibrary(field, typeCode);
            if (readsAsWritten(field.data(), field.size(), typeCode) != expected && ++wrong < 10) {
                ADD_FAILURE() << "code " << typeCode << " '" << field
                              << "' reads as written: " << expected;
            }
        }
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_TRUE(readsAsWritten("anything", 8, 5));  // text is not read as a number
}
