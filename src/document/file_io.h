#pragma once
// Small RAII wrappers over POSIX file descriptors for the loader and the
// save writer. Every path closes its file.

#include <cstddef>
#include <cstdint>
#include <string>

namespace kavrel {

class ReadFile {
 public:
  ReadFile() = default;
  explicit ReadFile(const std::string& path) { open(path); }
  ~ReadFile() { close(); }
  ReadFile(const ReadFile&) = delete;
  ReadFile& operator=(const ReadFile&) = delete;
  ReadFile(ReadFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  ReadFile& operator=(ReadFile&& other) noexcept;

  bool open(const std::string& path);
  bool isOpen() const { return fd_ >= 0; }
  void close();
  // Size of the open file, or -1.
  int64_t size() const;
  // Reads up to n bytes at pos; returns the count read (short at the end of
  // the file) or -1 on a read error.
  int64_t readAt(int64_t pos, void* buffer, size_t n) const;

 private:
  int fd_ = -1;
};

}  // namespace kavrel
