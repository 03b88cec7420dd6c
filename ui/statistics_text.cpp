#include "ui/statistics_text.h"

#include <cwchar>

namespace kavri {

namespace {

// Appends one formatted line after the text so far. A line that does not fit
// is left out whole, so the text never ends in half a line.
class LineWriter {
  public:
    LineWriter(wchar_t* out, size_t capacity) : out_(out), capacity_(capacity) {
        if (capacity_ > 0)
            out_[0] = L'\0';
    }

    void add(const wchar_t* format, long value) {
        if (full_ || length_ + 1 >= capacity_) {
            full_ = true;
            return;
        }
        const size_t room = capacity_ - length_;
        const int written = std::swprintf(out_ + length_, room, format, value);
        if (written < 0 || static_cast<size_t>(written) >= room) {
            out_[length_] = L'\0';
            full_ = true;
            return;
        }
        length_ += static_cast<size_t>(written);
    }

    size_t length() const { return length_; }

  private:
    wchar_t* out_;
    size_t capacity_;
    size_t length_ = 0;
    bool full_ = false;
};

}  // namespace

size_t formatStatisticsText(const StatisticsValues& v, wchar_t* out, size_t capacity) {
    LineWriter text(out, capacity);
    text.add(L"Start time: %ld\n", v.startTime);
    text.add(L"End time: %ld\n", v.endTime);
    text.add(L"Rx: %ld\n", v.rx);
    text.add(L"Max delta : %ld\n", v.maxDelta);
    text.add(L"Dropped: %ld\n", v.dropped);
    text.add(L"Missed: %ld\n\n", v.missed);
    text.add(L"Transport type: %ld\n", v.transportType);
    text.add(L"Control port: %ld\n", v.controlPort);
    text.add(L"Media port: %ld\n\n", v.mediaPort);
    text.add(L"Driver state: %ld\n\n", v.driverState);
    text.add(L"Time min: %ld\n\n", v.timeMin);
    return text.length();
}

}  // namespace kavri
