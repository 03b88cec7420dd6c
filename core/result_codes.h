#pragma once

#include "common/result_codes.h"

namespace kavri {

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
