// Same file on POSIX systems: the device and inode numbers of both open files.
#include "SameFile.h"

#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace runkorvix {

namespace {

// The device and inode of the file `path` names, or nothing when it cannot be opened. A FIFO is
// opened without waiting for a writer, and a terminal does not become the launcher's.
std::optional<std::pair<dev_t, ino_t>> Identity(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat status {};
    const bool known = fstat(fd, &status) == 0;
    close(fd);
    if (!known) {
        return std::nullopt;
    }
    return std::pair{status.st_dev, status.st_ino};
}

} // namespace

bool IsSameFile(const std::string& input, const std::string& output) {
    const auto in = Identity(input);
    return in && Identity(output) == in;
}

} // namespace runkorvix
