#include "standard_streams.h"

#if defined(_WIN32)

namespace korvix {

// Windows has no SIGPIPE, and a console program started without standard handles writes its
// trace nowhere; nothing to prepare.
void prepare_standard_streams() {}

bool is_console_file(const std::string&, std::FILE*) {
    return false;
}

} // namespace korvix

#else

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace korvix {

void prepare_standard_streams() {
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        if (fcntl(descriptor, F_GETFD) == -1 && errno == EBADF)
            open("/dev/null", descriptor == 0 ? O_RDONLY : O_WRONLY); // takes the lowest free
    }
    signal(SIGPIPE, SIG_IGN);
}

bool is_console_file(const std::string& path, std::FILE* console) {
    struct stat console_file;
    struct stat named_file;
    if (fstat(fileno(console), &console_file) != 0 || stat(path.c_str(), &named_file) != 0)
        return false;
    return console_file.st_dev == named_file.st_dev && console_file.st_ino == named_file.st_ino;
}

} // namespace korvix

#endif
