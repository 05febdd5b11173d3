#include "deckimport.h"

#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <optional>

#include "hostcalls.h"
#include "parameterscan.h"

namespace abimport {

DeckObserver::~DeckObserver() = default;
void DeckObserver::includeOpened(const SourceFile&, const SourceFile&) {}
void DeckObserver::keywordStarts(const KeywordSource&) {}
void DeckObserver::keywordEnds(const ImportedKeyword&) {}
void DeckObserver::warning(const Warning&) {}

void DeckImport::PendingKeyword::take(const char* piece, size_t pieceLength,
                                      unsigned long long at) {
    held = true;
    length = pieceLength < sizeof text ? pieceLength : sizeof text - 1;
    std::memcpy(text, piece, length);
    text[length] = '\0';
    line = at;
}

DeckImport::DeckImport(const ABImport& registry, ImportObject& target, DeckObserver* observer,
                       ImportSettings settings)
    : registry_(registry),
      target_(target),
      observer_(observer),
      settings_(settings),
      checks_({settings.warnings, settings.cardLines, settings.emptyBeforeFilled},
              [this](WarningKind kind, unsigned long long line, const std::string& message,
                     WarningColumns columns) { warn(kind, line, message, columns); }),
      check_(
          checks_, files_,
          [this](WarningKind kind, size_t file, unsigned long long line, const std::string& message,
                 WarningColumns columns) { warnAt(kind, file, line, message, columns); }) {}

size_t DeckImport::warningTotal() const {
    size_t total = 0;
    for (size_t count : warningCounts_) total += count;
    return total;
}

size_t DeckImport::modelProblems() const {
    size_t total = 0;
    for (unsigned kind = 0; kind < kReadWarningKindCount; ++kind)
        if (isModelProblem(static_cast<WarningKind>(kind))) total += warningCounts_[kind];
    return total;
}

void DeckImport::warn(WarningKind kind, unsigned long long line, const std::string& message,
                      WarningColumns columns) {
    warnAt(kind, currentFile_, line, message, columns);
}

void DeckImport::warnAt(WarningKind kind, size_t file, unsigned long long line,
                        const std::string& message, WarningColumns columns) {
    ++warningCounts_[static_cast<unsigned>(kind)];
    if (observer_) observer_->warning({kind, files_[file].path, line, message, columns});
}

size_t DeckImport::run(DataLine& reader, const std::string& path) {
    reader_ = &reader;
    search_ = IncludeSearch(path == "-" ? "" : folderOf(path));
    SourceFile deck;
    deck.path = std::make_shared<const std::string>(path);
    files_.push_back(deck);
    currentFile_ = files_.size() - 1;

    struct stat status;
    const int fd = reader.file ? fileno(reader.file) : -1;
    const bool known =
        fd >= 0 ? fstat(fd, &status) == 0 : path != "-" && ::stat(path.c_str(), &status) == 0;
    chain_.push_back({known ? status.st_dev : 0, known ? status.st_ino : 0, known});
    if (known) noteOpened(status.st_dev, status.st_ino, currentFile_);

    ReadObserver* const savedObserver = reader.observer;
    if (settings_.warnings || settings_.cardLines || settings_.emptyBeforeFilled ||
        settings_.check) {
        reader.observer = &checks_;
    }
    // The reporting functions tell their listener the line of the card.
    auto* host = dynamic_cast<HostImportObject*>(&target_);
    const DataLine* const savedReader = host ? host->reader : nullptr;
    if (host) host->reader = &reader;
    // The model check sees every reporting call first.
    HostCallListener* const savedListener = host ? host->listener : nullptr;
    if (host && settings_.check) {
        check_.start(reader);
        check_.forwardTo(savedListener);
        host->listener = &check_;
    }
    reader.lineNumber = 0;
    reader.lineEnded = true;

    const size_t before = imported_;
    FILE* const deckFile = reader.file;
    readFile(currentFile_, deckFile);
    reader.file = deckFile;
    if (settings_.check) check_.finish();

    if (host) {
        host->reader = savedReader;
        host->listener = savedListener;
    }
    reader.observer = savedObserver;
    chain_.pop_back();
    return imported_ - before;
}

void DeckImport::holdKeywordLine(LinePieces& lines, PendingKeyword& pending) {
    pending.take(lines.text(), lines.length(), lines.line());
    lines.skipRest();
    checks_.keywordLineRead(pending.text, pending.length, pending.line);
}

void DeckImport::readFile(size_t index, FILE* file) {
    FileEndStream* const including = stream_;
    StreamEditor editor(*this, index);
    std::optional<FileEndStream> stream;
    if (settings_.fileEndLine)
        stream.emplace(file, settings_.parameters ? &editor : nullptr, reader_);
    stream_ = stream ? &*stream : nullptr;
    reader_->file = stream ? stream->stream() : file;
    streams_.push_back({index, file, stream_, 0});
    checks_.fileChanges(stream_);
    readKeywords(index);
    streams_.pop_back();
    stream_ = including;
    checks_.fileChanges(including);
}

void DeckImport::StreamEditor::prepare() {
    deck_.readParameters("");
}

bool DeckImport::StreamEditor::edit(unsigned keywordCode, bool firstDataLine, const char* line,
                                    size_t length, std::string& out, LineParameters& fields) {
    return deck_.substitution_ && deck_.substitution_->substitute(keywordCode, firstDataLine, file_,
                                                                  line, length, out, fields);
}

void DeckImport::readParameters(const std::string& keyword) {
    if (parametersRead_ || !settings_.parameters || streams_.empty() || !stream_) return;
    parametersRead_ = true;
    for (size_t i = 0; i < files_.size(); ++i) parameters_.setParent(i, files_[i].parent);
    // Each open file from where its reading stands: what its stream holds,
    // then the rest of the file, which a pipe gives only once.
    std::vector<OpenModelFile> chain;
    for (size_t k = streams_.size(); k-- > 0;) {
        const OpenStream& open = streams_[k];
        open.stream->takeBackUnread();
        FILE* rest = open.file;
        if (rest && std::ftell(rest) < 0) {
            open.stream->keepRest();
            rest = nullptr;
        }
        const SourceFile& file = files_[open.index];
        const unsigned long long line = k + 1 == streams_.size() ? reader_->lineNumber : open.line;
        chain.push_back({open.index, file.path, file.parent == SourceFile::kNoParent, file.depth,
                         chain_[k].device, chain_[k].inode, chain_[k].known,
                         open.stream->undelivered(), line + 1, rest});
    }
    ParameterScan(parameters_, search_, settings_.followIncludes, files_.size(), settings_.openFile)
        .scan(chain, keyword);
    parameters_.evaluate([this](WarningKind kind, const std::shared_ptr<const std::string>& path,
                                unsigned long long line, const std::string& message,
                                WarningColumns columns) {
        ++warningCounts_[static_cast<unsigned>(kind)];
        if (observer_) observer_->warning({kind, path, line, message, columns});
    });
    substitution_ = std::make_unique<ParameterSubstitution>(parameters_);
}

void DeckImport::readKeywords(size_t index) {
    LinePieces lines(*reader_, stream_);
    PendingKeyword pending;
    currentFile_ = index;
    for (;;) {
        currentFile_ = index;
        if (!pending.held) {
            if (!lines.next()) return;
            if (lines.text()[0] != '*') {
                lines.skipRest();
                continue;
            }
            holdKeywordLine(lines, pending);
        }
        pending.held = false;
        // The title is copied: handling the keyword may read the next one into pending.
        const std::string title(keywordTitleOf(pending.text, pending.length));
        const unsigned long long line = pending.line;
        if (titleIs(title, "END")) return;  // the end of this file's input
        if (isParameterTitle(title)) readParameters(title);
        if (const KeywordDescription* keyword = findKeyword(pending.text, pending.length)) {
            importKeyword(*keyword, line, lines, pending);
        } else if (titleIs(title, "TITLE") && index == 0 && title_.empty()) {
            readTitle(lines, pending);
        } else if (titleIs(title, "INCLUDE_PATH") || titleIs(title, "INCLUDE_PATH_RELATIVE")) {
            includeFolders(lines, pending);
        } else if (titleIs(title, "INCLUDE") ||
                   (title.size() > 8 &&
                    titleIs(std::string_view(title).substr(0, 8), "INCLUDE_"))) {
            includeFile(title, line, lines, pending);
        } else {
            otherKeyword(title, lines, pending);
        }
    }
}

void DeckImport::readTitle(LinePieces& lines, PendingKeyword& pending) {
    while (lines.next()) {
        const char* text = lines.text();
        if (text[0] == '*') return holdKeywordLine(lines, pending);
        if (text[0] != '$') {
            size_t length = strnlen(text, lines.length());
            while (length > 0 && std::isspace(static_cast<unsigned char>(text[length - 1])))
                --length;
            title_.assign(text, length);
        }
        lines.skipRest();
        if (text[0] != '$') return;
    }
}

void DeckImport::importKeyword(const KeywordDescription& keyword, unsigned long long line,
                               LinePieces& lines, PendingKeyword& pending) {
    const auto entry = registry_.abaleTypeMap.find(keyword.code);
    if (entry == registry_.abaleTypeMap.end() || !entry->second) return;
    SourceFile& file = files_[currentFile_];
    ++file.keywords;
    ++imported_;
    const KeywordSource source{keyword, file, line};
    if (observer_) observer_->keywordStarts(source);
    checks_.keywordStarts(keyword.title, line, target_);
    if (settings_.check) check_.keywordStarts(keyword.title, line, currentFile_);
    const size_t firstCard = target_.cards.size();
    reader_->flags &= ~DataLine::kKeywordReached;
    if (stream_) stream_->airbagKeywordStarts(keyword.code);
    entry->second(reader_, &target_);
    if (stream_) stream_->airbagKeywordEnds();
    checks_.keywordEnds();
    if (observer_) {
        observer_->keywordEnds({source, target_, firstCard, checks_.cardLines(),
                                checks_.emptyBeforeFilled(), checks_.parameters()});
    }
    // The import ended at a keyword line: its copy holds the first piece.
    // The line that ends the file is no keyword: the next read finds the end.
    if ((reader_->flags & DataLine::kKeywordReached) &&
        !(stream_ && stream_->isEnd(reader_->keywordLine))) {
        pending.take(reader_->keywordLine, DataLine::kLineBufferSize - 1, reader_->lineNumber);
        lines.skipRest();
    }
}

size_t importDeck(DataLine& dataLine, const ABImport& registry, ImportObject& target,
                  DeckObserver* observer) {
    ImportSettings settings;
    settings.warnings = false;
    DeckImport deck(registry, target, observer, settings);
    return deck.run(dataLine, "-");
}

}  // namespace abimport
