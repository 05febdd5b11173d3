#include "deckqueue.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace abimport {

namespace {

// Where one deck writes while decks before it are still to be printed: its
// output to a temporary file, its error lines to memory.
struct Spool {
    FILE* out = nullptr;
    FILE* err = nullptr;
    char* errText = nullptr;
    size_t errSize = 0;

    bool open() {
        out = std::tmpfile();
        err = open_memstream(&errText, &errSize);
        return out && err;
    }
    // Copies both to the standard streams and frees them.
    void print() {
        if (err) {
            std::fclose(err);
            std::fwrite(errText, 1, errSize, stderr);
        }
        std::free(errText);
        if (out) {
            std::rewind(out);
            char block[1 << 16];
            for (size_t n; (n = std::fread(block, 1, sizeof block, out)) > 0;)
                std::fwrite(block, 1, n, stdout);
            std::fclose(out);
        }
    }
    void discard() {
        if (out) std::fclose(out);
        if (err) std::fclose(err);
        std::free(errText);
        *this = Spool();
    }
};

struct DeckSlot {
    bool done = false;
    bool spooled = false;
    Spool spool;
    DeckOutcome outcome;
};

void add(DeckTotals& totals, const DeckOutcome& outcome) {
    totals.readFailed = totals.readFailed || outcome.readFailed;
    totals.warnings += outcome.warnings;
    totals.modelProblems += outcome.modelProblems;
    totals.summary.add(outcome.summary);
}

}  // namespace

unsigned jobsFor(const Options& options) {
    if (options.jobs) return options.jobs;
    if (options.decks.size() < 2) return 1;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores ? cores : 1;
}

DeckTotals importDecks(const Options& options, const ABImport& registry, unsigned jobs) {
    const std::vector<std::string>& decks = options.decks;
    const bool several = decks.size() > 1;
    DeckTotals totals;
    if (jobs > decks.size()) jobs = static_cast<unsigned>(decks.size());
    if (jobs <= 1) {
        for (size_t i = 0; i < decks.size(); ++i) {
            add(totals, importAndPrint(decks[i], options, registry, several, i + 1 == decks.size(),
                                       stdout, stderr));
        }
        return totals;
    }

    std::vector<DeckSlot> slots(decks.size());
    std::mutex mutex;
    std::condition_variable changed;
    size_t next = 0;     // the next deck to start
    size_t printed = 0;  // the decks whose output is out
    auto work = [&] {
        for (;;) {
            std::unique_lock<std::mutex> lock(mutex);
            const size_t i = next++;
            if (i >= decks.size()) return;
            DeckSlot& slot = slots[i];
            // A deck whose turn it is already writes straight out; the others
            // spool. A deck that cannot spool waits for its turn.
            if (printed != i && !slot.spool.open()) {
                slot.spool.discard();
                changed.wait(lock, [&] { return printed == i; });
            }
            slot.spooled = slot.spool.out != nullptr;
            lock.unlock();
            const bool last = i + 1 == decks.size();
            const DeckOutcome outcome =
                slot.spooled
                    ? importAndPrint(decks[i], options, registry, several, last, slot.spool.out,
                                     slot.spool.err)
                    : importAndPrint(decks[i], options, registry, several, last, stdout, stderr);
            lock.lock();
            slot.outcome = outcome;
            slot.done = true;
            changed.notify_all();
        }
    };
    std::vector<std::thread> workers;
    for (unsigned j = 0; j < jobs; ++j) workers.emplace_back(work);
    for (size_t i = 0; i < decks.size(); ++i) {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return slots[i].done; });
        lock.unlock();
        if (slots[i].spooled) slots[i].spool.print();
        add(totals, slots[i].outcome);
        lock.lock();
        printed = i + 1;
        changed.notify_all();
    }
    for (std::thread& worker : workers) worker.join();
    return totals;
}

}  // namespace abimport
