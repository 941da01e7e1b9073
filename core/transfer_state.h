// The live state of the one test that can run at a time, shared by the window thread and
// the transfer worker.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "event_log.h"
#include "platform_types.h"
#include "shared_word.h"

// How the last test ended, as the worker saw it.
enum class TransferEnd : std::int32_t {
    None = 0,
    EndOfFile,
    LevelPassed,  // the transfer-unit level went past 60
    Stopped,      // bSending was cleared
    LongLine,     // a line reached 251 bytes
    PortNotOpened,
    FileNotOpened,  // or could not be read to the size it had at the start
    PortLost,       // the device went away during the test
};

class TransferState {
  public:
    SharedWord bSending;
    SharedWord nFileSize;
    SharedWord nSentBytes;
    SharedWord nPercent;
    SharedWord nTransferUnit;
    SharedWord nXonCount;
    SharedWord bXonState;
    SharedWord bAckState;
    // A TransferEnd, written by the worker just before it posts WM_TRANSFER_DONE.
    SharedWord nEndReason;
    // Bytes the sender's writes moved to the port; nSentBytes counts those handed to it.
    SharedWord nWrittenBytes;
    // Set by the engine when a port call failed because the device is gone; the test then
    // ends through its normal end path.
    SharedWord bPortLost;
    // Set by the worker once the port of this test is open and configured, and left set to
    // the end of the test: a front end says "sending" only from then on.
    SharedWord bPortOpened;

    // Set and used on the worker thread only; the next worker starts after the previous
    // one has posted its end, which orders the two.
    HANDLE hPort = INVALID_HANDLE_VALUE;

    // The event log is appended by the worker and read by the window; both go through one
    // mutex so neither side ever sees half an entry. It keeps its first and its most recent
    // part (BoundedEventLog): a copy is the kept text with the marker between the parts.
    void AppendEventLog(std::string_view text);
    std::string CopyEventLog() const;
    void ClearEventLog();
    // What a log box must add, or show instead, to be up to date (BoundedEventLog::Read).
    EventLogUpdate ReadEventLog(EventLogReader& reader) const;

    // Called with every entry as it is appended, under the log's mutex and on the thread
    // that appends: for a front end that prints the whole log as it grows. Null for none.
    using EventLogObserver = std::function<void(std::string_view)>;
    void SetEventLogObserver(EventLogObserver observer);

  private:
    mutable std::mutex eventLogMutex_;
    BoundedEventLog strEventLog;
    EventLogObserver eventLogObserver_;
};

extern TransferState g_transferState;
