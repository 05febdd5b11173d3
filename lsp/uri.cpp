#include "uri.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

namespace abimport::lsp {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool keptInPath(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/' || c == '!' || c == '$' || c == '&' ||
           c == '\'' || c == '(' || c == ')' || c == '*' || c == '+' || c == ',' || c == ';' ||
           c == '=' || c == ':' || c == '@';
}

}  // namespace

bool pathOfUri(const std::string& uri, std::string& path) {
    constexpr char kScheme[] = "file://";
    if (uri.compare(0, sizeof kScheme - 1, kScheme) != 0) return false;
    size_t at = sizeof kScheme - 1;
    const size_t slash = uri.find('/', at);
    if (slash == std::string::npos) return false;
    const std::string host = uri.substr(at, slash - at);
    if (!host.empty() && host != "localhost") return false;
    path.clear();
    for (at = slash; at < uri.size(); ++at) {
        const char c = uri[at];
        if (c == '?' || c == '#') break;
        if (c != '%') {
            path += c;
            continue;
        }
        if (at + 2 >= uri.size()) return false;
        const int high = hexValue(uri[at + 1]), low = hexValue(uri[at + 2]);
        if (high < 0 || low < 0) return false;
        path += static_cast<char>(high * 16 + low);
        at += 2;
    }
    return path.find('\0') == std::string::npos;
}

std::string uriOfPath(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (keptInPath(byte)) {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 15];
        }
    }
    return uri;
}

bool readFileText(const std::string& path, std::string& text) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    struct stat status;
    bool read = fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode);
    if (read) {
        text.resize(static_cast<size_t>(status.st_size));
        const size_t got = std::fread(text.data(), 1, text.size(), file);
        read = !std::ferror(file);
        text.resize(got);  // the file may have shrunk meanwhile
    }
    std::fclose(file);
    return read;
}

std::string absolutePath(const std::string& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) absolute = path;
    std::string normal = absolute.lexically_normal().string();
    if (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    return normal;
}

}  // namespace abimport::lsp
