/* What the test driver keeps per open handle of the microphone device, and
 * how a driver of the handle's interface version answers its requests. */
#pragma once

#include <ntddk.h>

#include "test_mic_record.h"

#define STATE_TAG 0x734D744Bu /* "KtMs" */
#define DEFAULT_VERSION 3
#define DEFAULT_KEY 0x5E

/* One per open handle, in FileObject->FsContext. */
typedef struct HandleState {
    ULONG id;
    UCHAR version;
    UCHAR key;
    UCHAR challenge;
    BOOLEAN challenged;
    BOOLEAN authentic;
    BOOLEAN running;
    USHORT sampleCount;
} HandleState;

/* Runs one control code on the handle's buffered request; fills in the
 * event's outcome and returns the request's status. */
NTSTATUS testMicControl(HandleState* state, ULONG code, UCHAR* buffer, ULONG inputLength,
                        ULONG outputLength, TestMicEvent* event);
/* Decides on a plain write of length bytes; fills in the event's outcome. */
NTSTATUS testMicWrite(HandleState* state, ULONG length, TestMicEvent* event);
