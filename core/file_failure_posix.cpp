#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "error_text_posix.h"
#include "file_failure.h"

std::string ProgramFileFailureLine(const std::string& path) {
    if (path.empty()) {
        return "프로그램 파일을 고르지 않았습니다";
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT) {
            return path + ": 파일이 없습니다";
        }
        if (error == EACCES) {
            return path + ": 파일이 있는 폴더에 들어갈 권한이 없습니다";
        }
        return path + ": " + ErrorText(error);
    }
    if (S_ISDIR(info.st_mode)) {
        return path + ": 파일이 아니라 폴더입니다";
    }
    if (!S_ISREG(info.st_mode)) {
        return path + ": 보통 파일이 아닙니다";
    }
    if (::access(path.c_str(), R_OK) != 0) {
        return path + ": " + (errno == EACCES ? "읽을 권한이 없습니다" : ErrorText(errno));
    }
    return {};
}
