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
  // Tells the system the file will be read front to back (larger read-ahead).
  void adviseSequential() const;

 private:
  int fd_ = -1;
};

// A file created for writing. Writes are complete or fail; a failed close
// (a late disk-full report) counts as a failure.
class WriteFile {
 public:
  WriteFile() = default;
  ~WriteFile() { close(); }
  WriteFile(const WriteFile&) = delete;
  WriteFile& operator=(const WriteFile&) = delete;

  // Creates `path`; an existing file of that name is removed first, so the
  // new file never shares bytes with an old one.
  bool create(const std::string& path);
  bool isOpen() const { return fd_ >= 0; }
  // Appends all n bytes.
  bool write(const void* data, size_t n);
  // Writes all n bytes at pos without moving the append position.
  bool writeAt(int64_t pos, const void* data, size_t n);
  // Flushes the file's data to the disk.
  bool sync();
  // False when closing reports an error.
  bool close();

 private:
  int fd_ = -1;
};

// Makes a rename within `folder` ("" = the current one) durable: the folder
// entry itself reaches the disk.
void syncFolder(const std::string& folder);

}  // namespace kavrel
