// The stand-in host's loop over one deck: it follows include files, stops a
// file at its *END line, hands each airbag keyword to the import function
// registered for it and skips everything else. It knows where every keyword
// and card came from, and reports as warnings whatever the reading rules
// change and every include it cannot follow.
#pragma once

#include <sys/types.h>

#include <array>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "../frame/dataline.h"
#include "../frame/hostinterface.h"
#include "fileendstream.h"
#include "includefiles.h"
#include "keywordtitles.h"
#include "linepieces.h"
#include "modelcheck.h"
#include "parametersubstitution.h"
#include "parametertable.h"
#include "readchecks.h"
#include "sourcefile.h"
#include "warning.h"

namespace abimport {

struct ImportSettings {
    bool followIncludes = true;      // read the files that include keywords name
    bool warnings = true;            // check the reading and report warnings
    bool cardLines = false;          // note the line of every card for keywordEnds
    bool emptyBeforeFilled = false;  // note cards with an empty field before a filled one
    // Hand the reader, after each file's last line, a line that ends the
    // keyword (fileendstream.h), so that a keyword never reads cards from no
    // data line; false: the reader meets the end of each file itself, as the
    // library defines it.
    bool fileEndLine = true;
    // Check the model: references to IDs that nothing defines, IDs defined
    // twice, files included twice (modelcheck.h).
    bool check = false;
    // Parameters: a field of an airbag keyword that names a parameter (&name)
    // takes its value (parametersubstitution.h); false: &name is read as the
    // text it is.
    bool parameters = false;
    // Opens the include files in place of openInclude, given the path the
    // include search found: a host that holds files' texts itself (an
    // editor's unsaved buffers) hands them over as streams, which the loop
    // closes. The identity (device and inode) it gives tells includes that
    // include themselves or come twice. Unset: the files on disk.
    std::function<OpenedInclude(const std::string& path)> openFile;
};

// A keyword line of the model: its airbag keyword, its file and line.
struct KeywordSource {
    const KeywordDescription& keyword;
    const SourceFile& file;
    unsigned long long line;
};

// One keyword after its import.
struct ImportedKeyword {
    KeywordSource source;
    const ImportObject& target;
    size_t firstCard;  // its cards are target.cards[firstCard] onwards
    // The line of each of its cards (0 where no data line gave it), when the
    // settings ask for card lines; empty otherwise.
    const std::vector<unsigned long long>& cardLines;
    // Its cards (by index from firstCard) with an empty field before a filled
    // one, and those fields, when the settings ask for them.
    const std::vector<std::pair<size_t, EmptyFields>>& emptyBeforeFilled;
    // Its cards (by index from firstCard) with fields that took a parameter's
    // value, when card lines are noted.
    const std::vector<std::pair<size_t, CardParameters>>& parameters;
};

// What a deck loop reports, in the order it happens.
class DeckObserver {
public:
    virtual ~DeckObserver();
    // An include was opened and is about to be read.
    virtual void includeOpened(const SourceFile& include, const SourceFile& includingFile);
    // Just before the import function of an airbag keyword is called.
    virtual void keywordStarts(const KeywordSource& keyword);
    // Just after it returned.
    virtual void keywordEnds(const ImportedKeyword& keyword);
    virtual void warning(const Warning& warning);
};

class DeckImport {
public:
    // Includes nested deeper than this are not followed.
    static constexpr unsigned kMaxIncludeDepth = 64;
    // The longest file or folder name an include keyword may give.
    static constexpr size_t kMaxNameLength = 4096;

    DeckImport(const ABImport& registry, ImportObject& target, DeckObserver* observer = nullptr,
               ImportSettings settings = {});
    DeckImport(const DeckImport&) = delete;
    DeckImport& operator=(const DeckImport&) = delete;

    // Imports the deck that reader reads, from its current position to its
    // end or its *END line, with the files it includes. path names the deck
    // ("-" for standard input); relative include names are looked up from its
    // folder. A stream without a file of its own (text in memory) takes the
    // identity of the file that path names, if there is one. Keyword codes without a function in
    // the registry are skipped like unknown keywords. Returns the number of keywords imported.
    size_t run(DataLine& reader, const std::string& path);

    // Every file read: the main deck first, then each include as it was opened.
    const std::deque<SourceFile>& files() const { return files_; }
    // Warnings reported, by kind, and in all.
    const std::array<size_t, kReadWarningKindCount>& warningCounts() const {
        return warningCounts_;
    }
    size_t warningTotal() const;
    // Warnings that tell a problem of the model (isModelProblem).
    size_t modelProblems() const;
    // Whether an include could not be found, opened or read.
    bool includeFailed() const { return includeFailed_; }
    // The line after the main deck's first *TITLE, trailing blanks and line
    // end removed; empty when there is none.
    const std::string& title() const { return title_; }
    const ImportSettings& settings() const { return settings_; }
    // The airbag keyword lines that no function imports and that misspell
    // none of the imported ones, by title in upper case, with their counts.
    const std::map<std::string, size_t>& airbagKeywordsNotImported() const { return notImported_; }
    // The model check when the settings ask for it, after run; null otherwise.
    const ModelCheck* modelCheck() const { return settings_.check ? &check_ : nullptr; }
    // The model's parameters once read (at the first *PARAMETER keyword or
    // reference to one); null before, or when none were read.
    const ParameterTable* parameters() const { return parametersRead_ ? &parameters_ : nullptr; }

private:
    // A keyword line that is read but not yet handled: its first piece.
    struct PendingKeyword {
        bool held = false;
        char text[LinePieces::kPieceSize];
        size_t length = 0;
        unsigned long long line = 0;
        void take(const char* piece, size_t pieceLength, unsigned long long at);
    };
    // A file of the chain being read, to find includes that include themselves.
    struct OpenFile {
        dev_t device;
        ino_t inode;
        bool known;
    };
    // The stream of a file of the chain being read, and the line its reading
    // stands at while a file it includes is read.
    struct OpenStream {
        size_t index;
        FILE* file;
        FileEndStream* stream;
        unsigned long long line;
    };
    // The parameters as the stream of one file asks for them.
    class StreamEditor : public LineEditor {
    public:
        StreamEditor(DeckImport& deck, size_t file) : deck_(deck), file_(file) {}
        void prepare() override;
        bool edit(unsigned keywordCode, bool firstDataLine, const char* line, size_t length,
                  std::string& out, LineParameters& fields) override;

    private:
        DeckImport& deck_;
        size_t file_;
    };

    // Reads file, the model's file of that index, up to its end or *END;
    // the caller keeps it open and sets the reader's file back afterwards.
    void readFile(size_t index, FILE* file);
    void readKeywords(size_t index);
    void importKeyword(const KeywordDescription& keyword, unsigned long long line,
                       LinePieces& lines, PendingKeyword& pending);
    // *INCLUDE and the include keywords that name a file on their first line.
    void includeFile(std::string_view title, unsigned long long line, LinePieces& lines,
                     PendingKeyword& pending);
    void readIncludeFile(const std::string& keyword, const std::string& name, size_t parent,
                         unsigned long long line);
    // Any other keyword line: its title checked, and under the model check
    // the IDs its lines define collected (deckchecks.cpp).
    void otherKeyword(std::string_view title, LinePieces& lines, PendingKeyword& pending);
    // Under the model check: a file opened before in this model is named
    // where it is included again (true then).
    bool noteOpened(dev_t device, ino_t inode, size_t file);
    // *INCLUDE_PATH and *INCLUDE_PATH_RELATIVE: folders up to the next keyword.
    void includeFolders(LinePieces& lines, PendingKeyword& pending);
    // Reads the next name from the data lines: the first one, continued while a
    // line ends with " +". False when a keyword line (left in pending) or the
    // end of the file came first. tooLong tells a name cut at kMaxNameLength.
    bool readName(LinePieces& lines, PendingKeyword& pending, std::string& name, bool& tooLong);
    // Reads a keyword line's first piece into pending and skips the rest.
    void holdKeywordLine(LinePieces& lines, PendingKeyword& pending);
    // *TITLE: its first data line, unless a keyword line (left in pending) comes first.
    void readTitle(LinePieces& lines, PendingKeyword& pending);
    // Reads the model's parameters, once: from where the reading stands, in
    // the keyword of that title (a *PARAMETER form) or in an airbag keyword.
    void readParameters(const std::string& keyword);
    void warn(WarningKind kind, unsigned long long line, const std::string& message,
              WarningColumns columns = {});
    void warnAt(WarningKind kind, size_t file, unsigned long long line, const std::string& message,
                WarningColumns columns = {});
    std::string chainTo(const std::string& path) const;

    const ABImport& registry_;
    ImportObject& target_;
    DeckObserver* observer_;
    ImportSettings settings_;
    ReadChecks checks_;
    DataLine* reader_ = nullptr;
    FileEndStream* stream_ = nullptr;  // of the file being read
    std::deque<SourceFile> files_;
    std::vector<OpenFile> chain_;
    size_t currentFile_ = 0;
    IncludeSearch search_{""};
    std::array<size_t, kReadWarningKindCount> warningCounts_{};
    bool includeFailed_ = false;
    size_t imported_ = 0;
    std::string title_;
    std::map<std::string, size_t> notImported_;
    ModelCheck check_;
    std::vector<std::pair<OpenFile, size_t>> opened_;  // every file opened, with its index
    std::vector<OpenStream> streams_;                  // of the chain being read
    ParameterTable parameters_;
    bool parametersRead_ = false;
    std::unique_ptr<ParameterSubstitution> substitution_;
    unsigned repeatedIncludes_ = 0;  // files included again that are being read
};

// The loop over one deck without a name: relative includes are looked up
// from the working folder, and no warnings are checked.
size_t importDeck(DataLine& dataLine, const ABImport& registry, ImportObject& target,
                  DeckObserver* observer = nullptr);

}  // namespace abimport
