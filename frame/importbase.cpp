#include "importbase.h"

#include <algorithm>
#include <cstring>

#include "../model/linefields.h"
#include "../model/numbers/reading.h"
#include "readobserver.h"

using abimport::CardDescription;
using abimport::CardRead;
using abimport::IdStep;
using abimport::ReadObserver;

abimport::ReadObserver::~ReadObserver() = default;
void abimport::ReadObserver::cardMissing(const DataLine&, const CardDescription&) {}

namespace {

// The most fields a card has.
constexpr unsigned kMostFields = 8;

// A card's field layout for one read, copied from its description into
// arrays of the read's own: the host is handed them through non-const
// pointers, so whatever it writes there ends with the read.
struct FieldLayout {
    explicit FieldLayout(const CardDescription& card) {
        for (unsigned i = 0; i < card.fieldCount; ++i) {
            types[i] = card.fields[i].type;
            widths[i] = card.fields[i].width;
            names[i] = card.fields[i].name;
        }
    }
    unsigned types[kMostFields];
    unsigned widths[kMostFields];
    const char* names[kMostFields];
};

// The card's ID field table for one read: its ID-bearing fields in
// ascending position with the codes of their kind of ID.
struct IdFieldTable {
    explicit IdFieldTable(const CardDescription& card) {
        for (unsigned i = 0; i < card.fieldCount; ++i) {
            const abimport::IdKind* kind = card.fields[i].id;
            if (!kind) continue;
            pos[count] = i;
            code1[count] = kind->code1;
            code2[count] = kind->code2;
            ++count;
        }
    }
    unsigned count = 0;
    unsigned pos[kMostFields];
    unsigned code1[kMostFields];
    unsigned code2[kMostFields];
};

// The host lookup that takes the whole card.
int callAirbagLookup(IdStep step, char** words, unsigned& wordCount, ImportObject* target) {
    switch (step) {
        case IdStep::AirbagFind: return airbagFind(words, wordCount, 0, target);
        case IdStep::AirbagVentHoleFind: return airbagVentHoleFind(words, wordCount, 0, target);
        case IdStep::AirbagAdvancedAle: return airbagAdvancedAle(words, wordCount, 0, target);
        case IdStep::None:
        case IdStep::Report: break;
    }
    return 0;
}

}  // namespace

ImportBase::~ImportBase() = default;

bool ImportBase::atEndOfKeyword() const {
    return wordCount == 0 && (dataLine->flags & DataLine::kKeywordReached);
}

bool ImportBase::readWordCount(unsigned count) {
    wordCount = count;
    words = dataLine->readNextCardAsWords(wordCount);
    return !atEndOfKeyword();
}

bool ImportBase::readWords(const CardDescription& description) {
    if (readWordCount(description.fieldCount)) return true;
    if (ReadObserver* observer = dataLine->observer) observer->cardMissing(*dataLine, description);
    return false;
}

void ImportBase::reportAndBuild(const CardDescription& description) {
    if (ReadObserver* observer = dataLine->observer) {
        observer->cardRead(*dataLine, {description, words, wordCount, nullptr});
    }
    if (description.idStep != IdStep::None && (Card::contFlag & Card::kReportIds)) {
        if (description.idStep == IdStep::Report) {
            IdFieldTable ids(description);
            addIDToRefFile(words, ids.count, ids.pos, ids.code1, ids.code2, importObject);
        } else {
            callAirbagLookup(description.idStep, words, wordCount, importObject);
        }
    }
    if (Card::contFlag & Card::kBuildCards) {
        FieldLayout layout(description);
        card = new Card;
        card->name = description.name;
        // A comma line can deliver more words than the card has fields.
        unsigned fieldCount = std::min(wordCount, description.fieldCount);
        card->addFields(fieldCount, layout.types, layout.names, words);
        importObject->cards.push_back(card);
    }
}

bool ImportBase::readCard(const CardDescription& description) {
    if (!readWords(description)) return false;
    reportAndBuild(description);
    return true;
}

bool ImportBase::readRepeated(const CardDescription& description, unsigned count) {
    unsigned pass = 0;
    bool keywordGoesOn = true;
    for (; pass != count; ++pass) {
        if (!readWordCount(description.fieldCount)) {
            keywordGoesOn = false;
            break;
        }
        reportAndBuild(description);
        if (atEndOfFile()) break;  // this pass's card came from no data line
    }
    if (ReadObserver* observer = dataLine->observer) {
        observer->repetitionEnded(*dataLine, description, count, pass);
    }
    return keywordGoesOn;
}

bool ImportBase::readLineCard(const CardDescription& description) {
    wordCount = description.fieldCount;
    line = dataLine->readNextCardAsLine(wordCount);
    if (atEndOfKeyword()) return false;
    if (ReadObserver* observer = dataLine->observer) {
        observer->cardRead(*dataLine, {description, nullptr, wordCount, line});
    }

    if (Card::contFlag & Card::kReportIds) {
        // The field texts as the card step cuts them, taken from a copy before
        // that step splits a comma line in place. Fields the line does not
        // reach have empty texts.
        constexpr unsigned kSize = abimport::detail::LineFields::kFieldBufferSize;
        char copy[DataLine::kLineBufferSize];
        const size_t lineLength = strnlen(line, DataLine::kLineBufferSize - 1);
        std::memcpy(copy, line, lineLength);
        copy[lineLength] = '\0';
        char texts[kMostFields][kSize];
        char* list[kMostFields];
        abimport::detail::LineFields cut(copy);
        // Only the fields up to the last ID position are cut; later entries
        // of the list are empty texts.
        IdFieldTable ids(description);
        const unsigned cutCount = ids.count ? ids.pos[ids.count - 1] + 1 : 0;
        for (unsigned i = 0; i < description.fieldCount; ++i) {
            list[i] = texts[i];
            texts[i][0] = '\0';
            if (i >= cutCount) continue;
            const char* text = cut.next(description.fields[i].width);
            const size_t length = text ? strnlen(text, kSize - 1) : 0;
            std::memcpy(texts[i], text ? text : "", length);
            texts[i][length] = '\0';
        }
        addIDToRefFile(list, ids.count, ids.pos, ids.code1, ids.code2, importObject);
    }
    if (Card::contFlag & Card::kBuildCards) {
        FieldLayout layout(description);
        card = new Card;
        card->name = description.name;
        card->addFields(wordCount, layout.types, layout.widths, layout.names, line);
        importObject->cards.push_back(card);
    }
    return true;
}

unsigned ImportBase::numberAt(unsigned pos) const {
    if (ReadObserver* observer = dataLine->observer) observer->numberTaken(*dataLine, pos);
    return hasWordAt(pos) ? abimport::detail::textToU32(words[pos]) : 0;
}
