// Same file on Windows: the volume serial number and file id of both open files. Neither the
// drive letter nor the spelling of the path plays a part: "X:\in.gdb" of a drive substituted for
// "C:\maps" is "C:\maps\in.gdb".
#include "SameFile.h"

#include "Utf16.h"

#include <cstring>
#include <optional>
#include <windows.h>

namespace runkorvix {

namespace {

struct FileIdentity {
    ULONGLONG volume = 0;
    BYTE id[16] = {}; // 128 bits on ReFS; a 64-bit file index fills the first 8 bytes

    bool operator==(const FileIdentity& other) const {
        return volume == other.volume && std::memcmp(id, other.id, sizeof id) == 0;
    }
};

// The identity of the file `path` names, or nothing when it cannot be opened. Opened for its
// attributes only, sharing everything, so that neither a file in use nor a folder is refused.
std::optional<FileIdentity> Identity(const std::string& path) {
    const HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::optional<FileIdentity> identity;
    FILE_ID_INFO idInfo{};
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileInformationByHandleEx(file, FileIdInfo, &idInfo, sizeof idInfo)) {
        identity.emplace();
        identity->volume = idInfo.VolumeSerialNumber;
        std::memcpy(identity->id, idInfo.FileId.Identifier, sizeof identity->id);
    } else if (GetFileInformationByHandle(file, &info)) {
        // Systems before Windows 8, and file systems without 128-bit ids.
        identity.emplace();
        identity->volume = info.dwVolumeSerialNumber;
        const ULONGLONG index = (ULONGLONG{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
        std::memcpy(identity->id, &index, sizeof index);
    }
    CloseHandle(file);
    return identity;
}

} // namespace

bool IsSameFile(const std::string& input, const std::string& output) {
    const auto in = Identity(input);
    return in && Identity(output) == in;
}

} // namespace runkorvix
