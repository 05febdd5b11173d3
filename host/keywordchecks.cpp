#include "keywordchecks.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "keywordtitles.h"

namespace abimport {

namespace {

constexpr size_t kMostEdits = 2;

char upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

}  // namespace

size_t titleDistance(std::string_view a, std::string_view b, size_t limit) {
    const size_t far = limit + 1;
    if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > limit) return far;
    // Three rows of the distance table: two back, one back, this one.
    std::vector<size_t> older(b.size() + 1), previous(b.size() + 1), row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) previous[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        row[0] = i;
        size_t best = row[0];
        for (size_t j = 1; j <= b.size(); ++j) {
            const bool same = upper(a[i - 1]) == upper(b[j - 1]);
            row[j] = std::min({previous[j] + 1, row[j - 1] + 1, previous[j - 1] + (same ? 0 : 1)});
            if (i > 1 && j > 1 && upper(a[i - 1]) == upper(b[j - 2]) &&
                upper(a[i - 2]) == upper(b[j - 1])) {
                row[j] = std::min(row[j], older[j - 2] + 1);
            }
            best = std::min(best, row[j]);
        }
        if (best > limit) return far;
        older.swap(previous);
        previous.swap(row);
    }
    return std::min(previous[b.size()], far);
}

bool isAirbagTitle(std::string_view title) {
    return title.size() > 6 && titleIs(title.substr(0, 6), "AIRBAG");
}

AirbagTitle airbagTitleOf(std::string_view title) {
    AirbagTitle verdict;
    if (!isAirbagTitle(title)) return verdict;
    const bool underscore = title[6] == '_';
    const std::string written =
        underscore ? std::string(title) : "AIRBAG_" + std::string(title.substr(6));
    const char* nearest = nullptr;
    const char* prefixed = nullptr;
    const char* withOption = nullptr;
    size_t nearestDistance = kMostEdits + 1, prefixedDistance = SIZE_MAX;
    for (const KeywordDescription* description : keywordList()) {
        const std::string_view keyword = description->title;
        const size_t distance = titleDistance(written, keyword, kMostEdits);
        if (distance < nearestDistance) {
            nearest = description->title;
            nearestDistance = distance;
        }
        if (written.size() < keyword.size() &&
            titleIs(keyword.substr(0, written.size()), written)) {
            // The closest of those it begins: the shortest.
            if (keyword.size() < prefixedDistance) {
                prefixed = description->title;
                prefixedDistance = keyword.size();
            }
        }
        if (underscore && written.size() > keyword.size() + 1 && written[keyword.size()] == '_' &&
            titleIs(written.substr(0, keyword.size()), keyword)) {
            // The longest of those it continues with an option.
            if (!withOption || keyword.size() > std::string_view(withOption).size())
                withOption = description->title;
        }
    }
    if (prefixed) return {AirbagTitle::Misspelled, prefixed};
    if (withOption && nearestDistance > 1) return {AirbagTitle::WithOption, withOption};
    if (nearest) return {AirbagTitle::Misspelled, nearest};
    return verdict;
}

}  // namespace abimport
