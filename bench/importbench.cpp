// Times the import library on generated decks, all in one run and on the same
// files: the fgets loop that any reader pays (the floor), the import at
// several host flag words, and writing every card back as deck text.
//
//   abimport_bench [--nodes=N] [--airbags=M] [benchmark options]
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "../host/contflag.h"
#include "../host/deckimport.h"
#include "../host/hostcalls.h"
#include "../model/card.h"
#include "deckwriter.h"
#include "peakmemory.h"

using namespace abimport;

namespace {

struct Deck {
    std::string name;
    std::string path;
    size_t cards = 0;  // cards a full import builds
    size_t bytes = 0;
    size_t lines = 0;
};

// Cards built from one ALE airbag (twelve), one advanced ALE airbag (nine)
// and one interaction keyword (one), as the deck writer writes them.
constexpr size_t kCardsPerAirbagSet = 12 + 9 + 1;

// A host that counts its ID reports and airbag lookups, as a real host at
// least looks at each.
class CountingHost : public HostCallListener {
public:
    void idReport(char**, unsigned, const unsigned*, const unsigned*, const unsigned*,
                  unsigned long long) override {
        ++calls;
    }
    void airbagCall(HostCallKind, char**, unsigned, unsigned long long) override { ++calls; }
    size_t calls = 0;
};

const ABImport& registry() {
    static const ABImport imports = [] {
        ABImport r;
        r.initABALETypesAndFunctions();
        return r;
    }();
    return imports;
}

// Imports the deck into target; returns the number of host calls.
size_t importInto(const Deck& deck, HostImportObject& target) {
    CountingHost host;
    target.listener = &host;
    DataLine dataLine(deck.path.c_str());
    if (!dataLine.isOpen()) {
        std::fprintf(stderr, "abimport_bench: cannot read %s\n", deck.path.c_str());
        std::exit(1);
    }
    importDeck(dataLine, registry(), target);
    target.listener = nullptr;
    return host.calls;
}

void setRates(benchmark::State& state, const Deck& deck) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * deck.bytes));
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(deck.lines),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

// The floor: every line of the file through fgets into a 128-byte buffer,
// as the reader gets it.
void floorLoop(benchmark::State& state, const Deck* deck) {
    char line[128];
    for (auto _ : state) {
        std::FILE* file = std::fopen(deck->path.c_str(), "rb");
        size_t lines = 0;
        while (std::fgets(line, sizeof line, file)) ++lines;
        std::fclose(file);
        benchmark::DoNotOptimize(lines);
    }
    setRates(state, *deck);
}

// The import at one flag word. Before the timed runs one untimed import
// measures the peak resident memory that the import adds, per card built.
void importAt(benchmark::State& state, const Deck* deck, unsigned flags) {
    Card::contFlag = flags;
    size_t cards = 0, calls = 0;
    double peakPerCard = 0;
    {
        const bool canMeasure = resetPeakMemory();
        const size_t before = residentBytes();
        HostImportObject target;
        calls = importInto(*deck, target);
        cards = target.cards.size();
        if ((flags & Card::kBuildCards) && cards != deck->cards) {
            state.SkipWithError("the import built the wrong number of cards");
            return;
        }
        if (canMeasure && cards) {
            peakPerCard =
                static_cast<double>(peakResidentBytes() - before) / static_cast<double>(cards);
        }
    }
    for (auto _ : state) {
        auto target = std::make_unique<HostImportObject>();
        importInto(*deck, *target);
        state.PauseTiming();  // the cards' destruction is not the import's
        target.reset();
        state.ResumeTiming();
    }
    setRates(state, *deck);
    state.counters["cards"] = static_cast<double>(cards);
    state.counters["hostcalls"] = static_cast<double>(calls);
    if (peakPerCard > 0) state.counters["peakB/card"] = peakPerCard;
    Card::contFlag = kDefaultFlags;
}

// Writing back: every card of a full import (the default flags) through
// Card::tostring, one card at a time, to /dev/null as the tool writes it.
void writeBack(benchmark::State& state, const Deck* deck) {
    Card::contFlag = kDefaultFlags;
    HostImportObject target;
    importInto(*deck, target);
    std::FILE* sink = std::fopen("/dev/null", "w");
    std::string text;
    size_t written = 0;
    for (auto _ : state) {
        written = 0;
        for (Card* card : target.cards) {
            text.clear();
            card->tostring(text);
            std::fwrite(text.data(), 1, text.size(), sink);
            written += text.size();
        }
    }
    std::fclose(sink);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * written));
    state.counters["cards/s"] = benchmark::Counter(static_cast<double>(target.cards.size()),
                                                   benchmark::Counter::kIsIterationInvariantRate);
    state.counters["cards"] = static_cast<double>(target.cards.size());
}

Deck makeDeck(const std::string& dir, const std::string& name, const DeckShape& shape) {
    Deck deck{name, dir + "/" + name + ".k",
              shape.nodes + shape.shells + kCardsPerAirbagSet * shape.airbags};
    std::FILE* out = std::fopen(deck.path.c_str(), "w");
    if (!out || !writeDeck(out, shape) || std::fclose(out) != 0) {
        std::fprintf(stderr, "abimport_bench: cannot write %s\n", deck.path.c_str());
        std::exit(1);
    }
    std::FILE* in = std::fopen(deck.path.c_str(), "rb");
    for (int c; (c = std::getc(in)) != EOF; ++deck.bytes) deck.lines += c == '\n';
    std::fclose(in);
    return deck;
}

// Takes --name=N out of the arguments; false when it is there but no count.
bool takeCount(int& argc, char** argv, const char* name, unsigned long& out) {
    const size_t length = std::strlen(name);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], name, length) != 0 || argv[i][length] != '=') continue;
        char* end = nullptr;
        out = std::strtoul(argv[i] + length + 1, &end, 10);
        if (end == argv[i] + length + 1 || *end) return false;
        for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
        --argc;
        return true;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned long nodes = 1000000, airbags = 10000;
    if (!takeCount(argc, argv, "--nodes", nodes) || !takeCount(argc, argv, "--airbags", airbags)) {
        std::fprintf(stderr, "abimport_bench: --nodes=N and --airbags=M take a count\n");
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;

    char dirTemplate[] = "/tmp/abimport-bench-XXXXXX";
    if (!mkdtemp(dirTemplate)) {
        std::perror("abimport_bench: mkdtemp");
        return 1;
    }
    const std::string dir = dirTemplate;
    DeckShape fixedNodes, commaNodes, shells, keywords;
    fixedNodes.nodes = commaNodes.nodes = shells.shells = nodes;
    commaNodes.commaNodes = true;
    keywords.airbags = keywords.interactions = airbags;  // one set per airbag
    const std::vector<Deck> decks = {
        makeDeck(dir, "nodes-fixed", fixedNodes),
        makeDeck(dir, "nodes-comma", commaNodes),
        makeDeck(dir, "shells", shells),
        makeDeck(dir, "airbags", keywords),
    };

    for (const Deck& deck : decks) {
        const Deck* d = &deck;
        benchmark::RegisterBenchmark(("floor/" + deck.name).c_str(), floorLoop, d)
            ->Unit(benchmark::kMillisecond);
        for (unsigned flags : {0x0u, 0x4u, 0x14u, kDefaultFlags}) {
            char name[64];
            std::snprintf(name, sizeof name, "import/%s/flags:0x%x", deck.name.c_str(), flags);
            benchmark::RegisterBenchmark(name, importAt, d, flags)->Unit(benchmark::kMillisecond);
        }
        benchmark::RegisterBenchmark(("writeback/" + deck.name).c_str(), writeBack, d)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const Deck& deck : decks) std::remove(deck.path.c_str());
    rmdir(dir.c_str());
    return 0;
}
