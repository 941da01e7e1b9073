#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <vector>

#include "comm_api.h"
#include "comm_device_path_posix.h"
#include "error_text_posix.h"
#include "port_open_failure.h"

namespace {

std::string FirstLine(const std::string& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// What makes the number reach the device, for the operator to change.
std::string MappingNote(const ComDeviceChoice& choice) {
    const std::string key = "COM" + std::to_string(choice.number);
    switch (choice.source) {
        case ComDeviceChoice::Source::Override:
            return " (--device " + choice.path + ")";
        case ComDeviceChoice::Source::PortsLine:
            return " ([Ports] " + key + "=" + choice.path + ", " + choice.settingsFile + ")";
        case ComDeviceChoice::Source::Adapter:
            return {};
        case ComDeviceChoice::Source::Default:
            break;
    }
    std::string note = " (" + key + "의 기본 장치; [Ports]의 " + key + "= 줄로 바꿀 수 있습니다";
    // The usual case on a laptop: no ttyS there, the adapter under another number.
    for (const ComDeviceChoice& other : ListComDevices(kLastListedComPort)) {
        if (other.source == ComDeviceChoice::Source::Adapter && other.device) {
            note +=
                ", 연결된 어댑터: Com" + std::to_string(other.number) + " " + other.device->name;
        }
    }
    return note + ")";
}

// The programs that have the device open, as "name (PID n)", where /proc lets us see.
std::string HoldersOf(dev_t device) {
    std::string holders;
    int found = 0;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return holders;
    }
    while (const dirent* process = ::readdir(proc)) {
        const std::string pid = process->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos || found >= 3) {
            continue;
        }
        const std::string fdFolder = "/proc/" + pid + "/fd";
        DIR* fds = ::opendir(fdFolder.c_str());
        if (fds == nullptr) {
            continue;  // another user's process: not ours to see
        }
        bool holds = false;
        while (const dirent* fd = ::readdir(fds)) {
            struct stat info {};
            if (fd->d_name[0] != '.' && ::stat((fdFolder + "/" + fd->d_name).c_str(), &info) == 0 &&
                S_ISCHR(info.st_mode) && info.st_rdev == device) {
                holds = true;
                break;
            }
        }
        ::closedir(fds);
        if (holds && std::to_string(::getpid()) != pid) {
            holders += (found++ == 0 ? "" : ", ") + FirstLine("/proc/" + pid + "/comm") + " (PID " +
                       pid + ")";
        }
    }
    ::closedir(proc);
    return holders;
}

std::string UserName() {
    std::string buffer(16384, '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr) {
        return found->pw_name;
    }
    return {};
}

bool UserIsListedIn(gid_t group) {
    const std::string user = UserName();
    if (user.empty()) {
        return false;
    }
    std::vector<gid_t> groups(256);
    int count = static_cast<int>(groups.size());
    if (::getgrouplist(user.c_str(), ::getegid(), groups.data(), &count) < 0) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        if (groups[static_cast<std::size_t>(i)] == group) {
            return true;
        }
    }
    return false;
}

std::string PermissionAdvice(const struct stat& info) {
    std::string buffer(16384, '\0');
    group entry{};
    group* found = nullptr;
    const bool named =
        ::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr;
    const bool groupMayUse = (info.st_mode & S_IRGRP) != 0 && (info.st_mode & S_IWGRP) != 0;
    if (!named || !groupMayUse || info.st_gid == 0) {
        return "권한이 없습니다 (장치의 권한을 바꾸는 udev 규칙이 필요합니다)";
    }
    const std::string name = found->gr_name;
    if (UserIsListedIn(info.st_gid)) {
        return "권한이 없습니다: " + name + " 그룹에는 들어 있으니 다시 로그인하세요";
    }
    return "권한이 없습니다: sudo usermod -aG " + name + " $USER 한 뒤 다시 로그인하세요";
}

std::string Reason(const ComDeviceChoice& choice, int error) {
    struct stat info {};
    if (::stat(choice.path.c_str(), &info) != 0) {
        const int statError = errno;
        if (statError == ENOENT || statError == ENOTDIR) {
            return "장치가 없습니다" + MappingNote(choice);
        }
        return ErrorText(statError);
    }
    if (S_ISREG(info.st_mode)) {
        return "시리얼 장치가 아닙니다 (일반 파일)";
    }
    if (S_ISDIR(info.st_mode)) {
        return "시리얼 장치가 아닙니다 (폴더)";
    }
    if (!S_ISCHR(info.st_mode)) {
        return "시리얼 장치가 아닙니다";
    }
    switch (error) {
        case EACCES:
        case EPERM:
            return PermissionAdvice(info);
        case EBUSY:
        case EWOULDBLOCK: {
            const std::string holders = HoldersOf(info.st_rdev);
            return "다른 프로그램이 쓰고 있습니다" + (holders.empty() ? "" : " (" + holders + ")");
        }
        case ENOTTY:
        case EINVAL:
            return "시리얼 장치가 아닙니다";
        case ENXIO:
        case ENODEV:
        case EIO: {
            const std::string name = choice.path.substr(choice.path.rfind('/') + 1);
            if (name.rfind("ttyS", 0) == 0 && !HasUart(CurrentDeviceTree(), name)) {
                return "장치가 응답하지 않습니다 (이 포트에는 UART가 없습니다)" +
                       MappingNote(choice);
            }
            return "장치가 응답하지 않습니다 (빠졌거나 꺼져 있습니다)" + MappingNote(choice);
        }
        default:
            return ErrorText(error);
    }
}

}  // namespace

int TakePortOpenError() {
    return errno;
}

std::string DescribePortOpenFailure(std::int32_t comId, int error) {
    if (&Comm() != &SystemComm()) {
        return {};
    }
    if (comId < 1) {
        return "COM" + std::to_string(comId) + ": 포트 번호는 1부터입니다";
    }
    const ComDeviceChoice choice = ChooseComDevice(comId);
    return choice.path + ": " + Reason(choice, error);
}

std::string DescribeLineSettingsFailure(std::int32_t comId, const std::string& settingsText,
                                        int error) {
    if (&Comm() != &SystemComm()) {
        return {};
    }
    // "com1:9600, e, 7, 2" names the line after its colon.
    const std::string line = settingsText.substr(settingsText.find(':') + 1);
    std::string why = ChooseComDevice(comId).path + ": 회선 설정(" + line + ")을 쓸 수 없습니다";
    if (error != 0) {
        why += " (" + ErrorText(error) + ")";
    }
    return why;
}
