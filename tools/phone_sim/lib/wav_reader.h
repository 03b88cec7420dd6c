#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace kavri {

// Reads the samples of a 48 kHz mono 16-bit PCM WAV file, over and over.
class WavReader {
  public:
    // False, with a reason, for anything but that format or a broken file.
    bool open(const std::string& path, std::string* error);
    // Fills count samples, starting again at the beginning after the end.
    bool read(int16_t* out, int count);

    long dataBytes() const { return dataBytes_; }

  private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    bool findChunks(long fileSize, std::string* error);

    std::unique_ptr<std::FILE, FileCloser> file_;
    long dataStart_ = 0;
    long dataBytes_ = 0;
    long position_ = 0;  // bytes of data consumed so far
};

}  // namespace kavri
