// A layer of the forwarding stack: every call passed on to the device below, for a layer
// that changes a few of them to override only those.
#pragma once

#include "comm_api.h"

class ForwardingComm : public CommApi {
  public:
    explicit ForwardingComm(CommApi& device) : device_(device) {}

    HANDLE OpenPort(std::string_view deviceName) override { return device_.OpenPort(deviceName); }
    BOOL ClosePort(HANDLE port) override { return device_.ClosePort(port); }
    BOOL WriteFile(HANDLE port, const void* data, DWORD count, DWORD* written) override {
        return device_.WriteFile(port, data, count, written);
    }
    BOOL ReadFile(HANDLE port, void* buffer, DWORD count, DWORD* read) override {
        return device_.ReadFile(port, buffer, count, read);
    }
    BOOL SetupComm(HANDLE port, DWORD inQueue, DWORD outQueue) override {
        return device_.SetupComm(port, inQueue, outQueue);
    }
    BOOL PurgeComm(HANDLE port, DWORD flags) override { return device_.PurgeComm(port, flags); }
    BOOL GetCommState(HANDLE port, DCB* dcb) override { return device_.GetCommState(port, dcb); }
    BOOL SetCommState(HANDLE port, DCB* dcb) override { return device_.SetCommState(port, dcb); }
    BOOL GetCommProperties(HANDLE port, COMMPROP* properties) override {
        return device_.GetCommProperties(port, properties);
    }
    BOOL ClearCommError(HANDLE port, DWORD* errors, COMSTAT* status) override {
        return device_.ClearCommError(port, errors, status);
    }
    BOOL TransmitCommChar(HANDLE port, char c) override {
        return device_.TransmitCommChar(port, c);
    }
    BOOL SetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts) override {
        return device_.SetCommTimeouts(port, timeouts);
    }
    BOOL EscapeCommFunction(HANDLE port, DWORD function) override {
        return device_.EscapeCommFunction(port, function);
    }
    BOOL DeviceLost(HANDLE port) override { return device_.DeviceLost(port); }
    BOOL BuildCommDCB(const char* text, DCB* dcb) override {
        return device_.BuildCommDCB(text, dcb);
    }

  protected:
    CommApi& device_;
};
