#include "keywordtitles.h"

#include <strings.h>

namespace abimport {

namespace {

const KeywordTitle kTitles[] = {
    {1, "AIRBAG_ADVANCED_ALE"},
    {2, "AIRBAG_ALE"},
    {3, "AIRBAG_INTERACTION"},
    {4, "AIRBAG_REFERENCE_GEOMETRY"},
    {5, "AIRBAG_REFERENCE_GEOMETRY_BIRTH"},
    {6, "AIRBAG_REFERENCE_GEOMETRY_BIRTH_RDT"},
    {7, "AIRBAG_REFERENCE_GEOMETRY_RDT"},
    {8, "AIRBAG_SHELL_REFERENCE_GEOMETRY"},
};

bool endsTitle(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

}  // namespace

const KeywordTitle* keywordTitles(size_t* count) {
    *count = sizeof kTitles / sizeof kTitles[0];
    return kTitles;
}

std::string_view keywordTitleOf(const char* line, size_t length) {
    if (length == 0 || line[0] != '*') return {};
    size_t end = 1;
    while (end < length && !endsTitle(line[end])) ++end;
    return {line + 1, end - 1};
}

bool titleIs(std::string_view title, std::string_view name) {
    return title.size() == name.size() && strncasecmp(title.data(), name.data(), name.size()) == 0;
}

const KeywordTitle* findKeyword(const char* line, size_t length) {
    const std::string_view title = keywordTitleOf(line, length);
    if (title.empty()) return nullptr;
    for (const KeywordTitle& k : kTitles) {
        if (titleIs(title, k.title)) return &k;
    }
    return nullptr;
}

const char* keywordTitle(unsigned code) {
    for (const KeywordTitle& k : kTitles) {
        if (k.code == code) return k.title;
    }
    return nullptr;
}

}  // namespace abimport
