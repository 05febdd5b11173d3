#include "importbase.h"

#include <algorithm>
#include <cstring>

#include "../model/linefields.h"
#include "../model/numbers/reading.h"
#include "readobserver.h"

using abimport::CardLayout;
using abimport::CardRead;
using abimport::ReadObserver;

abimport::ReadObserver::~ReadObserver() = default;
void abimport::ReadObserver::cardMissing(const DataLine&, const CardLayout&) {}

namespace {

CardLayout layoutOf(const WordCard& card) {
    const CardLayout::IdStepForm form = card.ids.kind == IdStep::Report   ? CardLayout::IdReport
                                        : card.ids.kind == IdStep::Airbag ? CardLayout::AirbagCall
                                                                          : CardLayout::NoIds;
    return {card.name, card.count, card.types,           card.names,
            nullptr,   form,       card.ids.table.count, card.ids.table.pos};
}

CardLayout layoutOf(const LineCard& card) {
    return {card.name,   card.count,           card.types,     card.names,
            card.widths, CardLayout::IdReport, card.ids.count, card.ids.pos};
}

}  // namespace

ImportBase::~ImportBase() = default;

bool ImportBase::atEndOfKeyword() const {
    return wordCount == 0 && (dataLine->flags & DataLine::kKeywordReached);
}

bool ImportBase::readWords(unsigned count) {
    wordCount = count;
    words = dataLine->readNextCardAsWords(wordCount);
    return !atEndOfKeyword();
}

bool ImportBase::readWords(const WordCard& layout) {
    if (readWords(layout.count)) return true;
    if (ReadObserver* observer = dataLine->observer) {
        observer->cardMissing(*dataLine, layoutOf(layout));
    }
    return false;
}

void ImportBase::reportAndBuild(const WordCard& layout) {
    if (ReadObserver* observer = dataLine->observer) {
        observer->cardRead(*dataLine, {layoutOf(layout), words, wordCount, nullptr});
    }
    if (layout.ids.kind != IdStep::None && (Card::contFlag & Card::kReportIds)) {
        if (layout.ids.kind == IdStep::Report) {
            IdTable t = layout.ids.table;
            addIDToRefFile(words, t.count, t.pos, t.code1, t.code2, importObject);
        } else {
            layout.ids.airbag(words, wordCount, 0, importObject);
        }
    }
    if (Card::contFlag & Card::kBuildCards) {
        card = new Card;
        card->name = layout.name;
        // A comma line can deliver more words than the card has fields.
        unsigned fieldCount = std::min(wordCount, layout.count);
        card->addFields(fieldCount, layout.types, layout.names, words);
        importObject->cards.push_back(card);
    }
}

bool ImportBase::readCard(const WordCard& layout) {
    if (!readWords(layout)) return false;
    reportAndBuild(layout);
    return true;
}

bool ImportBase::readRepeated(const WordCard& layout, unsigned count) {
    unsigned pass = 0;
    bool keywordGoesOn = true;
    for (; pass != count; ++pass) {
        if (!readWords(layout.count)) {
            keywordGoesOn = false;
            break;
        }
        reportAndBuild(layout);
        if (atEndOfFile()) break;  // this pass's card came from no data line
    }
    if (ReadObserver* observer = dataLine->observer) {
        observer->repetitionEnded(*dataLine, layoutOf(layout), count, pass);
    }
    return keywordGoesOn;
}

bool ImportBase::readLineCard(const LineCard& layout) {
    wordCount = layout.count;
    line = dataLine->readNextCardAsLine(wordCount);
    if (atEndOfKeyword()) return false;
    if (ReadObserver* observer = dataLine->observer) {
        observer->cardRead(*dataLine, {layoutOf(layout), nullptr, wordCount, line});
    }

    if (Card::contFlag & Card::kReportIds) {
        // The field texts as the card step cuts them, taken from a copy before
        // that step splits a comma line in place. Fields the line does not
        // reach have empty texts.
        constexpr unsigned kMaxFields = 8;
        constexpr unsigned kSize = abimport_detail::LineFields::kFieldBufferSize;
        char copy[DataLine::kLineBufferSize];
        const size_t lineLength = strnlen(line, DataLine::kLineBufferSize - 1);
        std::memcpy(copy, line, lineLength);
        copy[lineLength] = '\0';
        char texts[kMaxFields][kSize];
        char* list[kMaxFields];
        abimport_detail::LineFields cut(copy);
        // Only the fields up to the last ID position are cut; later entries
        // of the list are empty texts.
        IdTable t = layout.ids;
        unsigned cutCount = 0;
        for (unsigned k = 0; k < t.count; ++k) cutCount = std::max(cutCount, t.pos[k] + 1);
        const unsigned n = std::min(layout.count, kMaxFields);
        for (unsigned i = 0; i < n; ++i) {
            list[i] = texts[i];
            texts[i][0] = '\0';
            if (i >= cutCount) continue;
            const char* text = cut.next(layout.widths[i]);
            const size_t length = text ? strnlen(text, kSize - 1) : 0;
            std::memcpy(texts[i], text ? text : "", length);
            texts[i][length] = '\0';
        }
        addIDToRefFile(list, t.count, t.pos, t.code1, t.code2, importObject);
    }
    if (Card::contFlag & Card::kBuildCards) {
        card = new Card;
        card->name = layout.name;
        card->addFields(wordCount, layout.types, layout.widths, layout.names, line);
        importObject->cards.push_back(card);
    }
    return true;
}

unsigned ImportBase::numberAt(unsigned pos) const {
    if (ReadObserver* observer = dataLine->observer) observer->numberTaken(*dataLine, pos);
    return hasWordAt(pos) ? abimport_detail::textToU32(words[pos]) : 0;
}
