// One reading of a whole model through the stand-in host's deck loop, with
// the editor's open buffers in place of the files on disk: the model's files
// and include tree, every warning of the reading checks, the includes and
// the model check, and where the model defines and refers to each ID. The
// cards are not kept (a large model's would not fit twice); what a request
// needs of a line is read again from it (keywordreading.h). This is the
// server's one view of the deck loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../frame/hostinterface.h"
#include "../host/parametertable.h"
#include "../keywords/idkinds.h"
#include "keywordreading.h"

namespace abimport::lsp {

constexpr size_t kNoFile = static_cast<size_t>(-1);

struct ModelFile {
    std::string path;                    // absolute, as opened
    size_t parent = kNoFile;             // the including file's index; kNoFile for the main deck
    unsigned long long includeLine = 0;  // the include keyword's line in the parent
};

struct ModelWarning {
    size_t file = 0;  // index into files()
    unsigned long long line = 0;
    // The byte columns it concerns, 1-based and inclusive; 0: the line as a
    // whole; lastColumn 0 after a firstColumn: to the end of the line.
    unsigned firstColumn = 0, lastColumn = 0;
    std::string kind;  // its name: "not-a-number", ...
    std::string message;
    bool error = false;  // the deck or a file of it cannot be read
};

struct ModelPlace {
    size_t file = 0;
    unsigned long long line = 0;
};

class ModelReading {
public:
    // The text of a file that the editor holds, by absolute path; null to
    // read the file on disk.
    using Buffers = std::function<const std::string*(const std::string& path)>;

    // Reads the model of mainDeck (an absolute path) with its includes.
    ModelReading(const ABImport& registry, const std::string& mainDeck, const Buffers& buffers);
    ~ModelReading();
    ModelReading(const ModelReading&) = delete;
    ModelReading& operator=(const ModelReading&) = delete;

    const std::vector<ModelFile>& files() const { return files_; }
    const std::vector<ModelWarning>& warnings() const { return warnings_; }
    // The index of a file of the model by absolute path, or kNoFile.
    size_t fileIndex(const std::string& path) const;

    // Where the model first defines an ID of the kind; false for an ID it
    // does not define or a kind whose definitions it does not collect.
    bool definitionOf(const IdKind& kind, int32_t id, ModelPlace& place) const;
    // Whether the model collects the definitions of that kind at all.
    bool definesKind(const IdKind& kind) const;
    // The lines of the airbag cards that refer to it, in deck order.
    std::vector<ModelPlace> referencesTo(const IdKind& kind, int32_t id) const;
    // The kind of ID whose definition the model takes from that line of the
    // file, whose text is text, with the ID; null when it takes none.
    const IdKind* definedOn(size_t file, unsigned long long line, std::string_view text,
                            int32_t& id) const;

    // The model's parameters as its reading found them; null when it read none.
    const ParameterTable* parameters() const;
    // The parameters as the file at path (absolute) sees them, for reading
    // its lines again; no table for a file the model does not hold.
    FileParameters parametersOf(const std::string& path) const;

private:
    struct Loop;
    std::unique_ptr<Loop> loop_;
    std::vector<ModelFile> files_;
    std::vector<ModelWarning> warnings_;
};

}  // namespace abimport::lsp
