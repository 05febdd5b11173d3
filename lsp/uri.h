// file: URIs, the paths they name and the files' texts.
#pragma once

#include <string>

namespace abimport::lsp {

// The path of a file: URI ("file:///a%20b/c.k" is "/a b/c.k"); false for
// any other scheme, a host other than none or localhost, or a bad escape.
bool pathOfUri(const std::string& uri, std::string& path);

// The file: URI of an absolute path, with the bytes that a URI path may not
// hold percent-escaped.
std::string uriOfPath(const std::string& path);

// The bytes of a file, read in one piece of its size; false when it cannot
// be read.
bool readFileText(const std::string& path, std::string& text);

// path made absolute (from the working folder) and without "." and ".."
// parts, the way URIs name files; symbolic links are not followed.
std::string absolutePath(const std::string& path);

}  // namespace abimport::lsp
