// file: URIs and the paths they name.
#pragma once

#include <string>

namespace abimport::lsp {

// The path of a file: URI ("file:///a%20b/c.k" is "/a b/c.k"); false for
// any other scheme, a host other than none or localhost, or a bad escape.
bool pathOfUri(const std::string& uri, std::string& path);

// The file: URI of an absolute path, with the bytes that a URI path may not
// hold percent-escaped.
std::string uriOfPath(const std::string& path);

// path made absolute (from the working folder) and without "." and ".."
// parts, the way URIs name files; symbolic links are not followed.
std::string absolutePath(const std::string& path);

}  // namespace abimport::lsp
