#include "file_paths.h"

#include <cwchar>
#include <system_error>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <shellapi.h>
#endif

namespace korvix {

std::filesystem::path path_from_utf8(std::string_view utf8_name) {
    const std::u8string_view name(reinterpret_cast<const char8_t*>(utf8_name.data()),
                                  utf8_name.size());
    try {
        return std::filesystem::path(name);
    } catch (const std::system_error&) {
        return {}; // on Windows: bytes that are no UTF-16 name
    }
}

std::FILE* open_file(std::string_view utf8_name, const char* mode) {
#ifdef _WIN32
    const std::filesystem::path path = path_from_utf8(utf8_name);
    const std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode)); // ASCII
    return path.empty() ? nullptr : _wfopen(path.c_str(), wide_mode.c_str());
#else
    return std::fopen(std::string(utf8_name).c_str(), mode);
#endif
}

std::vector<std::string> program_arguments(int argc, char** argv) {
#ifdef _WIN32
    int count = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count); wide != nullptr) {
        std::vector<std::string> arguments;
        for (int i = 1; i < count; ++i) {
            // Characters that UTF-16 holds but UTF-8 cannot (lone surrogates) become U+FFFD.
            const int length = static_cast<int>(std::wcslen(wide[i]));
            const int size =
                WideCharToMultiByte(CP_UTF8, 0, wide[i], length, nullptr, 0, nullptr, nullptr);
            std::string& argument = arguments.emplace_back(static_cast<std::size_t>(size), '\0');
            if (size > 0)
                WideCharToMultiByte(CP_UTF8, 0, wide[i], length, argument.data(), size, nullptr,
                                    nullptr);
        }
        LocalFree(wide);
        return arguments;
    }
#endif
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

} // namespace korvix
