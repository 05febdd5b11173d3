// The model an edit works on (internal to edit/): the import's cards, where
// each came from, and the files they were read from.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "../host/hostcalls.h"
#include "../host/readchecks.h"
#include "linereading.h"
#include "modeledit.h"
#include "modelfiles.h"

namespace abimport {

struct ModelEdit::Model {
    struct CardAt {
        uint32_t file;
        int32_t gaps;  // index into cardGaps, -1 for none
        unsigned long long line;
        size_t card;  // into target.cards
    };
    struct KeywordAt {
        uint32_t file;
        unsigned long long line;
        std::string title;
        bool endOfFileCard;
        size_t firstCard, cardCount;  // into cards
    };

    HostImportObject target;
    std::vector<ModelFile> files;
    std::vector<CardAt> cards;
    std::vector<EmptyFields> cardGaps;
    std::vector<KeywordAt> keywords;
    // By file, the card read from each line (its index into cards + 1; 0 for none).
    std::vector<std::vector<uint32_t>> cardOfLine;

    const Card& cardOf(const CardAt& at) const { return *target.cards[at.card]; }
    const EmptyFields* gapsOf(const CardAt& at) const {
        return at.gaps < 0 ? nullptr : &cardGaps[static_cast<size_t>(at.gaps)];
    }
    const CardAt* cardAtLine(size_t file, unsigned long long line) const {
        const auto& lines = cardOfLine[file];
        return line < lines.size() && lines[line] ? &cards[lines[line] - 1] : nullptr;
    }
};

// What an edit asks a field to read as.
struct FieldRequest {
    bool blank = false;
    std::string given;  // the text given, tried first where it is a deck's number
    ReadField value;    // the value asked for (kind Value), unless blank
};

// One field of a card to edit: the card, its position in the line and what
// the messages call it ("FILE:LINE: CARD FIELD: ").
struct FieldTarget {
    ModelFile* file;
    const ModelEdit::Model::CardAt* card;
    size_t position;
    std::string named;
};

// Writes the field as the request says into the line held for it, after
// reading the line again: the edited field must read as asked, every other
// field as before. False with error set, and nothing changed, otherwise.
bool writeField(ModelEdit::Model& model, const FieldTarget& target, const FieldRequest& request,
                bool round, EditedField* result, std::string& error);

// The longest line an edit writes: longer lines are read in pieces.
constexpr size_t kLongestLine = 126;

}  // namespace abimport
