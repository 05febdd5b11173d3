#include "modelreading.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "../host/deckimport.h"
#include "../host/hostcalls.h"
#include "../output/warningkinds.h"
#include "lineplaces.h"
#include "uri.h"

namespace abimport::lsp {

namespace {

// A stream of a buffer's text; an empty text reads from an empty file
// (fmemopen of no bytes is not portable).
FILE* openText(const std::string& text) {
    if (text.empty()) return std::fopen("/dev/null", "rb");
    return fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
}

// Keeps the warnings as they come and lets the cards of each keyword go
// once it is imported: the server reads a line's cards again when asked.
class Collector : public DeckObserver {
public:
    explicit Collector(ImportObject& target) : target_(target) {}
    void keywordEnds(const ImportedKeyword&) override {
        for (Card* card : target_.cards) delete card;
        target_.cards.clear();
    }
    void warning(const Warning& warning) override { warnings.push_back(warning); }
    std::vector<Warning> warnings;

private:
    ImportObject& target_;
};

// The model check's kind of a kind of ID. A card description's kind points
// into the library's own copy of the list: its label tells it.
bool checkedKind(const IdKind& kind, ModelCheck::Kind& checked) {
    const size_t index = indexOf(kind);
    if (index == kIdKindCount || !kIdKinds[index].definedBy.keyword) return false;
    checked = static_cast<ModelCheck::Kind>(index);
    return true;
}

}  // namespace

// The deck loop with what it refers to; kept for the model check's
// definitions and references.
struct ModelReading::Loop {
    explicit Loop(const ABImport& registry, const ImportSettings& settings)
        : collector(target), deck(registry, target, &collector, settings) {}
    HostImportObject target;
    Collector collector;
    DeckImport deck;
};

ModelReading::ModelReading(const ABImport& registry, const std::string& mainDeck,
                           const Buffers& buffers) {
    ImportSettings settings;
    settings.check = true;
    settings.parameters = true;  // as abimport reads a model
    settings.openFile = [buffers](const std::string& path) {
        const std::string* text = buffers(absolutePath(path));
        if (!text) return openInclude(path);
        OpenedInclude opened;
        struct stat status;
        // The buffer stands for the file on disk, whose identity tells cycles.
        if (::stat(path.c_str(), &status) == 0) {
            opened.device = status.st_dev;
            opened.inode = status.st_ino;
        }
        opened.file = openText(*text);
        if (!opened.file) opened.error = std::strerror(errno);
        return opened;
    };
    loop_ = std::make_unique<Loop>(registry, settings);

    const std::string* text = buffers(mainDeck);
    FILE* file = text ? openText(*text) : std::fopen(mainDeck.c_str(), "rb");
    struct stat status;
    if (file && !text && (fstat(fileno(file), &status) != 0 || S_ISDIR(status.st_mode))) {
        std::fclose(file);
        file = nullptr;
        errno = EISDIR;
    }
    if (!file) {
        files_.push_back({mainDeck, kNoFile, 0});
        ModelWarning warning;
        warning.line = 1;
        warning.kind = "unreadable";
        warning.message = "cannot read '" + mainDeck + "': " + std::strerror(errno);
        warning.error = true;
        warnings_.push_back(warning);
        return;
    }
    {
        DataLine reader(file);
        loop_->deck.run(reader, mainDeck);
    }
    const bool readFailed = std::ferror(file) != 0;
    std::fclose(file);

    std::map<const std::string*, size_t> indexOfPath;
    for (const SourceFile& source : loop_->deck.files()) {
        indexOfPath.emplace(source.path.get(), files_.size());
        files_.push_back({absolutePath(*source.path),
                          source.parent == SourceFile::kNoParent ? kNoFile : source.parent,
                          source.includeLine});
    }
    for (const Warning& warning : loop_->collector.warnings) {
        const auto at = indexOfPath.find(warning.file.get());
        ModelWarning out;
        out.file = at == indexOfPath.end() ? 0 : at->second;
        out.line = warning.line;
        out.kind = warningKindName(warning.kind);
        out.message = warning.message;
        out.firstColumn = warning.columns.first;
        out.lastColumn = warning.columns.last;
        out.error = warning.kind == WarningKind::IncludeNotFound;
        warnings_.push_back(std::move(out));
    }
    loop_->collector.warnings.clear();
    loop_->collector.warnings.shrink_to_fit();
    if (readFailed) {
        ModelWarning warning;
        warning.line = 1;
        warning.kind = "unreadable";
        warning.message = "error while reading '" + mainDeck + "'";
        warning.error = true;
        warnings_.push_back(warning);
    }
}

ModelReading::~ModelReading() = default;

size_t ModelReading::fileIndex(const std::string& path) const {
    for (size_t i = 0; i < files_.size(); ++i) {
        if (files_[i].path == path) return i;
    }
    return kNoFile;
}

bool ModelReading::definesKind(const IdKind& kind) const {
    ModelCheck::Kind checked;
    return loop_ && loop_->deck.modelCheck() && checkedKind(kind, checked);
}

bool ModelReading::definitionOf(const IdKind& kind, int32_t id, ModelPlace& place) const {
    ModelCheck::Kind checked;
    if (!definesKind(kind) || !checkedKind(kind, checked)) return false;
    return loop_->deck.modelCheck()->definitionOf(checked, id, place.file, place.line);
}

std::vector<ModelPlace> ModelReading::referencesTo(const IdKind& kind, int32_t id) const {
    std::vector<ModelPlace> places;
    ModelCheck::Kind checked;
    if (!definesKind(kind) || !checkedKind(kind, checked)) return places;
    for (const auto& [file, line] : loop_->deck.modelCheck()->referencesTo(checked, id))
        places.push_back({file, line});
    return places;
}

const IdKind* ModelReading::definedOn(size_t file, unsigned long long line, std::string_view text,
                                      int32_t& id) const {
    if (!loop_ || !loop_->deck.modelCheck()) return nullptr;
    for (const IdKind& kind : kIdKinds) {
        ModelPlace place;
        if (kind.definedBy.keyword && idOnLine(text, kind.definedBy.width, id) &&
            definitionOf(kind, id, place) && place.file == file && place.line == line)
            return &kind;
    }
    return nullptr;
}

const ParameterTable* ModelReading::parameters() const {
    return loop_ ? loop_->deck.parameters() : nullptr;
}

FileParameters ModelReading::parametersOf(const std::string& path) const {
    const size_t file = fileIndex(path);
    if (file == kNoFile) return {};
    return {parameters(), file};
}

}  // namespace abimport::lsp
