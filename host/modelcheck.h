// The model check: while the deck loop skips the keywords it does not import,
// it collects the IDs that nodes, shell elements, parts, load curves, vectors,
// transformations and sets define (from the first field of their lines only,
// read in its own columns); it takes every ID the airbag keywords report and
// the sets their airbag calls name, and at the end of the model tells each
// reference to an ID that nothing defines, and each ID defined twice.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "../keywords/idkinds.h"
#include "hostcalls.h"
#include "idset.h"
#include "linepieces.h"
#include "readchecks.h"
#include "sourcefile.h"
#include "warning.h"

namespace abimport {

class ModelCheck : public HostCallListener {
public:
    // A kind of ID by its position in kIdKinds; the check looks up the kinds
    // that a keyword of the model defines (IdKind::definedBy).
    using Kind = unsigned;
    // How a kind was checked.
    enum class Coverage {
        Checked,         // every reference was looked up
        NotFully,        // other forms of its keywords may define what is not found
        NothingDefined,  // the model defines none of its IDs: not checked
        NotCheckable,    // no keyword the check reads defines it
    };
    // One kind of reference in the model: one that the ID reports give with
    // its codes, or one that the airbag calls give in fields (then the codes
    // are 0).
    struct KindReport {
        unsigned code1 = 0, code2 = 0;
        std::string fields;      // the fields of the airbag calls: "SID, EXSID"
        const char* label = "";  // "node", "part set", ...
        size_t references = 0;
        size_t distinct = 0;
        size_t undefined = 0;  // references to IDs that nothing defines (Checked, NotFully)
        Coverage coverage = Coverage::NotCheckable;
        const char* keyword = nullptr;  // the defining keyword ("NODE"), for the kinds above
    };

    // Receives each warning: its kind, the index of its file in the model, its
    // line, its message and the columns of that line it concerns.
    using Report = std::function<void(WarningKind, size_t, unsigned long long, const std::string&,
                                      WarningColumns)>;

    // checks: the reading checks, which know the card last read and the
    // columns of its fields; files: the model's files, for the places that
    // messages name.
    ModelCheck(const ReadChecks& checks, const std::deque<SourceFile>& files, Report report)
        : checks_(checks), files_(files), report_(std::move(report)) {}
    // The reader of the model, which tells the words of the line just read.
    void start(const DataLine& reader) { reader_ = &reader; }

    // The listener that receives the reporting calls after the check.
    void forwardTo(HostCallListener* next) { next_ = next; }
    HostCallListener* forwardedTo() const { return next_; }

    // An airbag keyword's import begins in the file of that index.
    void keywordStarts(const char* title, unsigned long long line, size_t file);

    // The defining keyword a title names, and how its data lines define IDs;
    // false for any other title. A title that begins like one of them in
    // another form is noted: that kind is then not fully checked.
    struct Definitions {
        Kind kind;
        unsigned width;  // columns of the ID field on a fixed-form line
        bool headings;   // each ID line comes after a line of its own (a heading)
        bool firstOnly;  // only the first ID line defines an ID
    };
    bool definitionsOf(std::string_view title, Definitions& how);
    // Reads the data lines of such a keyword in the file of that index from
    // lines, each by its first piece, up to the next keyword line (true; it is
    // the piece lines holds) or the end of the file (false).
    bool defineFromLines(const Definitions& how, LinePieces& lines, size_t file);

    // At the end of the model: each reference to an ID that nothing defines,
    // each ID defined twice, as warnings.
    void finish();
    // After finish: each kind referred to, by (idCode1, idCode2).
    std::vector<KindReport> kinds() const;
    // The bytes the sets of defined IDs and their places hold.
    size_t definitionBytes() const;

    // After the model is read: where it first defines an ID of the kind, by
    // the index of its file and its line; false when nothing defines it.
    bool definitionOf(Kind kind, int32_t id, size_t& file, unsigned long long& line) const;
    // The places of the airbag cards' references to it, in deck order.
    std::vector<std::pair<size_t, unsigned long long>> referencesTo(Kind kind, int32_t id) const;

    void idReport(char** words, unsigned idCount, const unsigned* idPos, const unsigned* idCode1,
                  const unsigned* idCode2, unsigned long long line) override;
    void airbagCall(HostCallKind kind, char** words, unsigned wordCount,
                    unsigned long long line) override;

private:
    struct Place {
        uint32_t file;
        unsigned long long line;
    };
    // A run of consecutive IDs defined on consecutive lines of one file.
    struct Run {
        int32_t first;
        uint32_t count;
        Place place;
    };
    struct Counted {
        size_t references = 0;
        size_t undefined = 0;
        IdSet ids;
    };
    struct Reference {
        int32_t id;
        Kind kind;
        Place place;
        WarningColumns columns;
        const char* keyword;
        const char* card;
        const char* field;
        Counted* counted;  // where the reference is counted
    };
    struct Duplicate {
        int32_t id;
        Kind kind;
        Place place;
        WarningColumns columns;
    };
    struct Defined {
        IdSet ids;
        std::vector<Run> runs;
        // What continues the last run: the next ID on the next line of its file.
        int64_t nextId = 0;
        unsigned long long nextLine = 0;
        uint32_t runFile = 0;
        bool otherForms = false;  // the model holds other forms of the keyword
    };
    // The data line of the defining keyword being read: its first piece of
    // length bytes at the start of a buffer of LinePieces::kPieceSize.
    void defineFrom(const char* piece, size_t length, unsigned long long line);
    // An ID defined at place, by the data line piece of length bytes (the
    // columns of a duplicate).
    void define(Kind kind, int32_t id, Place place, const char* piece, size_t length);
    // A reference of kind counted in counted, from field of the card just
    // read, standing at columns of its line.
    void refer(int32_t id, Kind kind, Counted& counted, const char* field, unsigned long long line,
               WarningColumns columns);
    // A node or shell that one reference geometry keyword gives twice.
    void geometryDefinition(Kind kind, int32_t id, unsigned long long line, WarningColumns columns);

    const DataLine* reader_ = nullptr;
    const ReadChecks& checks_;
    const std::deque<SourceFile>& files_;
    Report report_;
    HostCallListener* next_ = nullptr;
    const char* keyword_ = "";
    unsigned long long keywordLine_ = 0;
    size_t file_ = 0;
    std::array<Defined, kIdKindCount> defined_;
    std::deque<Reference> references_;  // grows without moving what it holds
    std::vector<Duplicate> duplicates_;
    std::map<std::pair<unsigned, unsigned>, Counted> counted_;
    // The entry of the codes counted last: a card's rows mostly share them.
    Counted* lastCounted_ = nullptr;
    std::pair<unsigned, unsigned> lastCodes_;
    // The references that airbag calls make, by kind, and the fields they stand in.
    std::array<Counted, kIdKindCount> callCounted_;
    std::array<std::string, kIdKindCount> callFields_;
    // The nodes or shells of the reference geometry keyword being imported,
    // with their lines.
    // A list until the first duplicate, then an index for looking them up.
    IdSet geometryIds_;
    std::vector<std::pair<int32_t, unsigned long long>> geometry_;
    std::unordered_map<int32_t, unsigned long long> geometryIndex_;
    // The state of the defining keyword being read: how it defines IDs, its
    // file, whether the next data line is a heading, whether it has given
    // its one ID.
    Definitions how_{};
    uint32_t definingFile_ = 0;
    bool headingNext_ = false;
    bool given_ = false;
};

}  // namespace abimport
