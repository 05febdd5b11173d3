#include "deckimport.h"

#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <memory>

#include "hostcalls.h"

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
    readFile(currentFile_);
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

void DeckImport::readFile(size_t index) {
    LinePieces lines(*reader_);
    PendingKeyword pending;
    currentFile_ = index;
    checks_.fileChanges();
    for (;;) {
        currentFile_ = index;
        if (!pending.held) {
            if (!lines.next()) return checks_.fileChanges();
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
        if (titleIs(title, "END")) return checks_.fileChanges();  // the end of this file's input
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
    entry->second(reader_, &target_);
    checks_.keywordEnds();
    if (observer_) {
        observer_->keywordEnds(
            {source, target_, firstCard, checks_.cardLines(), checks_.emptyBeforeFilled()});
    }
    if (reader_->flags & DataLine::kKeywordReached) {
        // The import ended at a keyword line: its copy holds the first piece.
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
