#include "transport/bluetooth/service_discovery.h"

#include <bluetooth/bluetooth.h>
#include <bluetooth/rfcomm.h>
#include <bluetooth/sdp.h>
#include <bluetooth/sdp_lib.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "transport/bluetooth/service_record.h"

namespace kavri {

namespace {

bdaddr_t bluezAddress(uint64_t address) {
    bdaddr_t out{};
    for (int i = 0; i < 6; ++i) {
        out.b[i] = static_cast<uint8_t>(address >> (8 * i));
    }
    return out;
}

class SdpSession {
  public:
    explicit SdpSession(sdp_session_t* session) : session_(session) {}
    ~SdpSession() {
        if (session_ != nullptr) {
            sdp_close(session_);
        }
    }
    SdpSession(const SdpSession&) = delete;
    SdpSession& operator=(const SdpSession&) = delete;
    sdp_session_t* get() const { return session_; }

  private:
    sdp_session_t* session_;
};

class SdpList {
  public:
    SdpList(sdp_list_t* list, sdp_free_func_t release) : list_(list), release_(release) {}
    ~SdpList() { sdp_list_free(list_, release_); }
    SdpList(const SdpList&) = delete;
    SdpList& operator=(const SdpList&) = delete;
    sdp_list_t* get() const { return list_; }
    sdp_list_t** out() { return &list_; }

  private:
    sdp_list_t* list_;
    sdp_free_func_t release_;
};

void freeRecord(void* record) {
    sdp_record_free(static_cast<sdp_record_t*>(record));
}

// Parses one record as raw bytes, the same way on every system.
int parseRecord(const sdp_record_t* record, const char* wantedName, bool skipNameCheck,
                uint8_t* channel) {
    sdp_buf_t pdu{};
    if (sdp_gen_record_pdu(record, &pdu) < 0 || pdu.data == nullptr) {
        std::printf("Blob is NULL!\n");
        return -1;
    }
    const int length =
        pdu.data_size > static_cast<uint32_t>(INT_MAX) ? 0 : static_cast<int>(pdu.data_size);
    const int result = parseServiceRecord(pdu.data, length, wantedName, skipNameCheck, channel);
    std::free(pdu.data);
    return result;
}

}  // namespace

int findServiceChannel(const char* wantedName, bool skipNameCheck, uint64_t address,
                       uint8_t* channel) {
    const bdaddr_t remote = bluezAddress(address);
    char text[24];
    std::snprintf(text, sizeof text, "(%02X:%02X:%02X:%02X:%02X:%02X)", remote.b[5], remote.b[4],
                  remote.b[3], remote.b[2], remote.b[1], remote.b[0]);
    std::printf("%s.\n", text);

    const bdaddr_t any{};
    SdpSession session(sdp_connect(&any, &remote, SDP_RETRY_IF_BUSY));
    if (session.get() == nullptr) {
        std::printf("Fail to begin look up service with error code %ld\n",
                    static_cast<long>(errno));
        return -1;
    }
    std::printf("WSALookupServiceBegin() is OK!\n");

    uuid_t serialPort;
    sdp_uuid16_create(&serialPort, SERIAL_PORT_SVCLASS_ID);
    uint32_t allAttributes = 0x0000FFFF;
    SdpList search(sdp_list_append(nullptr, &serialPort), nullptr);
    SdpList attributes(sdp_list_append(nullptr, &allAttributes), nullptr);
    SdpList records(nullptr, freeRecord);
    if (sdp_service_search_attr_req(session.get(), search.get(), SDP_ATTR_REQ_RANGE,
                                    attributes.get(), records.out()) != 0) {
        std::printf("Fail to next look up service with error code %ld\n", static_cast<long>(errno));
        return -1;
    }
    for (sdp_list_t* item = records.get(); item != nullptr; item = item->next) {
        std::printf("WSALookupServiceNext() is OK!\n");
        if (parseRecord(static_cast<const sdp_record_t*>(item->data), wantedName, skipNameCheck,
                        channel) == 0) {
            return 0;
        }
    }
    // The records ran out: no error beyond that.
    std::printf("Fail to next look up service with error code %ld\n", 0L);
    return -1;
}

socket_t openRfcommSocket() {
    return openSocket(AF_BLUETOOTH, SOCK_STREAM, BTPROTO_RFCOMM);
}

bool connectRfcomm(socket_t s, uint64_t address, uint8_t channel) {
    sockaddr_rc remote{};
    remote.rc_family = AF_BLUETOOTH;
    remote.rc_bdaddr = bluezAddress(address);
    remote.rc_channel = channel;
    return ::connect(s, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) == 0;
}

}  // namespace kavri
