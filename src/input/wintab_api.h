#pragma once
// The part of the public Wintab interface the program uses: the seven entry
// points, the information categories it asks about, the context record and
// the messages. mingw ships no Wintab header. The test Wintab32.dll builds on
// this file too, so both sides agree on every layout.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>

namespace wintab {

DECLARE_HANDLE(HCTX);

using WTPKT = DWORD;
using FIX32 = DWORD;

// Information categories and indices (WTInfoA).
constexpr UINT kInfoInterface = 1;
constexpr UINT kInfoDefaultSystemContext = 4;
constexpr UINT kInfoDevices = 100;  // + device number
constexpr UINT kInfoCursors = 200;  // + cursor number

constexpr UINT kCursorButtonMap = 7;                // BYTE[32], physical to logical
constexpr UINT kCursorNormalPressureButton = 9;     // BYTE, physical button
constexpr UINT kCursorNormalPressureMarks = 10;     // UINT[2]: release mark, press mark
constexpr UINT kDeviceNormalPressure = 15;          // AXIS

// Packet data bits; a packet holds the selected fields in this bit order.
constexpr WTPKT kPacketCursor = 0x0020;
constexpr WTPKT kPacketButtons = 0x0040;
constexpr WTPKT kPacketX = 0x0080;
constexpr WTPKT kPacketY = 0x0100;
constexpr WTPKT kPacketNormalPressure = 0x0400;

// Context options.
constexpr UINT kOptionMessages = 0x0004;
constexpr UINT kOptionCursorMessages = 0x0008;

// Messages, at the default message base.
constexpr UINT kMessageBase = 0x7FF0;
constexpr UINT kPacketMessage = kMessageBase + 0;       // wParam serial, lParam context
constexpr UINT kProximityMessage = kMessageBase + 5;    // wParam context, low word of lParam: entering
constexpr UINT kInfoChangeMessage = kMessageBase + 6;
constexpr UINT kCursorChangeMessage = kMessageBase + 7;  // wParam serial, lParam context
constexpr UINT kLastMessage = kMessageBase + 15;

constexpr int kContextNameLength = 40;

struct LOGCONTEXTA {
    char lcName[kContextNameLength];
    UINT lcOptions;
    UINT lcStatus;
    UINT lcLocks;
    UINT lcMsgBase;
    UINT lcDevice;
    UINT lcPktRate;
    WTPKT lcPktData;
    WTPKT lcPktMode;
    WTPKT lcMoveMask;
    DWORD lcBtnDnMask;
    DWORD lcBtnUpMask;
    LONG lcInOrgX, lcInOrgY, lcInOrgZ;
    LONG lcInExtX, lcInExtY, lcInExtZ;
    LONG lcOutOrgX, lcOutOrgY, lcOutOrgZ;
    LONG lcOutExtX, lcOutExtY, lcOutExtZ;
    FIX32 lcSensX, lcSensY, lcSensZ;
    BOOL lcSysMode;
    int lcSysOrgX, lcSysOrgY;
    int lcSysExtX, lcSysExtY;
    FIX32 lcSysSensX, lcSysSensY;
};

struct AXIS {
    LONG axMin;
    LONG axMax;
    UINT axUnits;
    FIX32 axResolution;
};

// The packet the program's context asks for: cursor, buttons, x, y and
// normal pressure, all absolute.
constexpr WTPKT kProgramPacketData =
    kPacketCursor | kPacketButtons | kPacketX | kPacketY | kPacketNormalPressure;

using WTInfoAFunc = UINT(WINAPI*)(UINT category, UINT index, LPVOID output);
using WTGetAFunc = BOOL(WINAPI*)(HCTX context, LOGCONTEXTA* settings);
using WTOpenAFunc = HCTX(WINAPI*)(HWND window, LOGCONTEXTA* settings, BOOL enable);
using WTCloseFunc = BOOL(WINAPI*)(HCTX context);
using WTQueueSizeSetFunc = BOOL(WINAPI*)(HCTX context, int packets);
using WTPacketsGetFunc = int(WINAPI*)(HCTX context, int maxPackets, LPVOID packets);
using WTDataPeekFunc = BOOL(WINAPI*)(HCTX context, UINT begin, UINT end, int maxPackets, LPVOID packets,
                                     LPINT count);

}  // namespace wintab
