#pragma once

#include <atomic>
#include <cstdint>

#include "common/transport_type.h"

namespace kavri {

// The process-wide store of the user's choices, kept in settings.dat in the
// current directory. Loaded once at start, saved once at exit.
class Settings {
  public:
    static constexpr int WIFI_ADDR_SIZE = 256;  // with the terminator
    static constexpr int BT_ADDRESS_SIZE = 6;

    Settings() = delete;

    // One of the TRANSPORT_ values, or whatever number the file held.
    static int getTransportType() { return transportType_.load(std::memory_order_relaxed); }
    static void setTransportType(int type) {
        transportType_.store(type, std::memory_order_relaxed);
    }

    // Stored as given, UTF-8; text beyond 255 bytes is cut off.
    static const char* getWifiServerAddr() { return wifiServerAddr_; }
    static void setWifiServerAddr(const char* text);

    static bool isPlayLocally() { return playLocally_.load(std::memory_order_relaxed); }
    static void setPlayLocally(bool on) { playLocally_.store(on, std::memory_order_relaxed); }
    static bool isAutoConnect() { return autoConnect_.load(std::memory_order_relaxed); }
    static void setAutoConnect(bool on) { autoConnect_.store(on, std::memory_order_relaxed); }

    static int getControlPort() { return controlPort_.load(std::memory_order_relaxed); }
    static void setControlPort(int port) { controlPort_.store(port, std::memory_order_relaxed); }
    static int getMediaPort() { return mediaPort_.load(std::memory_order_relaxed); }
    static void setMediaPort(int port) { mediaPort_.store(port, std::memory_order_relaxed); }

    // Byte 0 is the least significant byte of the address.
    static void getBtAddress(uint8_t out[BT_ADDRESS_SIZE]);
    static void setBtAddress(const uint8_t address[BT_ADDRESS_SIZE]);

    static void getWindowPos(int* x, int* y, int* w, int* h);
    static void setWindowPos(int x, int y, int w, int h);

    // Resets to the defaults (all but the Bluetooth address), then applies
    // settings.dat if it can be opened.
    static void load();
    // Writes every value to settings.dat; silently does nothing when the file
    // cannot be opened.
    static void save();

  private:
#ifdef _WIN32
    static constexpr const char* SAVE_PATH = ".\\settings.dat";
#else
    static constexpr const char* SAVE_PATH = "./settings.dat";
#endif
    static constexpr const char* LOAD_PATH = "settings.dat";

    static void applyLine(const char* line);
    static void applyWindow(const char* value);
    static void applyBtAddress(const char* value);

    // Written on the user-interface thread while connection threads read them.
    static std::atomic<int> transportType_;
    static std::atomic<bool> playLocally_;
    static std::atomic<bool> autoConnect_;
    static std::atomic<int> controlPort_;
    static std::atomic<int> mediaPort_;
    static std::atomic<int> windowX_, windowY_, windowW_, windowH_;
    // Changed only while no connection is being built.
    static char wifiServerAddr_[WIFI_ADDR_SIZE];
    static uint8_t btAddress_[BT_ADDRESS_SIZE];
};

}  // namespace kavri
