#include "tools/phone_sim/lib/wav_reader.h"

namespace kavri {

namespace {

constexpr int MAX_CHUNKS = 64;
constexpr uint16_t FORMAT_PCM = 1;
constexpr uint16_t FORMAT_EXTENSIBLE = 0xFFFE;

uint32_t le32(const uint8_t* b) {
    return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}
uint16_t le16(const uint8_t* b) {
    return static_cast<uint16_t>(b[0] | b[1] << 8);
}

bool readExact(std::FILE* f, uint8_t* out, size_t n) {
    return std::fread(out, 1, n, f) == n;
}

bool checkFormat(const uint8_t* fmt, std::string* error) {
    const uint16_t format = le16(fmt);
    const uint16_t channels = le16(fmt + 2);
    const uint32_t rate = le32(fmt + 4);
    const uint16_t bits = le16(fmt + 14);
    if ((format != FORMAT_PCM && format != FORMAT_EXTENSIBLE) || channels != 1 || rate != 48000 ||
        bits != 16) {
        *error = "need 48000 Hz mono 16-bit PCM (file has format " + std::to_string(format) + ", " +
                 std::to_string(channels) + " channel(s), " + std::to_string(rate) + " Hz, " +
                 std::to_string(bits) + " bits)";
        return false;
    }
    return true;
}

}  // namespace

bool WavReader::open(const std::string& path, std::string* error) {
    std::string ignored;
    if (error == nullptr) {
        error = &ignored;
    }
    error->clear();
    file_.reset(std::fopen(path.c_str(), "rb"));
    if (!file_) {
        *error = "cannot open " + path;
        return false;
    }
    std::FILE* f = file_.get();
    if (std::fseek(f, 0, SEEK_END) != 0) {
        *error = "cannot read " + path;
        return false;
    }
    const long size = std::ftell(f);
    std::rewind(f);
    uint8_t riff[12];
    if (size < 12 || !readExact(f, riff, sizeof riff) || le32(riff) != 0x46464952u /*RIFF*/ ||
        le32(riff + 8) != 0x45564157u /*WAVE*/) {
        *error = path + " is not a WAV file";
        return false;
    }
    return findChunks(size, error);
}

bool WavReader::findChunks(long fileSize, std::string* error) {
    std::FILE* f = file_.get();
    bool haveFormat = false;
    long offset = 12;
    for (int i = 0; i < MAX_CHUNKS && offset + 8 <= fileSize; ++i) {
        uint8_t head[8];
        if (std::fseek(f, offset, SEEK_SET) != 0 || !readExact(f, head, sizeof head)) {
            break;
        }
        const uint32_t id = le32(head);
        const long size = static_cast<long>(le32(head + 4));
        const long body = offset + 8;
        if (id == 0x20746d66u /*"fmt "*/) {
            uint8_t fmt[16];
            if (size < 16 || !readExact(f, fmt, sizeof fmt) || !checkFormat(fmt, error)) {
                if (error->empty())
                    *error = "broken format chunk";
                return false;
            }
            haveFormat = true;
        } else if (id == 0x61746164u /*"data"*/) {
            if (!haveFormat) {
                break;
            }
            // A truncated file keeps what it has; an odd byte is not a sample.
            const long available = fileSize - body;
            dataBytes_ = (size < available ? size : available) & ~1L;
            dataStart_ = body;
            position_ = 0;
            if (dataBytes_ <= 0) {
                *error = "the WAV file holds no samples";
                return false;
            }
            return std::fseek(f, dataStart_, SEEK_SET) == 0;
        }
        if (size > fileSize - body) {
            break;
        }
        offset = body + size + (size & 1);  // chunks are padded to even sizes
    }
    *error = haveFormat ? "no data chunk" : "no format chunk";
    return false;
}

bool WavReader::read(int16_t* out, int count) {
    std::FILE* f = file_.get();
    if (!f || dataBytes_ <= 0) {
        return false;
    }
    uint8_t bytes[2];
    for (int i = 0; i < count; ++i) {
        if (position_ + 2 > dataBytes_) {
            if (std::fseek(f, dataStart_, SEEK_SET) != 0) {
                return false;
            }
            position_ = 0;
        }
        if (!readExact(f, bytes, 2)) {
            return false;
        }
        position_ += 2;
        out[i] = static_cast<int16_t>(le16(bytes));
    }
    return true;
}

}  // namespace kavri
