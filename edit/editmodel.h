// The model an edit works on (internal to edit/): the cards, where each came
// from, and the files they were read from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../host/hostcalls.h"
#include "../host/readchecks.h"
#include "../keywords/keywordtable.h"
#include "linereading.h"
#include "modeledit.h"
#include "modelfiles.h"

namespace abimport {

struct ModelEdit::Model {
    struct CardAt {
        uint32_t file;
        int32_t gaps;  // index into cardGaps, -1 for none
        unsigned long long line;
        const Card* card;
    };
    struct KeywordAt {
        uint32_t file;
        unsigned long long line;
        const KeywordDescription* keyword;
        bool endOfFileCard;
        size_t firstCard, cardCount;  // into cards
    };

    HostImportObject target;  // owns the cards of a model that load() read
    std::vector<ModelFile> files;
    std::vector<CardAt> cards;
    std::vector<EmptyFields> cardGaps;
    std::vector<KeywordAt> keywords;
    // By file, the card read from each line (its index into cards + 1; 0 for none).
    std::vector<std::vector<uint32_t>> cardOfLine;

    const EmptyFields* gapsOf(const CardAt& at) const {
        return at.gaps < 0 ? nullptr : &cardGaps[static_cast<size_t>(at.gaps)];
    }
    const CardAt* cardAtLine(size_t file, unsigned long long line) const {
        const auto& lines = cardOfLine[file];
        return line < lines.size() && lines[line] ? &cards[lines[line] - 1] : nullptr;
    }
    // Notes a card of the keyword being added.
    void addCard(uint32_t file, const EmptyFields* gaps, unsigned long long line, const Card* card);
};

// What an edit asks a field to read as.
struct FieldRequest {
    size_t position = 0;  // the field's in its line
    bool blank = false;
    std::string given;  // the text given, tried first where it is a deck's number
    ReadField value;    // the value asked for (kind Value), unless blank
};

// "FILE:LINE: CARD FIELD: ", as the messages about a field begin.
std::string namedField(const ModelEdit::Model& model, const ModelEdit::Model::CardAt& at,
                       size_t position);

// Writes the fields of one card's line as the requests say, into the line
// held for it, reading the line again after each: the field must read as
// asked, every other field as before. results (one per request, or null)
// receive what was written. False with error set, and the line unchanged,
// otherwise.
bool writeFields(ModelEdit::Model& model, const ModelEdit::Model::CardAt& at,
                 const FieldRequest* requests, size_t count, bool round, EditedField* results,
                 std::string& error);

// The longest line an edit writes: longer lines are read in pieces.
constexpr size_t kLongestLine = 126;

}  // namespace abimport
