#include "card.h"

#include <cctype>
#include <cstring>
#include <memory>

#include "linefields.h"
#include "numbers/reading.h"

using abimport::detail::textToDouble;
using abimport::detail::textToI32;
using abimport::detail::textToU32;

namespace {

// A word or field is empty when it is missing or begins with a control
// character: NUL, newline, carriage return, tab.
bool isEmptyText(const char* text) {
    return text == nullptr || std::iscntrl(static_cast<unsigned char>(text[0]));
}

const char* wordAt(char** words, unsigned i) {
    return words ? words[i] : nullptr;
}

// Whether a type code makes a value (a placeholder included).
bool makesValue(unsigned code) {
    return code <= abimport::kDoubleCode || code == abimport::kTextCode ||
           code == abimport::kBlankRequestCode;
}

void appendPadded(std::string& out, const std::string& text, unsigned columns) {
    if (columns > text.size()) out.append(columns - text.size(), ' ');
    out += text;
}

}  // namespace

Card::~Card() {
    for (Data* value : fields) delete value;
}

void Card::tostring(char*) {}

void Card::addValue(Data* value, const char* fieldName) {
    // Owned here until it is in the list: a null name throws while recording it.
    std::unique_ptr<Data> owned(value);
    if (contFlag & kKeepNames) fieldNames.emplace_back(fieldName);
    fields.push_back(owned.get());
    owned.release();
}

void Card::reserveFields(size_t count) {
    fields.reserve(fields.size() + count);
    if (contFlag & kKeepNames) fieldNames.reserve(fieldNames.size() + count);
}

void Card::addEmptyField(int, unsigned width) {
    static char blankName[] = " ";
    static char* unused = blankName;
    addValue(new BlankObject(width), unused);
}

void Card::addConverted(unsigned code, unsigned width, const char* fieldName, const char* text) {
    switch (code) {
        case abimport::kUnsignedCode:
            addValue(new UInteger(width, textToU32(text)), fieldName);
            break;
        case abimport::kIntegerCode:
            addValue(new Integer(width, textToI32(text)), fieldName);
            break;
        case abimport::kDoubleCode:
            addValue(new Double(width, textToDouble(text)), fieldName);
            break;
        case abimport::kTextCode: addValue(new CharArray(width, text), fieldName); break;
        case abimport::kBlankRequestCode: addEmptyField(0, width); break;
        default: break;  // no value class for this code
    }
}

void Card::addFields(unsigned& count, unsigned* types, const char** names, char** words) {
    size_t values = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (makesValue(types[i]) && !isEmptyText(wordAt(words, i))) ++values;
    }
    reserveFields(values);
    for (unsigned i = 0; i < count; ++i) {
        const char* word = wordAt(words, i);
        if (isEmptyText(word)) {
            emptyFieldNames.emplace_back(names[i]);
            continue;
        }
        addConverted(types[i], abimport::kStandardFieldWidth, names[i], word);
    }
}

void Card::tostring(std::string& out) {
    if (!fieldNames.empty()) {
        for (size_t i = 0; i < fieldNames.size(); ++i) {
            unsigned columns = i < fields.size() && fields[i] ? fields[i]->width : 0;
            if (i == 0) {
                out += '$';
                columns = columns > 0 ? columns - 1 : 0;
            }
            appendPadded(out, fieldNames[i], columns);
        }
        out += '\n';
    }

    char text[kTextBufferSize];
    bool endsLine = false;
    for (Data* value : fields) {
        if (!value) continue;
        text[0] = '\0';
        value->tostring(text);
        const size_t len = std::strlen(text);
        out.append(text, len);
        endsLine = len > 0 && text[len - 1] == '\n';
    }
    if (!endsLine) out += '\n';
}
