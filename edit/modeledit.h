// Editing a model: fields of the airbag cards changed in the files they were
// read from, rewriting only the columns (fixed form) or the word (comma
// form) of each edited field. Every other byte of every file stays as it
// was. Changed files are written atomically: a temporary file in the same
// folder, flushed, then renamed over the original with its permissions.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../frame/hostinterface.h"

namespace abimport {

// One --set FILE:LINE:FIELD=VALUE.
struct FieldEdit {
    std::string file;  // as the provenance prints it
    unsigned long long line = 0;
    std::string field;
    std::string value;  // the text asked for
};

// Parses FILE:LINE:FIELD=VALUE; false with error set when it is not one.
bool parseFieldEdit(const std::string& text, FieldEdit& edit, std::string& error);

class ModelEdit {
public:
    ModelEdit();
    ~ModelEdit();
    ModelEdit(const ModelEdit&) = delete;
    ModelEdit& operator=(const ModelEdit&) = delete;

    // Imports the model of deck (with its includes) and reads its files.
    bool load(const std::string& deck, const ABImport& registry, bool includes, std::string& error);

    // Changes one field in the files held; nothing is written yet. The
    // errors name FILE:LINE and the field. When readsAs is given, it
    // receives the value the field reads as after the edit.
    bool apply(const FieldEdit& edit, std::string& error, double* readsAs = nullptr);

    // The unified diff of the changes, file by file.
    std::string diff() const;

    // Writes the changed files over the originals. Fails, writing nothing,
    // when a file changed on disk since it was read.
    bool saveInPlace(std::string& error);
    // Writes the whole model under folder, mirroring its folders below the
    // main deck's folder: changed files new, the others copied byte for byte.
    bool saveTo(const std::string& folder, std::string& error);

    // Called between writing a temporary file and renaming it (for tests:
    // it may throw to act as an interrupted save).
    std::function<void(const std::string& path)> beforeRename;

private:
    struct Model;
    std::unique_ptr<Model> model_;
};

// Writes bytes to path atomically (temporary file, flush, rename), with
// the permissions of the file it replaces (0644 less the umask for a new one).
bool writeFileAtomically(const std::string& path, const std::string& bytes,
                         const std::function<void(const std::string&)>& beforeRename,
                         std::string& error);

}  // namespace abimport
