#include "modelcheck.h"

#include <algorithm>
#include <cstring>

#include "keywordtitles.h"
#include "references.h"

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

// The ID in the first field of a data line: columns 1 to width, or the first
// comma word; blanks around it. False for a field that is no non-zero
// integer within 32 bits. One pass from the start: the character after the
// number and its trailing blanks tells a comma word from a fixed field.
bool firstFieldId(const char* piece, size_t length, unsigned width, int32_t& id) {
    const char* at = piece;
    const char* const end = piece + length;
    while (at < end && (*at == ' ' || *at == '\t')) ++at;
    bool negative = false;
    if (at < end && (*at == '-' || *at == '+')) negative = *at++ == '-';
    const char* const digits = at;
    long long value = 0;
    for (; at < end && static_cast<unsigned char>(*at - '0') <= 9; ++at) {
        value = value * 10 + (*at - '0');
        if (value > INT32_MAX) return false;
    }
    if (at == digits) return false;
    const char* const numberEnd = at;
    while (at < end && (*at == ' ' || *at == '\t' || *at == '\r')) ++at;
    const bool comma = at < end && *at == ',';
    const bool lineEnds = at == end || *at == '\n' || *at == '\0';
    if (!comma && !(numberEnd <= piece + width && (lineEnds || at >= piece + width))) {
        // A fixed field whose number runs on into the next field: only its
        // own columns count.
        if (numberEnd <= piece + width || length <= width) return false;
        return firstFieldId(piece, width, width, id);
    }
    if (value == 0) return false;
    id = static_cast<int32_t>(negative ? -value : value);
    return true;
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
    for (Kind k = 0; k < kIdKindCount; ++k) {
        const IdDefinition& defined = kIdKinds[k].definedBy;
        if (!defined.keyword) continue;
        const std::string_view keyword = defined.keyword;
        const bool titleForm =
            defined.titleForm && title.size() == keyword.size() + kTitleForm.size() &&
            startsWith(title, keyword) && titleIs(title.substr(keyword.size()), kTitleForm);
        if (titleIs(title, keyword) || titleForm) {
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

void ModelCheck::definitionsStart(const Definitions& how) {
    headingNext_ = how.headings;
    given_ = false;
}

void ModelCheck::defineFrom(const Definitions& how, const char* piece, size_t length, size_t file,
                            unsigned long long line) {
    if (given_) return;
    if (headingNext_) {
        headingNext_ = false;
        return;
    }
    headingNext_ = how.headings;
    given_ = how.firstOnly;
    int32_t id;
    if (firstFieldId(piece, length, how.width, id))
        define(how.kind, id, {static_cast<uint32_t>(file), line}, numberColumns(piece, length));
}

void ModelCheck::define(Kind kind, int32_t id, Place place, WarningColumns columns) {
    Defined& defined = defined_[kind];
    if (!defined.ids.insert(id)) duplicates_.push_back({id, kind, place, columns});
    Run* last = defined.runs.empty() ? nullptr : &defined.runs.back();
    if (last && last->place.file == place.file && defined.lastLine + 1 == place.line &&
        static_cast<int64_t>(last->first) + last->count == id) {
        ++last->count;
    } else {
        defined.runs.push_back({id, 1, place});
    }
    defined.lastLine = place.line;
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
        const char* card = read ? read->name : "";
        const char* field = read && idPos[k] < read->fieldCount ? read->fields[idPos[k]].name : "";
        const WarningColumns columns = checks_.fieldColumns(idPos[k]);
        // The first field of a node or shell line of a reference geometry
        // gives that node or shell its reference place.
        if (idPos[k] == 0 && read &&
            (read->role == CardRole::NodeList || read->role == CardRole::ShellList)) {
            geometryDefinition(kind, static_cast<int32_t>(id), line, columns);
        }
        references_.push_back({static_cast<int32_t>(id),
                               kind,
                               {static_cast<uint32_t>(file_), line},
                               columns,
                               keyword_,
                               card,
                               field});
    }
    if (next_) next_->idReport(words, idCount, idPos, idCode1, idCode2, line);
}

void ModelCheck::airbagCall(HostCallKind kind, char** words, unsigned wordCount,
                            unsigned long long line) {
    if (next_) next_->airbagCall(kind, words, wordCount, line);
}

void ModelCheck::finish() {
    for (const Reference& reference : references_) {
        const Defined& defined = defined_[reference.kind];
        if (defined.ids.size() == 0 || defined.ids.contains(reference.id)) continue;
        const IdKind& info = kIdKinds[reference.kind];
        ++counted_[{info.code1, info.code2}].undefined;
        if (defined.otherForms) continue;
        report_(WarningKind::UndefinedReference, reference.place.file, reference.place.line,
                std::string(reference.keyword) + " " + reference.card + " " + reference.field +
                    ": " + info.label + " " + std::to_string(reference.id) +
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
        const IdKind& info = kIdKinds[duplicate.kind];
        report_(WarningKind::DuplicateId, duplicate.place.file, duplicate.place.line,
                std::string(info.label) + " " + std::to_string(duplicate.id) +
                    " is defined twice: first at " + *files_[first[i].file].path + ":" +
                    std::to_string(first[i].line),
                duplicate.columns);
    }
}

std::vector<ModelCheck::KindReport> ModelCheck::kinds() const {
    std::vector<KindReport> out;
    for (const auto& [codes, counted] : counted_) {
        KindReport report{codes.first, codes.second};
        report.references = counted.references;
        report.distinct = counted.ids.size();
        report.undefined = counted.undefined;
        Kind kind;
        if (kindOf(codes.first, codes.second, kind)) {
            const Defined& defined = defined_[kind];
            report.keyword = kIdKinds[kind].definedBy.keyword;
            report.coverage = defined.ids.size() == 0 ? Coverage::NothingDefined
                              : defined.otherForms    ? Coverage::NotFully
                                                      : Coverage::Checked;
        }
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
