// The Language Server Protocol's framing: each message is a header of
// "Name: value" lines ended by an empty line, with Content-Length giving the
// number of bytes of the JSON body that follows.
#pragma once

#include <cstddef>
#include <string>

namespace abimport::lsp {

class MessageChannel {
public:
    // The largest body taken: an open deck's text travels in one message.
    static constexpr size_t kMostBodyBytes = size_t{1} << 30;

    enum class Read {
        Message,    // body holds the next message
        Timeout,    // none arrived in time
        Closed,     // the input ended
        Malformed,  // a header without a usable Content-Length; error says why
    };

    // Reads from in and writes to out, file descriptors that the caller keeps.
    MessageChannel(int in, int out) : in_(in), out_(out) {}

    // The next message's body. Waits up to timeoutMs milliseconds for it
    // (negative: as long as it takes); a message under way is always read
    // to its end. After Malformed, reading goes on with the next header.
    Read next(std::string& body, int timeoutMs, std::string& error);
    // Whether a whole message or the end of the input is already there to read.
    bool pending();
    // Sends one message with its header; false when the output is closed.
    bool send(const std::string& body);

private:
    // Reads more input into buffer_, waiting up to timeoutMs; false when
    // nothing came in time or the input ended (closed_ then).
    bool fill(int timeoutMs);
    // A whole header at the start of buffer_: its length with the empty line.
    size_t headerLength() const;

    int in_, out_;
    std::string buffer_;
    size_t start_ = 0;  // buffer_ before it is consumed
    bool closed_ = false;
};

}  // namespace abimport::lsp
