#include "modeledit.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <unordered_map>

#include "../host/deckimport.h"
#include "../host/fieldsinline.h"
#include "../model/numbers/fieldfit.h"
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
            cards.push_back({&keyword.source.file, gaps, line, keyword.firstCard + n});
        }
        keywords.push_back({&keyword.source.file, keyword.source.line, keyword.source.keyword.title,
                            endOfFile, first, built});
    }
    struct NotedCard {
        const SourceFile* file;
        int32_t gaps;
        unsigned long long line;
        size_t card;
    };
    struct NotedKeyword {
        const SourceFile* file;
        unsigned long long line;
        std::string title;
        bool endOfFile;
        size_t firstCard, cardCount;
    };
    std::vector<NotedCard> cards;
    std::vector<EmptyFields> cardGaps;
    std::vector<NotedKeyword> keywords;
};

// The kinds of card whose fields the geometry edits set. (The one place the
// edits name the cards of node and shell lists.)
enum class ListCard { Other, Node, Shell };
ListCard listCardOf(const Card& card) {
    if (card.name == "NodeInfo") return ListCard::Node;
    if (card.name == "ShellInfo") return ListCard::Shell;
    return ListCard::Other;
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
        const uint32_t fileIndex = indexOf(card.file);
        model.cards.push_back({fileIndex, card.gaps, card.line, card.card});
        if (card.line == 0) continue;
        auto& lines = model.cardOfLine[fileIndex];
        if (lines.size() <= card.line) lines.resize(card.line + 1 + lines.size() / 2, 0);
        lines[card.line] = static_cast<uint32_t>(model.cards.size());
    }
    model.cardGaps = std::move(sources.cardGaps);
    for (const auto& keyword : sources.keywords) {
        model.keywords.push_back({indexOf(keyword.file), keyword.line, keyword.title,
                                  keyword.endOfFile, keyword.firstCard, keyword.cardCount});
    }
    return true;
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
    std::string line;
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
            error = where(edit.file, edit.line) + "the last card of *" + keyword.title +
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
    const Card& card = model.cardOf(at);
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
            placeholder = placeholder || matches || name == " ";
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
        if (!abimport_detail::parseInteger(value, least, most, read.integer)) {
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
    if (!abimport_detail::parseNumber(value, abimport_detail::readingOfWidth(width).repair,
                                      read.real)) {
        error = named + "'" + value + "' is not a number";
        return false;
    }
    return true;
}

std::string namedField(const FieldEdit& edit, const Card& card, const std::string& field) {
    return where(edit.file, edit.line) + card.name + " " + field + ": ";
}

std::string nameAt(const Model& model, const Model::CardAt& at, size_t position) {
    std::string name;
    forEachFieldInLine(model.cardOf(at), model.gapsOf(at), true, [&](const FieldInLine& field) {
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
    size_t position = 0;
    if (!findField(model, *card, edit.field, where(edit.file, edit.line), position, error)) {
        return false;
    }
    const std::string field = nameAt(model, *card, position);
    const std::string named = namedField(edit, model.cardOf(*card), field);
    if (result) result->field = field;
    FieldRequest request;
    const LineLayout layout = layoutOf(model.cardOf(*card), model.gapsOf(*card));
    if (!requestOf(edit.value, layout.types[position], layout.widths[position], named, request,
                   error)) {
        return false;
    }
    return writeField(model, {file, card, position, named}, request, round, result, error);
}

namespace {

// Undoes the lines written by a batch of edits that failed.
struct LineJournal {
    struct Entry {
        ModelFile* file;
        unsigned long long line;
        bool edited;
        std::string text;
    };
    std::vector<Entry> entries;
    void note(ModelFile& file, unsigned long long line) {
        Entry entry{&file, line, file.lineEdited(line), {}};
        if (entry.edited) file.line(line, entry.text);
        entries.push_back(std::move(entry));
    }
    void undo() {
        for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
            if (it->edited) {
                it->file->setLine(it->line, it->text);
            } else {
                it->file->revert(it->line);
            }
        }
    }
};

// The cards of one kind by their first field's value (NID, EID), in the
// keyword read from file:keywordLine or in every keyword.
std::unordered_map<long long, std::vector<const Model::CardAt*>> listCards(
    const Model& model, ListCard kind, const std::string& file, unsigned long long keywordLine) {
    std::unordered_map<long long, std::vector<const Model::CardAt*>> found;
    for (const Model::KeywordAt& keyword : model.keywords) {
        if (keywordLine != 0 &&
            (keyword.line != keywordLine || model.files[keyword.file].path() != file)) {
            continue;
        }
        for (size_t n = 0; n < keyword.cardCount; ++n) {
            const Model::CardAt& at = model.cards[keyword.firstCard + n];
            const Card& card = model.cardOf(at);
            if (at.line == 0 || listCardOf(card) != kind || card.fields.empty()) continue;
            const auto* id = dynamic_cast<const Integer*>(card.fields[0]);
            if (id && at.gaps < 0) found[id->val].push_back(&at);
        }
    }
    return found;
}

// Sets the fields at positions 1.. of a card to values, where they change.
template <class Value>
bool setListFields(Model& model, const Model::CardAt& at, const Value* values, size_t count,
                   bool round, LineJournal& journal, size_t* rounded, std::string& error) {
    const Card& card = model.cardOf(at);
    ModelFile& file = model.files[at.file];
    for (size_t k = 0; k < count && k + 1 < card.fields.size(); ++k) {
        const Data* value = card.fields[k + 1];
        FieldRequest request;
        request.value.kind = ReadField::Value;
        request.value.type = value->typeCode;
        if constexpr (std::is_floating_point_v<Value>) {
            request.value.real = values[k];
            const auto* real = dynamic_cast<const Double*>(value);
            if (!real) continue;
            if (!file.lineEdited(at.line) && abimport_detail::sameDouble(real->val, values[k]))
                continue;
            char text[32];
            request.given =
                std::isfinite(values[k])
                    ? std::string(text, abimport_detail::writeShortestDouble(text, values[k]))
                    : std::string(std::isnan(values[k]) ? "nan"
                                  : values[k] < 0       ? "-inf"
                                                        : "inf");
        } else {
            request.value.integer = values[k];
            const auto* integer = dynamic_cast<const Integer*>(value);
            if (!integer) continue;
            if (!file.lineEdited(at.line) && integer->val == values[k]) continue;
            request.given = std::to_string(values[k]);
        }
        const std::string name = k + 1 < card.fieldNames.size() ? card.fieldNames[k + 1] : "";
        const std::string named = where(file.path(), at.line) + card.name + " " + name + ": ";
        journal.note(file, at.line);
        EditedField result;
        if (!writeField(model, {&file, &at, k + 1, named}, request, round, &result, error)) {
            return false;
        }
        if (result.rounded && rounded) ++*rounded;
    }
    return true;
}

}  // namespace

bool ModelEdit::setNodes(const std::vector<NodeRow>& rows, bool round, std::string& error,
                         size_t* rounded, const std::string& file, unsigned long long keywordLine) {
    Model& model = *model_;
    const auto nodes = listCards(model, ListCard::Node, file, keywordLine);
    LineJournal journal;
    for (const NodeRow& row : rows) {
        const auto found = nodes.find(row.nid);
        if (found == nodes.end()) {
            error = "no node " + std::to_string(row.nid) + " in the reference geometries" +
                    (keywordLine ? " of the keyword at " + file + ":" + std::to_string(keywordLine)
                                 : std::string());
            journal.undo();
            return false;
        }
        for (const Model::CardAt* at : found->second) {
            if (!setListFields(model, *at, row.xyz, 3, round, journal, rounded, error)) {
                journal.undo();
                return false;
            }
        }
    }
    return true;
}

bool ModelEdit::setShells(const std::vector<ShellRow>& rows, std::string& error,
                          const std::string& file, unsigned long long keywordLine) {
    Model& model = *model_;
    const auto shells = listCards(model, ListCard::Shell, file, keywordLine);
    LineJournal journal;
    for (const ShellRow& row : rows) {
        const auto found = shells.find(row.eid);
        if (found == shells.end()) {
            error = "no shell " + std::to_string(row.eid) + " in the shell reference geometries";
            journal.undo();
            return false;
        }
        for (const Model::CardAt* at : found->second) {
            // The nodes are N1 to N4, after EID and PID.
            const Card& card = model.cardOf(*at);
            ModelFile& held = model.files[at->file];
            for (size_t k = 0; k < 4 && k + 2 < card.fields.size(); ++k) {
                const auto* node = dynamic_cast<const Integer*>(card.fields[k + 2]);
                if (!node || (!held.lineEdited(at->line) && node->val == row.nodes[k])) continue;
                FieldRequest request;
                request.value.kind = ReadField::Value;
                request.value.type = kIntegerCode;
                request.value.integer = row.nodes[k];
                request.given = std::to_string(row.nodes[k]);
                const std::string named =
                    where(held.path(), at->line) + card.name + " " +
                    (k + 2 < card.fieldNames.size() ? card.fieldNames[k + 2] : "") + ": ";
                journal.note(held, at->line);
                if (!writeField(model, {&held, at, k + 2, named}, request, false, nullptr, error)) {
                    journal.undo();
                    return false;
                }
            }
        }
    }
    return true;
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
    for (const ModelFile& file : model_->files) {
        if (!file.changed()) continue;
        if (!writeFileAtomically(file.path(), file.content(), beforeRename, error)) return false;
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
        if (!writeFileAtomically(places[k].string(), files[k].content(), beforeRename, error)) {
            return false;
        }
    }
    return true;
}

}  // namespace abimport
