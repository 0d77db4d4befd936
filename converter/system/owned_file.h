// An open C stream that is closed when its owner goes.
#pragma once

#include <cstdio>
#include <memory>

namespace korvix {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

} // namespace korvix
