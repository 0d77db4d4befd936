// Extended attributes copied with the calls that Linux has for open files (flistxattr,
// fgetxattr, fsetxattr); other POSIX systems keep none.
#include "extended_attributes.h"

#ifdef __linux__
#include <sys/xattr.h>
#endif

#include <cstring>
#include <memory>
#include <new>

namespace korvix {

#ifdef __linux__

namespace {

// Bytes of the size that the system asked for, or nothing when there is no memory for them.
std::unique_ptr<char[]> bytes_of(ssize_t size) {
    return std::unique_ptr<char[]>(new (std::nothrow) char[static_cast<std::size_t>(size)]);
}

// Copies one attribute; an attribute changed meanwhile (its size grown: ERANGE) is left out.
void copy_attribute(int from, int to, const char* name) {
    const ssize_t size = fgetxattr(from, name, nullptr, 0);
    if (size < 0)
        return;
    const std::unique_ptr<char[]> value = bytes_of(size + 1);
    if (!value)
        return;
    const ssize_t got = fgetxattr(from, name, value.get(), static_cast<std::size_t>(size));
    if (got >= 0)
        fsetxattr(to, name, value.get(), static_cast<std::size_t>(got), 0);
}

} // namespace

void copy_extended_attributes(int from, int to) {
    const ssize_t size = flistxattr(from, nullptr, 0);
    if (size <= 0)
        return;
    const std::unique_ptr<char[]> names = bytes_of(size + 1);
    if (!names)
        return;
    // The names, each ended by a 0 byte; none when the list grew meanwhile (ERANGE).
    const ssize_t listed = flistxattr(from, names.get(), static_cast<std::size_t>(size));
    names[listed > 0 ? listed : 0] = '\0';
    for (ssize_t at = 0; at < listed;) {
        const char* name = names.get() + at;
        copy_attribute(from, to, name);
        at += static_cast<ssize_t>(std::strlen(name)) + 1; // the list ends in a 0 byte
    }
}

#else

void copy_extended_attributes(int, int) {}

#endif

} // namespace korvix
