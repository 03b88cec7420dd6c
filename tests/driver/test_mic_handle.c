#include "test_mic_handle.h"

#define MIC_WRITE_AUDIO 0x222001u
#define MIC_GET_CHALLENGE 0x222004u
#define MIC_SET_RESPONSE 0x222008u
#define MIC_GET_VERSION 0x22200Cu
#define MIC_SET_RUNNING 0x222010u
#define MIC_SET_SAMPLE_COUNT 0x222014u

/* Plain writes carry the audio from this version on. */
#define PLAIN_WRITE_VERSION 3

/* Callers hold the driver's lock. */
static ULONG challengeCount;

/* A different byte at every request, never 0, so that a client cannot pass
 * with a fixed answer. */
static UCHAR nextChallenge(void) {
    UCHAR challenge = (UCHAR)(0x3B + 0x65 * challengeCount++);
    return challenge != 0 ? challenge : 0xA5;
}

static BOOLEAN isSampleBytes(ULONG length) {
    return length > 0 && length % 2 == 0;
}

/* Audio only after the right answer and the start. */
static NTSTATUS takeAudio(HandleState* state, ULONG length, TestMicEvent* event) {
    if (!isSampleBytes(length)) {
        return STATUS_INVALID_PARAMETER;
    }
    if (!state->authentic || !state->running) {
        return STATUS_ACCESS_DENIED;
    }
    event->flags |= TEST_MIC_ACCEPTED;
    return STATUS_SUCCESS;
}

static NTSTATUS answerByte(UCHAR byte, UCHAR* buffer, ULONG outputLength, TestMicEvent* event) {
    if (outputLength < 1) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    buffer[0] = byte;
    event->value[0] = byte;
    event->information = 1;
    event->flags |= TEST_MIC_ACCEPTED;
    return STATUS_SUCCESS;
}

static NTSTATUS answerResponse(HandleState* state, const UCHAR* buffer, ULONG inputLength,
                               TestMicEvent* event) {
    state->authentic = inputLength == 1 && state->challenged &&
                       buffer[0] == (UCHAR)(state->challenge ^ state->key);
    if (!state->authentic) {
        return STATUS_ACCESS_DENIED;
    }
    event->flags |= TEST_MIC_ACCEPTED;
    return STATUS_SUCCESS;
}

static NTSTATUS setRunning(HandleState* state, const UCHAR* buffer, ULONG inputLength,
                           TestMicEvent* event) {
    if (inputLength != 1 || buffer[0] > 1) {
        return STATUS_INVALID_PARAMETER;
    }
    if (!state->authentic) {
        return STATUS_ACCESS_DENIED;
    }
    state->running = buffer[0] == 1;
    event->flags |= TEST_MIC_ACCEPTED;
    return STATUS_SUCCESS;
}

NTSTATUS testMicControl(HandleState* state, ULONG code, UCHAR* buffer, ULONG inputLength,
                        ULONG outputLength, TestMicEvent* event) {
    switch (code) {
        case MIC_GET_CHALLENGE:
            if (outputLength >= 1) {
                state->challenge = nextChallenge();
                state->challenged = TRUE;
                state->authentic = FALSE;
            }
            return answerByte(state->challenge, buffer, outputLength, event);
        case MIC_SET_RESPONSE:
            return answerResponse(state, buffer, inputLength, event);
        case MIC_GET_VERSION:
            return answerByte(state->version, buffer, outputLength, event);
        case MIC_SET_SAMPLE_COUNT:
            if (inputLength != 2) {
                return STATUS_INVALID_PARAMETER;
            }
            state->sampleCount = (USHORT)((buffer[0] << 8) | buffer[1]);
            event->flags |= TEST_MIC_ACCEPTED;
            return STATUS_SUCCESS;
        case MIC_SET_RUNNING:
            return setRunning(state, buffer, inputLength, event);
        case MIC_WRITE_AUDIO:
            /* Not part of the interface from the plain-write version on. */
            if (state->version >= PLAIN_WRITE_VERSION) {
                return STATUS_INVALID_DEVICE_REQUEST;
            }
            return takeAudio(state, inputLength, event);
        default:
            return STATUS_INVALID_DEVICE_REQUEST;
    }
}

NTSTATUS testMicWrite(HandleState* state, ULONG length, TestMicEvent* event) {
    NTSTATUS status;
    if (state->version < PLAIN_WRITE_VERSION) {
        return STATUS_INVALID_DEVICE_REQUEST;
    }
    status = takeAudio(state, length, event);
    if (NT_SUCCESS(status)) {
        event->information = length;
    }
    return status;
}
