// Editing a model in process: saves that fail between writing and renaming,
// files changed on disk, and random edits on random models, which never
// change a byte outside the edited fields.
#include "../edit/modeledit.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "../model/numbers/fieldfit.h"
#include "deckloop.h"
#include "toolrun.h"

using namespace abimport;

namespace {

class ModelEditTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return folder_.path(name); }
    void write(const std::string& name, const std::string& text) const {
        folder_.write(name, text);
    }
    std::string readAll(const std::string& file) const { return fileText(file); }
    FieldEdit edit(unsigned long long line, const std::string& field, const std::string& value) {
        return {path("main.k"), line, field, value};
    }
    const ABImport& registry_ = airbagRegistry();
    ModelFolder folder_;
};

// The cards of a deck file: per card its name, then NAME=VALUE per field,
// doubles by their bits.
std::vector<std::vector<std::string>> cardsOf(const std::string& path) {
    HostImportObject target;
    importFile(path, target);
    std::vector<std::vector<std::string>> cards;
    for (const Card* card : target.cards) {
        std::vector<std::string> fields = {card->name};
        for (size_t i = 0; i < card->fields.size(); ++i) {
            char shown[40] = "";
            const Data* value = card->fields[i];
            if (auto* real = dynamic_cast<const Double*>(value))
                std::snprintf(shown, sizeof shown, "%a", real->val);
            if (auto* integer = dynamic_cast<const Integer*>(value))
                std::snprintf(shown, sizeof shown, "%d", integer->val);
            fields.push_back(card->fieldNames[i] + "=" + shown);
        }
        cards.push_back(fields);
    }
    return cards;
}

}  // namespace

// A save interrupted between writing the temporary file and renaming it
// leaves the old file and no temporary one. (A file changed on disk since it
// was read: test_editing.py's test_save_errors_write_nothing, both saves.)
TEST_F(ModelEditTest, SavesAreAtomic) {
    const std::string deck = "*AIRBAG_INTERACTION\n         1         2       1.5\n";
    write("main.k", deck);
    ModelEdit model;
    std::string error;
    ASSERT_TRUE(model.load(path("main.k"), registry_, true, error)) << error;
    ASSERT_TRUE(model.apply(edit(2, "AREA", "2.5"), error)) << error;
    std::string temporary;
    model.beforeRename = [&](const std::string& written) {
        temporary = written;
        EXPECT_EQ(readAll(written), "*AIRBAG_INTERACTION\n         1         2       2.5\n");
        throw std::runtime_error("interrupted");
    };
    EXPECT_THROW(model.saveInPlace(error), std::runtime_error);
    EXPECT_EQ(readAll(path("main.k")), deck);
    EXPECT_NE(access(temporary.c_str(), F_OK), 0);
}

// Edits that wrote a value other than the one asked for, or refused a good
// one: each line as the edit leaves it, or the error it gives.
TEST_F(ModelEditTest, EachEditReadsBackAsAskedOrSaysWhy) {
    const std::string interaction = "*AIRBAG_INTERACTION\n";
    struct Case {
        std::string deck;  // after the title line; the edit is of line 2
        std::string set;   // FIELD=VALUE
        std::string line;  // line 2 after the edit, or the error's end
        bool round = false;
    };
    const std::vector<Case> cases = {
        // The line's end counts in the repair of a comma line's last word.
        {interaction + "1,2,3.5,4.5\n", "SF=2.5+12", "1,2,3.5,2.5e12"},
        {interaction + "1,2,3.5,4.5", "SF=2.5+12", "1,2,3.5,2.5+12"},
        // The word the reader gives the field, whatever control characters
        // stand before it.
        {interaction + "\t1,2,1.5,1.0,7,20,0\n", "AREA=2.5", "\t1,2,2.5,1.0,7,20,0"},
        {interaction + "1,2,1.5,\t1.0,7,20,0\n", "PID=9", "1,2,1.5,\t1.0,9,20,0"},
        {interaction + "1,2,1.5,\t1.0,7,20,0\n", "SF=3", "1,2,1.5,3,7,20,0"},
        {interaction + "1,2,1.5,1.0,7,20\n", "LCID=2147483648",
         "'2147483648' is not an integer from -2147483648 to 2147483647"},
        {interaction + "1,2,1.5,1.0,7,20\n", "LCID=2147483647", "1,2,1.5,1.0,7,2147483647"},
        {interaction + "1,2,1.5,1.0,7,20\n", "LCID=-2147483648",
         "'-2147483648' has no text that fits its 10 columns"},
        // Placeholder columns are no fields of the card.
        {"*AIRBAG_ALE\n       100         1\t" + std::string(39, ' ') + "0.5\n", "unused=5",
         "('unused' is a placeholder column, not a field of the card) (its fields: SID SIDTYP "
         "MWD)"},
        {"*AIRBAG_ALE\n       100         1         5\n", " =5",
         "(' ' is a placeholder column, not a field of the card) (its fields: SID SIDTYP)"},
        // A value's own text where the one given is wider than the field.
        {interaction + "         1         2\n", "AB1=000000000020", "        20         2"},
        {interaction + "1,2\n", "AB1=+0000000020", "20,2"},
        // Every text the field's reading reads as a number.
        {interaction + "         1         2       1.5\n",
         "AREA=0.000010000000000000000818030539140313095458623138256371021270751953125",
         "         1         2   0.00001"},
        {interaction + "         1         2       1.5\n", "AREA=0x1.4f8b588e368f1p-17",
         "         1         2   0.00001"},
        {interaction + "         1         2       1.5\n", "AREA=-46541.-325",
         "         1         2-4654e-324"},
        {interaction + "         1         2       1.5\n", "AREA=9.313225746154785e-10",
         "has no text that fits its 10 columns; the closest is '.9313226-9'"},
        {interaction + "         1         2       1.5\n", "AREA=9.313225746154785e-10",
         "         1         2.9313226-9", true},
        // A word that is only the line's end: the new word goes before it.
        {"*AIRBAG_REFERENCE_GEOMETRY\n12345678,,3,\n", "Y=5", "12345678,,3,5"},
        {interaction + "1,2,3.5\r\n", "area=4", "1,2,4\r"},
        // Blanking: a fixed-form field's columns; not a comma word.
        {interaction + "         1         2       1.5       2.5\n",
         "AREA=", "         1         2                 2.5"},
        {interaction + "1,2,3.5,4.5\n", "AREA=",
         "an empty word drops out and moves the later values one field left; write 0 instead"},
        // No text of a hexadecimal: the decimal that reads back exactly.
        {interaction + "1,2,3.5,4.5\n", "SF=0x1p-2", "1,2,3.5,0.25"},
    };
    for (const Case& c : cases) {
        write("main.k", c.deck);
        ModelEdit model;
        std::string error;
        ASSERT_TRUE(model.load(path("main.k"), registry_, true, error)) << error;
        const size_t equals = c.set.find('=');
        EditedField result;
        const bool applied = model.apply(edit(2, c.set.substr(0, equals), c.set.substr(equals + 1)),
                                         error, &result, c.round);
        if (!applied) {
            EXPECT_NE(error.find(c.line), std::string::npos) << c.set << ": " << error;
            EXPECT_EQ(error.rfind(path("main.k") + ":2: ", 0), 0u) << error;
            continue;
        }
        ASSERT_TRUE(model.saveInPlace(error)) << error;
        const std::string after = readAll(path("main.k"));
        const size_t begin = after.find('\n') + 1;
        EXPECT_EQ(after.substr(begin, after.find('\n', begin) - begin), c.line) << c.set;
        EXPECT_EQ(result.rounded, c.round) << c.set;
    }
}

namespace {

// A value as a plain reader of decks reads a field's text: decimal digits
// with an optional sign, point and exponent letter ('e' or 'E'), and in a
// ten-column field an exponent without its letter after a point; inf and
// nan. Nothing else (no hexadecimal, no text the C library alone reads).
bool plainReading(const std::string& text, bool integer, bool letterless, double& value) {
    static const std::regex kInteger(R"([+-]?[0-9]+)");
    static const std::regex kDecimal(R"([+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?)");
    static const std::regex kLetterless(R"(([+-]?([0-9]+\.[0-9]*|\.[0-9]+))([+-][0-9]+))");
    std::smatch match;
    if (integer) {
        if (!std::regex_match(text, kInteger)) return false;
        value = static_cast<double>(std::stoll(text));
        return true;
    }
    if (text == "inf" || text == "-inf" || text == "nan") {
        value = text == "nan" ? NAN : text == "inf" ? INFINITY : -INFINITY;
        return true;
    }
    if (std::regex_match(text, kDecimal)) {
        value = std::strtod(text.c_str(), nullptr);
        return true;
    }
    if (letterless && std::regex_match(text, match, kLetterless)) {
        value = std::strtod((match[1].str() + "e" + match[3].str()).c_str(), nullptr);
        return true;
    }
    return false;
}

// A double of one of the shapes decks and computations hold.
double randomDouble(std::mt19937_64& rng) {
    switch (rng() % 10) {
        case 0: {
            const uint64_t bits = rng();
            double value;
            std::memcpy(&value, &bits, sizeof value);
            return std::isfinite(value) ? value : 1.0;
        }
        case 1: return std::round(static_cast<double>(rng() % 20000000) - 1e7) / 1000;
        case 2: return static_cast<double>(static_cast<int32_t>(rng()));
        case 3: return std::ldexp(1.0, static_cast<int>(rng() % 200) - 100);
        case 4: return -0.0;
        case 5: return std::nextafter(0.0, 1.0) * static_cast<double>(rng() % 1000);
        case 6: return (rng() % 2 ? 1 : -1) * std::pow(10.0, static_cast<int>(rng() % 600) - 300);
        case 7: return rng() % 2 ? INFINITY : NAN;
        case 8: {
            // Six digits and a two-digit exponent: in ten columns only
            // without the exponent's letter (1.23456-12).
            char text[32];
            std::snprintf(text, sizeof text, "%.5e",
                          (1 + static_cast<double>(rng() % 9000000) / 1e6) *
                              std::pow(10.0, static_cast<int>(rng() % 80) - 40));
            return std::strtod(text, nullptr);
        }
        default: return static_cast<double>(rng() % 1000000) / 1e6 + 0.1;
    }
}

// A text that says value, in one of the forms users and programs write.
std::string textOfValue(std::mt19937_64& rng, double value) {
    char text[64];
    switch (rng() % 4) {
        case 0: std::snprintf(text, sizeof text, "%a", value); break;
        case 1: std::snprintf(text, sizeof text, "%.17g", value); break;
        case 2: std::snprintf(text, sizeof text, "%.6E", value); break;
        default: std::snprintf(text, sizeof text, "%.12g", value); break;
    }
    return text;
}

}  // namespace

// Random values of every shape into random fields of random models (fixed
// and comma lines, tabs, short lines, CRLF): each edit either names
// FILE:LINE and the field, or changes only a run of bytes of the edited
// line, to a text that the import reads back as the value asked for (or,
// rounded, as the value the edit says) and a plain decimal reader reads the
// same, and leaves every other field as it was.
TEST_F(ModelEditTest, RandomEditsChangeOnlyTheirFieldAndReadBackExactly) {
    std::mt19937_64 rng(25);
    auto pick = [&](unsigned n) { return static_cast<unsigned>(rng() % n); };
    const char* const kInteractions[] = {
        "         1\t                 3.        4.\n",
        "1,2,3.,4.,5\n",
        "         1         2       1.5       1.0        10        20\n",
        "1,2,1.5,1.0,10,20,0\n",
        "1,2,1.5,1.0,10,20\r\n",
        "1,2,1.5,1.0\n"};
    const char* const kNodes[] = {
        "             1.5             2.5\r\n", "             1.5\n", ",1.5,2.5\n",
        "    -1523.123456             0.0             2.5\n", ",-1523.123456,0.0,2.5\n"};
    const char* const kFields[3][6] = {{"AB1", "AB2", "AREA", "SF", "PID", "LCID"},
                                       {"NID", "X", "Y", "Z"},
                                       {"EID", "PID", "N1", "N2"}};
    int written = 0;
    for (int round = 0; round < 400; ++round) {
        std::string deck = "$ model\n*AIRBAG_INTERACTION\n";
        deck += kInteractions[pick(6)];
        deck += "*AIRBAG_REFERENCE_GEOMETRY\n";
        for (int node = 1; node <= 4; ++node) {
            const char* rest = kNodes[pick(5)];
            deck += (rest[0] == ',' ? "" : "       ") + std::to_string(node) + rest;
        }
        deck += pick(2) ? "*AIRBAG_SHELL_REFERENCE_GEOMETRY\n       1       2       3       4\n"
                        : "*AIRBAG_SHELL_REFERENCE_GEOMETRY\n1,2,3,4\n";
        write("main.k", deck);
        const auto before = cardsOf(path("main.k"));
        ModelEdit model;
        std::string error;
        ASSERT_TRUE(model.load(path("main.k"), registry_, true, error)) << error;
        const unsigned card = pick(3);
        const size_t index = card == 0 ? 0 : card == 1 ? pick(4) + 1 : 5;  // among the cards
        const unsigned long long line = card == 0 ? 3 : card == 1 ? 4 + index : 10;
        const std::string field = kFields[card][pick(card == 0 ? 6 : 4)];
        const bool integer = card == 2 || field == "AB1" || field == "AB2" || field == "PID" ||
                             field == "LCID" || field == "NID";
        std::string value;
        double asked;
        if (integer) {
            const long long n = static_cast<long long>(
                rng() % 2 ? static_cast<int32_t>(rng()) : static_cast<int32_t>(rng() % 99));
            value = (pick(4) == 0 ? "+000" : "") + std::to_string(n);
            if (value[0] == '+' && n < 0) value = std::to_string(n);
            asked = static_cast<double>(n);
        } else {
            value = textOfValue(rng, randomDouble(rng));
            asked = std::strtod(value.c_str(), nullptr);
        }
        EditedField result;
        if (!model.apply({path("main.k"), line, field, value}, error, &result, pick(2))) {
            EXPECT_EQ(error.rfind(path("main.k") + ":" + std::to_string(line) + ": ", 0), 0u)
                << error;
            EXPECT_NE(error.find(field), std::string::npos) << error;
            continue;
        }
        // Written as a save writes it (saves are checked above, with their
        // flush to disk that would slow this down).
        write("main.k", model.contentOf(path("main.k")));
        ++written;

        // Every line but the edited one is as it was; in the edited one only
        // a run of bytes that holds the new text changed.
        const std::string after = readAll(path("main.k"));
        size_t at = 0;
        for (unsigned long long n = 1; n < line; ++n) at = deck.find('\n', at) + 1;
        ASSERT_EQ(after.substr(0, at), deck.substr(0, at));
        const size_t oldEnd = deck.find('\n', at), newEnd = after.find('\n', at);
        ASSERT_EQ(after.substr(newEnd), deck.substr(oldEnd));
        const std::string oldLine = deck.substr(at, oldEnd - at),
                          newLine = after.substr(at, newEnd - at);
        size_t same = 0;
        while (same < oldLine.size() && same < newLine.size() && oldLine[same] == newLine[same])
            ++same;
        size_t tail = 0;
        while (tail < oldLine.size() - same && tail < newLine.size() - same &&
               oldLine[oldLine.size() - 1 - tail] == newLine[newLine.size() - 1 - tail])
            ++tail;
        const std::string changed = newLine.substr(same, newLine.size() - same - tail);
        ASSERT_EQ(changed.find_first_not_of(" \t" + result.text), std::string::npos)
            << oldLine << " -> " << newLine;

        // Read again: every other field as before; the edited one as asked,
        // as the edit says, and as a plain reader reads its text.
        auto now = cardsOf(path("main.k"));
        ASSERT_EQ(now.size(), before.size());
        auto held = std::find_if(now[index].begin(), now[index].end(), [&](const std::string& f) {
            return f.rfind(field + "=", 0) == 0;
        });
        ASSERT_NE(held, now[index].end()) << field << " = " << value;
        const double imported = std::strtod(held->c_str() + field.size() + 1, nullptr);
        now[index].erase(held);
        auto expected = before;
        expected[index].erase(
            std::remove_if(expected[index].begin(), expected[index].end(),
                           [&](const std::string& f) { return f.rfind(field + "=", 0) == 0; }),
            expected[index].end());
        EXPECT_EQ(now, expected) << oldLine << " -> " << newLine;
        const double says = integer ? static_cast<double>(result.reads.integer) : result.reads.real;
        EXPECT_TRUE(abimport::detail::sameDouble(imported, says)) << value << " " << result.text;
        if (!result.rounded) {
            EXPECT_TRUE(abimport::detail::sameDouble(imported, asked))
                << value << " " << result.text;
        }
        double plain = 0;
        EXPECT_TRUE(plainReading(result.text, integer, card == 0, plain))
            << "'" << result.text << "' for " << value;
        EXPECT_TRUE(abimport::detail::sameDouble(plain, imported)) << result.text;
    }
    EXPECT_GT(written, 200);
}
