#include "keywordtable.h"

#include <atomic>
#include <iterator>
#include <mutex>

#include "abadvancedale.h"
#include "abale.h"
#include "abinteraction.h"
#include "abreferencegeometry.h"
#include "abrefgeobirthrdt.h"
#include "abrefgeometrybirth.h"
#include "abrefgeometryrdt.h"
#include "abshellrefgeometry.h"
#include "cardtables.h"

namespace abimport {

namespace {

// The library's keywords, by ascending type code.
constexpr const KeywordDescription* kLibraryKeywords[] = {
    &kAdvancedAleKeyword,      &kAleKeyword,
    &kInteractionKeyword,      &kReferenceGeometryKeyword,
    &kRefGeometryBirthKeyword, &kRefGeoBirthRdtKeyword,
    &kRefGeometryRdtKeyword,   &kShellRefGeometryKeyword,
};
constexpr size_t kLibraryKeywordCount = std::size(kLibraryKeywords);
constexpr size_t kMostKeywords = 64;

struct Entries {
    const KeywordDescription* keyword[kMostKeywords];
};
constexpr Entries libraryEntries() {
    Entries entries{};
    for (size_t i = 0; i < kLibraryKeywordCount; ++i) entries.keyword[i] = kLibraryKeywords[i];
    return entries;
}

// The list, set up by constant initialization: loading the library runs no
// code for it. Entries below the count never change.
Entries entries = libraryEntries();
std::atomic<size_t> entryCount{kLibraryKeywordCount};
std::mutex adding;

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool sameTitle(std::string_view title, const char* canonical) {
    size_t i = 0;
    for (; i < title.size(); ++i) {
        if (canonical[i] == '\0' || upper(title[i]) != canonical[i]) return false;
    }
    return canonical[i] == '\0';
}

}  // namespace

KeywordList keywordList() {
    return {entries.keyword, entryCount.load(std::memory_order_acquire)};
}

const KeywordDescription* keywordWithCode(unsigned code) {
    for (const KeywordDescription* keyword : keywordList()) {
        if (keyword->code == code) return keyword;
    }
    return nullptr;
}

const KeywordDescription* keywordWithTitle(std::string_view title) {
    for (const KeywordDescription* keyword : keywordList()) {
        if (sameTitle(title, keyword->title)) return keyword;
    }
    return nullptr;
}

bool addKeyword(const KeywordDescription& keyword) {
    std::lock_guard<std::mutex> lock(adding);
    const size_t count = entryCount.load(std::memory_order_relaxed);
    if (count == kMostKeywords || !detail::wellFormed(keyword) || keywordWithCode(keyword.code) ||
        keywordWithTitle(keyword.title)) {
        return false;
    }
    entries.keyword[count] = &keyword;
    entryCount.store(count + 1, std::memory_order_release);
    return true;
}

}  // namespace abimport
