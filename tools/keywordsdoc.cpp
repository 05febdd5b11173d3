// Writes docs/keywords.md from the keyword table: every keyword with its
// cards in reading order, every card's fields with their columns, types,
// kinds of ID and roles, and the type codes of the JSON output. `make
// keywords-doc` rewrites the file with it, and a test fails when the file
// differs from what it prints.
#include <cstdio>
#include <string>

#include "../keywords/keywordtable.h"

namespace {

using namespace abimport;

// A type code as the reference names it.
const char* typeName(unsigned code) {
    switch (code) {
        case kUnsignedCode: return "unsigned integer";
        case kIntegerCode: return "integer";
        case kDoubleCode: return "double";
        case kTextCode: return "text";
        case kBlankRequestCode: return "not read";
        case kBlankCode: return "blank";
        default: return "?";
    }
}

// The heading anchor of a keyword's section.
std::string anchorOf(const KeywordDescription& keyword) {
    std::string anchor;
    for (const char* c = keyword.title; *c; ++c)
        anchor += *c >= 'A' && *c <= 'Z' ? static_cast<char>(*c - 'A' + 'a') : *c;
    return anchor;
}

const char* idStepText(IdStep step) {
    switch (step) {
        case IdStep::None: return "It reports no IDs";
        case IdStep::Report: return "Its ID fields go to `addIDToRefFile`";
        case IdStep::AirbagFind: return "The whole card goes to `airbagFind`";
        case IdStep::AirbagVentHoleFind: return "The whole card goes to `airbagVentHoleFind`";
        case IdStep::AirbagAdvancedAle: return "The whole card goes to `airbagAdvancedAle`";
    }
    return "?";
}

const char* cardRoleText(CardRole role) {
    switch (role) {
        case CardRole::None: return "";
        case CardRole::NodeList: return "node list: one node per line, up to the next keyword line";
        case CardRole::ShellList:
            return "shell list: one shell element per line, up to the next keyword line";
        case CardRole::BirthTime:
            return "birth time: its first field is the birth time of the keyword's nodes";
    }
    return "?";
}

std::string fieldRoleText(const FieldDescription& field) {
    switch (field.role) {
        case FieldRole::None: return "";
        case FieldRole::KeywordId: return "pairs keywords of this title in `abimport diff`";
        case FieldRole::Count:
            return std::string("the number of ") + field.steers + " cards that follow";
        case FieldRole::MeshSize:
            return std::string("mesh size: whether ") + field.steers + " follows depends on it";
    }
    return "?";
}

std::string kindText(const IdKind& kind) {
    if (kind.code1 == 0) return kind.label;  // no ID report gives it
    return std::string(kind.label) + " (" + std::to_string(kind.code1) + "/" +
           std::to_string(kind.code2) + ")";
}

// The kind the ID report gives the field, or the kinds a host lookup's field
// names, by the value of the card's type field where it has one.
std::string idText(const FieldDescription& field) {
    if (field.id) return kindText(*field.id);
    if (!field.lookup) return "";
    if (!field.lookup->typeField)
        return field.lookup->kinds[0] ? kindText(*field.lookup->kinds[0]) : "";
    std::string text;
    for (unsigned value = 0; value < 3; ++value) {
        const IdKind* kind = field.lookup->kinds[value];
        if (!kind) continue;
        text += std::string(text.empty() ? "" : ", ") + kindText(*kind) + " for " +
                field.lookup->typeField + " " + std::to_string(value);
    }
    return text;
}

void printIntroduction() {
    std::puts(
        "# Keywords\n"
        "\n"
        "<!-- Written by `make keywords-doc` (tools/keywordsdoc.cpp) from the keyword\n"
        "     table in keywords/. Do not edit: a test fails when this file differs. -->\n"
        "\n"
        "abimport imports the keywords below; every other keyword of a deck is\n"
        "skipped. Each keyword is read as its cards, in the order given: every card\n"
        "is one data line (comment lines, which begin with `$`, are skipped), and\n"
        "under `Card::contFlag` 0x4 the import makes one `Card` of it with the\n"
        "card's name and one value per field. The code is the keyword type code that the registry "
        "files its\n"
        "import function under (`ABImport::abaleTypeMap`).\n"
        "\n"
        "| code | keyword | cards in reading order |\n"
        "|---|---|---|");
    for (const KeywordDescription* keyword : keywordList()) {
        std::string cards;
        for (unsigned c = 0; c < keyword->cardCount; ++c)
            cards += std::string(c ? ", " : "") + keyword->cards[c].name;
        std::printf("| %u | [`*%s`](#%s) | %s |\n", keyword->code, keyword->title,
                    anchorOf(*keyword).c_str(), cards.c_str());
    }
    std::puts(
        "\n"
        "A card of **words** is cut into ten-column fields (field i in columns\n"
        "10i-9 to 10i), where a number may stand without its exponent letter\n"
        "(`1.5-3` is 1.5e-3), or, when its line holds a comma, into comma words. A\n"
        "**line** card is cut into its fields' own widths, without that repair, or\n"
        "into comma words. A line ending before a field leaves the field without a\n"
        "value (its name in `emptyFieldNames`); blank columns read as 0. A column\n"
        "marked `UNUSED` is not read: the card holds a blank placeholder there.\n"
        "\n"
        "Under `Card::contFlag` 0x10 each card hands its ID fields to\n"
        "`addIDToRefFile`, or the whole card to one of the host's lookups. A\n"
        "field's ID kind is what `addIDToRefFile` is told of it, with its two\n"
        "codes (idCode1/idCode2; 9999: none); `abimport --summary` counts the\n"
        "references by these kinds, and `abimport --check` looks up those that a\n"
        "model defines. A field of a card handed whole to a lookup names the kind\n"
        "that `--check` takes it for, by the value of the card's type field where\n"
        "it has one.\n"
        "\n"
        "## Type codes\n"
        "\n"
        "Every value of a card carries a type code, `Data::typeCode`, which the\n"
        "JSON output gives as a field's `\"type\"`:\n"
        "\n"
        "| code | value | class | JSON `\"value\"` |\n"
        "|---|---|---|---|");
    struct Code {
        unsigned code;
        const char* valueClass;
        const char* json;
    };
    const Code codes[] = {
        {kUnsignedCode, "`UInteger`", "a number"},
        {kIntegerCode, "`Integer`", "a number"},
        {kDoubleCode, "`Double`", "a number; `\"inf\"`, `\"nan\"` and their negatives as strings"},
        {kTextCode, "`CharArray`", "a string: the word as read"},
        {kBlankCode, "`BlankObject`", "`null`"},
    };
    for (const Code& code : codes)
        std::printf("| %u | %s | %s | %s |\n", code.code, typeName(code.code), code.valueClass,
                    code.json);
    std::printf(
        "\nA card table asks for code %u for a column it does not read (`UNUSED`); the\n"
        "value made for it is a blank, code %u.\n",
        kBlankRequestCode, kBlankCode);
}

void printCard(const CardDescription& card) {
    std::printf("\n### %s\n\n", card.name);
    std::printf("A %s card: %u field%s in columns 1-%u. %s.\n",
                card.form == CardForm::Words ? "words" : "line", card.fieldCount,
                card.fieldCount == 1 ? "" : "s", columnsRead(card), idStepText(card.idStep));
    const char* role = cardRoleText(card.role);
    if (*role) std::printf("Role: %s.\n", role);
    std::puts(
        "\n"
        "| field | columns | type | ID kind | role |\n"
        "|---|---|---|---|---|");
    for (unsigned i = 0; i < card.fieldCount; ++i) {
        const FieldDescription& field = card.fields[i];
        const Columns columns = columnsOf(card, i);
        std::printf("| %s | %u-%u | %s | %s | %s |\n", field.name, columns.first, columns.last,
                    typeName(field.type), idText(field).c_str(), fieldRoleText(field).c_str());
    }
}

void printKeyword(const KeywordDescription& keyword) {
    std::printf("\n## %s\n\n`*%s`, type code %u, %u card%s.\n", keyword.title, keyword.title,
                keyword.code, keyword.cardCount, keyword.cardCount == 1 ? "" : "s");
    for (unsigned c = 0; c < keyword.cardCount; ++c) printCard(keyword.cards[c]);
}

}  // namespace

int main() {
    printIntroduction();
    for (const KeywordDescription* keyword : keywordList()) printKeyword(*keyword);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}
