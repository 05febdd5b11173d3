// A file as the stand-in host hands it to the reader: the file's bytes, then
// one line that no file holds, a lone '*' and its line end. The reader takes
// that line as a keyword line, so an import that the end of a file cuts short
// ends there exactly as it ends before the next keyword line, and no card is
// ever read from no data line. The host itself never takes the line as a
// keyword: isEnd tells it apart.
//
// The stream is a glibc cookie stream over the file. Its read function reads
// the file straight into the buffer stdio hands it; at the end it gives the
// lone '*' as a read of its own. A last line without a line end reaches the
// reader exactly as the file holds it: the read that meets the end returns
// EAGAIN once, on which glibc's fgets returns the partial line it holds, and
// only the next read gives the '*' line. Every read after it gives the '*'
// line again, so that whoever reads past it leaves it for the next reader.
//
// With a line editor the stream also hands the data lines of the airbag
// keywords being imported through it, where a field may name a parameter
// (parametersubstitution.h). It then gives stdio whole lines only, and looks
// for an '&' in the lines of each airbag keyword: one search of their bytes.
// Only the lines of a keyword that holds one are read line by line.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "../frame/dataline.h"
#include "parametersubstitution.h"

namespace abimport {

// What the stream asks of the parameters.
class LineEditor {
public:
    virtual ~LineEditor();
    // A data line of the airbag keyword being read holds an '&' where a field
    // may name a parameter: the model's parameters are read, once, before the
    // first line is edited.
    virtual void prepare() = 0;
    // The line with the values of the parameters its fields name (see
    // ParameterSubstitution::substitute); false when none does.
    virtual bool edit(unsigned keywordCode, bool firstDataLine, const char* line, size_t length,
                      std::string& out, LineParameters& fields) = 0;
};

class FileEndStream {
public:
    // The stdio buffer of the stream, larger than a file stream's own.
    static constexpr size_t kBufferSize = 64 * 1024;
    // Everyone who reads the stream reads lines in pieces of this many
    // characters (the reader's fgets of 128 bytes).
    static constexpr size_t kPieceLength = 127;

    // Reads file (none: an empty file), which the caller keeps open and
    // closes after this stream. editor, when given, edits the data lines of
    // the airbag keywords; reader is then the reader of the stream, whose line
    // count names the lines. Throws std::bad_alloc when the stream cannot be
    // made.
    explicit FileEndStream(FILE* file, LineEditor* editor = nullptr,
                           const DataLine* reader = nullptr);
    ~FileEndStream();
    FileEndStream(const FileEndStream&) = delete;
    FileEndStream& operator=(const FileEndStream&) = delete;

    FILE* stream() const { return stream_; }
    // Whether piece, a line piece just read from stream(), is the line that
    // ends the file.
    bool isEnd(const char* piece) const {
        return endGiven_ && piece[0] == '*' && piece[1] == '\n' && piece[2] == '\0';
    }

    // Around the import of an airbag keyword of that code, whose keyword line
    // the reader has just read.
    void airbagKeywordStarts(unsigned keywordCode);
    void airbagKeywordEnds();
    // The fields that named parameters in that line of the airbag keyword
    // being imported; null for a line without.
    const LineParameters* parametersOn(unsigned long long line) const;

    // For reading the parameters ahead: takeBackUnread gives the stream back
    // what stdio holds of it unread, so that everything of the file not yet
    // read is undelivered() followed by the rest of file(). keepRest reads
    // the rest of a file that cannot be read twice (a pipe) into undelivered().
    void takeBackUnread();
    std::string_view undelivered() const { return std::string_view(pending_).substr(pendingAt_); }
    FILE* file() const { return file_; }
    void keepRest();

private:
    enum class State { Reading, EndPaused, Ended };

    static ssize_t read(void* cookie, char* buffer, size_t size);
    static int seek(void* cookie, off64_t* offset, int whence);
    ssize_t readInto(char* buffer, size_t size);
    // What the file gives next, from what the stream holds first.
    size_t fill(char* buffer, size_t size);
    // Puts bytes back before what the stream holds.
    void unread(const char* bytes, size_t count);
    // Ends the bytes given at their last line end; the rest is given next.
    size_t toLineEnd(char* buffer, size_t count);
    // Whether an '&' in the region (whole lines of the airbag keyword being
    // imported) stands in a data line of it that the editor may change.
    bool editable(const char* region, size_t count);
    // Lines of the airbag keyword given as they are: its first data line may
    // be among them.
    void passLines(const char* region, size_t count);
    // Gives the lines the stream holds, each data line through the editor,
    // up to the keyword line that ends the airbag keyword.
    size_t editLines(char* buffer, size_t size);
    // Makes the stream hold a whole line (or the rest of the file); false
    // when it holds nothing.
    bool holdLine();
    // Notes the bytes given to stdio.
    ssize_t give(char* buffer, size_t count);
    void startEditing();

    FILE* file_;
    FILE* stream_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    State state_ = State::Reading;
    bool endGiven_ = false;
    // The characters given since the last line end: the length of the line
    // the reader is in.
    size_t lineLength_ = 0;
    // Bytes of the file not yet given, ahead of what the file gives.
    std::string pending_;
    size_t pendingAt_ = 0;
    bool fileEnded_ = false;
    // The bytes given last (in stdio's buffer), and all bytes given less
    // those taken back: stdio's idea of the stream's position.
    const char* lastGiven_ = nullptr;
    size_t lastCount_ = 0;
    uint64_t position_ = 0;
    bool inRead_ = false;

    LineEditor* editor_;
    const DataLine* reader_;
    // The airbag keyword being imported: its code, whether its lines may
    // hold parameters, whether they are being edited, whether its first data
    // line is still to come, and the number of the line given next.
    unsigned keywordCode_ = 0;
    bool watching_ = false;
    bool editing_ = false;
    bool firstDataLine_ = false;
    bool inLongLine_ = false;  // the editing stopped inside a line longer than it edits
    // The first '&' in the block stdio holds (identified by position_) from
    // ampersandFrom_ on, or null for none.
    uint64_t ampersandBlock_ = UINT64_MAX;
    const char* ampersandFrom_ = nullptr;
    const char* ampersand_ = nullptr;
    unsigned long long nextLine_ = 0;
    std::map<unsigned long long, LineParameters> parameters_;
};

}  // namespace abimport
