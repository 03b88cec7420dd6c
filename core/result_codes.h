#pragma once

namespace kavri {

// The one result a connect attempt or a connection ends with: 0 for success
// or a stop by the user, a negative code for each kind of failure.
constexpr int RESULT_OK = 0;
constexpr int RESULT_NO_DEVICE = -1;
constexpr int RESULT_OUT_OF_MEMORY = -2;
constexpr int RESULT_CANNOT_CONNECT = -5;
constexpr int RESULT_HANDSHAKE_FAILED = -6;
constexpr int RESULT_VERSION_MISMATCH = -7;
constexpr int RESULT_CANNOT_START = -8;
constexpr int RESULT_DRIVER_BROKEN = -9;
constexpr int RESULT_NO_USB_DEVICE = -10;
constexpr int RESULT_WSA_FAILED = -11;
constexpr int RESULT_MEDIA_OPEN_FAILED = -12;
constexpr int RESULT_DRIVER_TOO_OLD = -13;
constexpr int RESULT_CONNECTION_LOST = -20;
constexpr int RESULT_NO_AUDIO = -21;

// The web page the USB failure text points the user to.
extern const wchar_t* const FAQ_ADDRESS;

// The user's text for a code. Codes without a text of their own give
// "Error: <code>", built in a buffer of this function that the next call
// overwrites (only the window thread calls it).
const wchar_t* resultMessage(int code);

// The question asked after a lost connection.
const wchar_t* connectionLostQuestion();

// The warning shown when no audio arrived; on Wi-Fi it names the media port
// the firewall must let through. The text is built in a buffer of this
// function that the next call overwrites.
const wchar_t* noAudioMessage(bool wifi, int mediaPort);

}  // namespace kavri
