#include "document/file_io.h"

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

}  // namespace kavrel
