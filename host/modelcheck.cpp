#include "modelcheck.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "../model/numbers/reading.h"
#include "keywordtitles.h"
#include "references.h"
#include "textchecks.h"

namespace abimport {

namespace {

// The kind of an ID report's codes, when a keyword of the model defines it.
bool kindOf(unsigned code1, unsigned code2, ModelCheck::Kind& kind) {
    const IdKind* found = idKindOf(code1, code2);
    if (!found || !found->definedBy.keyword) return false;
    kind = static_cast<ModelCheck::Kind>(indexOf(*found));
    return true;
}

bool startsWith(std::string_view title, std::string_view prefix) {
    return title.size() >= prefix.size() && titleIs(title.substr(0, prefix.size()), prefix);
}

// The columns of the number that begins a defining line (after blanks).
WarningColumns numberColumns(const char* piece, size_t length) {
    size_t at = 0;
    while (at < length && (piece[at] == ' ' || piece[at] == '\t')) ++at;
    size_t end = at;
    if (end < length && (piece[end] == '-' || piece[end] == '+')) ++end;
    while (end < length && static_cast<unsigned char>(piece[end] - '0') <= 9) ++end;
    return {static_cast<unsigned>(at + 1), static_cast<unsigned>(end)};
}

// The ID in a node or element line's field of eight columns written as most
// decks write it: blanks, then digits up to the field's end. False for any
// other field (the general reading then decides). The digits are checked and
// converted eight at a time.
bool eightColumnId(const char* text, size_t length, int32_t& id) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (length < 8) return false;
    uint64_t word;
    std::memcpy(&word, text, 8);
    const uint64_t notBlank = word ^ 0x2020202020202020ULL;
    if (notBlank == 0) return false;
    // Each byte less '0', the leading blanks as zeros: all eight below 10.
    const unsigned blankBits = static_cast<unsigned>(__builtin_ctzll(notBlank)) & ~7u;
    uint64_t digits = (word ^ 0x3030303030303030ULL) & ~((1ULL << blankBits) - 1);
    if (((digits + 0x7676767676767676ULL) | digits) & 0x8080808080808080ULL) return false;
    // Pairs, then fours, then all eight.
    digits = digits * 10 + (digits >> 8);
    digits = (((digits & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32))) +
              (((digits >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32)))) >>
             32;
    if (digits == 0) return false;
    id = static_cast<int32_t>(digits);
    return true;
#else
    (void)text, (void)length, (void)id;
    return false;
#endif
}

// The integer that a field's text reads as, when it is a whole non-zero
// integer within 32 bits, blanks and the line end around it aside: what a
// reference to an ID must be too (referenceAt). text holds length bytes; the
// field ends there or at a NUL before.
bool fieldId(const char* text, size_t length, int32_t& id) {
    if (!readsAsWritten(text, length, 1)) return false;
    char copy[DataLine::kLineBufferSize];
    const size_t kept = length < sizeof copy - 1 ? length : sizeof copy - 1;
    std::memcpy(copy, text, kept);
    copy[kept] = '\0';
    const int32_t read = abimport::detail::textToI32(copy);
    if (read == 0) return false;
    id = read;
    return true;
}

// The first comma of a line piece of length bytes in the host's buffer of
// LinePieces::kPieceSize bytes (which may be read whole), or null.
const char* firstComma(const char* piece, size_t length) {
#if defined(__SSE2__)
    const __m128i comma = _mm_set1_epi8(',');
    for (size_t at = 0; at < length; at += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(piece + at));
        const unsigned found =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, comma)));
        if (found) {
            const size_t where = at + static_cast<size_t>(__builtin_ctz(found));
            return where < length ? piece + where : nullptr;
        }
    }
    return nullptr;
#else
    return static_cast<const char*>(std::memchr(piece, ',', length));
#endif
}

// The ID of a data line, as the library reads the first field of a card: in
// a line that holds a comma (before a NUL), its first comma word; otherwise
// the text of columns 1 to width, a field that begins with a control
// character (a tab, the line end) being empty. Never digits of the next field.
bool lineId(const char* piece, size_t length, unsigned width, int32_t& id) {
    if (const char* comma = firstComma(piece, length)) {
        const size_t at = static_cast<size_t>(comma - piece);
        if (!std::memchr(piece, '\0', at)) {
            // Commas before the first word yield no word.
            size_t begin = 0;
            while (begin < length && piece[begin] == ',') ++begin;
            const char* word = piece + begin;
            const void* end = std::memchr(word, ',', length - begin);
            const size_t wordLength =
                end ? static_cast<size_t>(static_cast<const char*>(end) - word) : length - begin;
            return fieldId(word, wordLength, id);
        }
    }
    if (length == 0) return false;
    // The C library's iscntrl, asked only of what is not printable ASCII.
    const unsigned char first = static_cast<unsigned char>(piece[0]);
    if ((first < 0x20 || first >= 0x7f) && std::iscntrl(first)) return false;
    if (width == 8 && eightColumnId(piece, length, id)) return true;
    return fieldId(piece, length < width ? length : width, id);
}

}  // namespace

void ModelCheck::keywordStarts(const char* title, unsigned long long line, size_t file) {
    keyword_ = title;
    keywordLine_ = line;
    file_ = file;
    geometry_.clear();
    geometryIndex_.clear();
    geometryIds_ = IdSet();
}

bool ModelCheck::definitionsOf(std::string_view title, Definitions& how) {
    static constexpr std::string_view kTitleForm = "_TITLE";
    const bool endsInTitle = title.size() > kTitleForm.size() &&
                             titleIs(title.substr(title.size() - kTitleForm.size()), kTitleForm);
    for (Kind k = 0; k < kIdKindCount; ++k) {
        const IdDefinition& defined = kIdKinds[k].definedBy;
        if (!defined.keyword) continue;
        const std::string_view keyword = defined.keyword;
        const bool otherForm = title.size() > keyword.size() + 1 && startsWith(title, keyword) &&
                               title[keyword.size()] == '_';
        const bool titleForm =
            defined.titleForm && otherForm && endsInTitle &&
            (defined.everyForm || title.size() == keyword.size() + kTitleForm.size());
        if (titleIs(title, keyword) || titleForm || (defined.everyForm && otherForm)) {
            how = {k, defined.width, defined.headings || titleForm, defined.firstOnly};
            return true;
        }
    }
    for (Kind k = 0; k < kIdKindCount; ++k) {
        const char* keyword = kIdKinds[k].definedBy.keyword;
        if (keyword && startsWith(title, std::string(keyword) + "_")) defined_[k].otherForms = true;
    }
    return false;
}

bool ModelCheck::defineFromLines(const Definitions& how, LinePieces& lines, size_t file) {
    how_ = how;
    definingFile_ = static_cast<uint32_t>(file);
    headingNext_ = how.headings;
    given_ = false;
    while (lines.next()) {
        const char first = lines.text()[0];
        if (first == '*') return true;
        if (first != '$') defineFrom(lines.text(), lines.length(), lines.line());
        lines.skipRest();
    }
    return false;
}

// Inlined into defineFrom, as defineFrom into defineFromLines, which every
// line of a mesh passes through.
inline void ModelCheck::define(Kind kind, int32_t id, Place place, const char* piece,
                               size_t length) {
    Defined& defined = defined_[kind];
    if (!defined.ids.insert(id))
        duplicates_.push_back({id, kind, place, numberColumns(piece, length)});
    if (id == defined.nextId && place.line == defined.nextLine && place.file == defined.runFile) {
        ++defined.runs.back().count;
    } else {
        defined.runs.push_back({id, 1, place});
        defined.runFile = place.file;
    }
    defined.nextId = int64_t{id} + 1;
    defined.nextLine = place.line + 1;
}

inline void ModelCheck::defineFrom(const char* piece, size_t length, unsigned long long line) {
    if (given_) return;
    if (headingNext_) {
        headingNext_ = false;
        return;
    }
    headingNext_ = how_.headings;
    given_ = how_.firstOnly;
    int32_t id;
    if (lineId(piece, length, how_.width, id))
        define(how_.kind, id, {definingFile_, line}, piece, length);
}

void ModelCheck::geometryDefinition(Kind kind, int32_t id, unsigned long long line,
                                    WarningColumns columns) {
    if (geometryIds_.insert(id)) {
        if (geometryIndex_.empty()) {
            geometry_.emplace_back(id, line);
        } else {
            geometryIndex_.emplace(id, line);
        }
        return;
    }
    if (geometryIndex_.empty()) geometryIndex_.insert(geometry_.begin(), geometry_.end());
    const auto at = geometryIndex_.find(id);
    report_(WarningKind::DuplicateId, file_, line,
            std::string(kIdKinds[kind].label) + " " + std::to_string(id) + " is given twice in *" +
                keyword_ + " (line " + std::to_string(keywordLine_) + "): first at line " +
                std::to_string(at->second),
            columns);
}

void ModelCheck::refer(int32_t id, Kind kind, Counted& counted, const char* field,
                       unsigned long long line, WarningColumns columns) {
    const CardDescription* read = checks_.lastCard();
    const char* card = read ? read->name : "";
    references_.push_back(
        {id, kind, {static_cast<uint32_t>(file_), line}, columns, keyword_, card, field, &counted});
}

void ModelCheck::idReport(char** words, unsigned idCount, const unsigned* idPos,
                          const unsigned* idCode1, const unsigned* idCode2,
                          unsigned long long line) {
    for (unsigned k = 0; k < idCount; ++k) {
        long long id;
        if (!referenceAt(reader_, words, idPos[k], id)) continue;
        const std::pair<unsigned, unsigned> codes{idCode1[k], idCode2[k]};
        if (!lastCounted_ || codes != lastCodes_) {
            lastCounted_ = &counted_[codes];
            lastCodes_ = codes;
        }
        Counted& counted = *lastCounted_;
        ++counted.references;
        counted.ids.insert(id);
        Kind kind;
        if (!kindOf(idCode1[k], idCode2[k], kind)) continue;
        const CardDescription* read = checks_.lastCard();
        const char* field = read && idPos[k] < read->fieldCount ? read->fields[idPos[k]].name : "";
        const WarningColumns columns = checks_.fieldColumns(idPos[k]);
        // The first field of a node or shell line of a reference geometry
        // gives that node or shell its reference place.
        if (idPos[k] == 0 && read &&
            (read->role == CardRole::NodeList || read->role == CardRole::ShellList)) {
            geometryDefinition(kind, static_cast<int32_t>(id), line, columns);
        }
        refer(static_cast<int32_t>(id), kind, counted, field, line, columns);
    }
    if (next_) next_->idReport(words, idCount, idPos, idCode1, idCode2, line);
}

void ModelCheck::airbagCall(HostCallKind kind, char** words, unsigned wordCount,
                            unsigned long long line) {
    // The fields of the card just read that name an ID through the call,
    // with the kind that the card's type field gives them.
    const CardDescription* card = checks_.lastCard();
    for (unsigned pos = 0; card && pos < card->fieldCount; ++pos) {
        const FieldDescription& field = card->fields[pos];
        if (!field.lookup) continue;
        long long id, type = 0;
        if (!referenceAt(reader_, words, pos, id)) continue;
        if (const char* typeField = field.lookup->typeField) {
            const int typePos = fieldPosition(*card, typeField);
            if (typePos < 0 || !integerAt(reader_, words, static_cast<unsigned>(typePos), type) ||
                type < 0 || type > 2) {
                continue;
            }
        }
        const IdKind* named = field.lookup->kinds[type];
        if (!named || !named->definedBy.keyword) continue;
        const Kind idKind = static_cast<Kind>(indexOf(*named));
        if (idKind == kIdKindCount) continue;
        Counted& counted = callCounted_[idKind];
        ++counted.references;
        counted.ids.insert(id);
        std::string& fields = callFields_[idKind];
        if ((", " + fields + ", ").find(std::string(", ") + field.name + ", ") ==
            std::string::npos) {
            fields += (fields.empty() ? "" : ", ") + std::string(field.name);
        }
        refer(static_cast<int32_t>(id), idKind, counted, field.name, line,
              checks_.fieldColumns(pos));
    }
    if (next_) next_->airbagCall(kind, words, wordCount, line);
}

void ModelCheck::finish() {
    for (const Reference& reference : references_) {
        const Defined& defined = defined_[reference.kind];
        if (defined.ids.size() == 0 || defined.ids.contains(reference.id)) continue;
        ++reference.counted->undefined;
        if (defined.otherForms) continue;
        report_(WarningKind::UndefinedReference, reference.place.file, reference.place.line,
                std::string(reference.keyword) + " " + reference.card + " " + reference.field +
                    ": " + kIdKinds[reference.kind].label + " " + std::to_string(reference.id) +
                    " is not defined in the model",
                reference.columns);
    }

    // The first place of each ID defined twice: the first run that holds it.
    std::vector<std::pair<int32_t, size_t>> order;  // (id, index in duplicates_), by kind
    std::vector<Place> first(duplicates_.size(), Place{0, 0});
    for (Kind k = 0; k < kIdKindCount; ++k) {
        order.clear();
        for (size_t i = 0; i < duplicates_.size(); ++i) {
            if (duplicates_[i].kind == k) order.emplace_back(duplicates_[i].id, i);
        }
        if (order.empty()) continue;
        std::sort(order.begin(), order.end());
        for (const Run& run : defined_[k].runs) {
            auto at =
                std::lower_bound(order.begin(), order.end(), std::make_pair(run.first, size_t{0}));
            for (; at != order.end() &&
                   static_cast<int64_t>(at->first) < int64_t{run.first} + run.count;
                 ++at) {
                Place& place = first[at->second];
                if (place.line == 0)
                    place = {run.place.file,
                             run.place.line + static_cast<unsigned>(at->first - run.first)};
            }
        }
    }
    for (size_t i = 0; i < duplicates_.size(); ++i) {
        const Duplicate& duplicate = duplicates_[i];
        report_(WarningKind::DuplicateId, duplicate.place.file, duplicate.place.line,
                std::string(kIdKinds[duplicate.kind].label) + " " + std::to_string(duplicate.id) +
                    " is defined twice: first at " + *files_[first[i].file].path + ":" +
                    std::to_string(first[i].line),
                duplicate.columns);
    }
}

std::vector<ModelCheck::KindReport> ModelCheck::kinds() const {
    std::vector<KindReport> out;
    auto reportOf = [](unsigned code1, unsigned code2, const Counted& counted) {
        KindReport report;
        report.code1 = code1;
        report.code2 = code2;
        report.references = counted.references;
        report.distinct = counted.ids.size();
        report.undefined = counted.undefined;
        report.label = idKindLabel(code1, code2);
        return report;
    };
    auto coverageOf = [this](Kind kind, KindReport& report) {
        const Defined& defined = defined_[kind];
        report.keyword = kIdKinds[kind].definedBy.keyword;
        report.coverage = defined.ids.size() == 0 ? Coverage::NothingDefined
                          : defined.otherForms    ? Coverage::NotFully
                                                  : Coverage::Checked;
    };
    for (const auto& [codes, counted] : counted_) {
        KindReport report = reportOf(codes.first, codes.second, counted);
        Kind kind;
        if (kindOf(codes.first, codes.second, kind)) coverageOf(kind, report);
        out.push_back(report);
    }
    for (Kind k = 0; k < kIdKindCount; ++k) {
        if (callCounted_[k].references == 0) continue;
        KindReport report = reportOf(0, 0, callCounted_[k]);
        report.label = kIdKinds[k].label;
        report.fields = callFields_[k];
        coverageOf(k, report);
        out.push_back(report);
    }
    return out;
}

bool ModelCheck::definitionOf(Kind kind, int32_t id, size_t& file, unsigned long long& line) const {
    if (kind >= kIdKindCount || !defined_[kind].ids.contains(id)) return false;
    for (const Run& run : defined_[kind].runs) {
        if (id < run.first || static_cast<int64_t>(id) >= int64_t{run.first} + run.count) continue;
        file = run.place.file;
        line = run.place.line + static_cast<unsigned>(id - run.first);
        return true;
    }
    return false;
}

std::vector<std::pair<size_t, unsigned long long>> ModelCheck::referencesTo(Kind kind,
                                                                            int32_t id) const {
    std::vector<std::pair<size_t, unsigned long long>> places;
    for (const Reference& reference : references_) {
        if (reference.kind == kind && reference.id == id)
            places.emplace_back(reference.place.file, reference.place.line);
    }
    return places;
}

size_t ModelCheck::definitionBytes() const {
    size_t bytes = 0;
    for (const Defined& defined : defined_) {
        bytes += defined.ids.bytes() + defined.runs.capacity() * sizeof(Run);
    }
    return bytes;
}

}  // namespace abimport
