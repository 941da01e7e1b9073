#pragma once

#include <cstdint>

#include "platform_types.h"

struct DCB {
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD fBinary : 1;
    DWORD fParity : 1;
    DWORD fOutxCtsFlow : 1;
    DWORD fOutxDsrFlow : 1;
    DWORD fDtrControl : 2;
    DWORD fDsrSensitivity : 1;
    DWORD fTXContinueOnXoff : 1;
    DWORD fOutX : 1;
    DWORD fInX : 1;
    DWORD fErrorChar : 1;
    DWORD fNull : 1;
    DWORD fRtsControl : 2;
    DWORD fAbortOnError : 1;
    DWORD fDummy2 : 17;
    WORD wReserved;
    WORD XonLim;
    WORD XoffLim;
    BYTE ByteSize;
    BYTE Parity;
    BYTE StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    WORD wReserved1;
};
static_assert(sizeof(DCB) == 28);

struct COMSTAT {
    DWORD fCtsHold : 1;
    DWORD fDsrHold : 1;
    DWORD fRlsdHold : 1;
    DWORD fXoffHold : 1;
    DWORD fXoffSent : 1;
    DWORD fEof : 1;
    DWORD fTxim : 1;
    DWORD fReserved : 25;
    DWORD cbInQue;
    DWORD cbOutQue;
};

struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout;
    DWORD ReadTotalTimeoutMultiplier;
    DWORD ReadTotalTimeoutConstant;
    DWORD WriteTotalTimeoutMultiplier;
    DWORD WriteTotalTimeoutConstant;
};

struct COMMPROP {
    WORD wPacketLength;
    WORD wPacketVersion;
    DWORD dwServiceMask;
    DWORD dwReserved1;
    DWORD dwMaxTxQueue;
    DWORD dwMaxRxQueue;
    DWORD dwMaxBaud;
    DWORD dwProvSubType;
    DWORD dwProvCapabilities;
    DWORD dwSettableParams;
    DWORD dwSettableBaud;
    WORD wSettableData;
    WORD wSettableStopParity;
    DWORD dwCurrentTxQueue;
    DWORD dwCurrentRxQueue;
    DWORD dwProvSpec1;
    DWORD dwProvSpec2;
    WCHAR wcProvChar[1];
};
static_assert(sizeof(COMMPROP) == 64);

inline constexpr DWORD MAXDWORD = 0xFFFFFFFF;

inline constexpr DWORD PURGE_TXABORT = 0x0001;
inline constexpr DWORD PURGE_RXABORT = 0x0002;
inline constexpr DWORD PURGE_TXCLEAR = 0x0004;
inline constexpr DWORD PURGE_RXCLEAR = 0x0008;

inline constexpr DWORD SETXOFF = 1;
inline constexpr DWORD SETXON = 2;
inline constexpr DWORD SETRTS = 3;
inline constexpr DWORD CLRRTS = 4;
inline constexpr DWORD SETDTR = 5;
inline constexpr DWORD CLRDTR = 6;
inline constexpr DWORD SETBREAK = 8;
inline constexpr DWORD CLRBREAK = 9;

inline constexpr DWORD CE_RXOVER = 0x0001;
inline constexpr DWORD CE_OVERRUN = 0x0002;
inline constexpr DWORD CE_RXPARITY = 0x0004;
inline constexpr DWORD CE_FRAME = 0x0008;
inline constexpr DWORD CE_BREAK = 0x0010;
inline constexpr DWORD CE_TXFULL = 0x0100;

inline constexpr DWORD DTR_CONTROL_DISABLE = 0;
inline constexpr DWORD DTR_CONTROL_ENABLE = 1;
inline constexpr DWORD DTR_CONTROL_HANDSHAKE = 2;
inline constexpr DWORD RTS_CONTROL_DISABLE = 0;
inline constexpr DWORD RTS_CONTROL_ENABLE = 1;
inline constexpr DWORD RTS_CONTROL_HANDSHAKE = 2;
inline constexpr DWORD RTS_CONTROL_TOGGLE = 3;

inline constexpr BYTE NOPARITY = 0;
inline constexpr BYTE ODDPARITY = 1;
inline constexpr BYTE EVENPARITY = 2;
inline constexpr BYTE MARKPARITY = 3;
inline constexpr BYTE SPACEPARITY = 4;

inline constexpr BYTE ONESTOPBIT = 0;
inline constexpr BYTE ONE5STOPBITS = 1;
inline constexpr BYTE TWOSTOPBITS = 2;

inline constexpr DWORD PST_RS232 = 0x00000001;
inline constexpr DWORD SP_SERIALCOMM = 0x00000001;
