// A host that reuses the stand-in host (libabimport_host): its deck loop
// follows the include files and *END, and an observer is told of every
// include, keyword and warning. It prints where each keyword came from and
// how many cards it gave, and writes the warnings as abimport does.
#include <abimport/host/deckimport.h>

#include <cstdio>

namespace {

// The name of a warning kind as abimport prints it: "long-line", ...
const char* kindName(abimport::WarningKind kind) {
    static const char* const names[] = {
#define ABIMPORT_KIND_NAME(identifier, name, description) name,
        ABIMPORT_READ_WARNING_KINDS(ABIMPORT_KIND_NAME)
#undef ABIMPORT_KIND_NAME
    };
    return names[static_cast<unsigned>(kind)];
}

class Printer : public abimport::DeckObserver {
public:
    void includeOpened(const abimport::SourceFile& include,
                       const abimport::SourceFile& includingFile) override {
        std::printf("%s:%llu: includes %s\n", includingFile.path->c_str(), include.includeLine,
                    include.path->c_str());
    }
    void keywordEnds(const abimport::ImportedKeyword& keyword) override {
        const size_t cards = keyword.target.cards.size() - keyword.firstCard;
        std::printf("%s:%llu: *%s, %zu card%s\n", keyword.source.file.path->c_str(),
                    keyword.source.line, keyword.source.keyword.title, cards,
                    cards == 1 ? "" : "s");
    }
    void warning(const abimport::Warning& warning) override {
        std::fprintf(stderr, "%s:%llu: warning: %s [%s]\n", warning.file->c_str(), warning.line,
                     warning.message.c_str(), kindName(warning.kind));
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DECK\n", argv[0]);
        return 2;
    }
    DataLine dataLine(argv[1]);  // the stand-in host's reader opens the deck
    if (!dataLine.isOpen()) {
        std::fprintf(stderr, "%s: cannot open %s\n", argv[0], argv[1]);
        return 1;
    }
    ABImport registry;
    registry.initABALETypesAndFunctions();
    ImportObject target;  // owns the cards of every keyword of the model
    Printer printer;
    abimport::ImportSettings settings;
    settings.parameters = true;  // fields that name a parameter take its value
    abimport::DeckImport deck(registry, target, &printer, settings);
    const size_t keywords = deck.run(dataLine, argv[1]);
    std::printf("%zu keywords, %zu cards, %zu files, %zu warnings\n", keywords, target.cards.size(),
                deck.files().size(), deck.warningTotal());
    return deck.includeFailed() ? 1 : 0;
}
