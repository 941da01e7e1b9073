// The body of the one background thread that carries out a test transfer.
#pragma once

#include <string>

#include "platform_types.h"

// What the window hands to the worker; the worker copies it when it starts.
struct WorkerParam {
    std::string strFilePath;
    HWND hWndNotify = nullptr;  // receives WM_TRANSFER_DONE and owns the worker's message box
};

// Opens the port, reads the file 500 bytes at a time, cuts it into lines of at most 250
// bytes before their line feed, upper-cases complete lines and hands every batch of more
// than 200 bytes to the paced sender. Ends at the end of the file, once the level passes
// 60, on an over-long line or when bSending is cleared; then closes file and port and
// posts WM_TRANSFER_DONE exactly once, as its last act.
void TransferWorker(const WorkerParam* param);
