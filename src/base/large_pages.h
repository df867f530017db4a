#pragma once
// Fresh memory for the long per-frame lists. Faulting in tens of megabytes
// 4 KB at a time costs more than the work that fills them, so big buffers
// ask for large pages where the system offers them.

#include <cstddef>
#include <vector>

namespace kavrel {

void adviseLargePages(const void* data, size_t bytes);

// An empty vector with room for `capacity` elements, not yet touched.
template <class T>
std::vector<T> freshVector(size_t capacity) {
  std::vector<T> v;
  v.reserve(capacity);
  adviseLargePages(v.data(), capacity * sizeof(T));
  return v;
}

}  // namespace kavrel
