#include "error_text_posix.h"

#include <cerrno>
#include <cstring>

std::string ErrorText(int error) {
    switch (error) {
        case ENOENT:
            return "없습니다";
        case EACCES:
        case EPERM:
            return "권한이 없습니다";
        case EROFS:
            return "읽기 전용 파일 시스템입니다";
        case ENOSPC:
        case EDQUOT:
            return "디스크에 빈 곳이 없습니다";
        case EISDIR:
            return "폴더입니다";
        case ENOTDIR:
            return "경로 중간에 폴더가 아닌 것이 있습니다";
        case ENAMETOOLONG:
            return "경로가 너무 깁니다";
        case ELOOP:
            return "심볼릭 링크가 끝없이 이어집니다";
        case EIO:
            return "입출력 오류입니다";
        default:
            break;
    }
    char buffer[256];
    // The GNU strerror_r, which may return a static text instead of filling the buffer.
    return ::strerror_r(error, buffer, sizeof buffer);
}
