#include "keywordtitles.h"

#include <cstring>
#include <strings.h>

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

const KeywordTitle* findKeyword(const char* line, size_t length) {
    if (length == 0 || line[0] != '*') return nullptr;
    size_t end = 1;
    while (end < length && !endsTitle(line[end])) ++end;
    const size_t titleLength = end - 1;
    for (const KeywordTitle& k : kTitles) {
        if (std::strlen(k.title) == titleLength && strncasecmp(line + 1, k.title, titleLength) == 0) {
            return &k;
        }
    }
    return nullptr;
}

const char* keywordTitle(unsigned code) {
    for (const KeywordTitle& k : kTitles) {
        if (k.code == code) return k.title;
    }
    return nullptr;
}
