#include "linereading.h"

#include <cctype>
#include <cstring>

#include "../frame/dataline.h"
#include "../host/fieldsinline.h"
#include "../keywords/keywordtable.h"
#include "../model/linefields.h"
#include "../model/numbers/fieldfit.h"
#include "../model/numbers/reading.h"

namespace abimport {

namespace {

// The type code a layout asks for to make a value of this class.
unsigned requestedType(const Data& value) {
    return value.typeCode == kBlankCode ? kBlankRequestCode : value.typeCode;
}

// A text value stands for its characters by their FNV-1a hash: texts are
// only compared, never shown.
long long textHash(const char* text) {
    uint64_t hash = 14695981039346656037ULL;
    for (; *text; ++text) hash = (hash ^ static_cast<unsigned char>(*text)) * 1099511628211ULL;
    return static_cast<long long>(hash);
}

void readValue(unsigned type, const char* text, ReadField& field) {
    field.kind = ReadField::Value;
    field.type = type;
    switch (type) {
        case kUnsignedCode: field.integer = abimport::detail::textToU32(text); break;
        case kIntegerCode: field.integer = abimport::detail::textToI32(text); break;
        case kDoubleCode: field.real = abimport::detail::textToDouble(text); break;
        case kTextCode: field.integer = textHash(text); break;
        case kBlankRequestCode: field.type = kBlankCode; break;
        default: field.kind = ReadField::Unread; break;  // no value class for this code
    }
}

bool isEmptyText(const char* text) {
    return std::iscntrl(static_cast<unsigned char>(text[0])) != 0;
}

// Word cards: DataLine::readNextCardAsWords, then the word form of
// Card::addFields.
void readWords(char* buffer, const LineLayout& layout, LineReading& reading) {
    const unsigned positions = layout.count;
    char words[LineLayout::kMostFields][DataLine::kWordBufferSize];
    size_t count = 0;
    if (std::strchr(buffer, ',')) {
        char* cursor = buffer;
        size_t n;
        for (; count < DataLine::kWordBufferCount; ++count) {
            const char* token = abimport::detail::nextCommaWord(cursor, n);
            if (!token) break;
            if (count >= positions) continue;
            char* word = words[count];
            const unsigned kept = static_cast<unsigned>(
                n < DataLine::kWordBufferSize - 2 ? n : DataLine::kWordBufferSize - 2);
            std::memcpy(word, token, kept);
            word[kept] = word[kept + 1] = '\0';
            word[abimport::detail::repairExponent(word, kept)] = '\0';
        }
    } else {
        const unsigned requested =
            positions < DataLine::kMaxFixedFields ? positions : DataLine::kMaxFixedFields;
        for (unsigned i = 0; i < requested; ++i) {
            char* word = words[i];
            std::memset(word, 0, kStandardFieldWidth + 2);
            std::memcpy(word, buffer + kStandardFieldWidth * i, kStandardFieldWidth);
            abimport::detail::repairExponent(word, kStandardFieldWidth);
            if (word[0] != '\0' && word[0] != '\n') ++count;
        }
    }
    if (buffer[0] == '\0') count = 0;
    for (unsigned i = 0; i < positions && i < count; ++i) {
        if (isEmptyText(words[i])) {
            reading[i].kind = ReadField::Empty;
        } else {
            readValue(layout.types[i], words[i], reading[i]);
        }
    }
}

// Node and element lines: DataLine::readNextCardAsLine, then the raw-line
// form of Card::addFields.
void readColumns(char* buffer, const LineLayout& layout, LineReading& reading) {
    if (buffer[0] == '\0') return;
    abimport::detail::LineFields cut(buffer);
    for (unsigned i = 0; i < layout.count; ++i) {
        const char* text = cut.next(layout.widths[i]);
        if (cut.commaForm()) {
            if (!text) break;
        } else if (isEmptyText(text)) {
            reading[i].kind = ReadField::Empty;
            continue;
        }
        readValue(layout.types[i], text, reading[i]);
    }
}

}  // namespace

LineLayout layoutOf(const Card& card, const EmptyFields* gaps) {
    LineLayout layout;
    forEachFieldInLine(card, gaps, true, [&](const FieldInLine& field) {
        if (layout.count == LineLayout::kMostFields) return;
        layout.types[layout.count] = field.value ? requestedType(*field.value) : field.emptyType;
        layout.widths[layout.count++] = field.width;
        layout.wordCard = layout.wordCard && isWordFieldWidth(field.width);
    });
    return layout;
}

LineReading fieldsOf(const Card& card, const EmptyFields* gaps) {
    LineReading reading;
    forEachFieldInLine(card, gaps, true, [&](const FieldInLine& field) {
        if (reading.count == LineLayout::kMostFields) return;
        ReadField& read = reading[reading.count++];
        read.kind = field.value ? ReadField::Value : ReadField::Empty;
        if (const Data* value = field.value) {
            read.type = value->typeCode;
            switch (value->typeCode) {
                case kDoubleCode: read.real = static_cast<const Double*>(value)->val; break;
                case kIntegerCode: read.integer = static_cast<const Integer*>(value)->val; break;
                case kUnsignedCode: read.integer = static_cast<const UInteger*>(value)->val; break;
                case kTextCode: {
                    const char* text = static_cast<const CharArray*>(value)->val;
                    read.integer = textHash(text ? text : "");
                    break;
                }
                default: break;
            }
        }
    });
    return reading;
}

void readLine(std::string_view text, bool newline, const LineLayout& layout, LineReading& reading) {
    reading = LineReading();
    reading.count = layout.count;
    // The reader's line buffer: the line, its newline, zeros after.
    char buffer[DataLine::kLineBufferSize];
    const size_t length =
        text.size() < DataLine::kLineBufferSize - 2 ? text.size() : DataLine::kLineBufferSize - 2;
    std::memcpy(buffer, text.data(), length);
    std::memset(buffer + length, 0, sizeof buffer - length);
    if (newline) buffer[length] = '\n';
    if (layout.wordCard) {
        readWords(buffer, layout, reading);
    } else {
        readColumns(buffer, layout, reading);
    }
}

bool sameField(const ReadField& a, const ReadField& b) {
    if (a.kind != b.kind) return false;
    if (a.kind != ReadField::Value) return true;
    if (a.type != b.type) return false;
    if (a.type == kDoubleCode) return abimport::detail::sameDouble(a.real, b.real);
    return a.integer == b.integer;
}

}  // namespace abimport
