#include "core/result_codes.h"

#include <cwchar>

namespace kavri {

const wchar_t* const FAQ_ADDRESS = L"https://www.kavri.app/faq";

namespace {

// Long enough for the USB text with any plausible address.
constexpr int USB_TEXT_CAPACITY = 512;

// Built once (thread-safe static) so the address lives in one constant.
struct UsbText {
    wchar_t text[USB_TEXT_CAPACITY] = {};
    UsbText() {
        std::swprintf(text, USB_TEXT_CAPACITY,
                      L"No device is detected on USB ports. Please check: \n\n"
                      L"\t1. USB driver has been installed correctly. \n"
                      L"\t2. Phone has been connected to PC by USB cable. \n"
                      L"\t3. USB debugging has been enabled on phone\n\n"
                      L"Please refer to %ls for details.",
                      FAQ_ADDRESS);
    }
};

const wchar_t* usbText() {
    static const UsbText usb;
    return usb.text;
}

const wchar_t* fixedText(int code) {
    switch (code) {
        case RESULT_NO_DEVICE:
            return L"Cannot load Kavri device. Force to play in speaker.";
        case RESULT_OUT_OF_MEMORY:
            return L"Not enough memory to run this program.";
        case RESULT_CANNOT_CONNECT:
            return L"Fail to connect to server.";
        case RESULT_HANDSHAKE_FAILED:
            return L"Fail to communicate with Kavri on Android phone. Check if it has been "
                   L"started.";
        case RESULT_VERSION_MISMATCH:
            return L"Client and server mismatch. Please install latest server and client.";
        case RESULT_CANNOT_START:
            return L"Cannot start mic on Android phone.";
        case RESULT_DRIVER_BROKEN:
            return L"It looks there is something wrong with your Kavri device driver. Please "
                   L"re-install it.";
        case RESULT_NO_USB_DEVICE:
            return usbText();
        case RESULT_WSA_FAILED:
            return L"Failed to start WSA 2.2";
        case RESULT_MEDIA_OPEN_FAILED:
            return L"Fail to connect to server for media stream.";
        case RESULT_DRIVER_TOO_OLD:
            return L"Driver is too old. Please install the latest driver. Force to play in "
                   L"speaker.";
        default:
            return nullptr;
    }
}

const wchar_t* const NO_AUDIO_TEXT =
    L"No audio data has been received. Please check below items:\n"
    L" - App on phone has been granted microphone access permission.";

}  // namespace

const wchar_t* resultMessage(int code) {
    if (const wchar_t* text = fixedText(code)) {
        return text;
    }
    static wchar_t buffer[32];
    std::swprintf(buffer, sizeof buffer / sizeof buffer[0], L"Error: %d", code);
    return buffer;
}

const wchar_t* connectionLostQuestion() {
    return L"Connection aborted. Do you want to connect again?";
}

const wchar_t* noAudioMessage(bool wifi, int mediaPort) {
    if (!wifi) {
        return NO_AUDIO_TEXT;
    }
    static wchar_t buffer[256];
    std::swprintf(buffer, sizeof buffer / sizeof buffer[0],
                  L"%ls\n - Your computer firewall should not block UDP port %d.", NO_AUDIO_TEXT,
                  mediaPort);
    return buffer;
}

}  // namespace kavri
