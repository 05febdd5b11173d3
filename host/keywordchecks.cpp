#include "keywordchecks.h"

#include <algorithm>
#include <cctype>
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
    return title.size() >= 7 && titleIs(title.substr(0, 7), "AIRBAG_");
}

const char* misspelledAirbagKeyword(std::string_view title) {
    const char* nearest = nullptr;
    size_t nearestDistance = kMostEdits + 1;
    for (const KeywordDescription* keyword : keywordList()) {
        const size_t distance = titleDistance(title, keyword->title, kMostEdits);
        if (distance < nearestDistance) {
            nearest = keyword->title;
            nearestDistance = distance;
        }
    }
    return nearest;
}

}  // namespace abimport
