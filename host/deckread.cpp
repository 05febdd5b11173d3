#include "deckread.h"

namespace abimport {

DeckRead::DeckRead(const std::string& path) : input_(path) {}

DeckRead::DeckRead(FILE* file, const std::string& name) : input_(file, name) {}

DeckRead::~DeckRead() = default;

const DataLine& DeckRead::reader() {
    if (!reader_) reader_ = std::make_unique<DataLine>(input_.file());
    return *reader_;
}

size_t DeckRead::run(const ABImport& registry, ImportObject& target, DeckObserver* observer,
                     const ImportSettings& settings, const std::string& name,
                     const std::function<void(const DeckImport&)>& atEnd) {
    reader();
    DeckImport deck(registry, target, observer, settings);
    const size_t imported = deck.run(*reader_, name);
    includeFailed_ = deck.includeFailed();
    if (atEnd) atEnd(deck);
    readFailed_ = input_.readFailed();
    return imported;
}

}  // namespace abimport
