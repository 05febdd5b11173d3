// libFuzzer target: any bytes as a model. The first byte is the host flag word
// (Card::contFlag); the rest is split at each line "%%" into main.k and the
// files inc1.k, inc2.k, ... of a scratch folder, which main.k may include. The
// model goes through the host's deck loop with includes followed, warnings
// and the model checked, parameters given their values, every host call, card
// and warning is written as JSON Lines (which writes each card back as text),
// each card's own text is checked against the card and must come from a data
// line, each warning must name a kind and a line of its file, and everything
// is freed before the next input. Then one field, chosen by the input, is
// edited in place: when the edit is made, every file but main.k and every line
// of main.k but the edited one must keep its bytes.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "../edit/modeledit.h"
#include "../host/deckimport.h"
#include "../host/hostcalls.h"
#include "../output/jsonevents.h"
#include "../output/warningkinds.h"

using namespace abimport;

namespace {

// A broken invariant is a finding: say which and stop like a crash.
void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "deck_fuzzer: %s\n", what);
    std::abort();
}

const std::string kSeparator = "\n%%\n";

void checkCard(Card& card) {
    require(card.fieldNames.empty() || card.fieldNames.size() == card.fields.size(),
            "field names out of step with the values");
    std::string text;
    card.tostring(text);
    // A header line when names were kept, then exactly one values line.
    size_t lineEnds = 0;
    for (char c : text) lineEnds += c == '\n';
    require(!text.empty() && text.back() == '\n', "card text does not end its line");
    require(lineEnds == (card.fieldNames.empty() ? 1u : 2u), "card text has stray lines");
}

// The number of lines of a file: its newlines, and one more for text after the last.
unsigned long long linesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned long long lines = 0;
    char last = '\n';
    for (char c; in.get(c); last = c) lines += c == '\n';
    return lines + (last != '\n');
}

// The JSON writer, with each warning and card checked before it is written.
class CheckedWriter : public JsonEventWriter {
public:
    using JsonEventWriter::JsonEventWriter;
    void keywordEnds(const ImportedKeyword& keyword) override {
        // The host ends each file as a keyword line would: every card comes
        // from a data line.
        for (size_t i = keyword.firstCard; i < keyword.target.cards.size(); ++i)
            require(keyword.cardLines.at(i - keyword.firstCard) != 0, "a card from no data line");
        JsonEventWriter::keywordEnds(keyword);
    }
    void warning(const Warning& warning) override {
        require(static_cast<unsigned>(warning.kind) < kWarningKindCount &&
                    *warningKindName(warning.kind) != '\0' && !warning.message.empty(),
                "a warning without a kind or a message");
        require(warning.line >= 1 && warning.line <= linesOf(*warning.file),
                "a warning names no line of its file");
        JsonEventWriter::warning(warning);
    }
};

// The scratch folder of the model's files, made once per process, and the
// number of model files in it now. Both go when the process exits.
char scratch[32] = "/dev/shm/abimport-fuzz-XXXXXX";
size_t written = 0;

std::string fileName(size_t index) {
    return index == 0 ? "main.k" : "inc" + std::to_string(index) + ".k";
}

void removeScratch() {
    for (size_t i = 0; i < written; ++i) std::remove((scratch + ("/" + fileName(i))).c_str());
    rmdir(scratch);
}

const std::string& scratchFolder() {
    static const std::string folder = [] {
        // In memory where the system has a tmpfs: the files are written for every input.
        if (access("/dev/shm", W_OK) != 0)
            std::snprintf(scratch, sizeof scratch, "/tmp/abimport-fuzz-XXXXXX");
        require(mkdtemp(scratch) != nullptr, "cannot make a scratch folder");
        std::atexit(removeScratch);
        return std::string(scratch);
    }();
    return folder;
}

// Writes the parts as the model's files and removes those of a longer model
// before.
void writeModel(const std::string& text) {
    std::vector<size_t> sizes;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(kSeparator, start);
        const std::string part =
            text.substr(start, end == std::string::npos ? end : end - start + 1);
        FILE* file = std::fopen((scratchFolder() + "/" + fileName(sizes.size())).c_str(), "wb");
        require(file && std::fwrite(part.data(), 1, part.size(), file) == part.size() &&
                    std::fclose(file) == 0,
                "cannot write a model file");
        sizes.push_back(part.size());
        if (end == std::string::npos) break;
        start = end + kSeparator.size();
    }
    for (size_t i = sizes.size(); i < written; ++i)
        std::remove((scratchFolder() + "/" + fileName(i)).c_str());
    written = sizes.size();
}

std::string fileText(const std::string& path) {
    std::string text;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            text.append(buffer, n);
        std::fclose(file);
    }
    return text;
}

// The text without its line (1-based), and where that line was.
std::string withoutLine(const std::string& text, unsigned long long line) {
    size_t begin = 0;
    for (unsigned long long n = 1; n < line && begin != std::string::npos; ++n) {
        begin = text.find('\n', begin);
        if (begin != std::string::npos) ++begin;
    }
    if (begin == std::string::npos) return text;
    const size_t end = text.find('\n', begin);
    return text.substr(0, begin) + (end == std::string::npos ? "" : text.substr(end));
}

// Edits one field of main.k chosen by the input (a value, a blank, with or
// without --round), or moves its reference-geometry nodes, and checks that
// nothing but the edited lines changes.
void editOneField(const uint8_t* data, size_t size, const ABImport& registry) {
    // Every field name that some keyword's card gives a value.
    static const std::vector<std::string> kFields = [] {
        std::vector<std::string> names;
        for (const KeywordDescription* keyword : keywordList()) {
            for (unsigned c = 0; c < keyword->cardCount; ++c) {
                const CardDescription& card = keyword->cards[c];
                for (unsigned i = 0; i < card.fieldCount; ++i) {
                    if (card.fields[i].type != kBlankRequestCode)
                        names.push_back(card.fields[i].name);
                }
            }
        }
        return names;
    }();
    static const char* const kValues[] = {"1",
                                          "-7",
                                          "0.0025",
                                          "1.5-3",
                                          "-1523.123456",
                                          "1e5",
                                          "123456789",
                                          ".5",
                                          "",
                                          "0.8250000000000001",
                                          "0x1p-30",
                                          "2.5+12",
                                          "2147483648",
                                          "000000000020",
                                          "inf",
                                          "-46541.-325"};
    if (size < 4) return;
    const std::string main = scratchFolder() + "/main.k";
    const std::vector<std::string> before = [] {
        std::vector<std::string> texts;
        for (size_t i = 0; i < written; ++i)
            texts.push_back(fileText(scratchFolder() + "/" + fileName(i)));
        return texts;
    }();
    const FieldEdit edit{main, 1u + data[1] % 64u, kFields[data[2] % kFields.size()],
                         kValues[data[3] % 16]};
    ModelEdit model;
    std::string error;
    if (!model.load(main, registry, true, error)) return;
    if (data[3] & 0x80) {
        // Every node from NID 0 to 7 moved: unknown NIDs refuse the whole edit.
        std::vector<NodeEdit> rows;
        for (int32_t nid = 0; nid < 8; ++nid) rows.push_back({nid, {nid * 0.1, -1.5e-7, 1e300}});
        if (!model.setNodes(rows, data[2] & 0x80, error)) {
            require(model.diff().empty(), "a refused node edit changed the files held");
            return;
        }
        require(model.saveInPlace(error), "a node edit that applied could not be saved");
        return;
    }
    if (!model.apply(edit, error, nullptr, data[2] & 0x80)) return;
    require(model.saveInPlace(error), "an edit that applied could not be saved");
    for (size_t i = 0; i < written; ++i) {
        const std::string after = fileText(scratchFolder() + "/" + fileName(i));
        require(i == 0 ? withoutLine(after, edit.line) == withoutLine(before[i], edit.line)
                       : after == before[i],
                "an edit changed bytes outside its line");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const ABImport registry = [] {
        ABImport r;
        r.initABALETypesAndFunctions();
        return r;
    }();
    static FILE* const sink = std::fopen("/dev/null", "w");
    require(sink != nullptr, "cannot open /dev/null for the output");

    Card::contFlag = data[0];
    writeModel(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    const std::string main = scratchFolder() + "/main.k";
    DataLine dataLine(main.c_str());
    require(dataLine.isOpen(), "cannot open the main deck");
    CheckedWriter writer(sink);
    HostImportObject target(&writer);
    ImportSettings settings;
    settings.cardLines = settings.emptyBeforeFilled = true;
    settings.check = true;
    settings.parameters = true;
    DeckImport model(registry, target, &writer, settings);
    model.run(dataLine, main);

    // The bytes of every file read (an include may be read more than once)
    // bound the cards.
    size_t bytesRead = 0;
    for (const SourceFile& file : model.files()) {
        struct stat status;
        if (stat(file.path->c_str(), &status) == 0)
            bytesRead += static_cast<size_t>(status.st_size);
    }
    require(target.cards.size() <= bytesRead, "more cards than the files read have lines");
    for (Card* card : target.cards) checkCard(*card);
    if (Card::contFlag & Card::kKeepNames) editOneField(data, size, registry);
    return 0;
}
