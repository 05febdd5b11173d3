#include "modeledit.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <unordered_map>

#include "../host/deckimport.h"
#include "../host/fieldreading.h"
#include "../host/fieldsinline.h"
#include "../model/numbers/shortest.h"
#include "editmodel.h"

namespace abimport {

namespace fs = std::filesystem;

namespace {

std::string where(const std::string& file, unsigned long long line) {
    return file + ":" + std::to_string(line) + ": ";
}

// Notes where each card came from.
class CardSources : public DeckObserver {
public:
    void keywordEnds(const ImportedKeyword& keyword) override {
        const size_t built = keyword.target.cards.size() - keyword.firstCard;
        const size_t first = cards.size();
        bool endOfFile = false;
        auto gap = keyword.emptyBeforeFilled.begin();
        for (size_t n = 0; n < built; ++n) {
            const unsigned long long line = n < keyword.cardLines.size() ? keyword.cardLines[n] : 0;
            while (gap != keyword.emptyBeforeFilled.end() && gap->first < n) ++gap;
            int32_t gaps = -1;
            if (gap != keyword.emptyBeforeFilled.end() && gap->first == n) {
                gaps = static_cast<int32_t>(cardGaps.size());
                cardGaps.push_back(gap->second);
            }
            if (line == 0) endOfFile = true;
            cards.push_back(
                {&keyword.source.file, gaps, line, keyword.target.cards[keyword.firstCard + n]});
        }
        keywords.push_back({&keyword.source.file, keyword.source.line, &keyword.source.keyword,
                            endOfFile, first, built});
    }
    struct NotedCard {
        const SourceFile* file;
        int32_t gaps;
        unsigned long long line;
        const Card* card;
    };
    struct NotedKeyword {
        const SourceFile* file;
        unsigned long long line;
        const KeywordDescription* keyword;
        bool endOfFile;
        size_t firstCard, cardCount;
    };
    std::vector<NotedCard> cards;
    std::vector<EmptyFields> cardGaps;
    std::vector<NotedKeyword> keywords;
};

// Where the values a geometry edit sets stand in the card of a node or shell
// list, as the roles lay those cards out: a node's X, Y and Z after its ID;
// a shell's four nodes after its ID and part.
constexpr unsigned kFirstCoordinate = 1;
constexpr unsigned kFirstShellNode = 2;

// Whether the field called name of a card holds value as read, on a line not
// edited since: a geometry edit leaves it alone then.
template <class Value>
bool holdsAsRead(const ModelFile& file, const ModelEdit::Model::CardAt& at, std::string_view name,
                 Value value) {
    if (file.lineTouched(at.line)) return false;
    const Card& card = *at.card;
    for (size_t i = 0; i < card.fieldNames.size() && i < card.fields.size(); ++i) {
        if (card.fieldNames[i] != name) continue;
        if (const auto* real = dynamic_cast<const Double*>(card.fields[i])) {
            return abimport::detail::sameDouble(real->val, static_cast<double>(value));
        }
        if (const auto* integer = dynamic_cast<const Integer*>(card.fields[i])) {
            return static_cast<double>(integer->val) == static_cast<double>(value);
        }
    }
    return false;
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
    Model& model = *model_;
    std::vector<const SourceFile*> loopFiles;
    for (const SourceFile& source : import.files()) {
        std::string bytes;
        if (!readWholeFile(*source.path, bytes)) {
            error = "cannot read '" + *source.path + "': " + std::strerror(errno);
            return false;
        }
        model.files.emplace_back(*source.path, std::move(bytes));
        loopFiles.push_back(&source);
    }
    auto indexOf = [&](const SourceFile* source) {
        for (size_t k = 0; k < loopFiles.size(); ++k) {
            if (loopFiles[k] == source) return static_cast<uint32_t>(k);
        }
        return uint32_t{0};
    };
    model.cardOfLine.assign(model.files.size(), {});
    for (const auto& card : sources.cards) {
        model.addCard(indexOf(card.file),
                      card.gaps < 0 ? nullptr : &sources.cardGaps[static_cast<size_t>(card.gaps)],
                      card.line, card.card);
    }
    for (const auto& keyword : sources.keywords) {
        model.keywords.push_back({indexOf(keyword.file), keyword.line, keyword.keyword,
                                  keyword.endOfFile, keyword.firstCard, keyword.cardCount});
    }
    return true;
}

bool ModelEdit::adoptFiles(const std::vector<std::string>& paths, std::string& error) {
    Model& model = *model_;
    for (const std::string& path : paths) {
        std::string bytes;
        if (!readWholeFile(path, bytes)) {
            error = "cannot read '" + path + "': " + std::strerror(errno);
            return false;
        }
        model.files.emplace_back(path, std::move(bytes));
    }
    model.cardOfLine.assign(model.files.size(), {});
    return true;
}

void ModelEdit::adoptKeyword(size_t file, unsigned long long line,
                             const KeywordDescription& keyword, const Card* const* cards,
                             const unsigned long long* lines, size_t count,
                             const std::vector<std::pair<size_t, EmptyFields>>& gaps) {
    Model& model = *model_;
    const uint32_t fileIndex = static_cast<uint32_t>(file);
    const size_t first = model.cards.size();
    bool endOfFile = false;
    auto gap = gaps.begin();
    for (size_t n = 0; n < count; ++n) {
        while (gap != gaps.end() && gap->first < n) ++gap;
        const bool hasGaps = gap != gaps.end() && gap->first == n;
        endOfFile = endOfFile || lines[n] == 0;
        model.addCard(fileIndex, hasGaps ? &gap->second : nullptr, lines[n], cards[n]);
    }
    model.keywords.push_back({fileIndex, line, &keyword, endOfFile, first, count});
}

namespace {

using Model = ModelEdit::Model;

// The card read from FILE:LINE of an edit.
bool findCard(Model& model, const FieldEdit& edit, ModelFile*& file, const Model::CardAt*& card,
              std::string& error) {
    size_t fileIndex = model.files.size();
    for (size_t k = 0; k < model.files.size() && fileIndex == model.files.size(); ++k) {
        if (model.files[k].path() == edit.file) fileIndex = k;
    }
    if (fileIndex == model.files.size()) {
        error = edit.file + ": no file of the model is called so (its files:";
        for (const ModelFile& known : model.files) error += " " + known.path();
        error += ")";
        return false;
    }
    file = &model.files[fileIndex];
    std::string_view line;
    if (!file->line(edit.line, line)) {
        error = where(edit.file, edit.line) + "the file has no such line";
        return false;
    }
    if (line.size() > kLongestLine) {
        error = where(edit.file, edit.line) + "the line is longer than " +
                std::to_string(kLongestLine) + " characters and was read in pieces: " + edit.field +
                " cannot be edited there";
        return false;
    }
    card = model.cardAtLine(fileIndex, edit.line);
    if (card) return true;
    for (const Model::KeywordAt& keyword : model.keywords) {
        if (keyword.file == fileIndex && keyword.line == edit.line && keyword.endOfFileCard) {
            error = where(edit.file, edit.line) + "the last card of *" + keyword.keyword->title +
                    " was built from the end of the file, not from a data line: " + edit.field +
                    " has no columns to edit";
            return false;
        }
    }
    error = where(edit.file, edit.line) + "no airbag card was read from this line";
    return false;
}

bool isPlaceholder(const FieldInLine& field) {
    return field.value ? field.value->typeCode == kBlankCode : field.emptyType == kBlankRequestCode;
}

// The position in the line of the field called name (in any case); not a
// placeholder column.
bool findField(const Model& model, const Model::CardAt& at, const std::string& name,
               const std::string& place, size_t& position, std::string& error) {
    const Card& card = *at.card;
    if (card.fieldNames.empty()) {
        error = place + card.name + " kept no field names (read with flag 0x2)";
        return false;
    }
    bool found = false, placeholder = false;
    std::string names;
    forEachFieldInLine(card, model.gapsOf(at), true, [&](const FieldInLine& field) {
        if (!field.name) return;
        const bool matches = strcasecmp(field.name->c_str(), name.c_str()) == 0;
        if (isPlaceholder(field)) {
            placeholder = placeholder || matches;
            return;
        }
        names += " " + *field.name;
        if (matches && !found) {
            found = true;
            position = field.position;
        }
    });
    if (found) return true;
    error =
        place + card.name + " has no field '" + name + "' on this line" +
        (placeholder ? " ('" + name + "' is a placeholder column, not a field of the card)" : "") +
        " (its fields:" + names + ")";
    return false;
}

// What a VALUE text asks a field of the type code a layout gives it to read as.
bool requestOf(const std::string& value, unsigned type, unsigned width, const std::string& named,
               FieldRequest& request, std::string& error) {
    request.given = value;
    if (value.empty()) {
        request.blank = true;
        return true;
    }
    if (value.find_first_of(std::string(",$*\t\r\n \0", 9)) != std::string::npos) {
        error = named + "'" + value + "' holds a character that a field cannot hold";
        return false;
    }
    ReadField& read = request.value;
    read.kind = ReadField::Value;
    read.type = type;
    if (type == kIntegerCode || type == kUnsignedCode) {
        const bool isSigned = type == kIntegerCode;
        const long long least = isSigned ? INT32_MIN : 0;
        const long long most = isSigned ? INT32_MAX : UINT32_MAX;
        if (!abimport::detail::parseInteger(value, least, most, read.integer)) {
            error = named + "'" + value + "' is not an integer from " + std::to_string(least) +
                    " to " + std::to_string(most);
            return false;
        }
        return true;
    }
    if (type != kDoubleCode) {
        error = named + "the field holds no number; it cannot be edited";
        return false;
    }
    if (!abimport::detail::parseNumber(value, abimport::detail::readingOfWidth(width).repair,
                                       read.real)) {
        error = named + "'" + value + "' is not a number";
        return false;
    }
    return true;
}

std::string nameAt(const Model& model, const Model::CardAt& at, size_t position) {
    std::string name;
    forEachFieldInLine(*at.card, model.gapsOf(at), true, [&](const FieldInLine& field) {
        if (field.position == position && field.name) name = *field.name;
    });
    return name;
}

}  // namespace

bool ModelEdit::apply(const FieldEdit& edit, std::string& error, EditedField* result, bool round) {
    Model& model = *model_;
    ModelFile* file = nullptr;
    const Model::CardAt* card = nullptr;
    if (!findCard(model, edit, file, card, error)) return false;
    FieldRequest request;
    if (!findField(model, *card, edit.field, where(edit.file, edit.line), request.position,
                   error)) {
        return false;
    }
    const LineLayout layout = layoutOf(*card->card, model.gapsOf(*card));
    const size_t position = request.position;
    if (!requestOf(edit.value, layout.types[position], layout.widths[position],
                   namedField(model, *card, position), request, error)) {
        return false;
    }
    if (!writeFields(model, *card, &request, 1, round, result, error)) return false;
    if (result) result->field = nameAt(model, *card, position);
    return true;
}

namespace {

// Undoes the lines written by a batch of edits that failed: those edited
// after the batch's mark in each file, and the earlier edits of lines it
// wrote again given back.
struct LineJournal {
    struct Entry {
        ModelFile* file;
        unsigned long long line;
        ModelFile::LineState state;
    };
    explicit LineJournal(std::vector<ModelFile>& files) : files_(files) {
        for (const ModelFile& file : files) marks_.push_back(file.mark());
    }
    void note(ModelFile& file, unsigned long long line) {
        const ModelFile::LineState state = file.state(line);
        const size_t k = static_cast<size_t>(&file - files_.data());
        if (file.lineEdited(line) && state.offset < marks_[k].edits) {
            entries_.push_back({&file, line, state});
        }
    }
    void undo() {
        for (size_t k = 0; k < files_.size(); ++k) files_[k].undoSince(marks_[k]);
        for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
            it->file->restore(it->line, it->state);
        }
    }

private:
    std::vector<ModelFile>& files_;
    std::vector<ModelFile::Mark> marks_;
    std::vector<Entry> entries_;
};

// The cards of node or shell lists (the keyword's card of that role) by
// their ID, the list card's first field, in the keyword read from
// file:keywordLine or in every keyword.
class ListCards {
public:
    ListCards(const Model& model, CardRole role, const std::string& file,
              unsigned long long keywordLine) {
        for (const Model::KeywordAt& keyword : model.keywords) {
            if (keywordLine != 0 &&
                (keyword.line != keywordLine || model.files[keyword.file].path() != file)) {
                continue;
            }
            const CardDescription* list = cardWithRole(*keyword.keyword, role);
            if (!list) continue;
            for (size_t n = 0; n < keyword.cardCount; ++n) {
                const Model::CardAt& at = model.cards[keyword.firstCard + n];
                const Card& card = *at.card;
                if (at.line == 0 || card.name != list->name || card.fields.empty()) continue;
                if (const auto* id = dynamic_cast<const Integer*>(card.fields[0])) {
                    byId_.push_back({id->val, &at, list});
                }
            }
        }
        std::stable_sort(byId_.begin(), byId_.end(),
                         [](const Entry& a, const Entry& b) { return a.id < b.id; });
    }
    // The cards of one ID, in deck order.
    template <class Visit>
    bool forEach(int32_t id, Visit visit) const {
        auto at =
            std::lower_bound(byId_.begin(), byId_.end(), id,
                             [](const Entry& entry, int32_t wanted) { return entry.id < wanted; });
        if (at == byId_.end() || at->id != id) return false;
        for (; at != byId_.end() && at->id == id; ++at) {
            if (!visit(*at->card, *at->list)) return true;
        }
        return true;
    }

private:
    struct Entry {
        int32_t id;
        const Model::CardAt* card;
        const CardDescription* list;  // its description
    };
    std::vector<Entry> byId_;
};

// The shortest text of a double that reads back as it, with a point: a
// whole number as "2.0".
std::string givenText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char text[34];
    size_t length = abimport::detail::writeShortestDouble(text, value);
    if (!std::memchr(text, '.', length) && !std::memchr(text, 'e', length)) {
        text[length++] = '.';
        text[length++] = '0';
    }
    return std::string(text, length);
}

// The requests that set count fields of a list card from position first on
// (a node's coordinates, a shell's nodes) to values, where they change.
template <class Value>
size_t listRequests(const ModelFile& file, const Model::CardAt& at, const Value* values,
                    size_t count, size_t first, FieldRequest* requests) {
    const Card& card = *at.card;
    size_t made = 0;
    const bool edited = file.lineTouched(at.line);
    for (size_t k = 0; k < count && first + k < card.fields.size(); ++k) {
        const Data* field = card.fields[first + k];
        FieldRequest& request = requests[made];
        request.value.kind = ReadField::Value;
        request.value.type = field->typeCode;
        if constexpr (std::is_floating_point_v<Value>) {
            const auto* real = dynamic_cast<const Double*>(field);
            if (!real || (!edited && abimport::detail::sameDouble(real->val, values[k]))) continue;
            request.value.real = values[k];
            request.given = givenText(values[k]);
        } else {
            const auto* integer = dynamic_cast<const Integer*>(field);
            if (!integer || (!edited && integer->val == values[k])) continue;
            request.value.integer = values[k];
            request.given = std::to_string(values[k]);
        }
        request.position = first + k;
        ++made;
    }
    return made;
}

}  // namespace

bool ModelEdit::setNodes(const std::vector<NodeEdit>& rows, bool round, std::string& error,
                         size_t* rounded, const std::string& file, unsigned long long keywordLine) {
    Model& model = *model_;
    const ListCards nodes(model, CardRole::NodeList, file, keywordLine);
    LineJournal journal(model.files);
    FieldRequest requests[3];
    EditedField results[3];
    // One node line: its changed coordinates written at once where the line
    // holds no empty field, else field by field.
    auto setNode = [&](const NodeEdit& row, const Model::CardAt& at, const CardDescription& list) {
        ModelFile& held = model.files[at.file];
        if (at.gaps >= 0) {
            // A node line with empty fields: each coordinate found by its name.
            for (unsigned k = 0; k < 3; ++k) {
                const char* name = list.fields[kFirstCoordinate + k].name;
                if (holdsAsRead(held, at, name, row.xyz[k])) continue;
                const FieldEdit edit{held.path(), at.line, name, givenText(row.xyz[k])};
                journal.note(held, at.line);
                if (!apply(edit, error, &results[0], round)) return false;
                if (results[0].rounded && rounded) ++*rounded;
            }
            return true;
        }
        const size_t count = listRequests(held, at, row.xyz, 3, kFirstCoordinate, requests);
        if (count == 0) return true;
        journal.note(held, at.line);
        if (!writeFields(model, at, requests, count, round, results, error)) return false;
        for (size_t k = 0; k < count && rounded; ++k) *rounded += results[k].rounded;
        return true;
    };
    for (const NodeEdit& row : rows) {
        bool failed = false;
        const bool found =
            nodes.forEach(row.nid, [&](const Model::CardAt& at, const CardDescription& list) {
                failed = !setNode(row, at, list);
                return !failed;
            });
        if (!found) {
            error = "no node " + std::to_string(row.nid) + " in the reference geometries" +
                    (keywordLine ? " of the keyword at " + file + ":" + std::to_string(keywordLine)
                                 : std::string());
        }
        if (!found || failed) {
            journal.undo();
            return false;
        }
    }
    return true;
}

bool ModelEdit::setShells(const std::vector<ShellEdit>& rows, std::string& error,
                          const std::string& file, unsigned long long keywordLine) {
    Model& model = *model_;
    const ListCards shells(model, CardRole::ShellList, file, keywordLine);
    LineJournal journal(model.files);
    FieldRequest requests[4];
    auto setShell = [&](const ShellEdit& row, const Model::CardAt& at,
                        const CardDescription& list) {
        ModelFile& held = model.files[at.file];
        if (at.gaps >= 0) {
            // A shell line with empty fields: each node found by its name.
            for (unsigned k = 0; k < 4; ++k) {
                const char* name = list.fields[kFirstShellNode + k].name;
                if (holdsAsRead(held, at, name, row.nodes[k])) continue;
                const FieldEdit edit{held.path(), at.line, name, std::to_string(row.nodes[k])};
                journal.note(held, at.line);
                if (!apply(edit, error)) return false;
            }
            return true;
        }
        const size_t count = listRequests(held, at, row.nodes, 4, kFirstShellNode, requests);
        if (count == 0) return true;
        journal.note(held, at.line);
        return writeFields(model, at, requests, count, false, nullptr, error);
    };
    for (const ShellEdit& row : rows) {
        bool failed = false;
        const bool found =
            shells.forEach(row.eid, [&](const Model::CardAt& at, const CardDescription& list) {
                failed = !setShell(row, at, list);
                return !failed;
            });
        if (!found) {
            error = "no shell " + std::to_string(row.eid) + " in the shell reference geometries" +
                    (keywordLine ? " of the keyword at " + file + ":" + std::to_string(keywordLine)
                                 : std::string());
        }
        if (!found || failed) {
            journal.undo();
            return false;
        }
    }
    return true;
}

std::string ModelEdit::contentOf(const std::string& path) const {
    for (const ModelFile& file : model_->files) {
        if (file.path() == path) return file.content();
    }
    return "";
}

std::string ModelEdit::diff() const {
    std::string out;
    for (const ModelFile& file : model_->files) {
        if (!file.changed()) continue;
        out += "--- " + file.path() + "\n+++ " + file.path() + "\n" + file.diff();
    }
    return out;
}

bool ModelEdit::saveInPlace(std::string& error) {
    if (!filesUnchangedOnDisk(model_->files, true, error)) return false;
    for (ModelFile& file : model_->files) {
        if (!file.changed()) continue;
        if (!writeFileAtomically(file.path(), file, beforeRename, error)) return false;
        file.rebase();
    }
    return true;
}

bool ModelEdit::saveTo(const std::string& folder, std::string& error) {
    const auto& files = model_->files;
    const fs::path deckFolder = fs::path(files.front().path()).parent_path();
    std::error_code failed;
    const fs::path base =
        fs::weakly_canonical(deckFolder.empty() ? fs::path(".") : deckFolder, failed);
    std::vector<fs::path> places;
    for (const ModelFile& file : files) {
        const fs::path relative =
            fs::weakly_canonical(file.path(), failed).lexically_relative(base);
        if (relative.empty() || *relative.begin() == "..") {
            error = file.path() + ": the include lies outside the main deck's folder (" +
                    base.string() + "), so --output cannot mirror it; nothing written";
            return false;
        }
        places.push_back(fs::path(folder) / relative);
    }
    if (!filesUnchangedOnDisk(files, false, error)) return false;
    for (size_t k = 0; k < places.size(); ++k) {
        // A file included twice is written once, with its edits.
        bool seen = false;
        for (size_t j = 0; j < k; ++j) seen = seen || files[j].path() == files[k].path();
        if (seen) continue;
        fs::create_directories(places[k].parent_path(), failed);
        if (failed) {
            error = "cannot make the folder '" + places[k].parent_path().string() +
                    "': " + failed.message();
            return false;
        }
        if (!writeFileAtomically(places[k].string(), files[k], beforeRename, error)) {
            return false;
        }
    }
    return true;
}

}  // namespace abimport
