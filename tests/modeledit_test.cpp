// Editing a model in process: saves that fail between writing and renaming,
// files changed on disk, and random edits on random models, which never
// change a byte outside the edited fields.
#include "../edit/modeledit.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "../frame/exponentrepair.h"
#include "../host/deckimport.h"
#include "../host/hostcalls.h"
#include "../output/exacttext.h"
#include "deckfile.h"
#include "toolrun.h"

using namespace abimport;

namespace {

const auto readAll = abimport::fileText;

class ModelEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(mkdtemp(dir_), nullptr);
        registry_.initABALETypesAndFunctions();
    }
    void TearDown() override { std::system(("rm -rf '" + std::string(dir_) + "'").c_str()); }
    std::string path(const std::string& name) const { return std::string(dir_) + "/" + name; }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(path(name), std::ios::binary) << text;
    }
    FieldEdit edit(unsigned long long line, const std::string& field, const std::string& value) {
        return {path("main.k"), line, field, value};
    }
    ABImport registry_;
    char dir_[32] = "/tmp/abimport-edit-XXXXXX";
};

// The cards of a deck file: per card its name, then NAME=VALUE per field,
// doubles by their bits.
std::vector<std::vector<std::string>> cardsOf(const std::string& path, const ABImport& registry) {
    FILE* file = std::fopen(path.c_str(), "rb");
    DataLine reader(file);
    HostImportObject target;
    DeckImport import(registry, target, nullptr, {});
    import.run(reader, path);
    std::fclose(file);
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
// leaves the old file and no temporary one; a file changed on disk since it
// was read is not overwritten.
TEST_F(ModelEditTest, SavesAreAtomicAndRefuseChangedFiles) {
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

    model.beforeRename = nullptr;
    write("main.k", deck + "$ changed\n");
    EXPECT_FALSE(model.saveInPlace(error));
    EXPECT_EQ(error,
              path("main.k") + ": the file changed on disk since it was read; nothing written");
    EXPECT_EQ(readAll(path("main.k")), deck + "$ changed\n");
}

// Random edits on random models (fixed and comma lines, tabs, short lines,
// CRLF): only the bytes of the edited field's columns or word change, and
// the saved model reads back with the edited values exactly and every other
// card unchanged.
TEST_F(ModelEditTest, RandomEditsChangeOnlyTheEditedFields) {
    std::mt19937_64 rng(3);
    auto pick = [&](unsigned n) { return static_cast<unsigned>(rng() % n); };
    const char* const kTexts[] = {"1",    "-7",  "0.5",       "1.5e-3", "1.5-3", "-1523.123456",
                                  "2.25", "1e5", "123456789", "0.0025", ".5",    "-0."};
    int applied = 0;
    for (int round = 0; round < 200; ++round) {
        std::string deck = "$ model\n*AIRBAG_INTERACTION\n";
        deck += pick(2) ? "         1\t                 3.        4.\n" : "1,2,3.,4.,5\n";
        deck += "*AIRBAG_REFERENCE_GEOMETRY\n";
        for (int i = 0; i < 4; ++i) {
            deck += pick(3) ? "       " + std::to_string(i) + "             1.5" +
                                  (pick(2) ? "             2.5\r\n" : "\n")
                            : std::to_string(i) + ",1.5,2.5\n";
        }
        write("main.k", deck);
        const auto before = cardsOf(path("main.k"), registry_);

        ModelEdit model;
        std::string error;
        ASSERT_TRUE(model.load(path("main.k"), registry_, true, error)) << error;
        const bool node = pick(2);
        const unsigned long long line = node ? 5 + pick(4) : 3;
        const char* const nodeFields[] = {"NID", "X", "Y", "Z"};
        const char* const interactionFields[] = {"AB1", "AB2", "AREA", "SF", "PID"};
        const std::string field = node ? nodeFields[pick(4)] : interactionFields[pick(5)];
        const std::string value = kTexts[pick(12)];
        if (!model.apply({path("main.k"), line, field, value}, error))
            continue;  // an error is fine
        ASSERT_TRUE(model.saveInPlace(error)) << error;
        ++applied;
        const std::string after = readAll(path("main.k"));

        // Every line but the edited one is as it was; in the edited one only
        // a run of bytes that holds the new text changed.
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
        ASSERT_EQ(changed.find_first_not_of(" " + value + "0123456789.e+-"), std::string::npos)
            << oldLine << " -> " << newLine;

        // Re-read: the other cards and fields are the same, the edited
        // field holds what the text says.
        const auto now = cardsOf(path("main.k"), registry_);
        ASSERT_EQ(now.size(), before.size());
        const size_t edited = node ? 1 + (line - 5) : 0;
        char says[40];
        char word[32] = {};
        value.copy(word, sizeof word - 2);
        abimport::detail::repairExponent(word, static_cast<unsigned>(value.size()));
        if (field == "NID" || field == "AB1" || field == "AB2" || field == "PID") {
            std::snprintf(says, sizeof says, "%d",
                          static_cast<int>(std::strtol(word, nullptr, 10)));
        } else {
            std::snprintf(says, sizeof says, "%a", std::strtod(word, nullptr));
        }
        for (size_t i = 0; i < now.size(); ++i) {
            std::vector<std::string> expected = before[i];
            if (i == edited) {
                auto held = std::find_if(
                    expected.begin(), expected.end(),
                    [&](const std::string& f) { return f.rfind(field + "=", 0) == 0; });
                if (held == expected.end())
                    continue;  // a field that was empty: checked by the line
                *held = field + "=" + says;
            }
            EXPECT_EQ(now[i], expected) << oldLine << " -> " << newLine;
        }
    }
    EXPECT_GT(applied, 100);
}
