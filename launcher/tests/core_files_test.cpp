// The launcher core's rules for file names: one file however its name is spelled, so that Run
// never lets the converter write over its input; the spelling of the file names that the
// converter is given, so that it opens exactly the chosen files; and a path cut short to fit its
// field.
#include "Launcher.h"
#include "PathDisplay.h"
#include "platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

using namespace runkorvix;
namespace fs = std::filesystem;

namespace {

// A folder of the test's own below `parent`, with a blank in its name, removed at the end. Below
// the current folder by default: on Windows its drive is then the current drive, so that a path
// rooted without a drive letter names it too.
class TestFolder {
public:
    explicit TestFolder(const std::string& name, const fs::path& parent = fs::current_path())
        : m_path(fs::absolute(parent / PathFromName(name))) {
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~TestFolder() {
        std::error_code error;
        fs::remove_all(m_path, error);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    // The full path of `name` in the folder, as UTF-8, after writing `content` into it.
    std::string MakeFile(const std::string& name, const std::string& content = "keep me") const {
        std::ofstream(Path(name), std::ios::binary) << content;
        return Path(name);
    }
    std::string Path(const std::string& name) const {
        return NameFromPath(m_path / PathFromName(name));
    }
    std::string Folder() const { return NameFromPath(m_path); }
    std::string Name() const { return NameFromPath(m_path.filename()); }

private:
    fs::path m_path;
};

constexpr char kSeparator = static_cast<char>(fs::path::preferred_separator);

TEST(SameFile, OneFileHoweverItsNameIsSpelled) {
    const TestFolder folder("same file test");
    const std::string input = folder.MakeFile("same file input.gdb");
    const std::string other = folder.MakeFile("other.gdb");
    fs::create_hard_link(PathFromName(input), PathFromName(folder.Path("hard link.gdb")));
    const std::string sep(1, kSeparator);
    struct Row {
        std::string name, input, output;
        bool same;
    };
    std::vector<Row> rows = {
        {"the same path", input, input, true},
        {"./ before the name", input, folder.Folder() + sep + "." + sep + "same file input.gdb",
         true},
        {"the folder through ..", input,
         folder.Folder() + sep + ".." + sep + folder.Name() + sep + "." + sep +
             "same file input.gdb",
         true},
        {"relative to the current folder", input, NameFromPath(fs::relative(PathFromName(input))),
         true},
        {"a hard link", input, folder.Path("hard link.gdb"), true},
        {"another file", input, other, false},
        {"an output that does not exist", input, folder.Path("new.gdb"), false},
        {"an input that does not exist", folder.Path("gone.gdb"), folder.Path("gone.gdb"), false},
    };
#ifdef _WIN32
    std::string upper = input;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    std::string forward = input;
    std::replace(forward.begin(), forward.end(), '\\', '/');
    rows.push_back({"another case", input, upper, true});
    // Under Wine the temporary folder lies on C: and the current folder on Z:.
    const TestFolder temporary("same file test", fs::temp_directory_path());
    const std::string elsewhere = temporary.MakeFile("in.gdb");
    for (const std::string& file : {input, elsewhere}) {
        rows.push_back({"a \\\\?\\ path", file, "\\\\?\\" + file, true});
        rows.push_back({"a \\\\.\\ path", file, "\\\\.\\" + file, true});
    }
    rows.push_back({"rooted, without its drive letter", input, input.substr(2), true});
    rows.push_back({"Unix style, without its drive letter", input, forward.substr(2), true});
    // The 8.3 name, where the file system gives one.
    wchar_t shortName[MAX_PATH] = {};
    const std::wstring wide = PathFromName(input).wstring();
    if (GetShortPathNameW(wide.c_str(), shortName, MAX_PATH) > 0 && wide != shortName) {
        rows.push_back({"the 8.3 name", input, NameFromPath(fs::path(shortName)), true});
    } else {
        std::cout << "No 8.3 name for " << input << ": that spelling is not tried\n";
    }
#else
    fs::create_symlink(PathFromName(input), PathFromName(folder.Path("link.gdb")));
    ASSERT_EQ(mkfifo(folder.Path("fifo").c_str(), 0600), 0);
    fs::create_symlink(PathFromName(folder.Path("fifo")), PathFromName(folder.Path("fifo link")));
    rows.push_back({"a symbolic link", input, folder.Path("link.gdb"), true});
    // A FIFO is opened for the comparison without waiting for a writer.
    rows.push_back(
        {"a FIFO and a link to it", folder.Path("fifo"), folder.Path("fifo link"), true});
    rows.push_back({"a FIFO and another file", folder.Path("fifo"), other, false});
#endif
    for (const Row& row : rows) {
        EXPECT_EQ(korvix::names_same_file(row.input, row.output), row.same)
            << row.name << ": " << row.input << " | " << row.output;
    }
}

#ifdef _WIN32
// Another drive letter for the same folder, as "subst" or a mapped network drive gives it: under
// Wine, scripts/test-windows maps the drive X: to the folder KORVIX_TEST_DRIVE_X names.
TEST(SameFile, AnotherDriveLetterForTheSameFolder) {
    const char* folder = std::getenv("KORVIX_TEST_DRIVE_X");
    if (folder == nullptr || *folder == '\0') {
        GTEST_SKIP() << "KORVIX_TEST_DRIVE_X names no folder that the drive X: maps "
                        "(scripts/test-windows makes one under Wine)";
    }
    const TestFolder mapped("runkorvix same file", PathFromName(folder));
    const std::string input = mapped.MakeFile("in.gdb");
    mapped.MakeFile("other.gdb");
    EXPECT_TRUE(korvix::names_same_file(input, "X:\\runkorvix same file\\in.gdb"));
    EXPECT_TRUE(korvix::names_same_file("x:/runkorvix same file/IN.GDB", input));
    EXPECT_FALSE(korvix::names_same_file(input, "X:\\runkorvix same file\\other.gdb"));
}
#endif

TEST(InputFromCommandLine, TheFirstArgumentThatIsNoSwitchAsAFullPath) {
    const std::string here = NameFromPath(fs::current_path() / "ride.gdb");
    const struct {
        std::vector<std::string> arguments;
        std::string input;
    } cases[] = {
        {{}, ""},
        {{"-style", "--help", ""}, ""},
        {{"-x", "ride.gdb", "other.gdb"}, here},
        {{"./ride.gdb"}, here},
        {{here}, here},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InputFromCommandLine(c.arguments), c.input) << c.arguments.size();
    }
}

TEST(ConverterArguments, PathsWithoutADotAnywhereGetOne) {
    const struct {
        const char* path;
        const char* argument;
    } cases[] = {
        {"/home/ann/maps/ride.gdb", "/home/ann/maps/ride.gdb"},
        {"/home/ann/my.maps/ride", "/home/ann/my.maps/ride"},
#ifdef _WIN32
        {"C:\\maps\\ride", "C:\\maps\\.\\ride"},
        {"C:\\ride", "C:\\.\\ride"},
        {"C:ride", "C:.\\ride"},
        {"\\\\server\\share\\ride", "\\\\server\\share\\.\\ride"},
        {"\\\\?\\C:\\maps\\ride", "\\\\.\\C:\\maps\\ride"},
        {"ride", ".\\ride"},
#else
        {"/home/ann/maps/ride", "/home/ann/maps/./ride"},
        {"/ride", "/./ride"},
        {"ride", "./ride"},
        {"/home/ann/maps\\ride", "/home/ann/./maps\\ride"},
#endif
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ConverterFileArgument(c.path), c.argument) << c.path;
    }

    // The spelling names the chosen file, in both places of the argument list.
    const TestFolder folder("dotless names", fs::temp_directory_path());
    const std::string input = folder.MakeFile("ride");
    const std::string output = folder.Path("ride track");
    const std::vector<std::string> arguments = ConverterArguments("-T", input, output);
    ASSERT_EQ(arguments.size(), 3u);
    EXPECT_EQ(arguments[0], "-T");
    for (const std::string& argument : {arguments[1], arguments[2]}) {
        EXPECT_NE(argument.find('.'), std::string::npos) << argument;
    }
    EXPECT_TRUE(korvix::names_same_file(arguments[1], input)) << arguments[1];
    folder.MakeFile("ride track");
    EXPECT_TRUE(korvix::names_same_file(arguments[2], output)) << arguments[2];
}

TEST(CompactPath, TheFileNameStaysWholeTheFolderIsCutInItsMiddle) {
    const struct {
        const char* path;
        std::size_t characters; // that fit the field
        const char* shown;
    } cases[] = {
        {"/home/ann/maps/ride.gdb", 23, "/home/ann/maps/ride.gdb"},
        {"/home/ann/maps/ride.gdb", 16, "/home/\xE2\x80\xA6/ride.gdb"},
        {"/home/ann/maps/ride.gdb", 10, "\xE2\x80\xA6/ride.gdb"},
        // A name too long even so keeps its start and its end, which tell a series apart.
        {"/home/ann/maps/ride-2026-part-2.gdb", 14, "\xE2\x80\xA6/ride-\xE2\x80\xA6-2.gdb"},
        {"/home/ann/maps/ride.gdb", 5,
         "\xE2\x80\xA6/r\xE2\x80\xA6"
         "b"},
        {"ride.gdb", 3, "ride.gdb"},
        {"/ride.gdb", 3, "/ride.gdb"},
        // No character is cut in two: "/ä" would be one too many.
        {"/\xC3\xA4\xC3\xA4/ride.gdb", 11, "/\xE2\x80\xA6/ride.gdb"},
#ifdef _WIN32
        {"C:\\Users\\ann\\ride.gdb", 15, "C:\\Us\xE2\x80\xA6\\ride.gdb"},
#else
        {"/maps/C:\\Users\\ride.gdb", 21, "/m\xE2\x80\xA6/C:\\Users\\ride.gdb"},
#endif
    };
    for (const auto& c : cases) {
        const auto fits = [&c](std::string_view text) {
            // Characters of UTF-8: every byte but the continuation bytes.
            return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char b) {
                       return (static_cast<unsigned char>(b) & 0xC0) != 0x80;
                   })) <= c.characters;
        };
        EXPECT_EQ(CompactPath(c.path, fits), c.shown) << c.path << ' ' << c.characters;
    }
    // The dialogs' rule: a text fits its field's text rectangle with a pixel for the caret.
    const std::string path = "/home/ann/maps/ride.gdb";
    const auto width = [](std::string_view text) { return 7 * static_cast<int>(text.size()); };
    EXPECT_EQ(ShownPath(path, 23 * 7 + 1, width), path);
    EXPECT_EQ(ShownPath(path, 23 * 7, width), "/home/ann/\xE2\x80\xA6/ride.gdb");
}

} // namespace
