#include "linereading.h"

#include <cctype>
#include <cstring>

#include "../frame/dataline.h"
#include "../host/fieldsinline.h"
#include "../model/linefields.h"
#include "../model/numbers/fieldfit.h"
#include "../model/numbers/reading.h"

namespace abimport {

namespace {

using abimport_detail::kStandardFieldWidth;

// The type code a layout asks for to make a value of this class.
unsigned requestedType(const Data& value) {
    return value.typeCode == kBlankCode ? kBlankRequestCode : value.typeCode;
}

ReadField valueOf(unsigned type, const char* text) {
    ReadField field;
    field.kind = ReadField::Value;
    field.type = type;
    switch (type) {
        case kUnsignedCode: field.integer = abimport_detail::textToU32(text); break;
        case kIntegerCode: field.integer = abimport_detail::textToI32(text); break;
        case kDoubleCode: field.real = abimport_detail::textToDouble(text); break;
        case kTextCode: field.text = text; break;
        case kBlankRequestCode: field.type = kBlankCode; break;
        default: field.kind = ReadField::Unread; break;  // no value class for this code
    }
    return field;
}

bool isEmptyText(const char* text) {
    return std::iscntrl(static_cast<unsigned char>(text[0])) != 0;
}

// Word cards: DataLine::readNextCardAsWords, then the word form of
// Card::addFields.
std::vector<ReadField> readWords(char* buffer, const LineLayout& layout) {
    const size_t positions = layout.types.size();
    std::vector<ReadField> fields(positions);
    std::vector<std::string> words;
    size_t count = 0;
    if (std::strchr(buffer, ',')) {
        char* cursor = buffer;
        size_t n;
        while (words.size() < DataLine::kWordBufferCount) {
            const char* token = abimport_detail::nextCommaWord(cursor, n);
            if (!token) break;
            char word[DataLine::kWordBufferSize] = {};
            const unsigned kept = static_cast<unsigned>(
                n < DataLine::kWordBufferSize - 2 ? n : DataLine::kWordBufferSize - 2);
            std::memcpy(word, token, kept);
            word[abimport_detail::repairExponent(word, kept)] = '\0';
            words.emplace_back(word);
        }
        count = words.size();
    } else {
        const size_t requested =
            positions < DataLine::kMaxFixedFields ? positions : DataLine::kMaxFixedFields;
        for (size_t i = 0; i < requested; ++i) {
            char word[kStandardFieldWidth + 2] = {};
            std::memcpy(word, buffer + kStandardFieldWidth * i, kStandardFieldWidth);
            abimport_detail::repairExponent(word, kStandardFieldWidth);
            if (word[0] != '\0' && word[0] != '\n') ++count;
            words.emplace_back(word);
        }
    }
    if (buffer[0] == '\0') count = 0;
    for (size_t i = 0; i < positions && i < count && i < words.size(); ++i) {
        if (isEmptyText(words[i].c_str())) {
            fields[i].kind = ReadField::Empty;
        } else {
            fields[i] = valueOf(layout.types[i], words[i].c_str());
        }
    }
    return fields;
}

// Node and element lines: DataLine::readNextCardAsLine, then the raw-line
// form of Card::addFields.
std::vector<ReadField> readColumns(char* buffer, const LineLayout& layout) {
    const size_t positions = layout.types.size();
    std::vector<ReadField> fields(positions);
    if (buffer[0] == '\0') return fields;
    abimport_detail::LineFields cut(buffer);
    for (size_t i = 0; i < positions; ++i) {
        const char* text = cut.next(layout.widths[i]);
        if (cut.commaForm()) {
            if (!text) break;
        } else if (isEmptyText(text)) {
            fields[i].kind = ReadField::Empty;
            continue;
        }
        fields[i] = valueOf(layout.types[i], text);
    }
    return fields;
}

}  // namespace

bool isWordCard(const Card& card, const EmptyFields* gaps) {
    bool words = true;
    forEachFieldInLine(card, gaps, true, [&](const FieldInLine& field) {
        words = words && field.width == kStandardFieldWidth;
    });
    return words;
}

LineLayout layoutOf(const Card& card, const EmptyFields* gaps) {
    LineLayout layout;
    layout.wordCard = isWordCard(card, gaps);
    forEachFieldInLine(card, gaps, true, [&](const FieldInLine& field) {
        layout.types.push_back(field.value ? requestedType(*field.value) : field.emptyType);
        layout.widths.push_back(field.width);
    });
    return layout;
}

std::vector<ReadField> fieldsOf(const Card& card, const EmptyFields* gaps) {
    std::vector<ReadField> fields;
    forEachFieldInLine(card, gaps, true, [&](const FieldInLine& field) {
        ReadField read;
        read.kind = field.value ? ReadField::Value : ReadField::Empty;
        if (const Data* value = field.value) {
            read.type = value->typeCode;
            if (auto* real = dynamic_cast<const Double*>(value)) read.real = real->val;
            if (auto* integer = dynamic_cast<const Integer*>(value)) read.integer = integer->val;
            if (auto* count = dynamic_cast<const UInteger*>(value)) read.integer = count->val;
            if (auto* chars = dynamic_cast<const CharArray*>(value)) {
                read.text = chars->val ? chars->val : "";
            }
        }
        fields.push_back(std::move(read));
    });
    return fields;
}

std::vector<ReadField> readLine(const std::string& text, bool newline, const LineLayout& layout) {
    // The reader's line buffer: the line, its newline, zeros after.
    char buffer[DataLine::kLineBufferSize] = {};
    const size_t length =
        text.size() < DataLine::kLineBufferSize - 2 ? text.size() : DataLine::kLineBufferSize - 2;
    std::memcpy(buffer, text.data(), length);
    if (newline) buffer[length] = '\n';
    return layout.wordCard ? readWords(buffer, layout) : readColumns(buffer, layout);
}

bool sameField(const ReadField& a, const ReadField& b) {
    if (a.kind != b.kind) return false;
    if (a.kind != ReadField::Value) return true;
    if (a.type != b.type) return false;
    if (a.type == kDoubleCode) return abimport_detail::sameDouble(a.real, b.real);
    if (a.type == kTextCode) return a.text == b.text;
    return a.integer == b.integer;
}

}  // namespace abimport
