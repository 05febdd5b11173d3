#include "keywordtitles.h"

#include <strings.h>

namespace abimport {

namespace {

bool endsTitle(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

}  // namespace

std::string_view keywordTitleOf(const char* line, size_t length) {
    if (length == 0 || line[0] != '*') return {};
    size_t end = 1;
    while (end < length && !endsTitle(line[end])) ++end;
    return {line + 1, end - 1};
}

bool titleIs(std::string_view title, std::string_view name) {
    return title.size() == name.size() && strncasecmp(title.data(), name.data(), name.size()) == 0;
}

const KeywordDescription* findKeyword(const char* line, size_t length) {
    const std::string_view title = keywordTitleOf(line, length);
    return title.empty() ? nullptr : keywordWithTitle(title);
}

const char* keywordTitle(unsigned code) {
    const KeywordDescription* keyword = keywordWithCode(code);
    return keyword ? keyword->title : nullptr;
}

}  // namespace abimport
