// Editing a model: fields of the airbag cards changed in the files they were
// read from, rewriting only the columns (fixed form) or the word (comma
// form) of each edited field. Every other byte of every file stays as it
// was. Each line written is read again as the reader reads it: the edited
// field must read as the value asked for and every other field as before,
// or the edit is refused. Changed files are written atomically: a temporary
// file in the same folder, flushed, then renamed over the original with its
// permissions.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../frame/hostinterface.h"
#include "linereading.h"
#include "modelfiles.h"

namespace abimport {

// One --set FILE:LINE:FIELD=VALUE.
struct FieldEdit {
    std::string file;  // as the provenance prints it
    unsigned long long line = 0;
    std::string field;
    std::string value;  // the text asked for; empty to blank the field
};

// Parses FILE:LINE:FIELD=VALUE; false with error set when it is not one.
bool parseFieldEdit(const std::string& text, FieldEdit& edit, std::string& error);

// What an edit wrote, and what the field reads as now.
struct EditedField {
    std::string where;     // "FILE:LINE: CARD FIELD"
    std::string field;     // the field's name as the card gives it
    std::string text;      // the text written; empty for a blanked field
    bool rounded = false;  // the closest text that fits, not the value asked for
    ReadField reads;       // the field as the reader reads it now
};

// The value a field reads as, as the messages show it ("0.825", "20", "empty").
std::string shownField(const ReadField& field);

// One row of a geometry edit: a node's coordinates, or a shell's nodes.
struct NodeEdit {
    int32_t nid;
    double xyz[3];
};
struct ShellEdit {
    int32_t eid;
    int32_t nodes[4];
};

class ModelEdit {
public:
    ModelEdit();
    ~ModelEdit();
    ModelEdit(const ModelEdit&) = delete;
    ModelEdit& operator=(const ModelEdit&) = delete;

    // Imports the model of deck (with its includes) and reads its files.
    bool load(const std::string& deck, const ABImport& registry, bool includes, std::string& error);

    // Takes a model already read instead of load(): its files (the deck
    // first), whose bytes are read now, then each keyword in order: the
    // file it stands in (index into files), its line and description, its cards
    // with the line of each (0 where no data line gave it) and their empty
    // fields (by index among its cards). The cards must outlive the edit.
    bool adoptFiles(const std::vector<std::string>& files, std::string& error);
    void adoptKeyword(size_t file, unsigned long long line, const KeywordDescription& keyword,
                      const Card* const* cards, const unsigned long long* lines, size_t count,
                      const std::vector<std::pair<size_t, EmptyFields>>& gaps);

    // Changes one field in the files held; nothing is written yet. The
    // errors name FILE:LINE and the field. A value without an exact text
    // that fits the field is an error naming the closest text that fits,
    // unless round is set: then that text is written (result->rounded).
    bool apply(const FieldEdit& edit, std::string& error, EditedField* result = nullptr,
               bool round = false);

    // Sets the coordinates of the nodes of the reference geometries by NID
    // (every node card of that NID; only where keywordLine is not 0, those
    // of the keyword read from that line of file), or the nodes of shells by
    // EID, writing only the fields whose value changes. All of them or, on
    // an error, none. rounded counts the fields written as their closest text.
    bool setNodes(const std::vector<NodeEdit>& rows, bool round, std::string& error,
                  size_t* rounded = nullptr, const std::string& file = "",
                  unsigned long long keywordLine = 0);
    bool setShells(const std::vector<ShellEdit>& rows, std::string& error,
                   const std::string& file = "", unsigned long long keywordLine = 0);

    // The unified diff of the changes, file by file.
    std::string diff() const;
    // The bytes a save would write for the file of the model at path, with
    // its edits ("" for a path the model does not hold).
    std::string contentOf(const std::string& path) const;

    // Writes the changed files over the originals; the files held are then
    // those saved. Fails, writing nothing, when a file changed on disk since
    // it was read.
    bool saveInPlace(std::string& error);
    // Writes the whole model under folder, mirroring its folders below the
    // main deck's folder: changed files new, the others copied byte for
    // byte. Fails, writing nothing, when a file changed on disk since it was
    // read.
    bool saveTo(const std::string& folder, std::string& error);

    // Called between writing a temporary file and renaming it (for tests:
    // it may throw to act as an interrupted save).
    std::function<void(const std::string& path)> beforeRename;

    struct Model;

private:
    std::unique_ptr<Model> model_;
};

}  // namespace abimport
