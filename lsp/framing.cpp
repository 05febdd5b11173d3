#include "framing.h"

#include <poll.h>
#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

namespace abimport::lsp {

namespace {

// The header's Content-Length, or false when it has none that is a number
// within bounds. Field names are compared without regard to case.
bool contentLength(std::string_view header, size_t& length, std::string& error) {
    bool found = false;
    while (!header.empty()) {
        const size_t end = header.find('\n');
        std::string_view line = header.substr(0, end);
        header.remove_prefix(end == std::string_view::npos ? header.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view name = line.substr(0, colon);
        constexpr std::string_view kName = "content-length";
        if (name.size() != kName.size() || strncasecmp(name.data(), kName.data(), kName.size()))
            continue;
        std::string_view value = line.substr(colon + 1);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
            value.remove_prefix(1);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
            value.remove_suffix(1);
        if (value.empty() || value.size() > 10 ||
            value.find_first_not_of("0123456789") != std::string_view::npos) {
            error = "Content-Length '" + std::string(value) + "' is no byte count";
            return false;
        }
        length = std::stoull(std::string(value));
        if (length > MessageChannel::kMostBodyBytes) {
            error = "Content-Length " + std::to_string(length) + " is larger than " +
                    std::to_string(MessageChannel::kMostBodyBytes) + " bytes";
            return false;
        }
        found = true;
    }
    if (!found) error = "a message header without Content-Length";
    return found;
}

}  // namespace

size_t MessageChannel::headerLength() const {
    // The header ends at an empty line: "\r\n\r\n", or "\n\n" from a lenient client.
    for (size_t i = start_; i < buffer_.size(); ++i) {
        if (buffer_[i] != '\n') continue;
        if (i + 1 < buffer_.size() && buffer_[i + 1] == '\n') return i + 2 - start_;
        if (i + 2 < buffer_.size() && buffer_[i + 1] == '\r' && buffer_[i + 2] == '\n')
            return i + 3 - start_;
    }
    return 0;
}

bool MessageChannel::fill(int timeoutMs) {
    if (closed_) return false;
    pollfd wanted{in_, POLLIN, 0};
    const int ready = ::poll(&wanted, 1, timeoutMs);
    if (ready < 0 && errno == EINTR) return false;
    if (ready == 0) return false;
    if (start_ > 0 && start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    }
    char chunk[65536];
    ssize_t got;
    do {
        got = ::read(in_, chunk, sizeof chunk);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        closed_ = true;
        return false;
    }
    buffer_.append(chunk, static_cast<size_t>(got));
    return true;
}

MessageChannel::Read MessageChannel::next(std::string& body, int timeoutMs, std::string& error) {
    size_t header;
    while ((header = headerLength()) == 0) {
        if (closed_) return Read::Closed;
        if (!fill(timeoutMs)) {
            if (closed_) return Read::Closed;
            if (timeoutMs >= 0) return Read::Timeout;
        }
    }
    size_t length = 0;
    const std::string_view text(buffer_.data() + start_, header);
    if (!contentLength(text, length, error)) {
        start_ += header;
        return Read::Malformed;
    }
    // The body follows whole: wait for it however long it takes, in memory
    // of its size (growing by doubling would hold a large body twice).
    if (buffer_.capacity() < start_ + header + length) buffer_.reserve(start_ + header + length);
    while (buffer_.size() - start_ - header < length) {
        if (!fill(-1) && closed_) {
            error = "the input ended inside a message";
            start_ = buffer_.size();
            return Read::Closed;
        }
    }
    if (start_ + header + length == buffer_.size()) {
        // The last message read: its bytes become the body without a copy
        // (a deck's text may be hundreds of megabytes).
        body = std::move(buffer_);
        body.erase(0, start_ + header);
        buffer_.clear();
        start_ = 0;
        return Read::Message;
    }
    body.assign(buffer_, start_ + header, length);
    start_ += header + length;
    if (start_ > buffer_.size() / 2) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    return Read::Message;
}

bool MessageChannel::pending() {
    while (fill(0)) {
    }
    const size_t header = headerLength();
    if (header == 0) return closed_;
    size_t length = 0;
    std::string error;
    if (!contentLength(std::string_view(buffer_.data() + start_, header), length, error))
        return true;
    return closed_ || buffer_.size() - start_ - header >= length;
}

bool MessageChannel::send(const std::string& body) {
    const std::string message =
        "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    size_t sent = 0;
    while (sent < message.size()) {
        const ssize_t wrote = ::write(out_, message.data() + sent, message.size() - sent);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        sent += static_cast<size_t>(wrote);
    }
    return true;
}

}  // namespace abimport::lsp
