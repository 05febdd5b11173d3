// The JSON-RPC error of a request that cannot be answered.
#pragma once

#include <stdexcept>
#include <string>

namespace abimport::lsp {

enum ErrorCode : int {
    kParseError = -32700,
    kInvalidRequest = -32600,
    kMethodNotFound = -32601,
    kInvalidParams = -32602,
    kInternalError = -32603,
    kServerNotInitialized = -32002,
    kRequestFailed = -32803,
};

struct RequestError : std::runtime_error {
    RequestError(int errorCode, const std::string& message)
        : std::runtime_error(message), code(errorCode) {}
    int code;
};

}  // namespace abimport::lsp
