#include "base/file_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kavrel {

ReadFile& ReadFile::operator=(ReadFile&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

bool ReadFile::open(const std::string& path) {
  close();
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat st {};
  // Folders and devices are not mp3 files.
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    close();
    return false;
  }
  return true;
}

void ReadFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

int64_t ReadFile::size() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

int64_t ReadFile::readAt(int64_t pos, void* buffer, size_t n) const {
  if (fd_ < 0 || pos < 0) return -1;
  size_t done = 0;
  auto* out = static_cast<unsigned char*>(buffer);
  while (done < n) {
    const ssize_t got = ::pread(fd_, out + done, n - done, off_t(pos + int64_t(done)));
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;
    done += size_t(got);
  }
  return int64_t(done);
}

void ReadFile::adviseSequential() const {
#ifdef POSIX_FADV_SEQUENTIAL
  if (fd_ >= 0) ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
}

bool WriteFile::create(const std::string& path) {
  close();
  // Only a file (or a link) is replaced; a device or folder of that name is
  // never removed.
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) return false;
    if (::unlink(path.c_str()) != 0) return false;
  } else if (errno != ENOENT) {
    return false;
  }
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  return fd_ >= 0;
}

namespace {

// Writes all n bytes through `put(bytes, count, done)` (one system call,
// `done` bytes in), retrying after signals; false on an error or no progress.
template <typename Put>
bool writeAll(const void* data, size_t n, Put put) {
  const auto* in = static_cast<const unsigned char*>(data);
  size_t done = 0;
  while (done < n) {
    const ssize_t count = put(in + done, n - done, done);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    done += size_t(count);
  }
  return true;
}

}  // namespace

bool WriteFile::write(const void* data, size_t n) {
  if (fd_ < 0) return false;
  return writeAll(data, n, [&](const unsigned char* p, size_t k, size_t) { return ::write(fd_, p, k); });
}

bool WriteFile::writeAt(int64_t pos, const void* data, size_t n) {
  if (fd_ < 0 || pos < 0) return false;
  return writeAll(data, n, [&](const unsigned char* p, size_t k, size_t done) {
    return ::pwrite(fd_, p, k, off_t(pos + int64_t(done)));
  });
}

bool WriteFile::sync() { return fd_ >= 0 && ::fsync(fd_) == 0; }

bool WriteFile::close() {
  if (fd_ < 0) return true;
  const int rc = ::close(fd_);
  fd_ = -1;
  return rc == 0;
}

void syncFolder(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace kavrel
