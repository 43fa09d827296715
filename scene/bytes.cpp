#include "scene/bytes.h"

#include <fcntl.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <random>

namespace qx {

static_assert(std::endian::native == std::endian::little, "file formats are written in host order");

std::string SystemErrorText(int error_number) {
  switch (error_number) {
    case ENOENT:
      return "Datei oder Ordner nicht gefunden";
    case EACCES:
    case EPERM:
      return "Zugriff verweigert";
    case EISDIR:
      return "ist ein Ordner";
    case ENOTDIR:
      return "ein Teil des Pfads ist kein Ordner";
    case ENOSPC:
      return "kein Platz mehr auf dem Datenträger";
    case EDQUOT:
      return "Speicherkontingent erschöpft";
    case EROFS:
      return "Datenträger ist schreibgeschützt";
    case EEXIST:
      return "Datei existiert bereits";
    case ENAMETOOLONG:
      return "Dateiname zu lang";
    case EMFILE:
    case ENFILE:
      return "zu viele offene Dateien";
    case EIO:
      return "Ein-/Ausgabefehler";
    case ENOMEM:
      return "nicht genug Speicher";
    case EBUSY:
      return "Datei ist in Benutzung";
    case EXDEV:
      return "Umbenennen über Datenträger hinweg nicht möglich";
    default:
      return "Systemfehler " + std::to_string(error_number);
  }
}

bool ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& out, std::string& error,
                   uint64_t max_size) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error = SystemErrorText(errno);
    return false;
  }
  std::vector<uint8_t> data;
  uint8_t chunk[1 << 16];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    if (data.size() + n > max_size) {
      std::fclose(f);
      error = "Datei zu groß";
      return false;
    }
    data.insert(data.end(), chunk, chunk + n);
  }
  const bool failed = std::ferror(f);
  std::fclose(f);
  if (failed) {
    error = "Lesefehler";
    return false;
  }
  out = std::move(data);
  return true;
}

bool WriteFileAtomic(const std::filesystem::path& path, const std::vector<uint8_t>& data,
                     std::string& error) {
  std::filesystem::path dir = path.parent_path();
  if (dir.empty()) dir = ".";
  std::random_device rd;
  const std::filesystem::path tmp =
      dir / ("." + path.filename().string() + ".tmp" + std::to_string(rd() % 1000000));
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = SystemErrorText(errno);
    return false;
  }
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t w = ::write(fd, data.data() + done, data.size() - done);
    if (w < 0) {
      if (errno == EINTR) continue;
      error = SystemErrorText(errno);
      ::close(fd);
      ::unlink(tmp.c_str());
      return false;
    }
    done += static_cast<size_t>(w);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    error = SystemErrorText(errno);
    ::unlink(tmp.c_str());
    return false;
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    error = SystemErrorText(errno);
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

uint8_t RoundToByte(double value) {
  if (!std::isfinite(value)) return 0;
  const double r = std::nearbyint(value);
  // Keep the low 8 bits of the integer, also for values outside 0..255.
  const double wrapped = std::fmod(r, 256.0);
  const long long i = static_cast<long long>(wrapped);
  return static_cast<uint8_t>(i & 0xFF);
}

}  // namespace qx
