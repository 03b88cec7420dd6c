#include "core/mutex.h"

#include <cstdio>

namespace kavri {

Mutex::Mutex(const char* label) {
    std::snprintf(label_, sizeof label_, "%s", label ? label : "");
}

}  // namespace kavri
