// What the operator is told about a test, and the checks before one starts: shared by the
// main window and the console runner.
#pragma once

#include <cstdint>
#include <string>

#include "platform_services.h"
#include "transfer_state.h"

inline constexpr const char* kMessageCaption = "DNC message";
inline constexpr const char* kFileMissingText = "파일을 열수 없습니다!!.";
inline constexpr const char* kFileTooSmallText = "파일 크기가 200KB 이상이어야 합니다.!!.";
inline constexpr const char* kSendingStatusText = "전송 중입니다.!!!";
// The status line once a test has ended names how: the designed text for a test that ran
// to its end (level past 60 or end of file), one of the same style for each other end.
inline constexpr const char* kEndedStatusText = "테스트가 완료되어 중단합니다.!!!";
inline constexpr const char* kStoppedStatusText = "요청에 따라 테스트를 중단합니다.!!!";
inline constexpr const char* kPortFaultStatusText = "포트 오류로 테스트를 중단합니다.!!!";
inline constexpr const char* kFileFaultStatusText = "파일 오류로 테스트를 중단합니다.!!!";
inline constexpr const char* kLongLineStatusText = "DATA 블록이 너무 길어 테스트를 중단합니다.!!!";
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

// The line appended to the event log when a test has ended, however it ended: it marks the
// end of the record.
std::string EndLogLine(const TimeOfDay& now);

// The status line for a test that ended so. A port that did not open and one lost during
// the test are both port faults; a file that could not be opened or read to its end is a
// file fault. No reported end (nothing ran) keeps the designed text.
const char* EndStatusText(TransferEnd end);

// The end the worker reported for the last test.
TransferEnd LastTransferEnd();
