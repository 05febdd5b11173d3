#include "modeledit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <typeinfo>

#include "../frame/exponentrepair.h"
#include "../host/deckimport.h"
#include "../host/hostcalls.h"
#include "../keywords/keywordtable.h"
#include "../model/linefields.h"
#include "../model/numbertext.h"
#include "../output/exacttext.h"

namespace abimport {

namespace fs = std::filesystem;

namespace {

constexpr size_t kLongestLine = 126;  // longer lines are read in pieces

bool readWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    bytes = all.str();
    return !in.bad();
}

// The bytes of line (1-based) in text: [begin, end) without its newline.
bool findLine(const std::string& text, unsigned long long line, size_t& begin, size_t& end) {
    begin = 0;
    for (unsigned long long n = 1; n < line; ++n) {
        const size_t newline = text.find('\n', begin);
        if (newline == std::string::npos) return false;
        begin = newline + 1;
    }
    if (begin >= text.size() && line > 1) return false;
    end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    return true;
}

std::string where(const FieldEdit& edit) {
    return edit.file + ":" + std::to_string(edit.line) + ": ";
}

bool sameDouble(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
}

// One field of a card in line order.
struct LineField {
    std::string name;
    unsigned width;
    const Data* value;  // null for an empty field
    size_t valueIndex;  // index into Card::fields when value is set
};

std::vector<LineField> fieldsInLineOrder(const Card& card, const EmptyFields* gaps) {
    std::vector<LineField> fields;
    size_t empty = 0;
    unsigned position = 0;
    auto addEmpty = [&](unsigned at) {
        const std::string name =
            empty < card.emptyFieldNames.size() ? card.emptyFieldNames[empty] : std::string();
        ++empty;
        fields.push_back({name, gaps->widths[at], nullptr, 0});
    };
    for (size_t i = 0; i < card.fields.size(); ++i) {
        for (; gaps && position < EmptyFields::kMostFields && (gaps->mask >> position & 1);
             ++position) {
            addEmpty(position);
        }
        ++position;
        const Data* value = card.fields[i];
        fields.push_back({i < card.fieldNames.size() ? card.fieldNames[i] : std::string(),
                          value ? value->width : abimport::kStandardFieldWidth, value, i});
    }
    for (; gaps && position < EmptyFields::kMostFields; ++position) {
        if (gaps->trailing >> position & 1) addEmpty(position);
    }
    return fields;
}

// The value a text says: an integer of 32 bits for an integer field, else a
// number, its exponent written with or without its letter ("1.5+3").
bool textSays(const std::string& text, bool integer, double& says) {
    if (text.empty() || text.size() > 64) return false;
    char word[72] = {};
    std::memcpy(word, text.data(), text.size());
    char* end = nullptr;
    if (integer) {
        errno = 0;
        const long long value = std::strtoll(word, &end, 10);
        if (*end != '\0' || errno != 0 || value < INT32_MIN || value > UINT32_MAX) return false;
        says = static_cast<double>(value);
        return true;
    }
    const unsigned length =
        abimport::detail::repairExponent(word, static_cast<unsigned>(text.size()));
    says = std::strtod(word, &end);
    return end == word + length;
}

}  // namespace

bool parseFieldEdit(const std::string& text, FieldEdit& edit, std::string& error) {
    error = "invalid --set '" + text + "': expected FILE:LINE:FIELD=VALUE";
    const size_t equals =
        text.find('=', text.rfind(':') == std::string::npos ? 0 : text.rfind(':'));
    const size_t fieldColon = text.rfind(':', equals);
    if (equals == std::string::npos || fieldColon == std::string::npos || fieldColon == 0)
        return false;
    const size_t lineColon = text.rfind(':', fieldColon - 1);
    if (lineColon == std::string::npos || lineColon == 0) return false;
    const std::string line = text.substr(lineColon + 1, fieldColon - lineColon - 1);
    if (line.empty() || line.size() > 18 ||
        line.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    edit.file = text.substr(0, lineColon);
    edit.line = std::stoull(line);
    edit.field = text.substr(fieldColon + 1, equals - fieldColon - 1);
    edit.value = text.substr(equals + 1);
    if (edit.field.empty() || edit.line == 0) return false;
    error.clear();
    return true;
}

struct ModelEdit::Model {
    struct File {
        std::string path;
        std::string original;  // as read
        std::string content;   // with the edits
    };
    struct CardAt {
        size_t file;
        unsigned long long line;
        size_t card;  // into target.cards
        bool hasGaps;
        EmptyFields gaps;
    };
    struct KeywordAt {
        size_t file;
        unsigned long long line;
        std::string title;
        bool endOfFileCard;
    };

    HostImportObject target;
    std::vector<File> files;
    std::vector<CardAt> cards;
    std::vector<KeywordAt> keywords;
    std::vector<const SourceFile*> sources;  // the loop's files, by index
};

namespace {

// Notes where each card came from.
class CardSources : public DeckObserver {
public:
    void keywordEnds(const ImportedKeyword& keyword) override {
        const size_t built = keyword.target.cards.size() - keyword.firstCard;
        bool endOfFile = false;
        auto gap = keyword.emptyBeforeFilled.begin();
        for (size_t n = 0; n < built; ++n) {
            const unsigned long long line = n < keyword.cardLines.size() ? keyword.cardLines[n] : 0;
            while (gap != keyword.emptyBeforeFilled.end() && gap->first < n) ++gap;
            const bool hasGaps = gap != keyword.emptyBeforeFilled.end() && gap->first == n;
            if (line == 0) endOfFile = true;
            cards.push_back({&keyword.source.file, line, keyword.firstCard + n, hasGaps,
                             hasGaps ? gap->second : EmptyFields{}});
        }
        keywords.push_back(
            {&keyword.source.file, keyword.source.line, keyword.source.keyword.title, endOfFile});
    }
    struct NotedCard {
        const SourceFile* file;
        unsigned long long line;
        size_t card;
        bool hasGaps;
        EmptyFields gaps;
    };
    struct NotedKeyword {
        const SourceFile* file;
        unsigned long long line;
        std::string title;
        bool endOfFile;
    };
    std::vector<NotedCard> cards;
    std::vector<NotedKeyword> keywords;
};

}  // namespace

ModelEdit::ModelEdit() : model_(std::make_unique<Model>()) {}
ModelEdit::~ModelEdit() = default;

bool ModelEdit::load(const std::string& deck, const ABImport& registry, bool includes,
                     std::string& error) {
    if (deck == "-") {
        error = "a model read from standard input cannot be edited";
        return false;
    }
    FILE* file = std::fopen(deck.c_str(), "rb");
    if (!file) {
        error = "cannot open '" + deck + "': " + std::strerror(errno);
        return false;
    }
    ImportSettings settings;
    settings.followIncludes = includes;
    settings.warnings = false;
    settings.cardLines = true;
    settings.emptyBeforeFilled = true;
    CardSources sources;
    DataLine reader(file);
    DeckImport import(registry, model_->target, &sources, settings);
    import.run(reader, deck);
    std::fclose(file);
    for (const SourceFile& source : import.files()) {
        Model::File read{*source.path, "", ""};
        if (!readWholeFile(read.path, read.original)) {
            error = "cannot read '" + read.path + "': " + std::strerror(errno);
            return false;
        }
        read.content = read.original;
        model_->files.push_back(std::move(read));
        model_->sources.push_back(&source);
    }
    auto indexOf = [&](const SourceFile* source) {
        for (size_t k = 0; k < model_->sources.size(); ++k) {
            if (model_->sources[k] == source) return k;
        }
        return size_t{0};
    };
    for (const auto& card : sources.cards) {
        model_->cards.push_back(
            {indexOf(card.file), card.line, card.card, card.hasGaps, card.gaps});
    }
    for (const auto& keyword : sources.keywords) {
        model_->keywords.push_back(
            {indexOf(keyword.file), keyword.line, keyword.title, keyword.endOfFile});
    }
    model_->sources.clear();  // the loop's files end with it
    return true;
}

bool ModelEdit::apply(const FieldEdit& edit, std::string& error, double* readsAs) {
    Model& model = *model_;
    size_t fileIndex = model.files.size();
    for (size_t k = 0; k < model.files.size() && fileIndex == model.files.size(); ++k) {
        if (model.files[k].path == edit.file) fileIndex = k;
    }
    if (fileIndex == model.files.size()) {
        error = edit.file + ": no file of the model is called so (its files:";
        for (const Model::File& file : model.files) error += " " + file.path;
        error += ")";
        return false;
    }
    Model::File& file = model.files[fileIndex];
    const Model::CardAt* found = nullptr;
    for (const Model::CardAt& card : model.cards) {
        if (card.file == fileIndex && card.line == edit.line) found = &card;
    }
    size_t begin, end;
    if (!findLine(file.content, edit.line, begin, end)) {
        error = where(edit) + "the file has no such line";
        return false;
    }
    if (end - begin > kLongestLine) {
        error = where(edit) + "the line is longer than " + std::to_string(kLongestLine) +
                " characters and was read in pieces: " + edit.field + " cannot be edited there";
        return false;
    }
    if (!found) {
        for (const Model::KeywordAt& keyword : model.keywords) {
            if (keyword.file == fileIndex && keyword.line == edit.line && keyword.endOfFileCard) {
                error = where(edit) + "the last card of *" + keyword.title +
                        " was built from the end of the file, not from a data line: " + edit.field +
                        " has no columns to edit";
                return false;
            }
        }
        error = where(edit) + "no airbag card was read from this line";
        return false;
    }
    const Card& card = *model.target.cards[found->card];
    if (card.fieldNames.empty()) {
        error = where(edit) + card.name + " kept no field names (read with flag 0x2)";
        return false;
    }
    const std::vector<LineField> fields =
        fieldsInLineOrder(card, found->hasGaps ? &found->gaps : nullptr);
    size_t position = fields.size(), column = 0;
    for (size_t p = 0, at = 0; p < fields.size(); at += fields[p].width, ++p) {
        if (fields[p].name == edit.field && position == fields.size()) {
            position = p;
            column = at;
        }
    }
    if (position == fields.size()) {
        error =
            where(edit) + card.name + " has no field " + edit.field + " on this line (its fields:";
        for (const LineField& field : fields) {
            if (!field.name.empty() && field.name != " ") error += " " + field.name;
        }
        error += ")";
        return false;
    }
    const LineField& field = fields[position];
    const std::string named = where(edit) + card.name + " " + field.name + ": ";

    // The text: as given where it fits and reads back as what it says, or
    // the exact text of its value.
    const std::string& value = edit.value;
    if (value.find_first_of(",$*\t\r\n") != std::string::npos ||
        value.find(' ') != std::string::npos) {
        error = named + "'" + value + "' holds a character that a field cannot hold";
        return false;
    }
    const bool integer = field.value && (typeid(*field.value) == typeid(Integer) ||
                                         typeid(*field.value) == typeid(UInteger));
    double says = 0;
    if (!textSays(value, integer, says)) {
        error = named + "'" + value + "' is not " +
                (integer ? "an integer within 32 bits" : "a number");
        return false;
    }
    std::string lineText = file.content.substr(begin, end - begin);
    const size_t textEnd =
        !lineText.empty() && lineText.back() == '\r' ? lineText.size() - 1 : lineText.size();
    const size_t nul = lineText.find('\0');
    const bool commaForm =
        lineText.substr(0, nul == std::string::npos ? textEnd : nul).find(',') != std::string::npos;
    const unsigned width = field.width;
    std::string text = value;
    if (commaForm) {
        if (!field.value) {
            error = named + "the field has no word on this comma-separated line";
            return false;
        }
        char word[72] = {};
        std::memcpy(word, value.data(), value.size());
        if (isWordFieldWidth(width))
            abimport::detail::repairExponent(word, static_cast<unsigned>(value.size()));
        const double back =
            integer ? abimport::detail::textToI32(word) : abimport::detail::textToDouble(word);
        if (!sameDouble(back, integer ? static_cast<double>(
                                            static_cast<int32_t>(static_cast<long long>(says)))
                                      : says)) {
            error = named + "'" + value + "' reads back as another value in this field";
            return false;
        }
        // The word of the field: words are runs between commas, empty ones
        // dropped.
        size_t wordStart = 0, wordEnd = 0, index = 0, at = 0;
        bool located = false;
        while (at < textEnd && !located) {
            while (at < textEnd && lineText[at] == ',') ++at;
            if (at >= textEnd) break;
            wordStart = at;
            while (at < textEnd && lineText[at] != ',') ++at;
            wordEnd = at;
            located = index++ == field.valueIndex;
        }
        if (!located) {
            error = named + "the field has no word on this comma-separated line";
            return false;
        }
        lineText.replace(wordStart, wordEnd - wordStart, text);
    } else {
        if (text.size() <= width) {
            const bool exact =
                integer
                    ? static_cast<double>(
                          exact_text::readInteger(text.data(), text.size(), width)) ==
                          static_cast<double>(static_cast<int32_t>(static_cast<long long>(says)))
                    : sameDouble(exact_text::readDouble(text.data(), text.size(), width), says);
            if (!exact) {
                char shown[64], back[64];
                std::snprintf(shown, sizeof shown, "%.17g", says);
                std::snprintf(back, sizeof back, "%.17g",
                              exact_text::readDouble(text.data(), text.size(), width));
                error = named + "'" + value + "' says " + shown + " but reads back as " + back +
                        " in this " + std::to_string(width) + "-column field";
                return false;
            }
        } else {
            char out[exact_text::kMostColumns];
            const size_t length = integer ? 0 : exact_text::doubleText(says, width, out);
            if (length == 0) {
                error = named + "'" + value + "' has no text that fits its " +
                        std::to_string(width) + " columns and reads back exactly";
                return false;
            }
            text.assign(out, length);
        }
        const std::string padded = std::string(width - text.size(), ' ') + text;
        std::string head = lineText.substr(0, textEnd), tail = lineText.substr(textEnd);
        if (head.size() < column) head.append(column - head.size(), ' ');
        head.replace(column, std::min<size_t>(width, head.size() - column), padded);
        lineText = head + tail;
    }
    if (lineText.size() > kLongestLine) {
        error = named + "the edited line would be longer than " + std::to_string(kLongestLine) +
                " characters";
        return false;
    }
    file.content.replace(begin, end - begin, lineText);
    if (readsAs) {
        *readsAs = integer ? static_cast<double>(static_cast<int32_t>(static_cast<long long>(says)))
                           : says;
    }
    return true;
}

std::string ModelEdit::diff() const {
    std::string out;
    for (const Model::File& file : model_->files) {
        if (file.content == file.original) continue;
        out += "--- " + file.path + "\n+++ " + file.path + "\n";
        size_t a = 0, b = 0;
        for (unsigned long long line = 1; a <= file.original.size() && b <= file.content.size();
             ++line) {
            size_t aEnd = file.original.find('\n', a), bEnd = file.content.find('\n', b);
            if (aEnd == std::string::npos) aEnd = file.original.size();
            if (bEnd == std::string::npos) bEnd = file.content.size();
            const std::string before = file.original.substr(a, aEnd - a);
            const std::string after = file.content.substr(b, bEnd - b);
            if (before != after) {
                out += "@@ -" + std::to_string(line) + " +" + std::to_string(line) + " @@\n-" +
                       before + "\n+" + after + "\n";
            }
            a = aEnd + 1;
            b = bEnd + 1;
        }
    }
    return out;
}

bool ModelEdit::saveInPlace(std::string& error) {
    for (const Model::File& file : model_->files) {
        if (file.content == file.original) continue;
        std::string now;
        if (!readWholeFile(file.path, now) || now != file.original) {
            error = file.path + ": the file changed on disk since it was read; nothing written";
            return false;
        }
    }
    for (const Model::File& file : model_->files) {
        if (file.content == file.original) continue;
        if (!writeFileAtomically(file.path, file.content, beforeRename, error)) return false;
    }
    return true;
}

bool ModelEdit::saveTo(const std::string& folder, std::string& error) {
    const fs::path deckFolder = fs::path(model_->files.front().path).parent_path();
    std::error_code failed;
    const fs::path base =
        fs::weakly_canonical(deckFolder.empty() ? fs::path(".") : deckFolder, failed);
    std::vector<fs::path> places;
    for (const Model::File& file : model_->files) {
        const fs::path relative = fs::weakly_canonical(file.path, failed).lexically_relative(base);
        if (relative.empty() || *relative.begin() == "..") {
            error = file.path + ": the include lies outside the main deck's folder (" +
                    base.string() + "), so --output cannot mirror it; nothing written";
            return false;
        }
        places.push_back(fs::path(folder) / relative);
    }
    for (size_t k = 0; k < places.size(); ++k) {
        // A file included twice is written once, with its edits.
        bool seen = false;
        for (size_t j = 0; j < k; ++j)
            seen = seen || model_->files[j].path == model_->files[k].path;
        if (seen) continue;
        fs::create_directories(places[k].parent_path(), failed);
        if (failed) {
            error = "cannot make the folder '" + places[k].parent_path().string() +
                    "': " + failed.message();
            return false;
        }
        if (!writeFileAtomically(places[k].string(), model_->files[k].content, beforeRename,
                                 error)) {
            return false;
        }
    }
    return true;
}

bool writeFileAtomically(const std::string& path, const std::string& bytes,
                         const std::function<void(const std::string&)>& beforeRename,
                         std::string& error) {
    std::string temporary = path + ".abimport-XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        error = "cannot write next to '" + path + "': " + std::strerror(errno);
        return false;
    }
    struct stat status;
    mode_t mode;
    if (stat(path.c_str(), &status) == 0) {
        mode = status.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    auto fail = [&](const char* what) {
        error = std::string(what) + " '" + path + "': " + std::strerror(errno);
        close(fd);
        unlink(temporary.c_str());
        return false;
    };
    for (size_t written = 0; written < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail("cannot write");
        }
        written += static_cast<size_t>(n);
    }
    if (fchmod(fd, mode) != 0 || fsync(fd) != 0) return fail("cannot write");
    if (close(fd) != 0) {
        error = "cannot write '" + path + "': " + std::strerror(errno);
        unlink(temporary.c_str());
        return false;
    }
    try {
        if (beforeRename) beforeRename(temporary);
    } catch (...) {
        unlink(temporary.c_str());
        throw;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot replace '" + path + "': " + std::strerror(errno);
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace abimport
