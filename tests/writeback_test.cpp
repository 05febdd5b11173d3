// The write-back: field texts that read back exactly, and whole decks that
// import again to the same cards.
#include "../output/writeback.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "../host/fieldreading.h"
#include "../host/hostcalls.h"
#include "../output/exacttext.h"
#include "deckloop.h"
#include "toolrun.h"

using namespace abimport;

namespace {

using abimport::detail::readingOfWidth;

// The text of value for a field of width columns: its exact text, or '~'
// and the closest that fits.
std::string textOf(double value, unsigned width) {
    const abimport::detail::NumberText text =
        abimport::detail::fitDouble(value, readingOfWidth(width));
    return (text.exact ? "" : "~") + text.str();
}

double readDouble(const char* text, size_t length, unsigned width) {
    return abimport::detail::readDouble(text, length, readingOfWidth(width));
}

bool sameBits(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

// Every field of a card, doubles by their bits; a value without an exact
// text as what the closest text written for it reads back as.
std::string exactCard(const Card& card) {
    std::string out = card.name + " |";
    for (const std::string& name : card.fieldNames) out += " " + name;
    // Empty fields at the end of a line are not written, so their names are
    // not compared.
    for (const Data* value : card.fields) {
        out += " " + std::to_string(value->typeCode) + ":" + std::to_string(value->width) + "=";
        const abimport::detail::NumberText text = exact_text::valueText(*value);
        const bool inexact = !text.exact;
        const auto reading = readingOfWidth(value->width);
        if (auto* real = dynamic_cast<const Double*>(value)) {
            const double shown =
                inexact ? abimport::detail::readDouble(text.text, text.length, reading) : real->val;
            char bits[32];
            std::snprintf(bits, sizeof bits, "%a", std::isnan(shown) ? NAN : shown);
            out += bits;
        } else if (auto* integer = dynamic_cast<const Integer*>(value)) {
            out += std::to_string(
                inexact ? abimport::detail::readInteger(text.text, text.length, reading)
                        : integer->val);
        }
    }
    return out;
}

struct Imported {
    std::vector<std::string> cards;
    std::string writeBack;
    size_t warnings = 0;
};

// Imports a deck, writes it back, and notes its cards.
Imported importAndWrite(const std::string& deck) {
    HostImportObject target;
    Imported imported;
    ImportSettings settings;
    settings.emptyBeforeFilled = true;
    imported.writeBack = writtenBy([&](FILE* out) {
        DeckTextWriter writer(out, nullptr);
        importText(deck, "deck.k", target, &writer, settings, [&](const DeckImport& import) {
            // What the text of the lines may give; counts and integers written
            // unsigned (exact, but no integer within 32 bits) warn as before.
            for (WarningKind kind : {WarningKind::LongLine, WarningKind::IgnoredText,
                                     WarningKind::EmptyCommaWord, WarningKind::ControlCharacter})
                imported.warnings += import.warningCounts()[static_cast<unsigned>(kind)];
        });
        writer.deckEnds();
    });
    for (const Card* card : target.cards) imported.cards.push_back(exactCard(*card));
    return imported;
}

// A field text of width columns as decks hold them: numbers in many forms,
// blanks, junk, and (not first) a tab that makes the field empty.
std::string randomField(std::mt19937_64& rng, unsigned width, bool tabAllowed) {
    auto pick = [&](unsigned n) { return static_cast<unsigned>(rng() % n); };
    char text[128];
    const int exponent = static_cast<int>(pick(60)) - 40;
    const double magnitude = std::ldexp(static_cast<double>(rng() % 100000000), exponent);
    const double value = pick(2) ? -magnitude : magnitude;
    switch (pick(tabAllowed ? 11 : 10)) {
        case 0: std::snprintf(text, sizeof text, "%.*f", static_cast<int>(pick(8)), value); break;
        case 1: std::snprintf(text, sizeof text, "%.*e", static_cast<int>(pick(9)), value); break;
        case 2:
            std::snprintf(text, sizeof text, "%.*g", static_cast<int>(pick(17) + 1), value);
            break;
        case 3: std::snprintf(text, sizeof text, "%d", static_cast<int>(rng())); break;
        case 4:
            std::snprintf(text, sizeof text, "%.3f%+d", value / 1e3, -static_cast<int>(pick(40)));
            break;
        case 5: std::snprintf(text, sizeof text, "%a", value); break;
        case 6: std::snprintf(text, sizeof text, "%s", pick(2) ? "-0." : "nan"); break;
        case 7: std::snprintf(text, sizeof text, "%s", pick(2) ? "" : "1.5x"); break;
        case 8:
            std::snprintf(text, sizeof text, "%.*f", static_cast<int>(pick(7)), value / 1e6);
            break;
        case 9: std::snprintf(text, sizeof text, "%u", pick(1000)); break;
        default: std::snprintf(text, sizeof text, "\t"); break;
    }
    std::string field = text;
    if (field.size() > width) field.resize(width);
    const size_t pad = width - field.size();
    return field[0] == '\t' ? field + std::string(pad, ' ')
           : pick(4)        ? std::string(pad, ' ') + field
                            : field + std::string(pad, ' ');
}

std::string randomLine(std::mt19937_64& rng, const std::vector<unsigned>& widths) {
    std::string line;
    const size_t fields = 1 + rng() % widths.size();
    for (size_t i = 0; i < fields; ++i)
        line += randomField(rng, widths[i], i > 0 && i + 1 < fields);
    return line + (rng() % 8 ? "\n" : "\r\n");
}

}  // namespace

// Whatever the value and the width, a text that is given fits the field and
// reads back as the same bits with the field's reading (ten columns with the
// exponent repair, others without), in every rounding mode. Values whose deck
// text fits their field always get one.
TEST(ExactText, ReadsBackAtEveryWidthInEveryRoundingMode) {
    std::vector<double> values = {0.0,
                                  -0.0,
                                  0.5,
                                  1.0,
                                  0.1,
                                  1e22,
                                  1e23,
                                  4.9e-324,
                                  -1523.123456,
                                  2.2250738585072014e-308,
                                  1.7976931348623157e308,
                                  INFINITY,
                                  -INFINITY,
                                  NAN,
                                  123456789012.0,
                                  9007199254740993.0};
    std::mt19937_64 rng(11);
    auto fromBits = [](uint64_t bits) {
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    };
    for (int k = -320; k <= 308; k += 7) values.push_back(std::nextafter(std::pow(10.0, k), 0.0));
    for (int i = 0; i < 4000; ++i) {
        values.insert(values.end(),
                      {static_cast<double>(rng() % 2000000000) / 1e6 - 1000.0,
                       std::ldexp(rng() % (1ULL << 53), int(rng() % 140) - 120), fromBits(rng())});
    }
    for (int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        for (double value : values) {
            for (unsigned width : {3u, 8u, 10u, 16u, 24u}) {
                const std::string text = textOf(value, width);
                if (text[0] == '~') continue;
                ASSERT_LE(text.size(), width) << value;
                ASSERT_TRUE(sameBits(readDouble(text.data(), text.size(), width), value))
                    << "'" << text << "' for " << value << " width " << width << " mode " << mode;
            }
            // A %16.6f coordinate, and any double at 24 columns, always has one.
            char deckText[64];
            std::snprintf(deckText, sizeof deckText, "%.6f", value);
            if (std::strlen(deckText) <= 16 && std::strtod(deckText, nullptr) == value) {
                ASSERT_NE(textOf(value, 16)[0], '~') << deckText;
            }
            ASSERT_NE(textOf(value, 24)[0], '~') << value;
        }
    }
    std::fesetround(FE_TONEAREST);
}

// The text chosen: the plainest decimal where it fits with a blank before
// it, then the shortest exponent form; a value touches its neighbour only
// when no text one column narrower is exact; without an exact text, the
// closest decimal that fits.
TEST(ExactText, ChoosesPlainThenShortTexts) {
    struct Case {
        double value;
        unsigned width;
        const char* text;
    };
    const Case cases[] = {
        {-1523.123456, 16, "-1523.123456"},
        {-1523.123456, 10, "~-1523.1235"},
        {-1523.1234, 10, "-1523.1234"},
        {1523.12345, 10, "1523.12345"},
        {0.12345679, 10, ".12345679"},
        {0.5, 10, "0.5"},
        {0.5, 3, ".5"},
        {1.0, 10, "1.0"},
        {1.0, 2, "1"},
        {1500.0, 5, "1500"},
        {-0.0, 8, "-0.0"},
        {NAN, 8, "nan"},
        {-INFINITY, 8, "-inf"},
        {1.5e-3, 16, "0.0015"},
        {1e-10, 8, "1e-10"},
        {1.2345e-30, 10, "1.2345-30"},
        {1.2345e-30, 16, "1.2345e-30"},
        {1.5e200, 8, "1.5e200"},
        {1.5e-200, 10, "1.5e-200"},
        {1.2345e-300, 10, "12345e-304"},
        {1.6113262176513672, 10, "~1.61132622"},
        {std::ldexp(1.0, -40), 8, "~9095e-16"},
        {0.8250000000000001, 10, "~0.825"},
        {1.7976931348623157e308, 8, "~1797e305"},
        {293.0, 10, "293.0"},
        {-12345678.9, 16, "-12345678.9"},
        {123456789.0, 10, "123456789"},
    };
    for (const Case& c : cases) EXPECT_EQ(textOf(c.value, c.width), c.text) << c.value;
}

// Fixed-form and comma-form decks of every keyword, with values of every
// shape, tabs that leave fields empty in the middle and lines that end early,
// and the example and golden decks, a deck that ends inside a node list and
// one that ends inside a keyword's fixed cards: the write-back imports again
// to the same cards, field for field, without warnings of its lines' text,
// and writing that back again gives the same text.
TEST(WriteBack, DecksImportAgainToTheSameCards) {
    std::vector<std::string> decks = {
        "*AIRBAG_REFERENCE_GEOMETRY\n       1             0.5             1.5             2.5",
        "*AIRBAG_ALE\n       100         1\n"};
    for (const char* name : {"examples/airbags.k", "examples/airbags-comma.k", "tests/golden/ale.k",
                             "tests/golden/advancedale.k"})
        decks.push_back(fileText(ABIMPORT_SOURCE_DIR "/" + std::string(name)));
    std::mt19937_64 rng(5);
    const std::vector<unsigned> words(8, 10), node = {8, 16, 16, 16}, shell(6, 8);
    for (int round = 0; round < 60; ++round) {
        std::string deck = "*AIRBAG_INTERACTION\n" + randomLine(rng, words);
        deck += "*AIRBAG_REFERENCE_GEOMETRY\n";
        for (int i = 0; i < 20; ++i) deck += randomLine(rng, node);
        deck += "*AIRBAG_SHELL_REFERENCE_GEOMETRY\n";
        for (int i = 0; i < 5; ++i) deck += randomLine(rng, shell);
        deck += "*AIRBAG_REFERENCE_GEOMETRY_BIRTH\n" + randomLine(rng, words);
        deck += "       1,2.5,,-3.25e-3\n       2,1.5+2\n";
        deck += "*AIRBAG_ALE\n";
        for (int i = 0; i < 8; ++i) deck += randomLine(rng, words);
        deck += "*AIRBAG_INTERACTION\n1,2,-1523.1234,1523.12345,0.12345679,7\n*END\n";
        decks.push_back(deck);
    }
    for (const std::string& deck : decks) {
        const Imported first = importAndWrite(deck);
        const Imported again = importAndWrite(first.writeBack);
        ASSERT_FALSE(first.cards.empty()) << deck;
        ASSERT_EQ(again.cards, first.cards) << deck << "\n---\n" << first.writeBack;
        EXPECT_EQ(again.warnings, 0u) << first.writeBack;
        EXPECT_EQ(importAndWrite(again.writeBack).writeBack, again.writeBack);
    }
}
