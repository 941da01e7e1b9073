// What the operator is told about a test, and the checks before one starts: shared by the
// main window and the console runner.
#pragma once

#include <cstdint>
#include <string>

#include "platform_services.h"

inline constexpr const char* kMessageCaption = "DNC message";
inline constexpr const char* kFileMissingText = "파일을 열수 없습니다!!.";
inline constexpr const char* kFileTooSmallText = "파일 크기가 200KB 이상이어야 합니다.!!.";
inline constexpr const char* kSendingStatusText = "전송 중입니다.!!!";
inline constexpr const char* kEndedStatusText = "테스트가 완료되어 중단합니다.!!!";
inline constexpr std::int64_t kMinimumFileSize = 200000;

// FileMissing: not there, or not a regular file the tool can open for reading.
enum class SendCheck { Ready, FileMissing, FileTooSmall };

// Looks the file up and, when it exists, stores its size in nFileSize (up to the largest
// value the field holds) and zeroes nSentBytes and nPercent, as the send button does.
// Ready only for a readable regular file of at least 200,000 bytes.
SendCheck CheckFileForSend(const std::string& path);

// The operator's message for a program file that is not there, with the reason on a second
// line where the platform tells one.
std::string FileMissingMessage(const std::string& path);

// Resets the rest of the transfer state for a new test and marks it running.
void BeginTest();

// Status lines refreshed once a second.
std::string ProgressLine();      // 전송 (sent/size) percent 퍼센트
std::string TransferUnitLine();  // 전송 단위 level
std::string CountLine();         // Xoff count 회 (the count of XONs received)

// The line appended to the event log when a test has ended.
std::string EndLogLine(const TimeOfDay& now);
