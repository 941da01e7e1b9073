#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "config_files_posix.h"
#include "error_text_posix.h"
#include "ini_text.h"
#include "settings_save.h"
#include "settings_store.h"

namespace {

// The failing step's native error, or 0.
using Errno = int;

Errno WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// A temporary file beside the target, filled and flushed to the disk, then renamed over
// it: a reader sees the old file or the new one, never a part, whatever happens midway.
Errno ReplaceFile(const std::filesystem::path& target, const std::string& bytes, mode_t mode) {
    std::string temporary = target.string() + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    Errno error = ::fchmod(fd, mode) == 0 ? 0 : errno;
    if (error == 0) {
        error = WriteAll(fd, bytes);
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return error;
    }
    // The rename itself is made to last with the folder's entry.
    const int dir = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return 0;
}

// Creates the missing folders on the way to the file, private to the user as XDG asks.
Errno MakeFolders(const std::filesystem::path& dir) {
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) {
        return 0;
    }
    if (const Errno error = MakeFolders(dir.parent_path()); error != 0) {
        return error;
    }
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        return errno;
    }
    return 0;
}

}  // namespace

SettingsSaveResult SavePortSettings(const PortSettings& settings) {
    SettingsSaveResult result;
    result.outcome = SettingsSaveResult::Outcome::Failed;
    const auto userFile = UserConfigFile(kSettingsSubkey);
    if (!userFile) {
        result.reason = "홈 폴더를 알 수 없습니다";
        return result;
    }
    // A file that is a link to one kept elsewhere (a dotfiles folder) is written where it
    // really is, and the link stays.
    std::error_code ec;
    std::filesystem::path target = *userFile;
    if (std::filesystem::is_symlink(target, ec)) {
        const auto real = std::filesystem::weakly_canonical(target, ec);
        if (!ec) {
            target = real;
        }
    }
    result.file = target.string();

    std::string old;
    mode_t mode = 0644;
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            result.reason = "일반 파일이 아닙니다";
            return result;
        }
        const auto text = ReadConfigText(target);
        if (!text) {
            // Never replace what could not be read: its other lines would be lost.
            result.reason = "읽을 수 없습니다";
            return result;
        }
        old = *text;
        mode = info.st_mode & 07777;
    } else if (errno != ENOENT) {
        result.reason = ErrorText(errno);
        return result;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    const std::vector<std::pair<std::string, std::string>> values = {
        {"ComID", std::to_string(settings.nComID)},
        {"Boudrate", std::to_string(settings.nBaudRate)},
        {"DataBit", std::to_string(settings.nDataBits)},
        {"StopBit", std::to_string(settings.nStopBits)},
        {"ParityBit", std::to_string(settings.nParity)},
        {"SendSignalWait", std::to_string(settings.bSendSignalWait)},
    };
    Errno error = MakeFolders(target.parent_path());
    if (error == 0) {
        error = ReplaceFile(target, SetIniValues(old, "General", values), mode);
    }
    if (error != 0) {
        result.reason = ErrorText(error);
        return result;
    }
    result.outcome = SettingsSaveResult::Outcome::Saved;
    return result;
}
