#include "includefiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace abimport {

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return "";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || (!name.empty() && name[0] == '/')) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool takeNameLine(std::string& line) {
    const size_t nul = line.find('\0');
    if (nul != std::string::npos) line.resize(nul);  // a NUL ends a line's text
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    const size_t n = line.size();
    if (n >= 2 && line[n - 1] == '+' && (line[n - 2] == ' ' || line[n - 2] == '\t')) {
        line.resize(n - 2);
        return true;
    }
    return false;
}

std::string trimmedName(const std::string& name) {
    const size_t begin = name.find_first_not_of(" \t");
    if (begin == std::string::npos) return "";
    return name.substr(begin, name.find_last_not_of(" \t") - begin + 1);
}

void IncludeSearch::addFolder(const std::string& folder) {
    folders_.push_back(joinPath(mainFolder_, folder));
}

std::string IncludeSearch::find(const std::string& name, const std::string& includingFolder,
                                std::vector<std::string>& tried) const {
    tried.clear();
    if (name[0] == '/') {
        tried.push_back(name);
    } else {
        auto add = [&](const std::string& folder) {
            const std::string candidate = joinPath(folder, name);
            for (const std::string& earlier : tried)
                if (earlier == candidate) return;
            tried.push_back(candidate);
        };
        add(includingFolder);
        for (const std::string& folder : folders_) add(folder);
        add(mainFolder_);
    }
    struct stat status;
    for (const std::string& candidate : tried) {
        if (::stat(candidate.c_str(), &status) == 0) return candidate;
    }
    return "";
}

OpenedInclude openInclude(const std::string& path) {
    OpenedInclude opened;
    // Non-blocking, so that opening a pipe without a writer does not wait.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        opened.error = std::strerror(errno);
        return opened;
    }
    struct stat status;
    if (::fstat(fd, &status) != 0) {
        opened.error = std::strerror(errno);
    } else if (S_ISDIR(status.st_mode)) {
        opened.error = "it is a folder";
    } else if (!S_ISREG(status.st_mode)) {
        opened.error = "it is not a regular file";
    }
    if (!opened.error.empty()) {
        ::close(fd);
        return opened;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    opened.file = ::fdopen(fd, "rb");
    if (!opened.file) {
        opened.error = std::strerror(errno);
        ::close(fd);
        return opened;
    }
    opened.device = status.st_dev;
    opened.inode = status.st_ino;
    return opened;
}

}  // namespace abimport
