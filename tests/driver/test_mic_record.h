/* What the test microphone driver records, and how a test reads it back.
 * Shared by the driver (C, kernel mode) and the test programs (C++). */
#pragma once

#include <stdint.h>

/* The driver's second device: reading the record and clearing it. Opening it
 * leaves no trace in the record, unlike the microphone device. */
#define TEST_MIC_RECORD_PATH L"\\\\.\\KavriTestRecord"
/* CTL_CODE(0x22, 0x900, METHOD_BUFFERED, FILE_ANY_ACCESS): input a uint32_t
 * offset into the record, output as many record bytes from there as fit. */
#define TEST_MIC_IOCTL_READ_RECORD 0x222400u
/* CTL_CODE(0x22, 0x901, METHOD_BUFFERED, FILE_ANY_ACCESS): empties it. */
#define TEST_MIC_IOCTL_CLEAR_RECORD 0x222404u

/* The service and the values of its Parameters key, read at every open of the
 * microphone device, so a test switches them between opens. */
#define TEST_MIC_SERVICE_NAME L"kavri_test_mic"
#define TEST_MIC_PARAMETERS_KEY L"System\\CurrentControlSet\\Services\\kavri_test_mic\\Parameters"
#define TEST_MIC_VALUE_VERSION L"Version" /* interface version, 1 to 3; default 3 */
#define TEST_MIC_VALUE_KEY L"Key"         /* handshake key; default 0x5E */

enum TestMicEventKind {
    TEST_MIC_CREATE = 1,
    TEST_MIC_CONTROL = 2,
    TEST_MIC_WRITE = 3,
    TEST_MIC_CLEANUP = 4,
    TEST_MIC_CLOSE = 5,
};

enum TestMicFlags {
    TEST_MIC_ACCEPTED = 1,  /* the driver acted on the call */
    TEST_MIC_HAS_MDL = 2,   /* the request carried a memory descriptor list */
    TEST_MIC_AUTHENTIC = 4, /* the handle's handshake had succeeded at the call */
    TEST_MIC_TRUNCATED = 8, /* the record was full: data bytes were left out */
};

/* One record entry; dataLength bytes follow it (ioctl input or written data). */
#pragma pack(push, 4)
typedef struct TestMicEvent {
    uint32_t kind;
    uint32_t handle;       /* 1 for the first open since the driver started, and so on */
    uint32_t code;         /* ioctl code */
    uint32_t status;       /* the NTSTATUS the request completed with */
    uint32_t inputLength;  /* ioctl input length or write length */
    uint32_t outputLength; /* ioctl output buffer length */
    uint32_t information;  /* bytes the driver returned */
    uint32_t flags;        /* TestMicFlags */
    /* create: desired access (Wine passes none: 0; its handle checks refuse
     * a write on a handle without write access instead), share access,
     * create options, handshake key. ioctl: the byte returned by GET_CHALLENGE / GET_VERSION in
     * value[0], the version of the handle in value[1]. */
    uint32_t value[4];
    uint32_t dataLength;
} TestMicEvent;
#pragma pack(pop)
